#pragma once

#include "base/NetText.h"
#include "platform/networkmanager/NMBus.h"

#include <QList>
#include <QMap>
#include <QStringList>
#include <functional>
#include <memory>

// One wired or wireless connection profile of NetworkManager.
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

// The devices that can carry a wired or wireless profile, and their activations, at one moment.
struct TNMNetState
{
    QList<TNMDevice> Devices;
    QMap<QString, QString> ActiveUuids; // activation path -> its profile's UUID
};

// The device a profile runs on, else the one it would be activated on.
struct TNMPlacement
{
    TNMDevice Device;   // Path empty when no device can take the profile
    QString ActivePath; // the profile's activation on it; empty when it is not active there
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

// NetworkManager as the program's adapters see it: the wired and wireless profiles, the
// devices they run on, and changing a profile's saved settings and bringing them to its
// device. One object per bus serves the whole process, so what never changes is read once: the
// UUID and type of the profile at an object path, the profile of an activation, the loopback
// device. Failures keep their reason in LastError. Use from one thread.
class TNMSettings
{
public:
    explicit TNMSettings(std::shared_ptr<INMBus> bus);
    // NetworkManager on a D-Bus connection.
    static std::shared_ptr<TNMSettings> OnBus(const QDBusConnection &bus);

    bool IsRunning() { return FBus->IsRunning(); }

    // The wired and wireless profiles with their settings, in NetworkManager's order: the one
    // listing that reads them all. A profile that cannot be read is left out, its reason kept.
    QList<TNMProfile> Profiles();
    // Object paths of the wired and wireless profiles, in order: one call, plus reading any
    // profile not seen before.
    QStringList ProfilePaths();
    // UUID of the wired or wireless profile at path; empty when there is none.
    QString UuidAt(const QString &path);
    // Any profile, by UUID or by object path.
    bool ReadProfile(const QString &uuid, TNMProfile &profile);
    bool ReadProfileAt(const QString &path, TNMProfile &profile);
    // Wired or wireless: a profile the program shows as an adapter.
    static bool IsListed(const TNMProfile &profile);

    bool ReadNetState(TNMNetState &state);
    // Active there; else bound by interface name, offered by the device as available, or bound
    // by MAC address.
    static TNMPlacement Place(const TNMProfile &profile, const TNMNetState &state);
    // Place on the devices as they are now; false only when NetworkManager cannot be asked.
    bool Locate(const TNMProfile &profile, TNMPlacement &placement);
    // The device whose addresses are on interfaceName, and its activation (Path empty when none).
    bool ReadDeviceOn(const QString &interfaceName, TNMDevice &device, TNMActive &active);
    // The device's gateway and DNS servers now; empty when it has no IPv4 configuration.
    TNMIp4Config Ip4ConfigOf(const TNMDevice &device);

    // Saves settings as the profile's settings, keeping its secrets.
    bool Update(const TNMProfile &profile, TNMSettingsMap settings);
    // Gives the profile these IPv4 settings and brings them to its device: reapplied in place
    // when the profile is active there, else by activating it. Settings equal to the saved ones
    // are not saved again, and change nothing at all on an active profile. A profile whose
    // device has no carrier keeps them saved.
    bool ApplyIPv4(const TNMProfile &profile, const TNMIPv4 &ipv4);
    // The same on the device placement names (as Locate gave it), with the address the profile
    // gives its device: mac empty for the device's own (a profile that names no fixed address,
    // a random or stable one say, is left as it is). A new address reaches the device by
    // activating the profile, which also brings the IPv4 settings, so the profile is saved once
    // and activated at most once.
    bool ApplyOn(const TNMProfile &profile, const TNMPlacement &placement, const TNMIPv4 &ipv4,
                 const QString &mac);
    // What the last ApplyIPv4 did to the system, said for the user: "unchanged", "saved and
    // reapplied", "activated", ...; empty when it failed before changing anything.
    QString LastAction() const { return FLastAction; }
    // Activates the profile and waits until it is active or has failed.
    bool Activate(const TNMProfile &profile);
    // Deactivates the profile and waits until it is gone; an inactive profile is left as is.
    bool Deactivate(const TNMProfile &profile);
    // Runs the event loop until done() holds (true) or timeoutMs passes (false); done is asked
    // again whenever the device or activation at watchedPath changes its state.
    bool WaitUntil(const std::function<bool()> &done, const QString &watchedPath, int timeoutMs);
    // How often a wait asks again without a state signal (a missed signal costs at most this
    // long); a test makes it longer than its waits, so that only the signal can answer.
    void SetRecheckMs(int recheckMs) { FRecheckMs = recheckMs; }

    QString LastError() const { return FLastError; }

    static TNMIPv4 IPv4Of(const TNMSettingsMap &settings);
    static void SetIPv4(TNMSettingsMap &settings, const TNMIPv4 &ipv4);
    // Whether the two give a device the same IPv4 configuration.
    static bool SameIPv4(const TNMIPv4 &a, const TNMIPv4 &b);
    // The MAC address the profile gives its device, "AA:BB:..."; empty when it sets none
    // (or keeps the device's own: "permanent", "preserve").
    static QString AssignedMac(const TNMProfile &profile);
    // mac empty: the profile leaves the device's address alone.
    static void SetAssignedMac(TNMSettingsMap &settings, const QString &type, const QString &mac);

    // Longest wait for an activation (a DHCP lease included) or deactivation to finish.
    static constexpr int TransitionTimeoutMs = 60000;

private:
    struct TIdentity
    {
        QString Uuid;
        bool Listed = false; // wired or wireless
    };

    void Know(const QString &path, const TNMSettingsMap &settings);
    QString KnownPathOf(const QString &uuid) const;
    bool ReadSettingsAt(const QString &path, TNMProfile &profile);
    bool ActivateOn(const TNMProfile &profile, const TNMPlacement &placement);
    bool WaitForActivation(const QString &activePath, const QString &name);
    bool WaitForDeactivation(const QString &activePath, const QString &name);
    void MergeSecrets(const TNMProfile &profile, TNMSettingsMap &settings);
    bool Fail(const QString &reason);
    // Fails a change of profile with failure ("%1" the profile's name, "%2" NetworkManager's
    // words), or with the refusal when NetworkManager did not allow it.
    bool FailChange(const TNMProfile &profile, const QString &failure);
    bool Succeed();

    std::shared_ptr<INMBus> FBus;
    QMap<QString, TIdentity> FKnown;     // by object path
    QMap<QString, QString> FActiveUuids; // of the activations seen last
    QStringList FLoopbacks;              // device paths
    QString FLastError;
    QString FLastAction;
    int FRecheckMs = 500;
};
