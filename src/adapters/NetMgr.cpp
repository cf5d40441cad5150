#include "adapters/NetMgr.h"

#include "base/Exceptions.h"

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

} // namespace

TNetManager &TNetManager::GetInstance()
{
    if (!Instance())
        Instance() = std::make_unique<TNetManager>(Factory() ? Factory()() : nullptr);
    return *Instance();
}

void TNetManager::ReleaseInstance() { Instance().reset(); }

void TNetManager::SetBackendFactory(TNetBackendFactory factory) { Factory() = std::move(factory); }

TNetManager::TNetManager(std::unique_ptr<INetConnectionManager> manager) : FManager(std::move(manager))
{
    if (!FManager)
        throw EWayfarelError(QStringLiteral("Error Create ConnectionManager Instance!"));
    Refresh();
}

void TNetManager::Refresh() { FConnList = FManager->EnumConnections(); }
