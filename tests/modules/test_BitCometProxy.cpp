#include "modules/BitCometProxy.h"

#include "app/ExtRegistry.h"
#include "locations/FuncDef.h"
#include "platform/clientfiles/XmlDocument.h"
#include "platform/desktop/MessageBox.h"
#include "support/DatabaseTest.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gmock/gmock.h>

namespace {

using testing::HasSubstr;

const QString LocId = QStringLiteral("BITCOMETPROXYTEST000000000000001");
const QString BitCometKey = QStringLiteral("\\Software\\BitComet");

const QByteArray Settings = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                            "<BitComet version=\"1.39\">\n"
                            "  <Settings>\n"
                            "    <ListenPort>22222</ListenPort>\n"
                            "    <ProxyType>4</ProxyType>\n"
                            "    <ProxyServer>old.proxy</ProxyServer>\n"
                            "    <ProxyPort>8080</ProxyPort>\n"
                            "    <ProxyAuth>1</ProxyAuth>\n"
                            "    <ProxyUsername>old</ProxyUsername>\n"
                            "    <ProxyPassword>oldpw</ProxyPassword>\n"
                            "  </Settings>\n"
                            "</BitComet>\n";

QByteArray Replaced(QByteArray Text, const QList<QPair<QByteArray, QByteArray>> &Changes)
{
    for (const auto &[From, To] : Changes)
        Text.replace(From, To);
    return Text;
}

// The written values of the location in SetUp's module, SOCKS5 with authentication.
const QList<QPair<QByteArray, QByteArray>> Written{{">4</ProxyType>", ">3</ProxyType>"},
                                                   {">old.proxy<", ">10.0.0.5<"},
                                                   {">8080<", ">1080<"},
                                                   {">old</ProxyUsername>", ">bob</ProxyUsername>"},
                                                   {">oldpw<", ">p&amp;w<"}};

class BitCometProxy : public TDatabaseTest
{
protected:
    void SetUp() override
    {
        TDatabaseTest::SetUp();
        FPrevious = TMessageBox::SetHandler([this](const TMessage &Message) {
            FMessages.append(Message);
            return TMsgResult::Ok;
        });
    }
    void TearDown() override
    {
        TMessageBox::SetHandler(FPrevious);
        TDatabaseTest::TearDown();
        TFuncDefine::FreeInstance();
    }
    QString Folder() const { return QDir(FRoot.Path()).filePath("BitComet"); }
    QString FileName() const { return QDir(Folder()).filePath("BitComet.xml"); }
    static void SetInstallPath(TRootKey Root, const QString &Folder)
    {
        TExtRegistry Registry(Root);
        ASSERT_TRUE(Registry.OpenKey(BitCometKey, true));
        Registry.WriteString(QString(), Folder);
    }
    void Install(const QByteArray &Bytes)
    {
        ASSERT_TRUE(QDir().mkpath(Folder()));
        SetInstallPath(HKEY_CURRENT_USER, Folder());
        QFile File(FileName());
        ASSERT_TRUE(File.open(QIODevice::WriteOnly));
        File.write(Bytes);
    }
    QByteArray Read() const
    {
        QFile File(FileName());
        return File.open(QIODevice::ReadOnly) ? File.readAll() : QByteArray("(missing)");
    }
    static std::unique_ptr<TBitCometProxy> Module(bool Enable)
    {
        auto Module = TCustomProxy::Create<TBitCometProxy>(LocId);
        Module->SetEnableProxy(Enable);
        Module->SetProxyType(3);
        Module->SetServer("10.0.0.5");
        Module->SetPort(1080);
        Module->SetEnablePWD(true);
        Module->SetUser("bob");
        Module->SetPwd("p&w");
        return Module;
    }

    QList<TMessage> FMessages;
    TMessageHandler FPrevious;
};

} // namespace

