#pragma once

#include "platform/networkmanager/NMSettings.h"
#include "platform/networkmanager/NetConnection.h"

#include <memory>
#include <optional>

// NetworkManager's wired and wireless connection profiles. A profile is a connection;
// activating and deactivating it connects and disconnects.
class TNMConnectionManager : public INetConnectionManager
{
public:
    explicit TNMConnectionManager(std::shared_ptr<TNMSettings> nm);

    QString Source() const override { return QStringLiteral("NetworkManager"); }
    // One listing of the profiles and one look at the devices, however many profiles there are.
    TNetConnections EnumConnections() override;
    QString LastError() const override { return FLastError; }

private:
    std::shared_ptr<TNMSettings> FNM;
    QString FLastError;
};

class TNMConnection : public INetConnection
{
public:
    // listed: what the listing that found the profile saw, the answer to the first
    // GetProperties. Later calls ask NetworkManager by UUID, so a restarted NetworkManager or
    // a deleted profile is noticed instead of acting on a stale object path.
    TNMConnection(std::shared_ptr<TNMSettings> nm, const QString &uuid,
                  std::optional<TNetConProperties> listed = std::nullopt);

    // The properties of a profile placed on the devices.
    static TNetConProperties PropertiesOf(const TNMProfile &profile, const TNMPlacement &placement);

    bool GetProperties(TNetConProperties &props) override;
    // Activates the profile and waits until it is active or has failed.
    bool Connect() override;
    // Deactivates the profile and waits until it is gone; an inactive profile is left as is.
    bool Disconnect() override;
    // Waits while the profile's device is on the way up or down for it.
    bool WaitUntilSettled(int timeoutMs) override;
    bool Apply(const TConnectionSettings &settings, int settleTimeoutMs,
               TConnectionOutcome &outcome) override;
    QString LastError() const override { return FLastError; }

private:
    bool ReadPlaced(TNMProfile &profile, TNMPlacement &placement);
    // Reads the profile and its device, waiting while the device is on its way up or down for
    // it, at most timeoutMs; false when it cannot be read or is still moving then.
    bool ReadSettled(TNMProfile &profile, TNMPlacement &placement, int timeoutMs);
    bool Keep(bool ok);

    std::shared_ptr<TNMSettings> FNM;
    QString FUuid;
    std::optional<TNetConProperties> FListed;
    QString FLastError;
};
