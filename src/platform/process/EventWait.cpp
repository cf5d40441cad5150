#include "platform/process/EventWait.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <algorithm>

namespace {

bool SleepUntil(const std::function<bool()> &done, QDeadlineTimer deadline, int recheckMs)
{
    while (!deadline.hasExpired()) {
        QThread::msleep(static_cast<unsigned long>(std::min<qint64>(recheckMs, deadline.remainingTime())));
        if (done())
            return true;
    }
    return false;
}

} // namespace

bool TEventWait::Until(const std::function<bool()> &done, int timeoutMs, int recheckMs)
{
    if (done())
        return true;
    const QDeadlineTimer deadline(timeoutMs);
    if (!QCoreApplication::instance())
        return SleepUntil(done, deadline, recheckMs);
    QEventLoop loop;
    bool finished = false;
    // done() may run the event loop itself (a bus call waiting for its answer): a wake that comes
    // meanwhile asks again once it has answered, instead of asking in the middle of it.
    bool checking = false;
    bool again = false;
    FCheck = [&] {
        if (finished)
            return;
        if (checking) {
            again = true;
            return;
        }
        checking = true;
        do {
            again = false;
            finished = done();
        } while (!finished && again);
        checking = false;
        if (finished || deadline.hasExpired())
            loop.quit();
    };
    QTimer recheck;
    connect(&recheck, &QTimer::timeout, this, &TEventWait::Wake);
    recheck.start(recheckMs);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    FCheck = nullptr;
    return finished;
}

void TEventWait::Wake()
{
    if (FCheck)
        FCheck();
}
