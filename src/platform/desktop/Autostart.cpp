#include "platform/desktop/Autostart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringList>
#include <algorithm>

namespace {

// One argument of an Exec line: quoted, with the characters the desktop entry format reserves
// inside quotes escaped, whenever it holds anything but plain characters.
QString ExecArgument(QString Argument)
{
    static const QString Reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`=%");
    const bool Plain = !Argument.isEmpty() && std::none_of(Argument.cbegin(), Argument.cend(),
                                                           [](QChar c) { return Reserved.contains(c); });
    if (Plain)
        return Argument;
    for (const char c : {'\\', '"', '`', '$'})
        Argument.replace(QLatin1Char(c), QStringLiteral("\\") + QLatin1Char(c));
    // A literal percent sign is doubled in an Exec line, also inside quotes.
    Argument.replace(QLatin1Char('%'), QStringLiteral("%%"));
    return QLatin1Char('"') + Argument + QLatin1Char('"');
}

// The entry file: the Exec line's backslashes are doubled once more by the file's own escape rule.
QString EntryText(const QString &Title, const QStringList &Command)
{
    QStringList Exec;
    for (const QString &Argument : Command)
        Exec.append(ExecArgument(Argument));
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=%1\n"
                          "Icon=wayfarel\n"
                          "Exec=%2\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(Title, Exec.join(QLatin1Char(' ')).replace(QLatin1Char('\\'), QStringLiteral("\\\\")));
}

// The keys of the [Desktop Entry] group of an entry file.
QMap<QString, QString> EntryKeys(const QString &Path)
{
    QMap<QString, QString> Keys;
    QFile Entry(Path);
    if (!Entry.open(QIODevice::ReadOnly | QIODevice::Text))
        return Keys;
    bool InGroup = false;
    while (!Entry.atEnd()) {
        const QString Line = QString::fromUtf8(Entry.readLine()).trimmed();
        if (Line.startsWith(QLatin1Char('[')))
            InGroup = Line == QLatin1String("[Desktop Entry]");
        else if (InGroup && Line.contains(QLatin1Char('=')))
            Keys.insert(Line.section(QLatin1Char('='), 0, 0).trimmed(),
                        Line.section(QLatin1Char('='), 1).trimmed());
    }
    return Keys;
}

bool Fail(QString *Error, const QString &Text)
{
    if (Error)
        *Error = Text;
    return false;
}

} // namespace

QString AutostartEntryPath(const QString &Name)
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QStringLiteral("autostart/%1.desktop").arg(Name));
}

bool WriteAutostartEntry(const QString &Name, const QString &Title, const QStringList &Command,
                         QString *Error)
{
    const QString Path = AutostartEntryPath(Name);
    if (!QDir().mkpath(QFileInfo(Path).path()))
        return Fail(Error, QStringLiteral("cannot make the folder of %1").arg(Path));
    QSaveFile Entry(Path);
    if (!Entry.open(QIODevice::WriteOnly) || Entry.write(EntryText(Title, Command).toUtf8()) < 0 ||
        !Entry.commit())
        return Fail(Error, QStringLiteral("cannot write %1: %2").arg(Path, Entry.errorString()));
    return true;
}

bool RemoveAutostartEntry(const QString &Name, QString *Error)
{
    const QString Path = AutostartEntryPath(Name);
    if (!QFile::exists(Path) || QFile::remove(Path))
        return true;
    return Fail(Error, QStringLiteral("cannot remove %1").arg(Path));
}

namespace Autostart {

namespace {
const QString ProgramEntry = QStringLiteral("wayfarel");
}

QString EntryPath() { return AutostartEntryPath(ProgramEntry); }

bool IsEnabled()
{
    if (!QFile::exists(EntryPath()))
        return false;
    const QMap<QString, QString> Keys = EntryKeys(EntryPath());
    return Keys.value(QStringLiteral("Hidden")) != QLatin1String("true") &&
           Keys.value(QStringLiteral("X-GNOME-Autostart-enabled")) != QLatin1String("false");
}

bool SetEnabled(bool On, const QString &Program, const QStringList &Arguments, QString *Error)
{
    return On ? WriteAutostartEntry(ProgramEntry, QStringLiteral("Wayfarel"),
                                    QStringList{Program} + Arguments, Error)
              : RemoveAutostartEntry(ProgramEntry, Error);
}

} // namespace Autostart
