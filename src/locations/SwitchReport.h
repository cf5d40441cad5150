#pragma once

#include <QList>
#include <QString>

// What happened to one step of a switch: the check, the printer, the adapter, each module.
struct TSwitchStep
{
    enum TOutcome { Done, Failed, Skipped };

    QString Name;
    TOutcome Outcome = Done;
    // Why it failed or was skipped; empty when it was done.
    QString Reason;
};

using TSwitchReport = QList<TSwitchStep>;

// Told of every step of a switch as it starts and as it ends; the progress window, the command
// line's --verbose and the failure report read the same steps.
class ISwitchObserver
{
public:
    virtual ~ISwitchObserver() = default;
    virtual void StepStarted(const QString &Name) = 0;
    virtual void StepFinished(const TSwitchStep &Step) = 0;
};

// "adapter: failed: Adapter ... not found", "IE proxy: skipped: switched off", "printer: done".
QString StepText(const TSwitchStep &Step);