TEST_F(BitCometProxy, WritesTheSixElementsWhereverTheyAre)
{
    const struct
    {
        const char *Case;
        bool Enable;
        QByteArray Before;
        QByteArray After;
    } Cases[] = {
        {"SOCKS5 on", true, Settings, Replaced(Settings, Written)},
        {"off: type 0, the rest written all the same", false, Settings,
         Replaced(Settings, Written).replace(">3</ProxyType>", ">0</ProxyType>")},
        {"all six appended to Settings in order", true,
         "<BitComet>\n  <Settings>\n    <ListenPort>1</ListenPort>\n  </Settings>\n</BitComet>",
         "<BitComet>\n  <Settings>\n    <ListenPort>1</ListenPort>\n  <ProxyType>3</ProxyType>"
         "<ProxyServer>10.0.0.5</ProxyServer><ProxyPort>1080</ProxyPort><ProxyAuth>1</ProxyAuth>"
         "<ProxyUsername>bob</ProxyUsername><ProxyPassword>p&amp;w</ProxyPassword></Settings>\n</BitComet>"},
        {"empty elements filled", true,
         Replaced(Settings, {{"<ProxyServer>old.proxy</ProxyServer>", "<ProxyServer/>"},
                             {"<ProxyUsername>old</ProxyUsername>", "<ProxyUsername></ProxyUsername>"}}),
         Replaced(Settings, Written)},
        {"the first ProxyPort comes before Settings", true,
         Replaced(Settings, {{"<Settings>", "<Other><ProxyPort>1</ProxyPort></Other><Settings>"}}),
         Replaced(Settings, Written)
             .replace(">1080<", ">8080<")
             .replace("<Settings>", "<Other><ProxyPort>1080</ProxyPort></Other><Settings>")},
    };
    for (const auto &Case : Cases) {
        Install(Case.Before);
        auto Proxy = Module(Case.Enable);
        ASSERT_TRUE(Proxy->ChangeTo()) << Case.Case << ": " << Proxy->LastError().toStdString();
        EXPECT_EQ(Read(), Case.After) << Case.Case;
    }
    EXPECT_TRUE(FMessages.isEmpty());
}

TEST_F(BitCometProxy, AFileItCannotChangeIsShownAndLeftAsItWas)
{
    const struct
    {
        const char *Case;
        QByteArray Before;
        const char *Reason;
    } Cases[] = {
        {"no Settings element", Replaced(Settings, {{"Settings>", "Options>"}}),
         "has no <Settings> element below <BitComet>"},
        {"not well-formed", Settings.left(Settings.size() / 2), "BitComet.xml: line"},
        {"text after markup", Replaced(Settings, {{"<ProxyPort>8080", "<ProxyPort><!-- p -->8080"}}),
         "<ProxyPort> in "},
    };
    for (const auto &Case : Cases) {
        FMessages.clear();
        Install(Case.Before);
        auto Proxy = Module(true);
        EXPECT_FALSE(Proxy->ChangeTo()) << Case.Case;
        EXPECT_THAT(Proxy->LastError().toStdString(), HasSubstr(Case.Reason)) << Case.Case;
        ASSERT_EQ(FMessages.size(), 1) << Case.Case;
        EXPECT_EQ(FMessages[0].Text, Proxy->LastError());
        EXPECT_EQ(FMessages[0].Caption, "");
        EXPECT_EQ(FMessages[0].Buttons, TMsgButtons::Ok);
        EXPECT_EQ(Read(), Case.Before) << Case.Case;
    }
}

TEST_F(BitCometProxy, AnInstallFolderWithoutBitCometXmlIsAnError)
{
    Install(Settings);
    ASSERT_TRUE(QFile::remove(FileName()));
    auto Proxy = Module(true);
    EXPECT_FALSE(Proxy->ChangeTo());
    EXPECT_THAT(Proxy->LastError().toStdString(), HasSubstr("BitComet.xml cannot be read"));
    EXPECT_EQ(FMessages.size(), 1);
    EXPECT_FALSE(QFileInfo::exists(FileName()));
}

TEST_F(BitCometProxy, TheInstallFolderComesFromTheUserThenTheMachine)
{
    EXPECT_EQ(TBitCometProxy::GetInstallPath(), "");
    EXPECT_FALSE(TBitCometProxy::IsInstalled());
    EXPECT_TRUE(Module(true)->ChangeTo()) << "not installed: nothing to do";

    SetInstallPath(HKEY_LOCAL_MACHINE, Folder());
    EXPECT_EQ(TBitCometProxy::GetInstallPath(), Folder());
    EXPECT_FALSE(TBitCometProxy::IsInstalled()) << "the folder does not exist";
    ASSERT_TRUE(QDir().mkpath(Folder()));
    EXPECT_TRUE(TBitCometProxy::IsInstalled());

    SetInstallPath(HKEY_CURRENT_USER, "/nonexistent/bitcomet");
    EXPECT_EQ(TBitCometProxy::GetInstallPath(), "/nonexistent/bitcomet") << "the user's key comes first";
    EXPECT_FALSE(TBitCometProxy::IsInstalled());
    EXPECT_TRUE(FMessages.isEmpty());
}

TEST_F(BitCometProxy, CheckRefusesAnUnknownTypeAndAnOversizedFile)
{
    Install("<BitComet><Settings>" + QByteArray(TXmlDocument::MaxFileSize, ' ') + "</Settings></BitComet>");
    auto Proxy = Module(true);
    Proxy->SetProxyType(5);
    QStringList Reasons;
    EXPECT_FALSE(Proxy->Check(&Reasons));
    EXPECT_THAT(Reasons.join("; ").toStdString(), HasSubstr("the BitComet proxy type 5 is none of"));
    EXPECT_THAT(Reasons.join("; ").toStdString(), HasSubstr("BitComet.xml is larger than 4 MB"));
}
