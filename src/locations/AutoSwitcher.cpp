#include "locations/AutoSwitcher.h"

#include <chrono>
#include <utility>

namespace {

// Signals come in bursts while a link comes up; one look after the burst is enough.
constexpr int ReadDelayMs = 200;

} // namespace

TMsClock SteadyClock()
{
    return [] {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    };
}

TAutoSwitcher::TAutoSwitcher(IFingerprintSource &Source, THooks Hooks, qint64 SettleMs, TMsClock Clock,
                             QObject *Parent)
    : QObject(Parent), FSource(Source), FHooks(std::move(Hooks)), FClock(std::move(Clock)), FPolicy(SettleMs)
{
    FReadTimer.setSingleShot(true);
    FReadTimer.setInterval(ReadDelayMs);
    FJudgeTimer.setSingleShot(true);
    connect(&FReadTimer, &QTimer::timeout, this, &TAutoSwitcher::ReadNow);
    connect(&FJudgeTimer, &QTimer::timeout, this, &TAutoSwitcher::Judge);
}

void TAutoSwitcher::Start()
{
    FSource.Watch([this] { RequestRead(); });
    ReadNow();
}

void TAutoSwitcher::SwitchStarted()
{
    FPolicy.SwitchStarted();
    FJudgeTimer.stop();
}

void TAutoSwitcher::SwitchFinished()
{
    FPolicy.SwitchFinished(FClock());
    RequestRead();
}

void TAutoSwitcher::RequestRead()
{
    if (!FReadTimer.isActive())
        FReadTimer.start();
}

void TAutoSwitcher::ReadNow()
{
    if (FReading) {
        FReadAgain = true;
        return;
    }
    FReading = true;
    FSource.Read([this](const TNetworkFingerprint &Network) { Observed(Network); });
}

void TAutoSwitcher::Observed(const TNetworkFingerprint &Network)
{
    FReading = false;
    const bool Differs = !std::exchange(FSeen, true) || !(Network == FPolicy.Network());
    FPolicy.Observe(Network, FClock());
    if (Differs && FHooks.Changed)
        FHooks.Changed(Network);
    if (std::exchange(FReadAgain, false)) {
        ReadNow();
        return;
    }
    if (std::exchange(FJudgeAfterRead, false) && FPolicy.JudgeAt() >= 0 && FPolicy.JudgeAt() <= FClock())
        Act(FPolicy.Judge(FHooks.Candidates(), FHooks.CurrentLocId(), FClock()));
    ArmJudgement();
}

void TAutoSwitcher::ArmJudgement()
{
    const qint64 At = FPolicy.JudgeAt();
    if (At < 0) {
        FJudgeTimer.stop();
        return;
    }
    FJudgeTimer.start(static_cast<int>(std::max<qint64>(0, At - FClock())));
}

// A last look first: a change that sent no signal must not be judged as the old network.
void TAutoSwitcher::Judge()
{
    FJudgeAfterRead = true;
    ReadNow();
}

void TAutoSwitcher::Act(const TAutoDecision &Decision)
{
    if (Decision.Action == TAutoDecision::Ask && FHooks.Ask)
        FHooks.Ask(Decision);
    if (Decision.Action != TAutoDecision::Switch)
        return;
    const QString Previous = FHooks.CurrentLocId();
    const qint64 ChangedAt = FPolicy.ChangedAt();
    const qint64 Started = FClock();
    SwitchStarted();
    const bool Switched = FHooks.SwitchTo(Decision.LocId);
    SwitchFinished();
    const qint64 Finished = FClock();
    if (FHooks.Switched)
        FHooks.Switched(Decision, Previous, Switched, Finished - ChangedAt, Finished - Started);
}
