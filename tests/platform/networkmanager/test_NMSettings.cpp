#include "platform/networkmanager/NMSettings.h"
#include "support/EventLoop.h"
#include "support/FakeNMBus.h"

#include <QRegularExpression>
#include <QTimer>
#include <gtest/gtest.h>

TEST(NMSettings, IPv4SettingsRoundTripInTheirNewFormsOnly)
{
    TNMSettingsMap settings;
    settings["ipv4"]["addresses"] = QVariant::fromValue(QList<uint>{1u});
    settings["ipv4"]["dns-data"] = QStringList{"10.0.0.9"};
    TNMIPv4 ipv4{"manual", {"10.0.0.7"}, {24}, "10.0.0.1", {"10.0.0.53", "10.0.0.54"}, true};
    TNMSettings::SetIPv4(settings, ipv4);
    EXPECT_FALSE(settings["ipv4"].contains("addresses")) << "the old form would override the new";
    const TNMIPv4 back = TNMSettings::IPv4Of(settings);
    EXPECT_EQ(back.Method, "manual");
    EXPECT_EQ(back.Addresses, QStringList{"10.0.0.7"});
    EXPECT_EQ(back.Prefixes, QList<int>{24});
    EXPECT_EQ(back.Gateway, "10.0.0.1");
    EXPECT_EQ(back.Dns, (QStringList{"10.0.0.53", "10.0.0.54"}));
    EXPECT_TRUE(back.IgnoreAutoDns);

    TNMSettings::SetIPv4(settings, TNMIPv4{"auto", {}, {}, "", {}, false});
    EXPECT_FALSE(settings["ipv4"].contains("gateway"));
    EXPECT_TRUE(TNMSettings::IPv4Of(settings).Dns.isEmpty());
}

TEST(NMSettings, AssignedMacIsAConcreteAddressOnly)
{
    TNMProfile profile;
    profile.Type = "802-3-ethernet";
    EXPECT_EQ(TNMSettings::AssignedMac(profile), "");
    TNMSettings::SetAssignedMac(profile.Settings, profile.Type, "02:aa:bb:cc:dd:ee");
    EXPECT_EQ(TNMSettings::AssignedMac(profile), "02:AA:BB:CC:DD:EE");
    for (const char *keyword : {"permanent", "preserve", "random", "stable"}) {
        TNMSettings::SetAssignedMac(profile.Settings, profile.Type, keyword);
        EXPECT_EQ(TNMSettings::AssignedMac(profile), "") << keyword;
    }
    profile.Settings[profile.Type]["cloned-mac-address"] = QByteArray::fromHex("0211223344AA");
    profile.Settings[profile.Type].remove("assigned-mac-address");
    EXPECT_EQ(TNMSettings::AssignedMac(profile), "02:11:22:33:44:AA") << "the older byte form";
    TNMSettings::SetAssignedMac(profile.Settings, profile.Type, "");
    EXPECT_EQ(TNMSettings::AssignedMac(profile), "");
}

namespace {

const QString OfficeUuid = QStringLiteral("6d5d1c2e-0000-4000-8000-0000000000a1");
const TNMIPv4 OfficeIPv4{"manual", {"10.0.0.7"}, {24}, "10.0.0.1", {"10.0.0.53"}, false};
// Longer than any wait: only a state signal can end one.
constexpr int NoRecheckMs = 24 * 60 * 60 * 1000;

// NetworkManager in memory with the office profile on eth0, and the object a process shares.
class NMSettingsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        EventLoopApplication();
        FOffice = FBus->AddProfile(OfficeUuid, "Office", OfficeIPv4);
        FEth0 = FBus->AddDevice("eth0");
    }

    TNMProfile Office()
    {
        TNMProfile profile;
        EXPECT_TRUE(FNM.ReadProfile(OfficeUuid, profile)) << FNM.LastError().toStdString();
        FBus->Log.clear();
        return profile;
    }

    std::shared_ptr<TFakeNMBus> FBus = std::make_shared<TFakeNMBus>();
    TNMSettings FNM{FBus};
    QString FOffice, FEth0;
};

} // namespace

