#include "modules/BitCometProxy.h"

#include "app/ExtRegistry.h"
#include "base/NetText.h"
#include "modules/ProxyChecks.h"
#include "platform/clientfiles/XmlDocument.h"
#include "platform/desktop/MessageBox.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString BitCometKey = QStringLiteral("\\Software\\BitComet");

} // namespace

QString TBitCometProxy::GetInstallPath()
{
    TExtRegistry Registry(HKEY_CURRENT_USER);
    if (!Registry.OpenKeyReadOnly(BitCometKey)) {
        Registry.SetRootKey(HKEY_LOCAL_MACHINE);
        if (!Registry.OpenKeyReadOnly(BitCometKey))
            return {};
    }
    return Registry.ReadStringDef(QString(), QString());
}

bool TBitCometProxy::IsInstalled()
{
    const QString Folder = GetInstallPath();
    return !Folder.isEmpty() && QFileInfo(Folder).isDir();
}

QString TBitCometProxy::SettingsFile()
{
    return QDir(GetInstallPath()).filePath(QStringLiteral("BitComet.xml"));
}

bool TBitCometProxy::Check(QStringList *Reasons)
{
    const qsizetype Before = Reasons->size();
    if (FEnableProxy && (FProxyType < 1 || FProxyType > 4))
        Reasons->append(
            QStringLiteral("the BitComet proxy type %1 is none of 1 (SOCKS4), 2 (SOCKS4a), 3 (SOCKS5), "
                           "4 (HTTP 1.1)")
                .arg(FProxyType));
    if (FEnableProxy)
        CheckProxyServer(QStringLiteral("the BitComet proxy"), FServer, FPort, Reasons);
    if (const QString Problem = TXmlDocument::AccessProblem(SettingsFile()); !Problem.isEmpty())
        Reasons->append(Problem);
    return Reasons->size() == Before;
}

TRowBinding TBitCometProxy::Binding()
{
    return {QStringLiteral("BITCOMET_PROXY"),
            {{"ENABLE_PROXY", FEnableProxy},
             {"PROXY_TYPE", FProxyType},
             {"PROXY_SERVER", FServer},
             {"PROXY_PORT", FPort},
             {"ENABLE_PWD", FEnablePWD},
             {"PROXY_USER", FUser},
             {"PROXY_PWD", FPwd}},
            {}};
}

bool TBitCometProxy::Apply()
{
    TXmlDocument Document;
    if (!Document.Load(SettingsFile()) || !WriteProxyTexts(Document) || !Document.Save()) {
        TMessageBox::Show(Document.LastError(), QString(), TMsgIcon::Error, TMsgButtons::Ok);
        return Fail(Document.LastError());
    }
    FChanges << (FEnableProxy ? QStringLiteral("BitComet proxy %1:%2 of type %3")
                                    .arg(QuotedValue(FServer))
                                    .arg(FPort)
                                    .arg(FProxyType)
                              : QStringLiteral("BitComet proxy off"));
    return true;
}

QList<QPair<QString, QString>> TBitCometProxy::ProxyTexts() const
{
    return {{QStringLiteral("ProxyType"), FEnableProxy ? QString::number(FProxyType) : QStringLiteral("0")},
            {QStringLiteral("ProxyServer"), FServer},
            {QStringLiteral("ProxyPort"), QString::number(FPort)},
            {QStringLiteral("ProxyAuth"), FEnablePWD ? QStringLiteral("1") : QStringLiteral("0")},
            {QStringLiteral("ProxyUsername"), FUser},
            {QStringLiteral("ProxyPassword"), FPwd}};
}

// Each element is the first of its name anywhere in the document; one that is missing is
// appended to Settings, one without children gets a text node to hold the value.
bool TBitCometProxy::WriteProxyTexts(TXmlDocument &Document) const
{
    xercesc::DOMElement *Settings = Document.FindPath({QStringLiteral("Settings")});
    if (!Settings)
        return false;
    for (const auto &[Name, Text] : ProxyTexts()) {
        xercesc::DOMElement *Element = TXmlDocument::FindElement(Document.DocumentElement(), Name);
        if (!Element && !(Element = Document.AppendElement(Settings, Name)))
            return false;
        if (!Element->hasChildNodes())
            Document.AppendText(Element);
        if (!Document.SetText(Element, Text))
            return false;
    }
    return true;
}
