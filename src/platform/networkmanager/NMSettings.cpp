#include "platform/networkmanager/NMSettings.h"

#include "platform/process/EventWait.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <arpa/inet.h>

namespace {

using TVariantMapList = QList<QVariantMap>;

const QStringList ListedTypes = {QStringLiteral("802-3-ethernet"), QStringLiteral("802-11-wireless")};
const QStringList SecretSettings = {QStringLiteral("802-11-wireless-security"), QStringLiteral("802-1x")};

// NMActiveConnectionState values.
constexpr quint32 ActiveActivated = 2;
constexpr quint32 ActiveDeactivated = 4;
// NMDeviceState: no carrier.
constexpr quint32 DeviceUnavailable = 20;
// NMDeviceType of "lo", which carries no wired or wireless profile.
constexpr quint32 DeviceLoopback = 32;

QString MacText(const QVariant &value) { return MacFromBytes(value.toByteArray(), QLatin1Char(':')); }

QVariantMap ConnectionOf(const TNMSettingsMap &settings)
{
    return settings.value(QStringLiteral("connection"));
}

TNMProfile ProfileOf(const QString &path, const TNMSettingsMap &settings)
{
    const QVariantMap connection = ConnectionOf(settings);
    TNMProfile profile;
    profile.Uuid = connection.value(QStringLiteral("uuid")).toString();
    profile.Path = path;
    profile.Name = connection.value(QStringLiteral("id")).toString();
    profile.Type = connection.value(QStringLiteral("type")).toString();
    profile.InterfaceName = connection.value(QStringLiteral("interface-name")).toString();
    profile.Mac = MacText(settings.value(profile.Type).value(QStringLiteral("mac-address")));
    profile.Settings = settings;
    return profile;
}

QStringList DnsOf(const QVariantMap &ipv4)
{
    if (ipv4.contains(QStringLiteral("dns-data")))
        return qdbus_cast<QStringList>(ipv4.value(QStringLiteral("dns-data")));
    QStringList result;
    for (uint address : qdbus_cast<QList<uint>>(ipv4.value(QStringLiteral("dns"))))
        result.append(Ipv4Text(in_addr{address}));
    return result;
}

// Whether giving the profile mac changes the address its device runs with: the address the
// profile names already, or the device's own when it names none, is no change.
bool ChangesMac(const TNMProfile &profile, const TNMDevice &device, const QString &mac)
{
    const QString assigned = TNMSettings::AssignedMac(profile);
    if (mac.isEmpty())
        return !assigned.isEmpty();
    return mac.compare(assigned.isEmpty() ? device.HwAddress : assigned, Qt::CaseInsensitive) != 0;
}

} // namespace

TNMSettings::TNMSettings(std::shared_ptr<INMBus> bus) : FBus(std::move(bus))
{
    static const bool registered = [] {
        qDBusRegisterMetaType<TNMSettingsMap>();
        qDBusRegisterMetaType<TVariantMapList>();
        return true;
    }();
    Q_UNUSED(registered);
}

std::shared_ptr<TNMSettings> TNMSettings::OnBus(const QDBusConnection &bus)
{
    return std::make_shared<TNMSettings>(std::make_shared<TNMDBus>(bus));
}

bool TNMSettings::Fail(const QString &reason)
{
    FLastError = reason;
    return false;
}

// NetworkManager's own permission check (polkit) refused the change: said as such, with
// NetworkManager's words, never as a failure of the connection.
bool TNMSettings::FailChange(const TNMProfile &profile, const QString &failure)
{
    const QString name = FBus->LastErrorName();
    const bool refused = name.endsWith(QLatin1String(".PermissionDenied")) ||
                         FBus->LastError().contains(QLatin1String("not authorized"), Qt::CaseInsensitive);
    if (refused)
        return Fail(
            QStringLiteral("not allowed to change connection '%1': %2").arg(profile.Name, FBus->LastError()));
    return Fail(failure.arg(profile.Name, FBus->LastError()));
}

