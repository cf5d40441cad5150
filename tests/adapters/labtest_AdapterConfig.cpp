// Changing the lab profiles through the adapter configuration methods, the driver key's
// NetworkAddress and the TCP/IP interface keys, and switching an adapter that is still coming
// up; every test leaves the link as it found it.
#include "adapters/IpAddress.h"
#include "adapters/NetMgr.h"
#include "adapters/Network.h"
#include "adapters/SystemBackends.h"
#include "adapters/WMI.h"
#include "app/DBManager.h"
#include "app/ExtRegistry.h"
#include "platform/kernel/KernelConnections.h"
#include "platform/networkmanager/AdapterKeys.h"
#include "support/EventLoop.h"
#include "support/NMLab.h"

#include <QDateTime>
#include <QFileInfo>

namespace {

using NMLab::StandingId;

class AdapterConfigLab : public ::testing::Test
{
protected:
    void SetUp() override
    {
        WAYFAREL_REQUIRE_LAB_UP();
        EventLoopApplication();
        NMLab::RestoreLink();
        FList = std::make_unique<TNetWorkList>();
    }

    void TearDown() override
    {
        FList.reset();
        CloseConnection();
        if (TLab::IsUp())
            NMLab::RestoreLink();
    }

    TNetWork &Network(const char *uuidKey)
    {
        TNetWork *network = FList->GetNetWork(StandingId(uuidKey));
        if (!network)
            throw EWayfarelError("lab profile missing from the list");
        return *network;
    }

    static QString Office() { return TLab::Value("STATIC_PROFILE"); }
    static QString Routes() { return TLab::Run({"ip", "-4", "route", "show", "default"}).Output; }
    // When NetworkManager last wrote the office profile's file.
    static QDateTime OfficeSaved()
    {
        return QFileInfo(TLab::Value("DIR") + "/nm/system-connections/" + Office() + ".nmconnection")
            .lastModified();
    }

    TTestRoot FRoot;
    std::unique_ptr<TNetWorkList> FList;
};

} // namespace

TEST_F(AdapterConfigLab, StaticAddressGatewayAndDnsReachTheLinkTogetherWithoutReconnecting)
{
    ASSERT_TRUE(Network("STATIC_UUID").Enable());
    const QString activation = NMLab::ActivePath(Office());
    TNetworkAdapterConfiguration adapter(StandingId("STATIC_UUID"));
    EXPECT_EQ(adapter.EnableStatic("10.200.0.61", "255.255.0.0"), 0) << adapter.LastError().toStdString();
    EXPECT_EQ(adapter.SetGateways("10.200.0.2"), 0);
    EXPECT_EQ(adapter.LastError(), "");
    EXPECT_EQ(adapter.SetDNSServerSearchOrder("10.200.0.1", "10.200.0.3"), 0);
    EXPECT_EQ(adapter.LastError(), "");
    EXPECT_EQ(NMLab::ProfileField(Office(), "ipv4.addresses"), TLab::Value("STATIC_IP") + "/24")
        << "staged, not yet saved";

    ASSERT_TRUE(adapter.ApplyChanges()) << adapter.LastError().toStdString();
    EXPECT_TRUE(TLab::WaitFor([] { return NMLab::LinkAddresses().contains("10.200.0.61/16"); }, 10000))
        << NMLab::LinkAddresses().toStdString();
    EXPECT_FALSE(NMLab::LinkAddresses().contains(TLab::Value("STATIC_IP") + "/"))
        << "the old address is gone";
    EXPECT_TRUE(TLab::WaitFor([] { return Routes().contains("default via 10.200.0.2"); }, 10000))
        << Routes().toStdString();
    EXPECT_EQ(NMLab::ProfileField(Office(), "ipv4.addresses"), "10.200.0.61/16");
    EXPECT_EQ(NMLab::ProfileField(Office(), "ipv4.gateway"), "10.200.0.2");
    EXPECT_EQ(NMLab::ProfileField(Office(), "ipv4.dns"), "10.200.0.1,10.200.0.3");
    EXPECT_EQ(NMLab::ActivePath(Office()), activation) << "applied in place, not by a new activation";

    TNetworkAdapterConfiguration after(StandingId("STATIC_UUID"));
    EXPECT_EQ(after.IpAddress(), "10.200.0.61");
    EXPECT_EQ(after.SubNet(), "255.255.0.0");
    EXPECT_EQ(after.Gateway(), "10.200.0.2");
    EXPECT_EQ(after.Dns1(), "10.200.0.1");
    EXPECT_EQ(after.Dns2(), "10.200.0.3");
}

