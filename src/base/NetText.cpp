#include "base/NetText.h"

#include <QRegularExpression>
#include <arpa/inet.h>

namespace {

constexpr int MacDigitCount = 12;

} // namespace

std::optional<in_addr> ParseIpv4(const QString &text)
{
    in_addr address{};
    if (::inet_pton(AF_INET, text.trimmed().toLatin1().constData(), &address) != 1)
        return std::nullopt;
    return address;
}

bool IsHostAddress(const QString &text)
{
    const auto address = ParseIpv4(text);
    if (!address)
        return false;
    const quint32 firstOctet = ntohl(address->s_addr) >> 24;
    return firstOctet != 0 && firstOctet != 127 && firstOctet < 224;
}

QString Ipv4Text(in_addr address)
{
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &address, text, sizeof text);
    return QString::fromLatin1(text);
}

QString PrefixToMask(int prefix)
{
    const quint32 bits = prefix <= 0 ? 0 : prefix >= 32 ? 0xFFFFFFFFu : ~(0xFFFFFFFFu >> prefix);
    return Ipv4Text(in_addr{htonl(bits)});
}

int MaskToPrefix(const QString &mask)
{
    const auto address = ParseIpv4(mask);
    if (!address)
        return -1;
    const quint32 bits = ntohl(address->s_addr);
    const quint32 inverted = ~bits;
    if ((inverted & (inverted + 1)) != 0) // the ones must be contiguous from the top
        return -1;
    return __builtin_popcount(bits);
}

QString MacDigits(const QString &mac)
{
    QString digits = mac.trimmed().toUpper();
    digits.remove(QLatin1Char('-')).remove(QLatin1Char(':'));
    return digits;
}

QString MacFromDigits(const QString &digits, QChar separator)
{
    if (digits.size() != MacDigitCount)
        return {};
    QString text;
    for (int i = 0; i < MacDigitCount; i += 2) {
        if (i > 0)
            text += separator;
        text += digits.mid(i, 2).toUpper();
    }
    return text;
}

QString MacFromBytes(const QByteArray &bytes, QChar separator)
{
    if (bytes.size() != MacDigitCount / 2)
        return {};
    return QString::fromLatin1(bytes.toHex(separator.toLatin1()).toUpper());
}

bool IsUnsetMac(const QString &mac)
{
    const QString digits = MacDigits(mac);
    return digits.count(QLatin1Char('0')) == digits.size();
}

bool IsUnsetProxyAddress(const QString &address)
{
    if (address.isEmpty())
        return true;
    const qsizetype colon = address.indexOf(QLatin1Char(':'));
    if (colon < 0 || colon != address.size() - 1)
        return false;
    const QString host = address.left(colon);
    return host.isEmpty() || host == QLatin1String("0.0.0.0");
}

bool IsMacText(const QString &mac)
{
    static const QRegularExpression form(
        QStringLiteral("^[0-9A-Fa-f]{2}([-:]?)[0-9A-Fa-f]{2}(\\1[0-9A-Fa-f]{2}){4}$"));
    return form.match(mac.trimmed()).hasMatch();
}

std::optional<TMacAddress> TMacAddress::FromText(const QString &text)
{
    TMacAddress address;
    if (IsUnsetMac(text))
        return address;
    if (!IsMacText(text))
        return std::nullopt;
    address.FDigits = MacDigits(text);
    return address;
}

QString TMacAddress::Digits() const { return IsUnset() ? QString(MacDigitCount, QLatin1Char('0')) : FDigits; }

QString TMacAddress::Dashed() const { return MacFromDigits(Digits(), QLatin1Char('-')); }

QString TMacAddress::Colons() const
{
    return IsUnset() ? QString() : MacFromDigits(FDigits, QLatin1Char(':'));
}

QString QuotedValue(const QString &value, int maxLength)
{
    if (value.size() <= maxLength)
        return QLatin1Char('"') + value + QLatin1Char('"');
    return QLatin1Char('"') + value.left(maxLength) +
           QStringLiteral("...\" (%1 characters)").arg(value.size());
}
