#include "sharing/FolderShare.h"
#include "sharing/NetShare.h"

#include "adapters/WmiProviders.h"
#include "app/IdGen.h"
#include "locations/FuncDef.h"
#include "platform/QtPrint.h"
#include "platform/sharing/UserShares.h"
#include "support/DatabaseTest.h"

#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QStandardPaths>
#include <gmock/gmock.h>

namespace {

const QString IdA = QStringLiteral("SHAREA0000000000000000000000000A");
const QString IdB = QStringLiteral("SHAREB0000000000000000000000000B");

// The data file of the test root and Samba user shares of a configuration of the test's own:
// net needs no smbd for them, and the computer's own shares are never seen or changed.
class FolderShareTest : public TDatabaseTest
{
protected:
    void SetUp() override
    {
        TDatabaseTest::SetUp();
        WAYFAREL_REQUIRE_LAB(!QStandardPaths::findExecutable("net").isEmpty(),
                             "net (package samba) is not installed");
        Exec("UPDATE FUNC_DEF SET FUNC_EANBLED=1");
        for (const char *Folder : {"usershares", "state", "docs", "photos", "music", "elsewhere"})
            QDir(FRoot.Path()).mkpath(Folder);
        WriteSambaConf(100);
        InstallUserShares(FShares);
    }
    void TearDown() override
    {
        qputenv("PATH", FPath);
        InstallUserShares(nullptr);
        TFuncDefine::FreeInstance();
        TDatabaseTest::TearDown();
    }

    QString Folder(const QString &Name) const { return FRoot.Path() + '/' + Name; }
    QString Conf() const { return Folder("smb.conf"); }

    void WriteSambaConf(int MaxShares) const
    {
        QFile File(Conf());
        ASSERT_TRUE(File.open(QIODevice::WriteOnly));
        File.write(
            QStringLiteral("[global]\nstate directory = %1/state\nlock directory = %1/state\n"
                           "cache directory = %1/state\npid directory = %1/state\nprivate dir = %1/state\n"
                           "ncalrpc dir = %1/state/ncalrpc\nbinddns dir = %1/state/binddns\n"
                           "usershare path = %1/usershares\nusershare max shares = %2\n"
                           "usershare allow guests = yes\nusershare owner only = no\n")
                .arg(FRoot.Path())
                .arg(MaxShares)
                .toUtf8());
    }

    static void AddShare(const QString &LocId, const QString &Name, const QString &Folder,
                         const QString &Description = QString())
    {
        TFolderShare Share(GenerateId(32));
        Share.SetLocId(LocId);
        Share.SetShareName(Name);
        Share.SetShareFolder(Folder);
        Share.SetDescription(Description);
        Share.SetShareType(1);
        ASSERT_TRUE(Share.Save()) << Share.LastError().toStdString();
    }

    static void SetSwitch(const QString &LocId, bool On)
    {
        auto Module = TCustomProxy::Create<TFolderShareProxy>(LocId);
        Module->SetEnableProxy(On);
        ASSERT_TRUE(Module->Save());
    }

    // The system's shares as "name|folder|comment|acl", sorted.
    QStringList SystemShares() const
    {
        QList<TUserShare> Shares;
        EXPECT_TRUE(FShares->List(Shares)) << FShares->LastError().toStdString();
        QStringList Lines;
        for (const TUserShare &Share : std::as_const(Shares))
            Lines.append(QStringList{Share.Name, Share.Path, Share.Comment, Share.Acl}.join('|'));
        Lines.sort();
        return Lines;
    }

    std::unique_ptr<TFolderShareProxy> SwitchTo(const QString &LocId)
    {
        auto Module = TCustomProxy::Create<TFolderShareProxy>(LocId);
        EXPECT_TRUE(Module->ChangeTo()) << "a share never fails the switch";
        return Module;
    }

    std::shared_ptr<TNetUserShares> FShares = std::make_shared<TNetUserShares>(Conf());
    const QByteArray FPath = qgetenv("PATH");
};

} // namespace

TEST_F(FolderShareTest, ARowIsStoredLoadedListedAndRemoved)
{
    AddShare(IdA, "Docs", Folder("docs"), "team files");
    AddShare(IdA, "Photos", Folder("photos"));
    AddShare(IdB, "Music", Folder("music"));

    const TFolderShareList Own(IdA, true);
    ASSERT_EQ(Own.Count(), 2);
    QStringList Names;
    for (const auto &Share : Own)
        Names.append(Share->ShareName());
    Names.sort();
    EXPECT_EQ(Names, (QStringList{"Docs", "Photos"}));
    const TFolderShareList Others(IdA, false);
    ASSERT_EQ(Others.Count(), 1);
    const TFolderShare &Music = *Others.Items(0);
    EXPECT_EQ(Music.LocId(), IdB);
    EXPECT_EQ(Music.ShareFolder(), Folder("music"));
    EXPECT_EQ(Music.ShareType(), 1);

    TFolderShare Loaded(Music.Id());
    EXPECT_EQ(Loaded.ShareName(), "Music");
    ASSERT_TRUE(Loaded.Remove());
    EXPECT_EQ(TFolderShareList(IdB, true).Count(), 0);
    EXPECT_EQ(TFolderShare(Music.Id()).ShareName(), "") << "a new share starts empty";
}

