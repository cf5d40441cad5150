// The program as a normal user: wayfarelctl, the scanner and the unused-address search run by a
// test user with the lab's network in and outside the netdev group, the privileged helper from
// the build tree given its file capabilities in a folder of the test's own.
#include "adapters/IpAddress.h"
#include "app/DBManager.h"
#include "base/NetHelperProtocol.h"
#include "lantools/ScanLab.h"
#include "locations/Location.h"
#include "support/TestRoot.h"
#include "support/TestUser.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <unistd.h>

namespace {

const TModuleTable NoModules;
const QString OfficeId = "0FF1CE0000000000000000000000000A";

// The kernel's fallback says so once; the helper's answers never.
const QString KernelFallbackWarning = "using the kernel's neighbour resolution";

QString DashedMac(const QString &Mac) { return Mac.toUpper().replace(':', '-'); }

class NetHelperLab : public ::testing::Test
{
protected:
    void SetUp() override
    {
        WAYFAREL_REQUIRE_LAB_UP();
        ASSERT_TRUE(FUser.IsMade());
        ASSERT_TRUE(FBin.isValid());
        ASSERT_TRUE(QFile::setPermissions(
            FBin.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther |
                             QFile::ExeOther | QFile::ReadGroup | QFile::ExeGroup));
        for (const char *program : {"wayfarelctl", "lanprobe", NetHelperName})
            ASSERT_TRUE(QFile::copy(QStringLiteral(WAYFAREL_BIN_DIR "/") + program, Program(program)))
                << program;
        // What the installation does for the helper: root's, run by netdev only, capable.
        const QString helper = Program(NetHelperName);
        ASSERT_TRUE(RunsOk({"chown", "root:netdev", helper}));
        ASSERT_TRUE(RunsOk({"chmod", "0750", helper}));
        ASSERT_TRUE(RunsOk({"setcap", "cap_net_admin,cap_net_raw+ep", helper}));
        StoreOffice();
        FRoot.OpenToOthers();
        ASSERT_TRUE(RunsOk({"chown", "-R", FUser.Name(), FRoot.Path()}));
    }

    void TearDown() override
    {
        CloseConnection();
        if (!TLab::IsUp())
            return;
        TLab::Run({"nmcli", "connection", "down", TLab::Value("STATIC_PROFILE")});
        TLab::Run({"ip", "neigh", "flush", "dev", TLab::Value("CLIENT_IF")});
    }

    void StoreOffice()
    {
        InitConnectionString(FRoot.DataFolder());
        SetLocationConnection(GetConnection());
        TLocation Location(OfficeId, NoModules);
        Location.SetLocName("Office");
        Location.SetNetId("{" + TLab::Value("STATIC_UUID").toUpper() + "}");
        Location.SetPrinter("Lab_Office_Laser");
        Location.Save();
        TIPAddress &Ip = *Location.IpAddress();
        Ip.SetIPAddr(TLab::Value("STATIC_IP"));
        Ip.SetSubnetMask("255.255.255.0");
        Ip.SetGateWay(TLab::Value("PEER_IP"));
        Ip.SetMainDNS(TLab::Value("PEER_IP"));
        Ip.SetAutoRepair(true);
        Ip.SetGWMacAddr(DashedMac(TLab::Value("PEER_MAC")));
        ASSERT_TRUE(Ip.Save()) << Ip.LastError().toStdString();
        CloseConnection();
    }

    QString Program(const char *Name) const { return FBin.filePath(QString::fromLatin1(Name)); }

    TUserRun RunAsUser(bool InNetdev, const QStringList &Command, const QString &Namespace = {}) const
    {
        return ::RunAsUser(FUser.Name(), InNetdev ? QStringList{"netdev"} : QStringList{}, Command, Namespace,
                           FRoot.Path());
    }

    TUserRun SwitchToOffice(bool InNetdev) const
    {
        return RunAsUser(InNetdev, {Program("wayfarelctl"), "--data", FRoot.DataFolder(), "switch",
                                    "--verbose", "Office"});
    }

    static QString PermanentNeighbours()
    {
        return TLab::Run({"ip", "neigh", "show", "nud", "permanent", "dev", TLab::Value("CLIENT_IF")}).Output;
    }

    static QString GatewayBinding()
    {
        return TLab::Value("PEER_IP") + " lladdr " + TLab::Value("PEER_MAC").toLower() + " PERMANENT proto " +
               QString::number(OwnNeighbourProtocol);
    }

    static QString ActiveProfile()
    {
        return TLab::Run(
                   {"nmcli", "-t", "-g", "GENERAL.CONNECTION", "device", "show", TLab::Value("CLIENT_IF")})
            .Output.trimmed();
    }

    TUserRun Probe(bool InNetdev, const QStringList &Args) const
    {
        return RunAsUser(InNetdev, QStringList{Program("lanprobe")} + Args, TLab::Value("SCAN_NS"));
    }

    static QMap<QString, QString> Found(const TUserRun &Run)
    {
        QMap<QString, QString> found;
        for (const QString &line : Run.Out.split('\n', Qt::SkipEmptyParts))
            found.insert(line.section(' ', 0, 0), line.section(' ', 1));
        return found;
    }

    static QMap<QString, QString> ExpectedHosts()
    {
        QMap<QString, QString> hosts;
        const auto all = ScanHosts();
        for (auto it = all.cbegin(); it != all.cend(); ++it)
            hosts.insert(it.key(), it.value().Mac);
        return hosts;
    }

    TTestUser FUser{"wflnh" + QString::number(::getpid())};
    QTemporaryDir FBin;
    TTestRoot FRoot;
};

} // namespace

