#include "platform/networkmanager/NMConnections.h"

#include <QUuid>
#include <net/if.h>

namespace {

bool IsUnusable(TDeviceState state)
{
    return state == TDeviceState::Unknown || state == TDeviceState::Unmanaged ||
           state == TDeviceState::Unavailable;
}

// A location sets one address and at most two DNS servers; the profile's further ones are not
// the location's to take away.
TNMIPv4 KeepingExtras(const TNMIPv4 &saved, TNMIPv4 wanted)
{
    if (wanted.Method == QLatin1String("manual") && saved.Method == QLatin1String("manual"))
        for (qsizetype i = 1; i < saved.Addresses.size(); ++i)
            if (!wanted.Addresses.contains(saved.Addresses.at(i))) {
                wanted.Addresses.append(saved.Addresses.at(i));
                wanted.Prefixes.append(saved.Prefixes.value(i, 24));
            }
    if (!wanted.Dns.isEmpty())
        for (const QString &server : saved.Dns.mid(2))
            if (!wanted.Dns.contains(server))
                wanted.Dns.append(server);
    return wanted;
}

// What the step report says of the extras kept; empty when there were none.
QString KeptText(const TNMIPv4 &asked, const TNMIPv4 &applied)
{
    QStringList kept;
    if (const qsizetype addresses = applied.Addresses.size() - asked.Addresses.size())
        kept.append(QStringLiteral("%1 more address(es)").arg(addresses));
    if (const qsizetype servers = applied.Dns.size() - asked.Dns.size())
        kept.append(QStringLiteral("%1 more DNS server(s)").arg(servers));
    return kept.isEmpty() ? QString()
                          : QStringLiteral(", keeping its %1").arg(kept.join(QStringLiteral(" and ")));
}

} // namespace

TNMConnectionManager::TNMConnectionManager(std::shared_ptr<TNMSettings> nm) : FNM(std::move(nm)) {}

TNetConnections TNMConnectionManager::EnumConnections()
{
    const QList<TNMProfile> profiles = FNM->Profiles();
    FLastError = FNM->LastError();
    TNMNetState state;
    const bool placed = FNM->ReadNetState(state);
    TNetConnections result;
    for (const TNMProfile &profile : profiles) {
        std::optional<TNetConProperties> listed;
        if (placed)
            listed = TNMConnection::PropertiesOf(profile, TNMSettings::Place(profile, state));
        result.push_back(std::make_shared<TNMConnection>(FNM, profile.Uuid, listed));
    }
    return result;
}

TNMConnection::TNMConnection(std::shared_ptr<TNMSettings> nm, const QString &uuid,
                             std::optional<TNetConProperties> listed)
    : FNM(std::move(nm)), FUuid(uuid), FListed(std::move(listed))
{}

TNetConProperties TNMConnection::PropertiesOf(const TNMProfile &profile, const TNMPlacement &placement)
{
    TNetConProperties props;
    props.Guid = AdapterIdFromUuid(QUuid(profile.Uuid));
    props.Name = profile.Name;
    const TNMDevice &device = placement.Device;
    if (device.Path.isEmpty()) {
        props.DeviceName = profile.InterfaceName;
        props.DeviceState = static_cast<quint32>(TDeviceState::Disconnected);
        return props;
    }
    props.DeviceName = InterfaceDescription(
        device.LinkName(), static_cast<int>(if_nametoindex(device.LinkName().toLocal8Bit().constData())));
    // Another profile's progress on the shared device is not ours: we are merely disconnected.
    props.DeviceState = !placement.ActivePath.isEmpty() || IsUnusable(static_cast<TDeviceState>(device.State))
                            ? device.State
                            : static_cast<quint32>(TDeviceState::Disconnected);
    return props;
}

bool TNMConnection::Keep(bool ok)
{
    FLastError = ok ? QString() : FNM->LastError();
    return ok;
}

bool TNMConnection::ReadPlaced(TNMProfile &profile, TNMPlacement &placement)
{
    return Keep(FNM->ReadProfile(FUuid, profile) && FNM->Locate(profile, placement));
}

bool TNMConnection::GetProperties(TNetConProperties &props)
{
    if (FListed) {
        props = *std::exchange(FListed, std::nullopt);
        return true;
    }
    TNMProfile profile;
    TNMPlacement placement;
    if (!ReadPlaced(profile, placement))
        return false;
    props = PropertiesOf(profile, placement);
    return true;
}

bool TNMConnection::Connect()
{
    TNMProfile profile;
    return Keep(FNM->ReadProfile(FUuid, profile) && FNM->Activate(profile));
}

bool TNMConnection::Disconnect()
{
    TNMProfile profile;
    return Keep(FNM->ReadProfile(FUuid, profile) && FNM->Deactivate(profile));
}

bool TNMConnection::WaitUntilSettled(int timeoutMs)
{
    TNMProfile profile;
    TNMPlacement placement;
    return ReadSettled(profile, placement, timeoutMs);
}

bool TNMConnection::ReadSettled(TNMProfile &profile, TNMPlacement &placement, int timeoutMs)
{
    if (!ReadPlaced(profile, placement))
        return false;
    if (!IsMovingState(PropertiesOf(profile, placement).DeviceState))
        return true;
    bool readable = true;
    const auto settled = [&] {
        readable = ReadPlaced(profile, placement);
        return !readable || !IsMovingState(PropertiesOf(profile, placement).DeviceState);
    };
    if (!FNM->WaitUntil(settled, placement.Device.Path, timeoutMs)) {
        FLastError = QStringLiteral("connection '%1' is still on its way up or down").arg(profile.Name);
        return false;
    }
    return readable;
}

bool TNMConnection::Apply(const TConnectionSettings &settings, int settleTimeoutMs,
                          TConnectionOutcome &outcome)
{
    outcome = {};
    TNMProfile profile;
    TNMPlacement placement;
    const bool settled = ReadSettled(profile, placement, settleTimeoutMs);
    if (!profile.Uuid.isEmpty())
        outcome.DeviceState = PropertiesOf(profile, placement).DeviceState;
    if (!settled) {
        if (!FNM->IsRunning())
            FLastError = NotSwitchableReason();
        return false;
    }
    if (IsMovingState(outcome.DeviceState)) {
        FLastError = QStringLiteral("connection '%1' is not working").arg(profile.Name);
        return false;
    }
    const TNMIPv4 ipv4 = KeepingExtras(TNMSettings::IPv4Of(profile.Settings), settings.IPv4);
    if (!Keep(FNM->ApplyOn(profile, placement, ipv4, settings.Mac.Colons())))
        return false;
    outcome.Action = FNM->LastAction() + KeptText(settings.IPv4, ipv4);
    outcome.LinkName = placement.Device.Path.isEmpty() ? QString() : placement.Device.LinkName();
    return true;
}
