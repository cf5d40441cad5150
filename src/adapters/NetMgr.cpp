#include "adapters/NetMgr.h"

#include "base/Exceptions.h"
#include "platform/AdapterKeys.h"
#include "platform/NMConnections.h"

namespace {

std::unique_ptr<TNetManager> &Instance()
{
    static std::unique_ptr<TNetManager> instance;
    return instance;
}

TNetBackendFactory &Factory()
{
    static TNetBackendFactory factory;
    return factory;
}

std::unique_ptr<INetConnectionManager> MakeBackend()
{
    if (Factory())
        return Factory()();
    return CreateNetConnectionManager();
}

} // namespace

TNetManager &TNetManager::GetInstance()
{
    if (!Instance()) {
        auto backend = MakeBackend();
        // The adapters' driver and TCP/IP keys are NetworkManager's profiles.
        if (const auto *nm = dynamic_cast<const TNMConnectionManager *>(backend.get()))
            MountAdapterKeys(nm->Bus());
        Instance() = std::make_unique<TNetManager>(std::move(backend));
    }
    return *Instance();
}

void TNetManager::ReleaseInstance()
{
    if (Instance())
        UnmountAdapterKeys();
    Instance().reset();
}

void TNetManager::SetBackendFactory(TNetBackendFactory factory) { Factory() = std::move(factory); }

TNetManager::TNetManager(std::unique_ptr<INetConnectionManager> manager) : FManager(std::move(manager))
{
    if (!FManager)
        throw EWayfarelError(QStringLiteral("Error Create ConnectionManager Instance!"));
    Refresh();
}

void TNetManager::Refresh() { FConnList = FManager->EnumConnections(); }
