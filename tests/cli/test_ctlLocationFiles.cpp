// wayfarelctl export and import-file as a script sees them.
#include "app/DBManager.h"
#include "support/CtlRun.h"
#include "support/DatabaseTest.h"

#include <QDir>
#include <QFile>
#include <QSqlQuery>

namespace {

const QString IdA = "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA1";
const QString IdB = "BBBBBBBBBBBBBBBBBBBBBBBBBBBBBBB2";

QByteArray FileBytes(const QString &Path)
{
    QFile File(Path);
    return File.open(QIODevice::ReadOnly) ? File.readAll() : QByteArray("unreadable");
}

class CtlFilesTest : public TDatabaseTest
{
protected:
    // A second, empty data file beside the test's own, and two stored locations in the latter;
    // the commands hold the data files themselves.
    void SetUp() override
    {
        TDatabaseTest::SetUp();
        ASSERT_TRUE(QDir().mkpath(OtherFolder()));
        ASSERT_TRUE(QFile::copy(FRoot.DataFile(), OtherFolder() + "qtm.dat"));
        for (const char *Statement : {
                 "INSERT INTO LOCATION VALUES ('AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA1', '', 'Office', "
                 "'first floor', 'Laser')",
                 "INSERT INTO LOCATION VALUES ('BBBBBBBBBBBBBBBBBBBBBBBBBBBBBBB2', '{NET-GONE}', 'Home', '', "
                 "'')",
                 "INSERT INTO IP_ADDR (LOC_ID, ENABLE_DHCP, IP_ADDR, SUBNET_MASK, GATE_WAY, MAC_ADDR, "
                 "GWMAC_ADDR, REPAIR_INTERVAL) VALUES ('AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA1', 0, '10.1.2.3', "
                 "'255.255.255.0', '10.1.2.1', '00-00-00-00-00-00', '02-11-22-33-44-55', 30)",
                 "INSERT INTO IE_PROXY (LOC_ID, ENABLE_PROXY, HTTP, NO_PROXIES_ON) VALUES "
                 "('AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA1', 1, '10.1.2.9:8080', 'intranet')",
                 "INSERT INTO SKYPE_PROXY (LOC_ID, ENABLE_PROXY, PROXY_TYPE, PROXY_SERVER, PROXY_PORT, "
                 "PROXY_USER, PROXY_PWD) VALUES ('AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA1', 1, 2, 'sk', 1080, "
                 "'me', 'secret-skype')",
                 "INSERT INTO FS_PROXY VALUES ('AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA1', 1)",
                 "INSERT INTO FOLDER_SHARE VALUES ('S1', 'AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA1', 'docs', "
                 "'papers', '/srv/docs', 0)",
                 "INSERT INTO NET_MAPPING VALUES ('M1', 'AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA1', 'X:', 'me', "
                 "'secret-drive', '\\\\files\\team', 1)",
             })
            Exec(Statement);
        CloseConnection();
    }

    QString OtherFolder() const { return FRoot.Path() + "/other/"; }

    static TCtlRun Ctl(const QString &Folder, const QStringList &Args)
    {
        return RunCtl(QStringList{"--data", Folder} + Args);
    }

    // Exports every location of the test's data file with passwords into a file; its path.
    QString ExportAll()
    {
        const QString Path = FRoot.Path() + "/all.json";
        const TCtlRun Run = Ctl(FRoot.DataFolder(), {"export", "--with-passwords", "-o", Path});
        EXPECT_EQ(Run.Code, 0) << Run.Err.toStdString();
        EXPECT_TRUE(Run.Out.isEmpty());
        return Path;
    }
};

} // namespace

TEST_F(CtlFilesTest, ImportIntoAnEmptyDataFileShowsTheSameLocations)
{
    const QString Path = ExportAll();
    EXPECT_EQ(PermissionBits(Path), 0600u);
    const TCtlRun Import = Ctl(OtherFolder(), {"import-file", Path});
    ASSERT_EQ(Import.Code, 0) << Import.Err.toStdString();
    EXPECT_EQ(Import.Lines(), QStringList({IdA + "\tOffice", IdB + "\tHome"}));
    // Home's adapter is on no computer here.
    EXPECT_TRUE(Import.Err.contains("\"Home\" stored without adapter")) << Import.Err.toStdString();

    const TCtlRun Office = Ctl(FRoot.DataFolder(), {"show", "Office"});
    ASSERT_EQ(Office.Code, 0) << Office.Err.toStdString();
    EXPECT_TRUE(Office.Out.contains("IE proxy HTTP\t10.1.2.9:8080")) << Office.Out.toStdString();
    EXPECT_EQ(Ctl(OtherFolder(), {"show", "Office"}).Out, Office.Out);
    QStringList HomeThere = Ctl(FRoot.DataFolder(), {"show", "Home"}).Lines();
    HomeThere.replaceInStrings("{NET-GONE}", "");
    EXPECT_EQ(Ctl(OtherFolder(), {"show", "Home"}).Lines(), HomeThere);
    EXPECT_EQ(Ctl(OtherFolder(), {"list"}).Out,
              Ctl(FRoot.DataFolder(), {"list"}).Out.replace("{NET-GONE}", ""));
}

