// Two locations with every proxy module filled in, switched back and forth with wayfarelctl:
// after each switch every client's store holds that location's values, read where the client
// reads them, and every other byte of those files is as it was before the switch.
#include "adapters/IpAddress.h"
#include "app/DBManager.h"
#include "app/ExtRegistry.h"
#include "locations/FuncDef.h"
#include "locations/Location.h"
#include "modules/BitCometProxy.h"
#include "modules/FireFoxProxy.h"
#include "modules/FoxMailProxy.h"
#include "modules/ICQ6Examples.h"
#include "modules/ICQProxy.h"
#include "modules/IEProxy.h"
#include "modules/MSNProxy.h"
#include "modules/ProgramModules.h"
#include "modules/SkypeProxy.h"
#include "modules/eMuleProxy.h"
#include "platform/registry/RegistryFile.h"
#include "support/CtlRun.h"
#include "support/FirefoxProfileTest.h"
#include "support/Lab.h"

#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <algorithm>
#include <functional>
#include <map>
#include <optional>

namespace {

const TModuleTable NoModules;

struct TServer
{
    const char *Host = nullptr;
    int Port = 0;
};

// What a location sets in each module; a text left out is empty.
struct TSetup
{
    const char *Name;
    const char *Id;
    struct
    {
        bool On = false;
        bool Shared = false;
        const char *Http = nullptr, *Secure = nullptr, *Gopher = nullptr, *Socks = nullptr, *Bypass = nullptr;
    } IE;
    struct
    {
        int Mode = 0;
        bool Shared = false;
        const char *Http = nullptr, *Secure = nullptr, *Ftp = nullptr, *Socks = nullptr, *Bypass = nullptr,
                   *Script = nullptr;
    } Firefox;
    struct
    {
        bool On = false;
        int Type = 0;
        TServer Proxy;
    } Foxmail;
    struct
    {
        bool On = false;
        TServer Proxy;
    } MSN;
    struct
    {
        bool Manual = false;
        TServer Login;
        int Type = 0;
        TServer Proxy;
        const char *User = nullptr, *Pwd = nullptr;
    } ICQ;
    struct
    {
        bool On = false;
        int Type = 0;
        TServer Proxy;
    } Skype;
    struct TFileSharing
    {
        bool On = false;
        int Type = 0;
        TServer Proxy;
        bool Auth = false;
        const char *User = nullptr, *Pwd = nullptr;
    } EMule, BitComet;
};

// A: every proxy on. ICQ's values are those of the hand-made SOCKS4 record with authentication.
const TSetup A{
    .Name = "A",
    .Id = "ALLPROXIESA00000000000000000000A",
    .IE = {.On = true,
           .Shared = false,
           .Http = "proxy-a.lab:3128",
           .Secure = "proxy-a.lab:3129",
           .Gopher = "gopher-a.lab:70",
           .Socks = "socks-a.lab:1080",
           .Bypass = "<local>;*.a.lab"},
    .Firefox = {.Mode = 3,
                .Shared = false,
                .Http = "fx-a.lab:8080",
                .Secure = "fx-a.lab:8443",
                .Ftp = "fx-a.lab:2121",
                .Socks = "fx-socks-a.lab:1080",
                .Bypass = "localhost, .a.lab"},
    .Foxmail = {.On = true, .Type = 2, .Proxy = {"mail-a.lab", 1080}},
    .MSN = {.On = true, .Proxy = {"msn-a.lab", 1080}},
    .ICQ = {.Manual = true, .Login = {"ab", 5190}, .Type = 3, .Proxy = {"cd", 1080}, .User = "u", .Pwd = "p"},
    .Skype = {.On = true, .Type = 2, .Proxy = {"skype-a.lab", 1081}},
    .EMule = {.On = true, .Type = 3, .Proxy = {"mule-a.lab", 1082}, .Auth = true, .User = "ua", .Pwd = "pa"},
    .BitComet = {
        .On = true, .Type = 4, .Proxy = {"bc-a.lab", 8081}, .Auth = true, .User = "ba", .Pwd = "pb"}};

// B: other servers and types; the desktop, Foxmail, MSN, ICQ and BitComet off, their servers stored.
const TSetup B{
    .Name = "B",
    .Id = "ALLPROXIESB00000000000000000000B",
    .IE = {.On = false, .Shared = true, .Http = "proxy-b.lab:8080", .Bypass = "192.168.*;*.b.lab"},
    .Firefox = {.Mode = 4,
                .Shared = true,
                .Http = "fx-b.lab:3128",
                .Bypass = "localhost",
                .Script = "http://wpad.b.lab/proxy.pac"},
    .Foxmail = {.On = false, .Type = 1, .Proxy = {"mail-b.lab", 1090}},
    .MSN = {.On = false, .Proxy = {"msn-b.lab", 1863}},
    .ICQ = {.Manual = false, .Login = {"login-b.lab", 443}, .Type = 4, .Proxy = {"icq-b.lab", 1080}},
    .Skype = {.On = true, .Type = 1, .Proxy = {"skype-b.lab", 8443}},
    .EMule = {.On = true, .Type = 5, .Proxy = {"mule-b.lab", 8082}},
    .BitComet = {.On = false, .Type = 3, .Proxy = {"bc-b.lab", 1083}, .User = "bu"}};

enum class TStore { UserHive, GSettings, Kioslaverc, Prefs, ICQ, Skype, EMule, AMule, BitComet };
const TStore Stores[] = {TStore::UserHive, TStore::GSettings, TStore::Kioslaverc,
                         TStore::Prefs,    TStore::ICQ,       TStore::Skype,
                         TStore::EMule,    TStore::AMule,     TStore::BitComet};

// Where a value sits in a store's text: the first capture group of a pattern that matches once.
QString IniSlot(const QString &Section, const QString &Key)
{
    return QStringLiteral("^\\[%1\\]\\r?$(?:\\n(?!\\[).*)*?\\n%2=(.*?)\\r?$")
        .arg(QRegularExpression::escape(Section), QRegularExpression::escape(Key));
}
QString HiveSlot(const QString &Key, const QString &Name)
{
    return IniSlot("HKEY_CURRENT_USER\\" + Key, '"' + Name + '"');
}
QString XmlSlot(const QString &Parent, const QString &Element)
{
    return QStringLiteral("<%1>(?:(?!</%1>)[\\s\\S])*?<%2>([^<]*)</%2>").arg(Parent, Element);
}
QString PrefSlot(const QString &Name)
{
    return QStringLiteral("^user_pref\\(\"%1\", (.*)\\);\\r?$").arg(QRegularExpression::escape(Name));
}
// The ICQ store's dump: the second record is the first "ConnectionSettings" one.
const QString ICQSlot = QStringLiteral("^2\\|ConnectionSettings\\|([0-9a-f]*)$");

// What each location leaves in a store, in the store's own spelling; null where the location
// writes nothing, so the value stays as the switch found it.
struct TExpected
{
    TStore Store;
    QString Slot;
    QByteArray ForA;
    QByteArray ForB;
};

const QString Foxmail = QStringLiteral("Software\\Aerofox\\Foxmail\\Proxy");
const QString Messenger = QStringLiteral("Software\\Microsoft\\MSNMessenger");
const QString Kio = QStringLiteral("Proxy Settings");

const QList<TExpected> &Expectations()
{
    using enum TStore;
    static const QList<TExpected> List{
        // clang-format off
        {GSettings, IniSlot("system/proxy", "mode"), "'manual'", "'none'"},
        {GSettings, IniSlot("system/proxy", "use-same-proxy"), "false", "true"},
        {GSettings, IniSlot("system/proxy", "ignore-hosts"), "['localhost', '127.0.0.0/8', '::1', '*.a.lab']",
                                                             "['192.168.0.0/16', '*.b.lab']"},
        {GSettings, IniSlot("system/proxy/http", "host"), "'proxy-a.lab'", "'proxy-b.lab'"},
        {GSettings, IniSlot("system/proxy/http", "port"), "3128", "8080"},
        {GSettings, IniSlot("system/proxy/https", "host"), "'proxy-a.lab'", "'proxy-b.lab'"},
        {GSettings, IniSlot("system/proxy/https", "port"), "3129", "8080"},
        {GSettings, IniSlot("system/proxy/ftp", "host"), "''", "'proxy-b.lab'"},
        {GSettings, IniSlot("system/proxy/ftp", "port"), "0", "8080"},
        {GSettings, IniSlot("system/proxy/socks", "host"), "'socks-a.lab'", "''"},
        {GSettings, IniSlot("system/proxy/socks", "port"), "1080", "0"},
        {Kioslaverc, IniSlot(Kio, "ProxyType"), "1", "0"},
        {Kioslaverc, IniSlot(Kio, "httpProxy"), "http://proxy-a.lab 3128", "http://proxy-b.lab 8080"},
        {Kioslaverc, IniSlot(Kio, "httpsProxy"), "http://proxy-a.lab 3129", "http://proxy-b.lab 8080"},
        {Kioslaverc, IniSlot(Kio, "ftpProxy"), "", "http://proxy-b.lab 8080"},
        {Kioslaverc, IniSlot(Kio, "socksProxy"), "socks://socks-a.lab 1080", ""},
        {Kioslaverc, IniSlot(Kio, "NoProxyFor"), "localhost,127.0.0.0/8,::1,*.a.lab", "192.168.0.0/16,*.b.lab"},
        {Kioslaverc, IniSlot(Kio, "ReversedException"), "false", "false"},
        {Prefs, PrefSlot("network.proxy.type"), "1", "2"},
        {Prefs, PrefSlot("network.proxy.http"), "\"fx-a.lab\"", "\"fx-b.lab\""},
        {Prefs, PrefSlot("network.proxy.http_port"), "8080", "3128"},
        {Prefs, PrefSlot("network.proxy.ssl"), "\"fx-a.lab\"", "\"fx-b.lab\""},
        {Prefs, PrefSlot("network.proxy.ssl_port"), "8443", "3128"},
        {Prefs, PrefSlot("network.proxy.ftp"), "\"fx-a.lab\"", "\"\""},
        {Prefs, PrefSlot("network.proxy.ftp_port"), "2121", "0"},
        {Prefs, PrefSlot("network.proxy.gopher"), "\"\"", "\"\""},
        {Prefs, PrefSlot("network.proxy.gopher_port"), "0", "0"},
        {Prefs, PrefSlot("network.proxy.socks"), "\"fx-socks-a.lab\"", "\"\""},
        {Prefs, PrefSlot("network.proxy.socks_port"), "1080", "0"},
        {Prefs, PrefSlot("network.proxy.share_proxy_settings"), "false", "true"},
        {Prefs, PrefSlot("network.proxy.no_proxies_on"), "\"localhost, .a.lab\"", "\"localhost\""},
        {Prefs, PrefSlot("network.proxy.autoconfig_url"), "\"\"", "\"http://wpad.b.lab/proxy.pac\""},
        {UserHive, HiveSlot(Foxmail, "EmailUseProxy"), "\"1\"", "\"0\""},
        {UserHive, HiveSlot(Foxmail, "EmailProxyType"), "\"2\"", "\"1\""},
        {UserHive, HiveSlot(Foxmail, "EmailProxyServer"), "\"mail-a.lab\"", "\"mail-b.lab\""},
        {UserHive, HiveSlot(Foxmail, "EmailProxyPort"), "\"1080\"", "\"1090\""},
        {UserHive, HiveSlot(Messenger, "SOCKS4Server"), "\"msn-a.lab\"", "\"\""},
        {UserHive, HiveSlot(Messenger, "SOCKS4Port"), "hex:38,04,00,00", "hex:00,00,00,00"},
        {ICQ, ICQSlot, ICQ6Examples::Socks4WithAuthentication.toHex(), ICQ6Examples::Automatic.toHex()},
        {Skype, XmlSlot("HttpsProxy", "Enable"), "0", "1"},
        {Skype, XmlSlot("HttpsProxy", "Addr"), {}, "skype-b.lab:8443"},
        {Skype, XmlSlot("SocksProxy", "Enable"), "1", "0"},
        {Skype, XmlSlot("SocksProxy", "Addr"), "skype-a.lab:1081", {}},
        {EMule, IniSlot("Proxy", "ProxyEnableProxy"), "1", "1"},
        {EMule, IniSlot("Proxy", "ProxyType"), "3", "5"},
        {EMule, IniSlot("Proxy", "ProxyName"), "mule-a.lab", "mule-b.lab"},
        {EMule, IniSlot("Proxy", "ProxyPort"), "1082", "8082"},
        {EMule, IniSlot("Proxy", "ProxyEnablePassword"), "1", "0"},
        {EMule, IniSlot("Proxy", "ProxyUser"), "ua", ""},
        {EMule, IniSlot("Proxy", "ProxyPassword"), "pa", ""},
        {AMule, IniSlot("Proxy", "ProxyEnableProxy"), "1", "1"},
        {AMule, IniSlot("Proxy", "ProxyType"), "0", "2"},
        {AMule, IniSlot("Proxy", "ProxyName"), "mule-a.lab", "mule-b.lab"},
        {AMule, IniSlot("Proxy", "ProxyPort"), "1082", "8082"},
        {AMule, IniSlot("Proxy", "ProxyEnablePassword"), "1", "0"},
        {AMule, IniSlot("Proxy", "ProxyUser"), "ua", ""},
        {AMule, IniSlot("Proxy", "ProxyPassword"), "pa", ""},
        {BitComet, XmlSlot("Settings", "ProxyType"), "4", "0"},
        {BitComet, XmlSlot("Settings", "ProxyServer"), "bc-a.lab", "bc-b.lab"},
        {BitComet, XmlSlot("Settings", "ProxyPort"), "8081", "1083"},
        {BitComet, XmlSlot("Settings", "ProxyAuth"), "1", "0"},
        {BitComet, XmlSlot("Settings", "ProxyUsername"), "ba", "bu"},
        {BitComet, XmlSlot("Settings", "ProxyPassword"), "pb", ""},
        // clang-format on
    };
    return List;
}

// The stores as the clients keep them before the first switch, each with content of its own
// that a switch must leave alone. Every key a switch writes is there already, in the spelling
// of the store's own writer, so that the files can be compared byte for byte.
const QByteArray GSettingsText = "# the lab user's settings\n"
                                 "\n"
                                 "[org/gnome/desktop/interface]\n"
                                 "clock-format='24h'\n"
                                 "\n"
                                 "[system/proxy]\n"
                                 "# kept by hand\n"
                                 "mode='none'\n"
                                 "autoconfig-url='http://wpad.lab/wpad.dat'\n"
                                 "use-same-proxy=false\n"
                                 "ignore-hosts=['localhost']\n"
                                 "\n"
                                 "[system/proxy/http]\n"
                                 "enabled=false\n"
                                 "host='old-http.lab'\n"
                                 "port=80\n"
                                 "\n"
                                 "[system/proxy/https]\n"
                                 "host=''\n"
                                 "port=0\n"
                                 "\n"
                                 "[system/proxy/ftp]\n"
                                 "host=''\n"
                                 "port=0\n"
                                 "\n"
                                 "[system/proxy/socks]\n"
                                 "host=''\n"
                                 "port=0\n";

const QByteArray KioslavercText = "[$Version]\n"
                                  "update_info=kioslave.upd:kioslave-proxy-cleanup\n"
                                  "\n"
                                  "# the proxy of the KDE session\n"
                                  "[Proxy Settings]\n"
                                  "AuthMode=0\n"
                                  "NoProxyFor=\n"
                                  "Proxy Config Script=http://wpad.lab/wpad.dat\n"
                                  "ProxyType=0\n"
                                  "ReversedException=false\n"
                                  "ftpProxy=\n"
                                  "httpProxy=http://old-http.lab 80\n"
                                  "httpsProxy=\n"
                                  "socksProxy=\n"
                                  "\n"
                                  "[Cache Settings]\n"
                                  "MaxCacheSize=51200\n";

const QByteArray PrefsText = "// Mozilla User Preferences\n"
                             "\n"
                             "// DO NOT EDIT THIS FILE.\n"
                             "\n"
                             "user_pref(\"browser.startup.homepage\", \"https://start.lab/\");\n"
                             "user_pref(\"network.proxy.autoconfig_url\", \"\");\n"
                             "user_pref(\"network.proxy.ftp\", \"\");\n"
                             "user_pref(\"network.proxy.ftp_port\", 0);\n"
                             "user_pref(\"network.proxy.gopher\", \"\");\n"
                             "user_pref(\"network.proxy.gopher_port\", 0);\n"
                             "user_pref(\"network.proxy.http\", \"old-http.lab\");\n"
                             "user_pref(\"network.proxy.http_port\", 80);\n"
                             "user_pref(\"network.proxy.no_proxies_on\", \"localhost\");\n"
                             "user_pref(\"network.proxy.share_proxy_settings\", false);\n"
                             "user_pref(\"network.proxy.socks\", \"\");\n"
                             "user_pref(\"network.proxy.socks_port\", 0);\n"
                             "user_pref(\"network.proxy.socks_version\", 5);\n"
                             "user_pref(\"network.proxy.ssl\", \"\");\n"
                             "user_pref(\"network.proxy.ssl_port\", 0);\n"
                             "user_pref(\"network.proxy.type\", 5);\n"
                             "user_pref(\"privacy.donottrackheader.enabled\", true);\n";

const QByteArray SharedXmlText = "<?xml version=\"1.0\"?>\r\n"
                                 "<config version=\"1.0\" serial=\"28\">\r\n"
                                 "  <!-- managed by Skype -->\r\n"
                                 "  <Lib>\r\n"
                                 "    <Account><Addr>not.this:1</Addr></Account>\r\n"
                                 "    <Connection>\r\n"
                                 "      <HttpsProxy>\r\n"
                                 "        <Addr>proxy.old:8080</Addr>\r\n"
                                 "        <Enable>0</Enable>\r\n"
                                 "      </HttpsProxy>\r\n"
                                 "      <SocksProxy>\r\n"
                                 "        <Addr>socks.old:1080</Addr>\r\n"
                                 "        <Enable>0</Enable>\r\n"
                                 "      </SocksProxy>\r\n"
                                 "      <NodeId>AB12</NodeId>\r\n"
                                 "    </Connection>\r\n"
                                 "  </Lib>\r\n"
                                 "  <UI lang=\"en\"><Width>800</Width></UI>\r\n"
                                 "</config>\r\n";

const QByteArray PreferencesIniText = "[eMule]\r\n"
                                      "AppVersion=0.50a\r\n"
                                      "Nick=lab user\r\n"
                                      "\r\n"
                                      "; set in the options dialog\r\n"
                                      "[Proxy]\r\n"
                                      "ProxyEnableProxy=0\r\n"
                                      "ProxyType=1\r\n"
                                      "ProxyName=old.mule\r\n"
                                      "ProxyPort=4000\r\n"
                                      "ProxyEnablePassword=0\r\n"
                                      "ProxyUser=\r\n"
                                      "ProxyPassword=\r\n"
                                      "ConnectionTimeout=30\r\n"
                                      "\r\n"
                                      "[Statistics]\r\n"
                                      "TotalDownloadedBytes=123456\r\n";

const QByteArray AMuleConfText = "[eMule]\n"
                                 "Nick=http://www.aMule.org\n"
                                 "Port=4662\n"
                                 "[Proxy]\n"
                                 "ProxyEnableProxy=0\n"
                                 "ProxyType=0\n"
                                 "ProxyName=\n"
                                 "ProxyPort=1080\n"
                                 "ProxyEnablePassword=0\n"
                                 "ProxyUser=\n"
                                 "ProxyPassword=\n"
                                 "[ExternalConnect]\n"
                                 "AcceptExternalConnections=0\n";

const QByteArray BitCometXmlText = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                   "<!-- BitComet settings -->\n"
                                   "<BitComet version=\"1.39\">\n"
                                   "  <Settings>\n"
                                   "    <ListenPort>22222</ListenPort>\n"
                                   "    <ProxyType>0</ProxyType>\n"
                                   "    <ProxyServer>old.bc</ProxyServer>\n"
                                   "    <ProxyPort>1</ProxyPort>\n"
                                   "    <ProxyAuth>0</ProxyAuth>\n"
                                   "    <ProxyUsername>old</ProxyUsername>\n"
                                   "    <ProxyPassword>oldpw</ProxyPassword>\n"
                                   "    <DownloadDir lang=\"en\">/home/lab/Downloads</DownloadDir>\n"
                                   "  </Settings>\n"
                                   "  <TaskList count=\"0\"/>\n"
                                   "</BitComet>\n";

// ICQ's records before the first switch: the first ConnectionSettings record is the one a
// switch replaces; the second one and the one spelt in other letter case stay.
const QList<QPair<QString, QByteArray>> ICQRecords{{"Account", QByteArray::fromHex("0102030405")},
                                                   {"ConnectionSettings", ICQ6Examples::NoProxy},
                                                   {"ConnectionSettings", "second, kept"},
                                                   {"connectionsettings", "other case, kept"}};

// Runs Body on an SQLite file through a connection of the test's own, closed afterwards.
bool OnSqliteFile(const QString &FileName, const std::function<bool(QSqlQuery &)> &Body)
{
    const QString Name = QStringLiteral("allproxies-icq");
    bool Done = false;
    {
        QSqlDatabase Db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), Name);
        Db.setDatabaseName(FileName);
        if (Db.open()) {
            QSqlQuery Query(Db);
            Done = Body(Query);
        }
        Db.close();
    }
    QSqlDatabase::removeDatabase(Name);
    return Done;
}

