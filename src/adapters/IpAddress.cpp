#include "adapters/IpAddress.h"

#include "app/DBManager.h"
#include "app/DBQuery.h"
#include "app/Exceptions.h"

#include <QSqlRecord>
#include <QVariant>

namespace {

const QString Table = QStringLiteral("IP_ADDR");

// The editor's way of leaving an address field blank.
QString EmptyForZeroAddress(const QString &Value)
{
    return Value.trimmed() == QLatin1String("0.0.0.0") ? QString() : Value;
}

QString MacOrUnset(const QString &Value)
{
    return Value.isEmpty() ? TIPAddress::UnsetMac : Value;
}

QString Text(const QSqlRecord &Row, const char *Column)
{
    return Row.value(QLatin1String(Column)).toString();
}

// Blank texts are stored as empty strings, not as NULL.
QVariant Stored(const QString &Value)
{
    return Value.isNull() ? QVariant(QLatin1String("")) : QVariant(Value);
}

bool Flag(const QSqlRecord &Row, const char *Column)
{
    return Row.value(QLatin1String(Column)).toInt() != 0;
}

} // namespace

const QString TIPAddress::UnsetMac = QStringLiteral("00-00-00-00-00-00");

TIPAddress::TIPAddress(const QString &LocId) : FLocId(LocId)
{
    Load();
}

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
    if (!DbSaveRow(Connection, Table, {QStringLiteral("LOC_ID"), FLocId}, Columns,
                   TKeyOnUpdate::Write, &Error))
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
