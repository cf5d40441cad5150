#pragma once

#include <QString>
#include <QUuid>
#include <memory>
#include <vector>

class TNMSettings;

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
    virtual QString LastError() const = 0;
};

using TNetConnections = std::vector<std::shared_ptr<INetConnection>>;

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
