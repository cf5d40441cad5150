#include "support/SambaLab.h"

#include "support/Lab.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A process of a session as /proc shows it.
struct TMember
{
    pid_t Pid = 0;
    pid_t Parent = 0;
    bool Zombie = false;
};

// The processes of session Sid, zombies included.
QList<TMember> SessionMembers(pid_t Sid)
{
    QList<TMember> Members;
    QDirIterator Proc("/proc", QDir::Dirs | QDir::NoDotAndDotDot);
    while (Proc.hasNext()) {
        const QString Entry = Proc.next();
        bool IsPid = false;
        const pid_t Pid = Proc.fileName().toInt(&IsPid);
        QFile Stat(Entry + "/stat");
        if (!IsPid || !Stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray Text = Stat.readAll();
        // After the command's closing parenthesis: state, ppid, pgrp, session, ...
        const QList<QByteArray> Fields = Text.mid(Text.lastIndexOf(')') + 2).split(' ');
        if (Fields.size() > 3 && Fields.at(3).toInt() == Sid)
            Members.append({Pid, pid_t(Fields.at(1).toInt()), Fields.at(0) == "Z"});
    }
    return Members;
}

// Reaps what was handed to this process; true when nothing of the session is left.
bool ReapOrphans(pid_t Session)
{
    for (const TMember &Member : SessionMembers(Session))
        if (Member.Parent == ::getpid())
            ::waitpid(Member.Pid, nullptr, WNOHANG);
    return SessionMembers(Session).isEmpty();
}

bool Listening(const char *Address, quint16 Port)
{
    const int Fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in Peer{};
    Peer.sin_family = AF_INET;
    Peer.sin_port = htons(Port);
    ::inet_pton(AF_INET, Address, &Peer.sin_addr);
    const bool Connected = ::connect(Fd, reinterpret_cast<sockaddr *>(&Peer), sizeof Peer) == 0;
    ::close(Fd);
    return Connected;
}

void OpenToGuests(const QString &Path) { ::chmod(QFile::encodeName(Path).constData(), 0755); }

} // namespace

bool TSessionProgram::Start(const QString &Program, const QStringList &Args)
{
    FProcess.setChildProcessModifier([] { ::setsid(); });
    FProcess.start(Program, Args);
    return FProcess.waitForStarted();
}

void TSessionProgram::Stop()
{
    if (FProcess.state() == QProcess::NotRunning)
        return;
    const pid_t Leader = pid_t(FProcess.processId());
    FProcess.terminate();
    if (!FProcess.waitForFinished(3000)) {
        FProcess.kill();
        FProcess.waitForFinished();
    }
    for (const int Signal : {SIGTERM, SIGKILL}) {
        for (const TMember &Member : SessionMembers(Leader))
            if (!Member.Zombie)
                ::kill(Member.Pid, Signal);
        if (TLab::WaitFor([&] { return ReapOrphans(Leader); }, 3000))
            break;
    }
}

const QString TSambaLab::Password = QStringLiteral("lab-secret");

TSambaLab::TSambaLab(const QString &Folder, const QStringList &Addresses)
    : FFolder(Folder), FAddresses(Addresses)
{}

bool TSambaLab::Start()
{
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
    FStarted = true;
    return StartServer() && StartSession();
}

void TSambaLab::Stop()
{
    if (!FStarted)
        return;
    FBus.Stop();
    FServer.Stop();
    // A FUSE mount whose daemon went away without unmounting would keep the folder.
    RunWithInput("fusermount3", {"-u", "-z", qEnvironmentVariable("XDG_RUNTIME_DIR") + "/gvfs"});
    FStarted = false;
}

QString TSambaLab::Path(const QString &Relative) const { return QDir(FFolder).filePath(Relative); }

QString TSambaLab::MakeFolder(const QString &Name, const QList<QPair<QString, QByteArray>> &Files) const
{
    const QString Folder = Path(Name);
    QDir().mkpath(Folder);
    OpenToGuests(Folder);
    for (const auto &[File, Text] : Files) {
        QFile Out(QDir(Folder).filePath(File));
        if (Out.open(QIODevice::WriteOnly))
            Out.write(Text);
    }
    return Folder;
}

