#include "support/FakeNMBus.h"

#include <QMetaObject>

namespace {

const QString Base = QStringLiteral("/org/freedesktop/NetworkManager/");

// The NMDeviceState that goes with an NMActiveConnectionState.
quint32 DeviceStateOf(quint32 activeState)
{
    switch (activeState) {
    case 1:
        return 70; // getting its IP configuration
    case 2:
        return 100;
    case 3:
        return 110;
    default:
        return 30;
    }
}

QString UuidOf(const TNMSettingsMap &settings)
{
    return settings.value(QStringLiteral("connection")).value(QStringLiteral("uuid")).toString();
}

} // namespace

QString TFakeNMBus::AddProfile(const QString &uuid, const QString &name, const TNMIPv4 &ipv4,
                               const QString &interfaceName, const QString &type)
{
    const QString path = Base + QStringLiteral("Settings/") + QString::number(FNextNumber++);
    TNMSettingsMap settings;
    settings[QStringLiteral("connection")] = {
        {QStringLiteral("uuid"), uuid}, {QStringLiteral("id"), name}, {QStringLiteral("type"), type}};
    if (!interfaceName.isEmpty())
        settings[QStringLiteral("connection")].insert(QStringLiteral("interface-name"), interfaceName);
    settings[type] = QVariantMap();
    TNMSettings::SetIPv4(settings, ipv4);
    Profiles.insert(path, settings);
    ProfileOrder.append(path);
    return path;
}

void TFakeNMBus::AddElsewhereProfiles(int count)
{
    for (int i = 0; i < count; ++i)
        AddProfile(QStringLiteral("00000000-0000-4000-8000-%1").arg(i, 12, 10, QLatin1Char('0')),
                   QStringLiteral("Elsewhere %1").arg(i), {"auto", {}, {}, {}, {}, false},
                   QStringLiteral("wlan9"));
}

void TFakeNMBus::RemoveProfile(const QString &path)
{
    Profiles.remove(path);
    ProfileOrder.removeAll(path);
}

QString TFakeNMBus::AddDevice(const QString &interfaceName, quint32 state)
{
    TNMDevice device;
    device.Path = Base + QStringLiteral("Devices/") + QString::number(FNextNumber++);
    device.Interface = interfaceName;
    device.IpInterface = interfaceName;
    device.Type = 1; // Ethernet
    device.State = state;
    Devices.insert(device.Path, device);
    DeviceOrder.append(device.Path);
    return device.Path;
}

QString TFakeNMBus::Activate(const QString &profilePath, const QString &devicePath, quint32 state)
{
    TNMDevice &device = Devices[devicePath];
    Actives.remove(device.ActiveConnection);
    TNMActive active{Base + QStringLiteral("ActiveConnection/") + QString::number(FNextNumber++),
                     UuidOf(Profiles.value(profilePath)),
                     state,
                     {devicePath}};
    Actives.insert(active.Path, active);
    device.ActiveConnection = active.Path;
    device.State = DeviceStateOf(state);
    return active.Path;
}

void TFakeNMBus::SetActiveState(QString activePath, quint32 state)
{
    const QString devicePath = Actives.value(activePath).Devices.value(0);
    Actives[activePath].State = state;
    TNMDevice &device = Devices[devicePath];
    device.State = DeviceStateOf(state);
    if (state == 4) {
        Actives.remove(activePath);
        device.ActiveConnection.clear();
    }
    Notify(activePath);
    Notify(devicePath);
}

void TFakeNMBus::Notify(const QString &path)
{
    for (const TWatch &watch : std::as_const(FWatches))
        if ((watch.Path == path || watch.Path.isEmpty()) && watch.Receiver)
            QMetaObject::invokeMethod(watch.Receiver, watch.Method.constData(), Qt::QueuedConnection);
}

bool TFakeNMBus::Called(const QString &method, bool ok, const QString &error)
{
    Log.append(method);
    FLastError = ok ? QString() : error;
    FLastErrorName.clear();
    return ok;
}

// NetworkManager's words when polkit says no.
bool TFakeNMBus::Denied(const QString &method, const QString &errorName)
{
    Called(method, false, QStringLiteral("Insufficient privileges"));
    FLastErrorName = errorName;
    return false;
}

bool TFakeNMBus::IsRunning()
{
    return Called(QStringLiteral("IsRunning"), Running, QStringLiteral("not running"));
}

bool TFakeNMBus::ListConnections(QStringList &paths)
{
    paths = Running ? ProfileOrder : QStringList();
    return Called(QStringLiteral("ListConnections"), Running, QStringLiteral("not running"));
}

bool TFakeNMBus::GetSettings(const QStringList &paths, QList<TNMSettingsMap> &settings)
{
    settings.clear();
    bool ok = true;
    for (const QString &path : paths) {
        Log.append(QStringLiteral("GetSettings"));
        ok = ok && Profiles.contains(path);
        settings.append(Profiles.value(path));
    }
    FLastError = ok ? QString() : QStringLiteral("no such connection");
    return ok;
}

bool TFakeNMBus::GetSecrets(const QString &, const QString &, TNMSettingsMap &secrets)
{
    secrets.clear();
    return Called(QStringLiteral("GetSecrets"), true);
}

