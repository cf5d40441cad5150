#include "platform/process/ProcessRunner.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

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
    QElapsedTimer clock;
    clock.start();
    const TProcessResult result = TProcessRunner().Run("/bin/sh", {"-c", "echo started; exec sleep 30"}, 300);
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_FALSE(result.Finished);
    EXPECT_FALSE(result.Succeeded());
    EXPECT_TRUE(result.Error.contains("300 ms")) << result.Error.toStdString();
    EXPECT_EQ(result.StdOut, "started\n") << "what it printed is kept";
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
