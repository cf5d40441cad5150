// Applying and importing a location's TCP/IP settings on a real NetworkManager in the lab.
#include "adapters/IpAddress.h"
#include "adapters/Network.h"

#include "adapters/NetMgr.h"
#include "app/DBManager.h"
#include "lantools/uNetRepaire.h"
#include "support/Lab.h"

#include <QFile>
#include <QRegularExpression>

namespace {

const QString LocA = QStringLiteral("LABIPADDRESSLOCATIONAAAAAAAAAAAA");
const QString LocB = QStringLiteral("LABIPADDRESSLOCATIONBBBBBBBBBBBB");
const QString LocC = QStringLiteral("LABIPADDRESSLOCATIONCCCCCCCCCCCC");
const QString ProfileName = QStringLiteral("wfl-ipaddress-test");
const QString StartAddress = QStringLiteral("10.200.0.70");
const QString OtherMac = QStringLiteral("02-57-46-00-AB-CD");

QString Dashed(const QString &ColonMac) { return ColonMac.toUpper().replace(':', '-'); }

// A profile of its own on the lab's link for every test (static StartAddress, inactive), a
// fresh connection list that knows it, and the link left as it was found.
class IpAddressLab : public testing::Test
{
protected:
    void SetUp() override
    {
        WAYFAREL_REQUIRE_LAB_UP();
        InitConnectionString(FRoot.DataFolder());
        ASSERT_TRUE(GetConnection().isOpen());
        const auto Added =
            Nmcli({"connection", "add", "type", "ethernet", "ifname", Link(), "con-name", ProfileName,
                   "ipv4.method", "manual", "ipv4.addresses", StartAddress + "/24", "ipv6.method", "ignore",
                   "connection.autoconnect", "no"});
        ASSERT_EQ(Added.ExitCode, 0) << Added.Output.toStdString();
        FId = "{" +
              Nmcli({"-g", "connection.uuid", "connection", "show", ProfileName}).Output.trimmed().toUpper() +
              "}";
        TNetManager::ReleaseInstance();
    }

    void TearDown() override
    {
        if (!TLab::IsUp())
            return;
        TNetRepaire::Shutdown();
        Nmcli({"connection", "delete", ProfileName});
        TLab::Run({"ip", "link", "set", Link(), "address", TLab::Value("CLIENT_MAC")});
        TLab::Run({"ip", "neigh", "flush", "dev", Link(), "nud", "permanent"});
        TNetManager::ReleaseInstance();
        CloseConnection();
    }

    static QString Link() { return TLab::Value("CLIENT_IF"); }
    // The connections as NetworkManager lists them now.
    static TNetWorkList Adapters() { return TNetWorkList(); }
    static QString Gateway() { return TLab::Value("PEER_IP"); }

    static TLab::TRunResult Nmcli(QStringList Args)
    {
        Args.prepend("nmcli");
        return TLab::Run(Args, 60000);
    }

    // The profile down and its device settled as disconnected, so it reads as disabled.
    static bool TakeDown()
    {
        return Nmcli({"connection", "down", ProfileName}).ExitCode == 0 &&
               TLab::WaitFor(
                   [] {
                       return Nmcli({"-g", "GENERAL.STATE", "device", "show", Link()})
                           .Output.startsWith("30");
                   },
                   15000);
    }

    static QString ProfileValue(const QString &Field)
    {
        return Nmcli({"-g", Field, "connection", "show", ProfileName}).Output.trimmed();
    }

    static QString LinkAddresses()
    {
        return TLab::Run({"ip", "-o", "-4", "addr", "show", "dev", Link()}).Output;
    }
    static QString DefaultRoute()
    {
        return TLab::Run({"ip", "-4", "route", "show", "default", "dev", Link()}).Output;
    }
    static QString DeviceDns() { return Nmcli({"-g", "IP4.DNS", "device", "show", Link()}).Output; }
    static QString GatewayNeighbour()
    {
        return TLab::Run({"ip", "neigh", "show", Gateway(), "dev", Link()}).Output;
    }

    static QString LinkMac()
    {
        const QString Out = TLab::Run({"ip", "-o", "link", "show", Link()}).Output;
        return QRegularExpression("link/ether ([0-9a-f:]{17})").match(Out).captured(1);
    }

