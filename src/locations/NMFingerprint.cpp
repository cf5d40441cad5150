#include "locations/NMFingerprint.h"

#include "lantools/uGetMacAddress.h"

namespace {

constexpr quint32 DeviceTypeEthernet = 1;
constexpr quint32 DeviceTypeWifi = 2;
constexpr quint32 DeviceTypeVeth = 20;          // wired as far as the network behind it goes
constexpr quint32 DeviceStateDisconnected = 30; // below it: unmanaged, unavailable (no carrier)
constexpr quint32 DeviceStateActivated = 100;

bool IsNetworkDevice(quint32 Type)
{
    return Type == DeviceTypeEthernet || Type == DeviceTypeWifi || Type == DeviceTypeVeth;
}

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
    if (FChanged)
        FBus->UnwatchNetwork(this, SLOT(NetworkChanged()));
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

bool TNMFingerprintSource::ReadLink(const TNMDevice &Device, TLinkFacts &Link, TGatewayAsk &Ask)
{
    Link = {Device.LinkName(), true, {}, {}, {}, {}, {}, {}};
    if (Device.State != DeviceStateActivated)
        return true;
    if (Device.Type == DeviceTypeWifi && !FBus->ReadAccessPoint(Device.Path, Link.Ssid, Link.Bssid))
        return false;
    TNMIp4Config Config;
    if (!Device.Ip4Config.isEmpty() && FBus->ReadIp4Config(Device.Ip4Config, Config)) {
        Link.Gateway = Config.Gateway;
        Ask = {Config.Addresses.value(0), Device.ActiveConnection + QLatin1Char(' ') + Config.Gateway};
    }
    QVariantMap Options;
    if (!Device.Dhcp4Config.isEmpty() && FBus->ReadDhcp4Options(Device.Dhcp4Config, Options)) {
        Link.DhcpServer = FirstOption(Options, "dhcp_server_identifier");
        Link.Domain = FirstOption(Options, "domain_name");
    }
    return true;
}

bool TNMFingerprintSource::ReadLinks(TNetworkFingerprint &Network, QList<TGatewayAsk> &Asks)
{
    Network = {};
    Asks.clear();
    QStringList Paths;
    if (!FBus->GetDevices(Paths))
        return false;
    for (const QString &Path : Paths) {
        TNMDevice Device;
        if (!FBus->ReadDevice(Path, Device) || !IsNetworkDevice(Device.Type) ||
            Device.State < DeviceStateDisconnected)
            continue;
        TLinkFacts Link;
        TGatewayAsk Ask;
        if (ReadLink(Device, Link, Ask)) {
            Network.Links.append(Link);
            Asks.append(Ask);
        }
    }
    return true;
}

void TNMFingerprintSource::Read(TDone Done)
{
    TNetworkFingerprint Network;
    QList<TGatewayAsk> Asks;
    if (!ReadLinks(Network, Asks))
        Network = {};
    FillMacs(Network, Asks, std::move(Done));
}

// Known gateways are filled in at once; the others are asked for on a thread of their own,
// and Done runs on this object's thread when the answers are in.
void TNMFingerprintSource::FillMacs(const TNetworkFingerprint &Network, const QList<TGatewayAsk> &Asks,
                                    TDone Done)
{
    QMap<QString, QString> Known;
    QStringList Keys;                     // of the gateways to ask for
    QList<QPair<QString, QString>> Pairs; // their source and target
    for (int I = 0; I < Network.Links.size(); ++I) {
        const TLinkFacts &Link = Network.Links.at(I);
        if (Link.Gateway.isEmpty() || Asks.at(I).Source.isEmpty())
            continue;
        const QString &Key = Asks.at(I).Key;
        if (FMacs.contains(Key))
            Known.insert(Key, FMacs.value(Key));
        else if (!Keys.contains(Key)) {
            Keys.append(Key);
            Pairs.append({Asks.at(I).Source, Link.Gateway});
        }
    }
    FMacs = Known;
    const auto Finish = [this, Network, Asks, Done](const QMap<QString, QString> &Answers) {
        TNetworkFingerprint Seen = Network;
        for (auto It = Answers.cbegin(); It != Answers.cend(); ++It)
            if (!It.value().isEmpty())
                FMacs.insert(It.key(), It.value());
        for (int I = 0; I < Seen.Links.size(); ++I)
            if (!Seen.Links.at(I).Gateway.isEmpty())
                Seen.Links[I].GatewayMac = FMacs.value(Asks.at(I).Key);
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
