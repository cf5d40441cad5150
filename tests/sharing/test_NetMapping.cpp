#include "sharing/NetMapping.h"

#include "adapters/WmiProviders.h"
#include "app/IdGen.h"
#include "locations/FuncDef.h"
#include "platform/QtPrint.h"
#include "platform/desktop/Autostart.h"
#include "platform/registry/Registry.h"
#include "platform/sharing/NetworkMounts.h"
#include "platform/sharing/PersistentDrives.h"
#include "sharing/NetShare.h"
#include "support/DatabaseTest.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <gmock/gmock.h>

namespace {

const QString IdA = QStringLiteral("DRIVESA000000000000000000000000A");
const QString IdB = QStringLiteral("DRIVESB000000000000000000000000B");

// GVFS as the session shows it, in memory: each mounted share gets a folder below Root, named
// as gvfs-fuse names it. A share with a password refuses any other; Unreachable refuses all.
class TFakeMounts : public INetworkMounts
{
public:
    explicit TFakeMounts(const QString &Root) : FRoot(Root) {}

    bool Mount(const QString &Uri, const TMountCredentials &Credentials) override
    {
        const QString Share = SmbShareUrl(Uri);
        Log.append(QStringLiteral("mount %1 as %2\\%3").arg(Share, Credentials.Domain, Credentials.User));
        if (Unreachable)
            return Fail(QStringLiteral("Cannot mount %1: Failed to mount Windows share: Connection refused")
                            .arg(Uri));
        if (Passwords.contains(Share) && Passwords.value(Share) != Credentials.Password)
            return Fail(
                QStringLiteral("Cannot mount %1: the server refused the user name or password").arg(Uri));
        if (Find(Share) < 0) {
            const QUrl Url(Share);
            const QString Local = QStringLiteral("%1/smb-share:server=%2,share=%3")
                                      .arg(FRoot, Url.host(), Url.path().mid(1).toLower());
            QDir().mkpath(Local + "/sub/dir");
            Mounted.append({Share + '/', Local, Url.path().mid(1)});
        }
        return true;
    }
    bool List(QList<TNetworkMount> &Mounts) override
    {
        Mounts = Mounted;
        return true;
    }
    bool Unmount(const QString &Uri, bool Force) override
    {
        Log.append(QStringLiteral("unmount %1%2").arg(Uri, Force ? " by force" : ""));
        const qsizetype At = Find(SmbShareUrl(Uri));
        if (At < 0)
            return Fail(QStringLiteral("Cannot unmount %1: The specified location is not mounted").arg(Uri));
        QDir(Mounted.takeAt(At).LocalPath).removeRecursively();
        return true;
    }
    // What logging out does to the mounts.
    void DropAll()
    {
        for (const TNetworkMount &Mount : std::as_const(Mounted))
            QDir(Mount.LocalPath).removeRecursively();
        Mounted.clear();
    }
    QString LastError() const override { return FLastError; }

    QList<TNetworkMount> Mounted;
    QMap<QString, QString> Passwords;
    bool Unreachable = false;
    QStringList Log;

private:
    qsizetype Find(const QString &Share) const
    {
        for (qsizetype At = 0; At < Mounted.size(); ++At)
            if (SmbShareUrl(Mounted.at(At).Uri).compare(Share, Qt::CaseInsensitive) == 0)
                return At;
        return -1;
    }
    bool Fail(const QString &Reason)
    {
        FLastError = Reason;
        return false;
    }

    QString FRoot;
    QString FLastError;
};

class NetMappingTest : public TDatabaseTest
{
protected:
    void SetUp() override
    {
        TDatabaseTest::SetUp();
        Exec("UPDATE FUNC_DEF SET FUNC_EANBLED=1");
        InstallNetworkMounts(FMounts);
    }
    void TearDown() override
    {
        InstallNetworkMounts(nullptr);
        TWmiProviders::Reset();
        TFuncDefine::FreeInstance();
        TDatabaseTest::TearDown();
    }

    QString DriveLink(const QString &Drive) const { return QDir::home().filePath("Drives/" + Drive); }
    QString Local(const QString &Share) const
    {
        return FRoot.Path() + "/gvfs/smb-share:server=nas,share=" + Share;
    }

    static void AddDrive(const QString &LocId, const QString &Drive, const QString &Remote,
                         const QString &User = QString(), const QString &Password = QString(),
                         bool Auto = false)
    {
        TNetMapping Mapping(GenerateId(32));
        Mapping.SetLocId(LocId);
        Mapping.SetDriver(Drive);
        Mapping.SetRemoteFolder(Remote);
        Mapping.SetUserName(User);
        Mapping.SetPassword(Password);
        Mapping.SetAutoConnect(Auto);
        ASSERT_TRUE(Mapping.Save()) << Mapping.LastError().toStdString();
    }