    // The device's active connection: a restart or re-activation gives it a new one.
    static QString ActivePath() { return Nmcli({"-g", "GENERAL.CON-PATH", "device", "show", Link()}).Output; }
    static bool GatewayAnswers()
    {
        return TLab::Run({"ping", "-c", "1", "-W", "1", Gateway()}).ExitCode == 0;
    }

    static bool IsPermanentBinding(const QString &Neighbour, const QString &ColonMac)
    {
        return Neighbour.contains("lladdr " + ColonMac.toLower()) && Neighbour.contains("PERMANENT");
    }

    TIPAddress StaticLocation(const QString &LocId, const QString &Address)
    {
        TIPAddress Ip(LocId);
        Ip.SetNetId(FId);
        Ip.SetEnableDHCP(false);
        Ip.SetIPAddr(Address);
        Ip.SetSubnetMask("255.255.255.0");
        Ip.SetGateWay(Gateway());
        Ip.SetAutoGetDNS(false);
        Ip.SetMainDNS(Gateway());
        Ip.SetSubDNS("10.200.0.53");
        Ip.SetMacAddr(Dashed(TLab::Value("CLIENT_MAC")));
        return Ip;
    }

    TTestRoot FRoot;
    QString FId;
};

} // namespace

TEST_F(IpAddressLab, StaticLocationIsOnTheLink)
{
    TIPAddress Ip = StaticLocation(LocA, "10.200.0.61");
    ASSERT_TRUE(Ip.Change(Adapters())) << Ip.LastError().toStdString();

    EXPECT_EQ(Ip.NetName(), ProfileName);
    EXPECT_TRUE(LinkAddresses().contains("inet 10.200.0.61/24")) << LinkAddresses().toStdString();
    EXPECT_FALSE(LinkAddresses().contains(StartAddress));
    EXPECT_TRUE(DefaultRoute().contains("via " + Gateway())) << DefaultRoute().toStdString();
    const QString Dns = DeviceDns();
    EXPECT_TRUE(Dns.contains(Gateway()) && Dns.contains("10.200.0.53")) << Dns.toStdString();
    EXPECT_EQ(LinkMac(), TLab::Value("CLIENT_MAC")) << "the adapter's own MAC needs no restart";
}

TEST_F(IpAddressLab, DhcpLocationWithAutomaticDnsGetsItsLeaseFromDnsmasq)
{
    TIPAddress Static = StaticLocation(LocA, "10.200.0.61");
    ASSERT_TRUE(Static.Change(Adapters())) << Static.LastError().toStdString();

    TIPAddress Ip(LocB);
    Ip.SetNetId(FId);
    Ip.SetEnableDHCP(true);
    Ip.SetAutoGetDNS(true);
    ASSERT_TRUE(Ip.Change(Adapters())) << Ip.LastError().toStdString();

    QString Leased;
    ASSERT_TRUE(TLab::WaitFor(
        [&] {
            Leased = QRegularExpression("inet (10\\.200\\.0\\.\\d+)/24").match(LinkAddresses()).captured(1);
            return !Leased.isEmpty() && Leased != "10.200.0.61";
        },
        30000))
        << LinkAddresses().toStdString();
    const int Host = Leased.section('.', 3).toInt();
    EXPECT_GE(Host, 100);
    EXPECT_LE(Host, 150);
    QFile Leases(TLab::Value("DIR") + "/dnsmasq/leases");
    ASSERT_TRUE(Leases.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromLatin1(Leases.readAll()).contains(Leased));
    EXPECT_TRUE(DefaultRoute().contains("via " + Gateway())) << DefaultRoute().toStdString();
    // The lease's DNS server reaches the device's configuration a moment after the address.
    QString Dns;
    EXPECT_TRUE(TLab::WaitFor(
        [&] {
            Dns = DeviceDns();
            return Dns.contains(Gateway());
        },
        5000))
        << "dnsmasq's server: " << Dns.toStdString();
    EXPECT_FALSE(Dns.contains("10.200.0.53")) << Dns.toStdString();
}

TEST_F(IpAddressLab, MacReplacementIsOnTheLinkAndUndoneByTheUnsetMac)
{
    TIPAddress Ip = StaticLocation(LocA, "10.200.0.62");
    Ip.SetMacAddr(OtherMac);
    ASSERT_TRUE(Ip.Change(Adapters())) << Ip.LastError().toStdString();
    EXPECT_EQ(LinkMac(), OtherMac.toLower().replace('-', ':'));
    EXPECT_TRUE(LinkAddresses().contains("inet 10.200.0.62/24")) << "the restart keeps the address";

    Ip.SetMacAddr(TIPAddress::UnsetMac);
    ASSERT_TRUE(Ip.Change(Adapters())) << Ip.LastError().toStdString();
    EXPECT_EQ(LinkMac(), TLab::Value("CLIENT_MAC"));
}

