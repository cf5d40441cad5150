#include "modules/IEProxy.h"

#include "app/DBManager.h"
#include "app/ExtRegistry.h"
#include "base/Exceptions.h"
#include "locations/FuncDef.h"
#include "platform/desktop/GSettingsProxy.h"
#include "platform/desktop/InternetSettings.h"
#include "support/DatabaseTest.h"

#include <QSqlQuery>

namespace {

const QString LocId = QStringLiteral("IEPROXYTEST000000000000000000001");

// A desktop proxy store in memory that can be told to refuse.
class TFakeDesktopProxy : public IDesktopProxy
{
public:
    bool IsAvailable() const override { return Available; }
    bool Read(TDesktopProxySettings &Settings) override
    {
        Settings = Stored;
        return true;
    }
    bool Write(const TDesktopProxySettings &Settings) override
    {
        if (!Refusal.isEmpty())
            return false;
        ++Writes;
        Stored = Settings;
        return true;
    }
    QString LastError() const override { return Refusal; }

    bool Available = true;
    QString Refusal;
    int Writes = 0;
    TDesktopProxySettings Stored{true, QStringLiteral("untouched:1"), QStringLiteral("untouched")};
};

struct TAddresses
{
    const char *Http = "";
    const char *Secure = "";
    const char *Ftp = "";
    const char *Gopher = "";
    const char *Socket = "";
};

void Fill(TIEProxy &Module, const TAddresses &Addresses)
{
    Module.SetHttp(Addresses.Http);
    Module.SetSecure(Addresses.Secure);
    Module.SetFtp(Addresses.Ftp);
    Module.SetGopher(Addresses.Gopher);
    Module.SetSocket(Addresses.Socket);
}

QStringList AddressesOf(const TIEProxy &Module)
{
    return {Module.Http(), Module.Secure(), Module.Ftp(), Module.Gopher(), Module.Socket()};
}

// A location's module over the test's data file, with a fake desktop proxy installed.
class IEProxyTest : public TDatabaseTest
{
protected:
    void SetUp() override
    {
        TDatabaseTest::SetUp();
        Exec("UPDATE FUNC_DEF SET FUNC_EANBLED=1");
        InstallDesktopProxy(FStore);
    }
    void TearDown() override
    {
        InstallDesktopProxy(nullptr);
        TDatabaseTest::TearDown();
        TFuncDefine::FreeInstance();
    }

    static int StoredRows()
    {
        QSqlQuery Query(GetConnection());
        Query.exec(QStringLiteral("SELECT COUNT(*) FROM IE_PROXY WHERE LOC_ID='%1'").arg(LocId));
        return Query.next() ? Query.value(0).toInt() : -1;
    }

    std::shared_ptr<TFakeDesktopProxy> FStore = std::make_shared<TFakeDesktopProxy>();
};

} // namespace

TEST(IEProxy, GetProxiesNamesEverySetAddressOrTheSharedOne)
{
    const struct
    {
        const char *Case;
        TAddresses Addresses;
        bool Share;
        const char *Expected;
    } Cases[] = {
        {"two protocols", {"10.0.0.1:80", "10.0.0.2:443"}, false, "http=10.0.0.1:80;https=10.0.0.2:443"},
        {"all five in order",
         {"h:1", "s:2", "f:3", "g:4", "k:5"},
         false,
         "http=h:1;https=s:2;ftp=f:3;gopher=g:4;socks=k:5"},
        {"socks alone", {"", "", "", "", "k:1080"}, false, "socks=k:1080"},
        {"none", {}, false, ""},
        {"shared: the HTTP address alone",
         {"10.0.0.1:8080", "s:2", "f:3", "g:4", "k:5"},
         true,
         "10.0.0.1:8080"},
        {"shared without an HTTP address", {"", "s:2"}, true, ""},
    };
    for (const auto &Case : Cases) {
        TIEProxy Module(LocId);
        Fill(Module, Case.Addresses);
        Module.SetShareProxy(Case.Share);
        EXPECT_EQ(Module.GetProxies(), Case.Expected) << Case.Case;
    }
}