TEST_F(AdapterConfigLab, SettingsEqualToTheSavedOnesLeaveAnActiveProfileAlone)
{
    ASSERT_TRUE(Network("STATIC_UUID").Enable());
    const QString activation = NMLab::ActivePath(Office());
    const QDateTime saved = OfficeSaved();
    TNetworkAdapterConfiguration adapter(StandingId("STATIC_UUID"));
    ASSERT_EQ(adapter.EnableStatic(TLab::Value("STATIC_IP"), "255.255.255.0"), 0);
    adapter.SetGateways(TLab::Value("PEER_IP"));
    adapter.SetDNSServerSearchOrder(TLab::Value("PEER_IP"), "");
    ASSERT_TRUE(adapter.ApplyChanges()) << adapter.LastError().toStdString();
    EXPECT_EQ(OfficeSaved(), saved) << "not saved again";
    EXPECT_EQ(NMLab::ActivePath(Office()), activation);
}

TEST_F(AdapterConfigLab, AnInactiveProfileIsActivatedWithItsNewAddress)
{
    TNetworkAdapterConfiguration adapter(StandingId("STATIC_UUID"));
    EXPECT_EQ(adapter.EnableStatic("10.200.0.62", "255.255.255.0"), 0) << adapter.LastError().toStdString();
    ASSERT_TRUE(adapter.ApplyChanges()) << adapter.LastError().toStdString();
    EXPECT_EQ(Network("STATIC_UUID").Status(), nsWorking);
    EXPECT_TRUE(TLab::WaitFor([] { return NMLab::LinkAddresses().contains("10.200.0.62/24"); }, 10000))
        << NMLab::LinkAddresses().toStdString();
}

TEST_F(AdapterConfigLab, DhcpGetsALeaseAndAutomaticDns)
{
    ASSERT_TRUE(Network("STATIC_UUID").Enable());
    TNetworkAdapterConfiguration adapter(StandingId("STATIC_UUID"));
    ASSERT_NO_THROW(adapter.EnableDHCP());
    EXPECT_EQ(adapter.SetDNSServerSearchOrder("", ""), 0);
    EXPECT_EQ(adapter.LastError(), "");
    ASSERT_TRUE(adapter.ApplyChanges()) << adapter.LastError().toStdString();
    EXPECT_EQ(NMLab::ProfileField(Office(), "ipv4.method"), "auto");
    EXPECT_EQ(NMLab::ProfileField(Office(), "ipv4.addresses"), "");
    EXPECT_EQ(NMLab::ProfileField(Office(), "ipv4.dns"), "");
    EXPECT_EQ(NMLab::ProfileField(Office(), "ipv4.ignore-auto-dns"), "no");
    EXPECT_TRUE(TLab::WaitFor(
        [] {
            const QString addresses = NMLab::LinkAddresses();
            return addresses.contains("10.200.0.1") && !addresses.contains(TLab::Value("STATIC_IP") + "/");
        },
        20000))
        << NMLab::LinkAddresses().toStdString();
    const QString lease = TNetworkAdapterConfiguration(StandingId("STATIC_UUID")).IpAddress();
    EXPECT_GE(lease.section('.', 3).toInt(), TLab::Value("DHCP_FIRST").section('.', 3).toInt())
        << lease.toStdString();
    EXPECT_LE(lease.section('.', 3).toInt(), TLab::Value("DHCP_LAST").section('.', 3).toInt())
        << lease.toStdString();
}

