#pragma once

#include <QString>
#include <cstdint>

// Random ids keying locations, folder shares and drive mappings. Ids hold only digits and
// upper-case letters, so they can be put into a quoted SQL literal without escaping.

// The 32-bit linear congruential generator behind GenerateId: every draw first steps the seed
// (seed * 134775813 + 1 modulo 2^32), then scales it into 0..N-1 by its upper bits.
class TRandom
{
public:
    explicit TRandom(quint32 Seed = 0) : FSeed(Seed) {}

    quint32 Seed() const { return FSeed; }
    void SetSeed(quint32 Value) { FSeed = Value; }

    // A draw in 0..N-1 (0 when N is 0).
    quint32 Next(quint32 N);

private:
    quint32 FSeed;
};

// The symbols of an id, indexed from 0: "1" is 0, "0" is 9, "A" is 10, "Z" is 35.
inline constexpr char IdAlphabet[] = "1234567890ABCDEFGHIJKLMNOPQRSTUVWXYZ";
inline constexpr int IdAlphabetSize = sizeof(IdAlphabet) - 1;

// Length symbols drawn from Random; empty for Length 0 or less.
QString GenerateIdFrom(TRandom &Random, int Length);

// A new id of Length symbols from the process-wide generator, reseeded from the clock on every
// call. Two calls never share a seed, so they never return the same id (for Length >= 8 distinct
// seeds always give distinct ids), even when the clock has not moved between them.
QString GenerateId(int Length);

// The clock GenerateId seeds from: a steady count of nanoseconds. Tests replace it to freeze
// time; the new clock's first reading is used as it is. Returns the previous clock.
using TIdClock = quint64 (*)();
TIdClock SetIdClock(TIdClock Clock);
