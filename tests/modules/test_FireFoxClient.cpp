#include "modules/FireFoxProxy.h"

#include "platform/clientfiles/FirefoxProfile.h"
#include "support/DatabaseTest.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <QUuid>
#include <unistd.h>

namespace {

// The proxy on port 3128 and the site probe.test itself on port 80: each logs its port and the
// first line of every connection to the file it is given and answers at once, so that the
// browser's page loads and it ends; the page /slow is answered once the second file exists.
const char *const Listeners = R"(
import os, socket, sys, threading, time
log = open(sys.argv[1], 'a', buffering=1)
def serve(server, port):
    while True:
        client, _ = server.accept()
        client.settimeout(2)
        try:
            data = client.recv(4096)
        except OSError:
            data = b''
        log.write('%d %s\n' % (port, data.split(b'\r\n')[0].decode('latin-1')))
        if b' /slow' in data.split(b'\r\n')[0]:
            while not os.path.exists(sys.argv[2]):
                time.sleep(0.05)
        status = b'502 Bad Gateway' if data.startswith(b'CONNECT') else b'200 OK'
        client.sendall(b'HTTP/1.1 ' + status + b'\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok')
        client.close()
servers = []
for port in (3128, 80):
    server = socket.socket()
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind(('127.0.0.1', port))
    server.listen(16)
    servers.append(threading.Thread(target=serve, args=(server, port)))
log.write('listening\n')
for thread in servers:
    thread.start()
)";

int RunCommand(const QStringList &Args)
{
    QProcess Process;
    Process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    Process.setStandardOutputFile(QProcess::nullDevice());
    Process.start(Args.first(), Args.mid(1));
    if (!Process.waitForFinished(60000)) {
        Process.kill();
        Process.waitForFinished();
        return -1;
    }
    return Process.exitStatus() == QProcess::NormalExit ? Process.exitCode() : -1;
}

// The real Firefox in a network namespace of the test's own that routes nowhere: a veth pair
// with a link-local address (without one Firefox ignores the hosts file) and probe.test on
// loopback, where a proxy listener logs what reaches it.
class FireFoxClient : public TDatabaseTest
{
protected:
    void SetUp() override
    {
        TDatabaseTest::SetUp();
        WAYFAREL_REQUIRE_LAB(geteuid() == 0 && !QStandardPaths::findExecutable("firefox-esr").isEmpty() &&
                                 QFile::exists("/usr/bin/python3"),
                             "root, firefox-esr and python3 are needed");
        FNamespace = QStringLiteral("wfl-ff-%1").arg(getpid());
        for (const char *Command :
             {"netns add NS", "-n NS link set lo up", "-n NS link add w0 type veth peer name w1",
              "-n NS addr add 169.254.77.1/32 dev w0", "-n NS link set w0 up", "-n NS link set w1 up"})
            ASSERT_EQ(RunCommand(QStringList{"ip"} + QString(Command).replace("NS", FNamespace).split(' ')),
                      0)
                << Command;
        FHostsDir = "/etc/netns/" + FNamespace;
        QDir().mkpath(FHostsDir);
        QFile Hosts(FHostsDir + "/hosts");
        ASSERT_TRUE(Hosts.open(QIODevice::WriteOnly));
        Hosts.write("127.0.0.1 localhost\n127.0.0.1 probe.test\n");
        Hosts.close();
        FLog = FRoot.Path() + "/listener.log";
        FReleaseSlow = FRoot.Path() + "/release-slow";
        FListener.start(
            "ip", {"netns", "exec", FNamespace, "/usr/bin/python3", "-c", Listeners, FLog, FReleaseSlow});
        for (int Try = 0; Try < 100 && !LogText().contains("listening"); ++Try)
            QThread::msleep(50);
        ASSERT_TRUE(LogText().contains("listening"));
        // The first start makes the profile, as for a new user.
        ASSERT_EQ(Browse("about:blank"), 0);
    }
    void TearDown() override
    {
        if (FListener.state() != QProcess::NotRunning) {
            FListener.kill();
            FListener.waitForFinished();
        }
        if (!FNamespace.isEmpty()) {
            RunCommand({"ip", "netns", "del", FNamespace});
            QDir(FHostsDir).removeRecursively();
        }
        TDatabaseTest::TearDown();
    }

