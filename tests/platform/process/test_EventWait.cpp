#include "platform/process/EventWait.h"
#include "support/EventLoop.h"

#include <QTimer>
#include <gtest/gtest.h>

namespace {

// A recheck interval longer than any wait here: only a wake can make it ask again.
constexpr int NoRecheckMs = 24 * 60 * 60 * 1000;
// Long enough never to end a wait that a wake ends; reached only when the wake is lost.
constexpr int LostWakeMs = 30000;

class EventWaitTest : public ::testing::Test
{
protected:
    void SetUp() override { EventLoopApplication(); }

    TEventWait FWait;
};

} // namespace

TEST_F(EventWaitTest, WhatHoldsAlreadyIsNotWaitedFor)
{
    int asked = 0;
    bool eventsRan = false;
    QTimer::singleShot(0, &FWait, [&] { eventsRan = true; });
    EXPECT_TRUE(FWait.Until([&] { return ++asked > 0; }, LostWakeMs, NoRecheckMs));
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(eventsRan) << "the event loop did not run at all";
}

TEST_F(EventWaitTest, EventsAreHandledMeanwhileAndAWakeAsksAgainAtOnce)
{
    int asked = 0;
    bool done = false;
    QTimer::singleShot(30, &FWait, [&] {
        done = true;
        FWait.Wake();
    });
    EXPECT_TRUE(FWait.Until([&] { return ++asked, done; }, LostWakeMs, NoRecheckMs));
    EXPECT_EQ(asked, 2) << "once at the start, once at the wake";
}

TEST_F(EventWaitTest, WithoutAWakeItLooksAgainEveryRecheck)
{
    int asked = 0;
    EXPECT_TRUE(FWait.Until([&] { return ++asked == 3; }, LostWakeMs, 20));
    EXPECT_EQ(asked, 3);
}

TEST_F(EventWaitTest, GivesUpWhenTheTimeIsOver)
{
    int asked = 0;
    EXPECT_FALSE(FWait.Until([&] { return ++asked, false; }, 150, 40));
    EXPECT_GE(asked, 2) << "it kept looking until then";
}

// A check that runs the event loop itself (a bus call awaiting its answer) meets the wait's own
// wakes and rechecks meanwhile: the answer it gives counts, and it is not asked inside itself.
TEST_F(EventWaitTest, ACheckThatRunsTheEventLoopIsNotAskedInsideItself)
{
    int asked = 0;
    int depth = 0;
    int deepest = 0;
    const auto done = [&] {
        ++asked;
        deepest = std::max(deepest, ++depth);
        QTimer::singleShot(0, &FWait, &TEventWait::Wake);
        TEventWait inner;
        inner.Until([] { return false; }, 30, 5);
        --depth;
        return asked >= 3;
    };
    EXPECT_TRUE(FWait.Until(done, LostWakeMs, 10));
    EXPECT_EQ(asked, 3);
    EXPECT_EQ(deepest, 1);
}
