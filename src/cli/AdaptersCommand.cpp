#include "cli/AdaptersCommand.h"

#include "adapters/NetMgr.h"
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
                   .Help = {{"adapters", "the network connections: id, name, description, state,\n"
                                         "whether a switch can change them"}},
                   .NeedsData = false})
{}

void TAdaptersCommand::Run(const QStringList &, TCtlContext &Context) const
{
    const TNetWorkList Adapters;
    // Without NetworkManager the kernel's interfaces are listed, but nothing can configure them.
    const QString Switchable = TNetManager::GetInstance().Source() == QLatin1String("NetworkManager")
                                   ? QStringLiteral("switchable")
                                   : QStringLiteral("not switchable: NetworkManager is not running");
    for (int I = 0; I < Adapters.Count(); ++I) {
        const TNetWork *Adapter = Adapters.Objects(I);
        if (Adapter)
            Context.PrintRecord({Adapter->Id(), Adapter->Name(), Adapter->Description(),
                                 StatusText(Adapter->Status()), Switchable});
    }
}
