#include "support/TestUser.h"

#include <QProcess>
#include <grp.h>

TTestUser::TTestUser(QString Name) : FName(std::move(Name))
{
    FMadeGroup = ::getgrnam("netdev") == nullptr && RunsOk({"groupadd", "--system", "netdev"});
    FMadeUser = RunsOk({"useradd", "--no-create-home", "--no-user-group", "--gid", "nogroup", "--shell",
                        "/usr/sbin/nologin", FName});
}

TTestUser::~TTestUser()
{
    if (FMadeUser)
        RunsOk({"userdel", FName});
    if (FMadeGroup)
        RunsOk({"groupdel", "netdev"});
}

bool TTestUser::IsMade() const { return FMadeUser && ::getgrnam("netdev") != nullptr; }

bool RunsOk(const QStringList &Command)
{
    QProcess process;
    process.start(Command.first(), Command.mid(1));
    return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

TUserRun RunAsUser(const QString &User, const QStringList &Groups, const QStringList &Command,
                   const QString &Namespace, const QString &WorkingDirectory)
{
    QStringList args{"--reuid", User, "--regid", "nogroup"};
    args << (Groups.isEmpty() ? QStringList{"--clear-groups"} : QStringList{"--groups", Groups.join(',')});
    args << "--inh-caps=-all"
         << "/usr/bin/env" << Command;
    if (!Namespace.isEmpty())
        args = QStringList{"netns", "exec", Namespace, "setpriv"} + args;
    QProcess process;
    if (!WorkingDirectory.isEmpty())
        process.setWorkingDirectory(WorkingDirectory);
    process.start(Namespace.isEmpty() ? "setpriv" : "ip", args);
    TUserRun run;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.Code = process.exitCode();
    run.Out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.Err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}
