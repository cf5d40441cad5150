#include "platform/QtPrint.h"
#include "platform/sharing/NetworkMounts.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

// GIO without GVFS, as in a session without a bus: only local files are served. Set before
// GIO picks its file system layer, which it does once per process.
class NetworkMountsWithoutGvfs : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        qputenv("GIO_USE_VFS", "local");
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    }
};

} // namespace

TEST_F(NetworkMountsWithoutGvfs, MountSaysWhatIsMissing)
{
    TGioNetworkMounts mounts(2000);
    EXPECT_FALSE(mounts.Mount("smb://127.0.0.1/Docs", {}));
    EXPECT_EQ(mounts.LastError(),
              "Cannot mount smb://127.0.0.1/Docs: GVFS does not serve this kind of location "
              "here (it needs a session bus and the GVFS backends)");
}

TEST_F(NetworkMountsWithoutGvfs, NothingRemoteIsListedAndNothingCanBeUnmounted)
{
    TGioNetworkMounts mounts(2000);
    QList<TNetworkMount> listed;
    ASSERT_TRUE(mounts.List(listed)) << mounts.LastError().toStdString();
    EXPECT_TRUE(listed.isEmpty());
    EXPECT_FALSE(mounts.Unmount("smb://127.0.0.1/Docs", false));
    EXPECT_THAT(mounts.LastError().toStdString(),
                testing::StartsWith("Cannot unmount smb://127.0.0.1/Docs: "));
}

namespace {

struct TUncCase
{
    const char *Name;
    QString Unc;
    QString Url; // empty: refused
};
void PrintTo(const TUncCase &c, std::ostream *out) { *out << c.Name; }

class UncToSmbUrl : public testing::TestWithParam<TUncCase>
{};

} // namespace

TEST_P(UncToSmbUrl, GivesTheUrlGvfsMountsOrNothing)
{
    EXPECT_EQ(SmbUrlFromUnc(GetParam().Unc), GetParam().Url);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UncToSmbUrl,
    testing::Values(TUncCase{"Share", R"(\\server\share)", "smb://server/share"},
                    TUncCase{"FolderInShare", R"(\\server\share\path\sub)", "smb://server/share/path/sub"},
                    TUncCase{"TrailingBackslash", R"(\\10.0.0.1\Docs\)", "smb://10.0.0.1/Docs"},
                    TUncCase{"BlanksAndLetters", R"(\\nas\Public Docs\Ärger #1)",
                             "smb://nas/Public%20Docs/%C3%84rger%20%231"},
                    TUncCase{"PercentSign", R"(\\nas\100%)", "smb://nas/100%25"},
                    TUncCase{"ServerAlone", R"(\\server)", ""}, TUncCase{"EmptyShare", R"(\\server\)", ""},
                    TUncCase{"OneBackslash", R"(\server\share)", ""},
                    TUncCase{"NoBackslash", R"(server\share)", ""}, TUncCase{"NoServer", R"(\\\share)", ""},
                    TUncCase{"EmptyFolder", R"(\\server\share\\x)", ""},
                    TUncCase{"ForwardSlashes", "//server/share", ""},
                    TUncCase{"SlashInShare", R"(\\server\a/b)", ""},
                    TUncCase{"PortInServer", R"(\\server:445\share)", ""},
                    TUncCase{"UserInServer", R"(\\me@server\share)", ""},
                    TUncCase{"BlankInServer", R"(\\my server\share)", ""}, TUncCase{"Empty", "", ""}),
    [](const testing::TestParamInfo<TUncCase> &info) { return info.param.Name; });

TEST(SmbUrls, GoBackToUncAndToTheirShare)
{
    EXPECT_EQ(UncFromSmbUrl("smb://nas/Public%20Docs/%C3%84rger/"), R"(\\nas\Public Docs\Ärger)");
    EXPECT_EQ(UncFromSmbUrl("smb://127.0.0.1/Public/"), R"(\\127.0.0.1\Public)");
    EXPECT_EQ(SmbShareUrl("smb://nas/Public%20Docs/sub/dir"), "smb://nas/Public%20Docs");
    EXPECT_EQ(SmbShareUrl(SmbUrlFromUnc(R"(\\nas\Docs\a\b)")), "smb://nas/Docs");
    for (const char *NoShare : {"smb://nas/", "sftp://nas/Docs", "file:///home", "not a url"}) {
        EXPECT_EQ(UncFromSmbUrl(NoShare), "") << NoShare;
        EXPECT_EQ(SmbShareUrl(NoShare), "") << NoShare;
    }
}

TEST(GvfsPaths, BecomeTheRemoteFolderTheyShowOrNothing)
{
    const QString Gvfs = QStringLiteral("/run/user/1000/gvfs/");
    const std::pair<QString, QString> Cases[] = {
        {Gvfs + "smb-share:server=nas,share=docs", R"(\\nas\docs)"},
        {Gvfs + "smb-share:domain=WORK,server=10.0.0.5,share=public,user=me/a/b c/",
         R"(\\10.0.0.5\public\a\b c)"},
        {Gvfs + "smb-share:server=nas,share=Public%20Docs/%C3%84rger", R"(\\nas\Public Docs\%C3%84rger)"},
        {Gvfs + "smb-share:server=nas", ""},
        {Gvfs + "smb-share:server=nas,share=docs/a\\b", ""},
        {Gvfs + "sftp:host=nas,user=me/home", ""},
        {"/home/me/smb-share:server=nas,share=docs", ""},
        {"/home/me/Documents", ""},
        {"", ""},
    };
    for (const auto &[Path, Unc] : Cases)
        EXPECT_EQ(UncFromGvfsPath(Path), Unc) << Path.toStdString();
}
