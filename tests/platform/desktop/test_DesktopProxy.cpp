#include "platform/QtPrint.h"
#include "platform/desktop/DesktopProxy.h"
#include "platform/desktop/GSettingsProxy.h"
#include "platform/desktop/KioProxy.h"
#include "platform/desktop/ProxyText.h"
#include "support/TestRoot.h"

#include <QDBusConnection>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

struct TRun
{
    int ExitCode = -1;
    QString Output;
};

// Runs a program (no shell) with extra environment variables.
TRun RunProgram(const QString &program, const QStringList &args, const QMap<QString, QString> &env = {})
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (auto it = env.cbegin(); it != env.cend(); ++it)
        environment.insert(it.key(), it.value());
    process.setProcessEnvironment(environment);
    process.start(program, args);
    if (!process.waitForFinished(20000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()).trimmed()};
}

// An environment variable set for a scope.
class TScopedEnv
{
public:
    TScopedEnv(const char *name, const QString &value)
        : FName(name), FWasSet(qEnvironmentVariableIsSet(name)), FOld(qgetenv(name))
    {
        qputenv(name, value.toLocal8Bit());
    }
    ~TScopedEnv()
    {
        if (FWasSet)
            qputenv(FName, FOld);
        else
            qunsetenv(FName);
    }

private:
    const char *FName;
    bool FWasSet;
    QByteArray FOld;
};

bool HasProgram(const QString &name) { return !QStandardPaths::findExecutable(name).isEmpty(); }

QString ReadText(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QStringLiteral("(missing)");
}

void WriteText(const QString &fileName, const QString &text)
{
    QDir().mkpath(QFileInfo(fileName).absolutePath());
    QFile file(fileName);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text.toUtf8());
}

// A private world whose GSettings are the keyfile backend's file in $XDG_CONFIG_HOME, the file
// GSETTINGS_BACKEND=keyfile uses, so GLib's own tools in that environment see the same store.
class GSettingsStore : public testing::Test
{
protected:
    void SetUp() override
    {
        WAYFAREL_REQUIRE_LAB(TGSettingsProxy::SchemaInstalled(),
                             "the GSettings schema org.gnome.system.proxy is not installed "
                             "(gsettings-desktop-schemas)");
    }

    QString KeyFile() const { return FRoot.Path() + "/config/glib-2.0/settings/keyfile"; }
    QMap<QString, QString> StoreEnvironment() const
    {
        return {{"GSETTINGS_BACKEND", "keyfile"}, {"XDG_CONFIG_HOME", FRoot.Path() + "/config"}};
    }
    // Every key of the schema as GLib's own tool reads it: "org.gnome.system.proxy.http host" -> "'h'".
    QMap<QString, QString> StoredKeys() const
    {
        const TRun run =
            RunProgram("gsettings", {"list-recursively", TGSettingsProxy::SchemaId()}, StoreEnvironment());
        QMap<QString, QString> keys;
        for (const QString &line : run.Output.split('\n')) {
            const QStringList parts = line.split(' ');
            if (parts.size() >= 3)
                keys[parts.at(0) + ' ' + parts.at(1)] = parts.mid(2).join(' ');
        }
        return keys;
    }
    void Set(const QString &schema, const QString &key, const QString &value)
    {
        ASSERT_EQ(RunProgram("gsettings", {"set", schema, key, value}, StoreEnvironment()).ExitCode, 0);
    }

    TTestRoot FRoot;
    TGSettingsProxy FStore{KeyFile()};
};

struct TGnomeCase
{
    const char *Name;
    TDesktopProxySettings Settings;
    QMap<QString, QString> Keys; // "child key" -> value as gsettings prints it
    TDesktopProxySettings ReadBack;
};
void PrintTo(const TGnomeCase &c, std::ostream *out) { *out << c.Name; }

class GSettingsWrite : public GSettingsStore, public testing::WithParamInterface<TGnomeCase>
{};

} // namespace

