// BitComet.xml as the BitComet module switches it. The first byte chooses the location (proxy on
// or off, type, authentication and the texts of server, user and password), the rest is the file.
// A switch either leaves the file as it was, byte for byte, or gives a file whose six proxy
// elements read back as the location set them.
#include "FuzzSupport.h"

#include "app/ExtRegistry.h"
#include "modules/BitCometProxy.h"
#include "platform/clientfiles/XmlDocument.h"
#include "platform/desktop/MessageBox.h"

#include <QDir>
#include <QFile>

namespace {

class TFuzzedBitComet : public TBitCometProxy
{
public:
    using TBitCometProxy::Apply;
    using TBitCometProxy::TBitCometProxy;
};

const QString Texts[] = {QString(), QStringLiteral("p&w<x>\"'"), QStringLiteral("\u00e9\u20ac\U0001F600"),
                         QStringLiteral("]]>\r\n\t")};

// BitComet installed in the fuzz root, its message boxes silent.
QString Prepare()
{
    const QString Folder = FuzzRoot() + QStringLiteral("/BitComet");
    qputenv("WAYFAREL_REGISTRY", QFile::encodeName(FuzzRoot() + QStringLiteral("/registry")));
    QDir().mkpath(Folder);
    TExtRegistry Registry(HKEY_CURRENT_USER);
    if (!Registry.OpenKey(QStringLiteral("\\Software\\BitComet"), true))
        FuzzCheck(false, "the install folder can be registered");
    Registry.WriteString(QString(), Folder);
    TMessageBox::SetHandler([](const TMessage &) { return TMsgResult::Ok; });
    return Folder;
}

QByteArray Content(const QString &Path)
{
    QFile File(Path);
    return File.open(QIODevice::ReadOnly) ? File.readAll() : QByteArray();
}

QString TextOf(const xercesc::DOMElement *Element)
{
    const xercesc::DOMNode *First = Element ? Element->getFirstChild() : nullptr;
    return First && First->getNodeType() == xercesc::DOMNode::TEXT_NODE
               ? QString::fromUtf16(First->getNodeValue())
               : QString();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QString Folder = Prepare();
    if (size == 0)
        return 0;
    const QString Path = WriteFuzzFile(QStringLiteral("BitComet/BitComet.xml"), data + 1, size - 1);
    FuzzCheck(Path == TBitCometProxy::SettingsFile(), "the file is where the module reads it");
    const QByteArray Before = Content(Path);
    TFuzzedBitComet Module(QStringLiteral("FUZZ"));
    Module.SetEnableProxy(data[0] & 1);
    Module.SetProxyType(1 + (data[0] >> 1) % 4);
    Module.SetEnablePWD(data[0] & 8);
    Module.SetServer(Texts[(data[0] >> 4) % 4]);
    Module.SetUser(Texts[(data[0] >> 5) % 4]);
    Module.SetPwd(Texts[(data[0] >> 6) % 4]);
    Module.SetPort(data[0] * 257);
    if (!Module.Apply()) {
        FuzzCheck(!Module.LastError().isEmpty(), "a refusal says why");
        FuzzCheck(Content(Path) == Before, "a refused file is unchanged");
        return 0;
    }
    TXmlDocument After;
    FuzzCheck(After.Load(Path), "a switched file loads");
    const QList<QPair<const char *, QString>> Expected{
        {"ProxyType", Module.EnableProxy() ? QString::number(Module.ProxyType()) : QStringLiteral("0")},
        {"ProxyServer", Module.Server()},
        {"ProxyPort", QString::number(Module.Port())},
        {"ProxyAuth", Module.EnablePWD() ? QStringLiteral("1") : QStringLiteral("0")},
        {"ProxyUsername", Module.User()},
        {"ProxyPassword", Module.Pwd()}};
    for (const auto &[Name, Text] : Expected)
        FuzzCheck(TextOf(TXmlDocument::FindElement(After.DocumentElement(), QLatin1String(Name))) == Text,
                  "a proxy element reads back");
    return 0;
}
