// The program as a normal user: wayfarelctl, the scanner and the unused-address search run by a
// test user with the lab's network in and outside the netdev group, the privileged helper from
// the build tree given its file capabilities in a folder of the test's own. What the helper
// itself refuses is tried on the scan segment, whose link holds a fixed address.
#include "adapters/IpAddress.h"
#include "app/DBManager.h"
#include "base/NetHelperProtocol.h"
#include "lantools/ScanLab.h"
#include "locations/Location.h"
#include "support/NMLab.h"
#include "support/TestRoot.h"
#include "support/TestUser.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <netinet/if_ether.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

// Failures show texts as text.
void PrintTo(const QString &Text, std::ostream *Out) { *Out << '"' << Text.toStdString() << '"'; }

namespace {

const TModuleTable NoModules;
const QString OfficeId = "0FF1CE0000000000000000000000000A";
// A subnet routed onto the scan link without an address of it there.
const QString OnLinkSubnet = "10.201.1.0/24";

// The kernel's fallback says so once; the helper's answers never.
const QString KernelFallbackWarning = "using the kernel's neighbour resolution";

QString DashedMac(const QString &Mac) { return Mac.toUpper().replace(':', '-'); }

// ARP requests leaving the scan link, counted on a packet socket opened in the scan namespace
// and read afterwards with the kernel's time stamps.
class TArpRequestCounter
{
public:
    TArpRequestCounter()
    {
        const int home = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
        const int scan =
            ::open(("/run/netns/" + TLab::Value("SCAN_NS").toLocal8Bit()).constData(), O_RDONLY | O_CLOEXEC);
        if (home >= 0 && scan >= 0 && ::setns(scan, CLONE_NEWNET) == 0) {
            // Frames leaving the host reach only the taps of every protocol.
            FFd = ::socket(AF_PACKET, SOCK_DGRAM | SOCK_CLOEXEC, htons(ETH_P_ALL));
            const int room = 64 << 20, on = 1;
            ::setsockopt(FFd, SOL_SOCKET, SO_RCVBUFFORCE, &room, sizeof room);
            ::setsockopt(FFd, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on);
            sockaddr_ll link{};
            link.sll_family = AF_PACKET;
            link.sll_protocol = htons(ETH_P_ALL);
            link.sll_ifindex =
                static_cast<int>(::if_nametoindex(TLab::Value("SCAN_IF").toLocal8Bit().constData()));
            if (::bind(FFd, reinterpret_cast<sockaddr *>(&link), sizeof link) != 0) {
                ::close(FFd);
                FFd = -1;
            }
            ::setns(home, CLONE_NEWNET);
        }
        for (const int fd : {home, scan})
            if (fd >= 0)
                ::close(fd);
    }
    ~TArpRequestCounter()
    {
        if (FFd >= 0)
            ::close(FFd);
    }

    bool IsOpen() const { return FFd >= 0; }

