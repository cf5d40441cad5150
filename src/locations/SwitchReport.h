#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// What happened to one step of a switch: the check, the printer, the adapter, each module.
struct TSwitchStep
{
    enum TOutcome { Done, Failed, Skipped };

    QString Name;
    TOutcome Outcome = Done;
    // Why it failed or was skipped; empty when it was done.
    QString Reason;
    // What it changed on the system, also when it failed.
    QStringList Changes;
    // What it could not do without failing the switch (a share or a drive that was not made),
    // each with its reason.
    QStringList Warnings;
};

using TSwitchReport = QList<TSwitchStep>;

// The outcomes a step returns; the switch fills in the step's name.
inline TSwitchStep StepDone(const QStringList &Changes = {})
{
    return {{}, TSwitchStep::Done, {}, Changes, {}};
}
inline TSwitchStep StepFailed(const QString &Reason, const QStringList &Changes = {})
{
    return {{}, TSwitchStep::Failed, Reason, Changes, {}};
}
inline TSwitchStep StepSkipped(const QString &Reason) { return {{}, TSwitchStep::Skipped, Reason, {}, {}}; }

// Told of every step of a switch as it starts and as it ends; the progress window, the command
// line's --verbose and the failure report read the same steps.
class ISwitchObserver
{
public:
    virtual ~ISwitchObserver() = default;
    virtual void StepStarted(const QString &Name) = 0;
    virtual void StepFinished(const TSwitchStep &Step) = 0;
};

// "adapter: failed: Adapter ... not found", "IE proxy: skipped: switched off",
// "adapter: done (IPv4 settings saved and reapplied)",
// "folder shares: done (share "Docs" made ...), but: share "Old" not removed: ...".
QString StepText(const TSwitchStep &Step);
