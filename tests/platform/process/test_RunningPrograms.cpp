#include "platform/process/RunningPrograms.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(RunningPrograms, FindsARunningProgramByItsNameUntilItEnds)
{
    QTemporaryDir Dir;
    const QString Program = Dir.filePath("wfl-probe");
    ASSERT_TRUE(QFile::copy("/bin/sleep", Program));
    QProcess Running;
    Running.start(Program, {"30"});
    ASSERT_TRUE(Running.waitForStarted());

    EXPECT_EQ(RunningProgramIds({"other", "wfl-probe"}), QList<qint64>{Running.processId()});
    EXPECT_TRUE(RunningProgramIds({"wfl-prob"}).isEmpty()) << "names compare whole";

    Running.kill();
    Running.waitForFinished();
    EXPECT_TRUE(RunningProgramIds({"wfl-probe"}).isEmpty());
}
