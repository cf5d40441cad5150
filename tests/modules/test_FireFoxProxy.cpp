#include "modules/FireFoxProxy.h"

#include "support/FirefoxProfileTest.h"

#include <gmock/gmock.h>
#include <unistd.h>

namespace {

const QByteArray AllFourteen = "user_pref(\"network.proxy.ftp\", \"\");\r\n"
                               "user_pref(\"network.proxy.ftp_port\", 0);\r\n"
                               "user_pref(\"network.proxy.gopher\", \"\");\r\n"
                               "user_pref(\"network.proxy.gopher_port\", 0);\r\n"
                               "user_pref(\"network.proxy.http\", \"proxy.lan\");\r\n"
                               "user_pref(\"network.proxy.http_port\", 3128);\r\n"
                               "user_pref(\"network.proxy.no_proxies_on\", \"localhost, .corp.test\");\r\n"
                               "user_pref(\"network.proxy.share_proxy_settings\", false);\r\n"
                               "user_pref(\"network.proxy.socks\", \"socks.lan\");\r\n"
                               "user_pref(\"network.proxy.socks_port\", 1080);\r\n"
                               "user_pref(\"network.proxy.ssl\", \"tls.lan\");\r\n"
                               "user_pref(\"network.proxy.ssl_port\", 8443);\r\n"
                               "user_pref(\"network.proxy.autoconfig_url\", \"\");\r\n"
                               "user_pref(\"network.proxy.type\", 1);\r\n";

class FireFoxProxy : public TFirefoxProfileTest
{
protected:
    static std::unique_ptr<TFireFoxProxy> Manual()
    {
        auto Module = TCustomProxy::Create<TFireFoxProxy>("LOC1");
        Module->SetProxyType(3);
        Module->SetHttp("proxy.lan:3128");
        Module->SetSecure("tls.lan:8443");
        Module->SetSocket("socks.lan:1080");
        Module->SetNoProxies("localhost, .corp.test");
        return Module;
    }
    QByteArray SwitchedPrefs(const QByteArray &Before, TFireFoxProxy &Module)
    {
        const QString Dir = MakeProfile(Before);
        EXPECT_TRUE(Module.ChangeTo()) << Module.LastError().toStdString();
        return ReadFile(QDir(Dir).filePath("prefs.js"));
    }
    // The value the one line of Name in Text gives, as written after the comma.
    static QByteArray LineOf(const QByteArray &Text, const QByteArray &Name)
    {
        for (const QByteArray &Line : Text.split('\n'))
            if (Line.contains("\"" + Name + "\""))
                return Line.trimmed();
        return {};
    }
};

struct TRewriteCase
{
    const char *Name;
    QByteArray Before;
    QByteArray After;
};

void PrintTo(const TRewriteCase &Case, std::ostream *Out) { *Out << Case.Name; }

class FireFoxRewrite : public FireFoxProxy, public testing::WithParamInterface<TRewriteCase>
{};

} // namespace

TEST_P(FireFoxRewrite, ChangesOnlyTheProxyLines)
{
    auto Module = Manual();
    EXPECT_EQ(SwitchedPrefs(GetParam().Before, *Module), GetParam().After);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FireFoxRewrite,
    testing::Values(
        TRewriteCase{"AllFourteenAppendedInOrder", "// Mozilla User Preferences\n\nuser_pref(\"a.b\", 1);\n",
                     "// Mozilla User Preferences\n\nuser_pref(\"a.b\", 1);\n" +
                         QByteArray(AllFourteen).replace("\r\n", "\n")},
        TRewriteCase{"EmptyFileGetsCrLfLines", "", AllFourteen},
        TRewriteCase{"LastLineWithoutEndIsClosed", "// x\r\nuser_pref(\"a\", 1);",
                     "// x\r\nuser_pref(\"a\", 1);\r\n" + AllFourteen},
        TRewriteCase{
            "TheLaterOfTwoLinesIsReplaced",
            "// head\nuser_pref(\"network.proxy.type\", 5);\nkeep\nuser_pref(\"network.proxy.type\", 4);\n",
            "// head\nuser_pref(\"network.proxy.type\", 5);\nkeep\nuser_pref(\"network.proxy.type\", 1);\n" +
                QByteArray(AllFourteen)
                    .replace("\r\n", "\n")
                    .replace("user_pref(\"network.proxy.type\", 1);\n", "")},
        TRewriteCase{"TheFirstLineIsNeverReplaced",
                     "user_pref(\"network.proxy.type\", 5);\nuser_pref(\"z\", \"\xe9\xff\");\n",
                     "user_pref(\"network.proxy.type\", 5);\nuser_pref(\"z\", \"\xe9\xff\");\n" +
                         QByteArray(AllFourteen).replace("\r\n", "\n")},
        TRewriteCase{
            "PortNamesDoNotMatchTheirHosts",
            "// head\r\nuser_pref(\"network.proxy.ftp_port\", 21);\r\n  odd\tbytes \x01\r\n",
            "// head\r\nuser_pref(\"network.proxy.ftp_port\", 0);\r\n  odd\tbytes \x01\r\n" +
                QByteArray(AllFourteen).replace("user_pref(\"network.proxy.ftp_port\", 0);\r\n", "")}),
    [](const testing::TestParamInfo<TRewriteCase> &Info) { return std::string(Info.param.Name); });

