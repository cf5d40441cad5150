#include "platform/desktop/ProxyText.h"

#include "base/NetText.h"

#include <QRegularExpression>

namespace {

QStringList Entries(const QString &list)
{
    static const QRegularExpression separators(QStringLiteral("[;\\s]+"));
    return list.split(separators, Qt::SkipEmptyParts);
}

TProxyAddress *AddressFor(TProxyServers &servers, const QString &protocol)
{
    const QString name = protocol.trimmed().toLower();
    if (name == QLatin1String("http"))
        return &servers.Http;
    if (name == QLatin1String("https"))
        return &servers.Https;
    if (name == QLatin1String("ftp"))
        return &servers.Ftp;
    if (name == QLatin1String("socks"))
        return &servers.Socks;
    return nullptr;
}

int PortOf(const QString &text)
{
    bool ok = false;
    const int port = text.toInt(&ok);
    return ok && port > 0 && port <= 65535 ? port : 0;
}

// "10.*" or "192.168.1.*" as "10.0.0.0/8", "192.168.1.0/24"; null for any other entry.
QString NetworkOfWildcard(const QString &entry)
{
    QStringList parts = entry.split('.');
    int known = 0;
    while (known < parts.size() && parts.at(known) != QLatin1String("*"))
        ++known;
    if (known == 0 || known > 3 || parts.size() > 4)
        return {};
    for (int i = known; i < parts.size(); ++i) {
        if (parts.at(i) != QLatin1String("*"))
            return {};
    }
    parts = parts.mid(0, known);
    while (parts.size() < 4)
        parts.append(QStringLiteral("0"));
    const QString network = parts.join('.');
    if (!ParseIpv4(network))
        return {};
    return network + '/' + QString::number(8 * known);
}

// "10.0.0.0/8" as "10.*"; null for any other entry.
QString WildcardOfNetwork(const QString &entry)
{
    const qsizetype slash = entry.indexOf('/');
    const QString network = entry.left(slash);
    const int prefix = entry.mid(slash + 1).toInt();
    if (slash < 0 || !ParseIpv4(network) || (prefix != 8 && prefix != 16 && prefix != 24))
        return {};
    const QStringList octets = network.split('.');
    const int known = prefix / 8;
    for (int i = known; i < 4; ++i) {
        if (octets.at(i).toInt() != 0)
            return {};
    }
    return octets.mid(0, known).join('.') + QStringLiteral(".*");
}

} // namespace

TProxyAddress ParseProxyAddress(const QString &text)
{
    QString rest = text.trimmed();
    const qsizetype scheme = rest.indexOf(QLatin1String("://"));
    if (scheme >= 0)
        rest = rest.mid(scheme + 3);
    while (rest.endsWith('/'))
        rest.chop(1);
    if (IsUnsetProxyAddress(rest))
        return {};
    if (rest.startsWith('[')) {
        const qsizetype close = rest.indexOf(']');
        if (close < 0)
            return {rest, 0};
        return {rest.mid(1, close - 1), PortOf(rest.mid(close + 2))};
    }
    if (rest.count(':') != 1)
        return {rest, 0};
    const qsizetype colon = rest.indexOf(':');
    if (colon == 0)
        return {};
    return {rest.left(colon), PortOf(rest.mid(colon + 1))};
}

QString ProxyAddressText(const TProxyAddress &address)
{
    const QString host = address.Host.contains(':') ? '[' + address.Host + ']' : address.Host;
    return address.Port > 0 ? host + ':' + QString::number(address.Port) : host;
}

TProxyServers ParseProxyServer(const QString &text)
{
    TProxyServers servers;
    const QStringList entries = Entries(text);
    const bool tagged = std::any_of(entries.cbegin(), entries.cend(),
                                    [](const QString &entry) { return entry.contains('='); });
    if (!tagged) {
        const TProxyAddress address =
            entries.isEmpty() ? TProxyAddress() : ParseProxyAddress(entries.first());
        if (address.IsEmpty())
            return servers;
        servers.SameForAll = true;
        servers.Http = servers.Https = servers.Ftp = address;
        return servers;
    }
    for (const QString &entry : entries) {
        const QStringList parts = entry.split('=');
        TProxyAddress *address = parts.size() == 2 ? AddressFor(servers, parts.first()) : nullptr;
        if (address)
            *address = ParseProxyAddress(parts.last());
    }
    return servers;
}

QString ProxyServerText(const TProxyServers &servers)
{
    if (servers.SameForAll)
        return ProxyAddressText(servers.Http);
    QStringList entries;
    const QList<QPair<QString, TProxyAddress>> named = {{QStringLiteral("http"), servers.Http},
                                                        {QStringLiteral("https"), servers.Https},
                                                        {QStringLiteral("ftp"), servers.Ftp},
                                                        {QStringLiteral("socks"), servers.Socks}};
    for (const auto &[name, address] : named) {
        if (!address.IsEmpty())
            entries.append(name + '=' + ProxyAddressText(address));
    }
    return entries.join(';');
}

QStringList LocalBypassHosts()
{
    return {QStringLiteral("localhost"), QStringLiteral("127.0.0.0/8"), QStringLiteral("::1")};
}

QStringList BypassHosts(const QString &list)
{
    QStringList hosts;
    for (const QString &entry : Entries(list)) {
        if (entry.compare(QLatin1String("<local>"), Qt::CaseInsensitive) == 0) {
            hosts.append(LocalBypassHosts());
            continue;
        }
        const QString network = NetworkOfWildcard(entry);
        hosts.append(network.isNull() ? entry : network);
    }
    hosts.removeDuplicates();
    return hosts;
}

QString BypassText(const QStringList &hosts)
{
    const QStringList local = LocalBypassHosts();
    const bool hasLocal =
        std::all_of(local.cbegin(), local.cend(), [&](const QString &host) { return hosts.contains(host); });
    QStringList entries;
    for (const QString &host : hosts) {
        if (hasLocal && local.contains(host)) {
            if (!entries.contains(QLatin1String("<local>")))
                entries.append(QStringLiteral("<local>"));
            continue;
        }
        const QString wildcard = WildcardOfNetwork(host);
        entries.append(wildcard.isNull() ? host : wildcard);
    }
    return entries.join(';');
}