class AllProxiesLab : public TFirefoxProfileTest
{
protected:
    void SetUp() override
    {
        WAYFAREL_REQUIRE_LAB_UP();
        TFirefoxProfileTest::SetUp();
        InstallClients();
        for (const TSetup *Setup : {&A, &B})
            StoreLocation(*Setup);
        // wayfarelctl refuses a data file another program holds open.
        CloseConnection();
    }

    void TearDown() override
    {
        TFirefoxProfileTest::TearDown();
        TFuncDefine::FreeInstance();
        if (TLab::IsUp())
            TLab::Run({"nmcli", "connection", "down", TLab::Value("DHCP_PROFILE")});
    }

    QString EMuleFolder() const { return FRoot.Path() + "/eMule"; }
    QString BitCometFolder() const { return FRoot.Path() + "/BitComet"; }

    QString FileOf(TStore Store) const
    {
        const QString Config = qEnvironmentVariable("XDG_CONFIG_HOME");
        switch (Store) {
        case TStore::UserHive:
            return THiveFile(HKEY_CURRENT_USER).FileName();
        case TStore::GSettings:
            return Config + "/glib-2.0/settings/keyfile";
        case TStore::Kioslaverc:
            return Config + "/kioslaverc";
        case TStore::Prefs:
            return FProfile + "/prefs.js";
        case TStore::ICQ:
            return TICQProxy::SettingsFile();
        case TStore::Skype:
            return TSkypeProxy::SettingsFile();
        case TStore::EMule:
            return EMuleFolder() + "/config/preferences.ini";
        case TStore::AMule:
            return TeMuleProxy::AMuleConfigFile();
        case TStore::BitComet:
            return BitCometFolder() + "/BitComet.xml";
        }
        return {};
    }

