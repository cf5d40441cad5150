#include "platform/NMConnections.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QThread>
#include <net/if.h>

namespace {

using TNMSettings = QMap<QString, QVariantMap>;

const QString NMPath = QStringLiteral("/org/freedesktop/NetworkManager");
const QString NMInterface = QStringLiteral("org.freedesktop.NetworkManager");
const QString SettingsPath = QStringLiteral("/org/freedesktop/NetworkManager/Settings");
const QString SettingsInterface = QStringLiteral("org.freedesktop.NetworkManager.Settings");
const QString ProfileInterface = QStringLiteral("org.freedesktop.NetworkManager.Settings.Connection");
const QString DeviceInterface = QStringLiteral("org.freedesktop.NetworkManager.Device");
const QString ActiveInterface = QStringLiteral("org.freedesktop.NetworkManager.Connection.Active");
const QStringList ListedTypes = {QStringLiteral("802-3-ethernet"), QStringLiteral("802-11-wireless")};

// NMActiveConnectionState values.
constexpr quint32 ActiveActivated = 2;
constexpr quint32 ActiveDeactivated = 4;
constexpr int PollMs = 50;
constexpr int CallTimeoutMs = 15000;

struct TReply
{
    QVariantList Values;
    QString Error;  // empty when the call succeeded
};

TReply Call(const QDBusConnection &bus, const QString &path, const QString &interface,
            const QString &method, const QVariantList &args = {})
{
    QDBusMessage message = QDBusMessage::createMethodCall(TNMConnectionManager::Service(), path,
                                                          interface, method);
    message.setArguments(args);
    const QDBusMessage reply = bus.call(message, QDBus::Block, CallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage)
        return {{}, reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage()};
    return {reply.arguments(), QString()};
}

TReply GetAll(const QDBusConnection &bus, const QString &path, const QString &interface)
{
    return Call(bus, path, QStringLiteral("org.freedesktop.DBus.Properties"),
                QStringLiteral("GetAll"), {interface});
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

QString MacText(const QVariant &value)
{
    return value.toByteArray().toHex(':').toUpper();
}

TNMSettings ProfileSettings(const QDBusConnection &bus, const QString &path, QString &error)
{
    const TReply reply = Call(bus, path, ProfileInterface, QStringLiteral("GetSettings"));
    error = reply.Error;
    return reply.Values.isEmpty() ? TNMSettings() : qdbus_cast<TNMSettings>(reply.Values.first());
}

}  // namespace

TNMConnectionManager::TNMConnectionManager(const QDBusConnection &bus) : FBus(bus) {}

QString TNMConnectionManager::Service()
{
    return QStringLiteral("org.freedesktop.NetworkManager");
}

TNetConnections TNMConnectionManager::EnumConnections()
{
    FLastError.clear();
    const TReply reply = Call(FBus, SettingsPath, SettingsInterface, QStringLiteral("ListConnections"));
    if (!reply.Error.isEmpty()) {
        FLastError = reply.Error;
        return {};
    }
    TNetConnections result;
    for (const QString &path : PathList(reply.Values.value(0))) {
        QString error;
        const TNMSettings settings = ProfileSettings(FBus, path, error);
        const QVariantMap connection = settings.value(QStringLiteral("connection"));
        if (!error.isEmpty())
            FLastError = error;
        else if (ListedTypes.contains(connection.value(QStringLiteral("type")).toString()))
            result.push_back(std::make_shared<TNMConnection>(
                FBus, connection.value(QStringLiteral("uuid")).toString()));
    }
    return result;
}

TNMConnection::TNMConnection(const QDBusConnection &bus, const QString &uuid)
    : FBus(bus), FUuid(uuid)
{
}

bool TNMConnection::Fail(const QString &reason)
{
    FLastError = reason;
    return false;
}

bool TNMConnection::ReadProfile(TProfile &profile)
{
    const TReply found = Call(FBus, SettingsPath, SettingsInterface,
                              QStringLiteral("GetConnectionByUuid"), {FUuid});
    if (!found.Error.isEmpty())
        return Fail(QStringLiteral("connection %1: %2").arg(FUuid, found.Error));
    profile.Path = found.Values.value(0).value<QDBusObjectPath>().path();
    QString error;
    const TNMSettings settings = ProfileSettings(FBus, profile.Path, error);
    if (!error.isEmpty())
        return Fail(QStringLiteral("connection %1: %2").arg(FUuid, error));
    const QVariantMap connection = settings.value(QStringLiteral("connection"));
    profile.Name = connection.value(QStringLiteral("id")).toString();
    profile.InterfaceName = connection.value(QStringLiteral("interface-name")).toString();
    const QString type = connection.value(QStringLiteral("type")).toString();
    profile.Mac = MacText(settings.value(type).value(QStringLiteral("mac-address")));
    return true;
}

bool TNMConnection::ReadDevice(const QString &path, TDevice &device)
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

// Our active connection and its device, when the profile is active.
bool TNMConnection::FindActive(QString &activePath, QString &devicePath)
{
    activePath.clear();
    devicePath.clear();
    const TReply reply = Call(FBus, NMPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                              QStringLiteral("Get"), {NMInterface, QStringLiteral("ActiveConnections")});
    if (!reply.Error.isEmpty())
        return Fail(QStringLiteral("NetworkManager: %1").arg(reply.Error));
    const QVariant list = reply.Values.value(0).value<QDBusVariant>().variant();
    for (const QString &path : PathList(list)) {
        const QVariantMap active = PropertyMap(GetAll(FBus, path, ActiveInterface));
        if (active.value(QStringLiteral("Uuid")).toString() != FUuid ||
            active.value(QStringLiteral("State")).toUInt() == ActiveDeactivated)
            continue;
        activePath = path;
        devicePath = PathList(active.value(QStringLiteral("Devices"))).value(0);
        return true;
    }
    return true;
}

// The device the profile is active on, else the one it would be activated on: bound by
// interface name, offered by NetworkManager as available, or bound by MAC address.
bool TNMConnection::FindDevice(const TProfile &profile, TDevice &device)
{
    QString activePath, activeDevice;
    if (!FindActive(activePath, activeDevice))
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

bool TNMConnection::GetProperties(TNetConProperties &props)
{
    TProfile profile;
    if (!ReadProfile(profile))
        return false;
    props.Guid = AdapterIdFromUuid(QUuid(FUuid));
    props.Name = profile.Name;
    TDevice device;
    if (!FindDevice(profile, device)) {
        props.DeviceName = profile.InterfaceName;
        props.DeviceState = static_cast<quint32>(TDeviceState::Disconnected);
        return true;
    }
    props.DeviceName = InterfaceDescription(
        device.Interface, static_cast<int>(if_nametoindex(device.Interface.toLocal8Bit().constData())));
    const auto state = static_cast<TDeviceState>(device.State);
    const bool deviceUnusable = state == TDeviceState::Unknown || state == TDeviceState::Unmanaged ||
                                state == TDeviceState::Unavailable;
    // Another profile's progress on the shared device is not ours: we are merely disconnected.
    props.DeviceState = !device.ActivePath.isEmpty() || deviceUnusable
                            ? device.State
                            : static_cast<quint32>(TDeviceState::Disconnected);
    return true;
}

bool TNMConnection::Connect()
{
    TProfile profile;
    if (!ReadProfile(profile))
        return false;
    TDevice device;
    const QString devicePath = FindDevice(profile, device) ? device.Path : QStringLiteral("/");
    const TReply reply = Call(FBus, NMPath, NMInterface, QStringLiteral("ActivateConnection"),
                              {QVariant::fromValue(QDBusObjectPath(profile.Path)),
                               QVariant::fromValue(QDBusObjectPath(devicePath)),
                               QVariant::fromValue(QDBusObjectPath(QStringLiteral("/")))});
    if (!reply.Error.isEmpty())
        return Fail(QStringLiteral("cannot activate '%1': %2").arg(profile.Name, reply.Error));
    return WaitForActivation(reply.Values.value(0).value<QDBusObjectPath>().path(), profile.Name);
}

bool TNMConnection::WaitForActivation(const QString &activePath, const QString &name)
{
    QElapsedTimer timer;
    timer.start();
    while (!timer.hasExpired(TransitionTimeoutMs)) {
        const TReply reply = Call(FBus, activePath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                  QStringLiteral("Get"), {ActiveInterface, QStringLiteral("State")});
        const quint32 state = reply.Values.value(0).value<QDBusVariant>().variant().toUInt();
        if (!reply.Error.isEmpty() || state == ActiveDeactivated)
            return Fail(QStringLiteral("activation of '%1' failed").arg(name));
        if (state == ActiveActivated) {
            FLastError.clear();
            return true;
        }
        QThread::msleep(PollMs);
    }
    return Fail(QStringLiteral("activation of '%1' did not finish in time").arg(name));
}

bool TNMConnection::Disconnect()
{
    TProfile profile;
    if (!ReadProfile(profile))
        return false;
    QString activePath, devicePath;
    if (!FindActive(activePath, devicePath))
        return false;
    if (activePath.isEmpty()) {
        FLastError.clear();
        return true;
    }
    const TReply reply = Call(FBus, NMPath, NMInterface, QStringLiteral("DeactivateConnection"),
                              {QVariant::fromValue(QDBusObjectPath(activePath))});
    if (!reply.Error.isEmpty())
        return Fail(QStringLiteral("cannot deactivate '%1': %2").arg(profile.Name, reply.Error));
    return WaitForDeactivation(profile.Name);
}

bool TNMConnection::WaitForDeactivation(const QString &name)
{
    QElapsedTimer timer;
    timer.start();
    while (!timer.hasExpired(TransitionTimeoutMs)) {
        QString activePath, devicePath;
        if (!FindActive(activePath, devicePath))
            return false;
        if (activePath.isEmpty()) {
            FLastError.clear();
            return true;
        }
        QThread::msleep(PollMs);
    }
    return Fail(QStringLiteral("deactivation of '%1' did not finish in time").arg(name));
}

int TNMConnection::InterfaceIndex()
{
    TProfile profile;
    TDevice device;
    if (!ReadProfile(profile) || !FindDevice(profile, device))
        return 0;
    return static_cast<int>(if_nametoindex(device.Interface.toLocal8Bit().constData()));
}