bool TNMSettings::Succeed()
{
    FLastError.clear();
    return true;
}

bool TNMSettings::IsListed(const TNMProfile &profile) { return ListedTypes.contains(profile.Type); }

// A path stands for one profile for as long as NetworkManager runs: neither its UUID nor its
// type can change.
void TNMSettings::Know(const QString &path, const TNMSettingsMap &settings)
{
    const QVariantMap connection = ConnectionOf(settings);
    FKnown.insert(path, {connection.value(QStringLiteral("uuid")).toString(),
                         ListedTypes.contains(connection.value(QStringLiteral("type")).toString())});
}

QString TNMSettings::KnownPathOf(const QString &uuid) const
{
    for (auto it = FKnown.cbegin(); it != FKnown.cend(); ++it)
        if (it->Uuid == uuid)
            return it.key();
    return QString();
}

QList<TNMProfile> TNMSettings::Profiles()
{
    QStringList paths;
    QList<TNMSettingsMap> settings;
    if (!FBus->ListConnections(paths)) {
        Fail(FBus->LastError());
        return {};
    }
    FLastError.clear();
    if (!FBus->GetSettings(paths, settings))
        FLastError = FBus->LastError();
    QList<TNMProfile> result;
    for (int i = 0; i < paths.size(); ++i) {
        if (settings.value(i).isEmpty())
            continue;
        Know(paths.at(i), settings.at(i));
        const TNMProfile profile = ProfileOf(paths.at(i), settings.at(i));
        if (IsListed(profile))
            result.append(profile);
    }
    return result;
}

QStringList TNMSettings::ProfilePaths()
{
    QStringList paths;
    if (!FBus->ListConnections(paths)) {
        Fail(FBus->LastError());
        return {};
    }
    QStringList unknown;
    for (const QString &path : paths)
        if (!FKnown.contains(path))
            unknown.append(path);
    QList<TNMSettingsMap> settings;
    FLastError.clear();
    if (!unknown.isEmpty() && !FBus->GetSettings(unknown, settings))
        FLastError = FBus->LastError();
    for (int i = 0; i < settings.size(); ++i)
        if (!settings.at(i).isEmpty())
            Know(unknown.at(i), settings.at(i));
    QStringList listed;
    for (const QString &path : paths)
        if (FKnown.value(path).Listed)
            listed.append(path);
    return listed;
}

QString TNMSettings::UuidAt(const QString &path)
{
    TNMProfile profile;
    if (path.isEmpty() || (!FKnown.contains(path) && !ReadProfileAt(path, profile)))
        return QString();
    const TIdentity identity = FKnown.value(path);
    return identity.Listed ? identity.Uuid : QString();
}

bool TNMSettings::ReadSettingsAt(const QString &path, TNMProfile &profile)
{
    QList<TNMSettingsMap> settings;
    if (path.isEmpty())
        return Fail(QStringLiteral("no such connection"));
    if (!FBus->GetSettings({path}, settings)) {
        FKnown.remove(path);
        return Fail(FBus->LastError());
    }
    Know(path, settings.value(0));
    profile = ProfileOf(path, settings.value(0));
    return Succeed();
}

bool TNMSettings::ReadProfileAt(const QString &path, TNMProfile &profile)
{
    if (ReadSettingsAt(path, profile))
        return true;
    return Fail(QStringLiteral("connection %1: %2").arg(path, FLastError));
}

// A profile deleted and made again under its UUID has a new path: the known one is tried first.
bool TNMSettings::ReadProfile(const QString &uuid, TNMProfile &profile)
{
    const QString known = KnownPathOf(uuid);
    if (!known.isEmpty() && ReadSettingsAt(known, profile) && profile.Uuid == uuid)
        return true;
    QString path;
    if (!FBus->GetConnectionByUuid(uuid, path) || !ReadSettingsAt(path, profile))
        return Fail(QStringLiteral("connection %1: %2").arg(uuid, FBus->LastError()));
    return true;
}

