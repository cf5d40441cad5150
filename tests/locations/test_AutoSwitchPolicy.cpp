#include "locations/AutoSwitchPolicy.h"

#include <gtest/gtest.h>

namespace {

constexpr qint64 Settle = 2000;
constexpr qint64 TickMs = 100; // how often the replay asks, as the watcher's timer would

const QString MacA = "02-00-00-00-00-0A";
const QString MacB = "02-00-00-00-00-0B";

TNetworkFingerprint Network(const QStringList &GatewayMacs)
{
    TNetworkFingerprint Result;
    for (const QString &Mac : GatewayMacs)
        Result.Links.append(
            {"eth" + QString::number(Result.Links.size()), true, {}, {}, "10.0.0.1", Mac, {}, {}});
    return Result;
}

const TNetworkFingerprint None;
const TNetworkFingerprint AtA = Network({MacA});
const TNetworkFingerprint AtB = Network({MacB});
const TNetworkFingerprint AtBoth = Network({MacA, MacB});

// The network of A as a switch may leave it: the same gateway, another lease.
TNetworkFingerprint AtALeased()
{
    TNetworkFingerprint Result = AtA;
    Result.Links.first().DhcpServer = "10.0.0.1";
    Result.Links.first().Domain = "lan";
    return Result;
}

const QList<TLocationCandidate> Locations{
    {"A", "Office", {{TRuleKind::GatewayMac, MacA, {}}}},
    {"B", "Home", {{TRuleKind::GatewayMac, MacB, {}}}},
    {"D", "Office LAN", {{TRuleKind::GatewayMac, MacA, {}}, {TRuleKind::Domain, "lan", {}}}}};

// One thing that happens at a moment: the network is seen (Network), or the user switches by
// hand (HandLocId).
struct TEvent
{
    qint64 At;
    TNetworkFingerprint Network;
    QString HandLocId;
};

TEvent See(qint64 At, const TNetworkFingerprint &Network) { return {At, Network, {}}; }
TEvent Hand(qint64 At, const QString &LocId) { return {At, {}, LocId}; }

struct TSequence
{
    const char *Name;
    QList<TEvent> Events;
    qint64 End;
    QStringList Expected; // "A@3000": switched to A at 3000 ms; "ask A,B@2000"
    bool Automatic = true;
};

// Replays a sequence against the policy, asking every tick, switching at once when told to.
QStringList Replay(const TSequence &Sequence)
{
    TAutoSwitchPolicy Policy(Settle);
    QString Current;
    QStringList Done;
    const QList<TLocationCandidate> Candidates = Sequence.Automatic ? Locations : QList<TLocationCandidate>{};
    const auto SwitchTo = [&](const QString &LocId, qint64 Now) {
        Policy.SwitchStarted();
        Current = LocId;
        Policy.SwitchFinished(Now);
    };
    int Next = 0;
    for (qint64 Now = 0; Now <= Sequence.End; Now += TickMs) {
        for (; Next < Sequence.Events.size() && Sequence.Events.at(Next).At <= Now; ++Next) {
            const TEvent &Event = Sequence.Events.at(Next);
            if (Event.HandLocId.isEmpty())
                Policy.Observe(Event.Network, Now);
            else
                SwitchTo(Event.HandLocId, Now);
        }
        const TAutoDecision Decision = Policy.Judge(Candidates, Current, Now);
        if (Decision.Action == TAutoDecision::Switch) {
            SwitchTo(Decision.LocId, Now);
            Done.append(QStringLiteral("%1@%2").arg(Decision.LocId).arg(Now));
        } else if (Decision.Action == TAutoDecision::Ask) {
            QStringList Tied;
            for (const TLocationMatch &Match : Decision.Tied)
                Tied.append(Match.LocId);
            Done.append(QStringLiteral("ask %1@%2").arg(Tied.join(',')).arg(Now));
        }
    }
    return Done;
}

class AutoSwitchPolicyTest : public testing::TestWithParam<TSequence>
{};

TEST_P(AutoSwitchPolicyTest, Replays) { EXPECT_EQ(Replay(GetParam()), GetParam().Expected); }

INSTANTIATE_TEST_SUITE_P(
    Sequences, AutoSwitchPolicyTest,
    testing::Values(
        TSequence{"LinkUpSwitchesOnceSettled", {See(0, None), See(1000, AtA)}, 8000, {"A@3000"}},
        TSequence{"FlappingLinkSwitchesOnce",
                  {See(0, AtA), See(500, None), See(900, AtA), See(1300, None), See(1700, AtA)},
                  8000,
                  {"A@3700"}},
        TSequence{"FlappingOnAJudgedNetworkChangesNothing",
                  {See(0, AtA), See(5000, None), See(5300, AtA), See(5600, None), See(5900, AtA)},
                  12000,
                  {"A@2000"}},
        TSequence{"MovingToAnotherNetworkSwitches",
                  {See(0, AtA), See(5000, None), See(5500, AtB)},
                  10000,
                  {"A@2000", "B@7500"}},
        TSequence{"HandChoiceStaysOnTheSameNetwork",
                  {See(0, AtA), Hand(3000, "B"), See(8000, None), See(8500, AtA)},
                  14000,
                  {"A@2000"}},
        TSequence{"HandChoiceEndsWhenTheNetworkChanges",
                  {See(0, AtA), Hand(3000, "B"), See(8000, None), See(11000, AtA)},
                  14000,
                  {"A@2000", "A@13000"}},
        TSequence{"HandChoiceBeforeTheFirstJudgementIsKept", {See(0, AtA), Hand(1000, "B")}, 10000, {}},
        TSequence{"WhatASwitchChangesCausesNoOtherSwitch",
                  {See(0, AtA), See(2300, AtALeased())},
                  10000,
                  {"A@2000"}},
        TSequence{"MovingRightAfterASwitchSwitchesAgain",
                  {See(0, AtA), See(2500, AtB)},
                  10000,
                  {"A@2000", "B@4500"}},
        TSequence{"TheMostSpecificMatchWins", {See(0, AtALeased())}, 6000, {"D@2000"}},
        TSequence{"NoMatchNothing", {See(0, Network({"02-00-00-00-00-0C"}))}, 6000, {}},
        TSequence{"TieAsksOnce", {See(0, AtBoth)}, 8000, {"ask A,B@2000"}},
        TSequence{"CurrentAmongTheTiedStays", {See(0, AtA), See(6000, AtBoth)}, 12000, {"A@2000"}},
        TSequence{"OffNothing", {See(0, AtA), See(5000, AtB)}, 10000, {}, false}),
    [](const testing::TestParamInfo<TSequence> &Info) { return std::string(Info.param.Name); });

TEST(AutoSwitchPolicy, NothingWaitsWhileASwitchRuns)
{
    TAutoSwitchPolicy Policy(Settle);
    EXPECT_EQ(Policy.JudgeAt(), -1);
    Policy.Observe(AtA, 100);
    EXPECT_EQ(Policy.JudgeAt(), 100 + Settle);
    Policy.SwitchStarted();
    EXPECT_EQ(Policy.JudgeAt(), -1);
    EXPECT_EQ(Policy.Judge(Locations, {}, 10000).Action, TAutoDecision::Nothing);
    Policy.SwitchFinished(500);
    EXPECT_EQ(Policy.JudgeAt(), 500 + Settle);
    const TAutoDecision Decision = Policy.Judge(Locations, {}, 500 + Settle);
    EXPECT_EQ(Decision.Action, TAutoDecision::Nothing);
    EXPECT_EQ(Policy.JudgeAt(), -1);
}

} // namespace
