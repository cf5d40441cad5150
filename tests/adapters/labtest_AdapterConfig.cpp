// Changing the lab profiles through the adapter configuration methods, the driver key's
// NetworkAddress and the TCP/IP interface keys; every test puts the profiles back.
#include "adapters/NetMgr.h"
#include "adapters/Network.h"
#include "adapters/WMI.h"
#include "app/ExtRegistry.h"
#include "platform/AdapterKeys.h"
#include "platform/KernelConnections.h"
#include "platform/NMSettings.h"
#include "support/Lab.h"

#include <QDBusConnection>

namespace {

QString AdapterId(const char *uuidKey) { return "{" + TLab::Value(uuidKey).toUpper() + "}"; }

class AdapterConfigLab : public ::testing::Test
{
protected:
    void SetUp() override
    {
        WAYFAREL_REQUIRE_LAB_UP();
        TWmiProviders::Reset();
        TNetManager::ReleaseInstance();
        FList = std::make_unique<TNetWorkList>();
        Restore();
    }

    void TearDown() override
    {
        if (TLab::IsUp())
            Restore();
        FList.reset();
        TNetManager::ReleaseInstance();
    }

    // Both profiles down and as lab-up made them.
    static void Restore()
    {
        const QString office = TLab::Value("STATIC_PROFILE"), home = TLab::Value("DHCP_PROFILE");
        for (const QString &profile : {office, home})
            TLab::Run({"nmcli", "connection", "down", profile});
        TLab::Run({"nmcli", "connection", "modify", office, "ipv4.method", "manual", "ipv4.addresses",
                   TLab::Value("STATIC_IP") + "/" + TLab::Value("PREFIX"), "ipv4.gateway",
                   TLab::Value("PEER_IP"), "ipv4.dns", TLab::Value("PEER_IP"), "ipv4.ignore-auto-dns", "no",
                   "ethernet.cloned-mac-address", ""});
        TLab::Run({"nmcli", "connection", "modify", home, "ipv4.method", "auto", "ipv4.addresses", "",
                   "ipv4.gateway", "", "ipv4.dns", "", "ipv4.ignore-auto-dns", "no",
                   "ethernet.cloned-mac-address", ""});
    }

    TNetWork &Network(const char *uuidKey)
    {
        TNetWork *network = FList->GetNetWork(AdapterId(uuidKey));
        if (!network)
            throw EWayfarelError("lab profile missing from the list");
        return *network;
    }

    static QString ProfileField(const char *profileKey, const QString &field)
    {
        // -g escapes the colons inside a value.
        return TLab::Run({"nmcli", "-g", field, "connection", "show", TLab::Value(profileKey)})
            .Output.trimmed()
            .replace("\\:", ":");
    }

    static QString LinkAddresses()
    {
        return TLab::Run({"ip", "-o", "-4", "addr", "show", TLab::Value("CLIENT_IF")}).Output;
    }

    static QString Routes() { return TLab::Run({"ip", "-4", "route", "show", "default"}).Output; }

    static QString LinkMac() { return ReadKernelLink(TLab::Value("CLIENT_IF")).Mac; }

    // The object path of the profile's activation; empty when it is not active.
    static QString ActivePath(const char *uuidKey)
    {
        QString active, device;
        TNMSettings(QDBusConnection::systemBus()).FindActive(TLab::Value(uuidKey), active, device);
        return active;
    }

    TTestRoot FRoot;
    std::unique_ptr<TNetWorkList> FList;
};

} // namespace