TEST_F(IpAddressLab, GatewayBindingIsAPermanentNeighbourAlsoAfterTheMacRestart)
{
    const QString PeerMac = TLab::Value("PEER_MAC");
    TIPAddress Ip = StaticLocation(LocA, "10.200.0.63");
    Ip.SetAutoRepair(true);
    Ip.SetGWMacAddr(Dashed(PeerMac));
    ASSERT_TRUE(Ip.Change(Adapters())) << Ip.LastError().toStdString();
    EXPECT_TRUE(TLab::WaitFor([&] { return IsPermanentBinding(GatewayNeighbour(), PeerMac); }, 5000))
        << GatewayNeighbour().toStdString();
    // The repair thread puts a removed binding back.
    TLab::Run({"ip", "neigh", "del", Gateway(), "dev", Link()});
    EXPECT_TRUE(TLab::WaitFor([&] { return IsPermanentBinding(GatewayNeighbour(), PeerMac); }, 5000))
        << GatewayNeighbour().toStdString();

    // Stop the repair thread, so only the change itself can bring the binding back.
    TNetRepaire::Shutdown();
    Ip.SetMacAddr(OtherMac);
    ASSERT_TRUE(Ip.Change(Adapters())) << Ip.LastError().toStdString();
    TNetRepaire::Shutdown();
    EXPECT_EQ(LinkMac(), OtherMac.toLower().replace('-', ':'));
    EXPECT_TRUE(TLab::WaitFor([&] { return IsPermanentBinding(GatewayNeighbour(), PeerMac); }, 5000))
        << GatewayNeighbour().toStdString();
}

TEST_F(IpAddressLab, NoBindingWhileTheGatewayMacIsUnset)
{
    TIPAddress Ip = StaticLocation(LocA, "10.200.0.64");
    Ip.SetAutoRepair(true);
    ASSERT_TRUE(Ip.Change(Adapters())) << Ip.LastError().toStdString();
    EXPECT_FALSE(GatewayNeighbour().contains("PERMANENT")) << GatewayNeighbour().toStdString();
    EXPECT_FALSE(TNetRepaire::IsRunning()) << "no thread is left to bind it later";
}

TEST_F(IpAddressLab, ImportOfTheRunningAdapterGivesBackWhatWasApplied)
{
    TIPAddress Applied = StaticLocation(LocA, "10.200.0.65");
    ASSERT_TRUE(Applied.Change(Adapters())) << Applied.LastError().toStdString();

    TIPAddress Ip(LocB);
    Ip.SetAutoRepair(true);
    ASSERT_TRUE(Ip.Import(FId, Adapters())) << Ip.LastError().toStdString();
    const TIPAddress Stored(LocB);
    EXPECT_FALSE(Stored.EnableDHCP());
    EXPECT_EQ(Stored.IPAddr(), "10.200.0.65");
    EXPECT_EQ(Stored.SubnetMask(), "255.255.255.0");
    EXPECT_EQ(Stored.GateWay(), Gateway());
    EXPECT_FALSE(Stored.AutoGetDNS());
    EXPECT_EQ(Stored.MainDNS(), Gateway());
    EXPECT_EQ(Stored.SubDNS(), "10.200.0.53");
    EXPECT_EQ(Stored.MacAddr(), TIPAddress::UnsetMac) << "the profile fixes no address of its own";
    EXPECT_EQ(Stored.GWMacAddr(), Dashed(TLab::Value("PEER_MAC"))) << "the gateway answers ARP";
    EXPECT_FALSE(Stored.AutoRepair());
}

