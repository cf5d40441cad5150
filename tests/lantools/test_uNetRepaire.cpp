#include "lantools/uNetRepaire.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

TEST(ArpBindCommand, IsAPermanentNeighbourEntryWithColonSeparatedMac)
{
    const TCommand command = ArpBindCommand("192.168.0.1", "00-1A-2B-3C-4D-5E", "eth0");
    EXPECT_EQ(command.Program, "ip");
    EXPECT_EQ(command.Arguments, QStringList({"neigh", "replace", "192.168.0.1", "lladdr",
                                              "00:1A:2B:3C:4D:5E", "dev", "eth0", "nud", "permanent"}));
}

TEST(ArpBindCommand, AnAddressWithShellCharactersStaysOneArgument)
{
    const QString hostile = "10.0.0.1; rm -rf / #$(reboot)";
    const TCommand command = ArpBindCommand(hostile, "00-1A-2B-3C-4D-5E", "eth0");
    EXPECT_EQ(command.Arguments.size(), 9);
    EXPECT_EQ(command.Arguments.at(2), hostile);
}

TEST(StaticArpBinding, UsesTheInterfaceThatRoutesToTheAddress)
{
    const auto command = StaticArpBinding("127.0.0.1", "02-00-00-00-00-01");
    ASSERT_TRUE(command.has_value());
    EXPECT_EQ(command->Arguments.at(6), "lo");
    EXPECT_EQ(command->Arguments.at(4), "02:00:00:00:00:01");
}

TEST(StaticArpBinding, MalformedInputGivesNoCommand)
{
    const struct
    {
        const char *Ip, *Mac;
    } cases[] = {
        {"127.0.0.1", ""},
        {"127.0.0.1", "02-00-00-00-00"},
        {"127.0.0.1", "02-00-00-00-00-0G"},
        {"127.0.0.1", "02-00:00-00-00-01"},
        {"127.0.0.1", "-help"},
        {"127.0.0.1; reboot", "02-00-00-00-00-01"},
        {"", "02-00-00-00-00-01"},
        {"localhost", "02-00-00-00-00-01"},
        {"127.0.0.256", "02-00-00-00-00-01"},
    };
    for (const auto &c : cases)
        EXPECT_FALSE(StaticArpBinding(c.Ip, c.Mac).has_value()) << c.Ip << " " << c.Mac;
}

TEST(RunHidden, PassesArgumentsWithoutAShell)
{
    QTemporaryDir dir;
    const QString victim = dir.filePath("victim");
    // Through a shell this would also create victim; as one argument it is one nested path.
    const QString hostile = dir.filePath("a; touch ") + victim;
    ASSERT_TRUE(RunHidden({"mkdir", {"-p", hostile}}));
    QElapsedTimer timer;
    timer.start();
    while (!QFile::exists(hostile) && timer.elapsed() < 5000)
        QThread::msleep(10);
    EXPECT_TRUE(QFile::exists(hostile));
    EXPECT_FALSE(QFile::exists(victim));
}

TEST(RunHidden, AMissingProgramIsReportedAsNotStarted)
{
    EXPECT_FALSE(RunHidden({"/nonexistent/wayfarel-no-such-program", {}}));
}

// Without a usable MAC the pass starts no binding, so this never touches the host's table.
class NetRepaire : public ::testing::Test
{
protected:
    void TearDown() override { TNetRepaire::Shutdown(); }
};

TEST_F(NetRepaire, ASecondCallReplacesThePairOfTheOneThread)
{
    TNetRepaire *first = TNetRepaire::getInstance("10.0.0.1", "");
    EXPECT_TRUE(first->isRunning());
    TNetRepaire *second = TNetRepaire::getInstance("10.0.0.2", "malformed");
    EXPECT_EQ(first, second);
    EXPECT_EQ(second->GatewayIP(), "10.0.0.2");
    EXPECT_EQ(second->GatewayMAC(), "malformed");
}

TEST_F(NetRepaire, ShutdownWhileSleepingEndsWithinASecond)
{
    TNetRepaire::getInstance("10.0.0.1", "");
    QThread::msleep(100);
    QElapsedTimer timer;
    timer.start();
    TNetRepaire::Shutdown();
    EXPECT_LT(timer.elapsed(), 1000);
}
