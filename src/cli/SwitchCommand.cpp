#include "cli/SwitchCommand.h"

#include "adapters/Network.h"
#include "cli/CtlSupport.h"
#include "locations/LocationQueries.h"
#include "modules/ProgramModules.h"

#include <QElapsedTimer>

namespace {

// Each step of a switch on standard error as it ends, with the time it took.
class TStepPrinter : public ISwitchObserver
{
public:
    explicit TStepPrinter(TCtlContext &Context) : FContext(Context) {}

    void StepStarted(const QString &) override { FTimer.start(); }
    void StepFinished(const TSwitchStep &Step) override
    {
        FContext.Note(StepText(Step) + QStringLiteral(" (%1 s)").arg(FTimer.elapsed() / 1000.0, 0, 'f', 2));
    }

private:
    TCtlContext &FContext;
    QElapsedTimer FTimer;
};

// The steps (when they were not told as they ended), the warnings, then the location or the
// reason it failed.
void PrintOutcome(TCtlContext &Context, const TSwitchOutcome &Outcome)
{
    if (Context.Options().Verbose)
        for (const QString &Step : Outcome.Steps)
            Context.Note(Step);
    for (const QString &Warning : Outcome.Warnings)
        Context.Warn(Warning);
    if (Outcome.Status != ecDone)
        Fail(Outcome.Error);
    Context.PrintRecord({Outcome.Id, Outcome.Name});
}

} // namespace

TSwitchCommand::TSwitchCommand()
    : TCtlCommand(
          {.Name = "switch",
           .Help = {{"switch LOCATION", "apply a location and make it current; prints its id and name"}},
           .MinArguments = 1})
{}

void TSwitchCommand::Run(const QStringList &Args, TCtlContext &Context) const
{
    TLocationList List(ProgramModules());
    TLocation &Location = FindLocation(List, Args.at(0));
    const TNetWorkList Adapters;
    QString Error;
    TStepPrinter Printer(Context);
    const bool Switched =
        List.SwitchToLocation(Location, Adapters, &Error, Context.Options().Verbose ? &Printer : nullptr);
    PrintOutcome(Context, SwitchOutcome(Location, Switched, Error, {}));
}

// The program shows the switch in its window and tray; the steps come with its answer.
void TSwitchCommand::RunThroughProgram(const QStringList &Args, TCtlContext &Context) const
{
    TSwitchOutcome Outcome;
    QString Error;
    Require(RunningInstanceSwitch(Args.at(0), Outcome, &Error), Error);
    PrintOutcome(Context, Outcome);
}