    // The times (ms from the first) of the requests sent so far for the addresses in Targets.
    std::vector<double> Requests(const QStringList &Targets) const
    {
        std::vector<double> times;
        struct [[gnu::packed]]
        {
            arphdr Header;
            uint8_t SenderMac[ETH_ALEN];
            in_addr SenderIp;
            uint8_t TargetMac[ETH_ALEN];
            in_addr TargetIp;
        } frame{};
        for (;;) {
            sockaddr_ll from{};
            iovec data{&frame, sizeof frame};
            alignas(cmsghdr) char control[256];
            msghdr message{&from, sizeof from, &data, 1, control, sizeof control, 0};
            const ssize_t length = ::recvmsg(FFd, &message, MSG_DONTWAIT);
            if (length < 0)
                break;
            if (length < static_cast<ssize_t>(sizeof frame))
                continue;
            char target[INET_ADDRSTRLEN] = {};
            ::inet_ntop(AF_INET, &frame.TargetIp, target, sizeof target);
            if (from.sll_pkttype != PACKET_OUTGOING || from.sll_protocol != htons(ETH_P_ARP) ||
                frame.Header.ar_op != htons(ARPOP_REQUEST) || !Targets.contains(QString::fromLatin1(target)))
                continue;
            for (cmsghdr *c = CMSG_FIRSTHDR(&message); c; c = CMSG_NXTHDR(&message, c))
                if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_TIMESTAMPNS) {
                    timespec stamp{};
                    std::memcpy(&stamp, CMSG_DATA(c), sizeof stamp);
                    times.push_back(stamp.tv_sec * 1e3 + stamp.tv_nsec / 1e6);
                }
        }
        std::sort(times.begin(), times.end());
        const double first = times.empty() ? 0 : times.front();
        for (double &time : times)
            time -= first;
        return times;
    }

private:
    int FFd = -1;
};

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
        CleanScanSegment();
    }

    void StoreOffice()
    {
        InitConnectionString(FRoot.DataFolder());
        SetLocationConnection(GetConnection());
        ASSERT_TRUE(StoreLabOffice(OfficeId, NoModules, "Lab_Office_Laser", [](TIPAddress &Ip) {
            Ip.SetMainDNS(TLab::Value("PEER_IP"));
            Ip.SetAutoRepair(true);
            Ip.SetGWMacAddr(DashedMac(TLab::Value("PEER_MAC")));
        }));
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

    // The helper run by the test user in netdev on the scan segment.
    TUserRun ScanHelper(const QStringList &Args) const
    {
        return RunAsUser(true, QStringList{Program(NetHelperName)} + Args, TLab::Value("SCAN_NS"));
    }

    static TLab::TRunResult InScan(const QStringList &Args)
    {
        return TLab::Run(QStringList{"ip", "netns", "exec", TLab::Value("SCAN_NS")} + Args);
    }

    static QString ScanNeighbours(const QString &State = "all")
    {
        return InScan({"ip", "neigh", "show", "nud", State}).Output;
    }

    // Addresses of the scan segment that no host answers for, from .1 up.
    static QStringList SilentScanAddresses(int Count)
    {
        const auto live = ScanHosts();
        QStringList silent;
        for (int octet = 1; octet < 254 && silent.size() < Count; ++octet)
            if (!live.contains(ScanAddress(octet)))
                silent << ScanAddress(octet);
        return silent;
    }

    static void CleanScanSegment()
    {
        InScan({"ip", "neigh", "flush", "dev", TLab::Value("SCAN_IF"), "nud", "permanent"});
        InScan({"ip", "route", "del", OnLinkSubnet});
        for (const char *link : {"wfldown0", "wflnoarp0"})
            InScan({"ip", "link", "del", link});
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
    const QString link = TLab::Value("SCAN_IF");
    const QString address = SilentScanAddresses(1).value(0), mac = "02:57:46:00:00:77";
    EXPECT_EQ(
        RunAsUser(false, {helper, NeighbourAddOperation, link, address, mac}, TLab::Value("SCAN_NS")).Code,
        126)
        << "env cannot start it";
    EXPECT_FALSE(ScanNeighbours("permanent").contains(address));

    EXPECT_EQ(ScanHelper({NeighbourAddOperation, link, address, mac}).Code, heDone);
    EXPECT_TRUE(ScanNeighbours("permanent")
                    .contains(address + " dev " + link + " lladdr " + mac + " PERMANENT proto 87"))
        << ScanNeighbours("permanent").toStdString();
    EXPECT_EQ(ScanHelper({NeighbourDeleteOperation, link, address}).Code, heDone);
    EXPECT_FALSE(ScanNeighbours().contains(address + " ")) << ScanNeighbours().toStdString();
}

// The administrator's own entry, without the program's mark, is neither replaced nor deleted.
TEST_F(NetHelperLab, TheAdministratorsEntryIsNeitherReplacedNorDeleted)
{
    const QString link = TLab::Value("SCAN_IF");
    const QString address = SilentScanAddresses(1).value(0), mac = "02:57:46:00:00:77";
    ASSERT_EQ(
        InScan({"ip", "neigh", "replace", address, "lladdr", mac, "dev", link, "nud", "permanent"}).ExitCode,
        0);
    const QString entry = address + " dev " + link + " lladdr " + mac + " PERMANENT";

    const TUserRun replaced = ScanHelper({NeighbourAddOperation, link, address, "02:57:46:00:00:78"});
    EXPECT_EQ(replaced.Code, heRefused);
    EXPECT_EQ(replaced.Err, "wayfarel-nethelper: " + address + " on \"" + link +
                                "\" is a static entry the program did not make: left as it is\n");
    const TUserRun deleted = ScanHelper({NeighbourDeleteOperation, link, address});
    EXPECT_EQ(deleted.Code, heRefused);
    EXPECT_EQ(deleted.Err, "wayfarel-nethelper: " + address + " on " + link +
                               " is no permanent entry of the program: left as it is\n");
    const QString permanent = ScanNeighbours("permanent");
    EXPECT_TRUE(permanent.contains(entry)) << permanent.toStdString();
    EXPECT_FALSE(permanent.contains("proto")) << permanent.toStdString();
}

// Every refusal is the reason alone with the refusal's status, and leaves the table and the wire
// as they were.
TEST_F(NetHelperLab, TheHelperRefusesWhatLiesBeyondTheLinksSubnets)
{
    // A link that is down and one without ARP, each with a subnet of its own.
    for (const QStringList &step :
         {QStringList{"ip", "link", "add", "wfldown0", "type", "veth", "peer", "name", "wfldown0p"},
          {"ip", "addr", "add", "10.202.0.1/24", "dev", "wfldown0"},
          {"ip", "link", "add", "wflnoarp0", "type", "veth", "peer", "name", "wflnoarp0p"},
          {"ip", "addr", "add", "10.203.0.1/24", "dev", "wflnoarp0"},
          {"ip", "link", "set", "wflnoarp0", "arp", "off", "up"}})
        ASSERT_EQ(InScan(step).ExitCode, 0) << step.join(' ').toStdString();
    const QString link = TLab::Value("SCAN_IF"), own = TLab::Value("SCAN_IP"), mac = "02:57:46:00:00:79";
    const QString outside = QStringLiteral(" is outside the subnets of \"%1\" (%2/24)").arg(link, own);
    const QString live = ScanHosts().firstKey() == own ? ScanHosts().lastKey() : ScanHosts().firstKey();
    const struct
    {
        QStringList Args;
        QString Reason;
    } cases[] = {
        {{"neigh-add", link, "8.8.8.8", mac}, "8.8.8.8" + outside},
        {{"neigh-add", link, "10.201.1.1", mac}, "10.201.1.1" + outside},
        {{"neigh-add", link, ScanAddress(0), mac},
         ScanAddress(0) + " is the network address of " + own + "/24 on \"" + link + "\""},
        {{"neigh-add", link, ScanAddress(255), mac},
         ScanAddress(255) + " is the broadcast address of " + own + "/24 on \"" + link + "\""},
        {{"neigh-add", link, own, mac}, own + " is an address of this host"},
        {{"neigh-add", link, "10.202.0.1", mac}, "10.202.0.1 is an address of this host"},
        {{"neigh-add", "lo", ScanAddress(77), mac}, "\"lo\" is a loopback interface"},
        {{"neigh-add", "wfldown0", "10.202.0.7", mac}, "\"wfldown0\" is down"},
        {{"neigh-add", "wflnoarp0", "10.203.0.7", mac}, "\"wflnoarp0\" does not use ARP"},
        {{"arp-probe", link, "200", live, "8.8.8.8"}, "8.8.8.8" + outside},
        {{"arp-probe", link, "200", live, ScanAddress(255)},
         ScanAddress(255) + " is the broadcast address of " + own + "/24 on \"" + link + "\""},
        {{"arp-probe", "wfldown0", "200", "10.202.0.7"}, "\"wfldown0\" is down"},
    };
    TArpRequestCounter wire;
    ASSERT_TRUE(wire.IsOpen());
    for (const auto &c : cases) {
        const TUserRun run = ScanHelper(c.Args);
        EXPECT_EQ(run.Code, heRefused) << c.Args.join(' ').toStdString();
        EXPECT_EQ(run.Err, "wayfarel-nethelper: " + c.Reason + "\n") << c.Args.join(' ').toStdString();
        EXPECT_TRUE(run.Out.isEmpty()) << run.Out.toStdString();
    }
    EXPECT_TRUE(ScanNeighbours("permanent").isEmpty()) << ScanNeighbours("permanent").toStdString();
    EXPECT_EQ(wire.Requests({live, "8.8.8.8", ScanAddress(255), "10.202.0.7"}).size(), 0u);
}

TEST_F(NetHelperLab, TheProgramHoldsAtMostSixteenMarkedEntries)
{
    const QString link = TLab::Value("SCAN_IF");
    const QStringList addresses = SilentScanAddresses(MaxOwnNeighbours + 1);
    ASSERT_EQ(addresses.size(), MaxOwnNeighbours + 1);
    const auto mac = [](int Index) {
        return QStringLiteral("02:57:46:00:01:%1").arg(Index, 2, 16, QChar('0'));
    };
    for (int i = 0; i < MaxOwnNeighbours; ++i)
        ASSERT_EQ(ScanHelper({NeighbourAddOperation, link, addresses[i], mac(i)}).Code, heDone) << i;

    const TUserRun beyond = ScanHelper({NeighbourAddOperation, link, addresses.last(), mac(99)});
    EXPECT_EQ(beyond.Code, heRefused);
    EXPECT_EQ(beyond.Err,
              "wayfarel-nethelper: the program already holds 16 neighbour entries, the most it may "
              "(16): remove one with neigh-del first\n");
    EXPECT_EQ(ScanNeighbours("permanent").count(" proto 87"), MaxOwnNeighbours);
    // Its own entry is still taken over, and one freed makes room.
    EXPECT_EQ(ScanHelper({NeighbourAddOperation, link, addresses[0], mac(98)}).Code, heDone);
    EXPECT_TRUE(ScanNeighbours("permanent").contains(addresses[0] + " dev " + link + " lladdr " + mac(98)));
    EXPECT_EQ(ScanHelper({NeighbourDeleteOperation, link, addresses[1]}).Code, heDone);
    EXPECT_EQ(ScanHelper({NeighbourAddOperation, link, addresses.last(), mac(99)}).Code, heDone);
    EXPECT_EQ(ScanNeighbours("permanent").count(" proto 87"), MaxOwnNeighbours);
}

// Calls running side by side send two frames per silent address, and all of them together no
// more than one a millisecond.
TEST_F(NetHelperLab, ProbesSendAtMostTwoFramesPerAddressAndTogetherKeepTheirPace)
{
    constexpr int Calls = 4, Targets = 100;
    const QStringList silent = SilentScanAddresses(Targets);
    ASSERT_EQ(silent.size(), Targets);
    TArpRequestCounter wire;
    ASSERT_TRUE(wire.IsOpen());
    const QString call =
        QStringList{Program(NetHelperName), ArpProbeOperation, TLab::Value("SCAN_IF"), "300"}.join(' ') +
        ' ' + silent.join(' ');
    QString script;
    for (int i = 0; i < Calls; ++i)
        script += call + QStringLiteral(" || echo failed %1 $? >&2 &\n").arg(i);
    const auto start = std::chrono::steady_clock::now();
    const TUserRun calls = RunAsUser(true, {"/bin/sh", "-c", script + "wait\n"}, TLab::Value("SCAN_NS"));
    const double wallMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(calls.Code, 0);
    EXPECT_FALSE(calls.Err.contains("failed")) << calls.Err.toStdString();
    EXPECT_TRUE(calls.Out.isEmpty()) << "no silent address answers: " << calls.Out.toStdString();

    const std::vector<double> frames = wire.Requests(silent);
    ASSERT_EQ(frames.size(), static_cast<size_t>(2 * Calls * Targets));
    // A millisecond apart, less the jitter of waking up.
    EXPECT_GE(frames.back(), 0.95 * static_cast<double>(frames.size() - 1)) << frames.back();
    size_t densest = 0;
    for (size_t first = 0, last = 0; last < frames.size(); ++last) {
        while (frames[last] - frames[first] >= 100)
            ++first;
        densest = std::max(densest, last - first + 1);
    }
    EXPECT_LE(densest, 105u);
    std::printf(
        "%d calls of %d silent addresses: %zu frames in %.0f ms (%.0f ms wall), at most %zu in any 100 ms\n",
        Calls, Targets, frames.size(), frames.back(), wallMs, densest);
}

// A scan the helper refuses still ends, through the kernel, and says why the helper did not send.
TEST_F(NetHelperLab, TheScannerTellsWhyTheHelperRefused)
{
    ASSERT_EQ(InScan({"ip", "route", "add", OnLinkSubnet, "dev", TLab::Value("SCAN_IF")}).ExitCode, 0);
    const TUserRun run = Probe(true, {"scan", "10.201.1", "1", "1"});
    EXPECT_EQ(run.Code, 0) << run.Err.toStdString();
    EXPECT_TRUE(run.Out.isEmpty()) << run.Out.toStdString();
    EXPECT_TRUE(run.Err.contains(QStringLiteral("wayfarel: wayfarel-nethelper did not send the ARP requests "
                                                "(wayfarel-nethelper: 10.201.1.1 is outside the subnets of "
                                                "\"%1\" (%2/24)); ")
                                     .arg(TLab::Value("SCAN_IF"), TLab::Value("SCAN_IP")) +
                                 KernelFallbackWarning))
        << run.Err.toStdString();
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