bool TFakeNMBus::GetConnectionByUuid(const QString &uuid, QString &path)
{
    path.clear();
    for (auto it = Profiles.cbegin(); it != Profiles.cend(); ++it)
        if (UuidOf(it.value()) == uuid)
            path = it.key();
    return Called(QStringLiteral("GetConnectionByUuid"), !path.isEmpty(),
                  QStringLiteral("no connection ") + uuid);
}

bool TFakeNMBus::Update(const QString &path, const TNMSettingsMap &settings)
{
    if (DenyChanges)
        return Denied(QStringLiteral("Update"),
                      QStringLiteral("org.freedesktop.NetworkManager.Settings.Connection.PermissionDenied"));
    const bool known = Profiles.contains(path);
    if (known)
        Profiles[path] = settings;
    return Called(QStringLiteral("Update"), known, QStringLiteral("no such connection"));
}

bool TFakeNMBus::GetDevices(QStringList &paths)
{
    paths = DeviceOrder;
    return Called(QStringLiteral("GetDevices"), Running, QStringLiteral("not running"));
}

bool TFakeNMBus::GetDeviceByIpIface(const QString &interfaceName, QString &path)
{
    path.clear();
    for (const TNMDevice &device : std::as_const(Devices))
        if (device.IpInterface == interfaceName)
            path = device.Path;
    return Called(QStringLiteral("GetDeviceByIpIface"), !path.isEmpty(), QStringLiteral("no device"));
}

bool TFakeNMBus::ReadDevice(const QString &path, TNMDevice &device)
{
    device = Devices.value(path);
    return Called(QStringLiteral("ReadDevice"), Devices.contains(path), QStringLiteral("no such device"));
}

bool TFakeNMBus::ReadActive(const QString &path, TNMActive &active)
{
    active = Actives.value(path);
    return Called(QStringLiteral("ReadActive"), Actives.contains(path), QStringLiteral("no such object"));
}

bool TFakeNMBus::ReadIp4Config(const QString &path, TNMIp4Config &config)
{
    config = Ip4Configs.value(path);
    return Called(QStringLiteral("ReadIp4Config"), Ip4Configs.contains(path),
                  QStringLiteral("no such object"));
}

bool TFakeNMBus::ReadDhcp4Options(const QString &path, QVariantMap &options)
{
    options = Dhcp4Options.value(path);
    return Called(QStringLiteral("ReadDhcp4Options"), Dhcp4Options.contains(path),
                  QStringLiteral("no such object"));
}

bool TFakeNMBus::ReadAccessPoint(const QString &devicePath, QString &ssid, QString &bssid)
{
    ssid.clear();
    bssid.clear();
    return Called(QStringLiteral("ReadAccessPoint"), Devices.contains(devicePath),
                  QStringLiteral("no such device"));
}

bool TFakeNMBus::Reapply(const QString &)
{
    return Called(QStringLiteral("Reapply"), !RefuseReapply, QStringLiteral("cannot reapply"));
}

// Without a device, the first one the profile is bound to, as NetworkManager would pick it.
bool TFakeNMBus::ActivateConnection(const QString &profilePath, const QString &devicePath,
                                    QString &activePath)
{
    if (DenyChanges)
        return Denied(QStringLiteral("ActivateConnection"),
                      QStringLiteral("org.freedesktop.NetworkManager.PermissionDenied"));
    QString device = devicePath;
    const QString bound = Profiles.value(profilePath)
                              .value(QStringLiteral("connection"))
                              .value(QStringLiteral("interface-name"))
                              .toString();
    for (const QString &path : std::as_const(DeviceOrder))
        if (device.isEmpty() && Devices.value(path).Interface == bound)
            device = path;
    const bool ok = Profiles.contains(profilePath) && Devices.contains(device);
    activePath = ok ? Activate(profilePath, device, HoldActivations ? 1 : 2) : QString();
    return Called(QStringLiteral("ActivateConnection"), ok, QStringLiteral("no device for the connection"));
}

bool TFakeNMBus::DeactivateConnection(const QString &activePath)
{
    const bool known = Actives.contains(activePath);
    if (known)
        SetActiveState(activePath, 4);
    return Called(QStringLiteral("DeactivateConnection"), known, QStringLiteral("not active"));
}

// slot is what SLOT() makes of it: a code digit, then the signature.
void TFakeNMBus::WatchState(const QString &path, QObject *receiver, const char *slot)
{
    const QByteArray signature(slot + 1);
    FWatches.append({path, receiver, signature.left(signature.indexOf('('))});
    Log.append(QStringLiteral("WatchState"));
}

void TFakeNMBus::UnwatchState(const QString &path, QObject *receiver, const char *)
{
    FWatches.removeIf([&](const TWatch &watch) { return watch.Path == path && watch.Receiver == receiver; });
}

// Every state change reaches the network's watchers too.
void TFakeNMBus::WatchNetwork(QObject *receiver, const char *slot) { WatchState(QString(), receiver, slot); }

void TFakeNMBus::UnwatchNetwork(QObject *receiver, const char *slot)
{
    UnwatchState(QString(), receiver, slot);
}
