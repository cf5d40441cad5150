#pragma once

#include "base/NetText.h"
#include "platform/networkmanager/NMSettings.h"

#include <QString>
#include <QUuid>
#include <memory>
#include <vector>

// NetworkManager's device states (NMDeviceState), the raw status a connection reports.
enum class TDeviceState : quint32 {
    Unknown = 0,
    Unmanaged = 10,
    Unavailable = 20,
    Disconnected = 30,
    Prepare = 40,
    Config = 50,
    NeedAuth = 60,
    IpConfig = 70,
    IpCheck = 80,
    Secondaries = 90,
    Activated = 100,
    Deactivating = 110,
    Failed = 120,
};

// What one connection tells about itself.
struct TNetConProperties
{
    QString Guid;            // adapter id: "{8-4-4-4-12}", upper case
    QString Name;            // the name the user knows the connection by
    QString DeviceName;      // the device's product name, else its interface name
    quint32 DeviceState = 0; // a TDeviceState value, as this connection sees its device
};

// What a location gives a connection: its IPv4 settings and the address of its device.
struct TConnectionSettings
{
    TNMIPv4 IPv4;
    TMacAddress Mac; // unset: the device's own address (or the one the user chose for it)
};

// What an Apply found and did.
struct TConnectionOutcome
{
    quint32 DeviceState = 0; // a TDeviceState value: the connection's device once settled
    QString Action;          // what reached the system: "unchanged", "saved and reapplied", ...
    QString LinkName;        // the kernel interface the connection runs on; empty when not known
};

// One network connection of the system. Failed calls keep their reason in LastError.
class INetConnection
{
public:
    virtual ~INetConnection() = default;
    virtual bool GetProperties(TNetConProperties &props) = 0;
    virtual bool Connect() = 0;
    virtual bool Disconnect() = 0;
    // Waits, with the event loop running, while the connection is on its way up or down, at
    // most timeoutMs; false when it is still moving then or cannot be asked. A connection that
    // cannot tell such a transition answers true at once.
    virtual bool WaitUntilSettled(int timeoutMs)
    {
        Q_UNUSED(timeoutMs);
        return true;
    }
    // Gives the connection settings and brings them to its device with one read of the
    // connection, then at most one save and one reapply or activation: a connection that is down
    // comes up with them at once, one whose device address changes is activated again, one that
    // runs with them already is left alone. A connection still on its way up or down is waited
    // for, at most settleTimeoutMs; one that then neither runs nor is down (still moving,
    // failed) is refused, changing nothing. outcome.DeviceState says how it was found. Addresses
    // beyond the first and DNS servers beyond the second that the connection has stay.
    virtual bool Apply(const TConnectionSettings &settings, int settleTimeoutMs,
                       TConnectionOutcome &outcome) = 0;
    virtual QString LastError() const = 0;
};

using TNetConnections = std::vector<std::shared_ptr<INetConnection>>;

// What a switch of a connection says when NetworkManager does not run.
QString NotSwitchableReason();

// On the way up or down, or failed: a device state the connection cannot be judged in.
bool IsMovingState(quint32 deviceState);

// The system's connection manager: the wired and wireless connections, in its own order.
class INetConnectionManager
{
public:
    virtual ~INetConnectionManager() = default;
    // "NetworkManager" or "kernel": what the connections come from.
    virtual QString Source() const = 0;
    virtual TNetConnections EnumConnections() = 0;
    virtual QString LastError() const = 0;
};

// The adapter id of a GUID: braces, upper-case hexadecimal digits. Empty for a null GUID.
QString AdapterIdFromUuid(const QUuid &uuid);

// The product name udev knows for an interface, else the interface name itself.
QString InterfaceDescription(const QString &interfaceName, int ifIndex,
                             const QString &udevDataDir = QStringLiteral("/run/udev/data"));

// NetworkManager's profiles when it answers, else the read-only kernel interfaces.
std::unique_ptr<INetConnectionManager> CreateNetConnectionManager(const std::shared_ptr<TNMSettings> &nm);
