#pragma once

#include "locations/NetworkFingerprint.h"

#include <QList>
#include <QString>
#include <optional>

// What the automatic switcher does once a network has settled.
struct TAutoDecision
{
    enum TAction {
        Nothing, // no match, the current location matches best, or the network was judged already
        Switch,  // one location matches best: LocId
        Ask,     // several match equally well: Tied
    };

    TAction Action = Nothing;
    QString LocId;
    QList<TLocationMatch> Tied;
    // Every match, most specific first.
    QList<TLocationMatch> Matches;
};

// When to judge the network and what to do then, with time passed in (milliseconds of any
// steady clock), so sequences of events can be replayed. A network is judged once, after it
// has looked the same for the settle time. After any switch, by hand or automatic, the network
// it leaves is taken as it is without judging while it is still the same place (the same links,
// access points and gateway MACs; addresses, leases and domains may differ), so a switch never
// causes the next one and a location chosen by hand stays until the network changes.
class TAutoSwitchPolicy
{
public:
    explicit TAutoSwitchPolicy(qint64 SettleMs = 2000) : FSettleMs(SettleMs) {}

    // What the network looks like at Now; a change restarts the settle time.
    void Observe(const TNetworkFingerprint &Network, qint64 Now);
    // When the network will have settled; -1 while a switch runs or nothing waits to be judged.
    qint64 JudgeAt() const;
    // Judges the network when it has settled by Now: Candidates are the locations that may be
    // chosen (none while automatic switching is off), CurrentLocId the current location.
    TAutoDecision Judge(const QList<TLocationCandidate> &Candidates, const QString &CurrentLocId, qint64 Now);

    // A switch to any location began, or ended at Now.
    void SwitchStarted();
    void SwitchFinished(qint64 Now);

    // The network as last observed, and when it last changed.
    const TNetworkFingerprint &Network() const { return FNetwork; }
    qint64 ChangedAt() const { return FChangedAt; }
    qint64 SettleMs() const { return FSettleMs; }

private:
    bool WaitsForJudgement() const { return FAdopting || !FJudged || !(*FJudged == FNetwork); }

    qint64 FSettleMs;
    TNetworkFingerprint FNetwork;
    qint64 FChangedAt = 0;
    bool FObserved = false;
    std::optional<TNetworkFingerprint> FJudged;
    TNetworkFingerprint FSwitchedFrom;
    bool FAdopting = false;
    bool FSwitching = false;
};