TEST(IEProxy, SplitIpAndSplitPortCutAtTheFirstColon)
{
    const struct
    {
        const char *Text;
        const char *Ip;
        const char *Port;
    } Cases[] = {{"1.2.3.4:8080", "1.2.3.4", "8080"},
                 {"1.2.3.4", "", ""},
                 {"1.2.3.4:", "1.2.3.4", ""},
                 {":3128", "", "3128"},
                 {"", "", ""},
                 {"h:1:2", "h", "1:2"}};
    for (const auto &Case : Cases) {
        EXPECT_EQ(TIEProxy::SplitIp(Case.Text), Case.Ip) << Case.Text;
        EXPECT_EQ(TIEProxy::SplitPort(Case.Text), Case.Port) << Case.Text;
    }
}

TEST_F(IEProxyTest, ChangeToHandsTheSettingToTheDesktopProxy)
{
    const struct
    {
        const char *Case;
        bool Enable;
        TDesktopProxySettings Expected;
        const char *Reported;
    } Cases[] = {
        {"through the proxy",
         true,
         {true, "http=10.0.0.1:80;socks=10.0.0.5:1080", "<local>;10.*"},
         "desktop proxy \"http=10.0.0.1:80;socks=10.0.0.5:1080\""},
        {"direct keeps server and bypass",
         false,
         {false, "http=10.0.0.1:80;socks=10.0.0.5:1080", "<local>;10.*"},
         "desktop proxy off"},
    };
    for (const auto &Case : Cases) {
        TIEProxy Module(LocId);
        Fill(Module, {"10.0.0.1:80", "", "", "", "10.0.0.5:1080"});
        Module.SetEnableProxy(Case.Enable);
        Module.SetNoProxies("<local>;10.*");
        EXPECT_TRUE(Module.ChangeTo()) << Case.Case;
        EXPECT_EQ(FStore->Stored, Case.Expected) << Case.Case;
        EXPECT_EQ(Module.Changes(), QStringList{Case.Reported}) << Case.Case;
    }
}

TEST_F(IEProxyTest, AStoreThatRefusesFailsTheSwitchWithItsReason)
{
    FStore->Refusal = QStringLiteral("/home/u/.config/kioslaverc cannot be saved");
    TIEProxy Module(LocId);
    EXPECT_FALSE(Module.ChangeTo());
    EXPECT_EQ(Module.LastError(), FStore->Refusal);

    InstallDesktopProxy(nullptr);
    EXPECT_FALSE(Module.ChangeTo());
    EXPECT_EQ(Module.LastError(), "no desktop proxy store is installed");
}

TEST_F(IEProxyTest, SwitchedOffInTheCatalogueItTouchesNothing)
{
    Exec("UPDATE FUNC_DEF SET FUNC_EANBLED=0 WHERE FUNC_CODE='IE'");
    TIEProxy Module(LocId);
    Module.SetEnableProxy(true);
    Module.SetHttp("10.0.0.1:80");
    EXPECT_TRUE(Module.ChangeTo());
    EXPECT_TRUE(Module.Save());
    EXPECT_EQ(FStore->Writes, 0);
    EXPECT_EQ(StoredRows(), 0);
}

TEST_F(IEProxyTest, CheckRefusesWhatNoStoreCanTake)
{
    const struct
    {
        const char *Case;
        const char *Http;
        const char *Bypass;
        bool Accepted;
    } Cases[] = {
        {"address and port", "10.0.0.1:8080", "", true},
        {"host name", "proxy.corp.test:3128", "", true},
        {"IPv6 in brackets", "[fd00::1]:3128", "", true},
        {"unused, as the editor keeps it", "0.0.0.0:", "", true},
        {"unused, no address at all", ":", "", true},
        {"no port", "10.0.0.1", "", false},
        {"address with an empty port", "10.0.0.1:", "", false},
        {"port 0", "10.0.0.1:0", "", false},
        {"port 65536", "10.0.0.1:65536", "", false},
        {"port not a number", "10.0.0.1:web", "", false},
        {"blank in the host", "proxy corp:80", "", false},
        {"separator in the host", "a;b:80", "", false},
        {"bypass of local, wildcards and networks", "", "<Local>;*.corp.test; 10.*;192.168.0.0/16", true},
        {"comma in the bypass list", "", "a.test,b.test", false},
        {"quote in the bypass list", "", "\"a.test\"", false},
    };
    for (const auto &Case : Cases) {
        TIEProxy Module(LocId);
        Module.SetHttp(Case.Http);
        Module.SetNoProxies(Case.Bypass);
        QStringList Reasons;
        EXPECT_EQ(Module.Check(&Reasons), Case.Accepted) << Case.Case;
        EXPECT_EQ(Reasons.size(), Case.Accepted ? 0 : 1)
            << Case.Case << ": " << Reasons.join('|').toStdString();
    }
}

