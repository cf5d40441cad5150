#include "cli/AdaptersCommand.h"

#include "adapters/Network.h"
#include "cli/CtlSupport.h"

namespace {

QString StatusText(TStatus Status)
{
    switch (Status) {
    case nsWorking:
        return QStringLiteral("working");
    case nsNotWorking:
        return QStringLiteral("not working");
    case nsOff:
        return QStringLiteral("off");
    case nsDisable:
        return QStringLiteral("disabled");
    case nsUnkown:
        break;
    }
    return QStringLiteral("unknown");
}

} // namespace

TAdaptersCommand::TAdaptersCommand()
    : TCtlCommand({.Name = "adapters",
                   .Help = {{"adapters", "the network connections: id, name, description, state"}},
                   .NeedsData = false})
{}

void TAdaptersCommand::Run(const QStringList &, TCtlContext &Context) const
{
    const TNetWorkList Adapters;
    for (int I = 0; I < Adapters.Count(); ++I) {
        const TNetWork *Adapter = Adapters.Objects(I);
        if (Adapter)
            Context.PrintRecord(
                {Adapter->Id(), Adapter->Name(), Adapter->Description(), StatusText(Adapter->Status())});
    }
}