TEST_F(AdapterConfigLab, StaticAddressGatewayAndDnsReachTheLinkWithoutReconnecting)
{
    ASSERT_TRUE(Network("STATIC_UUID").Enable());
    const QString activation = ActivePath("STATIC_UUID");
    TNetworkAdapterConfiguration adapter(AdapterId("STATIC_UUID"));
    EXPECT_EQ(adapter.EnableStatic("10.200.0.61", "255.255.0.0"), 0) << adapter.LastError().toStdString();
    EXPECT_EQ(adapter.SetGateways("10.200.0.2"), 0);
    EXPECT_EQ(adapter.LastError(), "");
    EXPECT_EQ(adapter.SetDNSServerSearchOrder("10.200.0.1", "10.200.0.3"), 0);
    EXPECT_EQ(adapter.LastError(), "");

    EXPECT_TRUE(TLab::WaitFor([] { return LinkAddresses().contains("10.200.0.61/16"); }, 10000))
        << LinkAddresses().toStdString();
    EXPECT_FALSE(LinkAddresses().contains(TLab::Value("STATIC_IP") + "/")) << "the old address is gone";
    EXPECT_TRUE(TLab::WaitFor([] { return Routes().contains("default via 10.200.0.2"); }, 10000))
        << Routes().toStdString();
    EXPECT_EQ(ProfileField("STATIC_PROFILE", "ipv4.addresses"), "10.200.0.61/16");
    EXPECT_EQ(ProfileField("STATIC_PROFILE", "ipv4.gateway"), "10.200.0.2");
    EXPECT_EQ(ProfileField("STATIC_PROFILE", "ipv4.dns"), "10.200.0.1,10.200.0.3");
    EXPECT_EQ(ActivePath("STATIC_UUID"), activation) << "applied in place, not by a new activation";

    TNetworkAdapterConfiguration after(AdapterId("STATIC_UUID"));
    EXPECT_EQ(after.IpAddress(), "10.200.0.61");
    EXPECT_EQ(after.SubNet(), "255.255.0.0");
    EXPECT_EQ(after.Gateway(), "10.200.0.2");
    EXPECT_EQ(after.Dns1(), "10.200.0.1");
    EXPECT_EQ(after.Dns2(), "10.200.0.3");
}

TEST_F(AdapterConfigLab, AnInactiveProfileIsActivatedWithItsNewAddress)
{
    TNetworkAdapterConfiguration adapter(AdapterId("STATIC_UUID"));
    EXPECT_EQ(adapter.EnableStatic("10.200.0.62", "255.255.255.0"), 0) << adapter.LastError().toStdString();
    EXPECT_EQ(Network("STATIC_UUID").Status(), nsWorking);
    EXPECT_TRUE(TLab::WaitFor([] { return LinkAddresses().contains("10.200.0.62/24"); }, 10000))
        << LinkAddresses().toStdString();
}

TEST_F(AdapterConfigLab, DhcpGetsALeaseAndAutomaticDns)
{
    ASSERT_TRUE(Network("STATIC_UUID").Enable());
    TNetworkAdapterConfiguration adapter(AdapterId("STATIC_UUID"));
    ASSERT_NO_THROW(adapter.EnableDHCP());
    EXPECT_EQ(adapter.SetDNSServerSearchOrder("", ""), 0);
    EXPECT_EQ(adapter.LastError(), "");
    EXPECT_EQ(ProfileField("STATIC_PROFILE", "ipv4.method"), "auto");
    EXPECT_EQ(ProfileField("STATIC_PROFILE", "ipv4.addresses"), "");
    EXPECT_EQ(ProfileField("STATIC_PROFILE", "ipv4.dns"), "");
    EXPECT_EQ(ProfileField("STATIC_PROFILE", "ipv4.ignore-auto-dns"), "no");
    EXPECT_TRUE(TLab::WaitFor(
        [] {
            return LinkAddresses().contains("10.200.0.1") &&
                   !LinkAddresses().contains(TLab::Value("STATIC_IP") + "/");
        },
        20000))
        << LinkAddresses().toStdString();
    const QString lease = TNetworkAdapterConfiguration(AdapterId("STATIC_UUID")).IpAddress();
    EXPECT_GE(lease.section('.', 3).toInt(), TLab::Value("DHCP_FIRST").section('.', 3).toInt())
        << lease.toStdString();
    EXPECT_LE(lease.section('.', 3).toInt(), TLab::Value("DHCP_LAST").section('.', 3).toInt())
        << lease.toStdString();
}

