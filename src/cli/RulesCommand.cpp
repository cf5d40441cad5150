#include "cli/RulesCommand.h"

#include "cli/CtlSupport.h"
#include "locations/Location.h"
#include "locations/LocationRules.h"
#include "locations/NetworkFingerprint.h"
#include "modules/ProgramModules.h"

namespace {

// The location's rules as they become: Words after the location say how.
QList<TLocationRule> ChangedRules(const QList<TLocationRule> &Rules, const QStringList &Words)
{
    const QString Verb = Words.value(0);
    if (Verb == QLatin1String("clear") && Words.size() == 1)
        return {};
    if (Verb == QLatin1String("use-current") && Words.size() == 1)
        return CurrentNetwork().SuggestedRules();
    if (Verb != QLatin1String("add"))
        Fail(QStringLiteral("rules LOCATION takes add, clear or use-current; see wayfarelctl --help"),
             ecUsage);
    TLocationRule Rule;
    QString Error;
    if (!ParseRule(Words.mid(1), Rule, &Error))
        Fail(Error, ecUsage);
    return Rules.contains(Rule) ? Rules : Rules + QList<TLocationRule>{Rule};
}

} // namespace

TRulesCommand::TRulesCommand()
    : TCtlCommand({.Name = "rules",
                   .Help = {{"rules LOCATION", "the location's rules: kind, value, BSSID"},
                            {"rules LOCATION add KIND VALUE [BSSID]",
                             "add a rule; KIND is ssid (with an optional BSSID), gateway-mac,\n"
                             "dhcp-server, domain or adapter (an interface with carrier)"},
                            {"rules LOCATION clear", "remove every rule of the location"},
                            {"rules LOCATION use-current",
                             "replace the rules by those of the network this computer is on"}},
                   .MinArguments = 1,
                   .MaxArguments = 5})
{}

void TRulesCommand::Run(const QStringList &Args, TCtlContext &Context) const
{
    const TLocationList List(ProgramModules());
    TLocationRules Rules = LoadedRules(FindLocation(List, Args.at(0)).LocId());
    if (Args.size() > 1) {
        Rules.SetRules(ChangedRules(Rules.Rules(), Args.mid(1)));
        SaveRules(Rules);
    }
    for (const TLocationRule &Rule : Rules.Rules())
        Context.PrintRecord(RuleWords(Rule));
}