TEST_F(NMSettingsTest, ProfilesAreListedInOneGoAndAPathIsReadOnlyOnce)
{
    FBus->AddElsewhereProfiles(40);
    FBus->AddProfile("vpn-uuid", "Tunnel", {}, "", "vpn");
    const QList<TNMProfile> profiles = FNM.Profiles();
    ASSERT_EQ(profiles.size(), 41) << "wired and wireless only";
    EXPECT_EQ(profiles.first().Name, "Office");
    EXPECT_EQ(profiles.first().Path, FOffice);
    EXPECT_EQ(FBus->Count("ListConnections"), 1);
    EXPECT_EQ(FBus->Count("GetSettings"), 42);

    FBus->Log.clear();
    EXPECT_EQ(FNM.ProfilePaths().size(), 41);
    EXPECT_EQ(FNM.UuidAt(FOffice), OfficeUuid);
    EXPECT_EQ(FBus->Log, QStringList{"ListConnections"}) << "a path's UUID and type never change";

    const QString added = FBus->AddProfile("new-uuid", "New");
    FBus->Log.clear();
    EXPECT_EQ(FNM.ProfilePaths().last(), added);
    EXPECT_EQ(FBus->Count("GetSettings"), 1) << "only the new profile is read";
}

TEST_F(NMSettingsTest, AProfileIsReadAtItsKnownPathAndFoundAgainWhenMadeAnew)
{
    FNM.Profiles();
    FBus->Log.clear();
    TNMProfile profile;
    ASSERT_TRUE(FNM.ReadProfile(OfficeUuid, profile));
    EXPECT_EQ(FBus->Log, QStringList{"GetSettings"});

    FBus->RemoveProfile(FOffice);
    const QString again = FBus->AddProfile(OfficeUuid, "Office again");
    ASSERT_TRUE(FNM.ReadProfile(OfficeUuid, profile)) << FNM.LastError().toStdString();
    EXPECT_EQ(profile.Path, again);
    EXPECT_EQ(profile.Name, "Office again");
    FBus->RemoveProfile(again);
    EXPECT_FALSE(FNM.ReadProfile(OfficeUuid, profile));
    EXPECT_TRUE(FNM.LastError().contains(OfficeUuid)) << FNM.LastError().toStdString();
}

TEST_F(NMSettingsTest, AProfileIsPlacedWhereItIsActiveElseWhereItCouldRun)
{
    const QString wlan0 = FBus->AddDevice("wlan0");
    const QString free = FBus->AddProfile("free-uuid", "Free", {}, "");
    TNMNetState state;
    const auto placeOf = [&](const QString &uuid) {
        TNMProfile profile;
        EXPECT_TRUE(FNM.ReadProfile(uuid, profile) && FNM.ReadNetState(state));
        const TNMPlacement placement = TNMSettings::Place(profile, state);
        return placement.Device.Path + (placement.ActivePath.isEmpty() ? "" : " active");
    };
    EXPECT_EQ(placeOf(OfficeUuid), FEth0) << "bound by interface name";
    EXPECT_EQ(placeOf("free-uuid"), "") << "bound to nothing, offered by no device";
    FBus->Devices[wlan0].AvailableConnections = {free};
    EXPECT_EQ(placeOf("free-uuid"), wlan0);
    FBus->Devices[wlan0].AvailableConnections.clear();
    FBus->Profiles[free]["802-3-ethernet"]["mac-address"] = QByteArray::fromHex("02AABBCCDDEE");
    FBus->Devices[wlan0].HwAddress = "02:AA:BB:CC:DD:EE";
    EXPECT_EQ(placeOf("free-uuid"), wlan0) << "bound by MAC address";
    FBus->Activate(free, FEth0);
    EXPECT_EQ(placeOf("free-uuid"), FEth0 + " active");
    EXPECT_EQ(placeOf(OfficeUuid), FEth0) << "another profile is active there";
}

TEST_F(NMSettingsTest, ApplyingIPv4SavesAndReappliesOnlyWhatIsNeeded)
{
    const TNMIPv4 changed{"manual", {"10.0.0.8"}, {24}, "10.0.0.1", {"10.0.0.53"}, true};
    const struct
    {
        const char *name;
        bool active, refuseReapply;
        quint32 deviceState;
        TNMIPv4 ipv4;
        QStringList calls;
    } table[] = {
        {"active, changed", true, false, 100, changed, {"Update", "Reapply"}},
        {"active, as saved", true, false, 100, OfficeIPv4, {}},
        {"active, reapply refused", true, true, 100, changed, {"Update", "Reapply", "ActivateConnection"}},
        {"inactive, changed", false, false, 30, changed, {"Update", "ActivateConnection"}},
        {"inactive, as saved", false, false, 30, OfficeIPv4, {"ActivateConnection"}},
        {"no carrier", false, false, 20, changed, {"Update"}},
    };
    for (const auto &row : table) {
        SCOPED_TRACE(row.name);
        FBus->Profiles[FOffice].remove("ipv4");
        TNMSettings::SetIPv4(FBus->Profiles[FOffice], OfficeIPv4);
        FBus->Actives.clear();
        FBus->Devices[FEth0] = {FEth0, "eth0", "eth0", {}, 1, row.deviceState, {}, {}, {}, {}};
        if (row.active)
            FBus->Activate(FOffice, FEth0);
        FBus->RefuseReapply = row.refuseReapply;
        const TNMProfile profile = Office();
        ASSERT_TRUE(FNM.ApplyIPv4(profile, row.ipv4)) << FNM.LastError().toStdString();
        QStringList calls = FBus->Log.filter(QRegularExpression("^(Update|Reapply|ActivateConnection)$"));
        EXPECT_EQ(calls, row.calls);
        EXPECT_TRUE(TNMSettings::SameIPv4(FBus->IPv4At(FOffice), row.ipv4));
    }
}

