// A switch with wayfarelctl sets the proxy the real aMule uses: amuled, in a loopback-only
// namespace of the test's own, reaches its ed2k server (an address no route leads to) through
// the test's listener with the protocol the location chose, and sends the listener nothing after
// a switch to a location without a proxy.
#include "adapters/IpAddress.h"
#include "app/DBManager.h"
#include "locations/Location.h"
#include "modules/eMuleProxy.h"
#include "platform/clientfiles/IniFile.h"
#include "support/CtlRun.h"
#include "support/Lab.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QtEndian>

namespace {

const TModuleTable NoModules;
const int ListenerPort = 1080;
// The ed2k server of server.met: on the wire as 64 40 00 0a, port 4661 as 12 35.
const QByteArray ServerAddress("\x64\x40\x00\x0a", 4);
const quint16 ServerPort = 4661;

// Logs the first bytes of every connection as hex, one line each, and closes it.
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
        log.write(c.recv(256).hex() + '\n')
    except OSError as e:
        log.write('error %s\n' % e)
    c.close()
)";

// The locations: a name and eMule's proxy type (0 with the proxy off).
const QList<QPair<QString, int>> Locations{
    {"SOCKS4", 1}, {"SOCKS4a", 2}, {"SOCKS5", 3}, {"HTTP", 5}, {"Direct", 0}};

class eMuleProxyLab : public ::testing::Test
{
protected:
    void SetUp() override
    {
        WAYFAREL_REQUIRE_LAB_UP();
        WAYFAREL_REQUIRE_LAB(!QStandardPaths::findExecutable("amuled").isEmpty() &&
                                 QFile::exists("/usr/bin/python3"),
                             "amuled (amule-daemon) and python3 are needed");
        FNamespace = QStringLiteral("wfam%1").arg(QCoreApplication::applicationPid());
        ASSERT_EQ(TLab::Run({"ip", "netns", "add", FNamespace}).ExitCode, 0);
        ASSERT_EQ(TLab::Run({"ip", "-n", FNamespace, "link", "set", "lo", "up"}).ExitCode, 0);
        FListener.start("ip", {"netns", "exec", FNamespace, "/usr/bin/python3", "-c", Listener, LogFile(),
                               QString::number(ListenerPort)});
        ASSERT_TRUE(FListener.waitForReadyRead(10000)) << "the proxy listener did not start";
        MakeAMuleHome();
        InitConnectionString(FRoot.DataFolder());
        SetLocationConnection(GetConnection());
        for (const auto &[Name, Type] : Locations)
            StoreLocation(Name, Type);
        CloseConnection();
    }

    void TearDown() override
    {
        StopAMule();
        if (FListener.state() != QProcess::NotRunning) {
            FListener.kill();
            FListener.waitForFinished();
        }
        if (!FNamespace.isEmpty())
            TLab::Run({"ip", "netns", "del", FNamespace});
        if (TLab::IsUp())
            TLab::Run({"nmcli", "connection", "down", TLab::Value("DHCP_PROFILE")});
    }

    // aMule's own first start makes ~/.aMule and amule.conf (and ends: remote control is off);
    // then remote control on (amuled needs it), no Kad, LAN addresses allowed, and one server.
    void MakeAMuleHome()
    {
        RunAMule();
        ASSERT_TRUE(FAMule.waitForFinished(30000)) << AMuleOutput().toStdString();
        ASSERT_TRUE(QFile::exists(TeMuleProxy::AMuleConfigFile())) << AMuleOutput().toStdString();
        TIniFile Config(TeMuleProxy::AMuleConfigFile());
        ASSERT_TRUE(Config.Load()) << Config.LastError().toStdString();
        Config.WriteString("ExternalConnect", "AcceptExternalConnections", "1");
        Config.WriteString("ExternalConnect", "ECPassword",
                           QCryptographicHash::hash("wayfarel", QCryptographicHash::Md5).toHex());
        Config.WriteString("eMule", "ConnectToKad", "0");
        Config.WriteString("eMule", "FilterLanIPs", "0");
        Config.WriteString("eMule", "Autoconnect", "1");
        ASSERT_TRUE(Config.Save()) << Config.LastError().toStdString();

        QByteArray ServerList("\x0e", 1);
        ServerList += QByteArray("\x01\x00\x00\x00", 4) + ServerAddress;
        ServerList += QByteArray("\x35\x12", 2) + QByteArray(4, '\0');
        QFile Servers(AMuleDir() + "/server.met");
        ASSERT_TRUE(Servers.open(QIODevice::WriteOnly) && Servers.write(ServerList) == ServerList.size());
    }

    static void StoreLocation(const QString &Name, int ProxyType)
    {
        const QString Id = (Name + QString(32, '0')).left(32).toUpper();
        TLocation Location(Id, NoModules);
        Location.SetLocName(Name);
        Location.SetNetId("{" + TLab::Value("DHCP_UUID").toUpper() + "}");
        Location.Save();
        TIPAddress &Ip = *Location.IpAddress();
        Ip.SetEnableDHCP(true);
        Ip.SetAutoGetDNS(true);
        EXPECT_TRUE(Ip.Save()) << Ip.LastError().toStdString();
        const auto Proxy = TCustomProxy::Create<TeMuleProxy>(Id);
        Proxy->SetEnableProxy(ProxyType != 0);
        Proxy->SetProxyType(ProxyType == 0 ? 3 : ProxyType);
        Proxy->SetServer("127.0.0.1");
        Proxy->SetPort(ListenerPort);
        EXPECT_TRUE(Proxy->Save()) << Proxy->LastError().toStdString();
    }

