#pragma once

#include <QString>
#include <QStringList>

// The entry that starts the program with the user's desktop session: an XDG autostart file,
// $XDG_CONFIG_HOME/autostart/wayfarel.desktop (~/.config/autostart when unset).
namespace Autostart {

QString EntryPath();
// True when the entry is there and not switched off (Hidden=true, or
// X-GNOME-Autostart-enabled=false, as desktop settings tools write it).
bool IsEnabled();
// Writes the entry, starting Program with Arguments (written whole, temp file and rename), or
// removes it. False, with the reason in Error, when that fails.
bool SetEnabled(bool On, const QString &Program, const QStringList &Arguments, QString *Error = nullptr);

} // namespace Autostart
