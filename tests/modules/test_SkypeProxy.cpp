#include "modules/SkypeProxy.h"

#include "locations/FuncDef.h"
#include "support/DatabaseTest.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gmock/gmock.h>

namespace {

using testing::HasSubstr;

const QString LocId = QStringLiteral("SKYPEPROXYTEST000000000000000001");

// What a Skype client keeps, trimmed, with both proxies enabled so that every case turns one off.
const QByteArray Shared = "<?xml version=\"1.0\"?>\r\n"
                          "<config version=\"1.0\" serial=\"28\">\r\n"
                          "  <!-- managed by Skype -->\r\n"
                          "  <Lib>\r\n"
                          "    <Account><Addr>not.this:1</Addr></Account>\r\n"
                          "    <Connection>\r\n"
                          "      <HttpsProxy>\r\n"
                          "        <Addr>proxy.old:8080</Addr>\r\n"
                          "        <Enable>1</Enable>\r\n"
                          "      </HttpsProxy>\r\n"
                          "      <SocksProxy>\r\n"
                          "        <Addr>socks.old:1080</Addr>\r\n"
                          "        <Enable>1</Enable>\r\n"
                          "      </SocksProxy>\r\n"
                          "      <NodeId>AB12</NodeId>\r\n"
                          "    </Connection>\r\n"
                          "  </Lib>\r\n"
                          "</config>\r\n";

QByteArray Replaced(QByteArray Text, const QList<QPair<QByteArray, QByteArray>> &Changes)
{
    for (const auto &[From, To] : Changes)
        Text.replace(From, To);
    return Text;
}

class SkypeProxy : public TDatabaseTest
{
protected:
    void TearDown() override
    {
        TDatabaseTest::TearDown();
        TFuncDefine::FreeInstance();
    }
    static QString FileName() { return TSkypeProxy::SettingsFile(); }
    static void WriteShared(const QByteArray &Bytes)
    {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(FileName()).path()));
        QFile File(FileName());
        ASSERT_TRUE(File.open(QIODevice::WriteOnly));
        File.write(Bytes);
    }
    static QByteArray ReadShared()
    {
        QFile File(FileName());
        return File.open(QIODevice::ReadOnly) ? File.readAll() : QByteArray("(missing)");
    }
    static std::unique_ptr<TSkypeProxy> Module(bool Enable, int Type)
    {
        auto Module = TCustomProxy::Create<TSkypeProxy>(LocId);
        Module->SetEnableProxy(Enable);
        Module->SetProxyType(Type);
        Module->SetServer("10.0.0.5");
        Module->SetPort(3128);
        Module->SetUser("alice");
        Module->SetPwd("secret");
        return Module;
    }
};

struct TSkypeCase
{
    const char *Name;
    bool Enable;
    int Type;
    QByteArray After;
};

void PrintTo(const TSkypeCase &Case, std::ostream *Out) { *Out << Case.Name; }

class SkypeSwitch : public SkypeProxy, public testing::WithParamInterface<TSkypeCase>
{};

const QByteArray BothOff = Replaced(Shared, {{"<Enable>1</Enable>", "<Enable>0</Enable>"}});

} // namespace

TEST_P(SkypeSwitch, ChangesOnlyTheProxyTexts)
{
    WriteShared(Shared);
    auto Proxy = Module(GetParam().Enable, GetParam().Type);
    ASSERT_TRUE(Proxy->ChangeTo()) << Proxy->LastError().toStdString();
    EXPECT_EQ(ReadShared(), GetParam().After);
    EXPECT_FALSE(ReadShared().contains("secret")) << "the password stays in the database";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SkypeSwitch,
    testing::Values(TSkypeCase{"OffDisablesBothAndKeepsTheAddresses", false, 1, BothOff},
                    TSkypeCase{"AutomaticDetectionWithTheProxyOnIsOff", true, 0, BothOff},
                    TSkypeCase{"HttpsTakesTheAddressAndLeavesSocksAddress", true, 1,
                               Replaced(Shared, {{"proxy.old:8080", "10.0.0.5:3128"},
                                                 {"socks.old:1080</Addr>\r\n        <Enable>1",
                                                  "socks.old:1080</Addr>\r\n        <Enable>0"}})},
                    TSkypeCase{"SocksTakesTheAddress", true, 2,
                               Replaced(Shared, {{"socks.old:1080", "10.0.0.5:3128"},
                                                 {"proxy.old:8080</Addr>\r\n        <Enable>1",
                                                  "proxy.old:8080</Addr>\r\n        <Enable>0"}})}),
    [](const testing::TestParamInfo<TSkypeCase> &Info) { return std::string(Info.param.Name); });