// A location takes a MAC only from a profile that fixes one; a private (random or stable)
// address is the user's, kept by the import and by every switch to a location without a MAC.
TEST_F(IpAddressLab, APrivateMacIsNeverClonedNorReplaced)
{
    const struct
    {
        const char *Cloned;
        QString Imported;
    } Cases[] = {
        {"random", TIPAddress::UnsetMac},
        {"stable", TIPAddress::UnsetMac},
        {"02:57:46:00:AB:CD", OtherMac},
    };
    for (const auto &Case : Cases) {
        SCOPED_TRACE(Case.Cloned);
        ASSERT_EQ(
            Nmcli({"connection", "modify", ProfileName, "802-3-ethernet.cloned-mac-address", Case.Cloned})
                .ExitCode,
            0);
        ASSERT_EQ(Nmcli({"connection", "up", ProfileName}).ExitCode, 0);
        TIPAddress Ip(LocA);
        ASSERT_TRUE(Ip.Import(FId, Adapters())) << Ip.LastError().toStdString();
        EXPECT_EQ(TIPAddress(LocA).MacAddr(), Case.Imported);

        TIPAddress Static = StaticLocation(LocB, "10.200.0.78");
        Static.SetMacAddr(TIPAddress(LocA).MacAddr());
        ASSERT_TRUE(Static.Change(Adapters())) << Static.LastError().toStdString();
        EXPECT_EQ(ProfileValue("802-3-ethernet.cloned-mac-address").remove('\\'), Case.Cloned);
    }
}

// On a network without DHCP a static location comes up at once with its own settings: the
// connection is never first activated with the DHCP settings it had.
TEST_F(IpAddressLab, AStaticLocationComesUpOnANetworkWithoutDhcp)
{
    ASSERT_EQ(
        Nmcli({"connection", "modify", ProfileName, "ipv4.method", "auto", "ipv4.addresses", ""}).ExitCode,
        0);
    TDhcpOutage Outage;
    ASSERT_TRUE(Outage.Paused());
    TIPAddress Ip = StaticLocation(LocA, "10.200.0.79");
    ASSERT_TRUE(Ip.Change(Adapters())) << Ip.LastError().toStdString();
    EXPECT_EQ(ProfileValue("ipv4.method"), "manual");
    EXPECT_TRUE(LinkAddresses().contains("inet 10.200.0.79/24")) << LinkAddresses().toStdString();
}

TEST_F(IpAddressLab, ImportOfADisabledAdapterGivesBackWhatWasApplied)
{
    TIPAddress Applied = StaticLocation(LocA, "10.200.0.66");
    ASSERT_TRUE(Applied.Change(Adapters())) << Applied.LastError().toStdString();
    ASSERT_TRUE(TakeDown());

    TIPAddress Ip(LocB);
    ASSERT_TRUE(Ip.Import(FId, Adapters())) << Ip.LastError().toStdString();
    const TIPAddress Stored(LocB);
    EXPECT_FALSE(Stored.EnableDHCP());
    EXPECT_EQ(Stored.IPAddr(), "10.200.0.66");
    EXPECT_EQ(Stored.SubnetMask(), "255.255.255.0");
    EXPECT_EQ(Stored.GateWay(), Gateway());
    EXPECT_FALSE(Stored.AutoGetDNS());
    EXPECT_EQ(Stored.MainDNS(), Gateway());
    EXPECT_EQ(Stored.SubDNS(), "10.200.0.53");
    EXPECT_EQ(Stored.MacAddr(), TIPAddress::UnsetMac);
    EXPECT_FALSE(LinkAddresses().contains("10.200.0.66")) << "the import leaves the adapter down";

    TIPAddress Dhcp(LocA);
    Dhcp.SetNetId(FId);
    Dhcp.SetEnableDHCP(true);
    Dhcp.SetAutoGetDNS(true);
    ASSERT_TRUE(Dhcp.Change(Adapters())) << Dhcp.LastError().toStdString();
    ASSERT_TRUE(TakeDown());
    TIPAddress Imported(LocC);
    ASSERT_TRUE(Imported.Import(FId, Adapters())) << Imported.LastError().toStdString();
    EXPECT_TRUE(Imported.EnableDHCP());
    EXPECT_TRUE(Imported.AutoGetDNS());
    EXPECT_TRUE(Imported.MainDNS().isEmpty()) << Imported.MainDNS().toStdString();
}

TEST_F(IpAddressLab, UnknownAdapterGivesFalseAndChangesNothing)
{
    TIPAddress Applied = StaticLocation(LocA, "10.200.0.67");
    ASSERT_TRUE(Applied.Change(Adapters())) << Applied.LastError().toStdString();
    const QString Before = LinkAddresses();
    const QString ProfileBefore = ProfileValue("ipv4.addresses");

    TIPAddress Ip = StaticLocation(LocB, "10.200.0.68");
    Ip.SetNetId("{00000000-0000-4000-8000-000000000000}");
    Ip.SetMacAddr(OtherMac);
    EXPECT_FALSE(Ip.Change(Adapters()));
    EXPECT_FALSE(Ip.LastError().isEmpty());
    EXPECT_FALSE(Ip.Import("{00000000-0000-4000-8000-000000000000}", Adapters()));
    EXPECT_EQ(LinkAddresses(), Before);
    EXPECT_EQ(LinkMac(), TLab::Value("CLIENT_MAC"));
    EXPECT_EQ(ProfileValue("ipv4.addresses"), ProfileBefore);
}

