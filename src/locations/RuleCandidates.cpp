#include "locations/RuleCandidates.h"

#include "locations/Location.h"

QList<TLocationCandidate> RuleCandidates(const TLocationList &List, bool AutomaticOnly)
{
    QList<TLocationCandidate> Candidates;
    for (int I = 0; I < List.Count(); ++I) {
        const TLocation &Location = *List.Items(I);
        TLocationRules Rules(Location.LocId());
        if (Rules.Load() && (Rules.Automatic() || !AutomaticOnly))
            Candidates.append({Location.LocId(), Location.LocName(), Rules.Rules()});
    }
    return Candidates;
}
