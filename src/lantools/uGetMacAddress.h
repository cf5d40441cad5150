#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

// The MAC text of the host at TargetIp, asked with an ARP request from SourceIp on the
// interface that holds SourceIp (or, when no interface does, the one that routes to TargetIp);
// empty when nothing answers. An address of this computer answers with its interface's MAC.
QString GetMacAddress(const QString &SourceIp, const QString &TargetIp);

// The name the system resolver gives the address; empty when it knows none.
QString GetHostNameByIp(const QString &Ip);

// The first address Prefix.First .. Prefix.Last that does not answer an ARP request; empty when
// every one answers. Prefix holds three octets without a trailing dot.
QString FindUnusedIp(const QString &Prefix, int First, int Last);

// Where the local source address of searches and scans comes from.
using TSourceAddressQuery = std::function<QString()>;

// The local source address: the address of the first adapter with IP enabled unless another
// query was installed.
QString LocalSourceAddress();
// Installs Query for every later LocalSourceAddress call; an empty function restores the default.
void SetSourceAddressQuery(TSourceAddressQuery Query);
