#include "lantools/IpMacScaner.h"

#include "lantools/uGetMacAddress.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QStringList>
#include <algorithm>

namespace {

constexpr int BlockSize = 10;
// Spaces out the name lookups and notifications after an answering host, so a scan loads the
// name service and its owner only lightly.
constexpr int PauseAfterAnswerMs = 50;
constexpr int DeliveryPollMs = 10;

} // namespace

TIpMacScanner::TIpMacScanner(const QString &IpPrefix, int FromIP, int ToIP, std::shared_ptr<TArpSweep> Sweep)
    : FIpPrefix(IpPrefix), FStart(FromIP), FStop(ToIP), FArpSweep(std::move(Sweep))
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
    // A stop comes from the owner tearing the scan down (a stopped sweep also makes silence
    // meaningless), so a notification still waiting then is dropped.
    QMetaObject::invokeMethod(
        this,
        [&] {
            if (!isInterruptionRequested())
                Notification();
        },
        Qt::BlockingQueuedConnection);
}

void TIpMacScanner::run()
{
    for (int value = FStart; value <= FStop && !isInterruptionRequested(); ++value) {
        const QString ip = FIpPrefix + QString::number(value);
        const QString mac = FArpSweep->MacOf(ip);
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
    const auto blocks = Blocks(FromIP, ToIP);
    if (blocks.empty())
        return;
    QStringList addresses;
    for (int value = blocks.front().first; value <= blocks.back().second; ++value)
        addresses << IpPrefix + QString::number(value);
    FArpSweep = std::make_shared<TArpSweep>(LocalSourceAddress(), addresses);
    for (const auto &[first, last] : blocks) {
        auto scanner = std::make_unique<TIpMacScanner>(IpPrefix, first, last, FArpSweep);
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
    // The owner is tearing the scan down, maybe from its own destructor: it hears nothing more.
    FOnFinished = nullptr;
    for (const auto &scanner : FList)
        scanner->requestInterruption();
    if (FArpSweep)
        FArpSweep->Cancel();
    // Serves (and so drops) the notifications of every thread while any still runs, so no
    // thread waits for its delivery while another is being waited for.
    for (;;) {
        for (const auto &scanner : FList)
            scanner->DeliverPending();
        const auto running = std::find_if(FList.begin(), FList.end(),
                                          [](const auto &scanner) { return !scanner->isFinished(); });
        if (running == FList.end())
            break;
        (*running)->wait(QDeadlineTimer(DeliveryPollMs));
    }
    // The threads' notifications that they ended, which only count down now.
    for (const auto &scanner : FList)
        scanner->DeliverPending();
    FList.clear();
}

std::vector<std::pair<int, int>> TIpMacScannerManager::Blocks(int FromIP, int ToIP)
{
    std::vector<std::pair<int, int>> blocks;
    const int last = std::min(ToIP, LastHostOctet);
    for (int first = std::max(FromIP, FirstHostOctet); first <= last; first += BlockSize)
        blocks.emplace_back(first, std::min(first + BlockSize - 1, last));
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
