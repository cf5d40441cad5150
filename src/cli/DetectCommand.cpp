#include "cli/DetectCommand.h"

#include "cli/CtlSupport.h"
#include "locations/Location.h"
#include "locations/LocationRules.h"
#include "locations/RuleCandidates.h"
#include "modules/ProgramModules.h"

#include <algorithm>

namespace {

QString RulesText(const QList<TLocationRule> &Rules)
{
    QStringList Texts;
    for (const TLocationRule &Rule : Rules)
        Texts.append(RuleWords(Rule).join(QLatin1Char(' ')));
    return Texts.join(QStringLiteral("; "));
}

} // namespace

TDetectCommand::TDetectCommand()
    : TCtlCommand({.Name = "detect",
                   .Help = {{"detect", "the locations whose rules recognise the current network, most\n"
                                       "specific first: best mark (*), id, name, automatic (yes/no),\n"
                                       "the rules that matched (exit status 1 when none)"}}})
{}

void TDetectCommand::Run(const QStringList &, TCtlContext &Context) const
{
    const TLocationList List(ProgramModules());
    const TNetworkFingerprint Network = CurrentNetwork();
    if (Context.Options().Verbose)
        for (const QString &Line : Network.Lines())
            Context.Note(QStringLiteral("network: ") + Line);
    const QList<TLocationCandidate> Candidates = RuleCandidates(List, false);
    const QList<TLocationCandidate> Automatic = RuleCandidates(List, true);
    const QList<TLocationMatch> Matches = MatchLocations(Candidates, Network);
    const QList<TLocationMatch> Best = BestMatches(Matches);
    for (const TLocationMatch &Match : Matches) {
        const bool IsAutomatic =
            std::any_of(Automatic.cbegin(), Automatic.cend(),
                        [&](const TLocationCandidate &C) { return C.LocId == Match.LocId; });
        Context.PrintRecord({Match.Specificity == Best.first().Specificity ? "*" : "", Match.LocId,
                             Match.LocName, IsAutomatic ? "yes" : "no", RulesText(Match.Matched)});
    }
    if (Matches.isEmpty())
        Fail("no location's rules recognise the current network");
}