    // Every client installed for the test's user, each store with content of its own.
    void InstallClients()
    {
        TExtRegistry User(HKEY_CURRENT_USER);
        ASSERT_TRUE(User.OpenKey("\\Software\\Aerofox\\Foxmail", true));
        User.WriteString("Version", "6.5");
        ASSERT_TRUE(User.OpenKey("Proxy", true));
        User.WriteString("EmailUseProxy", "0");
        User.WriteString("EmailProxyType", "1");
        User.WriteString("EmailProxyServer", "old.mail");
        User.WriteString("EmailProxyPort", "25");
        User.WriteString("EmailProxyUser", "kept");
        ASSERT_TRUE(User.OpenKey("\\" + Messenger, true));
        User.WriteString("SOCKS4Server", "");
        User.WriteBinaryData("SOCKS4Port", QByteArray(4, '\0'));
        User.WriteInteger("AppCompat", 7);
        ASSERT_TRUE(User.OpenKey("\\Software\\eMule", true));
        User.WriteString(QString(), EMuleFolder());
        ASSERT_TRUE(User.OpenKey("\\Software\\BitComet", true));
        User.WriteString(QString(), BitCometFolder());
        ASSERT_TRUE(User.OpenKey("\\Software\\Lab\\Other", true));
        User.WriteString("Kept", "as it is");
        User.CloseKey();

        FProfile = MakeProfile(PrefsText);
        for (const auto &[Store, Text] : {std::pair{TStore::GSettings, GSettingsText},
                                          {TStore::Kioslaverc, KioslavercText},
                                          {TStore::Skype, SharedXmlText},
                                          {TStore::EMule, PreferencesIniText},
                                          {TStore::AMule, AMuleConfText},
                                          {TStore::BitComet, BitCometXmlText}})
            WriteFile(FileOf(Store), Text);
        MakeICQStore();
        ASSERT_TRUE(TFireFoxProxy::IsInstalled() && TFoxMailProxy::IsInstalled() &&
                    TMSNProxy::IsInstalled() && TICQProxy::IsInstalled() && TSkypeProxy::IsInstalled() &&
                    TeMuleProxy::IsInstalled() && TBitCometProxy::IsInstalled());
    }

