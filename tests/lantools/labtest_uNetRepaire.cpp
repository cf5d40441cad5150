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
    }

    void TearDown() override
    {
        TNetRepaire::Shutdown();
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
};

} // namespace

TEST_F(NetRepaireLab, TheBindingIsAPermanentNeighbourAndComesBackAfterALinkRestart)
{
    WAYFAREL_REQUIRE_LAB_UP();
    TNetRepaire::getInstance(FFirst.Ip, FFirst.Mac, Link());
    ASSERT_TRUE(TLab::WaitFor([&] { return IsBound(FFirst); }, 2000))
        << ArpTableEntry(FFirst.Ip).join(' ').toStdString();

    ASSERT_TRUE(RestartLinkUntilUnbound(FFirst));
    EXPECT_TRUE(TLab::WaitFor([&] { return IsBound(FFirst); }, 2200));
}

TEST_F(NetRepaireLab, ASecondGatewayLeavesOneThreadBindingTheNewPairAndRemovesTheOldBinding)
{
    WAYFAREL_REQUIRE_LAB_UP();
    TNetRepaire *first = TNetRepaire::getInstance(FFirst.Ip, FFirst.Mac, Link());
    ASSERT_TRUE(TLab::WaitFor([&] { return IsBound(FFirst); }, 2000));

    EXPECT_EQ(TNetRepaire::getInstance(FSecond.Ip, FSecond.Mac, Link()), first);
    EXPECT_FALSE(IsBound(FFirst)) << ArpTableEntry(FFirst.Ip).join(' ').toStdString();
    ASSERT_TRUE(TLab::WaitFor([&] { return IsBound(FSecond); }, 2000));
    // Three passes later the old pair is still gone: no thread binds it any more.
    QThread::msleep(2500);
    EXPECT_TRUE(ArpTableEntry(FFirst.Ip).isEmpty()) << ArpTableEntry(FFirst.Ip).join(' ').toStdString();
    EXPECT_TRUE(IsBound(FSecond));
}

TEST_F(NetRepaireLab, StopAndUnbindRemovesTheBindingAndNothingPutsItBack)
{
    WAYFAREL_REQUIRE_LAB_UP();
    TNetRepaire::getInstance(FFirst.Ip, FFirst.Mac, Link());
    ASSERT_TRUE(TLab::WaitFor([&] { return IsBound(FFirst); }, 2000));

    TNetRepaire::StopAndUnbind();
    EXPECT_FALSE(IsBound(FFirst)) << ArpTableEntry(FFirst.Ip).join(' ').toStdString();
    QThread::msleep(1500);
    EXPECT_FALSE(IsBound(FFirst)) << ArpTableEntry(FFirst.Ip).join(' ').toStdString();
}

TEST_F(NetRepaireLab, NoBindingWhereTheAddressDoesNotRouteThroughTheBindingsInterface)
{
    WAYFAREL_REQUIRE_LAB_UP();
    // The gateway routes through the scan link, the binding was made for loopback.
    TNetRepaire::getInstance(FFirst.Ip, FFirst.Mac, "lo");
    QThread::msleep(1500);
    EXPECT_TRUE(ArpTableEntry(FFirst.Ip).isEmpty()) << ArpTableEntry(FFirst.Ip).join(' ').toStdString();
}
