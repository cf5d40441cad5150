#include "lantools/IpMacScaner.h"

#include "lantools/uGetMacAddress.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <algorithm>

namespace {

constexpr int BlockSize = 10;
// Spaces out the requests after an answering host, so a scan loads the LAN only lightly.
constexpr int PauseAfterAnswerMs = 50;
constexpr int DeliveryPollMs = 10;

} // namespace

TIpMacScanner::TIpMacScanner(const QString &IpPrefix, int FromIP, int ToIP)
    : FIpPrefix(IpPrefix), FStart(FromIP), FStop(ToIP)
{}

TIpMacScanner::~TIpMacScanner()
{
    requestInterruption();
    WaitDelivering();
}

void TIpMacScanner::WaitDelivering()
{
    while (!wait(QDeadlineTimer(DeliveryPollMs)))
        DeliverPending();
    DeliverPending();
}

void TIpMacScanner::DeliverPending() { QCoreApplication::sendPostedEvents(this, QEvent::MetaCall); }

void TIpMacScanner::Deliver(const std::function<void()> &Notification)
{
    // This object lives in the creating thread, so the call runs there while this thread waits.
    QMetaObject::invokeMethod(this, Notification, Qt::BlockingQueuedConnection);
}

void TIpMacScanner::run()
{
    const QString source = LocalSourceAddress();
    for (int value = FStart; value <= FStop && !isInterruptionRequested(); ++value) {
        const QString ip = FIpPrefix + QString::number(value);
        const QString mac = GetMacAddress(source, ip);
        if (!mac.isEmpty()) {
            if (!FIsGetFreeIp && FOnGetMacAddress) {
                const QString host = GetHostNameByIp(ip);
                Deliver([&] { FOnGetMacAddress(ip, mac, host); });
            }
            msleep(PauseAfterAnswerMs);
        } else if (FIsGetFreeIp && FOnGetFreeIp) {
            Deliver([&] { FOnGetFreeIp(ip); });
        }
    }
}

TIpMacScannerManager::TIpMacScannerManager(bool IsGetFree, TOnGetMacAddress OnGet, TOnGetFreeIp OnGetFree,
                                           const QString &IpPrefix, int FromIP, int ToIP)
{
    for (const auto &[first, last] : Blocks(FromIP, ToIP)) {
        auto scanner = std::make_unique<TIpMacScanner>(IpPrefix, first, last);
        scanner->SetIsGetFreeIp(IsGetFree);
        scanner->SetOnGetMacAddress(OnGet);
        scanner->SetOnGetFreeIp(OnGetFree);
        QObject::connect(scanner.get(), &QThread::finished, scanner.get(), [this] { ThreadTerminated(); });
        FList.push_back(std::move(scanner));
        ++FThreadCount;
        FIsStop = false;
    }
    for (const auto &scanner : FList)
        scanner->start();
}

TIpMacScannerManager::~TIpMacScannerManager()
{
    for (const auto &scanner : FList)
        scanner->requestInterruption();
    // Serves the notifications of every thread while any still runs, so no thread waits for
    // its delivery while another is being waited for.
    for (;;) {
        for (const auto &scanner : FList)
            scanner->DeliverPending();
        const auto running = std::find_if(FList.begin(), FList.end(),
                                          [](const auto &scanner) { return !scanner->isFinished(); });
        if (running == FList.end())
            break;
        (*running)->wait(QDeadlineTimer(DeliveryPollMs));
    }
    // The threads' notifications that they ended, which count down to OnFinished.
    for (const auto &scanner : FList)
        scanner->DeliverPending();
    FList.clear();
}

std::vector<std::pair<int, int>> TIpMacScannerManager::Blocks(int FromIP, int ToIP)
{
    std::vector<std::pair<int, int>> blocks;
    for (long long first = FromIP; first <= ToIP; first += BlockSize)
        blocks.emplace_back(static_cast<int>(first),
                            static_cast<int>(std::min<long long>(first + BlockSize - 1, ToIP)));
    return blocks;
}

void TIpMacScannerManager::ThreadTerminated()
{
    if (--FThreadCount > 0)
        return;
    FIsStop = true;
    if (FOnFinished)
        FOnFinished();
}
