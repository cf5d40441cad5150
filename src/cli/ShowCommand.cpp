#include "cli/ShowCommand.h"

#include "adapters/Network.h"
#include "cli/CtlSupport.h"
#include "locations/LocationQueries.h"
#include "modules/ProgramModules.h"

TShowCommand::TShowCommand()
    : TCtlCommand({.Name = "show",
                   .Help = {{"show LOCATION", "one location, one \"field<TAB>value\" line per setting"}},
                   .MinArguments = 1})
{}

void TShowCommand::Run(const QStringList &Args, TCtlContext &Context) const
{
    const TLocationList List(ProgramModules());
    Context.PrintRecords(LocationRecords(List, FindLocation(List, Args.at(0)), TNetWorkList()));
}

void TShowCommand::RunThroughProgram(const QStringList &Args, TCtlContext &Context) const
{
    QList<QStringList> Records;
    QString Error;
    Require(RunningInstanceRecords(Args.at(0), Records, &Error), Error);
    Context.PrintRecords(Records);
}
