#include "modules/MSNProxy.h"

#include "app/ExtRegistry.h"
#include "base/NetText.h"
#include "modules/ProxyChecks.h"

#include <QtEndian>

namespace {

const QString MessengerKey = QStringLiteral("\\Software\\Microsoft\\MSNMessenger");

QByteArray PortBytes(int Port)
{
    QByteArray Bytes(4, '\0');
    qToLittleEndian(quint32(Port), Bytes.data());
    return Bytes;
}

} // namespace

bool TMSNProxy::IsInstalled() { return TExtRegistry(HKEY_CURRENT_USER).KeyExists(MessengerKey); }

bool TMSNProxy::Check(QStringList *Reasons)
{
    const qsizetype Before = Reasons->size();
    if (FEnableProxy)
        CheckProxyServer(QStringLiteral("the MSN SOCKS 4 proxy"), FSocket4Server, FSocket4Port, Reasons);
    return Reasons->size() == Before;
}

TRowBinding TMSNProxy::Binding()
{
    return {
        QStringLiteral("MSN_PROXY"),
        {{"ENABLE_PROXY", FEnableProxy}, {"SOCKET4_SERVER", FSocket4Server}, {"SOCKET4_PORT", FSocket4Port}},
        {}};
}

bool TMSNProxy::Apply()
{
    TExtRegistry Registry(HKEY_CURRENT_USER);
    if (!Registry.OpenKey(MessengerKey, false))
        return Fail(QStringLiteral("the key HKEY_CURRENT_USER%1 cannot be opened").arg(MessengerKey));
    Registry.WriteString(QStringLiteral("SOCKS4Server"), FEnableProxy ? FSocket4Server : QString());
    Registry.WriteBinaryData(QStringLiteral("SOCKS4Port"), PortBytes(FEnableProxy ? FSocket4Port : 0));
    Registry.CloseKey();
    FChanges << (FEnableProxy ? QStringLiteral("MSN Messenger SOCKS 4 proxy %1:%2")
                                    .arg(QuotedValue(FSocket4Server))
                                    .arg(FSocket4Port)
                              : QStringLiteral("MSN Messenger proxy off"));
    return true;
}
