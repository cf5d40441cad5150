#include "platform/QtPrint.h"
#include "platform/sharing/UserShares.h"
#include "support/TestRoot.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

// A Samba configuration of the test's own: its usershare folder and state folders are private,
// so the computer's shares are never seen or changed. net needs no smbd for these commands.
class UserShares : public testing::Test
{
protected:
    void SetUp() override
    {
        WAYFAREL_REQUIRE_LAB(!QStandardPaths::findExecutable("net").isEmpty(),
                             "net (package samba) is not installed");
        QDir root(FDir.path());
        for (const char *folder : {"usershares", "state", "folder", "other folder"})
            ASSERT_TRUE(root.mkpath(folder));
        QFile conf(root.filePath("smb.conf"));
        ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
        conf.write(QStringLiteral("[global]\n"
                                  "state directory = %1/state\n"
                                  "lock directory = %1/state\n"
                                  "cache directory = %1/state\n"
                                  "pid directory = %1/state\n"
                                  "private dir = %1/state\n"
                                  "ncalrpc dir = %1/state/ncalrpc\n"
                                  "binddns dir = %1/state/binddns\n"
                                  "usershare path = %1/usershares\n"
                                  "usershare max shares = 100\n"
                                  "usershare allow guests = yes\n"
                                  "usershare owner only = no\n")
                       .arg(FDir.path())
                       .toUtf8());
    }

    QString Folder(const QString &name) const { return QDir(FDir.path()).filePath(name); }
    QStringList ShareFiles() const { return QDir(Folder("usershares")).entryList(QDir::Files); }

    QTemporaryDir FDir;
    TNetUserShares FShares{QDir(FDir.path()).filePath("smb.conf")};
};

} // namespace

TEST_F(UserShares, AddedSharesAreReadableByEveryoneAndListed)
{
    ASSERT_TRUE(FShares.Add("Office Docs", Folder("folder"), "the team's; files = here"))
        << FShares.LastError().toStdString();
    ASSERT_TRUE(FShares.Add("-dash", Folder("other folder"), "-rw looks like an option"))
        << FShares.LastError().toStdString();
    EXPECT_EQ(ShareFiles(), (QStringList{"-dash", "office docs"}));

    std::optional<TUserShare> share;
    ASSERT_TRUE(FShares.Info("office docs", share)) << FShares.LastError().toStdString();
    ASSERT_TRUE(share.has_value());
    EXPECT_EQ(share->Name, "Office Docs");
    EXPECT_EQ(share->Path, Folder("folder"));
    EXPECT_EQ(share->Comment, "the team's; files = here");
    EXPECT_EQ(share->Acl, "S-1-1-0:R");
    EXPECT_TRUE(share->GuestOk);

    QList<TUserShare> shares;
    ASSERT_TRUE(FShares.List(shares)) << FShares.LastError().toStdString();
    ASSERT_EQ(shares.size(), 2);
    QStringList seen;
    for (const TUserShare &listed : shares)
        seen.append(listed.Name + '|' + listed.Path + '|' + listed.Comment);
    seen.sort();
    EXPECT_EQ(seen, (QStringList{"-dash|" + Folder("other folder") + "|-rw looks like an option",
                                 "Office Docs|" + Folder("folder") + "|the team's; files = here"}));
}

TEST_F(UserShares, AddingANameAgainReplacesTheShare)
{
    ASSERT_TRUE(FShares.Add("Docs", Folder("folder"), "first"));
    ASSERT_TRUE(FShares.Add("DOCS", Folder("other folder"), "second")) << FShares.LastError().toStdString();
    std::optional<TUserShare> share;
    ASSERT_TRUE(FShares.Info("Docs", share));
    ASSERT_TRUE(share.has_value());
    EXPECT_EQ(share->Path, Folder("other folder"));
    EXPECT_EQ(share->Comment, "second");
    EXPECT_EQ(ShareFiles().size(), 1);
}

TEST_F(UserShares, DeletedSharesAreGone)
{
    ASSERT_TRUE(FShares.Add("Docs", Folder("folder"), ""));
    ASSERT_TRUE(FShares.Delete("docs")) << FShares.LastError().toStdString();
    std::optional<TUserShare> share;
    ASSERT_TRUE(FShares.Info("Docs", share)) << "an unknown name is no error";
    EXPECT_FALSE(share.has_value());
    QList<TUserShare> shares;
    ASSERT_TRUE(FShares.List(shares));
    EXPECT_TRUE(shares.isEmpty());
    EXPECT_TRUE(ShareFiles().isEmpty());
}

struct TRefusal
{
    const char *Name;
    QString ShareName;
    QString Path; // relative to the test's folder unless absolute
    const char *Reason;
};
void PrintTo(const TRefusal &c, std::ostream *out) { *out << c.Name; }

class UserShareRefusal : public UserShares, public testing::WithParamInterface<TRefusal>
{};

TEST_P(UserShareRefusal, CarriesNetsOwnReason)
{
    const QString path = GetParam().Path.startsWith('/') || GetParam().Path.isEmpty()
                             ? GetParam().Path
                             : Folder(GetParam().Path);
    EXPECT_FALSE(FShares.Add(GetParam().ShareName, path, "comment"));
    EXPECT_THAT(FShares.LastError().toStdString(), testing::HasSubstr(GetParam().Reason));
    EXPECT_TRUE(ShareFiles().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UserShareRefusal,
    testing::Values(TRefusal{"InvalidCharacter", "bad:name", "folder", "contains invalid characters"},
                    TRefusal{"MissingFolder", "Docs", "/nonexistent/folder", "cannot stat path"},
                    TRefusal{"RelativePath", "Docs", "", "is not an absolute path"},
                    TRefusal{"NameTooLong", QString(256, 'n'), "folder", "File name too long"}),
    [](const testing::TestParamInfo<TRefusal> &info) { return info.param.Name; });

TEST_F(UserShares, DeletingAnUnknownShareFailsWithNetsReason)
{
    EXPECT_FALSE(FShares.Delete("never-made"));
    EXPECT_THAT(FShares.LastError().toStdString(), testing::HasSubstr("unable to remove usershare"));
}

TEST(UserSharesElsewhere, AMissingConfigurationIsNotReplacedByTheComputersOwn)
{
    TNetUserShares shares("/nonexistent/smb.conf");
    QList<TUserShare> list;
    EXPECT_FALSE(shares.List(list));
    EXPECT_EQ(shares.LastError(), "The Samba configuration /nonexistent/smb.conf does not exist");
}
