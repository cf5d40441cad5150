#include "cli/ImportCommand.h"

#include "adapters/IpAddress.h"
#include "adapters/Network.h"
#include "cli/CtlSupport.h"
#include "locations/Location.h"
#include "modules/ProgramModules.h"

TImportCommand::TImportCommand()
    : TCtlCommand(
          {.Name = "import",
           .Help = {{"import NAME ADAPTER", "store a new location NAME from the adapter's current settings\n"
                                            "and the default printer; prints its id and name"}},
           .MinArguments = 2})
{}

void TImportCommand::Run(const QStringList &Args, TCtlContext &Context) const
{
    const QString Name = Args.at(0).trimmed();
    if (Name.isEmpty())
        Fail("a location needs a name", ecUsage);
    const TNetWorkList Adapters;
    const TNetWork &Adapter = FindAdapter(Adapters, Args.at(1));
    TLocationList List(ProgramModules());
    TLocation *Location = List.Add(TLocation::Import(Name, Name, Adapter.Id(), Adapters, ProgramModules()));
    if (!Location->IpAddress()->LastError().isEmpty())
        Context.Warn(QStringLiteral("the adapter's settings were not imported: %1")
                         .arg(Location->IpAddress()->LastError()));
    List.WriteRegistry();
    Context.PrintRecord({Location->LocId(), Location->LocName()});
}
