#include "locations/NMFingerprint.h"

#include "lantools/uGetMacAddress.h"

namespace {

constexpr quint32 DeviceTypeEthernet = 1;
constexpr quint32 DeviceTypeWifi = 2;
constexpr quint32 DeviceStateDisconnected = 30; // below it: unmanaged, unavailable (no carrier)
constexpr quint32 DeviceStateActivated = 100;

QString FirstOption(const QVariantMap &Options, const char *Name)
{
    return Options.value(QLatin1String(Name)).toString().trimmed();
}

} // namespace

TNMFingerprintSource::TNMFingerprintSource(std::shared_ptr<INMBus> Bus, TGatewayMacLookup Lookup)
    : FBus(std::move(Bus)), FLookup(std::move(Lookup))
{
    if (!FLookup)
        FLookup = [](const QString &Source, const QString &Target) { return GetMacAddress(Source, Target); };
}

TNMFingerprintSource::~TNMFingerprintSource()
{
    if (FLookupThread)
        FLookupThread->wait();
}

void TNMFingerprintSource::Watch(std::function<void()> Changed)
{
    FChanged = std::move(Changed);
    FBus->WatchNetwork(this, SLOT(NetworkChanged()));
}

void TNMFingerprintSource::NetworkChanged()
{
    if (FChanged)
        FChanged();
}

bool TNMFingerprintSource::ReadLink(const TNMDevice &Device, TLinkFacts &Link, QString &Source)
{
    Link = {Device.LinkName(), true, {}, {}, {}, {}, {}, {}};
    if (Device.State != DeviceStateActivated)
        return true;
    if (Device.Type == DeviceTypeWifi && !FBus->ReadAccessPoint(Device.Path, Link.Ssid, Link.Bssid))
        return false;
    TNMIp4Config Config;
    if (!Device.Ip4Config.isEmpty() && FBus->ReadIp4Config(Device.Ip4Config, Config)) {
        Link.Gateway = Config.Gateway;
        Source = Config.Addresses.value(0);
    }
    QVariantMap Options;
    if (!Device.Dhcp4Config.isEmpty() && FBus->ReadDhcp4Options(Device.Dhcp4Config, Options)) {
        Link.DhcpServer = FirstOption(Options, "dhcp_server_identifier");
        Link.Domain = FirstOption(Options, "domain_name");
    }
    return true;
}

bool TNMFingerprintSource::ReadLinks(TNetworkFingerprint &Network, QStringList &Sources)
{
    Network = {};
    Sources.clear();
    QStringList Paths;
    if (!FBus->GetDevices(Paths))
        return false;
    for (const QString &Path : Paths) {
        TNMDevice Device;
        if (!FBus->ReadDevice(Path, Device) ||
            (Device.Type != DeviceTypeEthernet && Device.Type != DeviceTypeWifi) ||
            Device.State < DeviceStateDisconnected)
            continue;
        TLinkFacts Link;
        QString Source;
        if (ReadLink(Device, Link, Source)) {
            Network.Links.append(Link);
            Sources.append(Source);
        }
    }
    return true;
}

void TNMFingerprintSource::Read(TDone Done)
{
    TNetworkFingerprint Network;
    QStringList Sources;
    if (!ReadLinks(Network, Sources))
        Network = {};
    FillMacs(Network, Sources, std::move(Done));
}

// Known gateways are filled in at once; the others are asked for on a thread of their own,
// and Done runs on this object's thread when the answers are in.
void TNMFingerprintSource::FillMacs(const TNetworkFingerprint &Network, const QStringList &Sources,
                                    TDone Done)
{
    QMap<QString, QString> Known;
    QStringList Keys;                     // of the gateways to ask for
    QList<QPair<QString, QString>> Pairs; // their source and target
    for (int I = 0; I < Network.Links.size(); ++I) {
        const TLinkFacts &Link = Network.Links.at(I);
        if (Link.Gateway.isEmpty() || Sources.at(I).isEmpty())
            continue;
        const QString Key = CacheKey(Link);
        if (FMacs.contains(Key))
            Known.insert(Key, FMacs.value(Key));
        else if (!Keys.contains(Key)) {
            Keys.append(Key);
            Pairs.append({Sources.at(I), Link.Gateway});
        }
    }
    FMacs = Known;
    const auto Finish = [this, Network, Done](const QMap<QString, QString> &Answers) {
        TNetworkFingerprint Seen = Network;
        for (auto It = Answers.cbegin(); It != Answers.cend(); ++It)
            if (!It.value().isEmpty())
                FMacs.insert(It.key(), It.value());
        for (TLinkFacts &Link : Seen.Links)
            Link.GatewayMac = FMacs.value(CacheKey(Link));
        Done(Seen);
    };
    if (Keys.isEmpty()) {
        QMetaObject::invokeMethod(
            this, [Finish] { Finish({}); }, Qt::QueuedConnection);
        return;
    }
    auto Answers = std::make_shared<QMap<QString, QString>>();
    if (FLookupThread)
        FLookupThread->wait();
    FLookupThread.reset(QThread::create([Answers, Keys, Pairs, Lookup = FLookup] {
        for (int I = 0; I < Keys.size(); ++I)
            Answers->insert(Keys.at(I), Lookup(Pairs.at(I).first, Pairs.at(I).second));
    }));
    connect(FLookupThread.get(), &QThread::finished, this, [Finish, Answers] { Finish(*Answers); });
    FLookupThread->start();
}
