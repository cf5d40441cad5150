#include "base/NetText.h"

#include <QRegularExpression>
#include <arpa/inet.h>

namespace {

constexpr int MacDigitCount = 12;

} // namespace

std::optional<in_addr> ParseIpv4(const QString &Text)
{
    in_addr address{};
    if (::inet_pton(AF_INET, Text.trimmed().toLatin1().constData(), &address) != 1)
        return std::nullopt;
    return address;
}

bool IsHostAddress(const QString &Text)
{
    const auto address = ParseIpv4(Text);
    if (!address)
        return false;
    const quint32 firstOctet = ntohl(address->s_addr) >> 24;
    return firstOctet != 0 && firstOctet != 127 && firstOctet < 224;
}

QString Ipv4Text(in_addr Address)
{
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &Address, text, sizeof text);
    return QString::fromLatin1(text);
}

QString PrefixToMask(int Prefix)
{
    const quint32 bits = Prefix <= 0 ? 0 : Prefix >= 32 ? 0xFFFFFFFFu : ~(0xFFFFFFFFu >> Prefix);
    return Ipv4Text(in_addr{htonl(bits)});
}

int MaskToPrefix(const QString &Mask)
{
    const auto address = ParseIpv4(Mask);
    if (!address)
        return -1;
    const quint32 bits = ntohl(address->s_addr);
    const quint32 inverted = ~bits;
    if ((inverted & (inverted + 1)) != 0) // the ones must be contiguous from the top
        return -1;
    return __builtin_popcount(bits);
}

QString MacDigits(const QString &Mac)
{
    QString digits = Mac.trimmed().toUpper();
    digits.remove(QLatin1Char('-')).remove(QLatin1Char(':'));
    return digits;
}

QString MacFromDigits(const QString &Digits, QChar Separator)
{
    if (Digits.size() != MacDigitCount)
        return {};
    QString text;
    for (int i = 0; i < MacDigitCount; i += 2) {
        if (i > 0)
            text += Separator;
        text += Digits.mid(i, 2).toUpper();
    }
    return text;
}

QString MacFromBytes(const QByteArray &Bytes, QChar Separator)
{
    if (Bytes.size() != MacDigitCount / 2)
        return {};
    return QString::fromLatin1(Bytes.toHex(Separator.toLatin1()).toUpper());
}

bool IsUnsetMac(const QString &Mac)
{
    const QString digits = MacDigits(Mac);
    return digits.count(QLatin1Char('0')) == digits.size();
}

bool IsUnsetProxyAddress(const QString &Address)
{
    if (Address.isEmpty())
        return true;
    const qsizetype Colon = Address.indexOf(QLatin1Char(':'));
    if (Colon < 0 || Colon != Address.size() - 1)
        return false;
    const QString Host = Address.left(Colon);
    return Host.isEmpty() || Host == QLatin1String("0.0.0.0");
}

bool IsMacText(const QString &Mac)
{
    static const QRegularExpression Form(
        QStringLiteral("^[0-9A-Fa-f]{2}([-:]?)[0-9A-Fa-f]{2}(\\1[0-9A-Fa-f]{2}){4}$"));
    return Form.match(Mac.trimmed()).hasMatch();
}

QString QuotedValue(const QString &Value, int MaxLength)
{
    if (Value.size() <= MaxLength)
        return QLatin1Char('"') + Value + QLatin1Char('"');
    return QLatin1Char('"') + Value.left(MaxLength) +
           QStringLiteral("...\" (%1 characters)").arg(Value.size());
}
