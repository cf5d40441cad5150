#pragma once

#include <QString>
#include <QThread>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

using TOnGetMacAddress = std::function<void(const QString &ip, const QString &mac, const QString &host)>;
using TOnGetFreeIp = std::function<void(const QString &ip)>;
using TOnFinished = std::function<void()>;

class TArpSweep;

// Walks the fourth octets Start..Stop of one /24 prefix, one address after the other, and
// reports each answering host (or, in unused-address mode, each silent address), taking the
// answers from an ARP sweep shared with the other scanners of the range. Every notification
// runs on the thread that created the scanner, and the scanner waits for it; once the scanner
// is asked to stop, it notifies no more.
class TIpMacScanner : public QThread
{
    Q_OBJECT

public:
    // IpPrefix holds three octets and a trailing dot; Sweep asks every address of the range.
    // The thread is not started yet.
    TIpMacScanner(const QString &IpPrefix, int FromIP, int ToIP, std::shared_ptr<TArpSweep> Sweep);
    ~TIpMacScanner() override;

    bool IsGetFreeIp() const { return FIsGetFreeIp; }
    void SetIsGetFreeIp(bool Value) { FIsGetFreeIp = Value; }
    const TOnGetMacAddress &OnGetMacAddress() const { return FOnGetMacAddress; }
    void SetOnGetMacAddress(TOnGetMacAddress Handler) { FOnGetMacAddress = std::move(Handler); }
    const TOnGetFreeIp &OnGetFreeIp() const { return FOnGetFreeIp; }
    void SetOnGetFreeIp(TOnGetFreeIp Handler) { FOnGetFreeIp = std::move(Handler); }

    // Waits for the thread to end while serving its pending notifications, including the one
    // that says it finished. Call from the creating thread.
    void WaitDelivering();
    // Serves the notifications waiting for delivery now. Call from the creating thread.
    void DeliverPending();

protected:
    void run() override;

private:
    void Deliver(const std::function<void()> &Notification);

    QString FIpPrefix;
    int FStart;
    int FStop;
    std::shared_ptr<TArpSweep> FArpSweep;
    bool FIsGetFreeIp = false;
    TOnGetMacAddress FOnGetMacAddress;
    TOnGetFreeIp FOnGetFreeIp;
};

// Scans the host addresses among FromIP..ToIP of one /24 prefix: one ARP sweep asks them all
// at once, and one scanner thread per block of ten addresses reports its block in order, all
// running at once. Destroying the manager stops the scan without notifying anyone.
class TIpMacScannerManager
{
public:
    TIpMacScannerManager(bool IsGetFree, TOnGetMacAddress OnGet, TOnGetFreeIp OnGetFree,
                         const QString &IpPrefix, int FromIP, int ToIP);
    ~TIpMacScannerManager();
    TIpMacScannerManager(const TIpMacScannerManager &) = delete;
    TIpMacScannerManager &operator=(const TIpMacScannerManager &) = delete;

    // The first and last octet of every block of the host octets (FirstHostOctet ..
    // LastHostOctet) within FromIP..ToIP, in order; none when no host octet is left.
    static std::vector<std::pair<int, int>> Blocks(int FromIP, int ToIP);

    // Raised once, on the creating thread, when the last scanner thread has ended.
    const TOnFinished &OnFinished() const { return FOnFinished; }
    void SetOnFinished(TOnFinished Handler) { FOnFinished = std::move(Handler); }
    bool IsStop() const { return FIsStop; }
    int ThreadCount() const { return FThreadCount; }

private:
    void ThreadTerminated();

    std::shared_ptr<TArpSweep> FArpSweep;
    std::vector<std::unique_ptr<TIpMacScanner>> FList;
    int FThreadCount = 0;
    TOnFinished FOnFinished;
    bool FIsStop = true;
};
