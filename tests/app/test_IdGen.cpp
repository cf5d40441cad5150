#include "app/IdGen.h"

#include <QSet>
#include <gtest/gtest.h>

namespace {

const QString Alphabet = QStringLiteral("1234567890ABCDEFGHIJKLMNOPQRSTUVWXYZ");

quint64 FrozenClock() { return 0x112345678ull; }

// Puts the real clock back whatever the test does.
class FrozenClockScope
{
public:
    FrozenClockScope() : FPrevious(SetIdClock(FrozenClock)) {}
    ~FrozenClockScope() { SetIdClock(FPrevious); }

private:
    TIdClock FPrevious;
};

} // namespace

TEST(IdGen, HasRequestedLengthFromAlphabet)
{
    for (int Length : {1, 8, 32, 100}) {
        const QString Id = GenerateId(Length);
        ASSERT_EQ(Id.size(), Length);
        for (QChar Symbol : Id)
            EXPECT_TRUE(Alphabet.contains(Symbol)) << Id.toStdString();
    }
}

TEST(IdGen, NonPositiveLengthGivesEmptyId)
{
    EXPECT_EQ(GenerateId(0), QString());
    EXPECT_EQ(GenerateId(-5), QString());
}

TEST(IdGen, GeneratorFollowsTheCongruentialSequence)
{
    TRandom Random(0);
    const quint32 Expected[][2] = {{1, 0}, {134775814, 31}, {3698175007u, 861}, {870078620, 202}};
    for (const auto &Step : Expected) {
        EXPECT_EQ(Random.Next(1000), Step[1]);
        EXPECT_EQ(Random.Seed(), Step[0]);
    }
}

TEST(IdGen, SymbolsIndexTheAlphabetInOrder)
{
    TRandom Random(0x12345678);
    EXPECT_EQ(GenerateIdFrom(Random, 32), QStringLiteral("SHUYWVMSCVP4MDY620HACQKG0RL7G54S"));
}

TEST(IdGen, SeedsFromLowBitsOfTheClock)
{
    FrozenClockScope Frozen;
    EXPECT_EQ(GenerateId(8), QStringLiteral("SHUYWVMS"));
}

TEST(IdGen, TwoCallsDifferWhenTheClockStandsStill)
{
    FrozenClockScope Frozen;
    const QString First = GenerateId(32);
    const QString Second = GenerateId(32);
    EXPECT_NE(First, Second);
    QSet<QString> Ids;
    for (int i = 0; i < 10000; ++i)
        Ids.insert(GenerateId(32));
    EXPECT_EQ(Ids.size(), 10000);
}

TEST(IdGen, IdsInATightLoopAreDistinct)
{
    QSet<QString> Ids;
    for (int i = 0; i < 20000; ++i)
        Ids.insert(GenerateId(32));
    EXPECT_EQ(Ids.size(), 20000);
}

TEST(IdGen, SymbolsAreEvenlySpread)
{
    // 36,000 symbols: about 1,000 of each, standard deviation about 31; a symbol that is
    // never or twice as often drawn falls far outside 800..1200.
    QHash<QChar, int> Counts;
    QSet<QChar> FirstSymbols;
    for (int i = 0; i < 1000; ++i) {
        const QString Id = GenerateId(36);
        FirstSymbols.insert(Id.front());
        for (QChar Symbol : Id)
            ++Counts[Symbol];
    }
    for (QChar Symbol : Alphabet) {
        EXPECT_GE(Counts.value(Symbol), 800) << QString(Symbol).toStdString();
        EXPECT_LE(Counts.value(Symbol), 1200) << QString(Symbol).toStdString();
    }
    EXPECT_GE(FirstSymbols.size(), 20);
}
