// The connection list against a real NetworkManager in the lab, and the kernel fallback there.
#include "adapters/NetMgr.h"
#include "adapters/Network.h"
#include "base/Exceptions.h"
#include "platform/networkmanager/NMSettings.h"
#include "platform/networkmanager/NetConnection.h"
#include "support/EventLoop.h"
#include "support/NMLab.h"

#include <QDBusConnection>
#include <net/if.h>

namespace {

using NMLab::AdapterId;

// A list of the lab's connections from a manager of its own, and the lab left as it was found:
// both profiles down, the peer's link up.
class NetMgrLab : public ::testing::Test
{
protected:
    void SetUp() override
    {
        WAYFAREL_REQUIRE_LAB_UP();
        EventLoopApplication();
        FManager = std::make_unique<TNetManager>(
            CreateNetConnectionManager(TNMSettings::OnBus(QDBusConnection::systemBus())));
        ASSERT_EQ(FManager->Source(), "NetworkManager");
        FList = std::make_unique<TNetWorkList>(*FManager);
    }

    void TearDown() override
    {
        if (!TLab::IsUp())
            return;
        SetPeerLink("up");
        TLab::WaitFor([] { return !NMLab::DeviceState().startsWith("20"); }, 15000);
        NMLab::RestoreLink();
    }

    TNetWork &Profile(const char *uuidKey)
    {
        TNetWork *network = FList->GetNetWork(AdapterId(TLab::Value(uuidKey)));
        if (!network)
            throw EWayfarelError("lab profile missing from the list");
        return *network;
    }

    static void SetPeerLink(const char *state)
    {
        TLab::RunInPeer({"ip", "link", "set", TLab::Value("PEER_IF"), state});
    }

    static bool Becomes(const TNetWork &network, TStatus status)
    {
        return TLab::WaitFor([&] { return network.Status() == status; }, 15000);
    }

    std::unique_ptr<TNetManager> FManager;
    std::unique_ptr<TNetWorkList> FList;
};

} // namespace

TEST_F(NetMgrLab, ListsTheLabProfilesWithIdNameAndDevice)
{
    const struct
    {
        const char *uuid, *name;
    } profiles[] = {{"STATIC_UUID", "STATIC_PROFILE"}, {"DHCP_UUID", "DHCP_PROFILE"}};
    for (const auto &p : profiles) {
        SCOPED_TRACE(p.name);
        TNetWork &network = Profile(p.uuid);
        EXPECT_EQ(network.Id(), AdapterId(TLab::Value(p.uuid)));
        EXPECT_EQ(network.Name(), TLab::Value(p.name));
        EXPECT_EQ(network.Description(), TLab::Value("CLIENT_IF"));
        EXPECT_EQ(network.DevIndex(),
                  static_cast<int>(if_nametoindex(TLab::Value("CLIENT_IF").toLatin1().constData())));
        EXPECT_EQ(network.Status(), nsDisable);
    }
}

TEST_F(NetMgrLab, StatusFollowsActivationAndDeactivation)
{
    TNetWork &office = Profile("STATIC_UUID");
    TNetWork &home = Profile("DHCP_UUID");
    ASSERT_TRUE(office.Enable()) << office.LastError().toStdString();
    EXPECT_EQ(office.Status(), nsWorking);
    EXPECT_EQ(home.Status(), nsDisable) << "the other profile on the same link is not active";
    const auto addr = TLab::Run({"ip", "-o", "-4", "addr", "show", TLab::Value("CLIENT_IF")});
    EXPECT_TRUE(addr.Output.contains(TLab::Value("STATIC_IP") + "/")) << addr.Output.toStdString();

    ASSERT_TRUE(office.Disable()) << office.LastError().toStdString();
    EXPECT_EQ(office.Status(), nsDisable);
    EXPECT_TRUE(office.Disable()) << "an inactive profile is already disabled";
}

TEST_F(NetMgrLab, RestartReactivatesTheProfile)
{
    TNetWork &home = Profile("DHCP_UUID");
    ASSERT_TRUE(home.Enable()) << home.LastError().toStdString();
    ASSERT_TRUE(home.Restart()) << home.LastError().toStdString();
    EXPECT_EQ(home.Status(), nsWorking);
}

TEST_F(NetMgrLab, LinkWhosePeerIsDownIsOff)
{
    TNetWork &office = Profile("STATIC_UUID");
    ASSERT_TRUE(office.Enable()) << office.LastError().toStdString();
    SetPeerLink("down");
    EXPECT_TRUE(Becomes(office, nsOff)) << "status " << office.Status();
    SetPeerLink("up");
    EXPECT_TRUE(TLab::WaitFor([&] { return office.Status() != nsOff; }, 15000));
}

TEST_F(NetMgrLab, VanishedProfileFailsWithItsReason)
{
    TNetWork *vanishing = nullptr;
    {
        TNMLabProfile profile("lab-vanishing", {});
        ASSERT_TRUE(profile.IsMade()) << profile.Error().toStdString();
        FManager->Refresh();
        FList->ReadNetWorks();
        vanishing = FList->GetNetWork(profile.Id());
    }
    ASSERT_NE(vanishing, nullptr);

    EXPECT_FALSE(vanishing->Enable());
    EXPECT_FALSE(vanishing->LastError().isEmpty());
    EXPECT_FALSE(vanishing->Disable());
    EXPECT_FALSE(vanishing->Restart());
    EXPECT_EQ(vanishing->Status(), nsUnkown);
}

TEST(NetMgrLabFallback, WithoutNetworkManagerTheKernelInterfacesAreListedReadOnly)
{
    WAYFAREL_REQUIRE_LAB_UP();
    const QDBusConnection noBus = QDBusConnection::connectToBus(
        QStringLiteral("unix:path=%1/no-such-bus").arg(TLab::Value("DIR")), QStringLiteral("nobus"));
    TNetManager manager(CreateNetConnectionManager(TNMSettings::OnBus(noBus)));
    ASSERT_EQ(manager.Source(), "kernel");
    TNetWorkList list(manager);
    ASSERT_EQ(list.Count(), 1) << "the client namespace has one Ethernet link";
    TNetWork &link = *list.Objects(0);
    EXPECT_EQ(link.Name(), TLab::Value("CLIENT_IF"));
    EXPECT_TRUE(QUuid::fromString(link.Id()).toString(QUuid::WithBraces).toUpper() == link.Id());
    EXPECT_EQ(link.DevIndex(),
              static_cast<int>(if_nametoindex(TLab::Value("CLIENT_IF").toLatin1().constData())));
    EXPECT_EQ(TNetWorkList(manager).Strings(0), link.Id()) << "the id is stable";

    const TStatus before = link.Status();
    EXPECT_FALSE(link.Disable());
    EXPECT_TRUE(link.LastError().contains("NetworkManager is not running"));
    EXPECT_FALSE(link.Enable());
    EXPECT_EQ(link.Status(), before);
    QDBusConnection::disconnectFromBus(QStringLiteral("nobus"));
}
