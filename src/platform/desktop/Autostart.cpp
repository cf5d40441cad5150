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
QString ExecArgument(QString argument)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`=%");
    const bool plain = !argument.isEmpty() && std::none_of(argument.cbegin(), argument.cend(),
                                                           [](QChar c) { return reserved.contains(c); });
    if (plain)
        return argument;
    for (const char c : {'\\', '"', '`', '$'})
        argument.replace(QLatin1Char(c), QStringLiteral("\\") + QLatin1Char(c));
    // A literal percent sign is doubled in an Exec line, also inside quotes.
    argument.replace(QLatin1Char('%'), QStringLiteral("%%"));
    return QLatin1Char('"') + argument + QLatin1Char('"');
}

// The entry file: the Exec line's backslashes are doubled once more by the file's own escape rule.
QString EntryText(const QString &title, const QStringList &command)
{
    QStringList exec;
    for (const QString &argument : command)
        exec.append(ExecArgument(argument));
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=%1\n"
                          "Icon=wayfarel\n"
                          "Exec=%2\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(title, exec.join(QLatin1Char(' ')).replace(QLatin1Char('\\'), QStringLiteral("\\\\")));
}

// The keys of the [Desktop Entry] group of an entry file.
QMap<QString, QString> EntryKeys(const QString &path)
{
    QMap<QString, QString> keys;
    QFile entry(path);
    if (!entry.open(QIODevice::ReadOnly | QIODevice::Text))
        return keys;
    bool inGroup = false;
    while (!entry.atEnd()) {
        const QString line = QString::fromUtf8(entry.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('[')))
            inGroup = line == QLatin1String("[Desktop Entry]");
        else if (inGroup && line.contains(QLatin1Char('=')))
            keys.insert(line.section(QLatin1Char('='), 0, 0).trimmed(),
                        line.section(QLatin1Char('='), 1).trimmed());
    }
    return keys;
}

bool Fail(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

} // namespace

QString AutostartEntryPath(const QString &name)
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QStringLiteral("autostart/%1.desktop").arg(name));
}

bool WriteAutostartEntry(const QString &name, const QString &title, const QStringList &command,
                         QString *error)
{
    const QString path = AutostartEntryPath(name);
    if (!QDir().mkpath(QFileInfo(path).path()))
        return Fail(error, QStringLiteral("cannot make the folder of %1").arg(path));
    QSaveFile entry(path);
    if (!entry.open(QIODevice::WriteOnly) || entry.write(EntryText(title, command).toUtf8()) < 0 ||
        !entry.commit())
        return Fail(error, QStringLiteral("cannot write %1: %2").arg(path, entry.errorString()));
    return true;
}

bool RemoveAutostartEntry(const QString &name, QString *error)
{
    const QString path = AutostartEntryPath(name);
    if (!QFile::exists(path) || QFile::remove(path))
        return true;
    return Fail(error, QStringLiteral("cannot remove %1").arg(path));
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
    const QMap<QString, QString> keys = EntryKeys(EntryPath());
    return keys.value(QStringLiteral("Hidden")) != QLatin1String("true") &&
           keys.value(QStringLiteral("X-GNOME-Autostart-enabled")) != QLatin1String("false");
}

bool SetEnabled(bool on, const QString &program, const QStringList &arguments, QString *error)
{
    return on ? WriteAutostartEntry(ProgramEntry, QStringLiteral("Wayfarel"),
                                    QStringList{program} + arguments, error)
              : RemoveAutostartEntry(ProgramEntry, error);
}

} // namespace Autostart
