#include "platform/NMSettings.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QThread>
#include <arpa/inet.h>

namespace {

using TVariantMapList = QList<QVariantMap>;

const QString NMPath = QStringLiteral("/org/freedesktop/NetworkManager");
const QString NMInterface = QStringLiteral("org.freedesktop.NetworkManager");
const QString SettingsPath = QStringLiteral("/org/freedesktop/NetworkManager/Settings");
const QString SettingsInterface = QStringLiteral("org.freedesktop.NetworkManager.Settings");
const QString ProfileInterface = QStringLiteral("org.freedesktop.NetworkManager.Settings.Connection");
const QString DeviceInterface = QStringLiteral("org.freedesktop.NetworkManager.Device");
const QString ActiveInterface = QStringLiteral("org.freedesktop.NetworkManager.Connection.Active");
const QString Ip4ConfigInterface = QStringLiteral("org.freedesktop.NetworkManager.IP4Config");
const QString PropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
const QStringList ListedTypes = {QStringLiteral("802-3-ethernet"), QStringLiteral("802-11-wireless")};
const QStringList SecretSettings = {QStringLiteral("802-11-wireless-security"), QStringLiteral("802-1x")};

// NMActiveConnectionState values.
constexpr quint32 ActiveActivated = 2;
constexpr quint32 ActiveDeactivated = 4;
// NMDeviceState: no carrier.
constexpr quint32 DeviceUnavailable = 20;
constexpr int PollMs = 50;
constexpr int CallTimeoutMs = 15000;

void RegisterTypes()
{
    static const bool registered = [] {
        qDBusRegisterMetaType<TNMSettingsMap>();
        qDBusRegisterMetaType<TVariantMapList>();
        return true;
    }();
    Q_UNUSED(registered);
}

struct TReply
{
    QVariantList Values;
    QString Error; // empty when the call succeeded
};

TReply Call(const QDBusConnection &bus, const QString &path, const QString &interface, const QString &method,
            const QVariantList &args = {})
{
    RegisterTypes();
    QDBusMessage message = QDBusMessage::createMethodCall(TNMSettings::Service(), path, interface, method);
    message.setArguments(args);
    const QDBusMessage reply = bus.call(message, QDBus::Block, CallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage)
        return {{}, reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage()};
    return {reply.arguments(), QString()};
}

TReply GetAll(const QDBusConnection &bus, const QString &path, const QString &interface)
{
    return Call(bus, path, PropertiesInterface, QStringLiteral("GetAll"), {interface});
}

QVariant GetProperty(const QDBusConnection &bus, const QString &path, const QString &interface,
                     const QString &name, QString &error)
{
    const TReply reply = Call(bus, path, PropertiesInterface, QStringLiteral("Get"), {interface, name});
    error = reply.Error;
    return reply.Values.value(0).value<QDBusVariant>().variant();
}

QVariantMap PropertyMap(const TReply &reply)
{
    return reply.Values.isEmpty() ? QVariantMap() : qdbus_cast<QVariantMap>(reply.Values.first());
}

QStringList PathList(const QVariant &value)
{
    QStringList result;
    for (const QDBusObjectPath &path : qdbus_cast<QList<QDBusObjectPath>>(value))
        result.append(path.path());
    return result;
}

QString MacText(const QVariant &value) { return MacFromBytes(value.toByteArray(), QLatin1Char(':')); }

TNMSettingsMap SettingsOf(const TReply &reply)
{
    return reply.Values.isEmpty() ? TNMSettingsMap() : qdbus_cast<TNMSettingsMap>(reply.Values.first());
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

} // namespace

TNMSettings::TNMSettings(const QDBusConnection &bus) : FBus(bus) {}

QString TNMSettings::Service() { return QStringLiteral("org.freedesktop.NetworkManager"); }

bool TNMSettings::IsRunning(const QDBusConnection &bus)
{
    return bus.isConnected() && bus.interface() && bus.interface()->isServiceRegistered(Service());
}

bool TNMSettings::Fail(const QString &reason)
{
    FLastError = reason;
    return false;
}

QStringList TNMSettings::ListedProfiles()
{
    FLastError.clear();
    const TReply reply = Call(FBus, SettingsPath, SettingsInterface, QStringLiteral("ListConnections"));
    if (!reply.Error.isEmpty()) {
        FLastError = reply.Error;
        return {};
    }
    QStringList result;
    for (const QString &path : PathList(reply.Values.value(0))) {
        const TReply settings = Call(FBus, path, ProfileInterface, QStringLiteral("GetSettings"));
        const QVariantMap connection = SettingsOf(settings).value(QStringLiteral("connection"));
        if (!settings.Error.isEmpty())
            FLastError = settings.Error;
        else if (ListedTypes.contains(connection.value(QStringLiteral("type")).toString()))
            result.append(connection.value(QStringLiteral("uuid")).toString());
    }
    return result;
}

bool TNMSettings::ReadProfile(const QString &uuid, TNMProfile &profile)
{
    const TReply found =
        Call(FBus, SettingsPath, SettingsInterface, QStringLiteral("GetConnectionByUuid"), {uuid});
    if (!found.Error.isEmpty())
        return Fail(QStringLiteral("connection %1: %2").arg(uuid, found.Error));
    profile.Uuid = uuid;
    profile.Path = found.Values.value(0).value<QDBusObjectPath>().path();
    const TReply reply = Call(FBus, profile.Path, ProfileInterface, QStringLiteral("GetSettings"));
    if (!reply.Error.isEmpty())
        return Fail(QStringLiteral("connection %1: %2").arg(uuid, reply.Error));
    profile.Settings = SettingsOf(reply);
    const QVariantMap connection = profile.Settings.value(QStringLiteral("connection"));
    profile.Name = connection.value(QStringLiteral("id")).toString();
    profile.InterfaceName = connection.value(QStringLiteral("interface-name")).toString();
    profile.Type = connection.value(QStringLiteral("type")).toString();
    profile.Mac = MacText(profile.Settings.value(profile.Type).value(QStringLiteral("mac-address")));
    return true;
}

bool TNMSettings::ReadDevice(const QString &path, TNMDevice &device)
{
    const TReply reply = GetAll(FBus, path, DeviceInterface);
    if (!reply.Error.isEmpty())
        return Fail(QStringLiteral("device %1: %2").arg(path, reply.Error));
    const QVariantMap props = PropertyMap(reply);
    device.Path = path;
    device.Interface = props.value(QStringLiteral("IpInterface")).toString();
    if (device.Interface.isEmpty())
        device.Interface = props.value(QStringLiteral("Interface")).toString();
    device.State = props.value(QStringLiteral("State")).toUInt();
    return true;
}

bool TNMSettings::FindActive(const QString &uuid, QString &activePath, QString &devicePath)
{
    activePath.clear();
    devicePath.clear();
    QString error;
    const QVariant list = GetProperty(FBus, NMPath, NMInterface, QStringLiteral("ActiveConnections"), error);
    if (!error.isEmpty())
        return Fail(QStringLiteral("NetworkManager: %1").arg(error));
    for (const QString &path : PathList(list)) {
        const QVariantMap active = PropertyMap(GetAll(FBus, path, ActiveInterface));
        if (active.value(QStringLiteral("Uuid")).toString() != uuid ||
            active.value(QStringLiteral("State")).toUInt() == ActiveDeactivated)
            continue;
        activePath = path;
        devicePath = PathList(active.value(QStringLiteral("Devices"))).value(0);
        return true;
    }
    return true;
}

// Bound by interface name, offered by NetworkManager as available, or bound by MAC address.
bool TNMSettings::FindDevice(const TNMProfile &profile, TNMDevice &device)
{
    QString activePath, activeDevice;
    if (!FindActive(profile.Uuid, activePath, activeDevice))
        return false;
    if (!activeDevice.isEmpty()) {
        device.ActivePath = activePath;
        return ReadDevice(activeDevice, device);
    }
    const TReply reply = Call(FBus, NMPath, NMInterface, QStringLiteral("GetDevices"));
    if (!reply.Error.isEmpty())
        return Fail(QStringLiteral("NetworkManager: %1").arg(reply.Error));
    QString byAvailability, byMac;
    for (const QString &path : PathList(reply.Values.value(0))) {
        const QVariantMap props = PropertyMap(GetAll(FBus, path, DeviceInterface));
        if (!profile.InterfaceName.isEmpty()) {
            if (props.value(QStringLiteral("Interface")).toString() == profile.InterfaceName)
                return ReadDevice(path, device);
            continue;
        }
        if (byAvailability.isEmpty() &&
            PathList(props.value(QStringLiteral("AvailableConnections"))).contains(profile.Path))
            byAvailability = path;
        if (byMac.isEmpty() && !profile.Mac.isEmpty() &&
            props.value(QStringLiteral("HwAddress")).toString().toUpper() == profile.Mac)
            byMac = path;
    }
    const QString path = byAvailability.isEmpty() ? byMac : byAvailability;
    if (path.isEmpty())
        return Fail(QStringLiteral("no device for connection '%1'").arg(profile.Name));
    return ReadDevice(path, device);
}

TNMIp4Config TNMSettings::DeviceIp4Config(const QString &devicePath)
{
    TNMIp4Config result;
    QString error;
    const QString configPath =
        GetProperty(FBus, devicePath, DeviceInterface, QStringLiteral("Ip4Config"), error)
            .value<QDBusObjectPath>()
            .path();
    if (!error.isEmpty() || configPath.isEmpty() || configPath == QLatin1String("/"))
        return result;
    const QVariantMap props = PropertyMap(GetAll(FBus, configPath, Ip4ConfigInterface));
    result.Gateway = props.value(QStringLiteral("Gateway")).toString();
    for (const QVariantMap &server :
         qdbus_cast<TVariantMapList>(props.value(QStringLiteral("NameserverData"))))
        result.Dns.append(server.value(QStringLiteral("address")).toString());
    return result;
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
        if (!settings.contains(name))
            continue;
        const TReply reply = Call(FBus, profile.Path, ProfileInterface, QStringLiteral("GetSecrets"), {name});
        const TNMSettingsMap secrets = SettingsOf(reply);
        for (auto it = secrets.cbegin(); it != secrets.cend(); ++it)
            settings[it.key()].insert(it.value());
    }
}

