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
#include "platform/kernel/NetLink.h"
#include "platform/networkmanager/AdapterKeys.h"

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

QString InterfaceKeyPath(const QString &NetId)
{
    return TcpipInterfacesKeyPath() + QLatin1Char('\\') + NetId + QLatin1Char('\\');
}

// The DNS servers stored for the interface; empty when it takes them automatically.
QString StoredNameServers(const QString &NetId)
{
    TExtRegistry Registry(HKEY_LOCAL_MACHINE);
    if (!Registry.OpenKeyReadOnly(InterfaceKeyPath(NetId)))
        return QString();
    return Registry.ReadStringDef(QStringLiteral("NameServer"), QString());
}

// The reasons below are empty for a usable value.
QString AddressFault(const QString &Field, const QString &Value, bool MayBeEmpty)
{
    if ((MayBeEmpty && Value.trimmed().isEmpty()) || IsHostAddress(Value))
        return QString();
    return QStringLiteral("%1 %2 is not a host address").arg(Field, QuotedValue(Value));
}

QString MaskFault(const QString &Mask)
{
    if (MaskToPrefix(Mask) > 0)
        return QString();
    return QStringLiteral("Subnet mask %1 is not a subnet mask").arg(QuotedValue(Mask));
}

QString AdapterMacFault(const QString &Mac)
{
    if (IsUnsetMac(Mac) || (IsMacText(Mac) && NetworkAddressError(MacDigits(Mac)).isEmpty()))
        return QString();
    return QStringLiteral("MAC address %1 is not a unicast address of six hexadecimal pairs")
        .arg(QuotedValue(Mac));
}

QString GatewayMacFault(const QString &Mac)
{
    if (IsUnsetMac(Mac) || IsMacText(Mac))
        return QString();
    return QStringLiteral("Gateway MAC address %1 is not six hexadecimal pairs").arg(QuotedValue(Mac));
}

// An unset MAC only asks to take an override away; without one the adapter keeps its own
// address, and its connection.
bool MacChangeNeeded(TNetWork &Adapter, const QString &Mac)
{
    if (IsUnsetMac(Mac)) {
        const auto Key = Adapter.OpenAdapterKey(true);
        return Key && Key->ValueExists(QStringLiteral("NetworkAddress"));
    }
    return Adapter.IsMACChanged(Mac);
}

