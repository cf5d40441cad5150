#include "platform/Autostart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <algorithm>

namespace {

bool Fail(QString *Error, const QString &Reason)
{
    if (Error)
        *Error = Reason;
    return false;
}

// One argument of Exec: quoted when it needs it, with the characters the desktop entry
// format reserves inside quotes escaped; then the backslashes are doubled for the string
// value and "%" for the field codes.
QString ExecArgument(const QString &Argument)
{
    static const QString Reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    QString Text = Argument;
    if (std::any_of(Argument.cbegin(), Argument.cend(), [](QChar Char) { return Reserved.contains(Char); })) {
        Text.clear();
        for (const QChar Char : Argument)
            Text += QStringLiteral("\"`$\\").contains(Char) ? QStringLiteral("\\") + Char : QString(Char);
        Text = '"' + Text + '"';
    }
    return Text.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
        .replace(QLatin1Char('%'), QLatin1String("%%"));
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
    QStringList Exec;
    for (const QString &Argument : Command)
        Exec.append(ExecArgument(Argument));
    const QString Text = QStringLiteral("[Desktop Entry]\nType=Application\nName=%1\nExec=%2\n"
                                        "NoDisplay=true\nTerminal=false\nX-GNOME-Autostart-enabled=true\n")
                             .arg(Title, Exec.join(' '));
    QSaveFile File(Path);
    if (!QDir().mkpath(QFileInfo(Path).absolutePath()) || !File.open(QIODevice::WriteOnly) ||
        File.write(Text.toUtf8()) < 0 || !File.commit())
        return Fail(
            Error,
            QStringLiteral("the autostart entry %1 cannot be written: %2").arg(Path, File.errorString()));
    return true;
}

bool RemoveAutostartEntry(const QString &Name, QString *Error)
{
    QFile File(AutostartEntryPath(Name));
    if (File.exists() && !File.remove())
        return Fail(Error, QStringLiteral("the autostart entry %1 cannot be removed: %2")
                               .arg(File.fileName(), File.errorString()));
    return true;
}
