#include "lantools/uNetRepaire.h"

#include "lantools/ScanLab.h"

namespace {

// Flags of a permanent, complete entry in /proc/net/arp (ATF_COM | ATF_PERM).
const QString PermanentFlags = "0x6";

struct TGateway
{
    QString Ip, Mac;
};

class NetRepaireLab : public ::testing::Test
{
protected:
    // Made-up gateways on the lab's scan segment: only neighbour entries, no host behind them.
    const TGateway FFirst{ScanAddress(250), "02-57-46-01-00-FA"};
    const TGateway FSecond{ScanAddress(251), "02-57-46-01-00-FB"};

    void SetUp() override
    {
        if (TLab::IsUp()) {
            ASSERT_TRUE(EnterScanNamespace());
        }
        TNetRepaire::SetRepairInterval(PassIntervalMs);
    }

    void TearDown() override
    {
        TNetRepaire::Shutdown();
        TNetRepaire::SetRepairInterval(1000);
        for (const TGateway &gateway : {FFirst, FSecond})
            TLab::Run({"ip", "neigh", "del", gateway.Ip, "dev", Link()});
    }

    static bool IsBound(const TGateway &Gateway)
    {
        return ArpTableEntry(Gateway.Ip) == QStringList{PermanentFlags, Gateway.Mac};
    }

    // Restarts the link, which drops every neighbour entry of it, until the binding is seen gone.
    static bool RestartLinkUntilUnbound(const TGateway &Gateway)
    {
        for (int attempt = 0; attempt < 3; ++attempt) {
            TLab::Run({"ip", "link", "set", Link(), "down"});
            TLab::Run({"ip", "link", "set", Link(), "up"});
            if (!IsBound(Gateway))
                return true;
        }
        return false;
    }

    static QString Link() { return TLab::Value("SCAN_IF"); }

    // Waits until the thread has made Count more passes; a command one of them started may still
    // be on its way, so "nothing came back" is judged after a few.
    static bool WaitForMorePasses(const TNetRepaire *Thread, int Count)
    {
        const int target = Thread->Passes() + Count;
        return TLab::WaitFor([&] { return Thread->Passes() >= target; }, DeadlineMs);
    }

    // Shorter than the program's second, so that passes are counted quickly.
    static constexpr int PassIntervalMs = 300;
    // Reached only when something is stuck.
    static constexpr int DeadlineMs = 20000;
};

} // namespace

TEST_F(NetRepaireLab, TheBindingIsAPermanentNeighbourAndComesBackAfterALinkRestart)
{
    WAYFAREL_REQUIRE_LAB_UP();
    TNetRepaire::getInstance(FFirst.Ip, FFirst.Mac, Link());
    ASSERT_TRUE(TLab::WaitFor([&] { return IsBound(FFirst); }, DeadlineMs))
        << ArpTableEntry(FFirst.Ip).join(' ').toStdString();

    ASSERT_TRUE(RestartLinkUntilUnbound(FFirst));
    EXPECT_TRUE(TLab::WaitFor([&] { return IsBound(FFirst); }, DeadlineMs));
}

// While the link has no carrier the thread binds nothing: the network the link comes back on
// may have its gateway at another MAC. With the carrier back the binding returns.
TEST_F(NetRepaireLab, NothingIsBoundWhileTheLinkIsDown)
{
    WAYFAREL_REQUIRE_LAB_UP();
    TNetRepaire *thread = TNetRepaire::getInstance(FFirst.Ip, FFirst.Mac, Link());
    ASSERT_TRUE(TLab::WaitFor([&] { return IsBound(FFirst); }, DeadlineMs));

    ASSERT_EQ(TLab::Run({"ip", "link", "set", Link(), "down"}).ExitCode, 0);
    ASSERT_TRUE(WaitForMorePasses(thread, 3));
    const QStringList WhileDown = ArpTableEntry(FFirst.Ip);
    ASSERT_EQ(TLab::Run({"ip", "link", "set", Link(), "up"}).ExitCode, 0);
    EXPECT_TRUE(WhileDown.isEmpty()) << WhileDown.join(' ').toStdString();
    EXPECT_TRUE(TLab::WaitFor([&] { return IsBound(FFirst); }, DeadlineMs));
}

TEST_F(NetRepaireLab, ASecondGatewayLeavesOneThreadBindingTheNewPairAndRemovesTheOldBinding)
{
    WAYFAREL_REQUIRE_LAB_UP();
    TNetRepaire *first = TNetRepaire::getInstance(FFirst.Ip, FFirst.Mac, Link());
    ASSERT_TRUE(TLab::WaitFor([&] { return IsBound(FFirst); }, DeadlineMs));

    EXPECT_EQ(TNetRepaire::getInstance(FSecond.Ip, FSecond.Mac, Link()), first);
    EXPECT_FALSE(IsBound(FFirst)) << ArpTableEntry(FFirst.Ip).join(' ').toStdString();
    ASSERT_TRUE(TLab::WaitFor([&] { return IsBound(FSecond); }, DeadlineMs));
    // Three passes later the old pair is still gone: no thread binds it any more.
    ASSERT_TRUE(WaitForMorePasses(first, 3));
    EXPECT_TRUE(ArpTableEntry(FFirst.Ip).isEmpty()) << ArpTableEntry(FFirst.Ip).join(' ').toStdString();
    EXPECT_TRUE(IsBound(FSecond));
}

TEST_F(NetRepaireLab, StopAndUnbindRemovesTheBindingAndNothingPutsItBack)
{
    WAYFAREL_REQUIRE_LAB_UP();
    TNetRepaire::getInstance(FFirst.Ip, FFirst.Mac, Link());
    ASSERT_TRUE(TLab::WaitFor([&] { return IsBound(FFirst); }, DeadlineMs));

    TNetRepaire::StopAndUnbind();
    EXPECT_FALSE(IsBound(FFirst)) << ArpTableEntry(FFirst.Ip).join(' ').toStdString();
    // A new thread for another gateway makes its passes; none of them brings the old pair back.
    TNetRepaire *next = TNetRepaire::getInstance(FSecond.Ip, FSecond.Mac, Link());
    ASSERT_TRUE(WaitForMorePasses(next, 3));
    EXPECT_TRUE(IsBound(FSecond));
    EXPECT_FALSE(IsBound(FFirst)) << ArpTableEntry(FFirst.Ip).join(' ').toStdString();
}

TEST_F(NetRepaireLab, NoBindingWhereTheAddressDoesNotRouteThroughTheBindingsInterface)
{
    WAYFAREL_REQUIRE_LAB_UP();
    // The gateway routes through the scan link, the binding was made for loopback.
    TNetRepaire *thread = TNetRepaire::getInstance(FFirst.Ip, FFirst.Mac, "lo");
    ASSERT_TRUE(WaitForMorePasses(thread, 3));
    EXPECT_TRUE(ArpTableEntry(FFirst.Ip).isEmpty()) << ArpTableEntry(FFirst.Ip).join(' ').toStdString();
}
