#include "platform/networkmanager/NetAdapters.h"

#include <QUuid>
#include <net/if.h>

namespace {

TNetAdapterInfo ProfileAdapter(TNMSettings &nm, const TNMProfile &profile, const TNMPlacement &placement)
{
    TNetAdapterInfo info;
    info.Id = AdapterIdFromUuid(QUuid(profile.Uuid));
    info.ProfileUuid = profile.Uuid;
    info.Name = profile.Name;
    info.Description = profile.InterfaceName;
    info.Stored = TNMSettings::IPv4Of(profile.Settings);
    info.AssignedMac = TNMSettings::AssignedMac(profile);
    if (placement.Device.Path.isEmpty())
        return info;
    info.Link = ReadKernelLink(placement.Device.LinkName());
    info.Description = InterfaceDescription(placement.Device.LinkName(), info.Link.Index);
    info.Active = !placement.ActivePath.isEmpty();
    if (info.Active)
        info.Live = nm.Ip4ConfigOf(placement.Device);
    return info;
}

} // namespace

QList<TNetAdapterInfo> ReadProfileAdapters(TNMSettings &nm, QString &error)
{
    error.clear();
    if (!nm.IsRunning())
        return {};
    const QList<TNMProfile> profiles = nm.Profiles();
    error = nm.LastError();
    TNMNetState state;
    if (!nm.ReadNetState(state))
        error = nm.LastError();
    QList<TNetAdapterInfo> result;
    for (const TNMProfile &profile : profiles)
        result.append(ProfileAdapter(nm, profile, TNMSettings::Place(profile, state)));
    return result;
}

bool ReadProfileAdapter(TNMSettings &nm, const QString &uuid, TNetAdapterInfo &info)
{
    TNMProfile profile;
    TNMPlacement placement;
    if (!nm.ReadProfile(uuid, profile) || !TNMSettings::IsListed(profile) || !nm.Locate(profile, placement))
        return false;
    info = ProfileAdapter(nm, profile, placement);
    return true;
}

bool ReadActiveAdapterOn(TNMSettings &nm, int ifIndex, TNetAdapterInfo &info)
{
    char name[IF_NAMESIZE] = {};
    TNMDevice device;
    TNMActive active;
    TNMProfile profile;
    if (ifIndex <= 0 || !if_indextoname(static_cast<unsigned>(ifIndex), name) ||
        !nm.ReadDeviceOn(QString::fromLocal8Bit(name), device, active) || active.Path.isEmpty() ||
        !nm.ReadProfile(active.Uuid, profile) || !TNMSettings::IsListed(profile))
        return false;
    info = ProfileAdapter(nm, profile, {device, active.Path});
    return true;
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