bool TNMSettings::Update(const TNMProfile &profile, TNMSettingsMap settings)
{
    MergeSecrets(profile, settings);
    const TReply reply =
        Call(FBus, profile.Path, ProfileInterface, QStringLiteral("Update"), {QVariant::fromValue(settings)});
    if (!reply.Error.isEmpty())
        return Fail(
            QStringLiteral("connection '%1' refused the settings: %2").arg(profile.Name, reply.Error));
    FLastError.clear();
    return true;
}

bool TNMSettings::Apply(const TNMProfile &profile)
{
    QString activePath, devicePath;
    if (!FindActive(profile.Uuid, activePath, devicePath))
        return false;
    if (!devicePath.isEmpty()) {
        const TReply reply = Call(FBus, devicePath, DeviceInterface, QStringLiteral("Reapply"),
                                  {QVariant::fromValue(TNMSettingsMap()), qulonglong(0), quint32(0)});
        if (reply.Error.isEmpty()) {
            FLastError.clear();
            return true;
        }
        // A change the device cannot take in place (its MAC address, for one): reconnect.
    }
    TNMDevice device;
    if (devicePath.isEmpty() && FindDevice(profile, device) && device.State == DeviceUnavailable) {
        FLastError.clear();
        return true;
    }
    return Activate(profile);
}