TEST_F(AdapterConfigLab, RefusedAddressesAreNotStagedAndLeaveTheProfileAsItWas)
{
    ASSERT_TRUE(Network("STATIC_UUID").Enable());
    const QString before = NMLab::ProfileField(Office(), "ipv4.addresses");
    TNetworkAdapterConfiguration adapter(StandingId("STATIC_UUID"));
    const struct
    {
        const char *ip, *mask;
        int result;
    } table[] = {
        {"10.200.0.300", "255.255.255.0", wrvInvalidIPAddress},
        {"10.200.0", "255.255.255.0", wrvInvalidIPAddress},
        {"", "255.255.255.0", wrvInvalidIPAddress},
        {"0.0.0.0", "255.255.255.0", wrvInvalidIPAddress},
        {"224.0.0.5", "255.255.255.0", wrvInvalidIPAddress},
        {"10.200.0.61", "255.0.255.0", wrvInvalidSubnetMask},
        {"10.200.0.61", "", wrvInvalidSubnetMask},
        {"10.200.0.61", "0.0.0.0", wrvInvalidSubnetMask},
    };
    for (const auto &row : table) {
        EXPECT_EQ(adapter.EnableStatic(row.ip, row.mask), row.result) << row.ip << " " << row.mask;
        EXPECT_FALSE(adapter.LastError().isEmpty());
    }
    EXPECT_EQ(adapter.SetGateways("10.200.0.256"), 0);
    EXPECT_TRUE(adapter.LastError().contains("10.200.0.256"));
    EXPECT_TRUE(adapter.ApplyChanges()) << "nothing was staged";
    EXPECT_EQ(NMLab::ProfileField(Office(), "ipv4.addresses"), before);
    EXPECT_EQ(NMLab::ProfileField(Office(), "ipv4.gateway"), TLab::Value("PEER_IP"));
    EXPECT_TRUE(NMLab::LinkAddresses().contains(TLab::Value("STATIC_IP") + "/"))
        << NMLab::LinkAddresses().toStdString();
}

TEST_F(AdapterConfigLab, ANewMacReachesTheLinkOnRestartAndZerosRestoreIt)
{
    TNetWork &office = Network("STATIC_UUID");
    ASSERT_TRUE(office.Enable());
    const QString own = TLab::Value("CLIENT_MAC").toUpper();
    QString previous = own;
    for (const char *mac : {"02-57-46-00-00-99", "02:57:46:00:00:98"}) {
        SCOPED_TRACE(mac);
        const QString colons = QString(mac).replace('-', ':');
        ASSERT_TRUE(office.ChangeMAC(mac));
        EXPECT_EQ(NMLab::ProfileField(Office(), "802-3-ethernet.cloned-mac-address"), colons);
        EXPECT_EQ(NMLab::LinkMac(), previous) << "nothing changes before the restart";
        ASSERT_TRUE(office.Restart()) << office.LastError().toStdString();
        previous = colons;
        EXPECT_EQ(NMLab::LinkMac(), colons);
        EXPECT_EQ(office.GetCurrentMAC(), colons);
        EXPECT_FALSE(office.IsMACChanged(mac));
        EXPECT_FALSE(office.ChangeMAC(mac)) << "the same address is no change";
    }
    ASSERT_TRUE(office.ChangeMAC("00-00-00-00-00-00"));
    EXPECT_EQ(NMLab::ProfileField(Office(), "802-3-ethernet.cloned-mac-address"), "");
    ASSERT_TRUE(office.Restart()) << office.LastError().toStdString();
    EXPECT_EQ(NMLab::LinkMac(), own);
}

