#include "cli/AutoCommand.h"

#include "app/uConfig.h"
#include "base/NetText.h"
#include "cli/CtlSupport.h"
#include "locations/Location.h"
#include "locations/LocationRules.h"
#include "modules/ProgramModules.h"

namespace {

bool OnOff(const QString &Word)
{
    if (Word != QLatin1String("on") && Word != QLatin1String("off"))
        Fail(QStringLiteral("auto takes on or off, not %1").arg(QuotedValue(Word)), ecUsage);
    return Word == QLatin1String("on");
}

} // namespace

TAutoCommand::TAutoCommand()
    : TCtlCommand({.Name = "auto",
                   .Help = {{"auto", "automatic switching: \"all\" and on/off, then each location's flag"},
                            {"auto on|off [LOCATION]",
                             "switch automatic switching on or off, for all or one location"}},
                   .MaxArguments = 2})
{}

void TAutoCommand::Run(const QStringList &Args, TCtlContext &Context) const
{
    const TLocationList List(ProgramModules());
    if (Args.size() == 1)
        TConfig::GetConfig()->SetAutoSwitch(OnOff(Args.at(0)));
    if (Args.size() == 2) {
        TLocationRules Rules = LoadedRules(FindLocation(List, Args.at(1)).LocId());
        Rules.SetAutomatic(OnOff(Args.at(0)));
        SaveRules(Rules);
    }
    Context.PrintRecord({"all", TConfig::GetConfig()->AutoSwitch() ? "on" : "off"});
    for (int I = 0; I < List.Count(); ++I)
        Context.PrintRecord({List.Items(I)->LocId(), List.Items(I)->LocName(),
                             LoadedRules(List.Items(I)->LocId()).Automatic() ? "on" : "off"});
}
