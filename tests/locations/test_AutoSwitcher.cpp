#include "locations/AutoSwitcher.h"

#include "support/EventLoop.h"
#include "support/FakeFingerprintSource.h"

#include <QDeadlineTimer>
#include <gtest/gtest.h>

namespace {

constexpr qint64 SettleMs = 100;

const TNetworkFingerprint AtA{{{"eth0", true, {}, {}, "10.0.0.1", "02-00-00-00-00-0A", {}, {}}}};
const TNetworkFingerprint Unplugged{{{"eth0", false, {}, {}, {}, {}, {}, {}}}};

// Runs the event loop until Done holds; false when a deadline only a stuck switcher reaches
// passes first.
bool RunUntil(const std::function<bool()> &Done)
{
    const QDeadlineTimer Deadline(30000);
    while (!Done() && !Deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return Done();
}

// Hands the fake source's answers still posted to the switcher.
void DeliverAnswers() { QCoreApplication::processEvents(); }

class AutoSwitcherTest : public testing::Test
{
protected:
    AutoSwitcherTest() : FSwitcher(FSource, Hooks(), SettleMs, [this] { return FNow; }) {}

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

    // Waits for the source's Count-th look and hands its answer over.
    void LookNumber(int Count)
    {
        ASSERT_TRUE(RunUntil([&] { return FSource.Reads >= Count; })) << FSource.Reads;
        DeliverAnswers();
    }

    QCoreApplication &FApp = EventLoopApplication(); // before the switcher's timers
    TFakeFingerprintSource FSource;
    // The switcher's clock, moved by the test: the timers only make it look again, the clock
    // decides whether the network has settled.
    qint64 FNow = 0;
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
    LookNumber(1);
    FNow = SettleMs - 1;
    LookNumber(3); // two judgements came before their time
    EXPECT_TRUE(FSwitches.isEmpty()) << "not before the settle time";
    FNow = SettleMs;
    ASSERT_TRUE(RunUntil([&] { return !FSwitches.isEmpty(); }));
    EXPECT_EQ(FSwitches, QStringList{"B->A"});
    EXPECT_EQ(FSettled, QList<qint64>{SettleMs});
    EXPECT_EQ(FCurrent, "A");
    EXPECT_EQ(FChanges, 1);
}

TEST_F(AutoSwitcherTest, AHandSwitchIsKeptUntilTheNetworkChanges)
{
    FSource.Network = AtA;
    FSwitcher.Start();
    LookNumber(1);
    FNow = SettleMs;
    ASSERT_TRUE(RunUntil([&] { return !FSwitches.isEmpty(); }));
    EXPECT_EQ(FSource.Reads, 2) << "the first look and the settled look";

    FSwitcher.SwitchStarted();
    FCurrent = "B";
    FSwitcher.SwitchFinished();
    FNow = 2 * SettleMs;
    LookNumber(4); // the look after the switch and its settled look, which judged it
    EXPECT_EQ(FCurrent, "B");

    FSource.Set(Unplugged);
    LookNumber(5);
    FNow = 3 * SettleMs;
    LookNumber(6);
    FSource.Set(AtA);
    LookNumber(7);
    FNow = 4 * SettleMs;
    ASSERT_TRUE(RunUntil([&] { return FSwitches.size() == 2; }));
    EXPECT_EQ(FSwitches, (QStringList{"B->A", "B->A"}));
    EXPECT_EQ(FChanges, 3);
}

TEST_F(AutoSwitcherTest, SwitchedOffItOnlyWatches)
{
    FOn = false;
    FSource.Network = AtA;
    FSwitcher.Start();
    LookNumber(1);
    FNow = SettleMs;
    LookNumber(2); // the look before judging, which found no candidate
    EXPECT_TRUE(FSwitches.isEmpty());
    EXPECT_EQ(FCurrent, "B");
}

} // namespace
