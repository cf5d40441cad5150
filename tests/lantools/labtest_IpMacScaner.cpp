#include "lantools/IpMacScaner.h"

#include "lantools/ScanLab.h"
#include "lantools/uGetMacAddress.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QSet>
#include <QTimer>
#include <memory>

namespace {

struct TFound
{
    QString Ip, Mac, Host;
    bool OnCreatingThread;
};

// One scan with recording handlers; every notification is checked to run on the test's thread.
class TScan
{
public:
    TScan(bool IsGetFree, int From, int To)
    {
        SetSourceAddressQuery([] { return TLab::Value("SCAN_IP"); });
        FManager = std::make_unique<TIpMacScannerManager>(
            IsGetFree,
            [this](const QString &ip, const QString &mac, const QString &host) {
                Found.push_back({ip, mac, host, QThread::currentThread() == FThread});
            },
            [this](const QString &ip) {
                Found.push_back({ip, {}, {}, QThread::currentThread() == FThread});
            },
            TLab::Value("SCAN_PREFIX") + '.', From, To);
        FManager->SetOnFinished([this] {
            ++Finished;
            FLoop.quit();
        });
    }
    ~TScan() { SetSourceAddressQuery({}); }

    bool RunToEnd(int TimeoutMs)
    {
        QTimer::singleShot(TimeoutMs, &FLoop, &QEventLoop::quit);
        if (!FManager->IsStop())
            FLoop.exec();
        return FManager->IsStop();
    }

    // Runs the event loop until the first notification arrives.
    void RunUntilFirstResult(int TimeoutMs)
    {
        QElapsedTimer timer;
        timer.start();
        while (Found.empty() && timer.elapsed() < TimeoutMs)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }

    void Destroy() { FManager.reset(); }
    TIpMacScannerManager &Manager() { return *FManager; }

    QMap<QString, TScanHost> Results() const
    {
        QMap<QString, TScanHost> results;
        for (const TFound &found : Found)
            results.insert(found.Ip, {found.Mac, found.Host});
        return results;
    }
    bool AllOnCreatingThread() const
    {
        return std::all_of(Found.begin(), Found.end(),
                           [](const TFound &found) { return found.OnCreatingThread; });
    }

    std::vector<TFound> Found;
    int Finished = 0;

private:
    QCoreApplication &FApplication = TestApplication();
    QThread *FThread = QThread::currentThread();
    QEventLoop FLoop;
    std::unique_ptr<TIpMacScannerManager> FManager;
};

QMap<QString, TScanHost> LiveIn(int From, int To)
{
    QMap<QString, TScanHost> live;
    const auto hosts = ScanHosts();
    for (int octet = From; octet <= To; ++octet)
        if (hosts.contains(ScanAddress(octet)))
            live.insert(ScanAddress(octet), hosts.value(ScanAddress(octet)));
    return live;
}

// "address MAC name" lines, sorted, for comparisons that print readably.
std::vector<std::string> Lines(const QMap<QString, TScanHost> &Hosts)
{
    std::vector<std::string> lines;
    for (auto it = Hosts.cbegin(); it != Hosts.cend(); ++it)
        lines.push_back((it.key() + ' ' + it->Mac + ' ' + it->Name).toStdString());
    return lines;
}

} // namespace

TEST(IpMacScannerLab, HostModeListsExactlyTheLiveHostsWithMacsAndNames)
{
    WAYFAREL_REQUIRE_LAB_UP();
    ASSERT_TRUE(EnterScanNamespace());
    TScan scan(false, 1, 80);
    EXPECT_EQ(scan.Manager().ThreadCount(), 8);
    ASSERT_TRUE(scan.RunToEnd(10000));
    const auto expected = LiveIn(1, 80);
    ASSERT_GE(expected.size(), 8);
    EXPECT_EQ(Lines(scan.Results()), Lines(expected));
    EXPECT_EQ(scan.Found.size(), static_cast<size_t>(expected.size())) << "each host once";
    EXPECT_TRUE(scan.AllOnCreatingThread());
    EXPECT_EQ(scan.Finished, 1);
}

