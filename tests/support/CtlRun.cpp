#include "support/CtlRun.h"

#include "support/TestRoot.h"

#include <QProcess>

TCtlRun RunCtl(const QStringList &Args, const QProcessEnvironment &Env, int TimeoutMs)
{
    return RunCtlProgram(WAYFAREL_BIN_DIR "/wayfarelctl", Args, Env, false, TimeoutMs);
}

TCtlRun RunCtlProgram(const QString &Program, const QStringList &Args, const QProcessEnvironment &Env,
                      bool Unprivileged, int TimeoutMs)
{
    QProcess Process;
    Process.setProcessEnvironment(Env);
    if (Unprivileged)
        Process.setChildProcessModifier(DropRootPrivileges);
    Process.start(Program, Args);
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
