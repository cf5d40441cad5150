#pragma once

#include <QObject>
#include <functional>

// Waits for something that reports its progress, with the Qt event loop running meanwhile, so
// windows keep repainting and answering while the program waits.
class TEventWait : public QObject
{
    Q_OBJECT
public:
    // Asks done() at once, after every Wake and every recheckMs, until it holds (true) or
    // timeoutMs has passed (false). done() may itself run the event loop; it is never asked
    // again before it has answered. Without a Qt application there is no event loop to run:
    // the thread then sleeps recheckMs between the checks.
    bool Until(const std::function<bool()> &done, int timeoutMs, int recheckMs);

public slots:
    // Something changed: ask again now. Connect the watched object's change signal here.
    void Wake();

private:
    std::function<void()> FCheck;
};
