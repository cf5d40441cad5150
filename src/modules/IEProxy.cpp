#include "modules/IEProxy.h"

#include "app/ExtRegistry.h"
#include "app/SplitString.h"
#include "base/NetText.h"
#include "platform/desktop/GSettingsProxy.h"
#include "platform/desktop/InternetSettings.h"
#include "platform/desktop/ProxyText.h"

#include <QRegularExpression>

namespace {

const QString EnableValue = QStringLiteral("ProxyEnable");
const QString ServerValue = QStringLiteral("ProxyServer");
const QString OverrideValue = QStringLiteral("ProxyOverride");

bool IsHostPort(const QString &Address)
{
    static const QRegularExpression Host(QStringLiteral("^[A-Za-z0-9._:-]+$"));
    static const QRegularExpression Separators(QStringLiteral("[\\s;=,\"]"));
    const TProxyAddress Parsed = ParseProxyAddress(Address);
    return !Address.contains(Separators) && Host.match(Parsed.Host).hasMatch() && Parsed.Port > 0;
}

// What GSettings' ignore-hosts and kioslaverc's comma-separated NoProxyFor both take.
bool IsBypassEntry(const QString &Entry)
{
    static const QRegularExpression Pattern(QStringLiteral("^[A-Za-z0-9.*_:/\\[\\]%-]+$"));
    return Entry.compare(QLatin1String("<local>"), Qt::CaseInsensitive) == 0 ||
           Pattern.match(Entry).hasMatch();
}

} // namespace

const QList<TIEProxy::TProtocol> &TIEProxy::Protocols()
{
    static const QList<TProtocol> List{{QLatin1String("http"), QLatin1String("HTTP"), &TIEProxy::FHttp},
                                       {QLatin1String("https"), QLatin1String("secure"), &TIEProxy::FSecure},
                                       {QLatin1String("ftp"), QLatin1String("FTP"), &TIEProxy::FFtp},
                                       {QLatin1String("gopher"), QLatin1String("Gopher"), &TIEProxy::FGopher},
                                       {QLatin1String("socks"), QLatin1String("SOCKS"), &TIEProxy::FSocket}};
    return List;
}

bool TIEProxy::Import(const QString &NetId)
{
    FLastError.clear();
    if (!ReadCurrent(NetId))
        return false;
    // A direct setting says nothing worth keeping about the servers.
    if (FEnableProxy)
        Save();
    return true;
}

bool TIEProxy::Check(QStringList *Reasons)
{
    const qsizetype Before = Reasons->size();
    const std::shared_ptr<IDesktopProxy> Proxy = InstalledDesktopProxy();
    if (!Proxy)
        Reasons->append(QStringLiteral("no desktop proxy store is installed"));
    else if (!Proxy->IsAvailable())
        Reasons->append(
            QStringLiteral("the desktop proxy cannot be set: the GSettings schema %1 is not installed")
                .arg(TGSettingsProxy::SchemaId()));
    CheckAddresses(Reasons);
    CheckBypass(Reasons);
    return Reasons->size() == Before;
}

QString TIEProxy::GetProxies() const
{
    if (FShareProxy)
        return FHttp;
    QString Result;
    for (const TProtocol &Protocol : Protocols()) {
        const QString &Address = this->*Protocol.Field;
        if (!Address.isEmpty())
            Result += ';' + Protocol.Name + '=' + Address;
    }
    return Result.mid(1);
}

QString TIEProxy::SplitIp(const QString &S)
{
    const qsizetype Colon = S.indexOf(':');
    return Colon < 0 ? QString() : S.left(Colon);
}

QString TIEProxy::SplitPort(const QString &S)
{
    const qsizetype Colon = S.indexOf(':');
    return Colon < 0 ? QString() : S.mid(Colon + 1);
}

TRowBinding TIEProxy::Binding()
{
    return {QStringLiteral("IE_PROXY"),
            {{"ENABLE_PROXY", FEnableProxy},
             {"HTTP", FHttp},
             {"SECURE", FSecure},
             {"FTP", FFtp},
             {"GOPHER", FGopher},
             {"SOCKTS", FSocket},
             {"SHARE_PROXY_SETTINGS", FShareProxy},
             {"NO_PROXIES_ON", FNoProxies}},
            {}};
}

bool TIEProxy::Apply()
{
    const std::shared_ptr<IDesktopProxy> Proxy = InstalledDesktopProxy();
    if (!Proxy)
        return Fail(QStringLiteral("no desktop proxy store is installed"));
    if (!Proxy->Write({FEnableProxy, GetProxies(), FNoProxies}))
        return Fail(Proxy->LastError());
    FChanges << (FEnableProxy ? QStringLiteral("desktop proxy %1").arg(QuotedValue(GetProxies()))
                              : QStringLiteral("desktop proxy off"));
    return true;
}

bool TIEProxy::ReadCurrent(const QString &)
{
    TExtRegistry Registry(HKEY_CURRENT_USER);
    if (!Registry.OpenKeyReadOnly('\\' + InternetSettingsKeyPath()))
        return Fail(
            QStringLiteral("the key HKEY_CURRENT_USER\\%1 cannot be opened").arg(InternetSettingsKeyPath()));
    FEnableProxy = Registry.ReadBoolDef(EnableValue, false);
    FNoProxies = Registry.ReadStringDef(OverrideValue, QString());
    const QString Server = Registry.ReadStringDef(ServerValue, QString());
    Registry.CloseKey();
    if (FEnableProxy)
        TakeServerString(Server);
    return true;
}

// "http=host:port;ftp=..." fills the named fields and leaves the others; one address without a
// protocol name serves all protocols, the form GetProxies gives a shared proxy.
void TIEProxy::TakeServerString(const QString &Server)
{
    QStringList Pieces;
    SplitString(Server, ';', &Pieces);
    Pieces.removeAll(QString());
    if (Pieces.size() == 1 && !Pieces.constFirst().contains('=')) {
        FHttp = Pieces.constFirst();
        FShareProxy = true;
        return;
    }
    for (const QString &Piece : std::as_const(Pieces)) {
        QStringList Parts;
        SplitString(Piece, '=', &Parts);
        if (Parts.size() != 2)
            continue;
        const QString Name = Parts.constFirst().toLower();
        for (const TProtocol &Protocol : Protocols())
            if (Name == Protocol.Name)
                this->*Protocol.Field = Parts.constLast();
    }
}

void TIEProxy::CheckAddresses(QStringList *Reasons) const
{
    for (const TProtocol &Protocol : Protocols()) {
        const QString &Address = this->*Protocol.Field;
        const bool Carried = !FShareProxy || Protocol.Field == &TIEProxy::FHttp;
        if (Carried && !IsUnsetProxyAddress(Address) && !IsHostPort(Address))
            Reasons->append(QStringLiteral("the %1 proxy \"%2\" is not host:port with a port from 1 to 65535")
                                .arg(Protocol.Label, Address));
    }
}

void TIEProxy::CheckBypass(QStringList *Reasons) const
{
    static const QRegularExpression Separators(QStringLiteral("[;\\s]+"));
    for (const QString &Entry : FNoProxies.split(Separators, Qt::SkipEmptyParts))
        if (!IsBypassEntry(Entry))
            Reasons->append(
                QStringLiteral(
                    "the bypass entry \"%1\" holds characters the desktop proxy stores do not take")
                    .arg(Entry));
}