// The refusal, or empty once the adapter runs with Mac.
QString StoreMacAndRestart(TNetWork &Adapter, const QString &Mac)
{
    const QString Name = QuotedValue(Adapter.Name());
    try {
        if (!Adapter.ChangeMAC(Mac))
            return QStringLiteral("MAC address %1 not stored for adapter %2").arg(QuotedValue(Mac), Name);
    } catch (const EWayfarelError &E) {
        return QStringLiteral("MAC address %1 refused for adapter %2: %3")
            .arg(QuotedValue(Mac), Name, E.Message());
    }
    if (!Adapter.Restart())
        return QStringLiteral("Can not restart adapter %1: %2").arg(Name, Adapter.LastError());
    return QString();
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

bool TIPAddress::Check(QStringList *Reasons) const
{
    QStringList Found;
    if (!FEnableDHCP)
        Found << AddressFault(QStringLiteral("IP address"), FIPAddr, false) << MaskFault(FSubnetMask);
    // The binding needs the gateway's address whether the adapter's own comes by DHCP or not.
    if (!FEnableDHCP || BindsGateway())
        Found << AddressFault(QStringLiteral("Gateway"), FGateWay, !BindsGateway());
    if (!FAutoGetDNS)
        Found << AddressFault(QStringLiteral("Preferred DNS server"), FMainDNS, true)
              << AddressFault(QStringLiteral("Alternate DNS server"), FSubDNS, true);
    Found << AdapterMacFault(MacAddr());
    if (FAutoRepair)
        Found << GatewayMacFault(GWMacAddr());
    Found.removeAll(QString());
    if (Reasons)
        Reasons->append(Found);
    return Found.isEmpty();
}

// Errors raised by the adapter list, the registry or the adapter configuration end the
// operation with their message kept.
bool TIPAddress::Change(const TNetWorkList &Adapters)
{
    FLastError.clear();
    FChanges.clear();
    try {
        TNetWork *Adapter = Adapters.GetNetWork(FNetId);
        if (!Adapter)
            return Fail(QStringLiteral("Adapter %1 not found").arg(QuotedValue(FNetId)));
        return ChangeOn(*Adapter);
    } catch (const EWayfarelError &E) {
        return Fail(E.Message());
    }
}

bool TIPAddress::ChangeOn(TNetWork &Adapter)
{
    // A connection still coming up (an interrupted switch, say) is judged once it has settled.
    Adapter.WaitUntilSettled(TNetWork::SwitchTimeoutMs);
    const QString Name = QuotedValue(Adapter.Name());
    if (Adapter.Status() == nsDisable) {
        if (!Adapter.Enable())
            return Fail(QStringLiteral("Can not enable adapter %1: %2").arg(Name, Adapter.LastError()));
        FChanges << QStringLiteral("connection %1 enabled").arg(Name);
    }
    if (Adapter.Status() == nsNotWorking)
        return Fail(QStringLiteral("Adapter %1 is not working").arg(Name));
    FNetName = Adapter.Name();
    QStringList Refusals;
    {
        TNetworkAdapterConfiguration Config(Adapter.Id());
        ApplyAddresses(Config, Refusals);
        ApplyDns(Config, Refusals);
        if (!Config.ApplyChanges())
            Refusals
                << QStringLiteral("Settings not applied to adapter %1: %2").arg(Name, Config.LastError());
        else if (!Config.LastAction().isEmpty())
            FChanges << QStringLiteral("IPv4 settings %1").arg(Config.LastAction());
    }
    const QString Link = InterfaceName(Adapter.DevIndex());
    ApplyGatewayBinding(Link, Refusals);
    ReplaceMac(Adapter, Link, Refusals);
    if (!Refusals.isEmpty())
        return Fail(Refusals.join(QStringLiteral("; ")));
    return true;
}

void TIPAddress::ApplyAddresses(TNetworkAdapterConfiguration &Config, QStringList &Refusals)
{
    if (FEnableDHCP) {
        try {
            Config.EnableDHCP();
        } catch (const EWayfarelError &E) {
            Refusals << QStringLiteral("DHCP not enabled: %1").arg(E.Message());
        }
        return;
    }
    if (Config.EnableStatic(FIPAddr, FSubnetMask) != 0)
        Refusals << QStringLiteral("Address %1 with mask %2 refused: %3")
                        .arg(QuotedValue(FIPAddr), QuotedValue(FSubnetMask), Config.LastError());
    if (Config.SetGateways(FGateWay) != 0 || !Config.LastError().isEmpty())
        Refusals << QStringLiteral("Gateway %1 refused: %2").arg(QuotedValue(FGateWay), Config.LastError());
}

// Two empty servers give the adapter back its automatically obtained ones. The gateway and DNS
// methods report a refusal only through LastError.
void TIPAddress::ApplyDns(TNetworkAdapterConfiguration &Config, QStringList &Refusals)
{
    const QString Main = FAutoGetDNS ? QString() : FMainDNS;
    const QString Sub = FAutoGetDNS ? QString() : FSubDNS;
    if (Config.SetDNSServerSearchOrder(Main, Sub) != 0 || !Config.LastError().isEmpty())
        Refusals << QStringLiteral("DNS servers %1 %2 refused: %3")
                        .arg(QuotedValue(Main), QuotedValue(Sub), Config.LastError());
}

bool TIPAddress::BindsGateway() const { return FAutoRepair && !IsUnsetMac(FGWMacAddr); }

// The repair thread keeps the binding on this adapter's link; the first one is made right away.
// A location without the binding ends the thread and takes away every binding the program made
// on the link, also one an earlier run left, so this network's gateway is reached at its own MAC
// address.
void TIPAddress::ApplyGatewayBinding(const QString &Link, QStringList &Refusals)
{
    if (!BindsGateway()) {
        const bool ThreadsBinding = TNetRepaire::StopAndUnbind();
        if (RemoveOwnArpBindings(Link) > 0 || ThreadsBinding)
            FChanges << QStringLiteral("gateway binding removed from %1").arg(Link);
        return;
    }
    TNetRepaire::getInstance(FGateWay, GWMacAddr(), Link);
    QString Reason;
    if (BindStaticArpNow(FGateWay, GWMacAddr(), Link, &Reason))
        FChanges << QStringLiteral("gateway %1 bound to %2 on %3").arg(FGateWay, GWMacAddr(), Link);
    else if (!Reason.isEmpty())
        Refusals << QStringLiteral("Gateway %1 not bound to %2 on %3: %4")
                        .arg(FGateWay, GWMacAddr(), Link, Reason);
}

// A new MAC address takes effect with the restart, which also drops the neighbour table of the
// link, so a gateway binding is made again at once.
void TIPAddress::ReplaceMac(TNetWork &Adapter, const QString &Link, QStringList &Refusals)
{
    const QString Mac = IsUnsetMac(MacAddr()) ? UnsetMac : MacAddr();
    const QString Fault = AdapterMacFault(Mac);
    if (!Fault.isEmpty()) {
        Refusals << Fault;
        return;
    }
    if (!MacChangeNeeded(Adapter, Mac))
        return;
    const QString Refusal = StoreMacAndRestart(Adapter, Mac);
    if (!Refusal.isEmpty()) {
        Refusals << Refusal;
        return;
    }
    FChanges << (Mac == UnsetMac ? QStringLiteral("own MAC address given back, adapter restarted")
                                 : QStringLiteral("MAC address %1 given, adapter restarted").arg(Mac));
    if (BindsGateway())
        BindStaticArp(FGateWay, GWMacAddr(), Link);
}

bool TIPAddress::Import(const QString &NetId, const TNetWorkList &Adapters)
{
    FLastError.clear();
    try {
        TNetWork *Adapter = Adapters.GetNetWork(NetId);
        if (!Adapter)
            return Fail(QStringLiteral("Adapter %1 not found").arg(QuotedValue(NetId)));
        if (Adapter->Status() == nsDisable)
            return ImportFromRegistry(NetId);
        return ImportFromConfiguration(NetId, TNetworkAdapterConfiguration(Adapter->Id()));
    } catch (const EWayfarelError &E) {
        return Fail(E.Message());
    }
}

// The running adapter's values as they are, without the zero-address rule. A DHCP adapter's
// live DNS servers are the lease's: what is stored for its interface says whether it fixes
// servers of its own, so automatic DNS stays automatic.
bool TIPAddress::ImportFromConfiguration(const QString &NetId, const TNetworkAdapterConfiguration &Config)
{
    FEnableDHCP = Config.DHCPEnabled();
    FGateWay = Config.Gateway();
    FIPAddr = Config.IpAddress();
    FSubnetMask = Config.SubNet();
    FMainDNS = Config.Dns1();
    FSubDNS = Config.Dns2();
    FAutoGetDNS = FEnableDHCP ? StoredNameServers(NetId).isEmpty() : FMainDNS.isEmpty() && FSubDNS.isEmpty();
    FMacAddr = Config.MACAddress();
    LookUpGatewayMac();
    FAutoRepair = false;
    return Save();
}

// A disabled adapter has no running configuration: its stored interface settings are read.
bool TIPAddress::ImportFromRegistry(const QString &NetId)
{
    TExtRegistry Registry(HKEY_LOCAL_MACHINE);
    if (!Registry.OpenKeyReadOnly(InterfaceKeyPath(NetId)))
        return Fail(QStringLiteral("No stored TCP/IP settings for adapter %1").arg(QuotedValue(NetId)));
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
