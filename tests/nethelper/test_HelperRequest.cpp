#include "nethelper/HelperRequest.h"
#include "nethelper/HelperScope.h"

#include "base/NetHelperProtocol.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <linux/neighbour.h>
#include <optional>
#include <string>
#include <vector>

namespace {

// Interfaces as a machine with a loopback and one lab link would have them.
int FakeLookup(const std::string &Name) { return Name == "lo" ? 1 : Name == "wfl0" ? 7 : 0; }

std::variant<THelperRequest, THelperRefusal> Parse(std::vector<std::string> Args)
{
    Args.insert(Args.begin(), "wayfarel-nethelper");
    std::vector<const char *> argv;
    for (const std::string &arg : Args)
        argv.push_back(arg.c_str());
    argv.push_back(nullptr);
    return ParseHelperRequest(static_cast<int>(Args.size()), argv.data(), FakeLookup);
}

std::string Reason(const std::variant<THelperRequest, THelperRefusal> &Outcome)
{
    const auto *refusal = std::get_if<THelperRefusal>(&Outcome);
    return refusal ? refusal->Reason : std::string("(accepted)");
}

std::vector<std::string> ProbeOf(int Count)
{
    std::vector<std::string> args{"arp-probe", "wfl0", "500"};
    for (int i = 0; i < Count; ++i)
        args.push_back("10.200." + std::to_string(i / 250) + "." + std::to_string(i % 250 + 1));
    return args;
}

std::string Text(in_addr Address)
{
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &Address, text, sizeof text);
    return text;
}

in_addr Address(const char *Text)
{
    in_addr address{};
    ::inet_pton(AF_INET, Text, &address);
    return address;
}

std::string Outcome(const std::optional<std::string> &Refusal) { return Refusal.value_or("(accepted)"); }

// An interface with a /24, a /31 and a /32, on a host that also holds 10.9.9.9 elsewhere.
TInterfaceState LabLink()
{
    TInterfaceState state;
    state.Name = "wfl0";
    state.Up = true;
    state.Subnets = {{Address("10.200.0.44"), 24}, {Address("192.168.5.1"), 31}, {Address("172.16.0.9"), 32}};
    state.HostAddresses = {Address("10.200.0.44"), Address("192.168.5.1"), Address("172.16.0.9"),
                           Address("10.9.9.9")};
    return state;
}

TNeighbourEntry Entry(int Index, const char *Ip, uint16_t State, int Protocol = 0, uint8_t Flags = 0)
{
    return {Index, Address(Ip), State, Flags, Protocol};
}

// Count entries of the program on other addresses of the interface 3.
std::vector<TNeighbourEntry> OwnEntries(int Count)
{
    std::vector<TNeighbourEntry> table;
    for (int i = 0; i < Count; ++i)
        table.push_back(
            Entry(3, ("10.200.0." + std::to_string(100 + i)).c_str(), NUD_PERMANENT, OwnNeighbourProtocol));
    return table;
}

QString HelperPath() { return QStringLiteral(WAYFAREL_BIN_DIR "/wayfarel-nethelper"); }

} // namespace

