#include "cli/ListCommand.h"

#include "cli/CtlSupport.h"
#include "locations/LocationQueries.h"
#include "modules/ProgramModules.h"

namespace {

void PrintLocations(TCtlContext &Context, const QList<TLocationEntry> &Entries)
{
    for (const TLocationEntry &Entry : Entries)
        Context.PrintRecord({Entry.Current ? "*" : "", Entry.Id, Entry.Name, Entry.AdapterId, Entry.Printer});
}

} // namespace

TListCommand::TListCommand()
    : TCtlCommand({.Name = "list",
                   .Help = {{"list", "the locations: current mark (*), id, name, adapter id, printer"}}})
{}

void TListCommand::Run(const QStringList &, TCtlContext &Context) const
{
    PrintLocations(Context, LocationEntries(TLocationList(ProgramModules())));
}

void TListCommand::RunThroughProgram(const QStringList &, TCtlContext &Context) const
{
    QList<TLocationEntry> Entries;
    QString Error;
    Require(RunningInstanceLocations(Entries, &Error), Error);
    PrintLocations(Context, Entries);
}