    void MakeICQStore()
    {
        QDir().mkpath(QFileInfo(FileOf(TStore::ICQ)).absolutePath());
        ASSERT_TRUE(OnSqliteFile(FileOf(TStore::ICQ), [](QSqlQuery &Query) {
            if (!Query.exec("CREATE TABLE records (section TEXT, data BLOB)"))
                return false;
            for (const auto &[Section, Data] : ICQRecords) {
                Query.prepare("INSERT INTO records (section, data) VALUES (?, ?)");
                Query.addBindValue(Section);
                Query.addBindValue(Data);
                if (!Query.exec())
                    return false;
            }
            return true;
        }));
    }

    // The ICQ store as text: its schema, then one line per record: rowid|section|data in hex.
    QByteArray ICQDump() const
    {
        QByteArray Dump;
        const bool Read = OnSqliteFile(FileOf(TStore::ICQ), [&Dump](QSqlQuery &Query) {
            if (!Query.exec("SELECT sql FROM sqlite_master ORDER BY name"))
                return false;
            while (Query.next())
                Dump += Query.value(0).toByteArray() + '\n';
            if (!Query.exec("SELECT rowid, section, data FROM records ORDER BY rowid"))
                return false;
            while (Query.next())
                Dump += Query.value(0).toByteArray() + '|' + Query.value(1).toByteArray() + '|' +
                        Query.value(2).toByteArray().toHex() + '\n';
            return true;
        });
        return Read ? Dump : QByteArray("(unreadable)");
    }