    static QString AMuleDir() { return QFileInfo(TeMuleProxy::AMuleConfigFile()).absolutePath(); }

    void RunAMule()
    {
        FAMule.setProcessChannelMode(QProcess::MergedChannels);
        FAMule.setStandardOutputFile(FRoot.Path() + "/amuled.out");
        FAMule.start("ip", {"netns", "exec", FNamespace, "amuled", "--log-stdout"});
        ASSERT_TRUE(FAMule.waitForStarted());
    }

    void StopAMule()
    {
        if (FAMule.state() == QProcess::NotRunning)
            return;
        FAMule.terminate();
        if (!FAMule.waitForFinished(10000)) {
            FAMule.kill();
            FAMule.waitForFinished();
        }
    }

    QString AMuleOutput() const { return ReadText(FRoot.Path() + "/amuled.out"); }
    QString AMuleLog() const { return ReadText(AMuleDir() + "/logfile"); }
    QString LogFile() const { return FRoot.Path() + "/listener.log"; }
    // The listener keeps the file open: it is emptied, not removed.
    void ClearLog() const { QFile::resize(LogFile(), 0); }
    QStringList Logged() const { return ReadText(LogFile()).split('\n', Qt::SkipEmptyParts); }

    static QString ReadText(const QString &FileName)
    {
        QFile File(FileName);
        return File.open(QIODevice::ReadOnly) ? QString::fromUtf8(File.readAll()) : QString();
    }

    TCtlRun Switch(const QString &Name)
    {
        return RunCtl({"--data", FRoot.DataFolder(), "--verbose", "switch", Name});
    }

    TTestRoot FRoot;
    QString FNamespace;
    QProcess FListener;
    QProcess FAMule;
};

} // namespace

TEST_F(eMuleProxyLab, AMuleConnectsThroughTheProxyWithTheProtocolTheLocationChose)
{
    const QByteArray Port = QByteArray::number(ServerPort, 16).rightJustified(4, '0');
    const struct
    {
        const char *Location;
        QByteArray Greeting; // hex
    } Cases[] = {
        // Version 4, CONNECT, the server's port and address.
        {"SOCKS4", "0401" + Port + ServerAddress.toHex()},
        // SOCKS4a: the address 0.0.0.1, the host name follows.
        {"SOCKS4a", "0401" + Port + "00000001"},
        // Version 5, one method: none.
        {"SOCKS5", "050100"},
        {"HTTP", QByteArray("CONNECT 100.64.0.10:4661 HTTP/1.1").toHex()},
    };
    for (const auto &Case : Cases) {
        const TCtlRun Switched = Switch(Case.Location);
        ASSERT_EQ(Switched.Code, 0) << Switched.Err.toStdString();
        EXPECT_TRUE(Switched.Err.contains("amule.conf")) << Switched.Err.toStdString();
        ClearLog();
        RunAMule();
        const bool Reached = TLab::WaitFor([this] { return !Logged().isEmpty(); }, 20000);
        StopAMule();
        ASSERT_TRUE(Reached) << Case.Location << " reached nothing\n" << AMuleLog().toStdString();
        EXPECT_TRUE(Logged().constFirst().startsWith(QString::fromLatin1(Case.Greeting)))
            << Case.Location << ": " << Logged().join("\n").toStdString();
    }
}

TEST_F(eMuleProxyLab, AMuleSendsNothingToTheProxyAfterASwitchToALocationWithoutOne)
{
    ASSERT_EQ(Switch("SOCKS5").Code, 0);
    const TCtlRun Switched = Switch("Direct");
    ASSERT_EQ(Switched.Code, 0) << Switched.Err.toStdString();
    ClearLog();
    QFile::remove(AMuleDir() + "/logfile");
    RunAMule();
    // aMule says so once its direct connection to the server has failed.
    EXPECT_TRUE(TLab::WaitFor([this] { return AMuleLog().contains("will retry"); }, 20000))
        << AMuleLog().toStdString();
    StopAMule();
    EXPECT_TRUE(AMuleLog().contains("Connecting to Server 100.64.0.10")) << AMuleLog().toStdString();
    EXPECT_TRUE(Logged().isEmpty()) << Logged().join("\n").toStdString();
}

TEST_F(eMuleProxyLab, ASwitchWhileAMuleRunsSaysToRestartIt)
{
    RunAMule();
    ASSERT_TRUE(TLab::WaitFor([this] { return AMuleLog().contains("Connecting"); }, 20000))
        << AMuleLog().toStdString();
    const TCtlRun Switched = Switch("SOCKS5");
    StopAMule();
    ASSERT_EQ(Switched.Code, 0) << Switched.Err.toStdString();
    EXPECT_TRUE(Switched.Err.contains("aMule is running")) << Switched.Err.toStdString();
}
