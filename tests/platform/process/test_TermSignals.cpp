#include "platform/process/TermSignals.h"
#include "support/EventLoop.h"

#include <QEventLoop>
#include <QTimer>
#include <csignal>
#include <gtest/gtest.h>

TEST(TermSignals, TerminationAndInterruptArriveOnTheEventLoop)
{
    EventLoopApplication();
    TTermSignals Signals;
    QList<int> Received;
    QObject::connect(&Signals, &TTermSignals::Received, [&Received](int Signal) { Received.append(Signal); });
    for (const int Signal : {SIGTERM, SIGINT}) {
        ASSERT_EQ(std::raise(Signal), 0);
        EXPECT_TRUE(Received.isEmpty() || Received.last() != Signal) << "told only on the event loop";
        QEventLoop Loop;
        QObject::connect(&Signals, &TTermSignals::Received, &Loop, &QEventLoop::quit);
        QTimer::singleShot(5000, &Loop, &QEventLoop::quit);
        Loop.exec();
        EXPECT_EQ(Received.value(Received.size() - 1), Signal);
    }
}

// Once the object is gone the default action is back: the signal ends the process.
TEST(TermSignals, WithoutTheObjectTheSignalEndsTheProcess)
{
    EventLoopApplication();
    {
        TTermSignals Signals;
    }
    EXPECT_EXIT(std::raise(SIGTERM), testing::KilledBySignal(SIGTERM), "");
}
