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
            TLab::Run({"ip", "neigh", "del", gateway.Ip, "dev", TLab::Value("SCAN_IF")});
    }

    static bool IsBound(const TGateway &Gateway)
    {
        return ArpTableEntry(Gateway.Ip) == QStringList{PermanentFlags, Gateway.Mac};
    }

    // Restarts the link, which drops every neighbour entry of it, until the binding is seen gone.
    static bool RestartLinkUntilUnbound(const TGateway &Gateway)
    {
        const QString link = TLab::Value("SCAN_IF");
        for (int attempt = 0; attempt < 3; ++attempt) {
            TLab::Run({"ip", "link", "set", link, "down"});
            TLab::Run({"ip", "link", "set", link, "up"});
            if (!IsBound(Gateway))
                return true;
        }
        return false;
    }
};

} // namespace

TEST_F(NetRepaireLab, TheBindingIsAPermanentNeighbourAndComesBackAfterALinkRestart)
{
    WAYFAREL_REQUIRE_LAB_UP();
    TNetRepaire::getInstance(FFirst.Ip, FFirst.Mac);
    ASSERT_TRUE(TLab::WaitFor([&] { return IsBound(FFirst); }, 2000))
        << ArpTableEntry(FFirst.Ip).join(' ').toStdString();

    ASSERT_TRUE(RestartLinkUntilUnbound(FFirst));
    EXPECT_TRUE(TLab::WaitFor([&] { return IsBound(FFirst); }, 2200));
}

TEST_F(NetRepaireLab, ASecondGatewayLeavesOneThreadBindingTheNewPair)
{
    WAYFAREL_REQUIRE_LAB_UP();
    TNetRepaire *first = TNetRepaire::getInstance(FFirst.Ip, FFirst.Mac);
    ASSERT_TRUE(TLab::WaitFor([&] { return IsBound(FFirst); }, 2000));

    EXPECT_EQ(TNetRepaire::getInstance(FSecond.Ip, FSecond.Mac), first);
    ASSERT_TRUE(TLab::WaitFor([&] { return IsBound(FSecond); }, 2000));
    TLab::Run({"ip", "neigh", "del", FFirst.Ip, "dev", TLab::Value("SCAN_IF")});
    // Three passes later the old pair is still gone: no thread binds it any more.
    QThread::msleep(2500);
    EXPECT_TRUE(ArpTableEntry(FFirst.Ip).isEmpty()) << ArpTableEntry(FFirst.Ip).join(' ').toStdString();
    EXPECT_TRUE(IsBound(FSecond));
}
