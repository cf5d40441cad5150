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
    EXPECT_EQ(command.Arguments,
              QStringList({"neigh", "replace", "192.168.0.1", "lladdr", "00:1A:2B:3C:4D:5E", "dev", "eth0",
                           "nud", "permanent", "protocol", "87"}));
}

TEST(ArpBindCommand, AnAddressWithShellCharactersStaysOneArgument)
{
    const QString hostile = "10.0.0.1; rm -rf / #$(reboot)";
    const TCommand command = ArpBindCommand(hostile, "00-1A-2B-3C-4D-5E", "eth0");
    EXPECT_EQ(command.Arguments.size(), 11);
    EXPECT_EQ(command.Arguments.at(2), hostile);
}

TEST(ArpUnbindCommand, DeletesTheEntryFromTheInterface)
{
    const TCommand command = ArpUnbindCommand("192.168.0.1", "eth0");
    EXPECT_EQ(command.Program, "ip");
    EXPECT_EQ(command.Arguments, QStringList({"neigh", "del", "192.168.0.1", "dev", "eth0"}));
}

TEST(StaticArpBinding, BindsOnlyOnTheInterfaceThatRoutesToTheAddress)
{
    for (const char *mac : {"02-00-00-0a-00-01", "02:00:00:0A:00:01", "0200000A0001"}) {
        const auto command = StaticArpBinding(" 127.0.0.1 ", mac, "lo");
        ASSERT_TRUE(command.has_value()) << mac;
        EXPECT_EQ(command->Arguments.at(2), "127.0.0.1");
        EXPECT_EQ(command->Arguments.at(4), "02:00:00:0A:00:01");
        EXPECT_EQ(command->Arguments.at(6), "lo");
    }
    EXPECT_FALSE(StaticArpBinding("127.0.0.1", "02-00-00-00-00-01", "wfl-elsewhere").has_value())
        << "the address routes through lo, not through the interface the binding was made for";
}

TEST(StaticArpBinding, MalformedInputGivesNoCommand)
{
    const struct
    {
        const char *Ip, *Mac, *Interface;
    } cases[] = {
        {"127.0.0.1", "", "lo"},
        {"127.0.0.1", "02-00-00-00-00", "lo"},
        {"127.0.0.1", "02-00-00-00-00-0G", "lo"},
        {"127.0.0.1", "02-00:00-00-00-01", "lo"},
        {"127.0.0.1", "-help", "lo"},
        {"127.0.0.1; reboot", "02-00-00-00-00-01", "lo"},
        {"", "02-00-00-00-00-01", "lo"},
        {"localhost", "02-00-00-00-00-01", "lo"},
        {"127.0.0.256", "02-00-00-00-00-01", "lo"},
        {"127.0.0.1", "02-00-00-00-00-01", ""},
    };
    for (const auto &c : cases)
        EXPECT_FALSE(StaticArpBinding(c.Ip, c.Mac, c.Interface).has_value())
            << c.Ip << " " << c.Mac << " " << c.Interface;
}

TEST(HostArpBinding, BindsOnTheInterfaceTheAddressRoutesThrough)
{
    QString error = "untouched";
    const auto command = HostArpBinding("127.0.0.5", "02-00-00-00-00-05", &error);
    ASSERT_TRUE(command.has_value());
    EXPECT_EQ(*command, ArpBindCommand("127.0.0.5", "02:00:00:00:00:05", "lo"));
    EXPECT_EQ(error, "untouched");
}

TEST(HostArpBinding, SaysWhyItGivesNoCommand)
{
    const struct
    {
        const char *Ip, *Mac, *Reason;
    } cases[] = {
        {"127.0.0.5", "", "\"\" is no MAC address"},
        {"127.0.0.5", "02-00-00-00-00", "\"02-00-00-00-00\" is no MAC address"},
        {"127.0.0.256", "02-00-00-00-00-05", "\"127.0.0.256\" is no IPv4 address"},
        {"", "02-00-00-00-00-05", "\"\" is no IPv4 address"},
    };
    for (const auto &c : cases) {
        QString error;
        EXPECT_FALSE(HostArpBinding(c.Ip, c.Mac, &error).has_value()) << c.Ip << " " << c.Mac;
        EXPECT_EQ(error, c.Reason);
    }
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

// Without a usable MAC the pass starts no binding, so these never touch the host's table.
class NetRepaire : public ::testing::Test
{
protected:
    void TearDown() override { TNetRepaire::Shutdown(); }
};

TEST_F(NetRepaire, ASecondCallReplacesThePairOfTheOneThread)
{
    TNetRepaire *first = TNetRepaire::getInstance("10.0.0.1", "", "lo");
    EXPECT_TRUE(first->isRunning());
    TNetRepaire *second = TNetRepaire::getInstance("10.0.0.2", "malformed", "wfl-other");
    EXPECT_EQ(first, second);
    EXPECT_EQ(second->GatewayIP(), "10.0.0.2");
    EXPECT_EQ(second->GatewayMAC(), "malformed");
    EXPECT_EQ(second->Interface(), "wfl-other");
}

TEST_F(NetRepaire, ShutdownWhileSleepingEndsWithinASecond)
{
    TNetRepaire::getInstance("10.0.0.1", "", "lo");
    QThread::msleep(100);
    QElapsedTimer timer;
    timer.start();
    TNetRepaire::Shutdown();
    EXPECT_LT(timer.elapsed(), 1000);
}

TEST_F(NetRepaire, StopAndUnbindEndsTheThreadSoTheNextCallStartsANewOne)
{
    TNetRepaire::getInstance("10.0.0.1", "", "lo");
    TNetRepaire::StopAndUnbind();
    TNetRepaire::StopAndUnbind();
    TNetRepaire *next = TNetRepaire::getInstance("10.0.0.2", "", "lo");
    EXPECT_TRUE(next->isRunning());
    EXPECT_EQ(next->GatewayIP(), "10.0.0.2");
}
