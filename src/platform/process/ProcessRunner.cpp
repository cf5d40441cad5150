#include "platform/process/ProcessRunner.h"

#include <QProcess>

TProcessResult TProcessRunner::Run(const QString &program, const QStringList &args, int timeoutMs)
{
    TProcessResult result;
    QProcess process;
    process.start(program, args);
    if (!process.waitForStarted(timeoutMs)) {
        result.Error = QStringLiteral("cannot start %1: %2").arg(program, process.errorString());
        return result;
    }
    process.closeWriteChannel();
    const bool ended = process.waitForFinished(timeoutMs);
    if (!ended) {
        process.kill();
        process.waitForFinished();
        result.Error = QStringLiteral("%1 did not finish within %2 ms").arg(program).arg(timeoutMs);
    } else if (process.exitStatus() == QProcess::CrashExit) {
        result.Error = QStringLiteral("%1 crashed").arg(program);
    } else {
        result.Finished = true;
        result.ExitCode = process.exitCode();
    }
    result.StdOut = process.readAllStandardOutput();
    result.StdErr = process.readAllStandardError();
    return result;
}
