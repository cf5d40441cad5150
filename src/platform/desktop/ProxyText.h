#pragma once

#include <QString>
#include <QStringList>

// The text forms of a WinINet LAN proxy setting and the forms desktop proxy stores keep.

// One proxy server; Port 0 when the text names none.
struct TProxyAddress
{
    QString Host;
    int Port = 0;

    bool IsEmpty() const { return Host.isEmpty(); }
    bool operator==(const TProxyAddress &) const = default;
};

// A proxy server string taken apart. With SameForAll one address serves HTTP, HTTPS and FTP
// and is kept in all three; SOCKS is never implied by it, as in WinINet.
struct TProxyServers
{
    bool SameForAll = false;
    TProxyAddress Http;
    TProxyAddress Https;
    TProxyAddress Ftp;
    TProxyAddress Socks;

    bool operator==(const TProxyServers &) const = default;
};

// "host:port" for all protocols, or "http=host:port;https=...;ftp=...;socks=..." (";" or blanks
// between the entries, names in any case). Entries of other protocols (gopher) have no place in
// the desktop stores and are dropped; a scheme in front of an address ("http://") is ignored.
TProxyServers ParseProxyServer(const QString &text);
// The WinINet form again, the protocols in the order http, https, ftp, socks.
QString ProxyServerText(const TProxyServers &servers);

// "host:port", "host", "[v6]:port"; a port outside 1..65535 counts as none, an address without
// a host, or the editor's untouched "0.0.0.0:", as no address at all.
TProxyAddress ParseProxyAddress(const QString &text);
QString ProxyAddressText(const TProxyAddress &address);

// The entries of a WinINet bypass list (";"-separated) as the host patterns the desktop stores
// take: "<local>" stands for localhost, 127.0.0.0/8 and ::1, and an address wildcard such as
// 192.168.* for its network, 192.168.0.0/16. Other entries ("*.corp.test") pass unchanged.
QStringList BypassHosts(const QString &list);
// The bypass list again: the three local entries together give "<local>", the networks with a
// prefix of 8, 16 or 24 their wildcard.
QString BypassText(const QStringList &hosts);
// The patterns "<local>" stands for.
QStringList LocalBypassHosts();
