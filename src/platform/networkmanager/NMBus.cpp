#include "platform/networkmanager/NMBus.h"

#include "platform/process/EventWait.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>

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
const QString Dhcp4ConfigInterface = QStringLiteral("org.freedesktop.NetworkManager.DHCP4Config");
const QString WirelessInterface = QStringLiteral("org.freedesktop.NetworkManager.Device.Wireless");
const QString AccessPointInterface = QStringLiteral("org.freedesktop.NetworkManager.AccessPoint");
const QString PropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
constexpr int CallTimeoutMs = 15000;
// The answer wakes the wait; this only bounds a wake that went missing.
constexpr int ReplyRecheckMs = 100;

void RegisterTypes()
{
    static const bool registered = [] {
        qDBusRegisterMetaType<TNMSettingsMap>();
        qDBusRegisterMetaType<TVariantMapList>();
        return true;
    }();
    Q_UNUSED(registered);
}

QString ErrorText(const QDBusMessage &reply)
{
    return reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage();
}

QStringList PathList(const QVariant &value)
{
    QStringList result;
    for (const QDBusObjectPath &path : qdbus_cast<QList<QDBusObjectPath>>(value))
        result.append(path.path());
    return result;
}

// NetworkManager says "/" for "none".
QString PathOrEmpty(const QVariant &value)
{
    const QString path = value.value<QDBusObjectPath>().path();
    return path == QLatin1String("/") ? QString() : path;
}

// Waits for the answer to a call, with the event loop running where there is one.
void AwaitReply(QDBusPendingCall &pending)
{
    if (QCoreApplication::instance() && !pending.isFinished()) {
        QDBusPendingCallWatcher watcher(pending);
        TEventWait wait;
        QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, &wait, &TEventWait::Wake);
        wait.Until([&pending] { return pending.isFinished(); }, CallTimeoutMs, ReplyRecheckMs);
    }
    pending.waitForFinished();
}

QVariant ObjectPath(const QString &path)
{
    return QVariant::fromValue(QDBusObjectPath(path.isEmpty() ? QStringLiteral("/") : path));
}

QDBusMessage MethodCall(const QString &path, const QString &interface, const QString &method,
                        const QVariantList &args = {})
{
    QDBusMessage message = QDBusMessage::createMethodCall(TNMDBus::Service(), path, interface, method);
    message.setArguments(args);
    return message;
}

QString StateInterfaceOf(const QString &path)
{
    return path.contains(QLatin1String("/ActiveConnection/")) ? ActiveInterface : DeviceInterface;
}

} // namespace

TNMDBus::TNMDBus(const QDBusConnection &bus) : FBus(bus) { RegisterTypes(); }

QString TNMDBus::Service() { return QStringLiteral("org.freedesktop.NetworkManager"); }

bool TNMDBus::IsRunning()
{
    return FBus.isConnected() && FBus.interface() && FBus.interface()->isServiceRegistered(Service());
}

// NetworkManager answers late while it is busy bringing a connection up, so the event loop runs
// while a call waits for its answer: windows keep repainting and answering meanwhile.
QVariantList TNMDBus::Call(const QString &path, const QString &interface, const QString &method,
                           const QVariantList &args)
{
    QDBusPendingCall pending = FBus.asyncCall(MethodCall(path, interface, method, args), CallTimeoutMs);
    AwaitReply(pending);
    const QDBusMessage reply = pending.reply();
    if (reply.type() != QDBusMessage::ReplyMessage) {
        FLastError = ErrorText(reply);
        FLastErrorName = reply.errorName();
        return {};
    }
    FLastError.clear();
    FLastErrorName.clear();
    return reply.arguments();
}

QVariantMap TNMDBus::GetAll(const QString &path, const QString &interface)
{
    const QVariantList values = Call(path, PropertiesInterface, QStringLiteral("GetAll"), {interface});
    return values.isEmpty() ? QVariantMap() : qdbus_cast<QVariantMap>(values.first());
}

bool TNMDBus::ListConnections(QStringList &paths)
{
    paths = PathList(Call(SettingsPath, SettingsInterface, QStringLiteral("ListConnections")).value(0));
    return FLastError.isEmpty();
}

