#include "platform/networkmanager/NMConnections.h"
#include "support/EventLoop.h"
#include "support/FakeNMBus.h"

#include <QTimer>
#include <gtest/gtest.h>

namespace {

const QString OfficeUuid = QStringLiteral("6d5d1c2e-0000-4000-8000-0000000000a1");
const QString HomeUuid = QStringLiteral("6d5d1c2e-0000-4000-8000-0000000000b2");
// Longer than any wait: only a state signal can end one.
constexpr int NoRecheckMs = 24 * 60 * 60 * 1000;
// Reached only when the state signal is lost.
constexpr int LostSignalMs = 30000;

// Office and Home on eth0, and the connections NetworkManager's manager makes of them.
class NMConnectionsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        EventLoopApplication();
        FOffice = FBus->AddProfile(OfficeUuid, "Office");
        FHome = FBus->AddProfile(HomeUuid, "Home");
        FEth0 = FBus->AddDevice("eth0");
    }

    quint32 StateOf(const QString &uuid)
    {
        TNetConProperties props;
        TNMConnection connection(FNM, uuid);
        EXPECT_TRUE(connection.GetProperties(props)) << connection.LastError().toStdString();
        return props.DeviceState;
    }

    std::shared_ptr<TFakeNMBus> FBus = std::make_shared<TFakeNMBus>();
    std::shared_ptr<TNMSettings> FNM = std::make_shared<TNMSettings>(FBus);
    QString FOffice, FHome, FEth0;
};

} // namespace

TEST_F(NMConnectionsTest, ListingCostsTheSameFewCallsBeyondOneReadPerProfile)
{
    FBus->AddElsewhereProfiles(50);
    TNMConnectionManager manager(FNM);
    const TNetConnections connections = manager.EnumConnections();
    ASSERT_EQ(connections.size(), 52u);
    EXPECT_EQ(FBus->Count("GetSettings"), 52);
    EXPECT_EQ(FBus->Log.size() - FBus->Count("GetSettings"), 3) << FBus->Log.join(' ').toStdString();

    FBus->Log.clear();
    TNetConProperties props;
    for (const auto &connection : connections)
        ASSERT_TRUE(connection->GetProperties(props));
    EXPECT_TRUE(FBus->Log.isEmpty()) << "the first answer is what the listing saw";
    EXPECT_EQ(props.Guid, "{00000000-0000-4000-8000-000000000049}");
    EXPECT_EQ(props.Name, "Elsewhere 49");

    ASSERT_TRUE(connections.front()->GetProperties(props));
    EXPECT_EQ(props.Name, "Office");
    EXPECT_EQ(FBus->Count("GetSettings"), 1) << "later answers ask again, for this profile only";
    EXPECT_EQ(FBus->Count("ListConnections"), 0);
}

TEST_F(NMConnectionsTest, AProfileSeesItsDeviceOnlyThroughItsOwnActivation)
{
    EXPECT_EQ(StateOf(OfficeUuid), 30u);
    const QString active = FBus->Activate(FOffice, FEth0, 1);
    EXPECT_EQ(StateOf(OfficeUuid), 70u) << "coming up";
    EXPECT_EQ(StateOf(HomeUuid), 30u) << "another profile's progress is not Home's";
    FBus->SetActiveState(active, 2);
    EXPECT_EQ(StateOf(OfficeUuid), 100u);
    FBus->SetActiveState(active, 4);
    FBus->Devices[FEth0].State = 20;
    EXPECT_EQ(StateOf(HomeUuid), 20u) << "no carrier concerns every profile of the device";
}

TEST_F(NMConnectionsTest, WaitUntilSettledWaitsForTheActivationToEnd)
{
    const QString active = FBus->Activate(FOffice, FEth0, 1);
    TNMConnection connection(FNM, OfficeUuid);
    FNM->SetRecheckMs(NoRecheckMs);
    QTimer::singleShot(30, [&] { FBus->SetActiveState(active, 2); });
    // With no rechecks only the device's state change can end the wait in time.
    EXPECT_TRUE(connection.WaitUntilSettled(LostSignalMs)) << connection.LastError().toStdString();
    EXPECT_EQ(StateOf(OfficeUuid), 100u);

    FBus->Log.clear();
    EXPECT_TRUE(connection.WaitUntilSettled(5000));
    EXPECT_EQ(FBus->Count("WatchState"), 0) << "a settled connection is not waited for";
    EXPECT_TRUE(TNMConnection(FNM, HomeUuid).WaitUntilSettled(5000)) << "nothing moves for Home";
}