bool TNMSettings::ReadNetState(TNMNetState &state)
{
    QStringList paths;
    if (!FBus->GetDevices(paths))
        return Fail(QStringLiteral("NetworkManager: %1").arg(FBus->LastError()));
    state = {};
    for (const QString &path : paths) {
        TNMDevice device;
        if (FLoopbacks.contains(path) || !FBus->ReadDevice(path, device))
            continue; // gone meanwhile
        if (device.Type == DeviceLoopback) {
            FLoopbacks.append(path);
            continue;
        }
        const QString &activePath = device.ActiveConnection;
        TNMActive active;
        if (FActiveUuids.contains(activePath))
            state.ActiveUuids.insert(activePath, FActiveUuids.value(activePath));
        else if (!activePath.isEmpty() && FBus->ReadActive(activePath, active))
            state.ActiveUuids.insert(activePath, active.Uuid);
        state.Devices.append(device);
    }
    // An activation keeps its profile for its whole life; the ones gone need not be kept.
    FActiveUuids = state.ActiveUuids;
    return Succeed();
}

TNMPlacement TNMSettings::Place(const TNMProfile &profile, const TNMNetState &state)
{
    for (const TNMDevice &device : state.Devices)
        if (!device.ActiveConnection.isEmpty() &&
            state.ActiveUuids.value(device.ActiveConnection) == profile.Uuid)
            return {device, device.ActiveConnection};
    const TNMDevice *byAvailability = nullptr, *byMac = nullptr;
    for (const TNMDevice &device : state.Devices) {
        if (!profile.InterfaceName.isEmpty()) {
            if (device.Interface == profile.InterfaceName)
                return {device, QString()};
            continue;
        }
        if (!byAvailability && device.AvailableConnections.contains(profile.Path))
            byAvailability = &device;
        if (!byMac && !profile.Mac.isEmpty() && device.HwAddress == profile.Mac)
            byMac = &device;
    }
    const TNMDevice *found = byAvailability ? byAvailability : byMac;
    return found ? TNMPlacement{*found, QString()} : TNMPlacement{};
}

bool TNMSettings::Locate(const TNMProfile &profile, TNMPlacement &placement)
{
    TNMNetState state;
    if (!ReadNetState(state))
        return false;
    placement = Place(profile, state);
    return true;
}

bool TNMSettings::ReadDeviceOn(const QString &interfaceName, TNMDevice &device, TNMActive &active)
{
    QString path;
    if (!FBus->GetDeviceByIpIface(interfaceName, path) || !FBus->ReadDevice(path, device))
        return Fail(QStringLiteral("no device %1: %2").arg(interfaceName, FBus->LastError()));
    active = TNMActive();
    if (!device.ActiveConnection.isEmpty() && !FBus->ReadActive(device.ActiveConnection, active))
        active = TNMActive();
    return Succeed();
}

TNMIp4Config TNMSettings::Ip4ConfigOf(const TNMDevice &device)
{
    TNMIp4Config config;
    if (!device.Ip4Config.isEmpty() && !FBus->ReadIp4Config(device.Ip4Config, config))
        return TNMIp4Config();
    return config;
}

TNMIPv4 TNMSettings::IPv4Of(const TNMSettingsMap &settings)
{
    const QVariantMap ipv4 = settings.value(QStringLiteral("ipv4"));
    TNMIPv4 result;
    result.Method = ipv4.value(QStringLiteral("method")).toString();
    for (const QVariantMap &entry : qdbus_cast<TVariantMapList>(ipv4.value(QStringLiteral("address-data")))) {
        result.Addresses.append(entry.value(QStringLiteral("address")).toString());
        result.Prefixes.append(entry.value(QStringLiteral("prefix")).toInt());
    }
    result.Gateway = ipv4.value(QStringLiteral("gateway")).toString();
    result.Dns = DnsOf(ipv4);
    result.IgnoreAutoDns = ipv4.value(QStringLiteral("ignore-auto-dns")).toBool();
    return result;
}

