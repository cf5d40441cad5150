#include "adapters/WmiProviders.h"
#include "support/EventLoop.h"
#include "support/FakeNMBus.h"

#include <QRegularExpression>
#include <gtest/gtest.h>
#include <net/if.h>

namespace {

const QString OfficeUuid = QStringLiteral("6d5d1c2e-0000-4000-8000-0000000000a1");
const QString OfficeId = QStringLiteral("{6D5D1C2E-0000-4000-8000-0000000000A1}");
const TNMIPv4 OfficeIPv4{"manual", {"10.0.0.7"}, {24}, "10.0.0.1", {"10.0.0.53"}, false};

// The adapter classes over NetworkManager in memory: the Office profile on the loopback
// interface (the one link every machine has) among fifty profiles for other networks.
class WmiProvidersTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        EventLoopApplication();
        FBus->AddElsewhereProfiles(25);
        FOffice = FBus->AddProfile(OfficeUuid, "Office", OfficeIPv4, "lo");
        FBus->AddElsewhereProfiles(25);
        FDevice = FBus->AddDevice("lo");
        TWmiProviders::Register(std::make_shared<TAdapterConfigurationProvider>(FNM));
        TWmiProviders::Register(std::make_shared<TNetworkAdapterProvider>(FNM));
    }

    void TearDown() override { TWmiProviders::Reset(); }

    void ActivateOffice()
    {
        FBus->Activate(FOffice, FDevice);
        FBus->Devices[FDevice].Ip4Config = "/ip4/1";
        FBus->Ip4Configs["/ip4/1"] = {"10.0.0.1", {"10.0.0.53"}, {}};
    }

    // Changes of the adapter methods, brought to NetworkManager: what that took.
    QStringList Applied(const std::function<void(TNetworkAdapterConfiguration &)> &change)
    {
        TNetworkAdapterConfiguration adapter(OfficeId);
        FBus->Log.clear();
        change(adapter);
        EXPECT_TRUE(FBus->Log.isEmpty()) << "checked without asking NetworkManager";
        EXPECT_TRUE(adapter.ApplyChanges()) << adapter.LastError().toStdString();
        return FBus->Log.filter(QRegularExpression("^(Update|Reapply|ActivateConnection)$"));
    }

    static void StaticOffice(TNetworkAdapterConfiguration &adapter, const QString &address)
    {
        EXPECT_EQ(adapter.EnableStatic(address, "255.255.255.0"), 0) << adapter.LastError().toStdString();
        adapter.SetGateways("10.0.0.1");
        adapter.SetDNSServerSearchOrder("10.0.0.53", "");
    }

    std::shared_ptr<TFakeNMBus> FBus = std::make_shared<TFakeNMBus>();
    std::shared_ptr<TNMSettings> FNM = std::make_shared<TNMSettings>(FBus);
    QString FOffice, FDevice;
};

} // namespace

TEST_F(WmiProvidersTest, AStaticSwitchIsOneUpdateAndOneReapplyInPlace)
{
    ActivateOffice();
    const QString active = FBus->Devices[FDevice].ActiveConnection;
    EXPECT_EQ(Applied([](auto &adapter) { StaticOffice(adapter, "10.0.0.8"); }),
              QStringList({"Update", "Reapply"}));
    EXPECT_EQ(FBus->IPv4At(FOffice).Addresses, QStringList{"10.0.0.8"});
    EXPECT_EQ(FBus->IPv4At(FOffice).Gateway, "10.0.0.1");
    EXPECT_TRUE(FBus->IPv4At(FOffice).IgnoreAutoDns);
    EXPECT_EQ(FBus->Devices[FDevice].ActiveConnection, active);
}

TEST_F(WmiProvidersTest, SettingsAsSavedChangeNothingOnAnActiveProfile)
{
    ActivateOffice();
    EXPECT_EQ(Applied([](auto &adapter) { StaticOffice(adapter, "10.0.0.7"); }), QStringList());
}

TEST_F(WmiProvidersTest, AnInactiveProfileIsSavedAndActivatedOnce)
{
    EXPECT_EQ(Applied([](auto &adapter) { StaticOffice(adapter, "10.0.0.8"); }),
              QStringList({"Update", "ActivateConnection"}));
    EXPECT_FALSE(FBus->Devices[FDevice].ActiveConnection.isEmpty());
}

TEST_F(WmiProvidersTest, DhcpWithAutomaticDnsLeavesNoAddressGatewayOrServers)
{
    ActivateOffice();
    EXPECT_EQ(Applied([](auto &adapter) {
                  adapter.EnableDHCP();
                  adapter.SetDNSServerSearchOrder("", "");
              }),
              QStringList({"Update", "Reapply"}));
    const TNMIPv4 ipv4 = FBus->IPv4At(FOffice);
    EXPECT_EQ(ipv4.Method, "auto");
    EXPECT_TRUE(ipv4.Addresses.isEmpty());
    EXPECT_TRUE(ipv4.Gateway.isEmpty());
    EXPECT_TRUE(ipv4.Dns.isEmpty());
    EXPECT_FALSE(ipv4.IgnoreAutoDns);
}

TEST_F(WmiProvidersTest, ChangesForAProfileThatIsGoneFailWithTheReason)
{
    TNetworkAdapterConfiguration adapter(OfficeId);
    StaticOffice(adapter, "10.0.0.8");
    FBus->RemoveProfile(FOffice);
    EXPECT_FALSE(adapter.ApplyChanges());
    EXPECT_TRUE(adapter.LastError().contains(OfficeId)) << adapter.LastError().toStdString();
    EXPECT_EQ(FBus->Count("Update"), 0);
}

TEST_F(WmiProvidersTest, AQueryForOneAdapterReadsThatAdapterOnly)
{
    ActivateOffice();
    FNM->Profiles();
    FBus->Log.clear();
    TNetworkAdapterConfiguration office(OfficeId);
    EXPECT_EQ(office.IpAddress(), "127.0.0.1") << "an active profile shows its link";
    EXPECT_EQ(office.Gateway(), "10.0.0.1");
    EXPECT_EQ(office.Dns1(), "10.0.0.53");
    const int index = static_cast<int>(if_nametoindex("lo"));
    EXPECT_EQ(WmiQueryValue("Win32_NetworkAdapter", "InterfaceIndex", "GUID='" + OfficeId + "'").toInt(),
              index);
    EXPECT_EQ(WmiQueryValue("Win32_NetworkAdapterConfiguration", "SettingID",
                            "InterfaceIndex=" + QString::number(index)),
              OfficeId);
    EXPECT_EQ(FBus->Count("ListConnections"), 0) << FBus->Log.join(' ').toStdString();
    EXPECT_LE(FBus->Count("GetSettings"), 3) << "one read per query, whatever the number of profiles";
}

TEST_F(WmiProvidersTest, WithoutAConditionEveryProfileIsListedOnce)
{
    QList<QStringList> objects;
    ASSERT_TRUE(WmiQueryObjects("Win32_NetworkAdapter", "", objects));
    EXPECT_GE(objects.size(), 51) << "every profile, then the kernel's interfaces";
    EXPECT_EQ(FBus->Count("ListConnections"), 1);
    EXPECT_EQ(FBus->Count("GetSettings"), 51);
}