TEST_F(FireFoxProxy, ValuesFollowTheFields)
{
    const struct
    {
        int Mode;
        QString Http;
        bool Share;
        QByteArray Pref;
        QByteArray Line;
    } Cases[] = {
        {1, "proxy.lan:3128", false, "network.proxy.type", "user_pref(\"network.proxy.type\", 3);"},
        {0, "proxy.lan:3128", false, "network.proxy.type", "user_pref(\"network.proxy.type\", 0);"},
        {2, "proxy.lan:3128", false, "network.proxy.type", "user_pref(\"network.proxy.type\", 4);"},
        {4, "proxy.lan:3128", false, "network.proxy.type", "user_pref(\"network.proxy.type\", 2);"},
        {5, "proxy.lan:3128", false, "network.proxy.type", "user_pref(\"network.proxy.type\", 5);"},
        {9, "proxy.lan:3128", false, "network.proxy.type", "user_pref(\"network.proxy.type\", 0);"},
        {3, "proxy.lan", false, "network.proxy.http", "user_pref(\"network.proxy.http\", \"\");"},
        {3, "proxy.lan", false, "network.proxy.http_port", "user_pref(\"network.proxy.http_port\", 0);"},
        {3, "", false, "network.proxy.http_port", "user_pref(\"network.proxy.http_port\", 0);"},
        {3, "proxy.lan:web", false, "network.proxy.http_port", "user_pref(\"network.proxy.http_port\", 0);"},
        {3, "proxy.lan:3128", true, "network.proxy.ssl", "user_pref(\"network.proxy.ssl\", \"proxy.lan\");"},
        {3, "proxy.lan:3128", true, "network.proxy.ssl_port", "user_pref(\"network.proxy.ssl_port\", 3128);"},
        {3, "proxy.lan:3128", true, "network.proxy.share_proxy_settings",
         "user_pref(\"network.proxy.share_proxy_settings\", true);"},
    };
    for (const auto &Case : Cases) {
        auto Module = Manual();
        Module->SetProxyType(Case.Mode);
        Module->SetHttp(Case.Http);
        Module->SetShareProxy(Case.Share);
        Module->SetAutoSeetings("http://wpad.test/a \"b\".pac");
        const QByteArray Text = SwitchedPrefs("// head\n", *Module);
        EXPECT_EQ(LineOf(Text, Case.Pref), Case.Line) << Case.Mode << " " << Case.Http.toStdString();
        EXPECT_EQ(LineOf(Text, "network.proxy.autoconfig_url"),
                  "user_pref(\"network.proxy.autoconfig_url\", \"http://wpad.test/a \\\"b\\\".pac\");");
    }
}

TEST_F(FireFoxProxy, AProfileFirefoxDoesNotUseIsLeftAlone)
{
    const QByteArray Unused = "user_pref(\"network.proxy.type\", 0);\n";
    WriteFile(QDir(LegacyRoot()).filePath("zz.default/prefs.js"), Unused);
    auto Module = Manual();
    SwitchedPrefs("// head\n", *Module);
    EXPECT_EQ(ReadFile(QDir(LegacyRoot()).filePath("zz.default/prefs.js")), Unused);
}

TEST_F(FireFoxProxy, WithoutAProfileTheModuleIsNotInstalledAndChangesNothing)
{
    EXPECT_FALSE(TFireFoxProxy::IsInstalled());
    auto Module = Manual();
    EXPECT_TRUE(Module->SkipsChange());
    const QString Dir = MakeProfile("");
    ASSERT_TRUE(QFile::remove(QDir(Dir).filePath("prefs.js")));
    EXPECT_FALSE(TFireFoxProxy::IsInstalled());
    MakeProfile("");
    EXPECT_TRUE(TFireFoxProxy::IsInstalled());
}

