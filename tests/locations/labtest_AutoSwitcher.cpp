// Automatic switching against the lab's NetworkManager: the watcher (wayfarelctl watch, the
// program's switcher without windows) recognises the lab's gateway by its MAC. The peer's MAC
// is changed to stand for a second gateway and put back afterwards.
#include "adapters/IpAddress.h"
#include "app/DBManager.h"
#include "app/ExtRegistry.h"
#include "locations/Location.h"
#include "support/CtlRun.h"
#include "support/NMLab.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <iostream>

namespace {

const TModuleTable NoModules;

const QString IdA = "GATEWAYA000000000000000000000001";
const QString IdB = "GATEWAYB000000000000000000000002";
const QString MacB = "02:57:46:00:00:0B";

// The watcher as a child process: its records as they come, its input for switches by hand.
class TWatch
{
public:
    explicit TWatch(const QString &DataFolder)
    {
        FProcess.start(WAYFAREL_BIN_DIR "/wayfarelctl", {"--data", DataFolder, "watch"});
        FStarted = FProcess.waitForStarted(10000);
    }
    ~TWatch()
    {
        FProcess.terminate();
        if (!FProcess.waitForFinished(10000))
            FProcess.kill();
        FProcess.waitForFinished(5000);
    }

    bool Started() const { return FStarted; }

    // The first record of Kind after those already taken, waiting up to TimeoutMs; empty when
    // none came.
    QStringList Next(const QString &Kind, int TimeoutMs)
    {
        QElapsedTimer Timer;
        Timer.start();
        for (;;) {
            while (FTaken < FRecords.size()) {
                const QStringList &Record = FRecords.at(FTaken++);
                if (Record.value(0) == Kind)
                    return Record;
            }
            if (Timer.elapsed() >= TimeoutMs)
                return {};
            Pump(static_cast<int>(TimeoutMs - Timer.elapsed()));
        }
    }

    // Every record of Kind so far, after letting the watcher run for Ms.
    QList<QStringList> All(const QString &Kind, int Ms)
    {
        QElapsedTimer Timer;
        Timer.start();
        while (Timer.elapsed() < Ms)
            Pump(static_cast<int>(Ms - Timer.elapsed()));
        QList<QStringList> Found;
        for (const QStringList &Record : std::as_const(FRecords))
            if (Record.value(0) == Kind)
                Found.append(Record);
        return Found;
    }

    void Send(const QString &Line) { FProcess.write((Line + '\n').toUtf8()); }

    QString Log()
    {
        QStringList Lines;
        for (const QStringList &Record : FRecords)
            Lines.append(Record.join(' '));
        return Lines.join('\n') + "\n" + FProcess.readAllStandardError();
    }

private:
    void Pump(int Ms)
    {
        FProcess.waitForReadyRead(std::max(1, Ms));
        while (FProcess.canReadLine())
            FRecords.append(QString::fromUtf8(FProcess.readLine()).trimmed().split('\t'));
    }

    QProcess FProcess;
    bool FStarted = false;
    QList<QStringList> FRecords;
    qsizetype FTaken = 0;
};

class AutoSwitchLab : public ::testing::Test
{
protected:
    void SetUp() override
    {
        WAYFAREL_REQUIRE_LAB_UP();
        NMLab::RestoreLink();
        InitConnectionString(FRoot.DataFolder());
        SetLocationConnection(GetConnection());
        StoreLocation(IdA, "Gateway A");
        StoreLocation(IdB, "Gateway B");
        CloseConnection();
        Ctl({"rules", "Gateway A", "add", "gateway-mac", TLab::Value("PEER_MAC")});
        Ctl({"rules", "Gateway B", "add", "gateway-mac", MacB});
        Ctl({"auto", "on", "Gateway A"});
        Ctl({"auto", "on", "Gateway B"});
        Ctl({"auto", "on"});
    }

    void TearDown() override
    {
        CloseConnection();
        if (!TLab::IsUp())
            return;
        SetPeerMac(TLab::Value("PEER_MAC"));
        NMLab::RestoreLink();
    }