    // A page that never loads keeps the screenshot waiting: Seconds bounds it.
    int Browse(const QString &Url, int Seconds = 20)
    {
        return RunCommand({"ip", "netns", "exec", FNamespace, "timeout", QString::number(Seconds),
                           "firefox-esr", "--headless", "--screenshot", FRoot.Path() + "/shot.png", Url});
    }
    QString LogText() const
    {
        QFile File(FLog);
        return File.open(QIODevice::ReadOnly) ? QString::fromLatin1(File.readAll()) : QString();
    }
    static QString Nonce() { return QUuid::createUuid().toString(QUuid::Id128).left(12); }

    QString FNamespace;
    QString FHostsDir;
    QString FLog;
    QString FReleaseSlow;
    QProcess FListener;
};

} // namespace

TEST_F(FireFoxClient, GoesThroughTheProxyOfTheLocationAndDirectWithoutOne)
{
    ASSERT_TRUE(TFireFoxProxy::IsInstalled());
    auto Module = TCustomProxy::Create<TFireFoxProxy>("LOC1");
    Module->SetProxyType(3);
    Module->SetHttp("127.0.0.1:3128");
    Module->SetShareProxy(true);
    QStringList Reasons;
    ASSERT_TRUE(Module->Check(&Reasons)) << Reasons.join("; ").toStdString();
    ASSERT_TRUE(Module->ChangeTo()) << Module->LastError().toStdString();

    const QString Plain = Nonce();
    const QString Secure = Nonce();
    Browse("http://probe.test/" + Plain);
    // The error page after a refused CONNECT never finishes loading.
    Browse("https://s" + Secure + ".probe.test/", 8);
    EXPECT_TRUE(LogText().contains("3128 GET http://probe.test/" + Plain + " HTTP/1.1"))
        << LogText().toStdString();
    EXPECT_TRUE(LogText().contains("3128 CONNECT s" + Secure.toLower() + ".probe.test:443"))
        << LogText().toStdString();

    Module->SetProxyType(1);
    ASSERT_TRUE(Module->ChangeTo()) << Module->LastError().toStdString();
    const QString Direct = Nonce();
    Browse("http://probe.test/" + Direct);
    EXPECT_TRUE(LogText().contains("80 GET /" + Direct + " HTTP/1.1")) << LogText().toStdString();
    EXPECT_FALSE(LogText().contains("3128 GET http://probe.test/" + Direct)) << LogText().toStdString();
}

TEST_F(FireFoxClient, ARunningFirefoxTakesTheProxyAtItsNextStart)
{
    // A page the site holds keeps Firefox running; once the test lets the answer go Firefox ends
    // by itself and writes its preferences back as it goes.
    QProcess Running;
    Running.setStandardOutputFile(QProcess::nullDevice());
    Running.setStandardErrorFile(QProcess::nullDevice());
    Running.start("ip", {"netns", "exec", FNamespace, "timeout", "20", "firefox-esr", "--headless",
                         "--screenshot", FRoot.Path() + "/running.png", "http://probe.test/slow"});
    // Firefox has read its preferences once the page is asked for.
    for (int Try = 0; Try < 200 && !LogText().contains("80 GET /slow"); ++Try)
        QThread::msleep(50);
    ASSERT_TRUE(LogText().contains("80 GET /slow")) << LogText().toStdString();
    ASSERT_TRUE(FirefoxHoldsProfile(FirefoxProfileDir()));

    auto Module = TCustomProxy::Create<TFireFoxProxy>("LOC1");
    Module->SetProxyType(3);
    Module->SetHttp("127.0.0.1:3128");
    ASSERT_TRUE(Module->ChangeTo()) << Module->LastError().toStdString();
    EXPECT_TRUE(Module->Changes().join("; ").contains("restart"));
    ASSERT_TRUE(QFile(FReleaseSlow).open(QIODevice::WriteOnly));
    ASSERT_TRUE(Running.waitForFinished(30000));

    const QString Plain = Nonce();
    Browse("http://probe.test/" + Plain);
    EXPECT_TRUE(LogText().contains("3128 GET http://probe.test/" + Plain + " HTTP/1.1"))
        << LogText().toStdString();

    // Stopped, Firefox gets the switch in prefs.js alone and the block of user.js goes.
    Module->SetProxyType(1);
    ASSERT_TRUE(Module->ChangeTo()) << Module->LastError().toStdString();
    EXPECT_FALSE(Module->Changes().join("; ").contains("restart"));
    const QString Direct = Nonce();
    Browse("http://probe.test/" + Direct);
    EXPECT_TRUE(LogText().contains("80 GET /" + Direct + " HTTP/1.1")) << LogText().toStdString();
}
