#include "support/FakeNetwork.h"

#include "adapters/NetMgr.h"
#include "adapters/SystemBackends.h"
#include "adapters/WmiProviders.h"
#include "platform/desktop/DesktopProxy.h"
#include "platform/desktop/GSettingsProxy.h"
#include "platform/desktop/InternetSettings.h"
#include "platform/desktop/KioProxy.h"
#include "platform/networkmanager/AdapterKeys.h"
#include "platform/networkmanager/NetConnection.h"

#include <QDBusConnection>

namespace {

const quint32 ActivatingState = 1;
const quint32 ActivatedState = 2;

} // namespace

const QString TFakeNetwork::OfficeId = QStringLiteral("{6D5D1C2E-0000-4000-8000-0000000000A1}");
const QString TFakeNetwork::HomeId = QStringLiteral("{6D5D1C2E-0000-4000-8000-0000000000B2}");
const QString TFakeNetwork::MissingId = QStringLiteral("{0BADF00D-0000-4000-8000-000000000000}");

TFakeNetwork::TFakeNetwork()
{
    Office = Bus->AddProfile(QStringLiteral("6d5d1c2e-0000-4000-8000-0000000000a1"), QStringLiteral("Office"),
                             {"manual", {"10.0.0.7"}, {24}, "10.0.0.1", {"10.0.0.53"}, true},
                             QStringLiteral("lo"));
    Home = Bus->AddProfile(QStringLiteral("6d5d1c2e-0000-4000-8000-0000000000b2"), QStringLiteral("Home"),
                           {"auto", {}, {}, {}, {}, false}, QStringLiteral("lo"));
    Device = Bus->AddDevice(QStringLiteral("lo"));
    Bus->Activate(Office, Device);
    const auto NM = std::make_shared<TNMSettings>(Bus);
    TNetManager::ReleaseInstance();
    TNetManager::SetBackendFactory([NM] { return CreateNetConnectionManager(NM); });
    MountAdapterKeys(NM);
    TWmiProviders::Register(std::make_shared<TAdapterConfigurationProvider>(NM));
    TWmiProviders::Register(std::make_shared<TNetworkAdapterProvider>(NM));
    // The desktop proxy a switch sets, in the test root's GSettings keyfile: a store of its own,
    // as GIO keeps its default store for the whole process.
    const QString Config = qEnvironmentVariable("XDG_CONFIG_HOME");
    InstallDesktopProxy(std::make_shared<TDesktopProxy>(
        std::make_unique<TGSettingsProxy>(Config + QStringLiteral("/glib-2.0/settings/keyfile")),
        std::make_unique<TKioProxy>(Config + QStringLiteral("/kioslaverc"), QDBusConnection::sessionBus())));
}

TFakeNetwork::~TFakeNetwork() { RemoveSystemBackends(); }

void TFakeNetwork::FinishActivations()
{
    for (const TNMActive &Active : Bus->Actives.values())
        if (Active.State == ActivatingState)
            Bus->SetActiveState(Active.Path, ActivatedState);
}

bool TFakeNetwork::Activating() const
{
    const QList<TNMActive> Actives = Bus->Actives.values();
    return std::any_of(Actives.cbegin(), Actives.cend(),
                       [](const TNMActive &Active) { return Active.State == ActivatingState; });
}
