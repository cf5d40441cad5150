#include "platform/process/ProcessRunner.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <signal.h>

TEST(ProcessRunner, GivesExitStatusAndBothOutputs)
{
    const struct
    {
        QStringList args;
        int exitCode;
        const char *out, *err;
    } table[] = {
        {{"-c", "exit 0"}, 0, "", ""},
        {{"-c", "exit 1"}, 1, "", ""},
        {{"-c", "echo out; echo err >&2; exit 3"}, 3, "out\n", "err\n"},
        {{"-c", "cat"}, 0, "", ""}, // standard input is empty, not left open
    };
    TProcessRunner runner;
    for (const auto &row : table) {
        SCOPED_TRACE(row.args.join(' ').toStdString());
        const TProcessResult result = runner.Run("/bin/sh", row.args, 10000);
        EXPECT_TRUE(result.Finished) << result.Error.toStdString();
        EXPECT_EQ(result.ExitCode, row.exitCode);
        EXPECT_EQ(result.Succeeded(), row.exitCode == 0);
        EXPECT_EQ(result.StdOut, row.out);
        EXPECT_EQ(result.StdErr, row.err);
        EXPECT_TRUE(result.Error.isEmpty());
    }
    EXPECT_TRUE(runner.Run("true", {}, 10000).Succeeded()) << "found in PATH";
    EXPECT_EQ(runner.Run("false", {}, 10000).ExitCode, 1);
}

TEST(ProcessRunner, ArgumentsReachTheProgramAsTheyAre)
{
    const QString argument = QStringLiteral("a b; $HOME `id` 'q' \"*\"");
    const TProcessResult result =
        TProcessRunner().Run("/bin/sh", {"-c", "printf '%s|%s' \"$1\" \"$#\"", "sh", argument}, 10000);
    EXPECT_EQ(QString::fromUtf8(result.StdOut), argument + "|1");
}

TEST(ProcessRunner, AProgramStillRunningAtTheTimeLimitIsKilled)
{
    // It prints its process id, then would sleep for an hour.
    const TProcessResult result = TProcessRunner().Run("/bin/sh", {"-c", "echo $$; exec sleep 3600"}, 1000);
    EXPECT_FALSE(result.Finished);
    EXPECT_FALSE(result.Succeeded());
    EXPECT_TRUE(result.Error.contains("1000 ms")) << result.Error.toStdString();
    bool printed = false;
    const pid_t pid = QString::fromUtf8(result.StdOut).trimmed().toInt(&printed);
    ASSERT_TRUE(printed) << "what it printed is kept: " << result.StdOut.toStdString();
    EXPECT_EQ(kill(pid, 0), -1) << "the program is gone, not left running";
    EXPECT_EQ(errno, ESRCH);
}

TEST(ProcessRunner, AMissingOrCrashingProgramSaysWhy)
{
    const TProcessResult missing = TProcessRunner().Run("/nonexistent/program", {}, 5000);
    EXPECT_FALSE(missing.Finished);
    EXPECT_TRUE(missing.Error.contains("cannot start /nonexistent/program")) << missing.Error.toStdString();
    const TProcessResult crashed = TProcessRunner().Run("/bin/sh", {"-c", "kill -SEGV $$"}, 5000);
    EXPECT_FALSE(crashed.Finished);
    EXPECT_TRUE(crashed.Error.contains("crashed")) << crashed.Error.toStdString();
}
