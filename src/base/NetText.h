#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>
#include <netinet/in.h>
#include <optional>

// The text forms of IPv4 and MAC addresses the program reads, stores and shows.

// Dotted IPv4 text (blanks around it allowed) to an address in network byte order; nothing for
// anything but four decimal octets.
std::optional<in_addr> ParseIpv4(const QString &text);
// True for dotted IPv4 text a host can have as its address: not 0.x.x.x, loopback, multicast
// or reserved.
bool IsHostAddress(const QString &text);
// Dotted text of an address in network byte order.
QString Ipv4Text(in_addr address);
// Dotted mask of a prefix length, and the prefix of a mask; -1 for a text that is no mask.
QString PrefixToMask(int prefix);
int MaskToPrefix(const QString &mask);

// A MAC text in any of its forms ("00-1A-..", "00:1a:..", "001A..") as twelve upper-case
// digits; the separators and blanks are dropped, nothing is checked.
QString MacDigits(const QString &mac);
// Twelve digits, or six bytes, as upper-case pairs joined by Separator; empty for anything else.
QString MacFromDigits(const QString &digits, QChar separator);
QString MacFromBytes(const QByteArray &bytes, QChar separator);
// True when Mac names no address: empty, or all zeros in any form ("00-00-00-00-00-00").
bool IsUnsetMac(const QString &mac);
// True when Mac, in any form, is twelve hexadecimal digits.
bool IsMacText(const QString &mac);

// A MAC address, or none. Every text form reads into it and it writes each form the program
// keeps, so "unset" has one rule: an empty or all-zero text.
class TMacAddress
{
public:
    TMacAddress() = default;
    // Nothing for a text that is not twelve hexadecimal digits in one of the forms.
    static std::optional<TMacAddress> FromText(const QString &text);

    bool IsUnset() const { return FDigits.isEmpty(); }
    // "00-1A-2B-..."; "00-00-00-00-00-00" when unset, as the data file keeps it.
    QString Dashed() const;
    // "00:1A:2B:..."; empty when unset, as NetworkManager keeps it.
    QString Colons() const;
    // Twelve upper-case digits; "000000000000" when unset.
    QString Digits() const;

    bool operator==(const TMacAddress &) const = default;

private:
    QString FDigits; // empty when unset
};

// True when a proxy address "host:port" names no server: empty, or the editor's untouched
// address field ("0.0.0.0", or nothing) with a colon and no port, as it stores an unused protocol.
bool IsUnsetProxyAddress(const QString &address);

// Text quoted in a message, cut to a readable length so a long stored value cannot flood it.
QString QuotedValue(const QString &value, int maxLength = 64);
