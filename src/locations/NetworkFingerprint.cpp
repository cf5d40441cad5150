#include "locations/NetworkFingerprint.h"

#include "base/NetText.h"

#include <QSet>
#include <algorithm>

namespace {

bool SameMac(const QString &A, const QString &B) { return !IsUnsetMac(A) && MacDigits(A) == MacDigits(B); }

bool LinkMatches(const TLocationRule &Rule, const TLinkFacts &Link)
{
    switch (Rule.Kind) {
    case TRuleKind::Ssid:
        return !Link.Ssid.isEmpty() && Link.Ssid == Rule.Value &&
               (Rule.Bssid.isEmpty() || SameMac(Link.Bssid, Rule.Bssid));
    case TRuleKind::GatewayMac:
        return SameMac(Link.GatewayMac, Rule.Value);
    case TRuleKind::DhcpServer:
        return !Link.DhcpServer.isEmpty() && Link.DhcpServer == Rule.Value.trimmed();
    case TRuleKind::Domain:
        return Link.Domain.split(QLatin1Char(' '), Qt::SkipEmptyParts)
            .contains(Rule.Value, Qt::CaseInsensitive);
    case TRuleKind::Adapter:
        return Link.Carrier && Link.Interface == Rule.Value;
    }
    return false;
}

QString MacText(const QString &Mac) { return MacFromDigits(MacDigits(Mac), QLatin1Char('-')); }

QString LinkLine(const TLinkFacts &Link)
{
    QStringList Words{Link.Interface,
                      Link.Carrier ? QStringLiteral("carrier") : QStringLiteral("no-carrier")};
    if (!Link.Ssid.isEmpty())
        Words << QStringLiteral("ssid") << Link.Ssid << MacText(Link.Bssid);
    if (!Link.Gateway.isEmpty())
        Words << QStringLiteral("gateway") << Link.Gateway
              << QStringLiteral("(%1)").arg(MacText(Link.GatewayMac));
    if (!Link.DhcpServer.isEmpty())
        Words << QStringLiteral("dhcp-server") << Link.DhcpServer;
    if (!Link.Domain.isEmpty())
        Words << QStringLiteral("domain") << Link.Domain;
    return Words.join(QLatin1Char(' '));
}

QList<TLocationRule> LinkRules(const TLinkFacts &Link)
{
    QList<TLocationRule> Rules;
    if (!Link.Ssid.isEmpty())
        Rules.append({TRuleKind::Ssid, Link.Ssid, MacText(Link.Bssid)});
    if (!IsUnsetMac(Link.GatewayMac))
        Rules.append({TRuleKind::GatewayMac, MacText(Link.GatewayMac), {}});
    if (!Link.DhcpServer.isEmpty())
        Rules.append({TRuleKind::DhcpServer, Link.DhcpServer, {}});
    const QString Domain = Link.Domain.section(QLatin1Char(' '), 0, 0, QString::SectionSkipEmpty);
    if (!Domain.isEmpty())
        Rules.append({TRuleKind::Domain, Domain, {}});
    return Rules;
}

// Kinds with rules are each needed; a rule of a kind is one of its alternatives.
bool CandidateMatches(const TLocationCandidate &Candidate, const TNetworkFingerprint &Network,
                      TLocationMatch &Match)
{
    QSet<TRuleKind> Needed;
    QSet<TRuleKind> Met;
    Match = {Candidate.LocId, Candidate.LocName, {}, 0};
    for (const TLocationRule &Rule : Candidate.Rules) {
        Needed.insert(Rule.Kind);
        if (RuleMatches(Rule, Network)) {
            Met.insert(Rule.Kind);
            Match.Matched.append(Rule);
        }
    }
    Match.Specificity = static_cast<int>(Met.size());
    return !Needed.isEmpty() && Met == Needed;
}

} // namespace

QStringList TNetworkFingerprint::Lines() const
{
    QStringList Result;
    for (const TLinkFacts &Link : Links)
        Result.append(LinkLine(Link));
    return Result;
}

QList<TLocationRule> TNetworkFingerprint::SuggestedRules() const
{
    QList<TLocationRule> Rules;
    for (const TLinkFacts &Link : Links) {
        const QList<TLocationRule> Identified = LinkRules(Link);
        Rules += Identified.isEmpty() ? QList<TLocationRule>{{TRuleKind::Adapter, Link.Interface, {}}}
                                      : Identified;
    }
    return Rules;
}

bool RuleMatches(const TLocationRule &Rule, const TNetworkFingerprint &Network)
{
    return std::any_of(Network.Links.cbegin(), Network.Links.cend(),
                       [&Rule](const TLinkFacts &Link) { return LinkMatches(Rule, Link); });
}

QList<TLocationMatch> MatchLocations(const QList<TLocationCandidate> &Candidates,
                                     const TNetworkFingerprint &Network)
{
    QList<TLocationMatch> Matches;
    for (const TLocationCandidate &Candidate : Candidates) {
        TLocationMatch Match;
        if (CandidateMatches(Candidate, Network, Match))
            Matches.append(Match);
    }
    std::stable_sort(Matches.begin(), Matches.end(), [](const TLocationMatch &A, const TLocationMatch &B) {
        return A.Specificity > B.Specificity;
    });
    return Matches;
}

QList<TLocationMatch> BestMatches(const QList<TLocationMatch> &Matches)
{
    QList<TLocationMatch> Best;
    for (const TLocationMatch &Match : Matches)
        if (Best.isEmpty() || Match.Specificity == Best.first().Specificity)
            Best.append(Match);
    return Best;
}