TEST_F(IEProxyTest, CheckLooksOnlyAtTheAddressesTheServerStringCarries)
{
    TIEProxy Module(LocId);
    Fill(Module, {"10.0.0.1:8080", "", "ftp.corp.test"});
    QStringList Reasons;
    EXPECT_FALSE(Module.Check(&Reasons));
    ASSERT_EQ(Reasons.size(), 1);
    EXPECT_TRUE(Reasons.first().contains("FTP proxy \"ftp.corp.test\"")) << Reasons.first().toStdString();

    Module.SetShareProxy(true);
    Reasons.clear();
    EXPECT_TRUE(Module.Check(&Reasons)) << Reasons.join('|').toStdString();
}

TEST_F(IEProxyTest, CheckRefusesADesktopWithoutAProxyStore)
{
    TIEProxy Module(LocId);
    QStringList Reasons;
    FStore->Available = false;
    EXPECT_FALSE(Module.Check(&Reasons));
    InstallDesktopProxy(nullptr);
    EXPECT_FALSE(Module.Check(&Reasons));
    ASSERT_EQ(Reasons.size(), 2);
    EXPECT_TRUE(Reasons.at(0).contains(TGSettingsProxy::SchemaId())) << Reasons.at(0).toStdString();
    EXPECT_EQ(Reasons.at(1), "no desktop proxy store is installed");
}

namespace {

// Import reads the key as the registry holds it; the desktop proxy is not mounted over it here.
class IEProxyImport : public IEProxyTest
{
protected:
    void SetUp() override
    {
        IEProxyTest::SetUp();
        InstallDesktopProxy(nullptr);
    }

    static void StoreKey(const std::function<void(TExtRegistry &)> &Fill)
    {
        TExtRegistry Registry(HKEY_CURRENT_USER);
        ASSERT_TRUE(Registry.OpenKey('\\' + InternetSettingsKeyPath(), true));
        Fill(Registry);
    }
};

} // namespace

TEST_F(IEProxyImport, TakesTheServerStringForms)
{
    const struct
    {
        const char *Case;
        int Enable; // -1: no ProxyEnable value
        const char *Server;
        TAddresses Expected;
        bool Shared;
        bool Saved;
    } Cases[] = {
        {"two named protocols",
         1,
         "http=1.2.3.4:80;ftp=5.6.7.8:21",
         {"1.2.3.4:80", "keep", "5.6.7.8:21", "keep", "keep"},
         false,
         true},
        {"names in any case",
         1,
         "HTTP=1.2.3.4:80;Socks=9.9.9.9:1080",
         {"1.2.3.4:80", "keep", "keep", "keep", "9.9.9.9:1080"},
         false,
         true},
        {"blanks separate, unknown names and bare pieces are skipped",
         1,
         "https=5.6.7.8:443 gopher=7.7.7.7:70;mms=1.1.1.1:1;stray",
         {"keep", "5.6.7.8:443", "keep", "7.7.7.7:70", "keep"},
         false,
         true},
        {"one address for all protocols",
         1,
         "10.0.0.1:8080",
         {"10.0.0.1:8080", "keep", "keep", "keep", "keep"},
         true,
         true},
        {"proxy off", 0, "http=1.2.3.4:80", {"keep", "keep", "keep", "keep", "keep"}, false, false},
        {"no ProxyEnable", -1, "http=1.2.3.4:80", {"keep", "keep", "keep", "keep", "keep"}, false, false},
    };
    for (const auto &Case : Cases) {
        Exec("DELETE FROM IE_PROXY");
        StoreKey([&](TExtRegistry &Registry) {
            if (Case.Enable < 0)
                Registry.DeleteValue("ProxyEnable");
            else
                Registry.WriteInteger("ProxyEnable", Case.Enable);
            Registry.WriteString("ProxyServer", Case.Server);
            Registry.WriteString("ProxyOverride", "<local>;*.corp.test");
        });
        TIEProxy Module(LocId);
        Fill(Module, {"keep", "keep", "keep", "keep", "keep"});
        Module.SetEnableProxy(Case.Enable != 1);

        EXPECT_TRUE(Module.Import("{NET}")) << Case.Case;
        EXPECT_EQ(Module.EnableProxy(), Case.Enable == 1) << Case.Case;
        EXPECT_EQ(Module.NoProxies(), "<local>;*.corp.test") << Case.Case;
        TIEProxy Expected(LocId);
        Fill(Expected, Case.Expected);
        EXPECT_EQ(AddressesOf(Module), AddressesOf(Expected)) << Case.Case;
        EXPECT_EQ(Module.ShareProxy(), Case.Shared) << Case.Case;
        EXPECT_EQ(StoredRows(), Case.Saved ? 1 : 0) << Case.Case;
    }
}