// Sent before any answer is awaited, so a long listing costs one round trip, not one per profile.
bool TNMDBus::GetSettings(const QStringList &paths, QList<TNMSettingsMap> &settings)
{
    QList<QDBusPendingCall> calls;
    for (const QString &path : paths)
        calls.append(
            FBus.asyncCall(MethodCall(path, ProfileInterface, QStringLiteral("GetSettings")), CallTimeoutMs));
    settings.clear();
    FLastError.clear();
    FLastErrorName.clear();
    for (QDBusPendingCall &call : calls) {
        AwaitReply(call);
        const QDBusMessage reply = call.reply();
        if (reply.type() != QDBusMessage::ReplyMessage) {
            FLastError = ErrorText(reply);
            FLastErrorName = reply.errorName();
            settings.append(TNMSettingsMap());
            continue;
        }
        settings.append(qdbus_cast<TNMSettingsMap>(reply.arguments().value(0)));
    }
    return FLastError.isEmpty();
}

bool TNMDBus::GetSecrets(const QString &path, const QString &setting, TNMSettingsMap &secrets)
{
    const QVariantList values = Call(path, ProfileInterface, QStringLiteral("GetSecrets"), {setting});
    secrets = values.isEmpty() ? TNMSettingsMap() : qdbus_cast<TNMSettingsMap>(values.first());
    return FLastError.isEmpty();
}

bool TNMDBus::GetConnectionByUuid(const QString &uuid, QString &path)
{
    path = Call(SettingsPath, SettingsInterface, QStringLiteral("GetConnectionByUuid"), {uuid})
               .value(0)
               .value<QDBusObjectPath>()
               .path();
    return FLastError.isEmpty();
}

bool TNMDBus::Update(const QString &path, const TNMSettingsMap &settings)
{
    Call(path, ProfileInterface, QStringLiteral("Update"), {QVariant::fromValue(settings)});
    return FLastError.isEmpty();
}

bool TNMDBus::GetDevices(QStringList &paths)
{
    paths = PathList(Call(NMPath, NMInterface, QStringLiteral("GetDevices")).value(0));
    return FLastError.isEmpty();
}

bool TNMDBus::GetDeviceByIpIface(const QString &interfaceName, QString &path)
{
    path = Call(NMPath, NMInterface, QStringLiteral("GetDeviceByIpIface"), {interfaceName})
               .value(0)
               .value<QDBusObjectPath>()
               .path();
    return FLastError.isEmpty();
}

bool TNMDBus::ReadDevice(const QString &path, TNMDevice &device)
{
    const QVariantMap props = GetAll(path, DeviceInterface);
    if (!FLastError.isEmpty())
        return false;
    device.Path = path;
    device.Interface = props.value(QStringLiteral("Interface")).toString();
    device.IpInterface = props.value(QStringLiteral("IpInterface")).toString();
    device.HwAddress = props.value(QStringLiteral("HwAddress")).toString().toUpper();
    device.Type = props.value(QStringLiteral("DeviceType")).toUInt();
    device.State = props.value(QStringLiteral("State")).toUInt();
    device.ActiveConnection = PathOrEmpty(props.value(QStringLiteral("ActiveConnection")));
    device.Ip4Config = PathOrEmpty(props.value(QStringLiteral("Ip4Config")));
    device.Dhcp4Config = PathOrEmpty(props.value(QStringLiteral("Dhcp4Config")));
    device.AvailableConnections = PathList(props.value(QStringLiteral("AvailableConnections")));
    return true;
}

bool TNMDBus::ReadActive(const QString &path, TNMActive &active)
{
    const QVariantMap props = GetAll(path, ActiveInterface);
    if (!FLastError.isEmpty())
        return false;
    active.Path = path;
    active.Uuid = props.value(QStringLiteral("Uuid")).toString();
    active.State = props.value(QStringLiteral("State")).toUInt();
    active.Devices = PathList(props.value(QStringLiteral("Devices")));
    return true;
}

