#pragma once

#include "base/NetText.h"

#include <QDBusConnection>
#include <QList>
#include <QMap>
#include <QStringList>
#include <QVariantMap>

// A profile's settings as NetworkManager hands them out: setting name -> property -> value.
using TNMSettingsMap = QMap<QString, QVariantMap>;

// One connection profile of NetworkManager.
struct TNMProfile
{
    QString Uuid;
    QString Path;
    QString Name;
    QString Type;          // "802-3-ethernet", "802-11-wireless"
    QString InterfaceName; // the interface it is bound to; empty when any
    QString Mac;           // the device address it is bound to, "AA:BB:...", empty when any
    TNMSettingsMap Settings;
};

// A device as one profile sees it.
struct TNMDevice
{
    QString Path;
    QString Interface;
    quint32 State = 0;  // NMDeviceState
    QString ActivePath; // the profile's active connection on it; empty when not active there
};

// The IPv4 part of a profile.
struct TNMIPv4
{
    QString Method; // "auto", "manual", "disabled", ...
    QStringList Addresses;
    QList<int> Prefixes; // one per address
    QString Gateway;
    QStringList Dns;
    bool IgnoreAutoDns = false;
};

// What a device has in use right now, as NetworkManager configured it.
struct TNMIp4Config
{
    QString Gateway;
    QStringList Dns;
};

// NetworkManager over D-Bus: its profiles, the devices they run on, and changing a profile's
// saved settings and bringing them to its device. Failures keep their reason in LastError.
class TNMSettings
{
public:
    explicit TNMSettings(const QDBusConnection &bus);

    static QString Service();
    // True when NetworkManager answers on bus.
    static bool IsRunning(const QDBusConnection &bus);
    const QDBusConnection &Bus() const { return FBus; }

    // UUIDs of the wired and wireless profiles, in NetworkManager's order; a profile whose
    // settings cannot be read is left out and its reason kept.
    QStringList ListedProfiles();
    bool ReadProfile(const QString &uuid, TNMProfile &profile);
    // The profile's active connection and its device; both empty when it is not active.
    bool FindActive(const QString &uuid, QString &activePath, QString &devicePath);
    // The device the profile is active on, else the one it would be activated on.
    bool FindDevice(const TNMProfile &profile, TNMDevice &device);
    bool ReadDevice(const QString &path, TNMDevice &device);
    // The device's current gateway and DNS servers; empty when it has no IPv4 configuration.
    TNMIp4Config DeviceIp4Config(const QString &devicePath);

    static TNMIPv4 IPv4Of(const TNMSettingsMap &settings);
    static void SetIPv4(TNMSettingsMap &settings, const TNMIPv4 &ipv4);
    // The MAC address the profile gives its device, "AA:BB:..."; empty when it sets none
    // (or keeps the device's own: "permanent", "preserve").
    static QString AssignedMac(const TNMProfile &profile);
    // mac empty: the profile leaves the device's address alone.
    static void SetAssignedMac(TNMSettingsMap &settings, const QString &type, const QString &mac);

    // Saves settings as the profile's settings, keeping its secrets.
    bool Update(const TNMProfile &profile, TNMSettingsMap settings);
    // Brings the profile's saved settings to the link: reapplied in place when the profile is
    // active, else by activating it. A profile whose device has no carrier keeps them saved.
    bool Apply(const TNMProfile &profile);
    // Activates the profile and waits until it is active or has failed.
    bool Activate(const TNMProfile &profile);
    // Deactivates the profile and waits until it is gone; an inactive profile is left as is.
    bool Deactivate(const TNMProfile &profile);

    QString LastError() const { return FLastError; }

    // Longest wait for an activation (a DHCP lease included) or deactivation to finish.
    static constexpr int TransitionTimeoutMs = 60000;

private:
    bool WaitForActivation(const QString &activePath, const QString &name);
    bool WaitForDeactivation(const TNMProfile &profile);
    void MergeSecrets(const TNMProfile &profile, TNMSettingsMap &settings);
    bool Fail(const QString &reason);

    QDBusConnection FBus;
    QString FLastError;
};
