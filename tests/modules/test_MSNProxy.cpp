#include "modules/MSNProxy.h"

#include "app/ExtRegistry.h"
#include "locations/FuncDef.h"
#include "support/DatabaseTest.h"

#include <gmock/gmock.h>

namespace {

const QString LocId = QStringLiteral("MSNPROXYTEST00000000000000000001");
const QString MessengerKey = QStringLiteral("\\Software\\Microsoft\\MSNMessenger");

class MSNProxy : public TDatabaseTest
{
protected:
    void TearDown() override
    {
        TDatabaseTest::TearDown();
        TFuncDefine::FreeInstance();
    }
    static void InstallMessenger()
    {
        TExtRegistry Registry(HKEY_CURRENT_USER);
        ASSERT_TRUE(Registry.OpenKey(MessengerKey, true));
        Registry.WriteString("Other", "kept");
    }
    static std::unique_ptr<TMSNProxy> Module(bool Enable, const QString &Server, int Port)
    {
        auto Module = TCustomProxy::Create<TMSNProxy>(LocId);
        Module->SetEnableProxy(Enable);
        Module->SetSocket4Server(Server);
        Module->SetSocket4Port(Port);
        return Module;
    }
};

} // namespace

TEST_F(MSNProxy, WritesTheServerAndThePortAsLittleEndianBytes)
{
    InstallMessenger();
    const struct
    {
        const char *Case;
        bool Enable;
        int Port;
        const char *Server;
        QByteArray PortBytes;
    } Cases[] = {
        {"port 1080", true, 1080, "10.0.0.1", QByteArray("\x38\x04\x00\x00", 4)},
        {"highest port", true, 65535, "10.0.0.1", QByteArray("\xff\xff\x00\x00", 4)},
        {"off, whatever is stored", false, 1080, "", QByteArray(4, '\0')},
    };
    for (const auto &Case : Cases) {
        auto Proxy = Module(Case.Enable, "10.0.0.1", Case.Port);
        ASSERT_TRUE(Proxy->ChangeTo()) << Proxy->LastError().toStdString();
        TExtRegistry Registry(HKEY_CURRENT_USER);
        ASSERT_TRUE(Registry.OpenKeyReadOnly(MessengerKey));
        EXPECT_EQ(Registry.ReadString("SOCKS4Server"), Case.Server) << Case.Case;
        EXPECT_EQ(Registry.GetDataType("SOCKS4Port"), REG_BINARY) << Case.Case;
        EXPECT_EQ(Registry.ReadBinaryData("SOCKS4Port"), Case.PortBytes) << Case.Case;
        EXPECT_EQ(Registry.ReadString("Other"), "kept");
        EXPECT_EQ(Proxy->Changes().size(), 1);
    }
}

TEST_F(MSNProxy, WithoutMessengerOrSwitchedOffNothingIsWritten)
{
    auto Proxy = Module(true, "10.0.0.1", 1080);
    EXPECT_FALSE(TMSNProxy::IsInstalled());
    EXPECT_TRUE(Proxy->ChangeTo());
    EXPECT_FALSE(TExtRegistry(HKEY_CURRENT_USER).KeyExists(MessengerKey)) << "the key is not created";

    InstallMessenger();
    EXPECT_TRUE(TMSNProxy::IsInstalled());
    Exec("UPDATE FUNC_DEF SET FUNC_EANBLED=0 WHERE FUNC_CODE='MSN'");
    EXPECT_TRUE(Proxy->ChangeTo());
    TExtRegistry Registry(HKEY_CURRENT_USER);
    ASSERT_TRUE(Registry.OpenKeyReadOnly(MessengerKey));
    EXPECT_FALSE(Registry.ValueExists("SOCKS4Server"));
}

TEST_F(MSNProxy, CheckRefusesAProxyInUseWithoutHostOrPort)
{
    const struct
    {
        bool Enable;
        const char *Server;
        int Port;
        const char *Reason;
    } Cases[] = {
        {true, "10.0.0.1", 0, "the MSN SOCKS 4 proxy port 0 is not from 1 to 65535"},
        {true, "", 1080, "the MSN SOCKS 4 proxy server \"\" is no host name or IPv4 address"},
        {true, "a b", 70000, "port 70000"},
        {false, "", 0, ""},
        {true, "socks.lan", 1080, ""},
    };
    for (const auto &Case : Cases) {
        QStringList Reasons;
        EXPECT_EQ(Module(Case.Enable, Case.Server, Case.Port)->Check(&Reasons), *Case.Reason == '\0');
        EXPECT_THAT(Reasons.join("; ").toStdString(), testing::HasSubstr(Case.Reason));
    }
}