    static void StoreLocation(const QString &Id, const QString &Name)
    {
        TLocation Location(Id, NoModules);
        Location.SetLocName(Name);
        Location.SetNetId(NMLab::StandingId("DHCP_UUID"));
        Location.Save();
        TIPAddress &Ip = *Location.IpAddress();
        Ip.SetEnableDHCP(true);
        Ip.SetAutoGetDNS(true);
        EXPECT_TRUE(Ip.Save()) << Ip.LastError().toStdString();
    }

    TCtlRun Ctl(const QStringList &Args)
    {
        const TCtlRun Run = RunCtl(QStringList{"--data", FRoot.DataFolder()} + Args);
        EXPECT_EQ(Run.Code, 0) << Args.join(' ').toStdString() << ": " << Run.Err.toStdString();
        return Run;
    }

    // The peer's link goes down while its address changes: the client loses carrier, as when
    // its cable moves to another network.
    static void SetPeerMac(const QString &Mac)
    {
        const QString Peer = TLab::Value("PEER_IF");
        TLab::RunInPeer({"ip", "link", "set", Peer, "down"});
        TLab::RunInPeer({"ip", "link", "set", Peer, "address", Mac});
        TLab::RunInPeer({"ip", "link", "set", Peer, "up"});
    }

    static void LinkUp()
    {
        const TLab::TRunResult Up = NMLab::Nmcli({"connection", "up", TLab::Value("DHCP_PROFILE")});
        ASSERT_EQ(Up.ExitCode, 0) << Up.Output.toStdString();
    }

    static void LinkDown() { NMLab::Nmcli({"connection", "down", TLab::Value("DHCP_PROFILE")}); }

    static QString CurrentLocId()
    {
        TExtRegistry Registry(HKEY_LOCAL_MACHINE);
        return Registry.OpenKeyReadOnly("\\SOFTWARE\\Brackwell\\Portolan")
                   ? Registry.ReadStringDef("CurrentLocId", "none")
                   : QStringLiteral("none");
    }

    // Waits for the watcher's first look, so what the test does next is a change it sees.
    static void AwaitFirstLook(TWatch &Watch)
    {
        ASSERT_TRUE(Watch.Started());
        ASSERT_FALSE(Watch.Next("network", 15000).isEmpty()) << Watch.Log().toStdString();
    }