TEST_F(IpAddressLab, RefusedAddressFailsWithItsReasonAndKeepsTheProfile)
{
    TIPAddress Applied = StaticLocation(LocA, "10.200.0.69");
    ASSERT_TRUE(Applied.Change(Adapters())) << Applied.LastError().toStdString();
    const QString Before = LinkAddresses();
    const QString ProfileBefore = ProfileValue("ipv4.addresses");

    const struct
    {
        const char *Address;
        const char *Mask;
    } Cases[] = {
        {"10.200.0.300", "255.255.255.0"},
        {"10.200.0.71", "255.0.255.0"},
        {"0.0.0.0", "255.255.255.0"},
        {"10.200.0.72", "not a mask"},
    };
    for (const auto &Case : Cases) {
        SCOPED_TRACE(std::string(Case.Address) + " / " + Case.Mask);
        TIPAddress Ip = StaticLocation(LocB, Case.Address);
        Ip.SetSubnetMask(Case.Mask);
        EXPECT_FALSE(Ip.Change(Adapters()));
        EXPECT_FALSE(Ip.LastError().isEmpty());
        EXPECT_EQ(ProfileValue("ipv4.addresses"), ProfileBefore);
        EXPECT_EQ(LinkAddresses(), Before);
    }
}

TEST_F(IpAddressLab, MacTheAdapterCannotTakeFailsWithItsReasonAndKeepsTheLinkMac)
{
    for (const char *Mac : {"02-57-46-ZZ-00-01", "03-00-00-00-00-01", "02-57-46"}) {
        SCOPED_TRACE(Mac);
        TIPAddress Ip = StaticLocation(LocA, "10.200.0.73");
        Ip.SetMacAddr(Mac);
        EXPECT_FALSE(Ip.Change(Adapters()));
        EXPECT_TRUE(Ip.LastError().contains(Mac)) << Ip.LastError().toStdString();
        EXPECT_EQ(LinkMac(), TLab::Value("CLIENT_MAC"));
        EXPECT_TRUE(ProfileValue("802-3-ethernet.cloned-mac-address").isEmpty())
            << ProfileValue("802-3-ethernet.cloned-mac-address").toStdString();
    }
}

TEST_F(IpAddressLab, ALocationWithoutTheBindingGivesTheGatewayBackItsOwnMac)
{
    const QString WrongMac = QStringLiteral("02-57-46-00-0B-AD");
    TIPAddress Bound = StaticLocation(LocA, "10.200.0.74");
    Bound.SetAutoRepair(true);
    Bound.SetGWMacAddr(WrongMac);
    ASSERT_TRUE(Bound.Change(Adapters())) << Bound.LastError().toStdString();
    ASSERT_TRUE(TLab::WaitFor(
        [&] { return IsPermanentBinding(GatewayNeighbour(), WrongMac.toLower().replace('-', ':')); }, 5000))
        << GatewayNeighbour().toStdString();
    EXPECT_FALSE(GatewayAnswers()) << "frames go to the bound MAC";

    TIPAddress Unbound = StaticLocation(LocB, "10.200.0.74");
    ASSERT_TRUE(Unbound.Change(Adapters())) << Unbound.LastError().toStdString();
    EXPECT_FALSE(GatewayNeighbour().contains("PERMANENT")) << GatewayNeighbour().toStdString();
    EXPECT_FALSE(TNetRepaire::IsRunning()) << "no thread is left to bind it again";
    EXPECT_TRUE(GatewayAnswers());
}

