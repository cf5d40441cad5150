#include "modules/eMuleProxy.h"

#include "app/DBManager.h"
#include "app/ExtRegistry.h"
#include "locations/FuncDef.h"
#include "platform/clientfiles/IniFile.h"
#include "support/DatabaseTest.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <gmock/gmock.h>

namespace {

using testing::HasSubstr;

const QString LocId = QStringLiteral("EMULEPROXYTEST000000000000000001");
const QString InstallKey = QStringLiteral("\\Software\\eMule");

// The seven keys as a first switch to a SOCKS5 proxy 10.0.0.9:1080 of user u, password p
// appends them to eMule's file.
const QByteArray Socks5Keys = "ProxyEnableProxy=1\r\nProxyType=3\r\nProxyName=10.0.0.9\r\nProxyPort=1080\r\n"
                              "ProxyEnablePassword=1\r\nProxyUser=u\r\nProxyPassword=p\r\n";

QByteArray Bytes(const QString &FileName)
{
    QFile File(FileName);
    return File.open(QIODevice::ReadOnly) ? File.readAll() : QByteArray("(unreadable)");
}

void Put(const QString &FileName, const QByteArray &Bytes)
{
    QDir().mkpath(QFileInfo(FileName).absolutePath());
    QFile File(FileName);
    ASSERT_TRUE(File.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(File.write(Bytes), Bytes.size());
}

void RegisterInstall(TRootKey Root, const QString &Folder)
{
    TExtRegistry Registry(Root);
    ASSERT_TRUE(Registry.OpenKey(InstallKey, true));
    Registry.WriteString(QString(), Folder);
}

class eMuleProxy : public TDatabaseTest
{
protected:
    void TearDown() override
    {
        TDatabaseTest::TearDown();
        TFuncDefine::FreeInstance();
    }

    QString EMuleFolder() const { return FRoot.Path() + "/eMule"; }
    QString Preferences() const { return EMuleFolder() + "/config/preferences.ini"; }
    static QString AMuleConf() { return TeMuleProxy::AMuleConfigFile(); }

    // eMule installed for this user, with its preferences file holding Text.
    void InstallEMule(const QByteArray &Text)
    {
        RegisterInstall(HKEY_CURRENT_USER, EMuleFolder());
        Put(Preferences(), Text);
    }

    // A SOCKS5 proxy 10.0.0.9:1080 of user u, password p, in use.
    static std::unique_ptr<TeMuleProxy> Socks5()
    {
        auto Module = TCustomProxy::Create<TeMuleProxy>(LocId);
        Module->SetEnableProxy(true);
        Module->SetProxyType(3);
        Module->SetServer("10.0.0.9");
        Module->SetPort(1080);
        Module->SetEnablePWD(true);
        Module->SetUser("u");
        Module->SetPwd("p");
        return Module;
    }
};

} // namespace

TEST_F(eMuleProxy, TheInstallFolderComesFromTheUserBeforeTheMachine)
{
    const struct
    {
        const char *Case;
        const char *User;
        const char *Machine;
        const char *Expected;
    } Cases[] = {
        {"machine only", nullptr, "/opt/machine", "/opt/machine"},
        {"both: the user's", "/opt/user", "/opt/machine", "/opt/user"},
        {"user only", "/opt/user", nullptr, "/opt/user"},
        {"neither", nullptr, nullptr, ""},
    };
    for (const auto &Case : Cases) {
        for (const TRootKey Root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
            TExtRegistry(Root).DeleteKey(InstallKey);
        if (Case.User)
            RegisterInstall(HKEY_CURRENT_USER, Case.User);
        if (Case.Machine)
            RegisterInstall(HKEY_LOCAL_MACHINE, Case.Machine);
        EXPECT_EQ(TeMuleProxy::GetInstallPath(), Case.Expected) << Case.Case;
    }

    TExtRegistry(HKEY_CURRENT_USER).OpenKey(InstallKey, true);
    EXPECT_EQ(TeMuleProxy::GetInstallPath(), "") << "a user key without the value hides the machine's";

    RegisterInstall(HKEY_LOCAL_MACHINE, "/opt/machine");
    Put(FRoot.RegistryDir() + "/HKEY_CURRENT_USER.reg", "not a hive\n");
    EXPECT_EQ(TeMuleProxy::GetInstallPath(), "/opt/machine") << "a user hive that cannot be read";
    Put(FRoot.RegistryDir() + "/HKEY_LOCAL_MACHINE.reg", "\xFF\xFE\0\0garbage");
    EXPECT_EQ(TeMuleProxy::GetInstallPath(), "") << "no hive can be read";
    EXPECT_FALSE(TeMuleProxy::IsInstalled());
}

TEST_F(eMuleProxy, EitherClientCountsAsInstalled)
{
    EXPECT_FALSE(TeMuleProxy::IsInstalled());
    RegisterInstall(HKEY_LOCAL_MACHINE, EMuleFolder());
    EXPECT_FALSE(TeMuleProxy::IsInstalled()) << "a registered folder that is not there";
    QDir().mkpath(EMuleFolder());
    EXPECT_TRUE(TeMuleProxy::IsInstalled());
    EXPECT_EQ(TCustomProxy::Create<TeMuleProxy>(LocId)->Path(), Preferences());

    TExtRegistry(HKEY_LOCAL_MACHINE).DeleteKey(InstallKey);
    EXPECT_FALSE(TeMuleProxy::IsInstalled());
    Put(AMuleConf(), "[Proxy]\n");
    EXPECT_TRUE(TeMuleProxy::IsInstalled());
}

TEST_F(eMuleProxy, ASwitchWritesTheSevenKeysOfTheProxySection)
{
    const struct
    {
        const char *Case;
        bool On;
        QByteArray Before;
        QByteArray After;
    } Cases[] = {
        {"no Proxy section: appended with the keys in order, SOCKS5 as 3", true, "[eMule]\r\nNick=me\r\n",
         "[eMule]\r\nNick=me\r\n\r\n[Proxy]\r\n" + Socks5Keys},
        {"proxy off: 0, and the other keys still written", false, "[Proxy]\r\n",
         "[Proxy]\r\n" + QByteArray(Socks5Keys).replace("ProxyEnableProxy=1", "ProxyEnableProxy=0")},
        {"keys replaced in place, every other line kept", true,
         "[eMule]\r\nNick=me\r\n[proxy]\r\n; mine\r\nProxyPort=8080\r\nProxyEnableProxy=0\r\n"
         "ProxyName = old\r\n\r\n[Statistics]\r\nProxyType=9\r\n",
         "[eMule]\r\nNick=me\r\n[proxy]\r\n; mine\r\nProxyPort=1080\r\nProxyEnableProxy=1\r\n"
         "ProxyName=10.0.0.9\r\nProxyType=3\r\nProxyEnablePassword=1\r\nProxyUser=u\r\nProxyPassword=p\r\n"
         "\r\n[Statistics]\r\nProxyType=9\r\n"},
    };
    for (const auto &Case : Cases) {
        InstallEMule(Case.Before);
        auto Module = Socks5();
        Module->SetEnableProxy(Case.On);
        QStringList Reasons;
        EXPECT_TRUE(Module->Check(&Reasons)) << Case.Case << ": " << Reasons.join("; ").toStdString();
        ASSERT_TRUE(Module->ChangeTo()) << Case.Case << ": " << Module->LastError().toStdString();
        EXPECT_EQ(Bytes(Preferences()), Case.After) << Case.Case;
        EXPECT_THAT(Module->Changes().join("; ").toStdString(), HasSubstr("preferences.ini")) << Case.Case;
    }
}

TEST_F(eMuleProxy, EMuleInUnicodeKeepsItsEncoding)
{
    const QString Before = QStringLiteral("[eMule]\r\nNick=J\u00f6rg\r\n");
    InstallEMule("\xFF\xFE" + QByteArray(reinterpret_cast<const char *>(Before.utf16()), Before.size() * 2));
    ASSERT_TRUE(Socks5()->ChangeTo());
    const QString After = Before + "\r\n[Proxy]\r\n" + QString::fromLatin1(Socks5Keys);
    EXPECT_EQ(Bytes(Preferences()),
              "\xFF\xFE" + QByteArray(reinterpret_cast<const char *>(After.utf16()), After.size() * 2));
}

TEST_F(eMuleProxy, AMuleGetsItsOwnTypeNumbers)
{
    const struct
    {
        int EMuleType;
        const char *AMuleType;
    } Cases[] = {{1, "1"}, {2, "3"}, {3, "0"}, {4, "2"}, {5, "2"}};
    for (const auto &Case : Cases) {
        Put(AMuleConf(), "[eMule]\nNick=me\n[Proxy]\nProxyType=7\n[ExternalConnect]\nECPort=4712\n");
        auto Module = Socks5();
        Module->SetProxyType(Case.EMuleType);
        ASSERT_TRUE(Module->ChangeTo()) << Module->LastError().toStdString();
        EXPECT_EQ(Bytes(AMuleConf()), QByteArray("[eMule]\nNick=me\n[Proxy]\nProxyType=") + Case.AMuleType +
                                          "\nProxyEnableProxy=1\nProxyName=10.0.0.9\nProxyPort=1080\n"
                                          "ProxyEnablePassword=1\nProxyUser=u\nProxyPassword=p\n"
                                          "[ExternalConnect]\nECPort=4712\n")
            << "eMule type " << Case.EMuleType;
    }
}

TEST_F(eMuleProxy, AMuleGetsTextsEscapedAsItReadsThemAndKeepsItsTypeWhenOff)
{
    Put(AMuleConf(), "[Proxy]\nProxyType=2\n");
    auto Module = Socks5();
    Module->SetEnableProxy(false);
    Module->SetProxyType(0);
    Module->SetUser("dom\\ain");
    Module->SetPwd(" \"secret");
    ASSERT_TRUE(Module->ChangeTo()) << Module->LastError().toStdString();
    EXPECT_EQ(Bytes(AMuleConf()),
              "[Proxy]\nProxyType=2\nProxyEnableProxy=0\nProxyName=10.0.0.9\nProxyPort=1080\n"
              "ProxyEnablePassword=1\nProxyUser=dom\\\\ain\nProxyPassword=\" \\\"secret\"\n");
}

TEST_F(eMuleProxy, BothClientsAreWrittenAndARunningAMuleIsToldToRestart)
{
    InstallEMule("");
    Put(AMuleConf(), "");
    // A program by aMule's daemon's name, as /proc shows it.
    const QString Fake = FRoot.Path() + "/amuled";
    ASSERT_TRUE(QFile::copy("/bin/sleep", Fake));
    QProcess Running;
    Running.start(Fake, {"30"});
    ASSERT_TRUE(Running.waitForStarted());

    auto Module = Socks5();
    ASSERT_TRUE(Module->ChangeTo()) << Module->LastError().toStdString();
    EXPECT_EQ(Bytes(Preferences()), "[Proxy]\r\n" + Socks5Keys);
    EXPECT_THAT(Bytes(AMuleConf()).toStdString(), HasSubstr("ProxyType=0\n"));
    // Another aMule of this user (a lab test's) may be the one named.
    EXPECT_THAT(Module->Changes().join("; ").toStdString(), HasSubstr("aMule is running (process "));

    const qint64 Pid = Running.processId();
    Running.kill();
    Running.waitForFinished();
    ASSERT_TRUE(Module->ChangeTo());
    EXPECT_THAT(Module->Changes().join("; ").toStdString(),
                testing::Not(HasSubstr(QStringLiteral("process %1)").arg(Pid).toStdString())));
}

TEST_F(eMuleProxy, CheckRefusesFieldsThatCannotBeWritten)
{
    const struct
    {
        const char *Case;
        std::function<void(TeMuleProxy &)> Change;
        const char *Reason;
    } Cases[] = {
        {"no type", [](TeMuleProxy &M) { M.SetProxyType(0); }, "type 0 is none of 1 to 5"},
        {"type 6", [](TeMuleProxy &M) { M.SetProxyType(6); }, "type 6 is none of 1 to 5"},
        {"no server", [](TeMuleProxy &M) { M.SetServer(" "); }, "no server"},
        {"port 0", [](TeMuleProxy &M) { M.SetPort(0); }, "port 0 is not from 1 to 65535"},
        {"port 65536", [](TeMuleProxy &M) { M.SetPort(65536); }, "port 65536"},
        {"a line break in the password, proxy off",
         [](TeMuleProxy &M) {
             M.SetEnableProxy(false);
             M.SetPwd("p\n[Other]");
         },
         "password holds a line break"},
    };
    InstallEMule("");
    for (const auto &Case : Cases) {
        auto Module = Socks5();
        Case.Change(*Module);
        QStringList Reasons;
        EXPECT_FALSE(Module->Check(&Reasons)) << Case.Case;
        EXPECT_THAT(Reasons.join("; ").toStdString(), HasSubstr(Case.Reason)) << Case.Case;
    }
}

TEST_F(eMuleProxy, AFileThatCannotBeReadOrReplacedFailsWithTheReasonAndStays)
{
    const struct
    {
        const char *Case;
        std::function<void(const QString &)> Make;
        const char *Reason;
    } Cases[] = {
        {"NUL bytes", [](const QString &F) { Put(F, QByteArray("[Proxy]\n\0\0", 10)); }, "NUL"},
        {"huge", [](const QString &F) { Put(F, QByteArray(TIniFile::MaxFileSize + 1, ';')); }, "larger than"},
        {"UTF-16 cut short", [](const QString &F) { Put(F, "\xFF\xFE[\0P"); }, "UTF-16"},
        {"a symbolic link",
         [](const QString &F) {
             Put(F + ".real", "[Proxy]\n");
             QFile::link(F + ".real", F);
         },
         "symbolic link"},
        {"a folder", [](const QString &F) { QDir().mkpath(F); }, "not a regular file"},
    };
    for (const QString &Client : {QStringLiteral("eMule"), QStringLiteral("aMule")})
        for (const auto &Case : Cases) {
            QDir(EMuleFolder()).removeRecursively();
            QDir(QFileInfo(AMuleConf()).absolutePath()).removeRecursively();
            TExtRegistry(HKEY_CURRENT_USER).DeleteKey(InstallKey);
            if (Client == "eMule")
                InstallEMule("");
            const QString File = Client == "eMule" ? Preferences() : AMuleConf();
            QFile::remove(File);
            QDir().mkpath(QFileInfo(File).absolutePath());
            Case.Make(File);
            const QByteArray Before = QFileInfo(File).isFile() ? Bytes(File) : QByteArray();
            const std::string Name = Client.toStdString() + ", " + Case.Case;
            auto Module = Socks5();
            QStringList Reasons;
            EXPECT_FALSE(Module->Check(&Reasons)) << Name;
            EXPECT_THAT(Reasons.join("; ").toStdString(), HasSubstr(Case.Reason)) << Name;
            EXPECT_FALSE(Module->ChangeTo()) << Name;
            EXPECT_THAT(Module->LastError().toStdString(), HasSubstr(Case.Reason)) << Name;
            if (QFileInfo(File).isFile()) {
                EXPECT_EQ(Bytes(File), Before) << Name;
            }
        }
}

TEST_F(eMuleProxy, AFileTheUserCannotWriteIsRefused)
{
    InstallEMule("[Proxy]\r\n");
    FRoot.OpenToOthers();
    for (const QString &Folder : {EMuleFolder(), EMuleFolder() + "/config"})
        QFile::setPermissions(Folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                          QFileDevice::ExeOther);
    auto Module = Socks5();
    const int Outcome = RunUnprivileged([&] {
        QStringList Reasons;
        return !Module->Check(&Reasons) && Reasons.join(";").contains("preferences.ini cannot be written")
                   ? 0
                   : 1;
    });
    EXPECT_EQ(Outcome, 0);
    EXPECT_EQ(Bytes(Preferences()), "[Proxy]\r\n");
}

TEST_F(eMuleProxy, NotInstalledOrSwitchedOffTheSwitchChangesNothing)
{
    RegisterInstall(HKEY_CURRENT_USER, EMuleFolder());
    EXPECT_TRUE(Socks5()->ChangeTo());
    EXPECT_FALSE(QFile::exists(Preferences()));

    InstallEMule("[Proxy]\r\n");
    Exec("UPDATE FUNC_DEF SET FUNC_EANBLED=0 WHERE FUNC_CODE='EMULE'");
    EXPECT_TRUE(Socks5()->ChangeTo());
    EXPECT_EQ(Bytes(Preferences()), "[Proxy]\r\n");
}
