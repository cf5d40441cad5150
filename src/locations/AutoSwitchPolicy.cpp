#include "locations/AutoSwitchPolicy.h"

#include <algorithm>
#include <utility>

namespace {

// What a switch cannot change: which links have carrier, their access points, their gateways.
bool SamePlace(const TNetworkFingerprint &A, const TNetworkFingerprint &B)
{
    return std::equal(A.Links.cbegin(), A.Links.cend(), B.Links.cbegin(), B.Links.cend(),
                      [](const TLinkFacts &X, const TLinkFacts &Y) {
                          return X.Interface == Y.Interface && X.Carrier == Y.Carrier && X.Ssid == Y.Ssid &&
                                 X.Bssid == Y.Bssid && X.GatewayMac == Y.GatewayMac;
                      });
}

} // namespace

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
    if (std::exchange(FAdopting, false) && SamePlace(FNetwork, FSwitchedFrom))
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

void TAutoSwitchPolicy::SwitchStarted()
{
    FSwitching = true;
    FSwitchedFrom = FNetwork;
}

void TAutoSwitchPolicy::SwitchFinished(qint64 Now)
{
    FSwitching = false;
    FAdopting = true;
    FChangedAt = Now;
}
