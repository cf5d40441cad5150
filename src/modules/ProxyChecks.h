#pragma once

#include <QString>
#include <QStringList>

// Appends a reason when Server is no host name or IPv4 address, or Port is not from 1 to 65535.
// Proxy names the setting in the reason ("the Skype proxy").
void CheckProxyServer(const QString &Proxy, const QString &Server, int Port, QStringList *Reasons);