TEST_F(FireFoxProxy, ImportReadsTheProfileBack)
{
    const struct
    {
        QByteArray Prefs;
        int Mode;
        int Socks;
        bool Share;
        QString NoProxies;
        QString Http;
        QString Ssl;
    } Cases[] = {
        {"user_pref(\"network.proxy.type\", 1);\nuser_pref(\"network.proxy.http\", \"p.lan\");\n"
         "user_pref(\"network.proxy.http_port\", 3128);\nuser_pref(\"network.proxy.share_proxy_settings\", "
         "TRUE);\n"
         "USER_PREF(\"network.proxy.ssl\", \"s.lan\");\nuser_pref(\"network.proxy.socks_version\", 4);\n",
         3, 4, true, "localhost, 127.0.0.1", "p.lan:3128", "s.lan:"},
        {"user_pref(\"network.proxy.no_proxies_on\", \".corp.test\");\n"
         "user_pref(\"network.proxy.share_proxy_settings\", 1);\nuser_pref(\"network.proxy.http\", \"\");\n",
         1, 5, false, ".corp.test", "old.lan:1", "old.lan:2"},
        {"user_pref(\"network.proxy.type\", 0);\n", 0, 5, false, "localhost, 127.0.0.1", "old.lan:1",
         "old.lan:2"},
        {"user_pref(\"network.proxy.type\", 4);\nuser_pref(\"Network.Proxy.Type\", 2);\n", 2, 5, false,
         "localhost, 127.0.0.1", "old.lan:1", "old.lan:2"},
        {"user_pref(\"network.proxy.type\", 7);\n", 7, 5, false, "localhost, 127.0.0.1", "old.lan:1",
         "old.lan:2"},
    };
    for (const auto &Case : Cases) {
        MakeProfile(Case.Prefs);
        auto Module = TCustomProxy::Create<TFireFoxProxy>("LOC1");
        Module->SetHttp("old.lan:1");
        Module->SetSecure("old.lan:2");
        ASSERT_TRUE(Module->Import("{NET}")) << Module->LastError().toStdString();
        auto Stored = TCustomProxy::Create<TFireFoxProxy>("LOC1");
        EXPECT_EQ(Stored->ProxyType(), Case.Mode) << Case.Prefs.toStdString();
        EXPECT_EQ(Stored->SocksType(), Case.Socks);
        EXPECT_EQ(Stored->ShareProxy(), Case.Share);
        EXPECT_EQ(Stored->NoProxies(), Case.NoProxies);
        EXPECT_EQ(Stored->Http(), Case.Http);
        EXPECT_EQ(Stored->Secure(), Case.Ssl);
    }
}

TEST_F(FireFoxProxy, ImportRefusesAModeThatIsNoNumberAndAMissingProfile)
{
    auto Module = TCustomProxy::Create<TFireFoxProxy>("LOC1");
    EXPECT_FALSE(Module->Import("{NET}"));
    MakeProfile("user_pref(\"network.proxy.type\", \"manual\");\n");
    EXPECT_FALSE(Module->Import("{NET}"));
    EXPECT_THAT(Module->LastError().toStdString(), testing::HasSubstr("network.proxy.type"));
}

TEST_F(FireFoxProxy, ImportWhileSwitchedOffReadsNothing)
{
    MakeProfile("user_pref(\"network.proxy.type\", 1);\n");
    auto Module = TCustomProxy::Create<TFireFoxProxy>("LOC1");
    Module->SetIsEnabled(false);
    EXPECT_FALSE(Module->Import("{NET}"));
    EXPECT_EQ(Module->ProxyType(), 0) << "nothing read";
}

TEST_F(FireFoxProxy, WhileFirefoxRunsTheProxyAlsoGoesToUserJs)
{
    const QString Dir = MakeProfile("// head\n");
    const QString UserJs = QDir(Dir).filePath("user.js");
    WriteFile(UserJs, "user_pref(\"browser.startup.page\", 3);\n");
    const QString Lock = QDir(Dir).filePath("lock");
    ASSERT_EQ(symlink(QStringLiteral("127.0.1.1:+%1").arg(getpid()).toLocal8Bit().constData(),
                      Lock.toLocal8Bit().constData()),
              0);

    auto Module = Manual();
    for (const int Mode : {3, 1}) {
        Module->SetProxyType(Mode);
        ASSERT_TRUE(Module->ChangeTo()) << Module->LastError().toStdString();
    }
    EXPECT_THAT(Module->Changes().join("; ").toStdString(), testing::HasSubstr("restart"));
    const QByteArray Text = ReadFile(UserJs);
    EXPECT_TRUE(Text.startsWith("user_pref(\"browser.startup.page\", 3);\n// Wayfarel"));
    EXPECT_EQ(Text.count("network.proxy.type"), 1);
    EXPECT_EQ(LineOf(Text, "network.proxy.type"), "user_pref(\"network.proxy.type\", 3);");
    EXPECT_EQ(Text.count("\"network.proxy."), 14);

    ASSERT_TRUE(QFile::remove(Lock));
    ASSERT_TRUE(Module->ChangeTo());
    EXPECT_EQ(ReadFile(UserJs), "user_pref(\"browser.startup.page\", 3);\n");
    EXPECT_THAT(Module->Changes().join("; ").toStdString(), testing::Not(testing::HasSubstr("restart")));
}