// The binding of an earlier run (wayfarelctl, a program since restarted) carries the program's
// mark and goes too; a permanent entry the administrator made on the link stays.
TEST_F(IpAddressLab, AnEarlierRunsBindingGoesAndTheAdministratorsStays)
{
    TIPAddress Unbound = StaticLocation(LocB, "10.200.0.74");
    ASSERT_TRUE(Unbound.Change(Adapters())) << Unbound.LastError().toStdString();
    const auto Bind = [](const QString &Ip, QStringList Extra) {
        QStringList Args{"ip",  "neigh", "replace", Ip,         "lladdr", "02:57:46:00:0b:ad",
                         "dev", Link(),  "nud",     "permanent"};
        return TLab::Run(Args + Extra).ExitCode;
    };
    ASSERT_EQ(Bind(Gateway(), {"protocol", QString::number(OwnNeighbourProtocol)}), 0);
    ASSERT_EQ(Bind("10.200.0.9", {}), 0);

    ASSERT_TRUE(Unbound.Change(Adapters())) << Unbound.LastError().toStdString();
    EXPECT_FALSE(GatewayNeighbour().contains("PERMANENT")) << GatewayNeighbour().toStdString();
    EXPECT_TRUE(Unbound.Changes().contains("gateway binding removed from " + Link()))
        << Unbound.Changes().join("; ").toStdString();
    EXPECT_TRUE(TLab::Run({"ip", "neigh", "show", "10.200.0.9", "dev", Link()}).Output.contains("PERMANENT"));
    EXPECT_TRUE(GatewayAnswers());
}

TEST_F(IpAddressLab, UnsetMacWithoutAnOverrideKeepsTheConnection)
{
    TIPAddress Ip = StaticLocation(LocA, "10.200.0.75");
    ASSERT_TRUE(Ip.Change(Adapters())) << Ip.LastError().toStdString();
    const QString Before = ActivePath();
    ASSERT_FALSE(Before.trimmed().isEmpty());

    Ip.SetMacAddr(TIPAddress::UnsetMac);
    Ip.SetSubDNS("10.200.0.54");
    ASSERT_TRUE(Ip.Change(Adapters())) << Ip.LastError().toStdString();
    EXPECT_EQ(ActivePath(), Before) << "no restart";
    EXPECT_TRUE(DeviceDns().contains("10.200.0.54")) << "the change itself is on the link";
    EXPECT_EQ(LinkMac(), TLab::Value("CLIENT_MAC"));
}

// A malformed request reaches nothing: a half-applied connection (new DNS and MAC on the old
// address) would leave the adapter on no location at all.
TEST_F(IpAddressLab, RefusedAddressAndGatewayChangeNothingAndAreBothReported)
{
    TIPAddress Applied = StaticLocation(LocA, "10.200.0.76");
    ASSERT_TRUE(Applied.Change(Adapters())) << Applied.LastError().toStdString();
    const QString DnsBefore = ProfileValue("ipv4.dns");

    TIPAddress Ip = StaticLocation(LocB, "10.200.0.300");
    Ip.SetGateWay("224.0.0.9");
    Ip.SetSubDNS("10.200.0.54");
    Ip.SetMacAddr(OtherMac);
    EXPECT_FALSE(Ip.Change(Adapters()));
    const QString Reasons = Ip.LastError();
    EXPECT_TRUE(Reasons.contains("10.200.0.300") && Reasons.contains("224.0.0.9")) << Reasons.toStdString();
    EXPECT_EQ(Reasons.split("; ").size(), 2) << Reasons.toStdString();
    EXPECT_EQ(ProfileValue("ipv4.dns"), DnsBefore);
    EXPECT_EQ(LinkMac(), TLab::Value("CLIENT_MAC"));
    EXPECT_TRUE(LinkAddresses().contains("inet 10.200.0.76/24")) << LinkAddresses().toStdString();
}

TEST_F(IpAddressLab, ImportOfARunningDhcpAdapterKeepsItsDnsAutomatic)
{
    TIPAddress Dhcp(LocA);
    Dhcp.SetNetId(FId);
    Dhcp.SetEnableDHCP(true);
    Dhcp.SetAutoGetDNS(true);
    ASSERT_TRUE(Dhcp.Change(Adapters())) << Dhcp.LastError().toStdString();
    ASSERT_TRUE(TLab::WaitFor([] { return DeviceDns().contains(Gateway()); }, 30000))
        << DeviceDns().toStdString();

    TIPAddress Ip(LocB);
    ASSERT_TRUE(Ip.Import(FId, Adapters())) << Ip.LastError().toStdString();
    const TIPAddress Stored(LocB);
    EXPECT_TRUE(Stored.EnableDHCP());
    EXPECT_TRUE(Stored.AutoGetDNS()) << "the lease's server is not pinned";
    EXPECT_EQ(Stored.MainDNS(), Gateway()) << "read, though not applied";
}