TEST(HelperRequest, RefusesEveryMalformedCommandLineWithItsReason)
{
    const struct
    {
        std::vector<std::string> Args;
        const char *Reason;
    } cases[] = {
        {{}, "no operation given"},
        {{"neigh-flush", "wfl0"}, "unknown operation \"neigh-flush\""},
        {{"NEIGH-ADD", "wfl0", "10.200.0.1", "02:00:00:00:00:01"}, "unknown operation \"NEIGH-ADD\""},
        {{"neigh-add", "wfl0", "10.200.0.1"}, "neigh-add takes 3 arguments"},
        {{"neigh-del", "wfl0", "10.200.0.1", "02:00:00:00:00:01"}, "neigh-del takes 2 arguments"},
        {{"neigh-add", "wfl9", "10.200.0.1", "02:00:00:00:00:01"}, "no interface \"wfl9\""},
        {{"neigh-add", "", "10.200.0.1", "02:00:00:00:00:01"}, "\"\" is no interface name"},
        {{"neigh-add", "wfl0 ", "10.200.0.1", "02:00:00:00:00:01"}, "\"wfl0 \" is no interface name"},
        {{"neigh-add", "..", "10.200.0.1", "02:00:00:00:00:01"}, "\"..\" is no interface name"},
        {{"neigh-add", "averyverylongname", "10.200.0.1", "02:00:00:00:00:01"},
         "\"averyverylongname\" is no interface name"},
        {{"neigh-add", "wfl0", "10.200.0", "02:00:00:00:00:01"}, "\"10.200.0\" is no dotted IPv4 address"},
        {{"neigh-add", "wfl0", "10.200.0.256", "02:00:00:00:00:01"},
         "\"10.200.0.256\" is no dotted IPv4 address"},
        {{"neigh-add", "wfl0", "10.200.0.01", "02:00:00:00:00:01"},
         "\"10.200.0.01\" is no dotted IPv4 address"},
        {{"neigh-add", "wfl0", " 10.200.0.1", "02:00:00:00:00:01"},
         "\" 10.200.0.1\" is no dotted IPv4 address"},
        {{"neigh-add", "wfl0", "10.200.0.1.", "02:00:00:00:00:01"},
         "\"10.200.0.1.\" is no dotted IPv4 address"},
        {{"neigh-add", "wfl0", "0x0a.0.0.1", "02:00:00:00:00:01"},
         "\"0x0a.0.0.1\" is no dotted IPv4 address"},
        {{"neigh-add", "wfl0", "224.0.0.1", "02:00:00:00:00:01"}, "\"224.0.0.1\" is no unicast host address"},
        {{"neigh-add", "wfl0", "255.255.255.255", "02:00:00:00:00:01"},
         "\"255.255.255.255\" is no unicast host address"},
        {{"neigh-add", "wfl0", "127.0.0.1", "02:00:00:00:00:01"}, "\"127.0.0.1\" is no unicast host address"},
        {{"neigh-add", "wfl0", "0.0.0.0", "02:00:00:00:00:01"}, "\"0.0.0.0\" is no unicast host address"},
        {{"neigh-add", "wfl0", "10.200.0.1", "02:00:00:00:00"},
         "\"02:00:00:00:00\" is no MAC address (six hex pairs joined by ':' or '-')"},
        {{"neigh-add", "wfl0", "10.200.0.1", "02:00-00:00:00:01"},
         "\"02:00-00:00:00:01\" is no MAC address (six hex pairs joined by ':' or '-')"},
        {{"neigh-add", "wfl0", "10.200.0.1", "02:00:00:00:00:0g"},
         "\"02:00:00:00:00:0g\" is no MAC address (six hex pairs joined by ':' or '-')"},
        {{"neigh-add", "wfl0", "10.200.0.1", "020000000001"},
         "\"020000000001\" is no MAC address (six hex pairs joined by ':' or '-')"},
        {{"neigh-add", "wfl0", "10.200.0.1", "00:00:00:00:00:00"},
         "\"00:00:00:00:00:00\" is the zero MAC address"},
        {{"neigh-add", "wfl0", "10.200.0.1", "ff:ff:ff:ff:ff:ff"},
         "\"ff:ff:ff:ff:ff:ff\" is a broadcast or multicast MAC address"},
        {{"neigh-add", "wfl0", "10.200.0.1", "01-00-5E-00-00-01"},
         "\"01-00-5E-00-00-01\" is a broadcast or multicast MAC address"},
        {{"arp-probe", "wfl0", "500"}, "arp-probe takes an interface, a deadline and addresses"},
        {{"arp-probe", "wfl0", "0", "10.200.0.1"}, "\"0\" is no deadline of 1..5000 ms"},
        {{"arp-probe", "wfl0", "5001", "10.200.0.1"}, "\"5001\" is no deadline of 1..5000 ms"},
        {{"arp-probe", "wfl0", "-5", "10.200.0.1"}, "\"-5\" is no deadline of 1..5000 ms"},
        {{"arp-probe", "wfl0", "500", "10.200.0.1", "wfl0"}, "\"wfl0\" is no dotted IPv4 address"},
        {ProbeOf(MaxProbeTargets + 1), "at most 256 addresses per call"},
        // Paths are names like any other: refused, never opened.
        {{"neigh-add", "/etc/passwd", "10.200.0.1", "02:00:00:00:00:01"},
         "\"/etc/passwd\" is no interface name"},
        {{"neigh-add", "../wfl0", "10.200.0.1", "02:00:00:00:00:01"}, "\"../wfl0\" is no interface name"},
        {{"neigh-add", "wfl0", "/tmp/10.200.0.1", "02:00:00:00:00:01"},
         "\"/tmp/10.200.0.1\" is no dotted IPv4 address"},
        {{"neigh-add", "wfl0", "10.200.0.1", "@/tmp/mac"},
         "\"@/tmp/mac\" is no MAC address (six hex pairs joined by ':' or '-')"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Reason(Parse(c.Args)), c.Reason) << ::testing::PrintToString(c.Args);
}

TEST(HelperRequest, ANeighbourEntryIsTakenInEitherMacForm)
{
    for (const char *mac : {"02:1a:2B:3c:4D:5e", "02-1A-2b-3C-4d-5E"}) {
        const auto outcome = Parse({"neigh-add", "wfl0", "10.200.0.1", mac});
        ASSERT_EQ(Reason(outcome), "(accepted)") << mac;
        const auto &request = std::get<THelperRequest>(outcome);
        EXPECT_EQ(request.Operation, THelperOperation::NeighbourAdd);
        EXPECT_EQ(request.Interface, "wfl0");
        EXPECT_EQ(request.InterfaceIndex, 7);
        EXPECT_EQ(Text(request.Address), "10.200.0.1");
        EXPECT_EQ(request.Mac, (TMacBytes{0x02, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e})) << mac;
    }
    const auto removal = Parse({"neigh-del", "lo", "192.168.1.254"});
    ASSERT_EQ(Reason(removal), "(accepted)");
    EXPECT_EQ(std::get<THelperRequest>(removal).Operation, THelperOperation::NeighbourDelete);
    EXPECT_EQ(Text(std::get<THelperRequest>(removal).Address), "192.168.1.254");
}

TEST(HelperRequest, AProbeTakesUpToTheLimitOfAddressesInOrder)
{
    const auto outcome = Parse(ProbeOf(MaxProbeTargets));
    ASSERT_EQ(Reason(outcome), "(accepted)");
    const auto &request = std::get<THelperRequest>(outcome);
    EXPECT_EQ(request.Operation, THelperOperation::ArpProbe);
    EXPECT_EQ(request.DeadlineMs, 500);
    ASSERT_EQ(request.Targets.size(), static_cast<size_t>(MaxProbeTargets));
    EXPECT_EQ(Text(request.Targets.front()), "10.200.0.1");
    EXPECT_EQ(Text(request.Targets.back()), "10.200.1.6");
    for (const char *deadline : {"1", "5000"})
        EXPECT_EQ(Reason(Parse({"arp-probe", "wfl0", deadline, "10.200.0.1"})), "(accepted)") << deadline;
}

// The built helper refuses before it touches anything: a path in any place is neither created
// nor read, and the refusal is its own exit status with the reason and the usage.
TEST(HelperProgram, RefusesPathsWithoutTouchingThemAndSaysWhy)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString made = dir.filePath("made");
    const QStringList commandLines[] = {
        {"neigh-add", made, "10.200.0.1", "02:00:00:00:00:01"},
        {"neigh-add", "lo", made, "02:00:00:00:00:01"},
        {"arp-probe", "lo", "100", made},
        {made},
    };
    for (const QStringList &args : commandLines) {
        QProcess helper;
        helper.start(HelperPath(), args);
        ASSERT_TRUE(helper.waitForFinished(5000)) << args.join(' ').toStdString();
        EXPECT_EQ(helper.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(helper.exitCode(), heRefused) << args.join(' ').toStdString();
        const QString errors = QString::fromLocal8Bit(helper.readAllStandardError());
        EXPECT_TRUE(errors.startsWith("wayfarel-nethelper: ")) << errors.toStdString();
        EXPECT_TRUE(errors.contains("usage: wayfarel-nethelper neigh-add IFACE IP MAC"))
            << errors.toStdString();
        EXPECT_TRUE(helper.readAllStandardOutput().isEmpty());
        EXPECT_FALSE(QFile::exists(made));
    }
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
}

TEST(HelperProgram, AnInterfaceThatDoesNotExistIsRefused)
{
    QProcess helper;
    helper.start(HelperPath(), {"neigh-add", "wfl-none0", "10.200.0.1", "02:00:00:00:00:01"});
    ASSERT_TRUE(helper.waitForFinished(5000));
    EXPECT_EQ(helper.exitCode(), heRefused);
    EXPECT_TRUE(helper.readAllStandardError().startsWith("wayfarel-nethelper: no interface \"wfl-none0\"\n"));
}

TEST(HelperScope, OnlyAnInterfaceThatIsUpNotLoopbackAndSpeaksArpIsUsed)
{
    const auto state = [](bool Up, bool Loopback, bool NoArp) {
        TInterfaceState link = LabLink();
        link.Up = Up;
        link.Loopback = Loopback;
        link.NoArp = NoArp;
        return link;
    };
    const struct
    {
        TInterfaceState State;
        const char *Outcome;
    } cases[] = {
        {state(true, false, false), "(accepted)"},
        {state(true, true, true), "\"wfl0\" is a loopback interface"},
        {state(false, true, true), "\"wfl0\" is a loopback interface"},
        {state(false, false, false), "\"wfl0\" is down"},
        {state(true, false, true), "\"wfl0\" does not use ARP"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Outcome(InterfaceRefusal(c.State)), c.Outcome)
            << c.State.Up << c.State.Loopback << c.State.NoArp;
}

TEST(HelperScope, OnlyHostsOfTheInterfacesSubnetsOtherThanThisHostAreReached)
{
    const std::string outside =
        " is outside the subnets of \"wfl0\" (10.200.0.44/24, 192.168.5.1/31, 172.16.0.9/32)";
    const struct
    {
        const char *Address;
        std::string Outcome;
    } cases[] = {
        {"10.200.0.1", "(accepted)"},
        {"10.200.0.254", "(accepted)"},
        {"192.168.5.0", "(accepted)"}, // a /31 has no network or broadcast address
        {"8.8.8.8", "8.8.8.8" + outside},
        {"10.200.1.1", "10.200.1.1" + outside},
        {"172.16.0.10", "172.16.0.10" + outside},
        {"10.200.0.0", "10.200.0.0 is the network address of 10.200.0.44/24 on \"wfl0\""},
        {"10.200.0.255", "10.200.0.255 is the broadcast address of 10.200.0.44/24 on \"wfl0\""},
        {"10.200.0.44", "10.200.0.44 is an address of this host"},
        {"172.16.0.9", "172.16.0.9 is an address of this host"},
        {"10.9.9.9", "10.9.9.9 is an address of this host"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Outcome(AddressRefusal(LabLink(), Address(c.Address))), c.Outcome) << c.Address;

    TInterfaceState bare;
    bare.Name = "wfl1";
    bare.Up = true;
    EXPECT_EQ(Outcome(AddressRefusal(bare, Address("10.200.0.1"))),
              "10.200.0.1 is outside the subnets of \"wfl1\" (it has no IPv4 address)");
}

// The entry at stake is 10.200.0.77 on interface 3.
TEST(HelperScope, AnEntryIsReplacedOnlyWhenTheProgramOrTheKernelMadeItAndTheMarksStayFew)
{
    const auto with = [](std::vector<TNeighbourEntry> Table, const TNeighbourEntry &Extra) {
        Table.push_back(Extra);
        return Table;
    };
    const std::string left = "10.200.0.77 on \"wfl0\" is ";
    const std::string full =
        "the program already holds 16 neighbour entries, the most it may (16): remove one "
        "with neigh-del first";
    const struct
    {
        const char *What;
        std::vector<TNeighbourEntry> Table;
        std::string Outcome;
    } cases[] = {
        {"no entry", {}, "(accepted)"},
        {"resolved by the kernel", {Entry(3, "10.200.0.77", NUD_STALE)}, "(accepted)"},
        {"the program's own", {Entry(3, "10.200.0.77", NUD_PERMANENT, OwnNeighbourProtocol)}, "(accepted)"},
        {"the administrator's on another interface", {Entry(4, "10.200.0.77", NUD_PERMANENT)}, "(accepted)"},
        {"the administrator's permanent",
         {Entry(3, "10.200.0.77", NUD_PERMANENT)},
         left + "a static entry the program did not make: left as it is"},
        {"the administrator's noarp",
         {Entry(3, "10.200.0.77", NUD_NOARP)},
         left + "a static entry the program did not make: left as it is"},
        {"another program's",
         {Entry(3, "10.200.0.77", NUD_REACHABLE, 11)},
         left + "an entry of another program (protocol 11): left as it is"},
        {"learned outside the kernel",
         {Entry(3, "10.200.0.77", NUD_REACHABLE, 0, NTF_EXT_LEARNED)},
         left + "an externally learned entry: left as it is"},
        {"15 marks", OwnEntries(MaxOwnNeighbours - 1), "(accepted)"},
        {"16 marks", OwnEntries(MaxOwnNeighbours), full},
        {"16 marks, over a kernel entry",
         with(OwnEntries(MaxOwnNeighbours), Entry(3, "10.200.0.77", NUD_STALE)), full},
        {"16 marks, one of them this one",
         with(OwnEntries(MaxOwnNeighbours - 1), Entry(3, "10.200.0.77", NUD_PERMANENT, OwnNeighbourProtocol)),
         "(accepted)"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Outcome(NeighbourAddRefusal(c.Table, 3, Address("10.200.0.77"), "wfl0")), c.Outcome)
            << c.What;
}

// Loopback is refused by what it is, before any privilege is used: the reason without the usage.
TEST(HelperProgram, TheLoopbackInterfaceIsRefusedForEveryOperationThatActs)
{
    const QStringList commandLines[] = {
        {"neigh-add", "lo", "10.200.0.1", "02:00:00:00:00:01"},
        {"arp-probe", "lo", "100", "10.200.0.1"},
    };
    for (const QStringList &args : commandLines) {
        QProcess helper;
        helper.start(HelperPath(), args);
        ASSERT_TRUE(helper.waitForFinished(5000));
        EXPECT_EQ(helper.exitCode(), heRefused) << args.join(' ').toStdString();
        EXPECT_EQ(QString::fromLocal8Bit(helper.readAllStandardError()),
                  "wayfarel-nethelper: \"lo\" is a loopback interface\n");
        EXPECT_TRUE(helper.readAllStandardOutput().isEmpty());
    }
}
