#include "app/IdGen.h"

#include <chrono>
#include <mutex>

namespace {

quint64 SteadyNanoseconds()
{
    const auto Now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<quint64>(std::chrono::duration_cast<std::chrono::nanoseconds>(Now).count());
}

std::mutex GeneratorLock;
TIdClock Clock = SteadyNanoseconds;
TRandom Generator;
quint64 LastTick = 0;
bool HasTicked = false;

// The clock reading, pushed past the previous one when the clock has not advanced: a repeated
// reading would repeat the seed and with it the whole id.
quint64 NextTick()
{
    quint64 Tick = Clock();
    if (HasTicked && Tick <= LastTick)
        Tick = LastTick + 1;
    LastTick = Tick;
    HasTicked = true;
    return Tick;
}

} // namespace

quint32 TRandom::Next(quint32 N)
{
    FSeed = FSeed * 134775813u + 1u;
    return static_cast<quint32>((static_cast<quint64>(FSeed) * N) >> 32);
}

QString GenerateIdFrom(TRandom &Random, int Length)
{
    QString Id;
    if (Length <= 0)
        return Id;
    Id.reserve(Length);
    for (int i = 0; i < Length; ++i)
        Id.append(QLatin1Char(IdAlphabet[Random.Next(IdAlphabetSize)]));
    return Id;
}

QString GenerateId(int Length)
{
    std::lock_guard<std::mutex> Guard(GeneratorLock);
    Generator.SetSeed(static_cast<quint32>(NextTick()));
    return GenerateIdFrom(Generator, Length);
}

TIdClock SetIdClock(TIdClock NewClock)
{
    std::lock_guard<std::mutex> Guard(GeneratorLock);
    const TIdClock Previous = Clock;
    Clock = NewClock;
    HasTicked = false; // a new clock has a time line of its own
    return Previous;
}
