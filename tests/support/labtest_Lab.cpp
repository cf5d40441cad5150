// Checks that the lab gives later suites what they rely on: the namespaces, the private
// system bus with NetworkManager on it, DHCP and DNS from the peer, and the private cupsd.
#include "support/Lab.h"

#include <QFile>
#include <QRegularExpression>

TEST(Lab, RunsInTheClientNamespaceWithItsLink)
{
    WAYFAREL_REQUIRE_LAB_UP();
    const auto link = TLab::Run({"ip", "-o", "link", "show", TLab::Value("CLIENT_IF")});
    ASSERT_EQ(link.ExitCode, 0) << link.Output.toStdString();
    EXPECT_TRUE(link.Output.contains(TLab::Value("CLIENT_MAC"), Qt::CaseInsensitive));
    EXPECT_EQ(TLab::Run({"ip", "link", "show", "eth0"}).ExitCode, 1)
        << "the host's links must not be visible in the lab";
}

TEST(Lab, PeerAnswersFromItsNamespace)
{
    WAYFAREL_REQUIRE_LAB_UP();
    const auto addr = TLab::RunInPeer({"ip", "-o", "-4", "addr", "show", TLab::Value("PEER_IF")});
    ASSERT_EQ(addr.ExitCode, 0) << addr.Output.toStdString();
    EXPECT_TRUE(addr.Output.contains(TLab::Value("PEER_IP") + "/" + TLab::Value("PREFIX")));
}

TEST(Lab, NetworkManagerManagesTheClientLinkAndKnowsBothProfiles)
{
    WAYFAREL_REQUIRE_LAB_UP();
    const auto device = TLab::Run({"nmcli", "-t", "-f", "DEVICE,STATE", "device"});
    ASSERT_EQ(device.ExitCode, 0) << device.Output.toStdString();
    EXPECT_TRUE(device.Output.contains(TLab::Value("CLIENT_IF") + ":disconnected"))
        << device.Output.toStdString();
    const auto profiles = TLab::Run({"nmcli", "-t", "-f", "UUID", "connection"});
    EXPECT_TRUE(profiles.Output.contains(TLab::Value("STATIC_UUID")));
    EXPECT_TRUE(profiles.Output.contains(TLab::Value("DHCP_UUID")));
}

TEST(Lab, DhcpProfileLeasesAnAddressFromThePeer)
{
    WAYFAREL_REQUIRE_LAB_UP();
    const QString profile = TLab::Value("DHCP_PROFILE");
    ASSERT_EQ(TLab::Run({"nmcli", "connection", "up", profile}).ExitCode, 0);
    const auto addr = TLab::Run({"ip", "-o", "-4", "addr", "show", TLab::Value("CLIENT_IF")});
    TLab::Run({"nmcli", "connection", "down", profile});
    const QRegularExpression leased(R"(inet 10\.200\.0\.(\d+)/24)");
    const auto match = leased.match(addr.Output);
    ASSERT_TRUE(match.hasMatch()) << addr.Output.toStdString();
    EXPECT_GE(match.captured(1).toInt(), TLab::Value("DHCP_FIRST").section('.', 3).toInt());
    EXPECT_LE(match.captured(1).toInt(), TLab::Value("DHCP_LAST").section('.', 3).toInt());
}

TEST(Lab, ResolverFilesAreTheLabsOwn)
{
    WAYFAREL_REQUIRE_LAB_UP();
    QFile resolv("/etc/resolv.conf");
    ASSERT_TRUE(resolv.open(QIODevice::ReadOnly));
    EXPECT_TRUE(resolv.readAll().contains(TLab::Value("PEER_IP").toLatin1()));
}

TEST(Lab, PrivateCupsdListsTheLabQueues)
{
    WAYFAREL_REQUIRE_LAB_UP();
    ASSERT_TRUE(qEnvironmentVariable("CUPS_SERVER").startsWith(TLab::Value("DIR")));
    const auto queues = TLab::Run({"lpstat", "-p"});
    ASSERT_EQ(queues.ExitCode, 0) << queues.Output.toStdString();
    for (const QString &queue : TLab::Value("PRINTERS").split(','))
        EXPECT_TRUE(queues.Output.contains(queue)) << queue.toStdString();
}
