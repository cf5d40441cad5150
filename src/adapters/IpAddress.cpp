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

// The address the adapter's connection fixes for its device; unset when it keeps the device's
// own or a private (random, stable) one, so a location never clones this computer's MAC.
QString FixedMac(TNetWork &Adapter)
{
    const auto Key = Adapter.OpenAdapterKey(true);
    if (!Key || !Key->ValueExists(QStringLiteral("NetworkAddress")))
        return TIPAddress::UnsetMac;
    return TMacAddress::FromText(Key->ReadString(QStringLiteral("NetworkAddress")))
        .value_or(TMacAddress())
        .Dashed();
}

} // namespace

const QString TIPAddress::UnsetMac = TMacAddress().Dashed();

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
    else if (!FEnableDHCP)
        Found << QStringLiteral("Automatic DNS servers come only with DHCP: a static address needs its DNS "
                                "servers given");
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

// One read of the connection, one save and at most one reapply or activation: a connection that
// is down comes up with the location's settings, never first with the ones it had.
bool TIPAddress::ChangeOn(TNetWork &Adapter)
{
    QStringList Faults;
    if (!Check(&Faults))
        return Fail(Faults.join(QStringLiteral("; ")));
    const QString Name = QuotedValue(Adapter.Name());
    TConnectionOutcome Outcome;
    const bool Applied = Adapter.Apply(Settings(), Outcome);
    const TStatus Found = StatusFromDeviceState(Outcome.DeviceState);
    if (Found == nsNotWorking)
        return Fail(QStringLiteral("Adapter %1 is not working").arg(Name));
    FNetName = Adapter.Name();
    if (!Applied) {
        const QString Failure = Found == nsDisable ? QStringLiteral("Can not enable adapter %1: %2")
                                                   : QStringLiteral("Settings not applied to adapter %1: %2");
        return Fail(Failure.arg(Name, Adapter.LastError()));
    }
    if (Outcome.Action != QLatin1String("unchanged"))
        FChanges << QStringLiteral("connection %1 %2").arg(Name, Outcome.Action);
    QStringList Refusals;
    ApplyGatewayBinding(Outcome.LinkName, Refusals);
    if (!Refusals.isEmpty())
        return Fail(Refusals.join(QStringLiteral("; ")));
    return true;
}

// Two empty DNS servers give the connection back its automatically obtained ones.
TConnectionSettings TIPAddress::Settings() const
{
    TConnectionSettings Wanted;
    TNMIPv4 &IPv4 = Wanted.IPv4;
    IPv4.Method = FEnableDHCP ? QStringLiteral("auto") : QStringLiteral("manual");
    if (!FEnableDHCP) {
        IPv4.Addresses = {FIPAddr.trimmed()};
        IPv4.Prefixes = {MaskToPrefix(FSubnetMask)};
        IPv4.Gateway = FGateWay.trimmed();
    }
    if (!FAutoGetDNS)
        for (const QString &Server : {FMainDNS.trimmed(), FSubDNS.trimmed()})
            if (!Server.isEmpty())
                IPv4.Dns.append(Server);
    IPv4.IgnoreAutoDns = !IPv4.Dns.isEmpty();
    Wanted.Mac = TMacAddress::FromText(MacAddr()).value_or(TMacAddress());
    return Wanted;
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

bool TIPAddress::Import(const QString &NetId, const TNetWorkList &Adapters)
{
    FLastError.clear();
    try {
        TNetWork *Adapter = Adapters.GetNetWork(NetId);
        if (!Adapter)
            return Fail(QStringLiteral("Adapter %1 not found").arg(QuotedValue(NetId)));
        if (Adapter->Status() == nsDisable)
            return ImportFromRegistry(NetId);
        return ImportFromConfiguration(NetId, TNetworkAdapterConfiguration(Adapter->Id()),
                                       FixedMac(*Adapter));
    } catch (const EWayfarelError &E) {
        return Fail(E.Message());
    }
}

// The running adapter's values as they are, without the zero-address rule. A DHCP adapter's
// live DNS servers are the lease's: what is stored for its interface says whether it fixes
// servers of its own, so automatic DNS stays automatic.
bool TIPAddress::ImportFromConfiguration(const QString &NetId, const TNetworkAdapterConfiguration &Config,
                                         const QString &Mac)
{
    FEnableDHCP = Config.DHCPEnabled();
    FGateWay = Config.Gateway();
    FIPAddr = Config.IpAddress();
    FSubnetMask = Config.SubNet();
    FMainDNS = Config.Dns1();
    FSubDNS = Config.Dns2();
    // A static connection has no automatic servers: the ones it names, or none at all.
    FAutoGetDNS = FEnableDHCP && StoredNameServers(NetId).isEmpty();
    FMacAddr = Mac;
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
    FAutoGetDNS = FEnableDHCP && Servers.isEmpty();
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
