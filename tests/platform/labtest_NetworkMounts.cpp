#include "QtPrint.h"
#include "platform/NetworkMounts.h"
#include "platform/UserShares.h"
#include "support/Lab.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

// smbd on the loopback of the lab's client namespace serves two usershares; GVFS runs under a
// session bus of the test's own, with a private HOME and runtime folder, as a desktop session
// would run it. Everything started here runs in a session of its own and is stopped by id.

namespace {

const QString Password = QStringLiteral("lab-secret");

// A process of a session as /proc shows it.
struct TMember
{
    pid_t Pid = 0;
    pid_t Parent = 0;
    bool Zombie = false;
};

// The processes of session sid, zombies included.
QList<TMember> SessionMembers(pid_t sid)
{
    QList<TMember> members;
    QDirIterator proc("/proc", QDir::Dirs | QDir::NoDotAndDotDot);
    while (proc.hasNext()) {
        const QString entry = proc.next();
        bool isPid = false;
        const pid_t pid = proc.fileName().toInt(&isPid);
        QFile stat(entry + "/stat");
        if (!isPid || !stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = stat.readAll();
        // After the command's closing parenthesis: state, ppid, pgrp, session, ...
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 3 && fields.at(3).toInt() == sid)
            members.append({pid, pid_t(fields.at(1).toInt()), fields.at(0) == "Z"});
    }
    return members;
}

// A program started as the leader of a new session, so that everything it starts (smbd's
// workers, the bus's activated services) can be found and stopped by id. This process is a
// subreaper, so whatever the leader leaves behind comes back here to be reaped.
class TSessionProgram
{
public:
    bool Start(const QString &program, const QStringList &args)
    {
        FProcess.setChildProcessModifier([] { ::setsid(); });
        FProcess.start(program, args);
        return FProcess.waitForStarted();
    }
    QProcess &Process() { return FProcess; }

    // The leader first, so that it can stop its own; then whatever is left of its session.
    void Stop()
    {
        if (FProcess.state() == QProcess::NotRunning)
            return;
        const pid_t leader = pid_t(FProcess.processId());
        FProcess.terminate();
        if (!FProcess.waitForFinished(3000)) {
            FProcess.kill();
            FProcess.waitForFinished();
        }
        for (const int signal : {SIGTERM, SIGKILL}) {
            for (const TMember &member : SessionMembers(leader)) {
                if (!member.Zombie)
                    ::kill(member.Pid, signal);
            }
            if (TLab::WaitFor([&] { return ReapOrphans(leader); }, 3000))
                break;
        }
    }

private:
    // Reaps what was handed to this process; true when nothing of the session is left.
    static bool ReapOrphans(pid_t session)
    {
        for (const TMember &member : SessionMembers(session)) {
            if (member.Parent == ::getpid())
                ::waitpid(member.Pid, nullptr, WNOHANG);
        }
        return SessionMembers(session).isEmpty();
    }

    QProcess FProcess;
};

bool Listening(const char *address, quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port);
    ::inet_pton(AF_INET, address, &peer.sin_addr);
    const bool connected = ::connect(fd, reinterpret_cast<sockaddr *>(&peer), sizeof peer) == 0;
    ::close(fd);
    return connected;
}

int RunWithInput(const QString &program, const QStringList &args, const QByteArray &input = {})
{
    QProcess process;
    process.start(program, args);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(20000)) {
        process.kill();
        process.waitForFinished();
        return -1;
    }
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

QString ReadText(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll())
                                          : QStringLiteral("(unreadable)");
}

// The listed mount of share on 127.0.0.1; empty when it is not mounted.
TNetworkMount FindMount(TGioNetworkMounts &mounts, const QString &share)
{
    QList<TNetworkMount> listed;
    EXPECT_TRUE(mounts.List(listed)) << mounts.LastError().toStdString();
    for (const TNetworkMount &mount : listed) {
        if (mount.Uri.compare("smb://127.0.0.1/" + share + '/', Qt::CaseInsensitive) == 0)
            return mount;
    }
    return {};
}

