#pragma once

#include "locations/AutoSwitchPolicy.h"

#include <QObject>
#include <QTimer>
#include <functional>

// Where the automatic switcher learns about the network.
class IFingerprintSource
{
public:
    using TDone = std::function<void(const TNetworkFingerprint &)>;

    virtual ~IFingerprintSource() = default;
    // Looks at the network and calls Done with what it saw, after returning or with the event
    // loop running meanwhile; one look at a time. A look pending when the source is destroyed
    // never calls Done.
    virtual void Read(TDone Done) = 0;
    // Calls Changed whenever the network may have changed.
    virtual void Watch(std::function<void()> Changed) = 0;
};

// Milliseconds of a steady clock.
using TMsClock = std::function<qint64()>;
TMsClock SteadyClock();

// Watches the network and switches to the location whose rules recognise it once it has
// settled (see TAutoSwitchPolicy). The switch itself, the list of candidates and what the user
// is told are the owner's, through the hooks.
class TAutoSwitcher : public QObject
{
public:
    struct THooks
    {
        // The locations that may be chosen now; none while automatic switching is off.
        std::function<QList<TLocationCandidate>()> Candidates;
        std::function<QString()> CurrentLocId;
        // Runs a whole switch (the event loop may run meanwhile); true when it succeeded.
        std::function<bool(const QString &LocId)> SwitchTo;
        // After an automatic switch: Previous is the location current before it; SettledMs the
        // time from the network's last change to the switch's end, SwitchMs the switch alone.
        std::function<void(const TAutoDecision &Decision, const QString &Previous, bool Switched,
                           qint64 SettledMs, qint64 SwitchMs)>
            Switched;
        // Several locations match equally well: the user chooses.
        std::function<void(const TAutoDecision &Decision)> Ask;
        // The network looks different from the last look.
        std::function<void(const TNetworkFingerprint &Network)> Changed;
    };

    TAutoSwitcher(IFingerprintSource &Source, THooks Hooks, qint64 SettleMs = 2000,
                  TMsClock Clock = SteadyClock(), QObject *Parent = nullptr);

    // Starts watching and takes a first look.
    void Start();
    // Every switch, also one by hand, goes between these: the network the switch leaves
    // behind is taken as it is, so a hand-chosen location stays until the network changes.
    void SwitchStarted();
    void SwitchFinished();

    const TAutoSwitchPolicy &Policy() const { return FPolicy; }

private:
    void RequestRead();
    void ReadNow();
    void Observed(const TNetworkFingerprint &Network);
    void ArmJudgement();
    void Judge();
    void Act(const TAutoDecision &Decision);

    IFingerprintSource &FSource;
    THooks FHooks;
    TMsClock FClock;
    TAutoSwitchPolicy FPolicy;
    QTimer FReadTimer;
    QTimer FJudgeTimer;
    bool FSeen = false;
    bool FReading = false;
    bool FReadAgain = false;
    bool FJudgeAfterRead = false;
};