TEST_F(NMConnectionsTest, WaitUntilSettledGivesUpWithAReason)
{
    FBus->Activate(FOffice, FEth0, 1);
    TNMConnection connection(FNM, OfficeUuid);
    EXPECT_FALSE(connection.WaitUntilSettled(100));
    EXPECT_TRUE(connection.LastError().contains("Office")) << connection.LastError().toStdString();
    FBus->RemoveProfile(FOffice);
    EXPECT_FALSE(connection.WaitUntilSettled(100));
    EXPECT_TRUE(connection.LastError().contains(OfficeUuid)) << connection.LastError().toStdString();
}

TEST_F(NMConnectionsTest, ConnectAndDisconnectActivateAndDeactivateTheProfile)
{
    TNMConnection office(FNM, OfficeUuid);
    ASSERT_TRUE(office.Connect()) << office.LastError().toStdString();
    EXPECT_EQ(StateOf(OfficeUuid), 100u);
    ASSERT_TRUE(office.Disconnect()) << office.LastError().toStdString();
    EXPECT_EQ(StateOf(OfficeUuid), 30u);
    FBus->DeviceOrder.clear();
    EXPECT_FALSE(office.Connect());
    EXPECT_TRUE(office.LastError().contains("Office")) << office.LastError().toStdString();
}

TEST_F(NMConnectionsTest, ApplyReadsTheProfileAndItsDeviceOnceThenSavesAndReappliesOnce)
{
    const QString active = FBus->Activate(FOffice, FEth0, 2);
    TNMConnection office(FNM, OfficeUuid);
    FBus->Log.clear();
    TConnectionOutcome outcome;
    const TConnectionSettings settings{{"manual", {"10.0.0.9"}, {24}, "10.0.0.1", {"10.0.0.53"}, true}, {}};
    ASSERT_TRUE(office.Apply(settings, 5000, outcome)) << office.LastError().toStdString();
    EXPECT_EQ(outcome.DeviceState, 100u);
    EXPECT_EQ(outcome.Action, "saved and reapplied");
    EXPECT_EQ(outcome.LinkName, "eth0");
    for (const char *method : {"GetSettings", "GetDevices", "ReadDevice", "Update", "Reapply"})
        EXPECT_EQ(FBus->Count(method), 1) << method << ": " << FBus->Log.join(' ').toStdString();
    EXPECT_EQ(FBus->IPv4At(FOffice).Addresses, QStringList{"10.0.0.9"});
    EXPECT_EQ(FBus->Actives.value(active).State, 2u) << "the running activation took the change in place";
}

TEST_F(NMConnectionsTest, ApplyRefusesAConnectionStillComingUpAndChangesNothing)
{
    FBus->Activate(FOffice, FEth0, 1);
    TNMConnection office(FNM, OfficeUuid);
    TConnectionOutcome outcome;
    EXPECT_FALSE(office.Apply({{"manual", {"10.0.0.9"}, {24}, {}, {}, false}, {}}, 100, outcome));
    EXPECT_EQ(outcome.DeviceState, 70u);
    EXPECT_TRUE(office.LastError().contains("Office")) << office.LastError().toStdString();
    EXPECT_EQ(FBus->Count("Update") + FBus->Count("Reapply") + FBus->Count("ActivateConnection"), 0)
        << FBus->Log.join(' ').toStdString();
    EXPECT_EQ(FBus->IPv4At(FOffice).Method, "auto");
}

// The location names one address and two DNS servers; the profile's further ones stay, and the
// outcome says so.
TEST_F(NMConnectionsTest, ApplyKeepsTheProfilesFurtherAddressesAndDnsServers)
{
    FBus->Profiles[FOffice]["ipv4"] = {};
    TNMSettingsMap settings = FBus->Profiles.value(FOffice);
    TNMSettings::SetIPv4(settings, {"manual",
                                    {"10.0.0.7", "10.0.9.7"},
                                    {24, 16},
                                    "10.0.0.1",
                                    {"10.0.0.53", "10.0.0.54", "10.0.0.55"},
                                    true});
    FBus->Profiles[FOffice] = settings;
    TNMConnection office(FNM, OfficeUuid);
    TConnectionOutcome outcome;
    ASSERT_TRUE(
        office.Apply({{"manual", {"10.0.0.8"}, {24}, "10.0.0.1", {"9.9.9.9"}, true}, {}}, 5000, outcome))
        << office.LastError().toStdString();
    const TNMIPv4 saved = FBus->IPv4At(FOffice);
    EXPECT_EQ(saved.Addresses, (QStringList{"10.0.0.8", "10.0.9.7"}));
    EXPECT_EQ(saved.Prefixes, (QList<int>{24, 16}));
    EXPECT_EQ(saved.Dns, (QStringList{"9.9.9.9", "10.0.0.55"}));
    EXPECT_TRUE(outcome.Action.contains("keeping its 1 more address(es) and 1 more DNS server(s)"))
        << outcome.Action.toStdString();
}