bool TNMDBus::ReadIp4Config(const QString &path, TNMIp4Config &config)
{
    const QVariantMap props = GetAll(path, Ip4ConfigInterface);
    if (!FLastError.isEmpty())
        return false;
    config.Addresses.clear();
    for (const QVariantMap &address : qdbus_cast<TVariantMapList>(props.value(QStringLiteral("AddressData"))))
        config.Addresses.append(address.value(QStringLiteral("address")).toString());
    config.Gateway = props.value(QStringLiteral("Gateway")).toString();
    config.Dns.clear();
    for (const QVariantMap &server :
         qdbus_cast<TVariantMapList>(props.value(QStringLiteral("NameserverData"))))
        config.Dns.append(server.value(QStringLiteral("address")).toString());
    return true;
}

bool TNMDBus::ReadDhcp4Options(const QString &path, QVariantMap &options)
{
    options = qdbus_cast<QVariantMap>(GetAll(path, Dhcp4ConfigInterface).value(QStringLiteral("Options")));
    return FLastError.isEmpty();
}

bool TNMDBus::ReadAccessPoint(const QString &devicePath, QString &ssid, QString &bssid)
{
    ssid.clear();
    bssid.clear();
    const QString apPath =
        PathOrEmpty(GetAll(devicePath, WirelessInterface).value(QStringLiteral("ActiveAccessPoint")));
    if (!FLastError.isEmpty() || apPath.isEmpty())
        return FLastError.isEmpty();
    const QVariantMap props = GetAll(apPath, AccessPointInterface);
    ssid = QString::fromUtf8(props.value(QStringLiteral("Ssid")).toByteArray());
    bssid = props.value(QStringLiteral("HwAddress")).toString().toUpper();
    return FLastError.isEmpty();
}

bool TNMDBus::Reapply(const QString &devicePath)
{
    Call(devicePath, DeviceInterface, QStringLiteral("Reapply"),
         {QVariant::fromValue(TNMSettingsMap()), qulonglong(0), quint32(0)});
    return FLastError.isEmpty();
}

bool TNMDBus::ActivateConnection(const QString &profilePath, const QString &devicePath, QString &activePath)
{
    activePath = Call(NMPath, NMInterface, QStringLiteral("ActivateConnection"),
                      {ObjectPath(profilePath), ObjectPath(devicePath), ObjectPath(QString())})
                     .value(0)
                     .value<QDBusObjectPath>()
                     .path();
    return FLastError.isEmpty();
}

bool TNMDBus::DeactivateConnection(const QString &activePath)
{
    Call(NMPath, NMInterface, QStringLiteral("DeactivateConnection"), {ObjectPath(activePath)});
    return FLastError.isEmpty();
}

// Any sender: naming the service would make the connection look up and follow its owner, three
// more calls for a signal that only makes the waiter look again.
void TNMDBus::WatchState(const QString &path, QObject *receiver, const char *slot)
{
    FBus.connect(QString(), path, StateInterfaceOf(path), QStringLiteral("StateChanged"), receiver, slot);
}

void TNMDBus::UnwatchState(const QString &path, QObject *receiver, const char *slot)
{
    FBus.disconnect(QString(), path, StateInterfaceOf(path), QStringLiteral("StateChanged"), receiver, slot);
}

// Any of NetworkManager's objects: a device's state, an activation, an IPv4 configuration or a
// lease all count, and the watcher looks at the whole network again anyway. Other services'
// property changes are not NetworkManager's and stay out.
void TNMDBus::WatchNetwork(QObject *receiver, const char *slot)
{
    FBus.connect(Service(), QString(), DeviceInterface, QStringLiteral("StateChanged"), receiver, slot);
    FBus.connect(Service(), QString(), PropertiesInterface, QStringLiteral("PropertiesChanged"), receiver,
                 slot);
}

void TNMDBus::UnwatchNetwork(QObject *receiver, const char *slot)
{
    FBus.disconnect(Service(), QString(), DeviceInterface, QStringLiteral("StateChanged"), receiver, slot);
    FBus.disconnect(Service(), QString(), PropertiesInterface, QStringLiteral("PropertiesChanged"), receiver,
                    slot);
}
