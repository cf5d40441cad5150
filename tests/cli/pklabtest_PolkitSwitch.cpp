// wayfarelctl against a NetworkManager that asks polkit (the polkit lab): the rules let one test
// user change connections and refuse another. The allowed user switches; the refused user gets
// the refusal in the step report and the connection stays as it was.
#include "adapters/IpAddress.h"
#include "app/DBManager.h"
#include "locations/Location.h"
#include "support/Lab.h"
#include "support/NMLab.h"
#include "support/TestRoot.h"
#include "support/TestUser.h"

#include <QRegularExpression>

namespace {

const TModuleTable NoModules;
const QString OfficeId = "0FF1CE0000000000000000000000000A";
// An address the lab's profile does not hold, so the switch must change the profile.
const QString MovedIp = "10.200.0.45";

class PolkitLab : public ::testing::Test
{
protected:
    void SetUp() override
    {
        WAYFAREL_REQUIRE_LAB_UP();
        ASSERT_EQ(TLab::Value("POLKIT"), "1") << "the lab runs NetworkManager with polkit";
        ASSERT_TRUE(FAllowed.IsMade() && FRefused.IsMade());
        FSavedAddresses = ProfileSetting("ipv4.addresses");
        StoreOffice();
        FRoot.OpenToOthers();
        // Both users share the test's world; only NetworkManager tells them apart.
        ASSERT_TRUE(RunsOk({"chmod", "-R", "a+rwX", FRoot.Path()}));
    }

    void TearDown() override
    {
        CloseConnection();
        if (!TLab::IsUp())
            return;
        TLab::Run({"nmcli", "connection", "down", TLab::Value("STATIC_PROFILE")});
        TLab::Run({"nmcli", "connection", "modify", TLab::Value("STATIC_PROFILE"), "ipv4.addresses",
                   FSavedAddresses});
    }

    void StoreOffice()
    {
        InitConnectionString(FRoot.DataFolder());
        SetLocationConnection(GetConnection());
        ASSERT_TRUE(StoreLabOffice(OfficeId, NoModules, QString(), [](TIPAddress &Ip) {
            Ip.SetIPAddr(MovedIp);
            Ip.SetMainDNS(TLab::Value("PEER_IP"));
        }));
        CloseConnection();
    }

    TUserRun SwitchAs(const TTestUser &User) const
    {
        return RunAsUser(User.Name(), {},
                         {QStringLiteral(WAYFAREL_BIN_DIR "/wayfarelctl"), "--data", FRoot.DataFolder(),
                          "switch", "--verbose", "Office"},
                         {}, FRoot.Path());
    }

    static QString ProfileSetting(const char *Setting)
    {
        return TLab::Run({"nmcli", "-g", Setting, "connection", "show", TLab::Value("STATIC_PROFILE")})
            .Output.trimmed();
    }

    static QString ActiveProfile()
    {
        return TLab::Run(
                   {"nmcli", "-t", "-g", "GENERAL.CONNECTION", "device", "show", TLab::Value("CLIENT_IF")})
            .Output.trimmed();
    }

    TTestUser FAllowed{"wflpkallow"};
    TTestUser FRefused{"wflpkdeny"};
    TTestRoot FRoot;
    QString FSavedAddresses;
};

} // namespace

TEST_F(PolkitLab, TheAllowedUserSwitches)
{
    const TUserRun run = SwitchAs(FAllowed);
    EXPECT_EQ(run.Code, 0) << run.Err.toStdString();
    EXPECT_EQ(ProfileSetting("ipv4.addresses"), MovedIp + "/24");
    EXPECT_EQ(ActiveProfile(), TLab::Value("STATIC_PROFILE"));
}

// Down, the connection must first be brought up (network control); up, its settings must be
// changed. Each refusal is NetworkManager's own, and the connection stays as it was.
TEST_F(PolkitLab, TheRefusedUserIsToldAndNothingChanges)
{
    const struct
    {
        bool Up;
        const char *Says;
    } cases[] = {
        // Down or up, the settings are saved first: saving is what polkit refuses.
        {false, "Insufficient privileges"},
        {true, "Insufficient privileges"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Up ? "up" : "down");
        if (c.Up) {
            ASSERT_EQ(TLab::Run({"nmcli", "connection", "up", TLab::Value("STATIC_PROFILE")}).ExitCode, 0);
        }
        const TUserRun run = SwitchAs(FRefused);
        EXPECT_EQ(run.Code, 1) << run.Err.toStdString();
        const QString refusal = QStringLiteral("not allowed to change connection '%1': %2")
                                    .arg(TLab::Value("STATIC_PROFILE"), c.Says);
        EXPECT_TRUE(run.Err.contains(QRegularExpression("wayfarelctl: adapter: failed: [^\\n]*" +
                                                        QRegularExpression::escape(refusal))))
            << refusal.toStdString() << "\n"
            << run.Err.toStdString();
        EXPECT_EQ(ProfileSetting("ipv4.addresses"), FSavedAddresses);
        EXPECT_EQ(ActiveProfile() == TLab::Value("STATIC_PROFILE"), c.Up);
    }
}
