#include "modules/SkypeProxy.h"

#include "base/NetText.h"
#include "modules/ProxyChecks.h"
#include "platform/clientfiles/XmlDocument.h"

#include <QDir>
#include <QFileInfo>

bool TSkypeProxy::IsInstalled() { return QFileInfo::exists(SettingsFile()); }

QString TSkypeProxy::SettingsFile() { return QDir::home().filePath(QStringLiteral(".Skype/shared.xml")); }

bool TSkypeProxy::Check(QStringList *Reasons)
{
    const qsizetype Before = Reasons->size();
    if (UsesProxy() && FProxyType != 1 && FProxyType != 2)
        Reasons->append(
            QStringLiteral("the Skype proxy type %1 is none of 0 (automatic), 1 (HTTPS), 2 (SOCKS5)")
                .arg(FProxyType));
    if (UsesProxy())
        CheckProxyServer(QStringLiteral("the Skype proxy"), FServer, FPort, Reasons);
    if (const QString Problem = TXmlDocument::AccessProblem(SettingsFile()); !Problem.isEmpty())
        Reasons->append(Problem);
    return Reasons->size() == Before;
}

TRowBinding TSkypeProxy::Binding()
{
    return {QStringLiteral("SKYPE_PROXY"),
            {{"ENABLE_PROXY", FEnableProxy},
             {"PROXY_TYPE", FProxyType},
             {"PROXY_SERVER", FServer},
             {"PROXY_PORT", FPort},
             {"PROXY_USER", FUser},
             {"PROXY_PWD", FPwd}},
            {}};
}

bool TSkypeProxy::Apply()
{
    TXmlDocument Document;
    if (!Document.Load(SettingsFile()) || !SetProxyTexts(Document) || !Document.Save())
        return Fail(Document.LastError());
    FChanges << (!UsesProxy()      ? QStringLiteral("Skype proxy off")
                 : FProxyType == 1 ? QStringLiteral("Skype HTTPS proxy %1").arg(QuotedValue(Address()))
                                   : QStringLiteral("Skype SOCKS5 proxy %1").arg(QuotedValue(Address())));
    return true;
}

// Both Enable texts, and the address of the proxy in use. The file is written only after all of
// them are set, so an element missing on the way changes nothing.
bool TSkypeProxy::SetProxyTexts(TXmlDocument &Document) const
{
    using xercesc::DOMElement;
    DOMElement *Connection = Document.FindPath({QStringLiteral("Lib"), QStringLiteral("Connection")});
    DOMElement *Https = Connection ? Document.FindPath({QStringLiteral("HttpsProxy")}, Connection) : nullptr;
    DOMElement *Socks = Https ? Document.FindPath({QStringLiteral("SocksProxy")}, Connection) : nullptr;
    if (!Socks)
        return false;
    DOMElement *InUse = !UsesProxy() ? nullptr : FProxyType == 1 ? Https : Socks;
    const auto SetChild = [&](DOMElement *Proxy, const char *Name, const QString &Text) {
        DOMElement *Element = Document.FindPath({QLatin1String(Name)}, Proxy);
        return Element && Document.SetText(Element, Text);
    };
    const auto Flag = [InUse](DOMElement *Proxy) {
        return Proxy == InUse ? QStringLiteral("1") : QStringLiteral("0");
    };
    return SetChild(Https, "Enable", Flag(Https)) && SetChild(Socks, "Enable", Flag(Socks)) &&
           (!InUse || SetChild(InUse, "Addr", Address()));
}
