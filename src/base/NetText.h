#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>
#include <netinet/in.h>
#include <optional>

// The text forms of IPv4 and MAC addresses the program reads, stores and shows.

// Dotted IPv4 text (blanks around it allowed) to an address in network byte order; nothing for
// anything but four decimal octets.
std::optional<in_addr> ParseIpv4(const QString &Text);
// True for dotted IPv4 text a host can have as its address: not 0.x.x.x, loopback, multicast
// or reserved.
bool IsHostAddress(const QString &Text);
// Dotted text of an address in network byte order.
QString Ipv4Text(in_addr Address);
// Dotted mask of a prefix length, and the prefix of a mask; -1 for a text that is no mask.
QString PrefixToMask(int Prefix);
int MaskToPrefix(const QString &Mask);

// A MAC text in any of its forms ("00-1A-..", "00:1a:..", "001A..") as twelve upper-case
// digits; the separators and blanks are dropped, nothing is checked.
QString MacDigits(const QString &Mac);
// Twelve digits, or six bytes, as upper-case pairs joined by Separator; empty for anything else.
QString MacFromDigits(const QString &Digits, QChar Separator);
QString MacFromBytes(const QByteArray &Bytes, QChar Separator);
// True when Mac names no address: empty, or all zeros in any form ("00-00-00-00-00-00").
bool IsUnsetMac(const QString &Mac);
// True when Mac, in any form, is twelve hexadecimal digits.
bool IsMacText(const QString &Mac);

// True when a proxy address "host:port" names no server: empty, or the editor's untouched
// address field ("0.0.0.0", or nothing) with a colon and no port, as it stores an unused protocol.
bool IsUnsetProxyAddress(const QString &Address);

// Text quoted in a message, cut to a readable length so a long stored value cannot flood it.
QString QuotedValue(const QString &Value, int MaxLength = 64);
