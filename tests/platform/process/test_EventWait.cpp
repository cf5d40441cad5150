#include "platform/process/EventWait.h"
#include "support/EventLoop.h"

#include <QElapsedTimer>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

class EventWaitTest : public ::testing::Test
{
protected:
    void SetUp() override { EventLoopApplication(); }

    TEventWait FWait;
    QElapsedTimer FClock;
};

} // namespace

TEST_F(EventWaitTest, WhatHoldsAlreadyIsNotWaitedFor)
{
    int asked = 0;
    FClock.start();
    EXPECT_TRUE(FWait.Until([&] { return ++asked > 0; }, 5000, 1000));
    EXPECT_EQ(asked, 1);
    EXPECT_LT(FClock.elapsed(), 100);
}

TEST_F(EventWaitTest, EventsAreHandledMeanwhileAndAWakeAsksAgainAtOnce)
{
    bool done = false;
    QTimer::singleShot(30, [&] {
        done = true;
        FWait.Wake();
    });
    FClock.start();
    EXPECT_TRUE(FWait.Until([&] { return done; }, 5000, 2000));
    EXPECT_LT(FClock.elapsed(), 1000) << "answered by the wake, not by the next look";
}

TEST_F(EventWaitTest, WithoutAWakeItLooksAgainEveryRecheck)
{
    int asked = 0;
    EXPECT_TRUE(FWait.Until([&] { return ++asked == 3; }, 5000, 20));
    EXPECT_EQ(asked, 3);
}

TEST_F(EventWaitTest, GivesUpWhenTheTimeIsOver)
{
    FClock.start();
    EXPECT_FALSE(FWait.Until([] { return false; }, 150, 40));
    EXPECT_GE(FClock.elapsed(), 150);
    EXPECT_LT(FClock.elapsed(), 1500);
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
    FClock.start();
    EXPECT_TRUE(FWait.Until(done, 5000, 10));
    EXPECT_EQ(asked, 3);
    EXPECT_EQ(deepest, 1);
    EXPECT_LT(FClock.elapsed(), 1000);
}
