#pragma once

#include <QString>
#include <QStringList>

// An entry of the desktop's autostart folder ($XDG_CONFIG_HOME/autostart/Name.desktop): the
// session runs its command at login.
bool WriteAutostartEntry(const QString &Name, const QString &Title, const QStringList &Command,
                         QString *Error = nullptr);
// True also when there is no such entry.
bool RemoveAutostartEntry(const QString &Name, QString *Error = nullptr);
// Where the entry Name lives.
QString AutostartEntryPath(const QString &Name);
