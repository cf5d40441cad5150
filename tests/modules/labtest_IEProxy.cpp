// A switch with wayfarelctl sets the desktop proxy that GIO programs really use: a GIO client
// in a namespace of the test's own, which routes nowhere, reaches a proxy listener of the test's
// own for a proxied host, and goes direct for a bypassed host and a location without a proxy.
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
#include <QUuid>

namespace {

const TModuleTable NoModules;
const QString ProxyId = "PR0XY00000000000000000000000000A";
const QString DirectId = "D1RECT0000000000000000000000000B";
const int ListenerPort = 3128;

// Logs what every connection sends: the request head, then (after answering it as a proxy that
// opened the tunnel) the first bytes sent through the tunnel.
const char *const Listener = R"(
import socket, sys
log = open(sys.argv[1], 'a', buffering=1)
s = socket.socket()
s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(('127.0.0.1', int(sys.argv[2])))
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
const char *const Client = R"(
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
            {"ip", "-n", Ns, "addr", "add", "169.254.77.1/32", "dev", "w0"},
            {"ip", "-n", Ns, "link", "set", "w0", "up"},
            {"ip", "-n", Ns, "link", "set", "w1", "up"}};
        for (const QStringList &Step : Steps)
            if (TLab::Run(Step).ExitCode != 0)
                return false;
        QDir().mkpath("/etc/netns/" + Ns);
        QFile Hosts("/etc/netns/" + Ns + "/hosts");
        return Hosts.open(QIODevice::WriteOnly) &&
               Hosts.write("127.0.0.1 localhost probe.test bypass.test\n") > 0;
    }

    void StartListener()
    {
        FListener.start("ip", {"netns", "exec", FNamespace, "/usr/bin/python3", "-c", Listener, LogFile(),
                               QString::number(ListenerPort)});
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
        Proxy->SetHttp(QStringLiteral("127.0.0.1:%1").arg(ListenerPort));
        Proxy->SetSecure("0.0.0.0:");
        Proxy->SetNoProxies("<local>;bypass.test");
        EXPECT_TRUE(Proxy->Save()) << Proxy->LastError().toStdString();
    }

    TLab::TRunResult Python(const QStringList &Args) const
    {
        return TLab::Run(QStringList{"/usr/bin/python3"} + Args);
    }

    // Runs the GIO client in the namespace, with the desktop and the settings a GNOME session of
    // the test's user has; true when the listener saw the request.
    bool ReachesListener(const QString &Host)
    {
        const QString Nonce = QUuid::createUuid().toString(QUuid::Id128);
        const TLab::TRunResult Run =
            TLab::Run({"ip", "netns", "exec", FNamespace, "env", "XDG_CURRENT_DESKTOP=GNOME",
                       "GSETTINGS_BACKEND=keyfile", "XDG_CONFIG_HOME=" + FRoot.Path() + "/config",
                       "HOME=" + FRoot.Path() + "/home", "timeout", "20", "/usr/bin/python3", "-c", Client,
                       "http://" + Host + "/", Nonce});
        EXPECT_EQ(Run.ExitCode, 0) << Run.Output.toStdString();
        return Logged().contains("GET /" + Nonce);
    }

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
    EXPECT_TRUE(ReachesListener("probe.test")) << Logged().toStdString();
    EXPECT_TRUE(Logged().contains("CONNECT probe.test:80")) << Logged().toStdString();
    EXPECT_FALSE(ReachesListener("bypass.test")) << Logged().toStdString();

    const TCtlRun ToDirect = Switch("Direct");
    ASSERT_EQ(ToDirect.Code, 0) << ToDirect.Err.toStdString();
    EXPECT_FALSE(ReachesListener("probe.test")) << Logged().toStdString();

    const TCtlRun Back = Switch("Proxied");
    ASSERT_EQ(Back.Code, 0) << Back.Err.toStdString();
    EXPECT_TRUE(ReachesListener("probe.test")) << Logged().toStdString();
}