TEST_F(IEProxyImport, AMissingKeyChangesNothing)
{
    TIEProxy Module(LocId);
    Module.SetHttp("keep:1");
    EXPECT_FALSE(Module.Import("{NET}"));
    EXPECT_TRUE(Module.LastError().contains("Internet Settings")) << Module.LastError().toStdString();
    EXPECT_EQ(Module.Http(), "keep:1");
    EXPECT_EQ(StoredRows(), 0);
}

TEST_F(IEProxyImport, AValueOfTheWrongTypeRaises)
{
    StoreKey([](TExtRegistry &Registry) { Registry.WriteString("ProxyEnable", "yes"); });
    TIEProxy Module(LocId);
    EXPECT_THROW(Module.Import("{NET}"), ERegistryException);
}

TEST_F(IEProxyTest, ImportReadsTheInstalledDesktopProxy)
{
    FStore->Stored = {true, QStringLiteral("http=10.0.0.1:80;https=10.0.0.2:443"), QStringLiteral("<local>")};
    TIEProxy Module(LocId);
    ASSERT_TRUE(Module.Import("{NET}")) << Module.LastError().toStdString();
    EXPECT_EQ(AddressesOf(Module), QStringList({"10.0.0.1:80", "10.0.0.2:443", "", "", ""}));
    EXPECT_EQ(Module.NoProxies(), "<local>");
    EXPECT_EQ(StoredRows(), 1);
}

// What a switch sets in the GSettings store, an import from it gives back.
TEST_F(IEProxyTest, ASwitchedSettingImportsBackFromGSettings)
{
    WAYFAREL_REQUIRE_LAB(
        TGSettingsProxy::SchemaInstalled(),
        "the GSettings schema org.gnome.system.proxy is not installed (gsettings-desktop-schemas)");
    InstallDesktopProxy(
        std::make_shared<TGSettingsProxy>(FRoot.Path() + "/config/glib-2.0/settings/keyfile"));
    const struct
    {
        const char *Case;
        TAddresses Addresses;
        bool Share;
    } Cases[] = {
        {"one per protocol", {"10.0.0.1:80", "10.0.0.2:443", "10.0.0.3:21", "", "10.0.0.5:1080"}, false},
        {"one for all", {"10.0.0.9:3128"}, true},
    };
    for (const auto &Case : Cases) {
        TIEProxy Switched(LocId);
        Fill(Switched, Case.Addresses);
        Switched.SetShareProxy(Case.Share);
        Switched.SetEnableProxy(true);
        Switched.SetNoProxies("<local>;*.corp.test");
        ASSERT_TRUE(Switched.ChangeTo()) << Switched.LastError().toStdString();

        TIEProxy Imported(LocId);
        ASSERT_TRUE(Imported.Import("{NET}")) << Imported.LastError().toStdString();
        EXPECT_TRUE(Imported.EnableProxy()) << Case.Case;
        EXPECT_EQ(Imported.GetProxies(), Switched.GetProxies()) << Case.Case;
        EXPECT_EQ(Imported.ShareProxy(), Case.Share) << Case.Case;
        EXPECT_EQ(Imported.NoProxies(), "<local>;*.corp.test") << Case.Case;
    }
}
