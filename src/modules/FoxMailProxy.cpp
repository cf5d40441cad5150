#include "modules/FoxMailProxy.h"

#include "app/ExtRegistry.h"
#include "base/NetText.h"
#include "modules/ProxyChecks.h"

namespace {

const QString FoxmailKey = QStringLiteral("\\Software\\Aerofox\\Foxmail");
const QString ProxyKey = FoxmailKey + QStringLiteral("\\Proxy");

} // namespace

bool TFoxMailProxy::IsInstalled() { return TExtRegistry(HKEY_CURRENT_USER).KeyExists(FoxmailKey); }

bool TFoxMailProxy::Check(QStringList *Reasons)
{
    const qsizetype Before = Reasons->size();
    if (!FEnableProxy)
        return true;
    if (FProxyType != 1 && FProxyType != 2)
        Reasons->append(
            QStringLiteral("the Foxmail proxy type %1 is neither 1 (SOCKS4) nor 2 (SOCKS5)").arg(FProxyType));
    CheckProxyServer(QStringLiteral("the Foxmail proxy"), FServer, FPort, Reasons);
    return Reasons->size() == Before;
}

TRowBinding TFoxMailProxy::Binding()
{
    return {QStringLiteral("FOXMAIL_PROXY"),
            {{"ENABLE_PROXY", FEnableProxy},
             {"PROXY_TYPE", FProxyType},
             {"PROXY_SERVER", FServer},
             {"PROXY_PORT", FPort},
             {"PROXY_USER", FUser},
             {"PROXY_PWD", FPwd}},
            {}};
}

bool TFoxMailProxy::Apply()
{
    TExtRegistry Registry(HKEY_CURRENT_USER);
    if (!Registry.OpenKey(ProxyKey, false))
        return Fail(
            QStringLiteral("Foxmail has no proxy key: HKEY_CURRENT_USER%1 cannot be opened").arg(ProxyKey));
    Registry.WriteString(QStringLiteral("EmailUseProxy"),
                         FEnableProxy ? QStringLiteral("1") : QStringLiteral("0"));
    Registry.WriteString(QStringLiteral("EmailProxyType"), QString::number(FProxyType));
    Registry.WriteString(QStringLiteral("EmailProxyServer"), FServer);
    Registry.WriteString(QStringLiteral("EmailProxyPort"), QString::number(FPort));
    Registry.CloseKey();
    FChanges << (FEnableProxy ? QStringLiteral("Foxmail SOCKS%1 proxy %2:%3")
                                    .arg(FProxyType == 2 ? 5 : 4)
                                    .arg(QuotedValue(FServer))
                                    .arg(FPort)
                              : QStringLiteral("Foxmail proxy off"));
    return true;
}
