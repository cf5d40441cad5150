#include "adapters/IpAddress.h"

#include "adapters/Network.h"
#include "adapters/WMI.h"
#include "app/DBManager.h"
#include "app/DBQuery.h"
#include "app/ExtRegistry.h"
#include "app/SplitString.h"
#include "base/Exceptions.h"
#include "base/NetText.h"
#include "lantools/uGetMacAddress.h"
#include "lantools/uNetRepaire.h"
#include "platform/AdapterKeys.h"

#include <QSqlRecord>
#include <QStringList>
#include <QVariant>
#include <memory>

namespace {

const QString Table = QStringLiteral("IP_ADDR");

// The editor's way of leaving an address field blank.
QString EmptyForZeroAddress(const QString &Value)
{
    return Value.trimmed() == QLatin1String("0.0.0.0") ? QString() : Value;
}

QString MacOrUnset(const QString &Value) { return Value.isEmpty() ? TIPAddress::UnsetMac : Value; }

QString Text(const QSqlRecord &Row, const char *Column)
{
    return Row.value(QLatin1String(Column)).toString();
}

// Blank texts are stored as empty strings, not as NULL.
QVariant Stored(const QString &Value)
{
    return Value.isNull() ? QVariant(QLatin1String("")) : QVariant(Value);
}

bool Flag(const QSqlRecord &Row, const char *Column) { return Row.value(QLatin1String(Column)).toInt() != 0; }

// The first item of a multi-string value into Field; an empty list leaves Field alone.
void ReadFirstItem(TExtRegistry &Registry, const QString &Name, QString &Field)
{
    QStringList Items;
    Registry.ReadStrings(Name, Items);
    if (!Items.isEmpty())
        Field = Items.first();
}

} // namespace

const QString TIPAddress::UnsetMac = QStringLiteral("00-00-00-00-00-00");

TIPAddress::TIPAddress(const QString &LocId) : FLocId(LocId) { Load(); }

void TIPAddress::SetIPAddr(const QString &Value) { FIPAddr = EmptyForZeroAddress(Value); }

void TIPAddress::SetSubnetMask(const QString &Value) { FSubnetMask = EmptyForZeroAddress(Value); }

void TIPAddress::SetGateWay(const QString &Value) { FGateWay = EmptyForZeroAddress(Value); }

void TIPAddress::SetMainDNS(const QString &Value) { FMainDNS = EmptyForZeroAddress(Value); }

void TIPAddress::SetSubDNS(const QString &Value) { FSubDNS = EmptyForZeroAddress(Value); }

QString TIPAddress::GWMacAddr() const { return MacOrUnset(FGWMacAddr); }

QString TIPAddress::MacAddr() const { return MacOrUnset(FMacAddr); }

bool TIPAddress::Fail(const QString &Reason)
{
    FLastError = Reason;
    return false;
}

// Without an open connection the defaults stay; a failing read is not a missing row.
void TIPAddress::Load()
{
    const QSqlDatabase Connection = GetConnection();
    if (!Connection.isOpen())
        return;
    QString Error;
    const auto Row = DbReadLocRow(Connection, Table, FLocId, &Error);
    if (!Error.isEmpty())
        throw EWayfarelError(Error);
    if (!Row)
        return;
    FEnableDHCP = Flag(*Row, "ENABLE_DHCP");
    SetIPAddr(Text(*Row, "IP_ADDR"));
    SetSubnetMask(Text(*Row, "SUBNET_MASK"));
    SetGateWay(Text(*Row, "GATE_WAY"));
    FAutoGetDNS = Flag(*Row, "AUTO_DNS");
    SetMainDNS(Text(*Row, "MAIN_DNS"));
    SetSubDNS(Text(*Row, "SUB_DNS"));
    FGWMacAddr = Text(*Row, "GWMAC_ADDR");
    FMacAddr = Text(*Row, "MAC_ADDR");
    FAutoRepair = Flag(*Row, "AUTO_REPAIR");
    FInterval = Row->value(QStringLiteral("REPAIR_INTERVAL")).toInt();
}