    std::map<TStore, QByteArray> Snapshot() const
    {
        std::map<TStore, QByteArray> Texts;
        for (const TStore Store : Stores)
            Texts[Store] = Store == TStore::ICQ ? ICQDump() : ReadFile(FileOf(Store));
        return Texts;
    }

    static void StoreLocation(const TSetup &Setup)
    {
        TLocation Location(Setup.Id, NoModules);
        Location.SetLocName(Setup.Name);
        Location.SetNetId("{" + TLab::Value("DHCP_UUID").toUpper() + "}");
        Location.Save();
        TIPAddress &Ip = *Location.IpAddress();
        Ip.SetEnableDHCP(true);
        Ip.SetAutoGetDNS(true);
        EXPECT_TRUE(Ip.Save()) << Ip.LastError().toStdString();
        StoreModules(Setup);
    }

    template <class TModule>
    static void StoreModule(const QString &Id, const std::function<void(TModule &)> &Fill)
    {
        const auto Module = TCustomProxy::Create<TModule>(Id);
        Fill(*Module);
        EXPECT_TRUE(Module->Save()) << Module->LastError().toStdString();
    }

    static void StoreModules(const TSetup &S)
    {
        StoreModule<TIEProxy>(S.Id, [&](TIEProxy &M) {
            M.SetEnableProxy(S.IE.On);
            M.SetShareProxy(S.IE.Shared);
            M.SetHttp(S.IE.Http);
            M.SetSecure(S.IE.Secure);
            M.SetGopher(S.IE.Gopher);
            M.SetSocket(S.IE.Socks);
            M.SetNoProxies(S.IE.Bypass);
        });
        StoreModule<TFireFoxProxy>(S.Id, [&](TFireFoxProxy &M) {
            M.SetProxyType(S.Firefox.Mode);
            M.SetShareProxy(S.Firefox.Shared);
            M.SetHttp(S.Firefox.Http);
            M.SetSecure(S.Firefox.Secure);
            M.SetFtp(S.Firefox.Ftp);
            M.SetSocket(S.Firefox.Socks);
            M.SetNoProxies(S.Firefox.Bypass);
            M.SetAutoSeetings(S.Firefox.Script);
        });
        StoreModule<TFoxMailProxy>(S.Id, [&](TFoxMailProxy &M) {
            M.SetEnableProxy(S.Foxmail.On);
            M.SetProxyType(S.Foxmail.Type);
            M.SetServer(S.Foxmail.Proxy.Host);
            M.SetPort(S.Foxmail.Proxy.Port);
        });
        StoreModule<TMSNProxy>(S.Id, [&](TMSNProxy &M) {
            M.SetEnableProxy(S.MSN.On);
            M.SetSocket4Server(S.MSN.Proxy.Host);
            M.SetSocket4Port(S.MSN.Proxy.Port);
        });
        StoreModule<TICQProxy>(S.Id, [&](TICQProxy &M) {
            M.SetEnableProxy(S.ICQ.Manual);
            M.SetServer(S.ICQ.Login.Host);
            M.SetPort(S.ICQ.Login.Port);
            M.SetProxyType(S.ICQ.Type);
            M.SetProxyServer(S.ICQ.Proxy.Host);
            M.SetProxyPort(S.ICQ.Proxy.Port);
            M.SetIsNeedAuth(S.ICQ.User != nullptr);
            M.SetUser(S.ICQ.User);
            M.SetPwd(S.ICQ.Pwd);
        });
        StoreModule<TSkypeProxy>(S.Id, [&](TSkypeProxy &M) {
            M.SetEnableProxy(S.Skype.On);
            M.SetProxyType(S.Skype.Type);
            M.SetServer(S.Skype.Proxy.Host);
            M.SetPort(S.Skype.Proxy.Port);
        });
        StoreModule<TeMuleProxy>(S.Id, [&](TeMuleProxy &M) { FillFileSharing(M, S.EMule); });
        StoreModule<TBitCometProxy>(S.Id, [&](TBitCometProxy &M) { FillFileSharing(M, S.BitComet); });
    }

