// Skype's shared.xml as the Skype module switches it. The first byte chooses the location (proxy
// on or off, its type and server text), the rest is the file. A switch either leaves the file as
// it was, byte for byte, or gives a file whose proxy texts read back as the location set them.
#include "FuzzSupport.h"

#include "modules/SkypeProxy.h"
#include "platform/clientfiles/XmlDocument.h"

#include <QDir>
#include <QFile>

namespace {

class TFuzzedSkype : public TSkypeProxy
{
public:
    using TSkypeProxy::Apply;
    using TSkypeProxy::TSkypeProxy;
};

const QString Servers[] = {QStringLiteral("10.0.0.5"), QStringLiteral("proxy&<lan>"),
                           QStringLiteral("h\u00e9\u20ac\U0001F600"), QStringLiteral("]]>\r\n")};

QByteArray Content(const QString &Path)
{
    QFile File(Path);
    return File.open(QIODevice::ReadOnly) ? File.readAll() : QByteArray();
}

// The value of the first child of the element at Path when it is text; empty otherwise.
QString TextAt(TXmlDocument &Document, const QStringList &Path)
{
    const xercesc::DOMElement *Element = Document.FindPath(Path);
    const xercesc::DOMNode *First = Element ? Element->getFirstChild() : nullptr;
    return First && First->getNodeType() == xercesc::DOMNode::TEXT_NODE
               ? QString::fromUtf16(First->getNodeValue())
               : QString();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool Prepared = QDir().mkpath(FuzzRoot() + QStringLiteral("/home/.Skype"));
    FuzzCheck(Prepared, "the Skype folder is made");
    if (size == 0)
        return 0;
    const QString Path = WriteFuzzFile(QStringLiteral("home/.Skype/shared.xml"), data + 1, size - 1);
    FuzzCheck(Path == TSkypeProxy::SettingsFile(), "the file is where the module reads it");
    const QByteArray Before = Content(Path);
    TFuzzedSkype Module(QStringLiteral("FUZZ"));
    Module.SetEnableProxy(data[0] & 1);
    Module.SetProxyType((data[0] >> 1) % 3);
    Module.SetServer(Servers[(data[0] >> 3) % 4]);
    Module.SetPort(data[0] * 257);
    if (!Module.Apply()) {
        FuzzCheck(!Module.LastError().isEmpty(), "a refusal says why");
        FuzzCheck(Content(Path) == Before, "a refused file is unchanged");
        return 0;
    }
    TXmlDocument After;
    FuzzCheck(After.Load(Path), "a switched file loads");
    const int InUse = Module.EnableProxy() ? Module.ProxyType() : 0;
    const QString Address = Module.Server() + QLatin1Char(':') + QString::number(Module.Port());
    const QStringList Connection{QStringLiteral("Lib"), QStringLiteral("Connection")};
    FuzzCheck(TextAt(After, Connection + QStringList{"HttpsProxy", "Enable"}) == (InUse == 1 ? "1" : "0"),
              "the HTTPS Enable text reads back");
    FuzzCheck(TextAt(After, Connection + QStringList{"SocksProxy", "Enable"}) == (InUse == 2 ? "1" : "0"),
              "the SOCKS Enable text reads back");
    if (InUse != 0)
        FuzzCheck(TextAt(After, Connection + QStringList{InUse == 1 ? "HttpsProxy" : "SocksProxy", "Addr"}) ==
                      Address,
                  "the address reads back");
    return 0;
}