TEST_P(GSettingsWrite, StoresEveryKeyAndReadsTheWinINetFormBack)
{
    ASSERT_TRUE(FStore.Write(GetParam().Settings)) << FStore.LastError().toStdString();
    const QMap<QString, QString> stored = StoredKeys();
    for (auto it = GetParam().Keys.cbegin(); it != GetParam().Keys.cend(); ++it)
        EXPECT_EQ(stored.value("org.gnome.system.proxy" + it.key()), it.value()) << it.key().toStdString();
    TDesktopProxySettings back;
    ASSERT_TRUE(FStore.Read(back)) << FStore.LastError().toStdString();
    EXPECT_EQ(back.Enabled, GetParam().ReadBack.Enabled);
    EXPECT_EQ(back.Server, GetParam().ReadBack.Server);
    EXPECT_EQ(back.Bypass, GetParam().ReadBack.Bypass);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GSettingsWrite,
    testing::Values(
        TGnomeCase{"OneServerForAll",
                   {true, "10.0.0.1:8080", "<local>;*.corp.test;10.*"},
                   {{" mode", "'manual'"},
                    {" use-same-proxy", "true"},
                    {".http host", "'10.0.0.1'"},
                    {".http port", "8080"},
                    {".https host", "'10.0.0.1'"},
                    {".https port", "8080"},
                    {".ftp host", "'10.0.0.1'"},
                    {".socks host", "''"},
                    {".socks port", "0"},
                    {" ignore-hosts", "['localhost', '127.0.0.0/8', '::1', '*.corp.test', '10.0.0.0/8']"}},
                   {true, "10.0.0.1:8080", "<local>;*.corp.test;10.*"}},
        TGnomeCase{"PerProtocolAndDirect",
                   {false, "HTTP=10.0.0.1:80;https=10.0.0.2:443;gopher=10.0.0.9:70;socks=10.0.0.3:1080", ""},
                   {{" mode", "'none'"},
                    {" use-same-proxy", "false"},
                    {".http host", "'10.0.0.1'"},
                    {".http port", "80"},
                    {".https host", "'10.0.0.2'"},
                    {".https port", "443"},
                    {".ftp host", "''"},
                    {".ftp port", "0"},
                    {".socks host", "'10.0.0.3'"},
                    {".socks port", "1080"},
                    {" ignore-hosts", "@as []"}},
                   {false, "http=10.0.0.1:80;https=10.0.0.2:443;socks=10.0.0.3:1080", ""}},
        TGnomeCase{"NothingAtAll",
                   {false, "", ""},
                   {{" mode", "'none'"}, {" use-same-proxy", "false"}, {".http host", "''"}},
                   {false, "", ""}}),
    [](const testing::TestParamInfo<TGnomeCase> &info) { return info.param.Name; });

TEST_F(GSettingsStore, ReadsWhatAnotherProgramSet)
{
    Set("org.gnome.system.proxy", "mode", "manual");
    Set("org.gnome.system.proxy", "use-same-proxy", "false");
    Set("org.gnome.system.proxy.http", "host", "proxy.test");
    Set("org.gnome.system.proxy.http", "port", "3128");
    Set("org.gnome.system.proxy", "ignore-hosts", "['::1', 'localhost', '192.168.0.0/16', '127.0.0.0/8']");
    TDesktopProxySettings settings;
    ASSERT_TRUE(FStore.Read(settings)) << FStore.LastError().toStdString();
    EXPECT_TRUE(settings.Enabled);
    EXPECT_EQ(settings.Server, "http=proxy.test:3128");
    EXPECT_EQ(settings.Bypass, "<local>;192.168.*");
}

TEST_F(GSettingsStore, GioProgramsResolveThroughTheStoredProxy)
{
    WAYFAREL_REQUIRE_LAB(QFile::exists("/usr/bin/python3") && HasProgram("gsettings"),
                         "/usr/bin/python3 (python3-gi) and gsettings are needed");
    ASSERT_TRUE(FStore.Write({true, "http=10.9.8.7:3128;socks=10.9.8.6:1080", "<local>;*.corp.test"}))
        << FStore.LastError().toStdString();
    EXPECT_EQ(
        RunProgram("gsettings", {"get", TGSettingsProxy::SchemaId(), "mode"}, StoreEnvironment()).Output,
        "'manual'");

    // GIO asks GSettings only on a GNOME desktop.
    QMap<QString, QString> environment = StoreEnvironment();
    environment["XDG_CURRENT_DESKTOP"] = "GNOME";
    const TRun lookup =
        RunProgram("/usr/bin/python3",
                   {"-c", "from gi.repository import Gio\n"
                          "r = Gio.ProxyResolver.get_default()\n"
                          "for uri in ['http://probe.test/', 'http://a.corp.test/', 'http://localhost/']:\n"
                          "    print(uri, r.lookup(uri, None)[0])\n"},
                   environment);
    ASSERT_EQ(lookup.ExitCode, 0) << lookup.Output.toStdString();
    EXPECT_EQ(lookup.Output, "http://probe.test/ http://10.9.8.7:3128\n"
                             "http://a.corp.test/ direct://\n"
                             "http://localhost/ direct://");
}