TEST_F(NMSettingsTest, SameIPv4IgnoresAutomaticDnsOnlyWithoutDhcp)
{
    TNMIPv4 other = OfficeIPv4;
    other.IgnoreAutoDns = true;
    EXPECT_TRUE(TNMSettings::SameIPv4(OfficeIPv4, other));
    TNMIPv4 dhcp{"auto", {}, {}, "", {}, false}, ignoring = dhcp;
    ignoring.IgnoreAutoDns = true;
    EXPECT_FALSE(TNMSettings::SameIPv4(dhcp, ignoring));
    other = OfficeIPv4;
    other.Prefixes = {16};
    EXPECT_FALSE(TNMSettings::SameIPv4(OfficeIPv4, other));
}

TEST_F(NMSettingsTest, AnActivationIsAwaitedWithTheEventLoopRunning)
{
    FBus->HoldActivations = true;
    FNM.SetRecheckMs(NoRecheckMs);
    bool timerFired = false;
    QTimer::singleShot(30, [&] {
        timerFired = true;
        FBus->SetActiveState(FBus->Devices[FEth0].ActiveConnection, 2);
    });
    ASSERT_TRUE(FNM.Activate(Office())) << FNM.LastError().toStdString();
    EXPECT_TRUE(timerFired) << "events were handled during the wait";
    EXPECT_EQ(FBus->Count("WatchState"), 1);
    EXPECT_EQ(FBus->Count("ReadActive"), 2) << "a look at the start, and one when the state change woke it";
}

TEST_F(NMSettingsTest, AFailedActivationSaysSoAndADeactivationWaitsUntilItIsGone)
{
    FBus->HoldActivations = true;
    QTimer::singleShot(30, [&] { FBus->SetActiveState(FBus->Devices[FEth0].ActiveConnection, 4); });
    EXPECT_FALSE(FNM.Activate(Office()));
    EXPECT_EQ(FNM.LastError(), "activation of 'Office' failed");

    const QString active = FBus->Activate(FOffice, FEth0, 2);
    ASSERT_TRUE(FNM.Deactivate(Office())) << FNM.LastError().toStdString();
    EXPECT_FALSE(FBus->Actives.contains(active));
    EXPECT_EQ(FBus->Count("DeactivateConnection"), 1);
    ASSERT_TRUE(FNM.Deactivate(Office())) << "an inactive profile is left as it is";
    EXPECT_EQ(FBus->Count("DeactivateConnection"), 0);
}

// NetworkManager's permission check says no: the reason says so in NetworkManager's words, and
// the profile keeps its settings.
TEST_F(NMSettingsTest, ARefusedChangeIsReportedAsNotAllowed)
{
    const TNMIPv4 changed{"manual", {"10.0.0.8"}, {24}, "10.0.0.1", {"10.0.0.53"}, true};
    FBus->DenyChanges = true;
    EXPECT_FALSE(FNM.ApplyIPv4(Office(), changed));
    EXPECT_EQ(FNM.LastError(), "not allowed to change connection 'Office': Insufficient privileges");
    EXPECT_TRUE(TNMSettings::SameIPv4(FBus->IPv4At(FOffice), OfficeIPv4));
    EXPECT_FALSE(FNM.Activate(Office()));
    EXPECT_EQ(FNM.LastError(), "not allowed to change connection 'Office': Insufficient privileges");

    FBus->DenyChanges = false;
    FBus->Devices.clear();
    FBus->DeviceOrder.clear();
    EXPECT_FALSE(FNM.Activate(Office()));
    EXPECT_EQ(FNM.LastError(), "cannot activate 'Office': no device for the connection")
        << "other failures keep their own words";
}