bool TIPAddress::Save()
{
    const QSqlDatabase Connection = GetConnection();
    if (!Connection.isOpen())
        return true;
    const TDbColumns Columns{
        {QStringLiteral("ENABLE_DHCP"), int(FEnableDHCP)},
        {QStringLiteral("IP_ADDR"), Stored(FIPAddr)},
        {QStringLiteral("SUBNET_MASK"), Stored(FSubnetMask)},
        {QStringLiteral("GATE_WAY"), Stored(FGateWay)},
        {QStringLiteral("AUTO_DNS"), int(FAutoGetDNS)},
        {QStringLiteral("MAIN_DNS"), Stored(FMainDNS)},
        {QStringLiteral("SUB_DNS"), Stored(FSubDNS)},
        {QStringLiteral("MAC_ADDR"), MacAddr()},
        {QStringLiteral("GWMAC_ADDR"), GWMacAddr()},
        {QStringLiteral("AUTO_REPAIR"), int(FAutoRepair)},
        {QStringLiteral("REPAIR_INTERVAL"), FInterval},
    };
    QString Error;
    if (!DbSaveRow(Connection, Table, {QStringLiteral("LOC_ID"), FLocId}, Columns, TKeyOnUpdate::Write,
                   &Error))
        return Fail(Error);
    return true;
}

bool TIPAddress::Remove()
{
    const QSqlDatabase Connection = GetConnection();
    if (!Connection.isOpen())
        return true;
    QString Error;
    if (!DbDeleteRows(Connection, Table, {QStringLiteral("LOC_ID"), FLocId}, &Error))
        return Fail(Error);
    return true;
}

// Errors raised by the adapter list, the registry or the adapter configuration end the
// operation with their message kept.
bool TIPAddress::Change(const TNetWorkList &Adapters)
{
    FLastError.clear();
    try {
        TNetWork *Adapter = Adapters.GetNetWork(FNetId);
        if (!Adapter)
            return Fail(QStringLiteral("Adapter %1 not found").arg(FNetId));
        return ChangeOn(*Adapter);
    } catch (const EWayfarelError &E) {
        return Fail(E.Message());
    }
}

bool TIPAddress::ChangeOn(TNetWork &Adapter)
{
    Adapter.WaitUntilSettled(TNetWork::SwitchTimeoutMs);
    if (Adapter.Status() == nsDisable && !Adapter.Enable())
        return Fail(QStringLiteral("Can not enable adapter %1: %2").arg(Adapter.Name(), Adapter.LastError()));
    if (Adapter.Status() == nsNotWorking)
        return Fail(QStringLiteral("Adapter %1 is not working").arg(Adapter.Name()));
    FNetName = Adapter.Name();
    const bool Bound = FAutoRepair && GatewayMacIsSet();
    {
        TNetworkAdapterConfiguration Config(Adapter.Id());
        if (!ApplyAddresses(Config) || !ApplyDns(Config))
            return false;
        if (!Config.ApplyChanges())
            return Fail(QStringLiteral("Settings not applied to adapter %1: %2")
                            .arg(Adapter.Name(), Config.LastError()));
        if (Bound)
            BindGateway();
    }
    return ReplaceMac(Adapter, Bound);
}

bool TIPAddress::ApplyAddresses(TNetworkAdapterConfiguration &Config)
{
    if (FEnableDHCP) {
        try {
            Config.EnableDHCP();
        } catch (const EWayfarelError &E) {
            return Fail(QStringLiteral("DHCP not enabled: %1").arg(E.Message()));
        }
        return true;
    }
    if (Config.EnableStatic(FIPAddr, FSubnetMask) != 0)
        return Fail(QStringLiteral("Address %1 with mask %2 refused: %3")
                        .arg(FIPAddr, FSubnetMask, Config.LastError()));
    if (Config.SetGateways(FGateWay) != 0 || !Config.LastError().isEmpty())
        return Fail(QStringLiteral("Gateway %1 refused: %2").arg(FGateWay, Config.LastError()));
    return true;
}

// Two empty servers give the adapter back its automatically obtained ones. The gateway and DNS
// methods report a refusal only through LastError.
bool TIPAddress::ApplyDns(TNetworkAdapterConfiguration &Config)
{
    const QString Main = FAutoGetDNS ? QString() : FMainDNS;
    const QString Sub = FAutoGetDNS ? QString() : FSubDNS;
    if (Config.SetDNSServerSearchOrder(Main, Sub) != 0 || !Config.LastError().isEmpty())
        return Fail(QStringLiteral("DNS servers %1 %2 refused: %3").arg(Main, Sub, Config.LastError()));
    return true;
}