TEST_F(NetHelperLab, AUserInNetdevSwitchesAndTheHelperBindsTheGateway)
{
    const TUserRun run = SwitchToOffice(true);
    EXPECT_EQ(run.Code, 0) << run.Err.toStdString();
    EXPECT_TRUE(run.Err.contains(
        QStringLiteral("gateway %1 bound to %2 on %3")
            .arg(TLab::Value("PEER_IP"), DashedMac(TLab::Value("PEER_MAC")), TLab::Value("CLIENT_IF"))))
        << run.Err.toStdString();
    EXPECT_TRUE(PermanentNeighbours().contains(GatewayBinding())) << PermanentNeighbours().toStdString();
    EXPECT_EQ(ActiveProfile(), TLab::Value("STATIC_PROFILE"));
}

TEST_F(NetHelperLab, AUserOutsideNetdevIsToldWhatIsMissingAndTheRestOfTheSwitchGoesOn)
{
    const TUserRun run = SwitchToOffice(false);
    EXPECT_EQ(run.Code, 1) << run.Err.toStdString();
    const QString reason =
        QStringLiteral("adapter: failed: Gateway %1 not bound to %2 on %3: needs CAP_NET_ADMIN: "
                       "this user may not run %4; add the user to the netdev group")
            .arg(TLab::Value("PEER_IP"), DashedMac(TLab::Value("PEER_MAC")), TLab::Value("CLIENT_IF"),
                 Program(NetHelperName));
    EXPECT_TRUE(run.Err.contains(reason)) << run.Err.toStdString();
    EXPECT_TRUE(run.Err.contains("wayfarelctl: printer: done")) << run.Err.toStdString();
    EXPECT_EQ(ActiveProfile(), TLab::Value("STATIC_PROFILE"));
    EXPECT_FALSE(PermanentNeighbours().contains(TLab::Value("PEER_IP")))
        << PermanentNeighbours().toStdString();
}

TEST_F(NetHelperLab, OnlyNetdevMayRunTheHelperAndItRemovesOnlyTheProgramsEntries)
{
    const QString helper = Program(NetHelperName);
    const QString link = TLab::Value("CLIENT_IF");
    const QString address = "10.200.0.77", mac = "02:57:46:00:00:77";
    EXPECT_EQ(RunAsUser(false, {helper, NeighbourAddOperation, link, address, mac}).Code, 126)
        << "env cannot start it";
    EXPECT_FALSE(PermanentNeighbours().contains(address));

    // The administrator's own entry, without the program's mark, stays.
    ASSERT_EQ(TLab::Run({"ip", "neigh", "replace", address, "lladdr", mac, "dev", link, "nud", "permanent"})
                  .ExitCode,
              0);
    const TUserRun refused = RunAsUser(true, {helper, NeighbourDeleteOperation, link, address});
    EXPECT_EQ(refused.Code, heFailed);
    EXPECT_TRUE(refused.Err.contains("is no permanent entry of the program")) << refused.Err.toStdString();
    EXPECT_TRUE(PermanentNeighbours().contains(address + " lladdr " + mac + " PERMANENT"));

    EXPECT_EQ(RunAsUser(true, {helper, NeighbourAddOperation, link, address, mac}).Code, heDone);
    EXPECT_TRUE(PermanentNeighbours().contains(address + " lladdr " + mac + " PERMANENT proto 87"));
    EXPECT_EQ(RunAsUser(true, {helper, NeighbourDeleteOperation, link, address}).Code, heDone);
    EXPECT_FALSE(PermanentNeighbours().contains(address));
}

// The figures printed are for the reader; only the way the answers came is checked.
TEST_F(NetHelperLab, AUserInNetdevScansEveryHostThroughTheHelper)
{
    const TUserRun run = Probe(true, {"scan", TLab::Value("SCAN_PREFIX"), "1", "254"});
    ASSERT_EQ(run.Code, 0) << run.Err.toStdString();
    EXPECT_EQ(Found(run), ExpectedHosts());
    EXPECT_FALSE(run.Err.contains(KernelFallbackWarning)) << run.Err.toStdString();
    std::printf("scan as a user in netdev: %s", qPrintable(run.Err));
}

TEST_F(NetHelperLab, AUserOutsideNetdevScansThroughTheKernel)
{
    const TUserRun run = Probe(false, {"scan", TLab::Value("SCAN_PREFIX"), "1", "30"});
    ASSERT_EQ(run.Code, 0) << run.Err.toStdString();
    EXPECT_TRUE(run.Err.contains(KernelFallbackWarning)) << run.Err.toStdString();
    QMap<QString, QString> expected;
    const auto all = ExpectedHosts();
    for (auto it = all.cbegin(); it != all.cend(); ++it)
        if (it.key().section('.', 3).toInt() <= 30)
            expected.insert(it.key(), it.value());
    EXPECT_EQ(Found(run), expected);
    std::printf("scan of 30 addresses outside netdev: %s", qPrintable(run.Err));
}

TEST_F(NetHelperLab, AUserInNetdevFindsTheFirstUnusedAddress)
{
    const auto hosts = ExpectedHosts();
    int first = 1;
    while (!hosts.contains(ScanAddress(first)))
        ++first; // the search starts at a live host
    int unused = first;
    while (hosts.contains(ScanAddress(unused)))
        ++unused;
    const TUserRun run = Probe(
        true, {"unused", TLab::Value("SCAN_PREFIX"), QString::number(first), QString::number(unused + 5)});
    ASSERT_EQ(run.Code, 0) << run.Err.toStdString();
    EXPECT_EQ(run.Out.trimmed(), ScanAddress(unused));
    EXPECT_FALSE(run.Err.contains(KernelFallbackWarning)) << run.Err.toStdString();
    std::printf("unused-address search as a user in netdev: %s", qPrintable(run.Err));
}