TEST_F(AdapterConfigLab, DriverKeysNameEveryProfileAndRefuseABadAddress)
{
    TExtRegistry registry(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(registry.OpenKeyReadOnly(AdapterClassKeyPath()));
    QStringList ids;
    for (const QString &name : registry.GetKeyNames()) {
        TExtRegistry key(HKEY_LOCAL_MACHINE);
        ASSERT_TRUE(key.OpenKeyReadOnly(AdapterClassKeyPath() + "\\" + name));
        ids.append(key.ReadString("NetCfgInstanceId"));
        EXPECT_FALSE(key.ValueExists("NetworkAddress"));
    }
    EXPECT_TRUE(ids.contains(StandingId("STATIC_UUID"))) << ids.join(' ').toStdString();
    EXPECT_TRUE(ids.contains(StandingId("DHCP_UUID")));

    const auto key = Network("DHCP_UUID").OpenAdapterKey(false);
    ASSERT_NE(key, nullptr);
    for (const char *bad : {"01AABBCCDDEE", "02AABBCCDD", "02:AA:BB:CC:DD:EE"})
        EXPECT_THROW(key->WriteString("NetworkAddress", bad), ERegistryException) << bad;
    EXPECT_FALSE(key->ValueExists("NetworkAddress"));
    key->WriteString("NetworkAddress", "02aabbccddee");
    EXPECT_EQ(key->ReadString("NetworkAddress"), "02AABBCCDDEE");
    const QString home = TLab::Value("DHCP_PROFILE");
    EXPECT_EQ(NMLab::ProfileField(home, "802-3-ethernet.cloned-mac-address"), "02:AA:BB:CC:DD:EE");
    EXPECT_TRUE(key->DeleteValue("NetworkAddress"));
    EXPECT_EQ(NMLab::ProfileField(home, "802-3-ethernet.cloned-mac-address"), "");
}

TEST_F(AdapterConfigLab, TcpipInterfaceKeysReadTheSavedSettings)
{
    const QString interfaces = TcpipInterfacesKeyPath() + "\\";
    TExtRegistry office(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(office.OpenKeyReadOnly(interfaces + StandingId("STATIC_UUID") + "\\"));
    QStringList list;
    EXPECT_FALSE(office.ReadBoolDef("EnableDHCP", true));
    office.ReadStrings("IPAddress", list);
    EXPECT_EQ(list, QStringList{TLab::Value("STATIC_IP")});
    office.ReadStrings("SubnetMask", list);
    EXPECT_EQ(list, QStringList{"255.255.255.0"});
    office.ReadStrings("DefaultGateway", list);
    EXPECT_EQ(list, QStringList{TLab::Value("PEER_IP")});
    EXPECT_EQ(office.ReadStringDef("NameServer", "?"), TLab::Value("PEER_IP"));
    EXPECT_THROW(office.WriteString("NameServer", "10.0.0.1"), ERegistryException);

    TExtRegistry home(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(home.OpenKeyReadOnly(interfaces + StandingId("DHCP_UUID").toLower()));
    EXPECT_TRUE(home.ReadBoolDef("EnableDHCP", false));
    home.ReadStrings("IPAddress", list);
    EXPECT_TRUE(list.isEmpty());
    EXPECT_EQ(home.ReadStringDef("NameServer", "?"), "");

    TNetworkAdapterConfiguration adapter(StandingId("STATIC_UUID"));
    ASSERT_EQ(adapter.SetDNSServerSearchOrder("10.200.0.1", "10.200.0.3"), 0);
    ASSERT_TRUE(adapter.ApplyChanges()) << adapter.LastError().toStdString();
    EXPECT_EQ(office.ReadStringDef("NameServer", "?"), "10.200.0.1,10.200.0.3") << "read live";

    RemoveSystemBackends();
    EXPECT_FALSE(TExtRegistry(HKEY_LOCAL_MACHINE).KeyExists(interfaces + StandingId("STATIC_UUID")))
        << "gone with the system backends";
}

// A switch interrupted while its adapter was still coming up leaves it activating; the next
// one waits for that to end instead of refusing the adapter as not working.
TEST_F(AdapterConfigLab, ASwitchRightAfterAnInterruptedOneWaitsForTheAdapterToSettle)
{
    // Address conflict detection keeps the activation going for a second and a half.
    TNMLabProfile slow("wfl-slow-dhcp", {"ipv4.method", "auto", "ipv4.dad-timeout", "1500"});
    ASSERT_TRUE(slow.IsMade()) << slow.Error().toStdString();
    InitConnectionString(FRoot.DataFolder());
    TIPAddress location("LABSETTLELOCATION000000000000001");
    location.SetNetId(slow.Id());
    location.SetEnableDHCP(true);
    location.SetAutoGetDNS(true);
    location.SetMacAddr(TLab::Value("CLIENT_MAC").replace(':', '-'));
    TNetManager::GetInstance().Refresh();
    const TNetWorkList adapters;

    ASSERT_EQ(NMLab::Nmcli({"--wait", "0", "connection", "up", slow.Name()}).ExitCode, 0);
    ASSERT_FALSE(NMLab::DeviceState().startsWith("100")) << "the activation is still running";
    EXPECT_TRUE(location.Change(adapters)) << location.LastError().toStdString();
    EXPECT_TRUE(NMLab::DeviceState().startsWith("100")) << NMLab::DeviceState().toStdString();
    EXPECT_EQ(NMLab::ActiveProfile(), slow.Name());
}
