#pragma once

#include <QString>
#include <QStringList>

// An entry of the desktop's autostart folder ($XDG_CONFIG_HOME/autostart/Name.desktop, an XDG
// autostart file): the session runs its command at login.
bool WriteAutostartEntry(const QString &name, const QString &title, const QStringList &command,
                         QString *error = nullptr);
// True also when there is no such entry.
bool RemoveAutostartEntry(const QString &name, QString *error = nullptr);
// Where the entry Name lives.
QString AutostartEntryPath(const QString &name);

// The entry that starts the program with the user's desktop session (wayfarel.desktop).
namespace Autostart {

QString EntryPath();
// True when the entry is there and not switched off (Hidden=true, or
// X-GNOME-Autostart-enabled=false, as desktop settings tools write it).
bool IsEnabled();
// Writes the entry, starting Program with Arguments (written whole, temp file and rename), or
// removes it. False, with the reason in Error, when that fails.
bool SetEnabled(bool on, const QString &program, const QStringList &arguments, QString *error = nullptr);

} // namespace Autostart