int TSambaLab::LogCount(const QString &Text) const
{
    QFile Log(Path("state/log.smbd"));
    return Log.open(QIODevice::ReadOnly) ? int(QString::fromUtf8(Log.readAll()).count(Text)) : -1;
}

bool TSambaLab::Fail(const QString &Reason)
{
    FError = Reason;
    return false;
}

bool TSambaLab::StartServer()
{
    QDir Root(FFolder);
    for (const char *Sub : {"state", "usershares"})
        Root.mkpath(Sub);
    // Guests are served as nobody, who must reach the shared folders.
    for (QDir Up(FFolder); !Up.isRoot(); Up.cdUp())
        if (Up.path().startsWith(QDir::tempPath() + '/'))
            OpenToGuests(Up.path());
    // smbd reads usershares only from a root-owned folder with the sticky bit.
    ::chmod(QFile::encodeName(Path("usershares")).constData(), 01770);
    QFile Conf(this->Conf());
    if (!Conf.open(QIODevice::WriteOnly))
        return Fail("cannot write " + Conf.fileName());
    Conf.write(QStringLiteral("[global]\n"
                              "interfaces = %2\nbind interfaces only = yes\n"
                              "smb ports = 445\ndisable netbios = yes\nserver role = standalone server\n"
                              "map to guest = Bad User\nload printers = no\nprintcap name = /dev/null\n"
                              "disable spoolss = yes\nlog file = %1/state/log.smbd\nlogging = file\n"
                              "log level = 1 auth_audit:3\n"
                              "state directory = %1/state\nlock directory = %1/state\n"
                              "cache directory = %1/state\npid directory = %1/state\n"
                              "private dir = %1/state\nncalrpc dir = %1/state/ncalrpc\n"
                              "binddns dir = %1/state/binddns\n"
                              "passdb backend = tdbsam:%1/state/passdb.tdb\n"
                              "usershare path = %1/usershares\nusershare max shares = 100\n"
                              "usershare allow guests = yes\nusershare owner only = no\n")
                   .arg(FFolder, FAddresses.join(' '))
                   .toUtf8());
    Conf.close();
    qputenv("SMB_CONF_PATH", QFile::encodeName(this->Conf()));
    if (RunWithInput("smbpasswd", {"-c", this->Conf(), "-s", "-a", "root"},
                     (Password + '\n' + Password + '\n').toUtf8()) != 0)
        return Fail("smbpasswd could not add root");
    if (!FServer.Start("smbd", {"--foreground", "--no-process-group", "-s", this->Conf()}))
        return Fail("smbd did not start");
    for (const QString &Address : std::as_const(FAddresses))
        if (!TLab::WaitFor([&] { return Listening(Address.toLatin1().constData(), 445); }, 10000))
            return Fail("smbd does not listen on " + Address + ":445");
    return true;
}

// The bus hands its environment to GVFS, and this process reads the same.
bool TSambaLab::StartSession()
{
    qputenv("GIO_USE_VOLUME_MONITOR", "unix");
    qputenv("GVFS_REMOTE_VOLUME_MONITOR_IGNORE", "1");
    if (!FBus.Start("dbus-daemon", {"--session", "--nofork", "--print-address=1"}) ||
        !FBus.Process().waitForReadyRead(5000))
        return Fail("the session bus did not start");
    qputenv("DBUS_SESSION_BUS_ADDRESS", FBus.Process().readLine().trimmed());
    return true;
}

int RunWithInput(const QString &Program, const QStringList &Args, const QByteArray &Input)
{
    QProcess Process;
    Process.start(Program, Args);
    Process.write(Input);
    Process.closeWriteChannel();
    if (!Process.waitForFinished(20000)) {
        Process.kill();
        Process.waitForFinished();
        return -1;
    }
    return Process.exitStatus() == QProcess::NormalExit ? Process.exitCode() : -1;
}