    static void SetSwitch(const QString &LocId, bool On)
    {
        auto Module = TCustomProxy::Create<TNetMappingProxy>(LocId);
        Module->SetEnableProxy(On);
        ASSERT_TRUE(Module->Save());
    }

    std::unique_ptr<TNetMappingProxy> SwitchTo(const QString &LocId)
    {
        auto Module = TCustomProxy::Create<TNetMappingProxy>(LocId);
        EXPECT_TRUE(Module->ChangeTo()) << "a drive never fails the switch";
        return Module;
    }

    static QStringList PersistentList()
    {
        QList<TPersistentDrive> Drives;
        EXPECT_TRUE(ReadPersistentDrives(Drives));
        QStringList Lines;
        for (const TPersistentDrive &Drive : std::as_const(Drives))
            Lines.append(
                QStringList{Drive.Drive, Drive.RemotePath, Drive.UserName, Drive.Password}.join('|'));
        return Lines;
    }

    std::shared_ptr<TFakeMounts> FMounts = std::make_shared<TFakeMounts>(FRoot.Path() + "/gvfs");
};

} // namespace

TEST_F(NetMappingTest, ADriveIsALinkToTheFolderOfItsMount)
{
    QString Error;
    ASSERT_TRUE(ConnectDrive("x:", R"(\\nas\Public\sub\dir)", "", "", false, &Error)) << Error.toStdString();
    ASSERT_TRUE(ConnectDrive("Y:", R"(\\nas\Private)", R"(OFFICE\ann)", "secret", false, &Error))
        << Error.toStdString();

    EXPECT_EQ(FMounts->Log,
              (QStringList{R"(mount smb://nas/Public as \)", R"(mount smb://nas/Private as OFFICE\ann)"}));
    EXPECT_EQ(QFileInfo(DriveLink("X:")).symLinkTarget(), Local("public") + "/sub/dir");
    EXPECT_EQ(QFileInfo(DriveLink("Y:")).symLinkTarget(), Local("private"));
    EXPECT_TRUE(DriveConnected("x:"));
    EXPECT_TRUE(PersistentList().isEmpty());

    ASSERT_TRUE(DisconnectDrive("X:", &Error)) << Error.toStdString();
    EXPECT_FALSE(QFileInfo(DriveLink("X:")).isSymLink());
    EXPECT_EQ(FMounts->Log.last(), "unmount smb://nas/Public/ by force");
    EXPECT_FALSE(DisconnectDrive("X:", &Error));
    EXPECT_EQ(Error, "the drive is not connected");
}

TEST_F(NetMappingTest, AMountTwoDrivesShareStaysUntilTheLastGoes)
{
    ASSERT_TRUE(ConnectDrive("P:", R"(\\nas\Public)", "", "", false));
    ASSERT_TRUE(ConnectDrive("Q:", R"(\\NAS\public\sub)", "", "", false));
    ASSERT_EQ(FMounts->Mounted.size(), 1);

    ASSERT_TRUE(DisconnectDrive("P:"));
    EXPECT_EQ(FMounts->Mounted.size(), 1) << "Q: still reads from it";
    ASSERT_TRUE(DisconnectDrive("Q:"));
    EXPECT_TRUE(FMounts->Mounted.isEmpty());
}

TEST_F(NetMappingTest, ADriveRestoredAtLogonIsListedAndStartedByTheSession)
{
    ASSERT_TRUE(ConnectDrive("S:", R"(\\nas\Private)", "ann", "secret", true));
    EXPECT_EQ(PersistentList(), QStringList{R"(S:|\\nas\Private|ann|secret)"});
    QFile Entry(AutostartEntryPath("wayfarel-drives"));
    ASSERT_TRUE(Entry.open(QIODevice::ReadOnly)) << Entry.fileName().toStdString();
    EXPECT_THAT(Entry.readAll().toStdString(), testing::HasSubstr("wayfarelctl drives --restore\n"));

    FMounts->DropAll();
    ASSERT_TRUE(QFileInfo(DriveLink("S:")).isSymLink()) << "the link outlives the session's mounts";
    QStringList Restored;
    QStringList Failures;
    EXPECT_TRUE(RestoreDrives(&Restored, &Failures)) << Failures.join('\n').toStdString();
    EXPECT_EQ(Restored, QStringList{"S:"});
    EXPECT_EQ(QFileInfo(DriveLink("S:")).symLinkTarget(), Local("private"));

    ASSERT_TRUE(DisconnectDrive("S:"));
    EXPECT_TRUE(PersistentList().isEmpty());
    EXPECT_FALSE(QFile::exists(AutostartEntryPath("wayfarel-drives")));
}