TEST_F(FolderShareTest, SwitchingRemovesOtherLocationsSharesAndMakesItsOwn)
{
    ASSERT_TRUE(FShares->Add("Foreign", Folder("elsewhere"), "nobody's"));
    AddShare(IdA, "S1", Folder("docs"), "first");
    AddShare(IdA, "S2", Folder("photos"));
    AddShare(IdB, "S3", Folder("music"), "line one\nline two");
    SetSwitch(IdA, true);
    SetSwitch(IdB, true);
    const QString Foreign = "Foreign|" + Folder("elsewhere") + "|nobody's|S-1-1-0:R";

    SwitchTo(IdA);
    EXPECT_EQ(SystemShares(), (QStringList{Foreign, "S1|" + Folder("docs") + "|first|S-1-1-0:R",
                                           "S2|" + Folder("photos") + "||S-1-1-0:R"}));

    const auto ToB = SwitchTo(IdB);
    EXPECT_EQ(SystemShares(),
              (QStringList{Foreign, "S3|" + Folder("music") + "|line one line two|S-1-1-0:R"}));
    EXPECT_EQ(ToB->Changes(),
              (QStringList{"share \"S1\" removed", "share \"S2\" removed",
                           "share \"S3\" of \"" + Folder("music") + "\", readable by everyone"}));
    EXPECT_TRUE(ToB->Warnings().isEmpty()) << ToB->Warnings().join('\n').toStdString();

    SwitchTo(IdA);
    EXPECT_EQ(SystemShares().size(), 3);
    EXPECT_FALSE(SystemShares().join('\n').contains("S3|"));
}

TEST_F(FolderShareTest, ASwitchedOffLocationOrCatalogueLeavesTheSharesAsTheyAre)
{
    AddShare(IdA, "S1", Folder("docs"));
    AddShare(IdB, "S3", Folder("music"));
    SetSwitch(IdA, true);
    SwitchTo(IdA);
    const QStringList Before = SystemShares();

    SetSwitch(IdB, false);
    EXPECT_TRUE(SwitchTo(IdB)->SkipsChange());
    EXPECT_EQ(SystemShares(), Before);

    SetSwitch(IdB, true);
    Exec("UPDATE FUNC_DEF SET FUNC_EANBLED=0 WHERE FUNC_CODE='SHARE'");
    SwitchTo(IdB);
    EXPECT_EQ(SystemShares(), Before);
}

namespace {

class ShareFailure;

struct TShareFailure
{
    const char *Name;
    std::function<void(ShareFailure &)> Arrange;
    const char *Warning;
};
void PrintTo(const TShareFailure &c, std::ostream *out) { *out << c.Name; }

class ShareFailure : public FolderShareTest, public testing::WithParamInterface<TShareFailure>
{
public:
    using FolderShareTest::Folder;
    using FolderShareTest::WriteSambaConf;
    std::shared_ptr<TNetUserShares> Shares() const { return FShares; }
};

} // namespace

TEST_P(ShareFailure, IsAWarningWithItsReasonAndTheSwitchGoesOn)
{
    AddShare(IdA, "Docs", Folder("docs"));
    AddShare(IdA, "Photos", Folder("photos"));
    SetSwitch(IdA, true);
    GetParam().Arrange(*this);

    const auto Module = SwitchTo(IdA);

    ASSERT_FALSE(Module->Warnings().isEmpty());
    EXPECT_THAT(Module->Warnings().first().toStdString(), testing::HasSubstr(GetParam().Warning))
        << Module->Warnings().join('\n').toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ShareFailure,
    testing::Values(
        TShareFailure{"FolderMissing", [](ShareFailure &T) { QDir(T.Folder("docs")).removeRecursively(); },
                      "share \"Docs\" not made: the folder is missing"},
        TShareFailure{
            "NameTaken",
            [](ShareFailure &T) { ASSERT_TRUE(T.Shares()->Add("DOCS", T.Folder("elsewhere"), "")); },
            "share \"Docs\" not made: the name is taken by the share of"},
        TShareFailure{"LimitReached",
                      [](ShareFailure &T) {
                          T.WriteSambaConf(1);
                          ASSERT_TRUE(T.Shares()->Add("Foreign", T.Folder("elsewhere"), ""));
                      },
                      "share \"Docs\" not made: the share limit is reached"},
        TShareFailure{"UsersharesNotAllowed", [](ShareFailure &T) { T.WriteSambaConf(0); },
                      "usershares are not allowed here"},
        TShareFailure{"SambaNotInstalled",
                      [](ShareFailure &T) { qputenv("PATH", T.Folder("elsewhere").toLocal8Bit()); },
                      "Samba is not installed"}),
    [](const testing::TestParamInfo<TShareFailure> &info) { return info.param.Name; });

