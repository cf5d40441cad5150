#include "modules/FoxMailProxy.h"

#include "app/ExtRegistry.h"
#include "locations/FuncDef.h"
#include "support/DatabaseTest.h"

#include <gmock/gmock.h>

namespace {

const QString LocId = QStringLiteral("FOXMAILPROXYTEST0000000000000001");
const QString FoxmailKey = QStringLiteral("\\Software\\Aerofox\\Foxmail");
const QString ProxyKey = FoxmailKey + QStringLiteral("\\Proxy");

class FoxMailProxy : public TDatabaseTest
{
protected:
    void TearDown() override
    {
        TDatabaseTest::TearDown();
        TFuncDefine::FreeInstance();
    }
    static void CreateKey(const QString &Key)
    {
        TExtRegistry Registry(HKEY_CURRENT_USER);
        ASSERT_TRUE(Registry.OpenKey(Key, true));
    }
    static std::unique_ptr<TFoxMailProxy> Module(bool Enable, int Type)
    {
        auto Module = TCustomProxy::Create<TFoxMailProxy>(LocId);
        Module->SetEnableProxy(Enable);
        Module->SetProxyType(Type);
        Module->SetServer("10.0.0.7");
        Module->SetPort(1080);
        Module->SetUser("alice");
        Module->SetPwd("secret");
        return Module;
    }
};

} // namespace

TEST_F(FoxMailProxy, WritesFourStringsWhetherTheProxyIsOnOrOff)
{
    CreateKey(ProxyKey);
    const struct
    {
        const char *Case;
        bool Enable;
        int Type;
        const char *Use;
        const char *TypeText;
    } Cases[] = {
        {"SOCKS5", true, 2, "1", "2"},
        {"SOCKS4", true, 1, "1", "1"},
        {"off keeps writing type, server and port", false, 2, "0", "2"},
    };
    for (const auto &Case : Cases) {
        auto Proxy = Module(Case.Enable, Case.Type);
        ASSERT_TRUE(Proxy->ChangeTo()) << Proxy->LastError().toStdString();
        TExtRegistry Registry(HKEY_CURRENT_USER);
        ASSERT_TRUE(Registry.OpenKeyReadOnly(ProxyKey));
        EXPECT_EQ(Registry.ReadString("EmailUseProxy"), Case.Use) << Case.Case;
        EXPECT_EQ(Registry.ReadString("EmailProxyType"), Case.TypeText) << Case.Case;
        EXPECT_EQ(Registry.ReadString("EmailProxyServer"), "10.0.0.7") << Case.Case;
        EXPECT_EQ(Registry.ReadString("EmailProxyPort"), "1080") << Case.Case;
        EXPECT_THAT(Registry.GetValueNames(),
                    testing::UnorderedElementsAre("EmailUseProxy", "EmailProxyType", "EmailProxyServer",
                                                  "EmailProxyPort"))
            << "the user name and password never reach Foxmail";
    }
}

TEST_F(FoxMailProxy, AFoxmailWithoutProxyKeyFailsAndGetsNone)
{
    CreateKey(FoxmailKey);
    auto Proxy = Module(true, 2);
    EXPECT_TRUE(TFoxMailProxy::IsInstalled());
    EXPECT_FALSE(Proxy->ChangeTo());
    EXPECT_THAT(Proxy->LastError().toStdString(), testing::HasSubstr("Foxmail has no proxy key"));
    EXPECT_FALSE(TExtRegistry(HKEY_CURRENT_USER).KeyExists(ProxyKey));
}

TEST_F(FoxMailProxy, WithoutFoxmailNothingIsWritten)
{
    EXPECT_FALSE(TFoxMailProxy::IsInstalled());
    EXPECT_TRUE(Module(true, 2)->ChangeTo());
    EXPECT_FALSE(TExtRegistry(HKEY_CURRENT_USER).KeyExists(FoxmailKey));
}

TEST_F(FoxMailProxy, CheckRefusesATypeFoxmailDoesNotHave)
{
    QStringList Reasons;
    EXPECT_FALSE(Module(true, 3)->Check(&Reasons));
    EXPECT_THAT(Reasons.join("; ").toStdString(),
                testing::HasSubstr("type 3 is neither 1 (SOCKS4) nor 2 (SOCKS5)"));
    Reasons.clear();
    EXPECT_TRUE(Module(false, 3)->Check(&Reasons)) << "an unused proxy is not checked";
}