void TNMSettings::SetIPv4(TNMSettingsMap &settings, const TNMIPv4 &ipv4)
{
    QVariantMap &map = settings[QStringLiteral("ipv4")];
    // The old array forms override the data forms when both are sent.
    map.remove(QStringLiteral("addresses"));
    map.remove(QStringLiteral("routes"));
    map.insert(QStringLiteral("method"), ipv4.Method);
    TVariantMapList addresses;
    for (int i = 0; i < ipv4.Addresses.size(); ++i)
        addresses.append({{QStringLiteral("address"), ipv4.Addresses.at(i)},
                          {QStringLiteral("prefix"), quint32(ipv4.Prefixes.value(i, 32))}});
    map.insert(QStringLiteral("address-data"), QVariant::fromValue(addresses));
    if (ipv4.Gateway.isEmpty())
        map.remove(QStringLiteral("gateway"));
    else
        map.insert(QStringLiteral("gateway"), ipv4.Gateway);
    QList<uint> dns;
    for (const QString &server : ipv4.Dns) {
        if (const auto address = ParseIpv4(server))
            dns.append(address->s_addr);
    }
    map.insert(QStringLiteral("dns"), QVariant::fromValue(dns));
    if (map.contains(QStringLiteral("dns-data")))
        map.insert(QStringLiteral("dns-data"), ipv4.Dns);
    map.insert(QStringLiteral("ignore-auto-dns"), ipv4.IgnoreAutoDns);
}

// Servers from DHCP can only be ignored where DHCP runs.
bool TNMSettings::SameIPv4(const TNMIPv4 &a, const TNMIPv4 &b)
{
    return a.Method == b.Method && a.Addresses == b.Addresses && a.Prefixes == b.Prefixes &&
           a.Gateway == b.Gateway && a.Dns == b.Dns &&
           (a.Method != QLatin1String("auto") || a.IgnoreAutoDns == b.IgnoreAutoDns);
}

QString TNMSettings::AssignedMac(const TNMProfile &profile)
{
    const QVariantMap device = profile.Settings.value(profile.Type);
    QString mac = device.value(QStringLiteral("assigned-mac-address")).toString();
    if (mac.isEmpty())
        mac = MacText(device.value(QStringLiteral("cloned-mac-address")));
    // "permanent", "preserve", "random", "stable": no fixed address of the profile's own.
    return mac.contains(QLatin1Char(':')) ? mac.toUpper() : QString();
}

void TNMSettings::SetAssignedMac(TNMSettingsMap &settings, const QString &type, const QString &mac)
{
    QVariantMap &device = settings[type];
    device.remove(QStringLiteral("cloned-mac-address"));
    if (mac.isEmpty())
        device.remove(QStringLiteral("assigned-mac-address"));
    else
        device.insert(QStringLiteral("assigned-mac-address"), mac);
}

// GetSettings leaves secrets out; an update without them would drop a Wi-Fi password.
void TNMSettings::MergeSecrets(const TNMProfile &profile, TNMSettingsMap &settings)
{
    for (const QString &name : SecretSettings) {
        TNMSettingsMap secrets;
        if (!settings.contains(name) || !FBus->GetSecrets(profile.Path, name, secrets))
            continue;
        for (auto it = secrets.cbegin(); it != secrets.cend(); ++it)
            settings[it.key()].insert(it.value());
    }
}

bool TNMSettings::Update(const TNMProfile &profile, TNMSettingsMap settings)
{
    MergeSecrets(profile, settings);
    if (!FBus->Update(profile.Path, settings))
        return FailChange(profile, QStringLiteral("connection '%1' refused the settings: %2"));
    return Succeed();
}

bool TNMSettings::ApplyIPv4(const TNMProfile &profile, const TNMIPv4 &ipv4)
{
    FLastAction.clear();
    TNMPlacement placement;
    return Locate(profile, placement) && ApplyOn(profile, placement, ipv4, AssignedMac(profile));
}