TEST_F(NetMappingTest, TheDrivesFolderIsConfigurable)
{
    TRegistry Registry(HKEY_CURRENT_USER);
    ASSERT_TRUE(Registry.OpenKey("\\SOFTWARE\\Brackwell\\Wayfarel", true));
    Registry.WriteString("DrivesFolder", FRoot.Path() + "/My Drives");
    ASSERT_TRUE(ConnectDrive("M:", R"(\\nas\Public)", "", "", false));
    EXPECT_EQ(QFileInfo(FRoot.Path() + "/My Drives/M:").symLinkTarget(), Local("public"));
}

TEST_F(NetMappingTest, SwitchingDisconnectsOtherLocationsDrivesAndConnectsItsOwn)
{
    AddDrive(IdA, "X:", R"(\\nas\Public)");
    AddDrive(IdA, "Y:", R"(\\nas\Private)", "ann", "secret", true);
    AddDrive(IdB, "Z:", R"(\\nas\Music)");
    SetSwitch(IdA, true);
    SetSwitch(IdB, true);
    FMounts->Passwords.insert("smb://nas/Private", "secret");
    ASSERT_TRUE(ConnectDrive("K:", R"(\\nas\Kept)", "", "", false)) << "a drive no location defines";

    const auto ToA = SwitchTo(IdA);
    EXPECT_TRUE(ToA->Warnings().isEmpty()) << ToA->Warnings().join('\n').toStdString();
    EXPECT_EQ(ToA->Changes(), (QStringList{R"(drive X: connected to \\nas\Public)",
                                           R"(drive Y: connected to \\nas\Private, restored at logon)"}));
    EXPECT_EQ(PersistentList(), QStringList{R"(Y:|\\nas\Private|ann|secret)"});

    const auto ToB = SwitchTo(IdB);
    EXPECT_EQ(ToB->Changes(), (QStringList{"drive X: disconnected", "drive Y: disconnected",
                                           R"(drive Z: connected to \\nas\Music)"}));
    EXPECT_FALSE(DriveConnected("X:"));
    EXPECT_FALSE(DriveConnected("Y:"));
    EXPECT_TRUE(DriveConnected("K:"));
    EXPECT_TRUE(PersistentList().isEmpty()) << "a drive disconnected is not restored at logon";
    QStringList Shares;
    for (const TNetworkMount &Mount : std::as_const(FMounts->Mounted))
        Shares.append(Mount.Uri);
    EXPECT_EQ(Shares, (QStringList{"smb://nas/Kept/", "smb://nas/Music/"}));
}

TEST_F(NetMappingTest, ASwitchedOffLocationLeavesTheDrivesAsTheyAre)
{
    AddDrive(IdA, "X:", R"(\\nas\Public)");
    AddDrive(IdB, "Z:", R"(\\nas\Music)");
    SetSwitch(IdA, true);
    SwitchTo(IdA);
    FMounts->Log.clear();

    EXPECT_TRUE(SwitchTo(IdB)->SkipsChange());
    EXPECT_TRUE(FMounts->Log.isEmpty());
    EXPECT_TRUE(DriveConnected("X:"));
}

TEST_F(NetMappingTest, ADriveThatCannotBeConnectedIsAWarningWithItsReason)
{
    AddDrive(IdA, "W:", R"(\\nas\Private)", "ann", "wrong");
    AddDrive(IdA, "X:", R"(\\nas\Public)");
    AddDrive(IdA, "K:", R"(\\nas\Public)");
    SetSwitch(IdA, true);
    FMounts->Passwords.insert("smb://nas/Private", "secret");
    ASSERT_TRUE(TDriveLinks(QDir::home().filePath("Drives")).Link("K:", FRoot.Path()));

    const auto Module = SwitchTo(IdA);

    EXPECT_EQ(
        Module->Warnings(),
        (QStringList{R"(drive W: not connected to \\nas\Private: Cannot mount smb://nas/Private: the server )"
                     "refused the user name or password",
                     R"(drive K: not connected to \\nas\Public: the drive is in use for ")" + FRoot.Path() +
                         '"'}));
    EXPECT_EQ(Module->Changes(), QStringList{R"(drive X: connected to \\nas\Public)"});
    EXPECT_EQ(FMounts->Log.filter("Private").size(), 1) << "a refused password is tried once";

    FMounts->Unreachable = true;
    FMounts->DropAll();
    EXPECT_THAT(
        SwitchTo(IdA)->Warnings().join('\n').toStdString(),
        testing::HasSubstr(R"(drive X: not connected to \\nas\Public: Cannot mount smb://nas/Public: )"
                           "Failed to mount Windows share: Connection refused"));
}

