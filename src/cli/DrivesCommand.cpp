#include "cli/DrivesCommand.h"

#include "cli/CtlSupport.h"
#include "sharing/NetShare.h"

namespace {

void RestoreLogonDrives(TCtlContext &Context)
{
    QStringList Restored;
    QStringList Failures;
    RestoreDrives(&Restored, &Failures);
    for (const QString &Drive : std::as_const(Restored))
        Context.PrintRecord({Drive});
    if (!Failures.isEmpty())
        Fail(QStringLiteral("not restored: %1").arg(Failures.join(QStringLiteral("; "))));
}

} // namespace

TDrivesCommand::TDrivesCommand()
    : TCtlCommand(
          {.Name = "drives",
           .Help = {{"drives", "the network drives: drive, remote folder, local folder,\n"
                               "restored at logon (yes/no)"},
                    {"drives --restore", "connect the drives restored at logon again; prints each drive\n"
                                         "connected (the desktop's autostart runs this at login)"}},
           .NeedsData = false,
           .Option = "--restore"})
{}

void TDrivesCommand::Run(const QStringList &Args, TCtlContext &Context) const
{
    if (!Args.isEmpty()) {
        RestoreLogonDrives(Context);
        return;
    }
    QList<TDriveConnection> Drives;
    QString Reason;
    if (!ListDrives(Drives, &Reason))
        Fail(QStringLiteral("cannot list the drives: %1").arg(Reason));
    for (const TDriveConnection &Drive : std::as_const(Drives))
        Context.PrintRecord(
            {Drive.Drive, Drive.RemotePath, Drive.LocalPath, Drive.Persistent ? "yes" : "no"});
}
