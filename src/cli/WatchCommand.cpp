#include "cli/WatchCommand.h"

#include "adapters/Network.h"
#include "app/uConfig.h"
#include "base/NetText.h"
#include "cli/CtlSupport.h"
#include "locations/AutoSwitcher.h"
#include "locations/Location.h"
#include "locations/NMFingerprint.h"
#include "locations/RuleCandidates.h"
#include "modules/ProgramModules.h"
#include "platform/process/TermSignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

namespace {

// The program's automatic switching without its windows: what it sees and does goes to
// standard output, one record a line, as it happens.
class TCtlWatch
{
public:
    TCtlWatch(TCtlContext &Context, qint64 SettleMs)
        : FContext(Context), FSwitcher(NetworkSource(), Hooks(), SettleMs), FInput(0, QSocketNotifier::Read)
    {
        QObject::connect(&FInput, &QSocketNotifier::activated, [this] { ReadCommand(); });
        QObject::connect(&FSignals, &TTermSignals::Received, [] { QCoreApplication::quit(); });
    }

    void Run()
    {
        FSwitcher.Start();
        QCoreApplication::exec();
    }

private:
    TAutoSwitcher::THooks Hooks()
    {
        TAutoSwitcher::THooks Hooks;
        Hooks.Candidates = [this] {
            return TConfig::GetConfig()->AutoSwitch() ? RuleCandidates(FList, true)
                                                      : QList<TLocationCandidate>{};
        };
        Hooks.CurrentLocId = [this] {
            return FList.CurrentLocation() ? FList.CurrentLocation()->LocId() : QString();
        };
        Hooks.SwitchTo = [this](const QString &LocId) { return SwitchTo(LocId); };
        Hooks.Switched = [this](const TAutoDecision &Decision, const QString &, bool Switched,
                                qint64 SettledMs, qint64 SwitchMs) {
            const TLocation *Location = FList.GetItemByLocId(Decision.LocId);
            Emit({Switched ? "switched" : "switch-failed", Decision.LocId,
                  Location ? Location->LocName() : QString(), QString::number(SettledMs),
                  QString::number(SwitchMs)});
        };
        Hooks.Ask = [this](const TAutoDecision &Decision) {
            QStringList Record{"ask"};
            for (const TLocationMatch &Match : Decision.Tied)
                Record << Match.LocId;
            Emit(Record);
        };
        Hooks.Changed = [this](const TNetworkFingerprint &Network) {
            Emit(QStringList{"network"} + (Network.IsEmpty() ? QStringList{"none"} : Network.Lines()));
        };
        return Hooks;
    }

    bool SwitchTo(const QString &LocId)
    {
        QString Error;
        const bool Switched = FList.SwitchToLocation(LocId, TNetWorkList(), &Error);
        if (!Switched)
            FContext.Warn(QStringLiteral("switching to %1 failed: %2").arg(LocId, Error));
        return Switched;
    }

    // "switch LOCATION": a switch by hand, which the watcher keeps to until the network changes.
    void ReadCommand()
    {
        QTextStream In(stdin);
        const QString Line = In.readLine();
        if (Line.isNull()) {
            FInput.setEnabled(false);
            return;
        }
        const QStringList Words = Line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (Words.size() != 2 || Words.first() != QLatin1String("switch")) {
            FContext.Warn(QStringLiteral("unknown input %1").arg(QuotedValue(Line)));
            return;
        }
        const TLocation *Location = FList.GetItemByLocId(Words.at(1));
        FSwitcher.SwitchStarted();
        const bool Switched = Location && SwitchTo(Location->LocId());
        FSwitcher.SwitchFinished();
        Emit({Switched ? "hand-switched" : "switch-failed", Words.at(1)});
    }

    void Emit(const QStringList &Record)
    {
        FContext.PrintRecord(Record);
        FContext.Out().flush();
    }

    TCtlContext &FContext;
    TLocationList FList{ProgramModules()};
    TAutoSwitcher FSwitcher;
    QSocketNotifier FInput;
    TTermSignals FSignals;
};

} // namespace

TWatchCommand::TWatchCommand()
    : TCtlCommand({.Name = "watch",
                   .Help = {{"watch [SETTLE_MS]",
                             "switch automatically until ended, as the program does; prints\n"
                             "each network seen, switch made and tie; a line \"switch LOCATION\"\n"
                             "on standard input switches by hand"}},
                   .MaxArguments = 1})
{}

void TWatchCommand::Run(const QStringList &Args, TCtlContext &Context) const
{
    bool Ok = true;
    const qint64 SettleMs = Args.isEmpty() ? 2000 : Args.at(0).toLongLong(&Ok);
    if (!Ok || SettleMs < 0)
        Fail(QStringLiteral("watch takes a settle time in milliseconds"), ecUsage);
    TCtlWatch Watch(Context, SettleMs);
    Watch.Run();
}