bool TNMSettings::ApplyOn(const TNMProfile &profile, const TNMPlacement &placement, const TNMIPv4 &ipv4,
                          const QString &mac)
{
    FLastAction.clear();
    const bool macChanged = ChangesMac(profile, placement.Device, mac);
    const bool changed = macChanged || !SameIPv4(IPv4Of(profile.Settings), ipv4);
    if (changed) {
        TNMSettingsMap settings = profile.Settings;
        SetIPv4(settings, ipv4);
        if (macChanged)
            SetAssignedMac(settings, profile.Type, mac.toUpper());
        if (!Update(profile, settings))
            return false;
        FLastAction = QStringLiteral("saved");
    }
    const auto did = [this](const QString &action) {
        FLastAction = FLastAction.isEmpty() ? action : FLastAction + QStringLiteral(" and ") + action;
        return Succeed();
    };
    if (!placement.ActivePath.isEmpty()) {
        if (!changed)
            return did(QStringLiteral("unchanged"));
        // A change the device cannot take in place (its MAC address, for one): reconnect.
        if (!macChanged && FBus->Reapply(placement.Device.Path))
            return did(QStringLiteral("reapplied"));
    } else if (placement.Device.State == DeviceUnavailable) {
        return did(QStringLiteral("kept for when the cable is plugged in"));
    }
    return ActivateOn(profile, placement) && did(QStringLiteral("activated"));
}

// NetworkManager picks the device, as for "nmcli connection up".
bool TNMSettings::Activate(const TNMProfile &profile) { return ActivateOn(profile, TNMPlacement()); }

bool TNMSettings::ActivateOn(const TNMProfile &profile, const TNMPlacement &placement)
{
    QString activePath;
    if (!FBus->ActivateConnection(profile.Path, placement.Device.Path, activePath))
        return FailChange(profile, QStringLiteral("cannot activate '%1': %2"));
    return WaitForActivation(activePath, profile.Name);
}

bool TNMSettings::Deactivate(const TNMProfile &profile)
{
    TNMPlacement placement;
    if (!Locate(profile, placement))
        return false;
    if (placement.ActivePath.isEmpty())
        return Succeed();
    if (!FBus->DeactivateConnection(placement.ActivePath))
        return FailChange(profile, QStringLiteral("cannot deactivate '%1': %2"));
    return WaitForDeactivation(placement.ActivePath, profile.Name);
}

bool TNMSettings::WaitUntil(const std::function<bool()> &done, const QString &watchedPath, int timeoutMs)
{
    TEventWait wait;
    if (!watchedPath.isEmpty())
        FBus->WatchState(watchedPath, &wait, SLOT(Wake()));
    const bool finished = wait.Until(done, timeoutMs, FRecheckMs);
    if (!watchedPath.isEmpty())
        FBus->UnwatchState(watchedPath, &wait, SLOT(Wake()));
    return finished;
}

bool TNMSettings::WaitForActivation(const QString &activePath, const QString &name)
{
    bool failed = false;
    const auto done = [&] {
        TNMActive active;
        failed = !FBus->ReadActive(activePath, active) || active.State == ActiveDeactivated;
        return failed || active.State == ActiveActivated;
    };
    if (!WaitUntil(done, activePath, TransitionTimeoutMs))
        return Fail(QStringLiteral("activation of '%1' did not finish in time").arg(name));
    if (failed)
        return Fail(QStringLiteral("activation of '%1' failed").arg(name));
    return Succeed();
}

// The activation object goes away once it is deactivated.
bool TNMSettings::WaitForDeactivation(const QString &activePath, const QString &name)
{
    const auto done = [&] {
        TNMActive active;
        return !FBus->ReadActive(activePath, active) || active.State == ActiveDeactivated;
    };
    if (!WaitUntil(done, activePath, TransitionTimeoutMs))
        return Fail(QStringLiteral("deactivation of '%1' did not finish in time").arg(name));
    return Succeed();
}
