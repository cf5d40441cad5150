#include "locations/AutoSwitchPolicy.h"

#include <algorithm>

void TAutoSwitchPolicy::Observe(const TNetworkFingerprint &Network, qint64 Now)
{
    if (FObserved && Network == FNetwork)
        return;
    FNetwork = Network;
    FChangedAt = Now;
    FObserved = true;
}

qint64 TAutoSwitchPolicy::JudgeAt() const
{
    return FObserved && !FSwitching && WaitsForJudgement() ? FChangedAt + FSettleMs : -1;
}

TAutoDecision TAutoSwitchPolicy::Judge(const QList<TLocationCandidate> &Candidates,
                                       const QString &CurrentLocId, qint64 Now)
{
    const qint64 At = JudgeAt();
    if (At < 0 || Now < At)
        return {};
    FJudged = FNetwork;
    if (std::exchange(FAdopting, false))
        return {};
    TAutoDecision Decision;
    Decision.Matches = MatchLocations(Candidates, FNetwork);
    const QList<TLocationMatch> Best = BestMatches(Decision.Matches);
    const bool CurrentIsBest = std::any_of(
        Best.cbegin(), Best.cend(), [&](const TLocationMatch &Match) { return Match.LocId == CurrentLocId; });
    if (Best.isEmpty() || CurrentIsBest)
        return Decision;
    if (Best.size() > 1) {
        Decision.Action = TAutoDecision::Ask;
        Decision.Tied = Best;
    } else {
        Decision.Action = TAutoDecision::Switch;
        Decision.LocId = Best.first().LocId;
    }
    return Decision;
}

void TAutoSwitchPolicy::SwitchFinished(qint64 Now)
{
    FSwitching = false;
    FAdopting = true;
    FChangedAt = Now;
}