namespace {

struct TRefusedDrive
{
    const char *Name;
    QString Drive;
    QString Remote;
    const char *Reason;
};
void PrintTo(const TRefusedDrive &c, std::ostream *out) { *out << c.Name; }

class RefusedDrive : public NetMappingTest, public testing::WithParamInterface<TRefusedDrive>
{};

} // namespace

TEST_P(RefusedDrive, IsRefusedByTheCheckBeforeAnythingChanges)
{
    AddDrive(IdB, "G:", R"(\\nas\Good)");
    AddDrive(IdB, GetParam().Drive, GetParam().Remote);
    SetSwitch(IdB, true);
    QStringList Reasons;
    EXPECT_FALSE(TCustomProxy::Create<TNetMappingProxy>(IdB)->Check(&Reasons));
    ASSERT_EQ(Reasons.size(), 1) << Reasons.join('\n').toStdString();
    EXPECT_THAT(Reasons.first().toStdString(), testing::HasSubstr(GetParam().Reason));
    EXPECT_TRUE(FMounts->Log.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedDrive,
    testing::Values(TRefusedDrive{"TwoLetters", "XY:", R"(\\nas\Docs)",
                                  "the drive name \"XY:\" is not a letter and a colon"},
                    TRefusedDrive{"NoColon", "X", R"(\\nas\Docs)", "is not a letter and a colon"},
                    TRefusedDrive{"Digit", "1:", R"(\\nas\Docs)", "is not a letter and a colon"},
                    TRefusedDrive{"NoDrive", "", R"(\\nas\Docs)", "is not a letter and a colon"},
                    TRefusedDrive{"ServerAlone", "X:", R"(\\nas)",
                                  R"(the remote folder "\\nas" of drive "X:" is not)"},
                    TRefusedDrive{"OneBackslash", "X:", R"(\nas\Docs)", "is not \\\\server\\share"},
                    TRefusedDrive{"Url", "X:", "smb://nas/Docs", "is not \\\\server\\share"},
                    TRefusedDrive{"LocalFolder", "X:", "/home/ann", "is not \\\\server\\share"}),
    [](const testing::TestParamInfo<TRefusedDrive> &info) { return info.param.Name; });

TEST_F(NetMappingTest, ADriveMappedTwiceIsRefused)
{
    AddDrive(IdA, "x:", R"(\\nas\Docs)");
    AddDrive(IdA, "X:", R"(\\nas\Other)");
    SetSwitch(IdA, true);
    QStringList Reasons;
    EXPECT_FALSE(TCustomProxy::Create<TNetMappingProxy>(IdA)->Check(&Reasons));
    EXPECT_EQ(Reasons, QStringList{"drive X: is mapped twice"});
}

TEST_F(NetMappingTest, ImportGivesBackTheDrivesWithTheirLettersAndLogonRestore)
{
    ASSERT_TRUE(ConnectDrive("X:", R"(\\nas\Public\sub)", "", "", false));
    ASSERT_TRUE(ConnectDrive("Y:", R"(\\nas\Private)", "ann", "secret", true));
    ASSERT_TRUE(FMounts->Mount("smb://nas/Unlinked", {}));
    ASSERT_TRUE(TDriveLinks(QDir::home().filePath("Drives")).Link("Z:", "/not/a/mount"));
    TWmiProviders::Register(std::make_shared<TNetworkConnectionProvider>());

    auto Module = TCustomProxy::Create<TNetMappingProxy>(IdB);
    EXPECT_TRUE(Module->Import("{ANY}"));

    EXPECT_TRUE(TCustomProxy::Create<TNetMappingProxy>(IdB)->EnableProxy());
    QStringList Rows;
    for (const auto &Mapping : TNetMappingList(IdB, true))
        Rows.append(QStringList{Mapping->Driver(), Mapping->RemoteFolder(), Mapping->UserName(),
                                Mapping->AutoConnect() ? "restored" : "not restored"}
                        .join('|'));
    Rows.sort();
    EXPECT_EQ(Rows, (QStringList{R"(W:|\\nas\Unlinked||not restored)", R"(X:|\\nas\Public\sub||not restored)",
                                 R"(Y:|\\nas\Private||restored)"}))
        << "an unlinked mount takes the first letter from Z: down that no link holds";
}