// A file the module cannot change as a whole is not changed at all.
TEST_F(SkypeProxy, AFileWithoutTheExpectedTextsStaysAsItWas)
{
    const struct
    {
        const char *Case;
        QByteArray Before;
        int Type;
        const char *Reason;
    } Cases[] = {
        {"empty Enable", Replaced(Shared, {{"<Enable>1</Enable>", "<Enable/>"}}), 1, "<Enable> in "},
        {"no HttpsProxy, SOCKS wanted", Replaced(Shared, {{"HttpsProxy>", "HttpProxy>"}}), 2,
         "has no <HttpsProxy> element below <Connection>"},
        {"no Addr for HTTPS", Replaced(Shared, {{"<Addr>proxy.old:8080</Addr>", ""}}), 1,
         "has no <Addr> element below <HttpsProxy>"},
        {"no Connection", Replaced(Shared, {{"Connection>", "Conn>"}}), 0,
         "has no <Connection> element below <Lib>"},
        {"not well-formed", Replaced(Shared, {{"</Lib>", ""}}), 1, "shared.xml: line"},
        {"elements first", Replaced(Shared, {{"<Enable>1</Enable>", "<Enable><x/>1</Enable>"}}), 1,
         "begins with the element <x>"},
    };
    for (const auto &Case : Cases) {
        WriteShared(Case.Before);
        auto Proxy = Module(true, Case.Type);
        EXPECT_FALSE(Proxy->ChangeTo()) << Case.Case;
        EXPECT_THAT(Proxy->LastError().toStdString(), HasSubstr(Case.Reason)) << Case.Case;
        EXPECT_EQ(ReadShared(), Case.Before) << Case.Case;
    }
}

TEST_F(SkypeProxy, WithoutSharedXmlNothingIsCreated)
{
    EXPECT_FALSE(TSkypeProxy::IsInstalled());
    EXPECT_TRUE(Module(true, 1)->ChangeTo());
    EXPECT_FALSE(QFileInfo::exists(QFileInfo(FileName()).path()));
}

TEST_F(SkypeProxy, SwitchedOffItLeavesTheFile)
{
    WriteShared(Shared);
    Exec("UPDATE FUNC_DEF SET FUNC_EANBLED=0 WHERE FUNC_CODE='SKYPE'");
    EXPECT_TRUE(Module(true, 1)->ChangeTo());
    EXPECT_EQ(ReadShared(), Shared);
}

TEST_F(SkypeProxy, CheckRefusesWhatTheSwitchCouldNotWrite)
{
    WriteShared(Shared);
    QStringList Reasons;
    EXPECT_TRUE(Module(true, 1)->Check(&Reasons)) << Reasons.join("; ").toStdString();
    auto Wrong = Module(true, 3);
    Wrong->SetPort(0);
    EXPECT_FALSE(Wrong->Check(&Reasons));
    EXPECT_THAT(Reasons.join("; ").toStdString(), HasSubstr("the Skype proxy type 3 is none of"));
    EXPECT_THAT(Reasons.join("; ").toStdString(), HasSubstr("the Skype proxy port 0 is not from 1 to 65535"));

    const QString Target = QFileInfo(FileName()).dir().filePath("elsewhere.xml");
    ASSERT_TRUE(QFile::rename(FileName(), Target));
    ASSERT_TRUE(QFile::link(Target, FileName()));
    Reasons.clear();
    EXPECT_FALSE(Module(false, 0)->Check(&Reasons));
    EXPECT_THAT(Reasons.join("; ").toStdString(), HasSubstr("shared.xml is a symbolic link"));
    EXPECT_FALSE(Module(false, 0)->ChangeTo()) << "a link is not followed when switching either";
}
