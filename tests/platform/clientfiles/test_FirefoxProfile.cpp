#include "platform/clientfiles/FirefoxProfile.h"

#include "support/FirefoxProfileTest.h"

#include <unistd.h>

namespace {

struct TProfileCase
{
    const char *Name;
    // Root "legacy" (~/.mozilla/firefox) or "xdg" ($XDG_CONFIG_HOME/mozilla/firefox) and the
    // files written there; an empty text writes no file.
    const char *Root;
    const char *ProfilesIni;
    const char *InstallsIni;
    QStringList Folders;
    // The folder chosen, relative to the root; empty for none.
    QString Expected;
};

void PrintTo(const TProfileCase &Case, std::ostream *Out) { *Out << Case.Name; }

class FirefoxProfileChoice : public TFirefoxProfileTest, public testing::WithParamInterface<TProfileCase>
{};

const char *const TwoProfiles = "[Profile1]\nName=default\nIsRelative=1\nPath=old.default\nDefault=1\n\n"
                                "[Profile0]\nName=default-esr\nIsRelative=1\nPath=new.default-esr\n\n"
                                "[General]\nStartWithLastProfile=1\nVersion=2\n";

} // namespace

TEST_P(FirefoxProfileChoice, IsTheOneFirefoxStartsWith)
{
    const TProfileCase &Case = GetParam();
    const QString Root = QLatin1String(Case.Root) == "xdg" ? XdgRoot() : LegacyRoot();
    ASSERT_TRUE(QDir().mkpath(Root));
    for (const QString &Folder : Case.Folders)
        ASSERT_TRUE(QDir(Root).mkpath(Folder));
    if (*Case.ProfilesIni)
        WriteFile(QDir(Root).filePath("profiles.ini"), Case.ProfilesIni);
    if (*Case.InstallsIni)
        WriteFile(QDir(Root).filePath("installs.ini"), Case.InstallsIni);

    EXPECT_EQ(FirefoxProfileDir(), Case.Expected.isEmpty() ? QString() : QDir(Root).filePath(Case.Expected));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FirefoxProfileChoice,
    testing::Values(TProfileCase{"InstallsIniWinsOverDefault1",
                                 "legacy",
                                 TwoProfiles,
                                 "[3B6073811A6ABF12]\nDefault=new.default-esr\nLocked=1\n",
                                 {"old.default", "new.default-esr"},
                                 "new.default-esr"},
                    TProfileCase{"InstallSectionOfProfilesIni",
                                 "legacy",
                                 "[Install3B6073811A6ABF12]\nDefault=new.default-esr\nLocked=1\n\n"
                                 "[Profile0]\nName=x\nIsRelative=1\nPath=old.default\nDefault=1\n",
                                 "",
                                 {"old.default", "new.default-esr"},
                                 "new.default-esr"},
                    TProfileCase{"Default1WithoutInstall",
                                 "legacy",
                                 TwoProfiles,
                                 "",
                                 {"old.default", "new.default-esr"},
                                 "old.default"},
                    TProfileCase{"XdgPlaceWithoutLegacyFolder",
                                 "xdg",
                                 TwoProfiles,
                                 "[3B6073811A6ABF12]\nDefault=new.default-esr\n",
                                 {"old.default", "new.default-esr"},
                                 "new.default-esr"},
                    TProfileCase{"NamedFolderMissing",
                                 "legacy",
                                 "",
                                 "[3B6073811A6ABF12]\nDefault=gone.default-esr\n",
                                 {"old.default"},
                                 ""},
                    TProfileCase{"NothingNamed",
                                 "legacy",
                                 "[Profile0]\nName=x\nIsRelative=1\nPath=old.default\n",
                                 "",
                                 {"old.default"},
                                 ""},
                    TProfileCase{"NoIniFiles", "legacy", "", "", {"x.default"}, ""}),
    [](const testing::TestParamInfo<TProfileCase> &Info) { return std::string(Info.param.Name); });

TEST_F(TFirefoxProfileTest, LegacyFolderWinsOverTheXdgOne)
{
    WriteFile(QDir(XdgRoot()).filePath("installs.ini"), "[H]\nDefault=xdg.default-esr\n");
    ASSERT_TRUE(QDir(XdgRoot()).mkpath("xdg.default-esr"));
    ASSERT_TRUE(QDir().mkpath(LegacyRoot()));

    EXPECT_EQ(FirefoxProfileDir(), QString());
    WriteFile(QDir(LegacyRoot()).filePath("installs.ini"), "[H]\nDefault=legacy.default-esr\n");
    ASSERT_TRUE(QDir(LegacyRoot()).mkpath("legacy.default-esr"));
    EXPECT_EQ(FirefoxProfileDir(), QDir(LegacyRoot()).filePath("legacy.default-esr"));
}

TEST_F(TFirefoxProfileTest, AnAbsoluteProfilePathIsTakenAsItIs)
{
    const QString Elsewhere = QDir(FRoot.Path()).filePath("elsewhere/p.default");
    ASSERT_TRUE(QDir().mkpath(Elsewhere));
    WriteFile(QDir(LegacyRoot()).filePath("profiles.ini"),
              "[Profile0]\nName=p\nIsRelative=0\nPath=" + Elsewhere.toUtf8() + "\nDefault=1\n");
    EXPECT_EQ(FirefoxProfileDir(), Elsewhere);
}

TEST_F(TFirefoxProfileTest, TheLockNamesALiveProcessOfThisHost)
{
    const QString Dir = MakeProfile("");
    const QString Lock = QDir(Dir).filePath("lock");
    const struct
    {
        QString Target;
        bool Held;
    } Cases[] = {{QStringLiteral("127.0.1.1:+%1").arg(getpid()), true},
                 {QStringLiteral("127.0.1.1:+%1").arg(0x3ffffff0), false},
                 {QStringLiteral("192.0.2.77:+%1").arg(getpid()), false},
                 {QStringLiteral("garbage"), false}};
    EXPECT_FALSE(FirefoxHoldsProfile(Dir));
    for (const auto &Case : Cases) {
        QFile::remove(Lock);
        ASSERT_EQ(symlink(Case.Target.toLocal8Bit().constData(), Lock.toLocal8Bit().constData()), 0);
        EXPECT_EQ(FirefoxHoldsProfile(Dir), Case.Held) << Case.Target.toStdString();
    }
}
