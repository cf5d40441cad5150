#include "platform/NetAdapters.h"

#include <QUuid>

namespace {

TNetAdapterInfo ProfileAdapter(TNMSettings &settings, const TNMProfile &profile)
{
    TNetAdapterInfo info;
    info.Id = AdapterIdFromUuid(QUuid(profile.Uuid));
    info.ProfileUuid = profile.Uuid;
    info.Name = profile.Name;
    info.Description = profile.InterfaceName;
    info.Stored = TNMSettings::IPv4Of(profile.Settings);
    info.AssignedMac = TNMSettings::AssignedMac(profile);
    TNMDevice device;
    if (!settings.FindDevice(profile, device))
        return info;
    info.Link = ReadKernelLink(device.Interface);
    info.Description = InterfaceDescription(device.Interface, info.Link.Index);
    info.Active = !device.ActivePath.isEmpty();
    if (info.Active)
        info.Live = settings.DeviceIp4Config(device.Path);
    return info;
}

} // namespace

QList<TNetAdapterInfo> ReadProfileAdapters(const QDBusConnection &bus, QString &error)
{
    error.clear();
    if (!TNMSettings::IsRunning(bus))
        return {};
    TNMSettings settings(bus);
    QList<TNetAdapterInfo> result;
    const QStringList uuids = settings.ListedProfiles();
    error = settings.LastError();
    for (const QString &uuid : uuids) {
        TNMProfile profile;
        if (settings.ReadProfile(uuid, profile))
            result.append(ProfileAdapter(settings, profile));
        else
            error = settings.LastError();
    }
    return result;
}

QList<TNetAdapterInfo> ReadKernelAdapters()
{
    QList<TNetAdapterInfo> result;
    for (const auto &connection : TKernelConnectionManager().EnumConnections()) {
        TNetConProperties props;
        if (!connection->GetProperties(props))
            continue;
        TNetAdapterInfo info;
        info.Id = props.Guid;
        info.Name = props.Name;
        info.Description = props.DeviceName;
        info.Active = true;
        info.Link = ReadKernelLink(props.Name);
        result.append(info);
    }
    return result;
}
