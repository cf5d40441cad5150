#include "lantools/uNetRepaire.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
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
    const QDeadlineTimer deadline(30000);
    while (!QFile::exists(hostile) && !deadline.hasExpired())
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
    void TearDown() override
    {
        TNetRepaire::Shutdown();
        TNetRepaire::SetRepairInterval(DefaultIntervalMs);
    }

    // Waits, with a deadline only a stuck thread reaches, until the thread has made Count passes.
    static bool WaitForPasses(const TNetRepaire *Thread, int Count)
    {
        const QDeadlineTimer deadline(30000);
        while (Thread->Passes() < Count && !deadline.hasExpired())
            QThread::msleep(5);
        return Thread->Passes() >= Count;
    }

    static constexpr int DefaultIntervalMs = 1000;
    // Longer than any test: a thread told to sleep this long ends only when woken.
    static constexpr int NoNextPassMs = 24 * 60 * 60 * 1000;
};

TEST_F(NetRepaire, ASecondCallReplacesThePairOfTheOneThread)
{
    TNetRepaire::SetRepairInterval(5);
    TNetRepaire *first = TNetRepaire::getInstance("10.0.0.1", "", "lo");
    ASSERT_TRUE(WaitForPasses(first, 1));
    TNetRepaire *second = TNetRepaire::getInstance("10.0.0.2", "malformed", "wfl-other");
    EXPECT_EQ(first, second);
    const int passesBefore = second->Passes();
    EXPECT_TRUE(WaitForPasses(second, passesBefore + 2)) << "the same thread goes on, not a new one";
    EXPECT_TRUE(second->isRunning());
    EXPECT_EQ(second->GatewayIP(), "10.0.0.2");
    EXPECT_EQ(second->GatewayMAC(), "malformed");
    EXPECT_EQ(second->Interface(), "wfl-other");
}

TEST_F(NetRepaire, ShutdownWakesTheSleepingThreadInsteadOfWaitingForItsNextPass)
{
    TNetRepaire::SetRepairInterval(NoNextPassMs);
    TNetRepaire *thread = TNetRepaire::getInstance("10.0.0.1", "", "lo");
    ASSERT_TRUE(WaitForPasses(thread, 1));
    auto shutdown = std::async(std::launch::async, [] { TNetRepaire::Shutdown(); });
    EXPECT_EQ(shutdown.wait_for(std::chrono::seconds(30)), std::future_status::ready)
        << "still waiting for a pass a day away";
    // A thread that never woke would keep Shutdown waiting a day: end the test here then.
    if (shutdown.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
        std::fflush(stdout);
        std::_Exit(1);
    }
}

TEST_F(NetRepaire, StopAndUnbindEndsTheThreadSoTheNextCallStartsANewOne)
{
    TNetRepaire::SetRepairInterval(5);
    TNetRepaire *first = TNetRepaire::getInstance("10.0.0.1", "", "lo");
    ASSERT_TRUE(WaitForPasses(first, 2));
    EXPECT_TRUE(TNetRepaire::IsRunning());
    TNetRepaire::StopAndUnbind();
    EXPECT_FALSE(TNetRepaire::IsRunning());
    TNetRepaire::StopAndUnbind();
    TNetRepaire::SetRepairInterval(NoNextPassMs);
    TNetRepaire *next = TNetRepaire::getInstance("10.0.0.2", "", "lo");
    EXPECT_TRUE(next->isRunning());
    EXPECT_LE(next->Passes(), 1) << "a new thread counts its passes from none";
    EXPECT_EQ(next->GatewayIP(), "10.0.0.2");
}