bool TIPAddress::GatewayMacIsSet() const { return !IsUnsetMac(FGWMacAddr); }

// The repair thread keeps the binding; the first one is made right away.
void TIPAddress::BindGateway()
{
    TNetRepaire::getInstance(FGateWay, GWMacAddr());
    BindStaticArp(FGateWay, GWMacAddr());
}

// A new MAC address takes effect with the restart, which also drops the neighbour table of the
// link, so a gateway binding is made again at once.
bool TIPAddress::ReplaceMac(TNetWork &Adapter, bool Bound)
{
    const QString Mac = MacAddr();
    if (!Adapter.IsMACChanged(Mac))
        return true;
    try {
        if (!Adapter.ChangeMAC(Mac))
            return Fail(QStringLiteral("MAC address %1 not stored for adapter %2").arg(Mac, Adapter.Name()));
    } catch (const EWayfarelError &E) {
        return Fail(QStringLiteral("MAC address %1 refused for adapter %2: %3")
                        .arg(Mac, Adapter.Name(), E.Message()));
    }
    if (!Adapter.Restart())
        return Fail(
            QStringLiteral("Can not restart adapter %1: %2").arg(Adapter.Name(), Adapter.LastError()));
    if (Bound)
        BindStaticArp(FGateWay, GWMacAddr());
    return true;
}

bool TIPAddress::Import(const QString &NetId, const TNetWorkList &Adapters)
{
    FLastError.clear();
    try {
        TNetWork *Adapter = Adapters.GetNetWork(NetId);
        if (!Adapter)
            return Fail(QStringLiteral("Adapter %1 not found").arg(NetId));
        if (Adapter->Status() == nsDisable)
            return ImportFromRegistry(NetId);
        return ImportFromConfiguration(TNetworkAdapterConfiguration(Adapter->Id()));
    } catch (const EWayfarelError &E) {
        return Fail(E.Message());
    }
}

// The running adapter's values as they are, without the zero-address rule.
bool TIPAddress::ImportFromConfiguration(const TNetworkAdapterConfiguration &Config)
{
    FEnableDHCP = Config.DHCPEnabled();
    FGateWay = Config.Gateway();
    FIPAddr = Config.IpAddress();
    FSubnetMask = Config.SubNet();
    FMainDNS = Config.Dns1();
    FSubDNS = Config.Dns2();
    FAutoGetDNS = FMainDNS.isEmpty() && FSubDNS.isEmpty();
    FMacAddr = Config.MACAddress();
    LookUpGatewayMac();
    FAutoRepair = false;
    return Save();
}

// A disabled adapter has no running configuration: its stored interface settings are read.
bool TIPAddress::ImportFromRegistry(const QString &NetId)
{
    TExtRegistry Registry(HKEY_LOCAL_MACHINE);
    if (!Registry.OpenKeyReadOnly(TcpipInterfacesKeyPath() + QLatin1Char('\\') + NetId + QLatin1Char('\\')))
        return Fail(QStringLiteral("No stored TCP/IP settings for adapter %1").arg(NetId));
    FEnableDHCP = Registry.ReadBoolDef(QStringLiteral("EnableDHCP"), false);
    ReadFirstItem(Registry, QStringLiteral("DefaultGateway"), FGateWay);
    ReadFirstItem(Registry, QStringLiteral("IPAddress"), FIPAddr);
    ReadFirstItem(Registry, QStringLiteral("SubnetMask"), FSubnetMask);
    const QString Servers = Registry.ReadStringDef(QStringLiteral("NameServer"), QString());
    QStringList Items;
    SplitString(Servers, u',', &Items);
    if (Items.size() > 0)
        FMainDNS = Items.at(0);
    if (Items.size() > 1)
        FSubDNS = Items.at(1);
    FAutoGetDNS = Servers.isEmpty();
    FMacAddr = UnsetMac;
    LookUpGatewayMac();
    FAutoRepair = false;
    Registry.CloseKey();
    return Save();
}

// Empty when the gateway does not answer.
void TIPAddress::LookUpGatewayMac()
{
    if (!FGateWay.isEmpty())
        FGWMacAddr = GetMacAddress(FIPAddr, FGateWay);
}