    TTestRoot FRoot;
};

constexpr int SwitchWaitMs = 20000;
constexpr int QuietMs = 8000; // four settle times: long enough for a switch that should not come

TEST_F(AutoSwitchLab, JoiningGatewayASwitchesToAAndMovingToBSwitchesToB)
{
    TWatch Watch(FRoot.DataFolder());
    AwaitFirstLook(Watch);

    LinkUp();
    QElapsedTimer SinceUp;
    SinceUp.start();
    const QStringList ToA = Watch.Next("switched", SwitchWaitMs);
    const qint64 UpToSwitched = SinceUp.elapsed();
    ASSERT_EQ(ToA.value(1), IdA) << Watch.Log().toStdString();
    EXPECT_EQ(ToA.value(2), "Gateway A");
    EXPECT_EQ(CurrentLocId(), IdA);
    std::cout << "[ measure  ] link up -> switched to A: " << UpToSwitched
              << " ms after nmcli returned; last network change -> switch finished: "
              << ToA.value(3).toStdString()
              << " ms (settle 2000 ms), the switch itself: " << ToA.value(4).toStdString() << " ms"
              << std::endl;

    // At once: NetworkManager may not even report the link down in between.
    LinkDown();
    SetPeerMac(MacB);
    LinkUp();
    const QStringList ToB = Watch.Next("switched", SwitchWaitMs);
    ASSERT_EQ(ToB.value(1), IdB) << Watch.Log().toStdString();
    EXPECT_EQ(CurrentLocId(), IdB);
    std::cout << "[ measure  ] moved to B: last network change -> switch finished: "
              << ToB.value(3).toStdString() << " ms, the switch itself: " << ToB.value(4).toStdString()
              << " ms" << std::endl;
    EXPECT_TRUE(Watch.All("switched", QuietMs).size() == 2) << Watch.Log().toStdString();
}

TEST_F(AutoSwitchLab, AFlappingLinkCausesOneSwitch)
{
    TWatch Watch(FRoot.DataFolder());
    AwaitFirstLook(Watch);
    // Each state lasts less than the settle time, long enough for the watcher to see it.
    for (int Flap = 0; Flap < 3; ++Flap) {
        LinkUp();
        QThread::msleep(700);
        LinkDown();
        QThread::msleep(700);
    }
    LinkUp();
    const QList<QStringList> Switches = Watch.All("switched", SwitchWaitMs);
    EXPECT_GE(Watch.All("network", 0).size(), 4) << "the watcher saw the flapping\n"
                                                 << Watch.Log().toStdString();
    ASSERT_EQ(Switches.size(), 1) << Watch.Log().toStdString();
    EXPECT_EQ(Switches.first().value(1), IdA);
    EXPECT_EQ(CurrentLocId(), IdA);
}

TEST_F(AutoSwitchLab, AHandChosenLocationStaysUntilTheNetworkChanges)
{
    TWatch Watch(FRoot.DataFolder());
    AwaitFirstLook(Watch);
    LinkUp();
    ASSERT_EQ(Watch.Next("switched", SwitchWaitMs).value(1), IdA) << Watch.Log().toStdString();

    Watch.Send("switch " + IdB);
    ASSERT_EQ(Watch.Next("hand-switched", SwitchWaitMs).value(1), IdB) << Watch.Log().toStdString();
    EXPECT_TRUE(Watch.All("switched", QuietMs).size() == 1) << Watch.Log().toStdString();
    EXPECT_EQ(CurrentLocId(), IdB);

    LinkDown();
    QThread::msleep(4000); // the network without a gateway settles and is judged
    LinkUp();
    EXPECT_EQ(Watch.Next("switched", SwitchWaitMs).value(1), IdA) << Watch.Log().toStdString();
    EXPECT_EQ(CurrentLocId(), IdA);
}

TEST_F(AutoSwitchLab, NothingHappensWithAutomaticSwitchingOff)
{
    Ctl({"auto", "off"});
    TWatch Watch(FRoot.DataFolder());
    AwaitFirstLook(Watch);
    LinkUp();
    EXPECT_TRUE(Watch.All("switched", QuietMs).isEmpty()) << Watch.Log().toStdString();
    EXPECT_GE(Watch.All("network", 0).size(), 2) << "the watcher saw the link come up\n"
                                                 << Watch.Log().toStdString();
    EXPECT_EQ(CurrentLocId(), "none");
}

TEST_F(AutoSwitchLab, DetectNamesTheLocationAndTheRuleThatRecognisedIt)
{
    const QString MacA = TLab::Value("PEER_MAC").replace(':', '-').toUpper();
    const TCtlRun Down = RunCtl({"--data", FRoot.DataFolder(), "detect"});
    EXPECT_EQ(Down.Code, 1) << Down.Out.toStdString();
    EXPECT_TRUE(Down.Out.isEmpty());

    LinkUp();
    const TCtlRun AtA = Ctl({"--verbose", "detect"});
    EXPECT_EQ(AtA.Out, "*\t" + IdA + "\tGateway A\tyes\tgateway-mac " + MacA + "\n") << AtA.Err.toStdString();
    EXPECT_TRUE(AtA.Err.contains("gateway " + TLab::Value("PEER_IP") + " (" + MacA + ")"))
        << AtA.Err.toStdString();

    // The rules of the network the computer is on now, written into a location.
    const TCtlRun Current = Ctl({"rules", "Gateway B", "use-current"});
    EXPECT_TRUE(Current.Out.contains("gateway-mac\t" + MacA + "\n")) << Current.Out.toStdString();
    EXPECT_TRUE(Current.Out.contains("dhcp-server\t" + TLab::Value("PEER_IP") + "\n"))
        << Current.Out.toStdString();
    EXPECT_EQ(Ctl({"detect"}).Lines().size(), 2);
}

} // namespace