class NetworkMounts : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        if (!TLab::IsUp())
            return;
        ::prctl(PR_SET_CHILD_SUBREAPER, 1);
        FRoot = new QTemporaryDir;
        FReady = StartServer() && StartSession();
    }
    static void TearDownTestSuite()
    {
        if (!FRoot)
            return;
        for (TSessionProgram *program : {FBus, FServer}) {
            if (program)
                program->Stop();
            delete program;
        }
        FBus = FServer = nullptr;
        // A FUSE mount whose daemon went away without unmounting would keep the folder.
        RunWithInput("fusermount3", {"-u", "-z", Path("runtime/gvfs")});
        delete FRoot;
        FRoot = nullptr;
    }
    void SetUp() override
    {
        WAYFAREL_REQUIRE_LAB_UP();
        ASSERT_TRUE(FReady) << FSetupError.toStdString();
    }

    static QString Path(const QString &relative) { return QDir(FRoot->path()).filePath(relative); }

    static inline QTemporaryDir *FRoot = nullptr;
    static inline TSessionProgram *FServer = nullptr;
    static inline TSessionProgram *FBus = nullptr;
    static inline bool FReady = false;
    static inline QString FSetupError;

private:
    static bool SetupFailed(const QString &reason)
    {
        FSetupError = reason;
        return false;
    }

    static bool StartServer()
    {
        QDir root(FRoot->path());
        for (const char *folder : {"state", "usershares", "public", "private"})
            root.mkpath(folder);
        // Guests are served as nobody, who must reach the shared folder.
        for (const QString &folder : {FRoot->path(), Path("public")})
            ::chmod(QFile::encodeName(folder).constData(), 0755);
        // smbd reads usershares only from a root-owned folder with the sticky bit.
        ::chmod(QFile::encodeName(Path("usershares")).constData(), 01770);
        QFile conf(Path("smb.conf"));
        conf.open(QIODevice::WriteOnly);
        conf.write(QStringLiteral("[global]\n"
                                  "interfaces = lo\nbind interfaces only = yes\nsmb ports = 445\n"
                                  "disable netbios = yes\nserver role = standalone server\n"
                                  "map to guest = Bad User\nload printers = no\nprintcap name = /dev/null\n"
                                  "disable spoolss = yes\nlog file = %1/state/log.%m\nlogging = file\n"
                                  "state directory = %1/state\nlock directory = %1/state\n"
                                  "cache directory = %1/state\npid directory = %1/state\n"
                                  "private dir = %1/state\nncalrpc dir = %1/state/ncalrpc\n"
                                  "binddns dir = %1/state/binddns\n"
                                  "passdb backend = tdbsam:%1/state/passdb.tdb\n"
                                  "usershare path = %1/usershares\nusershare max shares = 100\n"
                                  "usershare allow guests = yes\nusershare owner only = no\n")
                       .arg(FRoot->path())
                       .toUtf8());
        conf.close();
        for (const auto &[file, text] : {std::pair{"public/hello.txt", "hello from the public share\n"},
                                         std::pair{"private/secret.txt", "only with a password\n"}}) {
            QFile out(Path(file));
            out.open(QIODevice::WriteOnly);
            out.write(text);
        }

        TNetUserShares shares(Path("smb.conf"));
        if (!shares.Add("Public", Path("public"), "files for everyone"))
            return SetupFailed("usershare Public: " + shares.LastError());
        if (RunWithInput("net", {"-s", Path("smb.conf"), "usershare", "add", "--", "Private", Path("private"),
                                 "for root", "S-1-1-0:F", "guest_ok=n"}) != 0)
            return SetupFailed("usershare Private could not be added");
        if (RunWithInput("smbpasswd", {"-c", Path("smb.conf"), "-s", "-a", "root"},
                         (Password + '\n' + Password + '\n').toUtf8()) != 0)
            return SetupFailed("smbpasswd could not add root");

        FServer = new TSessionProgram;
        if (!FServer->Start("smbd", {"--foreground", "--no-process-group", "-s", Path("smb.conf")}))
            return SetupFailed("smbd did not start");
        if (!TLab::WaitFor([] { return Listening("127.0.0.1", 445); }, 10000))
            return SetupFailed("smbd does not listen on 127.0.0.1:445");
        return true;
    }

    static bool StartSession()
    {
        QDir root(FRoot->path());
        root.mkpath("home");
        root.mkpath("runtime");
        QFile::setPermissions(Path("runtime"),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        // The bus hands its environment to GVFS, and this process reads the same.
        const QList<QPair<const char *, QString>> session = {{"HOME", Path("home")},
                                                             {"XDG_RUNTIME_DIR", Path("runtime")},
                                                             {"GIO_USE_VOLUME_MONITOR", "unix"},
                                                             {"GVFS_REMOTE_VOLUME_MONITOR_IGNORE", "1"}};
        for (const auto &[name, value] : session)
            qputenv(name, value.toLocal8Bit());
        FBus = new TSessionProgram;
        if (!FBus->Start("dbus-daemon", {"--session", "--nofork", "--print-address=1"}) ||
            !FBus->Process().waitForReadyRead(5000))
            return SetupFailed("the session bus did not start");
        qputenv("DBUS_SESSION_BUS_ADDRESS", FBus->Process().readLine().trimmed());
        return true;
    }
};

} // namespace

