#pragma once

#include "platform/NetConnection.h"

#include <QDBusConnection>
#include <QStringList>

// NetworkManager's wired and wireless connection profiles over D-Bus. A profile is a
// connection; activating and deactivating it connects and disconnects.
class TNMConnectionManager : public INetConnectionManager
{
public:
    explicit TNMConnectionManager(const QDBusConnection &bus);

    static QString Service();
    QString Source() const override { return QStringLiteral("NetworkManager"); }
    TNetConnections EnumConnections() override;
    QString LastError() const override { return FLastError; }

private:
    QDBusConnection FBus;
    QString FLastError;
};

class TNMConnection : public INetConnection
{
public:
    // Profiles are found by UUID on every call, so a restarted NetworkManager or a deleted
    // profile is noticed instead of acting on a stale object path.
    TNMConnection(const QDBusConnection &bus, const QString &uuid);

    bool GetProperties(TNetConProperties &props) override;
    // Activates the profile and waits until it is active or has failed.
    bool Connect() override;
    // Deactivates the profile and waits until it is gone; an inactive profile is left as is.
    bool Disconnect() override;
    int InterfaceIndex() override;
    QString LastError() const override { return FLastError; }

    // Longest wait for an activation (a DHCP lease included) or deactivation to finish.
    static constexpr int TransitionTimeoutMs = 60000;

private:
    struct TProfile
    {
        QString Path;
        QString Name;
        QString InterfaceName;
        QString Mac;
    };
    struct TDevice
    {
        QString Path;
        QString Interface;
        quint32 State = 0;
        QString ActivePath;  // our active connection on it; empty when we are not active
    };

    bool ReadProfile(TProfile &profile);
    bool FindDevice(const TProfile &profile, TDevice &device);
    bool FindActive(QString &activePath, QString &devicePath);
    bool ReadDevice(const QString &path, TDevice &device);
    bool WaitForActivation(const QString &activePath, const QString &name);
    bool WaitForDeactivation(const QString &name);
    bool Fail(const QString &reason);

    QDBusConnection FBus;
    QString FUuid;
    QString FLastError;
};
