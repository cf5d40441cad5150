// A switch with wayfarelctl sets the desktop proxy that GIO and KDE programs really use: a real
// client in a namespace of the test's own, which routes nowhere, reaches a proxy listener of the
// test's own for a proxied host, and goes direct for a bypassed host and a location without a
// proxy.
#include "adapters/IpAddress.h"
#include "app/DBManager.h"
#include "locations/Location.h"
#include "modules/IEProxy.h"
#include "support/CtlRun.h"
#include "support/Lab.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QUuid>

namespace {

const TModuleTable NoModules;
const QString ProxyId = "PR0XY00000000000000000000000000A";
const QString DirectId = "D1RECT0000000000000000000000000B";
// The namespace's one address besides loopback: KIO matches the resolved address of a host
// against the bypass list, where <local> takes all of 127.0.0.0/8.
const QString ListenerAddress = QStringLiteral("169.254.77.1");
const int ListenerPort = 3128;

// Logs what every connection sends: the request head, then (after answering it as a proxy that
// opened the tunnel) the first bytes sent through the tunnel.
const char *const Listener = R"(
import socket, sys
log = open(sys.argv[1], 'a', buffering=1)
s = socket.socket()
s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind((sys.argv[2], int(sys.argv[3])))
s.listen(8)
print('ready', flush=True)
while True:
    c, _ = s.accept()
    c.settimeout(3)
    try:
        head = b''
        while b'\r\n\r\n' not in head:
            d = c.recv(4096)
            if not d:
                break
            head += d
        log.write(head.decode(errors='replace'))
        c.sendall(b'HTTP/1.0 200 Connection established\r\n\r\n')
        log.write(c.recv(4096).decode(errors='replace'))
    except Exception as e:
        log.write('error %s\n' % e)
    c.close()
)";

// Connects to a URI the way GIO programs do, sends a request naming the nonce and waits for
// the answer; prints "connected" or "failed".
const char *const GioClient = R"(
import sys
from gi.repository import Gio
client = Gio.SocketClient()
client.set_timeout(5)
try:
    conn = client.connect_to_uri(sys.argv[1], 80, None)
    conn.get_output_stream().write_all(('GET /%s HTTP/1.0\r\n\r\n' % sys.argv[2]).encode(), None)
    conn.get_input_stream().read_bytes(64, None)
    print('connected')
except Exception as e:
    print('failed', e)
)";

// Fetches the URL through KIO, then stops the kded5 that KIO started on the session bus.
const char *const KioClient = R"(
kioclient5 cat "$1" >/dev/null 2>&1
pid=$(dbus-send --session --print-reply --dest=org.freedesktop.DBus / \
      org.freedesktop.DBus.GetConnectionUnixProcessID string:org.kde.kded5 2>/dev/null | awk '/uint32/{print $2}')
[ -z "$pid" ] || kill "$pid"
exit 0
)";

class IEProxyLab : public ::testing::Test
{
protected:
    void SetUp() override
    {
        WAYFAREL_REQUIRE_LAB_UP();
        WAYFAREL_REQUIRE_LAB(QFile::exists("/usr/bin/python3") && Python({"-c", "import gi"}).ExitCode == 0,
                             "python3-gi is needed for the GIO client");
        FNamespace = QStringLiteral("wfie%1").arg(QCoreApplication::applicationPid());
        ASSERT_TRUE(MakeNamespace());
        StartListener();
        InitConnectionString(FRoot.DataFolder());
        SetLocationConnection(GetConnection());
        StoreLocation(ProxyId, "Proxied", true);
        StoreLocation(DirectId, "Direct", false);
        CloseConnection();
    }

    void TearDown() override
    {
        if (FListener.state() != QProcess::NotRunning) {
            FListener.kill();
            FListener.waitForFinished();
        }
        if (!FNamespace.isEmpty()) {
            TLab::Run({"ip", "netns", "del", FNamespace});
            QDir("/etc/netns/" + FNamespace).removeRecursively();
        }
        if (TLab::IsUp())
            TLab::Run({"nmcli", "connection", "down", TLab::Value("DHCP_PROFILE")});
    }

    // Loopback and a link-local address on a veth pair with no route: host names resolve from
    // the namespace's hosts file, and nothing leaves it.
    bool MakeNamespace()
    {
        const QString Ns = FNamespace;
        const QList<QStringList> Steps{
            {"ip", "netns", "add", Ns},
            {"ip", "-n", Ns, "link", "set", "lo", "up"},
            {"ip", "-n", Ns, "link", "add", "w0", "type", "veth", "peer", "name", "w1"},
            {"ip", "-n", Ns, "addr", "add", ListenerAddress + "/32", "dev", "w0"},
            {"ip", "-n", Ns, "link", "set", "w0", "up"},
            {"ip", "-n", Ns, "link", "set", "w1", "up"}};
        for (const QStringList &Step : Steps)
            if (TLab::Run(Step).ExitCode != 0)
                return false;
        QDir().mkpath("/etc/netns/" + Ns);
        QFile Hosts("/etc/netns/" + Ns + "/hosts");
        return Hosts.open(QIODevice::WriteOnly) &&
               Hosts.write(ListenerAddress.toLatin1() + " probe.test bypass.test\n") > 0;
    }

    void StartListener()
    {
        FListener.start("ip", {"netns", "exec", FNamespace, "/usr/bin/python3", "-c", Listener, LogFile(),
                               ListenerAddress, QString::number(ListenerPort)});
        ASSERT_TRUE(FListener.waitForReadyRead(10000)) << "the proxy listener did not start";
    }