TEST_F(AdapterConfigLab, RefusedAddressesFailAndLeaveTheProfileAsItWas)
{
    ASSERT_TRUE(Network("STATIC_UUID").Enable());
    const QString before = ProfileField("STATIC_PROFILE", "ipv4.addresses");
    TNetworkAdapterConfiguration adapter(AdapterId("STATIC_UUID"));
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
    EXPECT_EQ(ProfileField("STATIC_PROFILE", "ipv4.addresses"), before);
    EXPECT_TRUE(LinkAddresses().contains(TLab::Value("STATIC_IP") + "/")) << LinkAddresses().toStdString();

    EXPECT_EQ(adapter.SetGateways("10.200.0.256"), 0);
    EXPECT_TRUE(adapter.LastError().contains("10.200.0.256"));
    EXPECT_EQ(ProfileField("STATIC_PROFILE", "ipv4.gateway"), TLab::Value("PEER_IP"));
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
        EXPECT_EQ(ProfileField("STATIC_PROFILE", "802-3-ethernet.cloned-mac-address"), colons);
        EXPECT_EQ(LinkMac(), previous) << "nothing changes before the restart";
        ASSERT_TRUE(office.Restart()) << office.LastError().toStdString();
        previous = colons;
        EXPECT_EQ(LinkMac(), colons);
        EXPECT_EQ(office.GetCurrentMAC(), colons);
        EXPECT_FALSE(office.IsMACChanged(mac));
        EXPECT_FALSE(office.ChangeMAC(mac)) << "the same address is no change";
    }
    ASSERT_TRUE(office.ChangeMAC("00-00-00-00-00-00"));
    EXPECT_EQ(ProfileField("STATIC_PROFILE", "802-3-ethernet.cloned-mac-address"), "");
    ASSERT_TRUE(office.Restart()) << office.LastError().toStdString();
    EXPECT_EQ(LinkMac(), own);
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
    EXPECT_TRUE(ids.contains(AdapterId("STATIC_UUID"))) << ids.join(' ').toStdString();
    EXPECT_TRUE(ids.contains(AdapterId("DHCP_UUID")));

    const auto key = Network("DHCP_UUID").OpenAdapterKey(false);
    ASSERT_NE(key, nullptr);
    for (const char *bad : {"01AABBCCDDEE", "02AABBCCDD", "02:AA:BB:CC:DD:EE"})
        EXPECT_THROW(key->WriteString("NetworkAddress", bad), ERegistryException) << bad;
    EXPECT_FALSE(key->ValueExists("NetworkAddress"));
    key->WriteString("NetworkAddress", "02aabbccddee");
    EXPECT_EQ(key->ReadString("NetworkAddress"), "02AABBCCDDEE");
    EXPECT_EQ(ProfileField("DHCP_PROFILE", "802-3-ethernet.cloned-mac-address"), "02:AA:BB:CC:DD:EE");
    EXPECT_TRUE(key->DeleteValue("NetworkAddress"));
    EXPECT_EQ(ProfileField("DHCP_PROFILE", "802-3-ethernet.cloned-mac-address"), "");
}

TEST_F(AdapterConfigLab, TcpipInterfaceKeysReadTheSavedSettings)
{
    const QString interfaces = TcpipInterfacesKeyPath() + "\\";
    TExtRegistry office(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(office.OpenKeyReadOnly(interfaces + AdapterId("STATIC_UUID") + "\\"));
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
    ASSERT_TRUE(home.OpenKeyReadOnly(interfaces + AdapterId("DHCP_UUID").toLower()));
    EXPECT_TRUE(home.ReadBoolDef("EnableDHCP", false));
    home.ReadStrings("IPAddress", list);
    EXPECT_TRUE(list.isEmpty());
    EXPECT_EQ(home.ReadStringDef("NameServer", "?"), "");

    TNetworkAdapterConfiguration adapter(AdapterId("STATIC_UUID"));
    ASSERT_EQ(adapter.SetDNSServerSearchOrder("10.200.0.1", "10.200.0.3"), 0);
    EXPECT_EQ(office.ReadStringDef("NameServer", "?"), "10.200.0.1,10.200.0.3") << "read live";

    TNetManager::ReleaseInstance();
    EXPECT_FALSE(TExtRegistry(HKEY_LOCAL_MACHINE).KeyExists(interfaces + AdapterId("STATIC_UUID")))
        << "unmounted with the manager";
}
