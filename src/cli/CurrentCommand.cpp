#include "cli/CurrentCommand.h"

#include "cli/CtlSupport.h"
#include "locations/Location.h"
#include "modules/ProgramModules.h"
#include "platform/desktop/InstanceBus.h"

namespace {

void PrintCurrent(TCtlContext &Context, const QString &Id, const QString &Name)
{
    if (Id.isEmpty())
        Fail("no current location");
    Context.PrintRecord({Id, Name});
}

} // namespace

TCurrentCommand::TCurrentCommand()
    : TCtlCommand({.Name = "current",
                   .Help = {{"current", "the current location: id, name (exit status 1 when none)"}}})
{}

void TCurrentCommand::Run(const QStringList &, TCtlContext &Context) const
{
    const TLocationList List(ProgramModules());
    const TLocation *Current = List.CurrentLocation();
    PrintCurrent(Context, Current ? Current->LocId() : QString(), Current ? Current->LocName() : QString());
}

void TCurrentCommand::RunThroughProgram(const QStringList &, TCtlContext &Context) const
{
    QString Id;
    QString Name;
    QString Error;
    Require(RunningInstanceCurrent(Id, Name, &Error), Error);
    PrintCurrent(Context, Id, Name);
}
