#pragma once

#include <QString>
#include <QStringList>

// An entry of the desktop's autostart folder ($XDG_CONFIG_HOME/autostart/Name.desktop, an XDG
// autostart file): the session runs its command at login.
bool WriteAutostartEntry(const QString &Name, const QString &Title, const QStringList &Command,
                         QString *Error = nullptr);
// True also when there is no such entry.
bool RemoveAutostartEntry(const QString &Name, QString *Error = nullptr);
// Where the entry Name lives.
QString AutostartEntryPath(const QString &Name);

// The entry that starts the program with the user's desktop session (wayfarel.desktop).
namespace Autostart {

QString EntryPath();
// True when the entry is there and not switched off (Hidden=true, or
// X-GNOME-Autostart-enabled=false, as desktop settings tools write it).
bool IsEnabled();
// Writes the entry, starting Program with Arguments (written whole, temp file and rename), or
// removes it. False, with the reason in Error, when that fails.
bool SetEnabled(bool On, const QString &Program, const QStringList &Arguments, QString *Error = nullptr);

} // namespace Autostart
