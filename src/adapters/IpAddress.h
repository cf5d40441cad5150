#pragma once

#include "platform/networkmanager/NetConnection.h"

#include <QString>
#include <QStringList>

class TNetWork;
class TNetWorkList;
class TNetworkAdapterConfiguration;

// A location's TCP/IP settings for one network adapter, stored in its row of IP_ADDR: DHCP or
// a static address with mask and gateway, automatic or fixed DNS servers, a replacement MAC
// address for the adapter and the static ARP binding of the gateway.
class TIPAddress
{
public:
    // The MAC text that stands for "not set": the adapter's own address, no gateway MAC.
    static const QString UnsetMac;

    // Loads the location's row; a database error while reading raises EWayfarelError.
    explicit TIPAddress(const QString &LocId);

    const QString &NetId() const { return FNetId; }
    void SetNetId(const QString &Value) { FNetId = Value; }
    const QString &NetName() const { return FNetName; }
    void SetNetName(const QString &Value) { FNetName = Value; }
    const QString &LocId() const { return FLocId; }

    bool EnableDHCP() const { return FEnableDHCP; }
    void SetEnableDHCP(bool Value) { FEnableDHCP = Value; }
    bool AutoGetDNS() const { return FAutoGetDNS; }
    void SetAutoGetDNS(bool Value) { FAutoGetDNS = Value; }
    bool AutoRepair() const { return FAutoRepair; }
    void SetAutoRepair(bool Value) { FAutoRepair = Value; }
    int Interval() const { return FInterval; }
    void SetInterval(int Value) { FInterval = Value; }

    // Address setters store "0.0.0.0" (blanks around it allowed) as the empty text.
    const QString &IPAddr() const { return FIPAddr; }
    void SetIPAddr(const QString &Value);
    const QString &SubnetMask() const { return FSubnetMask; }
    void SetSubnetMask(const QString &Value);
    const QString &GateWay() const { return FGateWay; }
    void SetGateWay(const QString &Value);
    const QString &MainDNS() const { return FMainDNS; }
    void SetMainDNS(const QString &Value);
    const QString &SubDNS() const { return FSubDNS; }
    void SetSubDNS(const QString &Value);

    // An empty MAC field reads as UnsetMac.
    QString GWMacAddr() const;
    void SetGWMacAddr(const QString &Value) { FGWMacAddr = Value; }
    QString MacAddr() const;
    void SetMacAddr(const QString &Value) { FMacAddr = Value; }

    // Inserts or updates the location's row; true also when no open connection exists, false
    // on a database error (LastError says which).
    bool Save();
    // Deletes the location's row; true when done or when no open connection exists.
    bool Remove();

    // Appends one reason for every field Change would use that is malformed: the static address,
    // mask and gateway, fixed DNS servers, the adapter's MAC and, with AutoRepair on, the gateway
    // MAC. True when there was none.
    bool Check(QStringList *Reasons) const;

    // Applies the settings to the adapter NetId of Adapters after Check has found nothing
    // malformed: DHCP or the static address and gateway, automatic or fixed DNS and the adapter's
    // MAC address in one save of its connection, brought to the device by one reapply or one
    // activation (a disabled adapter comes up with them); then the gateway's static ARP binding
    // with its repair thread when AutoRepair is on and the gateway MAC is set (else ends the
    // thread and removes its binding). False when any was refused, with the reasons in LastError.
    bool Change(const TNetWorkList &Adapters);
    // Reads the current settings of adapter NetId into the fields (from the stored interface
    // settings when the adapter is disabled), turns AutoRepair off and saves. The MAC is the one
    // the connection fixes for its device, else unset; a static connection's DNS is never
    // automatic.
    bool Import(const QString &NetId, const TNetWorkList &Adapters);

    // Why the last operation that returned false failed.
    const QString &LastError() const { return FLastError; }
    // What the last Change did to the system, one text each, also when it failed.
    const QStringList &Changes() const { return FChanges; }

private:
    void Load();
    bool Fail(const QString &Reason);
    bool ChangeOn(TNetWork &Adapter);
    // The connection settings the fields ask for.
    TConnectionSettings Settings() const;
    bool BindsGateway() const;
    void ApplyGatewayBinding(const QString &Link, QStringList &Refusals);
    bool ImportFromConfiguration(const QString &NetId, const TNetworkAdapterConfiguration &Config,
                                 const QString &Mac);
    bool ImportFromRegistry(const QString &NetId);
    void LookUpGatewayMac();

    QString FNetId;
    QString FNetName;
    QString FLocId;
    bool FEnableDHCP = false;
    QString FIPAddr;
    QString FSubnetMask;
    QString FGateWay;
    QString FGWMacAddr;
    QString FMacAddr;
    bool FAutoGetDNS = false;
    QString FMainDNS;
    QString FSubDNS;
    bool FAutoRepair = false;
    int FInterval = 0;
    QString FLastError;
    QStringList FChanges;
};
