#include "adapters/SystemBackends.h"

#include "adapters/NetMgr.h"
#include "adapters/WmiProviders.h"
#include "platform/desktop/InternetSettings.h"
#include "platform/kernel/PrivilegedNet.h"
#include "platform/networkmanager/AdapterKeys.h"
#include "platform/networkmanager/NMSettings.h"
#include "platform/sharing/NetworkMounts.h"
#include "platform/sharing/UserShares.h"

#include <QDBusConnection>

// One NetworkManager object serves them all, so what one has read another need not ask again.
void InstallSystemBackends(const QDBusConnection &SystemBus)
{
    const auto nm = TNMSettings::OnBus(SystemBus);
    TNetManager::ReleaseInstance();
    TNetManager::SetBackendFactory([nm] { return CreateNetConnectionManager(nm); });
    MountAdapterKeys(nm);
    TWmiProviders::Register(std::make_shared<TAdapterConfigurationProvider>(nm));
    TWmiProviders::Register(std::make_shared<TNetworkAdapterProvider>(nm));
    TWmiProviders::Register(std::make_shared<TPrinterProvider>());
    TWmiProviders::Register(std::make_shared<TShareProvider>());
    TWmiProviders::Register(std::make_shared<TNetworkConnectionProvider>());
    InstallDesktopProxy(std::make_shared<TDesktopProxy>());
    InstallUserShares(std::make_shared<TNetUserShares>());
    InstallNetworkMounts(std::make_shared<TGioNetworkMounts>());
    InstallPrivilegedNet(std::make_shared<THelperNet>(THelperNet::DefaultHelpers()));
}

void RemoveSystemBackends()
{
    TNetManager::ReleaseInstance();
    TNetManager::SetBackendFactory(nullptr);
    UnmountAdapterKeys();
    TWmiProviders::Reset();
    InstallDesktopProxy(nullptr);
    InstallUserShares(nullptr);
    InstallNetworkMounts(nullptr);
    InstallPrivilegedNet(nullptr);
}