namespace {

struct TRefusedShare
{
    const char *Name;
    QString ShareName;
    QString Folder; // "@" stands for the test's root
    const char *Reason;
};
void PrintTo(const TRefusedShare &c, std::ostream *out) { *out << c.Name; }

class RefusedShare : public FolderShareTest, public testing::WithParamInterface<TRefusedShare>
{};

} // namespace

TEST_P(RefusedShare, IsRefusedByTheCheck)
{
    AddShare(IdA, "Équipe", Folder("docs"));
    AddShare(IdA, GetParam().ShareName, QString(GetParam().Folder).replace('@', FRoot.Path()));
    SetSwitch(IdA, true);
    QStringList Reasons;
    EXPECT_FALSE(TCustomProxy::Create<TFolderShareProxy>(IdA)->Check(&Reasons));
    ASSERT_EQ(Reasons.size(), 1) << Reasons.join('\n').toStdString();
    EXPECT_THAT(Reasons.first().toStdString(), testing::HasSubstr(GetParam().Reason));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedShare,
    testing::Values(
        TRefusedShare{"Colon", "a:b", "@/photos", "the share name \"a:b\" has a character Samba refuses"},
        TRefusedShare{"Comma", "a,b", "@/photos", "has a character Samba refuses"},
        TRefusedShare{"ControlCharacter", "a\tb", "@/photos", "has a character Samba refuses"},
        TRefusedShare{"NoName", " ", "@/photos", "a share has no name"},
        TRefusedShare{"NoFolder", "Rel", "", "the folder \"\" of share \"Rel\" is not an absolute path"},
        TRefusedShare{"RelativeFolder", "Rel", "photos",
                      "the folder \"photos\" of share \"Rel\" is not an absolute path"},
        TRefusedShare{"MissingFolder", "Gone", "/nonexistent/folder",
                      "the folder \"/nonexistent/folder\" of share \"Gone\" does not exist"},
        TRefusedShare{"AFileIsNoFolder", "File", "@/smb.conf", "is not a folder"},
        TRefusedShare{"FolderTooLong", "Long", "/" + QString(300, 'f'), "longer than the 254 characters"},
        TRefusedShare{"NameTwiceInOtherCase", "éQUIPE", "@/photos",
                      "the share name \"éQUIPE\" is given twice"}),
    [](const testing::TestParamInfo<TRefusedShare> &info) { return info.param.Name; });

TEST_F(FolderShareTest, WellFormedSharesPassTheCheck)
{
    AddShare(IdA, "Équipe Docs", Folder("docs"));
    AddShare(IdA, "équipe photos", Folder("photos"));
    AddShare(IdA, "$hidden share", Folder("music"));
    QStringList Reasons;
    EXPECT_TRUE(TCustomProxy::Create<TFolderShareProxy>(IdA)->Check(&Reasons))
        << Reasons.join('\n').toStdString();
}

TEST_F(FolderShareTest, ImportTakesTheSystemsSharesAndSwitchesTheModuleOn)
{
    TWmiProviders::Register(std::make_shared<TShareProvider>());
    ASSERT_TRUE(FShares->Add("Docs", Folder("docs"), "team files"));
    ASSERT_TRUE(FShares->Add("Photos", Folder("photos"), ""));

    auto Module = TCustomProxy::Create<TFolderShareProxy>(IdB);
    EXPECT_TRUE(Module->Import("{ANY}"));
    TWmiProviders::Reset();

    EXPECT_TRUE(TCustomProxy::Create<TFolderShareProxy>(IdB)->EnableProxy());
    QStringList Rows;
    for (const auto &Share : TFolderShareList(IdB, true))
        Rows.append(QStringList{Share->ShareName(), Share->ShareFolder(), Share->Description(),
                                QString::number(Share->ShareType())}
                        .join('|'));
    Rows.sort();
    EXPECT_EQ(Rows, (QStringList{"Docs|" + Folder("docs") + "|team files|1",
                                 "Photos|" + Folder("photos") + "||1"}));
}

TEST_F(FolderShareTest, ShareAccessSetsTheTrusteesEntryAndKeepsTheRest)
{
    ASSERT_TRUE(FShares->Add("Mixed", Folder("docs"), "kept"));
    ASSERT_TRUE(FShares->SetAcl("Mixed", "S-1-5-32-544:F,S-1-1-0:F")) << FShares->LastError().toStdString();

    QString Error;
    ASSERT_TRUE(SetShareAccess("mixed", "Everyone", GENERIC_READ, &Error)) << Error.toStdString();
    EXPECT_EQ(SystemShares(), QStringList{"Mixed|" + Folder("docs") + "|kept|S-1-5-32-544:F,S-1-1-0:R"});

    EXPECT_FALSE(SetShareAccess("Mixed", "Everyone", 0x1, &Error));
    EXPECT_EQ(Error, "the access mask 0x1 is not one a share takes");
    EXPECT_FALSE(SetShareAccess("Nothing", "Everyone", GENERIC_READ, &Error));
    EXPECT_EQ(Error, "there is no share \"Nothing\"");
}