    QString LogFile() const { return FRoot.Path() + "/listener.log"; }

    QString Logged() const
    {
        QFile Log(LogFile());
        return Log.open(QIODevice::ReadOnly) ? QString::fromUtf8(Log.readAll()) : QString();
    }

    static void StoreLocation(const QString &Id, const QString &Name, bool ThroughProxy)
    {
        TLocation Location(Id, NoModules);
        Location.SetLocName(Name);
        Location.SetNetId("{" + TLab::Value("DHCP_UUID").toUpper() + "}");
        Location.Save();
        TIPAddress &Ip = *Location.IpAddress();
        Ip.SetEnableDHCP(true);
        Ip.SetAutoGetDNS(true);
        EXPECT_TRUE(Ip.Save()) << Ip.LastError().toStdString();
        const auto Proxy = TCustomProxy::Create<TIEProxy>(Id);
        Proxy->SetEnableProxy(ThroughProxy);
        Proxy->SetHttp(QStringLiteral("%1:%2").arg(ListenerAddress).arg(ListenerPort));
        Proxy->SetSecure("0.0.0.0:");
        Proxy->SetNoProxies("<local>;bypass.test");
        EXPECT_TRUE(Proxy->Save()) << Proxy->LastError().toStdString();
    }

    TLab::TRunResult Python(const QStringList &Args) const
    {
        return TLab::Run(QStringList{"/usr/bin/python3"} + Args);
    }

    // Runs Command in the namespace with the environment of the test's user; true when the
    // listener saw the request that names Nonce.
    bool ReachesListener(const QString &Nonce, const QStringList &Environment, const QStringList &Command)
    {
        const QStringList User{"HOME=" + FRoot.Path() + "/home",
                               "XDG_CONFIG_HOME=" + FRoot.Path() + "/config",
                               "XDG_RUNTIME_DIR=" + FRoot.Path() + "/runtime"};
        const TLab::TRunResult Run = TLab::Run(QStringList{"ip", "netns", "exec", FNamespace, "env"} + User +
                                                   Environment + QStringList{"timeout", "30"} + Command,
                                               40000);
        EXPECT_EQ(Run.ExitCode, 0) << Run.Output.toStdString();
        return Logged().contains(Nonce);
    }

    // A GIO program on a GNOME desktop, whose GSettings are the keyfile the switch wrote.
    bool GioReaches(const QString &Host)
    {
        const QString Nonce = NewNonce();
        return ReachesListener(Nonce, {"XDG_CURRENT_DESKTOP=GNOME", "GSETTINGS_BACKEND=keyfile"},
                               {"/usr/bin/python3", "-c", GioClient, "http://" + Host + "/", Nonce});
    }

    // kioclient5 on a session bus of its own; the kded5 it starts there is stopped by its pid.
    bool KioReaches(const QString &Host)
    {
        const QString Nonce = NewNonce();
        return ReachesListener(
            Nonce, {"QT_QPA_PLATFORM=offscreen"},
            {"dbus-run-session", "--", "sh", "-c", KioClient, "sh", "http://" + Host + "/" + Nonce});
    }

    static QString NewNonce() { return QUuid::createUuid().toString(QUuid::Id128); }

    TCtlRun Switch(const QString &Name) { return RunCtl({"--data", FRoot.DataFolder(), "switch", Name}); }

    TTestRoot FRoot;
    QString FNamespace;
    QProcess FListener;
};

} // namespace

TEST_F(IEProxyLab, GioProgramsFollowTheSwitchedProxy)
{
    const TCtlRun ToProxy = Switch("Proxied");
    ASSERT_EQ(ToProxy.Code, 0) << ToProxy.Err.toStdString();
    EXPECT_TRUE(GioReaches("probe.test")) << Logged().toStdString();
    EXPECT_TRUE(Logged().contains("CONNECT probe.test:80")) << Logged().toStdString();
    EXPECT_FALSE(GioReaches("bypass.test")) << Logged().toStdString();

    const TCtlRun ToDirect = Switch("Direct");
    ASSERT_EQ(ToDirect.Code, 0) << ToDirect.Err.toStdString();
    EXPECT_FALSE(GioReaches("probe.test")) << Logged().toStdString();

    const TCtlRun Back = Switch("Proxied");
    ASSERT_EQ(Back.Code, 0) << Back.Err.toStdString();
    EXPECT_TRUE(GioReaches("probe.test")) << Logged().toStdString();
}

TEST_F(IEProxyLab, KdeProgramsFollowTheSwitchedProxy)
{
    WAYFAREL_REQUIRE_LAB(QFile::exists("/usr/bin/kioclient5") && QFile::exists("/usr/bin/dbus-run-session"),
                         "kioclient5 (kde-cli-tools) and dbus-run-session are needed");
    const TCtlRun ToProxy = Switch("Proxied");
    ASSERT_EQ(ToProxy.Code, 0) << ToProxy.Err.toStdString();
    EXPECT_TRUE(KioReaches("probe.test")) << Logged().toStdString();
    EXPECT_TRUE(Logged().contains(QRegularExpression("GET http://probe.test/[0-9a-f]+ HTTP")))
        << Logged().toStdString();

    const TCtlRun ToDirect = Switch("Direct");
    ASSERT_EQ(ToDirect.Code, 0) << ToDirect.Err.toStdString();
    EXPECT_FALSE(KioReaches("probe.test")) << Logged().toStdString();
}
