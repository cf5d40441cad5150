#include "lantools/IpMacScaner.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

using TBlocks = std::vector<std::pair<int, int>>;

TEST(IpMacScannerManager, SplitsTheRangeIntoBlocksOfTen)
{
    TBlocks full;
    for (int first = 1; first <= 241; first += 10)
        full.emplace_back(first, first + 9);
    full.emplace_back(251, 254);

    const struct
    {
        int From, To;
        TBlocks Expected;
    } cases[] = {
        {1, 254, full},
        {100, 120, {{100, 109}, {110, 119}, {120, 120}}},
        {7, 7, {{7, 7}}},
        {10, 19, {{10, 19}}},
        {120, 100, {}},
        {250, 300, {{250, 254}}},
        {0, 12, {{1, 10}, {11, 12}}},
        {255, 400, {}},
        {-20, 0, {}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(TIpMacScannerManager::Blocks(c.From, c.To), c.Expected) << c.From << "-" << c.To;
    EXPECT_EQ(TIpMacScannerManager::Blocks(1, 254).size(), 26u);
}

TEST(IpMacScannerManager, ARangeFromAboveToStartsNothingAndStaysStopped)
{
    bool finished = false;
    TIpMacScannerManager manager(false, {}, {}, "10.0.0.", 120, 100);
    manager.SetOnFinished([&] { finished = true; });
    EXPECT_TRUE(manager.IsStop());
    EXPECT_EQ(manager.ThreadCount(), 0);
    EXPECT_FALSE(finished);
}

TEST(IpMacScannerManager, OctetsAboveTheLastHostAddressAreNeverReportedUnused)
{
    int argc = 1;
    char name[] = "test";
    char *argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    QStringList reported;
    TIpMacScannerManager manager(
        true, {}, [&](const QString &ip) { reported << ip; }, "10.0.0.", 256, 300);
    QElapsedTimer timer;
    timer.start();
    while (!manager.IsStop() && timer.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_TRUE(manager.IsStop());
    EXPECT_EQ(reported.join(' ').toStdString(), "");
}