    template <class TModule>
    static void FillFileSharing(TModule &M, const TSetup::TFileSharing &Values)
    {
        M.SetEnableProxy(Values.On);
        M.SetProxyType(Values.Type);
        M.SetServer(Values.Proxy.Host);
        M.SetPort(Values.Proxy.Port);
        M.SetEnablePWD(Values.Auth);
        M.SetUser(Values.User);
        M.SetPwd(Values.Pwd);
    }

    TCtlRun Switch(const TSetup &Setup)
    {
        return RunCtl({"--data", FRoot.DataFolder(), "--verbose", "switch", Setup.Name});
    }

    QString FProfile;
};

// The span of the value a slot names in Text; nothing unless the slot is there exactly once.
std::optional<std::pair<qsizetype, qsizetype>> SlotSpan(const QString &Slot, const QByteArray &Text)
{
    const QRegularExpression Pattern(Slot, QRegularExpression::MultilineOption);
    QRegularExpressionMatchIterator Matches = Pattern.globalMatch(QString::fromLatin1(Text));
    if (!Matches.hasNext())
        return std::nullopt;
    const QRegularExpressionMatch Match = Matches.next();
    if (Matches.hasNext())
        return std::nullopt;
    return std::pair{Match.capturedStart(1), Match.capturedLength(1)};
}

