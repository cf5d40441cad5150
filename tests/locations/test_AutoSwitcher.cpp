#include "locations/AutoSwitcher.h"

#include "support/EventLoop.h"
#include "support/FakeFingerprintSource.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

namespace {

constexpr qint64 SettleMs = 100;

const TNetworkFingerprint AtA{{{"eth0", true, {}, {}, "10.0.0.1", "02-00-00-00-00-0A", {}, {}}}};
const TNetworkFingerprint Unplugged{{{"eth0", false, {}, {}, {}, {}, {}, {}}}};

void RunEvents(int Ms)
{
    QElapsedTimer Timer;
    Timer.start();
    while (Timer.elapsed() < Ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

class AutoSwitcherTest : public testing::Test
{
protected:
    AutoSwitcherTest() : FSwitcher(FSource, Hooks(), SettleMs) {}

    TAutoSwitcher::THooks Hooks()
    {
        TAutoSwitcher::THooks Hooks;
        Hooks.Candidates = [this] {
            return FOn ? QList<TLocationCandidate>{{"A",
                                                    "Office",
                                                    {{TRuleKind::GatewayMac, "02-00-00-00-00-0A", {}}}}}
                       : QList<TLocationCandidate>{};
        };
        Hooks.CurrentLocId = [this] { return FCurrent; };
        Hooks.SwitchTo = [this](const QString &LocId) {
            FCurrent = LocId;
            return true;
        };
        Hooks.Switched = [this](const TAutoDecision &Decision, const QString &Previous, bool Ok,
                                qint64 Settled, qint64) {
            FSwitches.append(Previous + "->" + Decision.LocId + (Ok ? "" : " failed"));
            FSettled.append(Settled);
        };
        Hooks.Changed = [this](const TNetworkFingerprint &) { ++FChanges; };
        return Hooks;
    }

    QCoreApplication &FApp = EventLoopApplication(); // before the switcher's timers
    TFakeFingerprintSource FSource;
    bool FOn = true;
    QString FCurrent = "B";
    QStringList FSwitches;
    QList<qint64> FSettled;
    int FChanges = 0;
    TAutoSwitcher FSwitcher;
};

TEST_F(AutoSwitcherTest, SwitchesOnceTheNetworkHasSettled)
{
    FSource.Network = AtA;
    FSwitcher.Start();
    RunEvents(SettleMs / 2);
    EXPECT_TRUE(FSwitches.isEmpty()) << "not before the settle time";
    RunEvents(SettleMs * 4);
    EXPECT_EQ(FSwitches, QStringList{"B->A"});
    ASSERT_EQ(FSettled.size(), 1);
    EXPECT_GE(FSettled.first(), SettleMs);
    EXPECT_EQ(FCurrent, "A");
    EXPECT_EQ(FChanges, 1);
}

TEST_F(AutoSwitcherTest, AHandSwitchIsKeptUntilTheNetworkChanges)
{
    FSource.Network = AtA;
    FSwitcher.Start();
    RunEvents(SettleMs * 4);
    FSwitcher.SwitchStarted();
    FCurrent = "B";
    FSwitcher.SwitchFinished();
    RunEvents(SettleMs * 4);
    EXPECT_EQ(FCurrent, "B");

    FSource.Set(Unplugged);
    RunEvents(SettleMs * 4);
    FSource.Set(AtA);
    RunEvents(SettleMs * 4);
    EXPECT_EQ(FSwitches, (QStringList{"B->A", "B->A"}));
    EXPECT_EQ(FChanges, 3);
}

TEST_F(AutoSwitcherTest, SwitchedOffItOnlyWatches)
{
    FOn = false;
    FSource.Network = AtA;
    FSwitcher.Start();
    RunEvents(SettleMs * 4);
    EXPECT_TRUE(FSwitches.isEmpty());
    EXPECT_EQ(FCurrent, "B");
    EXPECT_GE(FSource.Reads, 2) << "a first look and the look before judging";
}

} // namespace