// The step changes both preference files or neither: a user.js that cannot be read leaves
// prefs.js as it was, and the step says why.
TEST_F(FireFoxProxy, AUserJsThatCannotBeReadLeavesPrefsJsAsItWas)
{
    const QByteArray Before = "user_pref(\"network.proxy.type\", 0);\n";
    const QString Dir = MakeProfile(Before);
    ASSERT_TRUE(QDir(Dir).mkdir("user.js"));
    auto Module = Manual();
    EXPECT_FALSE(Module->ChangeTo());
    EXPECT_THAT(Module->LastError().toStdString(), testing::HasSubstr("user.js"));
    EXPECT_EQ(ReadFile(QDir(Dir).filePath("prefs.js")), Before);
}

// The editor stores a protocol left unused as its untouched address field and no port.
TEST_F(FireFoxProxy, AnAddressTheEditorLeftUnusedIsWrittenAsNoProxy)
{
    auto Module = Manual();
    Module->SetFtp("0.0.0.0:");
    Module->SetGopher(":");
    QStringList Reasons;
    EXPECT_TRUE(Module->Check(&Reasons)) << Reasons.join("; ").toStdString();
    const QByteArray Prefs = SwitchedPrefs("", *Module);
    EXPECT_EQ(LineOf(Prefs, "network.proxy.ftp"), "user_pref(\"network.proxy.ftp\", \"\");");
    EXPECT_EQ(LineOf(Prefs, "network.proxy.ftp_port"), "user_pref(\"network.proxy.ftp_port\", 0);");
    EXPECT_EQ(LineOf(Prefs, "network.proxy.gopher"), "user_pref(\"network.proxy.gopher\", \"\");");
    EXPECT_EQ(LineOf(Prefs, "network.proxy.http"), "user_pref(\"network.proxy.http\", \"proxy.lan\");");
}

TEST_F(FireFoxProxy, CheckRefusesWhatCouldNotBeWritten)
{
    const QString Dir = MakeProfile("// head\n");
    auto Module = Manual();
    QStringList Reasons;
    EXPECT_TRUE(Module->Check(&Reasons)) << Reasons.join("; ").toStdString();

    Module->SetSecure("tls.lan:0");
    Module->SetFtp("ftp.lan");
    Module->SetGopher("go lan:70");
    Module->SetSocket("socks.lan:65536");
    EXPECT_FALSE(Module->Check(&Reasons));
    EXPECT_EQ(Reasons.size(), 4) << Reasons.join("; ").toStdString();
    EXPECT_THAT(Reasons.join("; ").toStdString(), testing::HasSubstr("\"tls.lan:0\""));

    Reasons.clear();
    Module->SetShareProxy(true);
    Module->SetFtp("");
    Module->SetGopher("");
    Module->SetSocket("");
    EXPECT_TRUE(Module->Check(&Reasons)) << "with one proxy for all the SSL address is not written";

    ASSERT_TRUE(QFile::remove(QDir(Dir).filePath("prefs.js")));
    ASSERT_TRUE(QDir(Dir).mkdir("prefs.js"));
    EXPECT_FALSE(Module->Check(&Reasons));
    EXPECT_THAT(Reasons.join("; ").toStdString(), testing::HasSubstr("prefs.js cannot be read"));
}

TEST_F(FireFoxProxy, CheckRefusesAPrefsFileTheUserCannotReplace)
{
    const QString Dir = MakeProfile("// head\n");
    QFile::setPermissions(QDir(Dir).filePath("prefs.js"), QFileDevice::ReadOwner | QFileDevice::ReadOther);
    FRoot.OpenToOthers();
    for (const QString &Folder : {Home(), QDir(Home()).filePath(".mozilla"), LegacyRoot(), Dir})
        QFile::setPermissions(Folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                          QFileDevice::WriteOther | QFileDevice::ExeOther);
    auto Module = Manual();
    const int Refused = RunUnprivileged([&] {
        QStringList Reasons;
        return !Module->Check(&Reasons) && Reasons.join(";").contains("prefs.js cannot be replaced") ? 0 : 1;
    });
    EXPECT_EQ(Refused, 0);
}