// Text with the values of Slots replaced by a mark, from the last to the first.
std::string Masked(QByteArray Text, const QStringList &Slots)
{
    QList<std::pair<qsizetype, qsizetype>> Spans;
    for (const QString &Slot : Slots)
        if (const auto Span = SlotSpan(Slot, Text))
            Spans.append(*Span);
    std::sort(Spans.begin(), Spans.end(), std::greater<>());
    for (const auto &[Start, Length] : Spans)
        Text.replace(Start, Length, "<written>");
    return Text.toStdString();
}

// New holds each value in its slot, and every other byte of Old.
void ExpectWrittenOnly(const std::string &Where, const QByteArray &Old, const QByteArray &New,
                       const QList<QPair<QString, QByteArray>> &Values)
{
    QStringList Slots;
    for (const auto &[Slot, Value] : Values) {
        Slots.append(Slot);
        const auto Span = SlotSpan(Slot, New);
        ASSERT_TRUE(Span && SlotSpan(Slot, Old))
            << Where << ": not exactly one " << Slot.toStdString() << "\n"
            << New.toStdString();
        EXPECT_EQ(New.mid(Span->first, Span->second).toStdString(), Value.toStdString())
            << Where << ": " << Slot.toStdString();
    }
    EXPECT_EQ(Masked(Old, Slots), Masked(New, Slots)) << Where;
}