TEST_F(GSettingsStore, ABackendThatDropsTheWriteIsReported)
{
    // dconf, the desktop's default backend, takes writes without a session bus and drops them.
    const TScopedEnv backend("GSETTINGS_BACKEND", "dconf");
    const TScopedEnv bus("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + FRoot.Path() + "/no-bus");
    TGSettingsProxy defaultStore;
    EXPECT_FALSE(defaultStore.Write({true, "10.0.0.1:8080", ""}));
    EXPECT_THAT(defaultStore.LastError().toStdString(), testing::HasSubstr("did not keep"));
}

namespace {

class KioStore : public testing::Test
{
protected:
    QString FileName() const { return FRoot.Path() + "/config/kioslaverc"; }
    // What KDE's own reader finds in the file.
    QString KdeValue(const QString &key) const
    {
        return RunProgram("kreadconfig5", {"--file", FileName(), "--group", "Proxy Settings", "--key", key})
            .Output;
    }

    TTestRoot FRoot;
    QDBusConnection FNoBus{QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"),
                                                         QStringLiteral("wayfarel-test-no-bus"))};
};

struct TKioCase
{
    const char *Name;
    TDesktopProxySettings Settings;
    QMap<QString, QString> Values;
};
void PrintTo(const TKioCase &c, std::ostream *out) { *out << c.Name; }

class KioWrite : public KioStore, public testing::WithParamInterface<TKioCase>
{};

// A session bus of the test's own and a monitor on it, stopped by their process ids.
class TPrivateBus
{
public:
    TPrivateBus()
    {
        FDaemon.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
        if (FDaemon.waitForReadyRead(5000))
            FAddress = QString::fromUtf8(FDaemon.readLine()).trimmed();
    }
    ~TPrivateBus()
    {
        for (QProcess *process : {&FMonitor, &FDaemon}) {
            process->terminate();
            process->waitForFinished(3000);
        }
    }
    QString Address() const { return FAddress; }
    // Starts dbus-monitor on the bus and waits until it watches.
    bool Monitor()
    {
        FMonitor.start("dbus-monitor", {"--address", FAddress});
        return FMonitor.waitForReadyRead(5000);
    }
    // Everything the monitor has printed once it printed needle, or after the timeout.
    QString MonitorOutput(const QString &needle)
    {
        QString output;
        for (int i = 0; i < 50 && !output.contains(needle); ++i) {
            FMonitor.waitForReadyRead(100);
            output += QString::fromUtf8(FMonitor.readAll());
        }
        return output;
    }

private:
    QProcess FDaemon;
    QProcess FMonitor;
    QString FAddress;
};

} // namespace

TEST_F(KioStore, WritesTheProxyGroupAndKeepsTheRestOfTheFile)
{
    WriteText(FileName(), "# written by hand\n"
                          "[General]\n"
                          "Foo=bar\n"
                          "\n"
                          "[Proxy Settings]\n"
                          "# chosen by the admin\n"
                          "ProxyType=0\n"
                          "httpProxy=\n"
                          "AuthMode=0\n"
                          "\n"
                          "[Other]\n"
                          "x=1\n");
    TKioProxy store(FileName(), FNoBus);
    ASSERT_TRUE(store.Write({true, "10.0.0.1:8080", "<local>;.corp.test"}))
        << store.LastError().toStdString();
    EXPECT_EQ(ReadText(FileName()), "# written by hand\n"
                                    "[General]\n"
                                    "Foo=bar\n"
                                    "\n"
                                    "[Proxy Settings]\n"
                                    "# chosen by the admin\n"
                                    "ProxyType=1\n"
                                    "httpProxy=http://10.0.0.1 8080\n"
                                    "AuthMode=0\n"
                                    "httpsProxy=http://10.0.0.1 8080\n"
                                    "ftpProxy=http://10.0.0.1 8080\n"
                                    "socksProxy=\n"
                                    "NoProxyFor=localhost,127.0.0.0/8,::1,.corp.test\n"
                                    "ReversedException=false\n"
                                    "\n"
                                    "[Other]\n"
                                    "x=1\n");
}

