#pragma once

#include "platform/NMSettings.h"
#include "platform/NetConnection.h"

#include <QDBusConnection>

// NetworkManager's wired and wireless connection profiles over D-Bus. A profile is a
// connection; activating and deactivating it connects and disconnects.
class TNMConnectionManager : public INetConnectionManager
{
public:
    explicit TNMConnectionManager(const QDBusConnection &bus);

    static QString Service() { return TNMSettings::Service(); }
    const QDBusConnection &Bus() const { return FBus; }
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
    QString LastError() const override { return FLastError; }

private:
    bool Keep(bool ok);

    TNMSettings FSettings;
    QString FUuid;
    QString FLastError;
};
