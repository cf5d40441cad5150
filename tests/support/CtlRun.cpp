#include "support/CtlRun.h"

#include <QProcess>

TCtlRun RunCtl(const QStringList &Args, const QProcessEnvironment &Env, int TimeoutMs)
{
    QProcess Process;
    Process.setProcessEnvironment(Env);
    Process.start(WAYFAREL_BIN_DIR "/wayfarelctl", Args);
    TCtlRun Result;
    if (!Process.waitForFinished(TimeoutMs) || Process.exitStatus() != QProcess::NormalExit) {
        Result.Err = Process.errorString();
        return Result;
    }
    Result.Code = Process.exitCode();
    Result.Out = QString::fromUtf8(Process.readAllStandardOutput());
    Result.Err = QString::fromUtf8(Process.readAllStandardError());
    return Result;
}