TEST_P(KioWrite, KdeReadsEveryKeyAndTheWinINetFormComesBack)
{
    WAYFAREL_REQUIRE_LAB(HasProgram("kreadconfig5"), "kreadconfig5 (libkf5config-bin) is not installed");
    TKioProxy store(FileName(), FNoBus);
    ASSERT_TRUE(store.Write(GetParam().Settings)) << store.LastError().toStdString();
    for (auto it = GetParam().Values.cbegin(); it != GetParam().Values.cend(); ++it)
        EXPECT_EQ(KdeValue(it.key()), it.value()) << it.key().toStdString();
    TDesktopProxySettings back;
    ASSERT_TRUE(store.Read(back)) << store.LastError().toStdString();
    EXPECT_EQ(back.Enabled, GetParam().Settings.Enabled);
    EXPECT_EQ(back.Server, ProxyServerText(ParseProxyServer(GetParam().Settings.Server)));
    EXPECT_EQ(back.Bypass, GetParam().Settings.Bypass);
}

INSTANTIATE_TEST_SUITE_P(Cases, KioWrite,
                         testing::Values(TKioCase{"OneServerForAll",
                                                  {true, "proxy.test:3128", "<local>"},
                                                  {{"ProxyType", "1"},
                                                   {"httpProxy", "http://proxy.test 3128"},
                                                   {"httpsProxy", "http://proxy.test 3128"},
                                                   {"ftpProxy", "http://proxy.test 3128"},
                                                   {"socksProxy", ""},
                                                   {"NoProxyFor", "localhost,127.0.0.0/8,::1"},
                                                   {"ReversedException", "false"}}},
                                         TKioCase{"PerProtocolAndDirect",
                                                  {false, "http=10.0.0.1:80;socks=10.0.0.3:1080",
                                                   "*.corp.test;10.*"},
                                                  {{"ProxyType", "0"},
                                                   {"httpProxy", "http://10.0.0.1 80"},
                                                   {"httpsProxy", ""},
                                                   {"socksProxy", "socks://10.0.0.3 1080"},
                                                   {"NoProxyFor", "*.corp.test,10.0.0.0/8"}}}),
                         [](const testing::TestParamInfo<TKioCase> &info) { return info.param.Name; });

TEST_F(KioStore, ReadsWhatKdeWrote)
{
    WAYFAREL_REQUIRE_LAB(HasProgram("kwriteconfig5"), "kwriteconfig5 (libkf5config-bin) is not installed");
    const QList<QPair<QString, QString>> values = {{"ProxyType", "1"},
                                                   {"httpProxy", "http://proxy.test:3128"},
                                                   {"httpsProxy", "http://secure.test 443"},
                                                   {"NoProxyFor", "localhost, .corp.test"}};
    for (const auto &[key, value] : values)
        ASSERT_EQ(RunProgram("kwriteconfig5",
                             {"--file", FileName(), "--group", "Proxy Settings", "--key", key, value})
                      .ExitCode,
                  0);
    TKioProxy store(FileName(), FNoBus);
    TDesktopProxySettings settings;
    ASSERT_TRUE(store.Read(settings)) << store.LastError().toStdString();
    EXPECT_TRUE(settings.Enabled);
    EXPECT_EQ(settings.Server, "http=proxy.test:3128;https=secure.test:443");
    EXPECT_EQ(settings.Bypass, "localhost;.corp.test");
}

// A line that holds no address is no proxy, not a host made of the whole line; a host in
// another script is kept in its ASCII form.
TEST_F(KioStore, AMalformedAddressIsNoProxy)
{
    WriteText(FileName(), "[Proxy Settings]\n"
                          "ProxyType=1\n"
                          "httpProxy=http://10.0.0.1 808://10.0.0.2 1080\n"
                          "httpsProxy=http://10.0.0.1 80tings]\n"
                          "ftpProxy=http://[::1] 21\n"
                          "socksProxy=socks://b\u00fccher.test 1080\n"
                          "NoProxyFor=a.test b.test,\x01"
                          "c.test\n");
    TKioProxy store(FileName(), FNoBus);
    TDesktopProxySettings settings;
    ASSERT_TRUE(store.Read(settings)) << store.LastError().toStdString();
    EXPECT_EQ(settings.Server, "ftp=[::1]:21;socks=xn--bcher-kva.test:1080");
    EXPECT_EQ(settings.Bypass, "a.test;b.test;c.test");
}