TEST_F(CtlFilesTest, ExportToStandardOutputNamesLocationsAndLeavesPasswordsOut)
{
    const TCtlRun Run = Ctl(FRoot.DataFolder(), {"export", "office"});
    ASSERT_EQ(Run.Code, 0) << Run.Err.toStdString();
    EXPECT_TRUE(Run.Out.contains("\"name\": \"Office\"")) << Run.Out.toStdString();
    EXPECT_FALSE(Run.Out.contains("\"Home\""));
    EXPECT_FALSE(Run.Out.contains("secret"));
    EXPECT_TRUE(Run.Out.contains("\"PROXY_USER\": \"me\""));
    const TCtlRun Missing = Ctl(FRoot.DataFolder(), {"export", "Nowhere"});
    EXPECT_EQ(Missing.Code, 1);
    EXPECT_TRUE(Missing.Err.contains("no location \"Nowhere\"")) << Missing.Err.toStdString();
}

TEST_F(CtlFilesTest, ConflictsFollowTheChoiceAndSkipByDefault)
{
    const QString Path = ExportAll();
    const struct
    {
        QStringList Option;
        int Printed;
        int Locations;
    } Cases[] = {{{}, 0, 2},
                 {{"--on-conflict", "skip"}, 0, 2},
                 {{"--on-conflict", "rename"}, 2, 4},
                 {{"--on-conflict", "replace"}, 2, 4}};
    // Each case imports into the data file the earlier cases left.
    for (const auto &Case : Cases) {
        SCOPED_TRACE(Case.Option.join(' ').toStdString());
        const TCtlRun Run = Ctl(FRoot.DataFolder(), QStringList{"import-file", Path} + Case.Option);
        ASSERT_EQ(Run.Code, 0) << Run.Err.toStdString();
        EXPECT_EQ(Run.Lines().size(), Case.Printed) << Run.Out.toStdString();
        EXPECT_EQ(Ctl(FRoot.DataFolder(), {"list"}).Lines().size(), Case.Locations);
    }
    EXPECT_TRUE(Ctl(FRoot.DataFolder(), {"show", "Office (2)"}).Out.contains("Skype proxy PROXY_USER\tme"));
}

TEST_F(CtlFilesTest, ARefusedFileNamesItsProblemAndChangesNothing)
{
    const QString Path = FRoot.Path() + "/bad.json";
    QFile Bad(Path);
    ASSERT_TRUE(Bad.open(QIODevice::WriteOnly));
    Bad.write(R"({"format": "wayfarel-locations", "version": 1, "locations": [{"id": "X", "name": 5}]})");
    Bad.close();
    const QByteArray Before = FileBytes(OtherFolder() + "qtm.dat");
    const TCtlRun Run = Ctl(OtherFolder(), {"import-file", Path, "--on-conflict", "replace"});
    EXPECT_EQ(Run.Code, 1);
    EXPECT_TRUE(Run.Err.contains("nothing was imported")) << Run.Err.toStdString();
    EXPECT_TRUE(Run.Err.contains("/locations/0/id: an id is")) << Run.Err.toStdString();
    EXPECT_TRUE(Run.Err.contains("/locations/0/name: a text")) << Run.Err.toStdString();
    EXPECT_EQ(FileBytes(OtherFolder() + "qtm.dat"), Before);
}

TEST_F(CtlFilesTest, WrongUsageExitsWithTwo)
{
    const struct
    {
        QStringList Args;
        const char *Says;
    } Cases[] = {
        {{"import-file"}, "import-file takes 1 argument"},
        {{"import-file", "a.json", "b.json"}, "import-file takes 1 argument"},
        {{"import-file", "a.json", "--on-conflict", "merge"}, "--on-conflict takes skip, rename or replace"},
        {{"import-file", "a.json", "--on-conflict"}, "--on-conflict needs a value"},
        {{"export", "-o"}, "-o needs a value"},
    };
    for (const auto &Case : Cases) {
        SCOPED_TRACE(Case.Args.join(' ').toStdString());
        const TCtlRun Run = Ctl(FRoot.DataFolder(), Case.Args);
        EXPECT_EQ(Run.Code, 2);
        EXPECT_TRUE(Run.Err.contains(Case.Says)) << Run.Err.toStdString();
    }
}
