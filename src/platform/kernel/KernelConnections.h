#pragma once

#include "platform/networkmanager/NetConnection.h"

#include <QStringList>

// What the kernel has on one interface right now.
struct TKernelLink
{
    int Index = 0;         // 0 when the interface does not exist
    QString Mac;           // "AA:BB:CC:DD:EE:FF"; empty when it has none
    QStringList Addresses; // IPv4, dotted
    QStringList Masks;     // the mask of each address, dotted
    QString Gateway;       // the IPv4 default route's gateway through it; empty when none
};

TKernelLink ReadKernelLink(const QString &interfaceName,
                           const QString &routeTable = QStringLiteral("/proc/net/route"));

// The kernel's Ethernet-type interfaces as read-only connections, for when NetworkManager is
// not running: they can be listed and watched, never switched.
class TKernelConnectionManager : public INetConnectionManager
{
public:
    explicit TKernelConnectionManager(const QString &sysNetDir = QStringLiteral("/sys/class/net"),
                                      const QString &udevDataDir = QStringLiteral("/run/udev/data"));

    QString Source() const override { return QStringLiteral("kernel"); }
    TNetConnections EnumConnections() override;
    QString LastError() const override { return FLastError; }

private:
    QString FSysNetDir;
    QString FUdevDataDir;
    QString FLastError;
};

class TKernelConnection : public INetConnection
{
public:
    TKernelConnection(const QString &sysNetDir, const QString &udevDataDir, const QString &interfaceName);

    bool GetProperties(TNetConProperties &props) override;
    bool Connect() override;
    bool Disconnect() override;
    // Refused: the kernel's interfaces are only listed.
    bool Apply(const TConnectionSettings &settings, int settleTimeoutMs,
               TConnectionOutcome &outcome) override;
    QString LastError() const override { return FLastError; }

    // The adapter id of an interface: a name-based GUID of its name and permanent MAC
    // address, so it stays the same across restarts and address changes.
    static QString StableGuid(const QString &interfaceName, const QString &permanentMac);

private:
    QString Attribute(const QString &name) const;
    int InterfaceIndex() const;
    bool ReadOnly();

    QString FSysNetDir;
    QString FUdevDataDir;
    QString FInterface;
    QString FGuid;
    QString FLastError;
};
