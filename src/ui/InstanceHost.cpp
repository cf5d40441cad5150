#include "ui/InstanceHost.h"

#include "app/DBManager.h"
#include "locations/LocationQueries.h"
#include "ui/FormMain.h"

#include <QTimer>

namespace {

TSwitchOutcome Refused(const QString &Reason)
{
    TSwitchOutcome Outcome;
    Outcome.Error = Reason;
    return Outcome;
}

const char *const SwitchRunning = "another switch is running; try again when it has ended";

} // namespace

TInstanceHost::TInstanceHost(TFrmMain &Main, QObject *parent) : QObject(parent), FMain(Main)
{
    connect(&FMain, &TFrmMain::SwitchEnded, this, &TInstanceHost::SwitchEnded);
}

void TInstanceHost::ShowWindow() { FMain.ShowMainWindow(); }

QString TInstanceHost::StatusText() const { return FMain.StatusText(); }

QString TInstanceHost::DataFile() const { return ConnectionString(); }

QList<TLocationEntry> TInstanceHost::Locations() const
{
    return FMain.Locations() ? LocationEntries(*FMain.Locations()) : QList<TLocationEntry>();
}

bool TInstanceHost::DescribeLocation(const QString &Location, QList<QStringList> &Records, QString *Error)
{
    if (!FMain.Locations() || !FMain.Adapters()) {
        *Error = QStringLiteral("the program has not loaded its locations yet");
        return false;
    }
    TLocation *Target = FindLocationByKey(*FMain.Locations(), Location, Error);
    if (!Target)
        return false;
    Records = LocationRecords(*FMain.Locations(), *Target, *FMain.Adapters());
    return true;
}

bool TInstanceHost::StartSwitch(const QString &Location, std::function<void(const TSwitchOutcome &)> Ended,
                                QString *Error)
{
    if (FPending || FMain.Switching()) {
        *Error = QString::fromLatin1(SwitchRunning);
        return false;
    }
    if (!FMain.Locations()) {
        *Error = QStringLiteral("the program has not loaded its locations yet");
        return false;
    }
    const TLocation *Target = FindLocationByKey(*FMain.Locations(), Location, Error);
    if (!Target)
        return false;
    FPendingId = Target->LocId();
    FPending = std::move(Ended);
    // After the bus call has returned to the loop, so that the bus goes on answering meanwhile.
    QTimer::singleShot(0, this, &TInstanceHost::RunPendingSwitch);
    return true;
}

// A switch started in the window since the call came in has the way; this one is refused.
void TInstanceHost::RunPendingSwitch()
{
    if (FMain.Switching()) {
        AnswerPending(Refused(QString::fromLatin1(SwitchRunning)));
        return;
    }
    FMain.SwitchTo(FPendingId);
}

void TInstanceHost::SwitchEnded(const QString &LocId, bool Switched, const QString &Error,
                                const TSwitchReport &Steps)
{
    const TLocation *Location = FMain.Locations() ? FMain.Locations()->GetItemByLocId(LocId) : nullptr;
    if (Switched && Location)
        emit LocationChanged(LocId, Location->LocName());
    if (!FPending || LocId != FPendingId)
        return;
    AnswerPending(Location ? SwitchOutcome(*Location, Switched, Error, Steps)
                           : Refused(QStringLiteral("the location %1 is gone").arg(LocId)));
}

void TInstanceHost::AnswerPending(const TSwitchOutcome &Outcome)
{
    const auto Ended = std::exchange(FPending, nullptr);
    FPendingId.clear();
    Ended(Outcome);
}
