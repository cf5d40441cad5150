#include "adapters/Network.h"

#include "adapters/NetMgr.h"
#include "app/Exceptions.h"

TStatus StatusFromDeviceState(quint32 deviceState)
{
    switch (static_cast<TDeviceState>(deviceState)) {
    case TDeviceState::Unknown:
        return nsUnkown;
    case TDeviceState::Unavailable:  // no carrier: the cable or the peer is gone
        return nsOff;
    case TDeviceState::Unmanaged:
    case TDeviceState::Disconnected:
        return nsDisable;
    case TDeviceState::Activated:
        return nsWorking;
    default:  // on the way up or down, or failed
        return nsNotWorking;
    }
}

TNetWork::TNetWork(std::shared_ptr<INetConnection> connection) : FAdapter(std::move(connection))
{
    TNetConProperties props;
    if (!FAdapter || !FAdapter->GetProperties(props))
        throw EWayfarelError(QStringLiteral("Can not get Adapter Properties!"));
    FId = props.Guid;
    FName = props.Name;
    FDescription = props.DeviceName;
}

TStatus TNetWork::Status() const
{
    TNetConProperties props;
    if (!FAdapter->GetProperties(props))
        return nsUnkown;
    return StatusFromDeviceState(props.DeviceState);
}

bool TNetWork::Keep(bool ok)
{
    FLastError = ok ? QString() : FAdapter->LastError();
    return ok;
}

bool TNetWork::Enable()
{
    return Keep(FAdapter->Connect());
}

bool TNetWork::Disable()
{
    return Keep(FAdapter->Disconnect());
}

bool TNetWork::Restart()
{
    return Disable() && Enable();
}

int TNetWork::DevIndex()
{
    if (FDevIndex == 0)
        FDevIndex = FAdapter->InterfaceIndex();
    return FDevIndex;
}

TNetWorkList::TNetWorkList() : TNetWorkList(TNetManager::GetInstance()) {}

TNetWorkList::TNetWorkList(TNetManager &manager) : FNetManager(manager)
{
    ReadNetWorks();
}

void TNetWorkList::ReadNetWorks()
{
    FLines.clear();
    for (int i = 0; i < FNetManager.Count(); ++i) {
        auto network = std::make_unique<TNetWork>(FNetManager.Connections(i));
        const QString id = network->Id();
        AddNetWork(id, std::move(network));
    }
}

void TNetWorkList::AddNetWork(const QString &id, std::unique_ptr<TNetWork> value)
{
    FLines.emplace_back(id, std::move(value));
}

TNetWork *TNetWorkList::GetNetWork(const QString &id) const
{
    for (const auto &line : FLines) {
        if (line.first.compare(id, Qt::CaseInsensitive) == 0)
            return line.second.get();
    }
    return nullptr;
}

void TNetWorkList::ClearObjects()
{
    for (auto &line : FLines)
        line.second.reset();
}