bool TNMSettings::Activate(const TNMProfile &profile)
{
    TNMDevice device;
    const QString devicePath = FindDevice(profile, device) ? device.Path : QStringLiteral("/");
    const TReply reply = Call(FBus, NMPath, NMInterface, QStringLiteral("ActivateConnection"),
                              {QVariant::fromValue(QDBusObjectPath(profile.Path)),
                               QVariant::fromValue(QDBusObjectPath(devicePath)),
                               QVariant::fromValue(QDBusObjectPath(QStringLiteral("/")))});
    if (!reply.Error.isEmpty())
        return Fail(QStringLiteral("cannot activate '%1': %2").arg(profile.Name, reply.Error));
    return WaitForActivation(reply.Values.value(0).value<QDBusObjectPath>().path(), profile.Name);
}

bool TNMSettings::WaitForActivation(const QString &activePath, const QString &name)
{
    QElapsedTimer timer;
    timer.start();
    while (!timer.hasExpired(TransitionTimeoutMs)) {
        QString error;
        const quint32 state =
            GetProperty(FBus, activePath, ActiveInterface, QStringLiteral("State"), error).toUInt();
        if (!error.isEmpty() || state == ActiveDeactivated)
            return Fail(QStringLiteral("activation of '%1' failed").arg(name));
        if (state == ActiveActivated) {
            FLastError.clear();
            return true;
        }
        QThread::msleep(PollMs);
    }
    return Fail(QStringLiteral("activation of '%1' did not finish in time").arg(name));
}

bool TNMSettings::Deactivate(const TNMProfile &profile)
{
    QString activePath, devicePath;
    if (!FindActive(profile.Uuid, activePath, devicePath))
        return false;
    if (activePath.isEmpty()) {
        FLastError.clear();
        return true;
    }
    const TReply reply = Call(FBus, NMPath, NMInterface, QStringLiteral("DeactivateConnection"),
                              {QVariant::fromValue(QDBusObjectPath(activePath))});
    if (!reply.Error.isEmpty())
        return Fail(QStringLiteral("cannot deactivate '%1': %2").arg(profile.Name, reply.Error));
    return WaitForDeactivation(profile);
}

bool TNMSettings::WaitForDeactivation(const TNMProfile &profile)
{
    QElapsedTimer timer;
    timer.start();
    while (!timer.hasExpired(TransitionTimeoutMs)) {
        QString activePath, devicePath;
        if (!FindActive(profile.Uuid, activePath, devicePath))
            return false;
        if (activePath.isEmpty()) {
            FLastError.clear();
            return true;
        }
        QThread::msleep(PollMs);
    }
    return Fail(QStringLiteral("deactivation of '%1' did not finish in time").arg(profile.Name));
}
