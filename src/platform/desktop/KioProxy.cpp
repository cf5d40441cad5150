#include "platform/desktop/KioProxy.h"

#include "platform/clientfiles/IniFile.h"
#include "platform/desktop/ProxyText.h"

#include <QDBusMessage>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>

namespace {

const QString Group = QStringLiteral("Proxy Settings");

// The key of each protocol, the scheme KIO expects in front of its address, and where the
// address sits in a server string.
struct TProtocolKey
{
    QString Key;
    QString Scheme;
    TProxyAddress TProxyServers::*Address;
};
const QList<TProtocolKey> &Protocols()
{
    static const QList<TProtocolKey> protocols = {
        {QStringLiteral("httpProxy"), QStringLiteral("http"), &TProxyServers::Http},
        {QStringLiteral("httpsProxy"), QStringLiteral("http"), &TProxyServers::Https},
        {QStringLiteral("ftpProxy"), QStringLiteral("http"), &TProxyServers::Ftp},
        {QStringLiteral("socksProxy"), QStringLiteral("socks"), &TProxyServers::Socks}};
    return protocols;
}

// "http://HOST PORT", KIO's own spelling; empty for no address.
QString KioAddress(const QString &scheme, const TProxyAddress &address)
{
    if (address.IsEmpty())
        return {};
    const QString port = address.Port > 0 ? ' ' + QString::number(address.Port) : QString();
    return scheme + QStringLiteral("://") + ProxyAddressText({address.Host, 0}) + port;
}

// KIO reads "http://HOST PORT" and "http://HOST:PORT" alike. A value that is no such address (a
// host with blanks or slashes, a port that is not a number) is no proxy, rather than a host
// made of whatever the line held.
TProxyAddress ParseKioAddress(const QString &value)
{
    QString text = value.trimmed();
    if (text.isEmpty())
        return {};
    if (const qsizetype blank = text.lastIndexOf(' '); blank >= 0)
        text[blank] = ':';
    const QUrl url(text.contains(QLatin1String("://")) ? text : QStringLiteral("http://") + text,
                   QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() || !url.userInfo().isEmpty() || url.path().size() > 1)
        return {};
    // The ASCII form of the host, the one every program resolves alike.
    return {url.host(QUrl::FullyEncoded), url.port(0)};
}

} // namespace

TKioProxy::TKioProxy(const QString &fileName, const QDBusConnection &bus) : FFileName(fileName), FBus(bus) {}

QString TKioProxy::DefaultFileName()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QStringLiteral("kioslaverc"));
}

bool TKioProxy::Read(TDesktopProxySettings &settings)
{
    TIniFile file(FFileName, Qt::CaseSensitive);
    if (!file.Load())
        return Fail(file.LastError());
    TProxyServers servers;
    for (const TProtocolKey &protocol : Protocols())
        servers.*protocol.Address = ParseKioAddress(file.ReadString(Group, protocol.Key));
    servers.SameForAll = !servers.Http.IsEmpty() && servers.Https == servers.Http &&
                         servers.Ftp == servers.Http && servers.Socks.IsEmpty();
    settings.Enabled = file.ReadString(Group, QStringLiteral("ProxyType")) == QLatin1String("1");
    settings.Server = ProxyServerText(servers);
    // Entries are separated by commas; a blank or a control character cannot be part of a host.
    static const QRegularExpression separators(QStringLiteral("[,\\s\\x00-\\x1f\\x7f]+"));
    const QStringList hosts =
        file.ReadString(Group, QStringLiteral("NoProxyFor")).split(separators, Qt::SkipEmptyParts);
    settings.Bypass = BypassText(hosts);
    return true;
}

bool TKioProxy::Write(const TDesktopProxySettings &settings)
{
    TIniFile file(FFileName, Qt::CaseSensitive);
    if (!file.Load())
        return Fail(file.LastError());
    const TProxyServers servers = ParseProxyServer(settings.Server);
    file.WriteString(Group, QStringLiteral("ProxyType"),
                     settings.Enabled ? QStringLiteral("1") : QStringLiteral("0"));
    for (const TProtocolKey &protocol : Protocols())
        file.WriteString(Group, protocol.Key, KioAddress(protocol.Scheme, servers.*protocol.Address));
    file.WriteString(Group, QStringLiteral("NoProxyFor"), BypassHosts(settings.Bypass).join(','));
    file.WriteString(Group, QStringLiteral("ReversedException"), QStringLiteral("false"));
    QDir().mkpath(QFileInfo(FFileName).absolutePath());
    if (!file.Save())
        return Fail(file.LastError());
    return TellRunningPrograms();
}

bool TKioProxy::TellRunningPrograms()
{
    if (!FBus.isConnected())
        return true;
    QDBusMessage signal =
        QDBusMessage::createSignal(QStringLiteral("/KIO/Scheduler"), QStringLiteral("org.kde.KIO.Scheduler"),
                                   QStringLiteral("reparseSlaveConfiguration"));
    signal << QString();
    if (!FBus.send(signal))
        return Fail(QStringLiteral("%1 was saved, but running KDE programs could not be told: %2")
                        .arg(FFileName, FBus.lastError().message()));
    return true;
}

bool TKioProxy::Fail(const QString &reason)
{
    FLastError = reason;
    return false;
}
