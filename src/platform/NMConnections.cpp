#include "platform/NMConnections.h"

#include <QUuid>
#include <net/if.h>

TNMConnectionManager::TNMConnectionManager(const QDBusConnection &bus) : FBus(bus) {}

TNetConnections TNMConnectionManager::EnumConnections()
{
    TNMSettings settings(FBus);
    TNetConnections result;
    for (const QString &uuid : settings.ListedProfiles())
        result.push_back(std::make_shared<TNMConnection>(FBus, uuid));
    FLastError = settings.LastError();
    return result;
}

TNMConnection::TNMConnection(const QDBusConnection &bus, const QString &uuid) : FSettings(bus), FUuid(uuid) {}

bool TNMConnection::Keep(bool ok)
{
    FLastError = ok ? QString() : FSettings.LastError();
    return ok;
}

bool TNMConnection::GetProperties(TNetConProperties &props)
{
    TNMProfile profile;
    if (!Keep(FSettings.ReadProfile(FUuid, profile)))
        return false;
    props.Guid = AdapterIdFromUuid(QUuid(FUuid));
    props.Name = profile.Name;
    TNMDevice device;
    if (!FSettings.FindDevice(profile, device)) {
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
    TNMProfile profile;
    return Keep(FSettings.ReadProfile(FUuid, profile) && FSettings.Activate(profile));
}

bool TNMConnection::Disconnect()
{
    TNMProfile profile;
    return Keep(FSettings.ReadProfile(FUuid, profile) && FSettings.Deactivate(profile));
}
