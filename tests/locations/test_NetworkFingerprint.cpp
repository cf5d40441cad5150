#include "locations/NetworkFingerprint.h"

#include <gtest/gtest.h>

namespace {

const QString MacA = "00-1A-2B-3C-4D-5E";
const QString MacB = "02-00-00-00-00-0B";

TLinkFacts Wired(const QString &GatewayMac, const QString &Domain = {})
{
    return {"eth0", true, {}, {}, "10.0.0.1", GatewayMac, "10.0.0.1", Domain};
}

TLinkFacts Unaddressed(const QString &Interface, bool Carrier)
{
    return {Interface, Carrier, {}, {}, {}, {}, {}, {}};
}

TLinkFacts Wifi(const QString &Ssid, const QString &Bssid)
{
    return {"wlan0", true, Ssid, Bssid, "192.168.1.1", {}, {}, {}};
}

struct TRuleCase
{
    const char *Name;
    TLocationRule Rule;
    TNetworkFingerprint Network;
    bool Matches;
};

class RuleMatchTest : public testing::TestWithParam<TRuleCase>
{};

TEST_P(RuleMatchTest, Matches)
{
    EXPECT_EQ(RuleMatches(GetParam().Rule, GetParam().Network), GetParam().Matches);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, RuleMatchTest,
    testing::Values(
        TRuleCase{
            "GatewayMacInAnyForm", {TRuleKind::GatewayMac, MacA, {}}, {{Wired("00:1a:2b:3c:4d:5e")}}, true},
        TRuleCase{"OtherGatewayMac", {TRuleKind::GatewayMac, MacA, {}}, {{Wired(MacB)}}, false},
        TRuleCase{
            "UnknownGatewayMac", {TRuleKind::GatewayMac, "00-00-00-00-00-00", {}}, {{Wired({})}}, false},
        TRuleCase{"SecondLink", {TRuleKind::GatewayMac, MacB, {}}, {{Wired(MacA), Wired(MacB)}}, true},
        TRuleCase{"SsidAnyAccessPoint",
                  {TRuleKind::Ssid, "Office", {}},
                  {{Wifi("Office", "AA:BB:CC:DD:EE:01")}},
                  true},
        TRuleCase{"SsidIsCaseSensitive", {TRuleKind::Ssid, "office", {}}, {{Wifi("Office", {})}}, false},
        TRuleCase{"SsidAndItsBssid",
                  {TRuleKind::Ssid, "Office", "AA-BB-CC-DD-EE-01"},
                  {{Wifi("Office", "aa:bb:cc:dd:ee:01")}},
                  true},
        TRuleCase{"SsidOtherBssid",
                  {TRuleKind::Ssid, "Office", "AA-BB-CC-DD-EE-01"},
                  {{Wifi("Office", "AA:BB:CC:DD:EE:02")}},
                  false},
        TRuleCase{"DhcpServer", {TRuleKind::DhcpServer, "10.0.0.1", {}}, {{Wired(MacA)}}, true},
        TRuleCase{"OneOfTheDomains",
                  {TRuleKind::Domain, "CORP.example", {}},
                  {{Wired(MacA, "lan corp.example")}},
                  true},
        TRuleCase{
            "DomainIsWholeName", {TRuleKind::Domain, "corp", {}}, {{Wired(MacA, "corp.example")}}, false},
        TRuleCase{"AdapterWithCarrier", {TRuleKind::Adapter, "eth0", {}}, {{Wired(MacA)}}, true},
        TRuleCase{
            "AdapterWithoutCarrier", {TRuleKind::Adapter, "eth0", {}}, {{Unaddressed("eth0", false)}}, false},
        TRuleCase{"NoNetwork", {TRuleKind::Adapter, "eth0", {}}, {}, false}),
    [](const testing::TestParamInfo<TRuleCase> &Info) { return std::string(Info.param.Name); });

QStringList Ids(const QList<TLocationMatch> &Matches)
{
    QStringList Result;
    for (const TLocationMatch &Match : Matches)
        Result.append(Match.LocId + QString::number(Match.Specificity));
    return Result;
}

TEST(MatchLocations, EveryKindWithRulesMustMatchAndRulesOfAKindAreAlternatives)
{
    const TNetworkFingerprint Network{{Wired(MacA, "corp.example")}};
    const QList<TLocationCandidate> Candidates{
        {"TWO_ROUTERS", "", {{TRuleKind::GatewayMac, MacB, {}}, {TRuleKind::GatewayMac, MacA, {}}}},
        {"WRONG_DOMAIN", "", {{TRuleKind::GatewayMac, MacA, {}}, {TRuleKind::Domain, "home", {}}}},
        {"NO_RULES", "", {}},
        {"MAC_AND_DOMAIN", "", {{TRuleKind::GatewayMac, MacA, {}}, {TRuleKind::Domain, "corp.example", {}}}},
    };
    const QList<TLocationMatch> Matches = MatchLocations(Candidates, Network);
    EXPECT_EQ(Ids(Matches), (QStringList{"MAC_AND_DOMAIN2", "TWO_ROUTERS1"}));
    EXPECT_EQ(Matches.at(1).Matched, (QList<TLocationRule>{{TRuleKind::GatewayMac, MacA, {}}}));
    EXPECT_EQ(Ids(BestMatches(Matches)), QStringList{"MAC_AND_DOMAIN2"});
}

TEST(MatchLocations, EqualSpecificityIsATieInListOrder)
{
    const TNetworkFingerprint Network{{Wired(MacA, "lan")}};
    const QList<TLocationCandidate> Candidates{{"BY_DOMAIN", "", {{TRuleKind::Domain, "lan", {}}}},
                                               {"BY_MAC", "", {{TRuleKind::GatewayMac, MacA, {}}}}};
    EXPECT_EQ(Ids(BestMatches(MatchLocations(Candidates, Network))), (QStringList{"BY_DOMAIN1", "BY_MAC1"}));
    EXPECT_TRUE(BestMatches({}).isEmpty());
}

TEST(NetworkFingerprint, SuggestsTheRulesThatRecogniseIt)
{
    const TNetworkFingerprint Network{{Wifi("Office", "aa:bb:cc:dd:ee:01"),
                                       Wired("00:1a:2b:3c:4d:5e", "corp.example lan"),
                                       Unaddressed("eth1", true)}};
    const QList<TLocationRule> Rules = Network.SuggestedRules();
    EXPECT_EQ(Rules, (QList<TLocationRule>{{TRuleKind::Ssid, "Office", "AA-BB-CC-DD-EE-01"},
                                           {TRuleKind::GatewayMac, MacA, {}},
                                           {TRuleKind::DhcpServer, "10.0.0.1", {}},
                                           {TRuleKind::Domain, "corp.example", {}},
                                           {TRuleKind::Adapter, "eth1", {}}}));
    for (const TLocationRule &Rule : Rules)
        EXPECT_TRUE(RuleMatches(Rule, Network)) << RuleWords(Rule).join(' ').toStdString();
    EXPECT_EQ(Network.Lines().at(1), "eth0 carrier gateway 10.0.0.1 (00-1A-2B-3C-4D-5E) dhcp-server 10.0.0.1 "
                                     "domain corp.example lan");
}

} // namespace