TEST_F(NetworkMounts, AGuestMountShowsTheSharesFilesUntilItIsUnmounted)
{
    TGioNetworkMounts mounts;
    ASSERT_TRUE(mounts.Mount("smb://127.0.0.1/Public", {})) << mounts.LastError().toStdString();
    const TNetworkMount mount = FindMount(mounts, "Public");
    ASSERT_FALSE(mount.Uri.isEmpty()) << "not listed after mounting";
    EXPECT_EQ(ReadText(mount.LocalPath + "/hello.txt"), "hello from the public share\n")
        << mount.LocalPath.toStdString();
    EXPECT_TRUE(mounts.Mount("smb://127.0.0.1/Public", {}))
        << "mounted already counts as done: " << mounts.LastError().toStdString();

    ASSERT_TRUE(mounts.Unmount("smb://127.0.0.1/Public", false)) << mounts.LastError().toStdString();
    EXPECT_TRUE(FindMount(mounts, "Public").Uri.isEmpty());
    EXPECT_FALSE(mounts.Unmount("smb://127.0.0.1/Public", false));
    EXPECT_THAT(mounts.LastError().toStdString(), testing::HasSubstr("not mounted"));
}

TEST_F(NetworkMounts, APasswordShareTakesItsUserAndRefusesGuestsAndWrongPasswords)
{
    TGioNetworkMounts mounts;
    EXPECT_FALSE(mounts.Mount("smb://127.0.0.1/Private", {}));
    EXPECT_THAT(mounts.LastError().toStdString(),
                testing::StartsWith("Cannot mount smb://127.0.0.1/Private: "));

    EXPECT_FALSE(mounts.Mount("smb://127.0.0.1/Private", {"root", "", "wrong"}));
    EXPECT_EQ(mounts.LastError(),
              "Cannot mount smb://127.0.0.1/Private: the server refused the user name or password");

    ASSERT_TRUE(mounts.Mount("smb://127.0.0.1/Private", {"root", "WORKGROUP", Password}))
        << mounts.LastError().toStdString();
    const TNetworkMount mount = FindMount(mounts, "Private");
    EXPECT_EQ(ReadText(mount.LocalPath + "/secret.txt"), "only with a password\n");
    EXPECT_TRUE(mounts.Unmount("smb://127.0.0.1/Private", true)) << mounts.LastError().toStdString();
}

TEST_F(NetworkMounts, AShareTheServerDoesNotHaveFailsWithGvfsReason)
{
    TGioNetworkMounts mounts;
    EXPECT_FALSE(mounts.Mount("smb://127.0.0.1/Nothing", {}));
    EXPECT_THAT(mounts.LastError().toStdString(),
                testing::StartsWith("Cannot mount smb://127.0.0.1/Nothing: "));
    EXPECT_TRUE(FindMount(mounts, "Nothing").Uri.isEmpty());
}

TEST_F(NetworkMounts, AServerThatNeverAnswersIsGivenUpAfterTheTimeout)
{
    // A listener that takes connections and never speaks.
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(445);
    ::inet_pton(AF_INET, "127.0.0.2", &address.sin_addr);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 4), 0);

    TGioNetworkMounts mounts(1500);
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(mounts.Mount("smb://127.0.0.2/Silent", {}));
    EXPECT_EQ(mounts.LastError(), "Mounting smb://127.0.0.2/Silent did not finish within 1.5 s");
    EXPECT_LT(timer.elapsed(), 5000);
    ::close(listener);
}