TEST(IpMacScannerLab, UnusedModeListsExactlyTheSilentAddresses)
{
    WAYFAREL_REQUIRE_LAB_UP();
    ASSERT_TRUE(EnterScanNamespace());
    TScan scan(true, 240, 254);
    ASSERT_TRUE(scan.RunToEnd(10000));
    const auto live = LiveIn(240, 254);
    QSet<QString> expected;
    for (int octet = 240; octet <= 254; ++octet)
        if (!live.contains(ScanAddress(octet)))
            expected.insert(ScanAddress(octet));
    QSet<QString> found;
    for (const TFound &result : scan.Found) {
        found.insert(result.Ip);
        EXPECT_TRUE(result.Mac.isEmpty());
    }
    EXPECT_EQ(found, expected);
    EXPECT_EQ(scan.Found.size(), static_cast<size_t>(expected.size()));
    EXPECT_TRUE(scan.AllOnCreatingThread());
    EXPECT_EQ(scan.Finished, 1);
}

TEST(IpMacScannerLab, HostsThatAnswerLateAreListedAndNeverReportedUnused)
{
    WAYFAREL_REQUIRE_LAB_UP();
    ASSERT_TRUE(EnterScanNamespace());
    const auto late = LateScanHosts();
    ASSERT_FALSE(late.isEmpty());
    const auto hosts = ScanHosts();
    TScan online(false, 1, 30);
    ASSERT_TRUE(online.RunToEnd(10000));
    TScan unused(true, 1, 30);
    ASSERT_TRUE(unused.RunToEnd(10000));
    const auto listed = online.Results(), silent = unused.Results();
    for (const QString &ip : late.keys()) {
        EXPECT_EQ(listed.value(ip).Mac.toStdString(), hosts.value(ip).Mac.toStdString()) << ip.toStdString();
        EXPECT_FALSE(silent.contains(ip)) << ip.toStdString();
    }
}

TEST(IpMacScannerLab, StopWithPendingNotificationsReturnsPromptlyAndNotifiesNoMore)
{
    WAYFAREL_REQUIRE_LAB_UP();
    ASSERT_TRUE(EnterScanNamespace());
    TScan scan(false, 1, 254);
    scan.RunUntilFirstResult(5000);
    ASSERT_FALSE(scan.Found.empty());
    // Not serving the event loop for a while leaves more threads waiting on their delivery.
    QThread::msleep(300);
    const size_t beforeStop = scan.Found.size();

    QElapsedTimer timer;
    timer.start();
    scan.Destroy();
    EXPECT_LT(timer.elapsed(), 500);
    EXPECT_EQ(scan.Found.size(), beforeStop) << "no notification from the destructor";
    EXPECT_EQ(scan.Finished, 0) << "no OnFinished from the destructor";

    const auto hosts = ScanHosts();
    for (const TFound &found : scan.Found)
        EXPECT_EQ(hosts.value(found.Ip).Mac, found.Mac) << found.Ip.toStdString();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 200);
    EXPECT_EQ(scan.Found.size(), beforeStop);
    EXPECT_EQ(scan.Finished, 0);
}

TEST(IpMacScannerLab, StopDuringTheSweepEndsAtOnceAndReportsNoSilence)
{
    WAYFAREL_REQUIRE_LAB_UP();
    ASSERT_TRUE(EnterScanNamespace());
    TScan scan(true, 1, 254);
    QElapsedTimer timer;
    timer.start();
    scan.Destroy();
    EXPECT_LT(timer.elapsed(), 300) << "the waits for answers are cut short";
    QCoreApplication::processEvents(QEventLoop::AllEvents, 200);
    EXPECT_TRUE(scan.Found.empty()) << scan.Found.front().Ip.toStdString();
    EXPECT_EQ(scan.Finished, 0);
}

TEST(IpMacScannerLab, OctetsBeyondTheHostRangeAreNeitherScannedNorReported)
{
    WAYFAREL_REQUIRE_LAB_UP();
    ASSERT_TRUE(EnterScanNamespace());
    TScan scan(true, 250, 300);
    EXPECT_EQ(scan.Manager().ThreadCount(), 1);
    ASSERT_TRUE(scan.RunToEnd(10000));
    QSet<QString> found;
    for (const TFound &result : scan.Found)
        found.insert(result.Ip);
    QSet<QString> expected;
    for (int octet = 250; octet <= 254; ++octet)
        if (!ScanHosts().contains(ScanAddress(octet)))
            expected.insert(ScanAddress(octet));
    EXPECT_EQ(found, expected);
}