std::string StoreLabel(TStore Store)
{
    static const char *const Labels[] = {"user hive",       "GSettings keyfile", "kioslaverc",
                                         "prefs.js",        "ICQ store",         "shared.xml",
                                         "preferences.ini", "amule.conf",        "BitComet.xml"};
    return Labels[static_cast<int>(Store)];
}

} // namespace

TEST_F(AllProxiesLab, EveryStoreFollowsTheSwitchesAndKeepsEverythingElse)
{
    std::map<TStore, QByteArray> Before = Snapshot();
    for (const TSetup *Setup : {&A, &B, &A, &B}) {
        const TCtlRun Switched = Switch(*Setup);
        ASSERT_EQ(Switched.Code, 0) << Switched.Err.toStdString();
        for (const TModuleDescriptor &Module : ProgramModules()) {
            // Shares and drives are the sharing lab's: these locations leave them switched off.
            const bool Sharing =
                Module.Kind == TModuleKind::FolderShare || Module.Kind == TModuleKind::NetMapping;
            const QString Outcome = Sharing ? "skipped" : "done";
            EXPECT_TRUE(Switched.Err.contains(
                QRegularExpression("^wayfarelctl: " + Module.Name + ": " + Outcome + "\\b",
                                   QRegularExpression::MultilineOption)))
                << Setup->Name << ": " << Module.Name.toStdString() << "\n"
                << Switched.Err.toStdString();
        }

        const std::map<TStore, QByteArray> After = Snapshot();
        for (const TStore Store : Stores) {
            QList<QPair<QString, QByteArray>> Values;
            for (const TExpected &Expected : Expectations())
                if (const QByteArray &Value = Setup == &A ? Expected.ForA : Expected.ForB;
                    Expected.Store == Store && !Value.isNull())
                    Values.append({Expected.Slot, Value});
            ExpectWrittenOnly(Setup->Name + (", " + StoreLabel(Store)), Before.at(Store), After.at(Store),
                              Values);
        }
        Before = After;
    }
}
