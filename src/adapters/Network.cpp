#include "adapters/Network.h"

#include "adapters/NetMgr.h"
#include "adapters/WMI.h"
#include "base/Exceptions.h"
#include "base/NetText.h"
#include "platform/networkmanager/AdapterKeys.h"

TStatus StatusFromDeviceState(quint32 deviceState)
{
    switch (static_cast<TDeviceState>(deviceState)) {
    case TDeviceState::Unknown:
        return nsUnkown;
    case TDeviceState::Unavailable: // no carrier: the cable or the peer is gone
        return nsOff;
    case TDeviceState::Unmanaged:
    case TDeviceState::Disconnected:
        return nsDisable;
    case TDeviceState::Activated:
        return nsWorking;
    default: // on the way up or down, or failed
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

bool TNetWork::Enable() { return Keep(FAdapter->Connect()); }

bool TNetWork::Disable() { return Keep(FAdapter->Disconnect()); }

bool TNetWork::Restart() { return Disable() && Enable(); }

bool TNetWork::Apply(const TConnectionSettings &Settings, TConnectionOutcome &Outcome)
{
    return Keep(FAdapter->Apply(Settings, SwitchTimeoutMs, Outcome));
}

bool TNetWork::WaitUntilSettled(int TimeoutMs) { return Keep(FAdapter->WaitUntilSettled(TimeoutMs)); }

int TNetWork::DevIndex()
{
    if (FDevIndex == 0) {
        const QString index =
            WmiQueryValue(QStringLiteral("Win32_NetworkAdapter"), QStringLiteral("InterfaceIndex"),
                          QStringLiteral("GUID='") + FId + QLatin1Char('\''));
        if (!index.isEmpty())
            FDevIndex = index.toInt();
    }
    return FDevIndex;
}

QString TNetWork::ConfigurationValue(const QString &PropName)
{
    const int index = DevIndex();
    if (index == 0)
        return QString();
    return WmiQueryValue(QStringLiteral("Win32_NetworkAdapterConfiguration"), PropName,
                         QStringLiteral("InterfaceIndex=") + QString::number(index));
}

QString TNetWork::Ip() { return ConfigurationValue(QStringLiteral("IpAddress")); }

QString TNetWork::GetCurrentMAC() { return ConfigurationValue(QStringLiteral("MACAddress")); }

std::unique_ptr<TExtRegistry> TNetWork::OpenAdapterKey(bool ReadOnly)
{
    auto registry = std::make_unique<TExtRegistry>(HKEY_LOCAL_MACHINE);
    const auto open = [&](const QString &key) {
        return ReadOnly ? registry->OpenKeyReadOnly(key) : registry->OpenKey(key, false);
    };
    const QString classKey = AdapterClassKeyPath();
    if (!open(classKey))
        return registry;
    for (const QString &name : registry->GetKeyNames()) {
        if (open(classKey + QLatin1Char('\\') + name) &&
            registry->ValueExists(QStringLiteral("NetCfgInstanceId")) &&
            registry->ReadString(QStringLiteral("NetCfgInstanceId")) == FId)
            return registry;
    }
    return nullptr;
}

bool TNetWork::IsMACChanged(const QString &NewMAC)
{
    const QString newMac = MacDigits(NewMAC);
    if (newMac.isEmpty())
        return false;
    const QString unset = TMacAddress().Digits();
    QString current = unset;
    const auto key = OpenAdapterKey(true);
    if (key && key->ValueExists(QStringLiteral("NetworkAddress")))
        current = key->ReadString(QStringLiteral("NetworkAddress")).trimmed().toUpper();
    if (current == unset)
        current = MacDigits(GetCurrentMAC());
    return current != newMac;
}

bool TNetWork::ChangeMAC(const QString &NewMAC)
{
    if (!IsMACChanged(NewMAC))
        return false;
    const QString newMac = MacDigits(NewMAC);
    const auto key = OpenAdapterKey(false);
    if (!key)
        return false;
    if (newMac == TMacAddress().Digits())
        key->DeleteValue(QStringLiteral("NetworkAddress"));
    else
        key->WriteString(QStringLiteral("NetworkAddress"), newMac);
    return true;
}

TNetWorkList::TNetWorkList() : TNetWorkList(TNetManager::GetInstance()) {}

TNetWorkList::TNetWorkList(TNetManager &manager) : FNetManager(manager) { ReadNetWorks(); }

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