TEST_F(KioStore, TellsRunningKdeProgramsOverTheSessionBus)
{
    WAYFAREL_REQUIRE_LAB(HasProgram("dbus-daemon") && HasProgram("dbus-monitor"),
                         "dbus-daemon and dbus-monitor (package dbus) are needed");
    TPrivateBus bus;
    ASSERT_FALSE(bus.Address().isEmpty()) << "the private session bus did not start";
    ASSERT_TRUE(bus.Monitor());
    QDBusConnection connection = QDBusConnection::connectToBus(bus.Address(), "wayfarel-test-session");
    ASSERT_TRUE(connection.isConnected());
    TKioProxy store(FileName(), connection);
    ASSERT_TRUE(store.Write({true, "10.0.0.1:8080", ""})) << store.LastError().toStdString();
    const QString seen = bus.MonitorOutput("reparseSlaveConfiguration");
    EXPECT_THAT(seen.toStdString(),
                testing::HasSubstr("path=/KIO/Scheduler; interface=org.kde.KIO.Scheduler; "
                                   "member=reparseSlaveConfiguration"));
    QDBusConnection::disconnectFromBus("wayfarel-test-session");
}

TEST_F(KioStore, WithoutASessionBusTheFileIsAllThatChanges)
{
    ASSERT_FALSE(FNoBus.isConnected());
    TKioProxy store(FileName(), FNoBus);
    EXPECT_TRUE(store.Write({true, "10.0.0.1:8080", ""})) << store.LastError().toStdString();
    EXPECT_TRUE(ReadText(FileName()).contains("ProxyType=1"));
}

TEST_F(KioStore, AFileThatCannotBeSavedFailsWithItsName)
{
    WriteText(FRoot.Path() + "/blocker", "a file where the folder should be");
    TKioProxy store(FRoot.Path() + "/blocker/kioslaverc", FNoBus);
    EXPECT_FALSE(store.Write({true, "10.0.0.1:8080", ""}));
    EXPECT_THAT(store.LastError().toStdString(), testing::HasSubstr("blocker/kioslaverc"));
}

namespace {

// A store that keeps what it was given and fails on demand.
class TFakeStore : public IDesktopProxy
{
public:
    TFakeStore(bool available, const QString &failure, const TDesktopProxySettings &held)
        : FAvailable(available), FFailure(failure), FHeld(held)
    {}
    bool IsAvailable() const override { return FAvailable; }
    bool Read(TDesktopProxySettings &settings) override
    {
        settings = FHeld;
        return FFailure.isEmpty();
    }
    bool Write(const TDesktopProxySettings &settings) override
    {
        FHeld = settings;
        ++FWrites;
        return FFailure.isEmpty();
    }
    QString LastError() const override { return FFailure; }

    bool FAvailable;
    QString FFailure;
    TDesktopProxySettings FHeld;
    int FWrites = 0;
};

} // namespace

TEST(DesktopProxy, WritesBothStoresAndReportsEachRefusal)
{
    auto gnome = std::make_unique<TFakeStore>(true, "GSettings refused", TDesktopProxySettings{});
    auto kde = std::make_unique<TFakeStore>(true, "", TDesktopProxySettings{});
    TFakeStore *kdeStore = kde.get();
    TDesktopProxy proxy(std::move(gnome), std::move(kde));
    const TDesktopProxySettings settings{true, "10.0.0.1:8080", "<local>"};
    EXPECT_FALSE(proxy.Write(settings));
    EXPECT_EQ(proxy.LastError(), "GSettings refused");
    EXPECT_EQ(kdeStore->FHeld, settings) << "the other store is written all the same";
}

TEST(DesktopProxy, AStoreThatIsNotInstalledIsLeftOut)
{
    const TDesktopProxySettings inGnome{true, "gnome.test:1", ""};
    const TDesktopProxySettings inKde{true, "kde.test:2", ""};
    auto gnome = std::make_unique<TFakeStore>(false, "", inGnome);
    TFakeStore *gnomeStore = gnome.get();
    TDesktopProxy proxy(std::move(gnome), std::make_unique<TFakeStore>(true, "", inKde));
    TDesktopProxySettings read;
    ASSERT_TRUE(proxy.Read(read));
    EXPECT_EQ(read, inKde);
    EXPECT_TRUE(proxy.Write({false, "", ""}));
    EXPECT_EQ(gnomeStore->FWrites, 0);

    gnomeStore->FAvailable = true;
    ASSERT_TRUE(proxy.Read(read));
    EXPECT_EQ(read, inGnome) << "GSettings is read first where it is installed";
}
