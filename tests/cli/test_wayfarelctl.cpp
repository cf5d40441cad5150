// The command line front end as a script sees it: exit status, standard output, standard error.
#include "app/DBManager.h"
#include "locations/Location.h"
#include "support/CtlRun.h"
#include "support/DatabaseTest.h"

#include <QDir>
#include <QFile>
#include <QSqlQuery>

namespace {

// Locations here carry no settings modules.
const TModuleTable NoModules;

const QString IdA = "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA1";
const QString IdB = "BBBBBBBBBBBBBBBBBBBBBBBBBBBBBBB2";
const QString IdC = "CCCCCCCCCCCCCCCCCCCCCCCCCCCCCCC3";

class CtlTest : public TDatabaseTest
{
protected:
    // The command holds the data file itself.
    void SetUp() override
    {
        TDatabaseTest::SetUp();
        CloseConnection();
    }

    // Stores the locations and lets go of the data file for the command.
    void Store(const QList<std::tuple<QString, QString, QString>> &Locations,
               const QString &CurrentId = QString())
    {
        SetLocationConnection(GetConnection());
        for (const auto &[Id, Name, NetId] : Locations) {
            TLocation Location(Id, NoModules);
            Location.SetLocName(Name);
            Location.SetNetId(NetId);
            Location.SetLocDesc(Name + "\tdescribed\nover two lines");
            Location.SetPrinter(Name + "_Printer");
            Location.Save();
        }
        if (!CurrentId.isEmpty())
            TLocationList::WriteCurrentLocId(CurrentId);
        CloseConnection();
    }

    TCtlRun CtlOnData(QStringList Args) { return RunCtl(QStringList{"--data", FRoot.DataFolder()} + Args); }
};

} // namespace

TEST_F(CtlTest, HelpAndVersion)
{
    const TCtlRun Help = RunCtl({"--help"});
    EXPECT_EQ(Help.Code, 0);
    for (const char *Command : {"list", "show", "current", "adapters", "shares", "drives --restore", "--data",
                                "detect", "rules LOCATION add KIND VALUE", "auto on|off", "watch"})
        EXPECT_TRUE(Help.Out.contains(Command)) << Command;
    const TCtlRun Version = RunCtl({"--version"});
    EXPECT_EQ(Version.Code, 0);
    EXPECT_EQ(Version.Out, QStringLiteral("wayfarelctl " WAYFAREL_VERSION "\n"));
}

TEST_F(CtlTest, WrongUsageExitsWithTwoAndSaysWhy)
{
    const struct
    {
        QStringList Args;
        const char *Says;
    } Cases[] = {
        {{}, "no command"},
        {{"frobnicate"}, "unknown command \"frobnicate\""},
        {{"show"}, "show takes 1 argument"},
        {{"list", "extra"}, "list takes 0 argument"},
        {{"list", "--data"}, "--data needs a folder"},
        {{"drives", "--all"}, "drives takes 0 argument"},
        {{"list", "--restore"}, "list takes 0 argument"},
        {{"rules"}, "rules takes 1 to 5 argument"},
        {{"watch", "100", "200"}, "watch takes 0 to 1 argument"},
    };
    for (const auto &Case : Cases) {
        SCOPED_TRACE(Case.Args.join(' ').toStdString());
        const TCtlRun Run = RunCtl(Case.Args);
        EXPECT_EQ(Run.Code, 2);
        EXPECT_TRUE(Run.Err.contains(Case.Says)) << Run.Err.toStdString();
        EXPECT_TRUE(Run.Out.isEmpty());
    }
}

TEST_F(CtlTest, ListMarksTheCurrentLocationInTabSeparatedRecords)
{
    Store({{IdA, "Office", "{NET-A}"}, {IdB, "Home", ""}}, IdB);
    const TCtlRun Run = CtlOnData({"list"});
    ASSERT_EQ(Run.Code, 0) << Run.Err.toStdString();
    EXPECT_TRUE(Run.Err.isEmpty());
    const QStringList Lines = Run.Lines();
    EXPECT_EQ(Lines.size(), 2) << Run.Out.toStdString();
    EXPECT_TRUE(Lines.contains("*\t" + IdB + "\tHome\t\tHome_Printer")) << Run.Out.toStdString();
    EXPECT_TRUE(Lines.contains("\t" + IdA + "\tOffice\t{NET-A}\tOffice_Printer")) << Run.Out.toStdString();
}

TEST_F(CtlTest, ListOfNoLocationsPrintsNothing)
{
    const TCtlRun Run = CtlOnData({"list"});
    EXPECT_EQ(Run.Code, 0) << Run.Err.toStdString();
    EXPECT_EQ(Run.Out, "");
}

TEST_F(CtlTest, ShowFindsALocationByIdOrName)
{
    Store({{IdA, "Office", "{NET-A}"}, {IdB, "Home", ""}}, IdA);
    for (const QString &Key : {IdA, QString("Office"), QString("oFFICE")}) {
        SCOPED_TRACE(Key.toStdString());
        const TCtlRun Run = CtlOnData({"show", Key});
        ASSERT_EQ(Run.Code, 0) << Run.Err.toStdString();
        const QStringList Lines = Run.Lines();
        EXPECT_TRUE(Lines.contains("Id\t" + IdA));
        EXPECT_TRUE(Lines.contains("Name\tOffice"));
        EXPECT_TRUE(Lines.contains("Description\tOffice described over two lines"));
        EXPECT_TRUE(Lines.contains("Adapter\t{NET-A}"));
        EXPECT_TRUE(Lines.contains("Printer\tOffice_Printer"));
        EXPECT_TRUE(Lines.contains("Current\tyes"));
        for (const QString &Line : Lines)
            EXPECT_EQ(Line.count('\t'), 1) << Line.toStdString();
    }
}

// Each settings module shows its state and its stored fields; one switched off shows its state alone.
TEST_F(CtlTest, ShowListsTheSettingsModules)
{
    Store({{IdA, "Office", "{NET-A}"}});
    SetLocationConnection(GetConnection());
    QSqlQuery(GetConnection())
        .exec("INSERT INTO FIREFOX_PROXY (LOC_ID, PROXY_TYPE, HTTP) VALUES ('" + IdA +
              "', 1, '10.0.0.8:3128')");
    CloseConnection();
    const QStringList On = CtlOnData({"show", "Office"}).Lines();
    EXPECT_TRUE(On.contains("Firefox proxy\tnot installed")) << "the test's home has no Firefox profile";
    EXPECT_TRUE(On.contains("Firefox proxy HTTP\t10.0.0.8:3128")) << On.join('\n').toStdString();
    EXPECT_TRUE(On.contains("Firefox proxy SHARE_PROXY_SETTINGS\tno"));

    SetLocationConnection(GetConnection());
    QSqlQuery(GetConnection()).exec("UPDATE FUNC_DEF SET FUNC_EANBLED=0 WHERE FUNC_CODE='FIREFOX'");
    CloseConnection();
    const QStringList Off = CtlOnData({"show", "Office"}).Lines();
    EXPECT_TRUE(Off.contains("Firefox proxy\tswitched off"));
    EXPECT_FALSE(Off.join('\n').contains("Firefox proxy HTTP"));
}

// The client modules' stored fields by column, passwords included, as the data file holds them.
TEST_F(CtlTest, ShowListsTheClientModulesFields)
{
    Store({{IdA, "Office", "{NET-A}"}});
    SetLocationConnection(GetConnection());
    QSqlQuery Query(GetConnection());
    for (const char *Insert :
         {"MSN_PROXY (LOC_ID, ENABLE_PROXY, SOCKET4_SERVER, SOCKET4_PORT) VALUES ('%1', 1, '10.0.0.4', 1080)",
          "FOXMAIL_PROXY (LOC_ID, PROXY_TYPE, PROXY_SERVER, PROXY_PORT) VALUES ('%1', 2, '10.0.0.6', 1081)",
          "SKYPE_PROXY (LOC_ID, ENABLE_PROXY, PROXY_TYPE, PROXY_SERVER) VALUES ('%1', 1, 1, '10.0.0.5')",
          "BITCOMET_PROXY (LOC_ID, ENABLE_PWD, PROXY_USER, PROXY_PWD) VALUES ('%1', 1, 'bob', 'pw')"})
        ASSERT_TRUE(Query.exec("INSERT INTO " + QString(Insert).arg(IdA))) << Insert;
    CloseConnection();
    const QStringList Lines = CtlOnData({"show", "Office"}).Lines();
    for (const char *Line :
         {"MSN proxy\tnot installed", "MSN proxy ENABLE_PROXY\tyes", "MSN proxy SOCKET4_SERVER\t10.0.0.4",
          "MSN proxy SOCKET4_PORT\t1080", "Foxmail proxy\tnot installed", "Foxmail proxy PROXY_TYPE\t2",
          "Foxmail proxy PROXY_PORT\t1081", "Skype proxy\tnot installed", "Skype proxy PROXY_TYPE\t1",
          "Skype proxy PROXY_SERVER\t10.0.0.5", "BitComet proxy\tnot installed",
          "BitComet proxy ENABLE_PWD\tyes", "BitComet proxy PROXY_USER\tbob", "BitComet proxy PROXY_PWD\tpw"})
        EXPECT_TRUE(Lines.contains(Line)) << Line << " in\n" << Lines.join('\n').toStdString();
}

TEST_F(CtlTest, UnknownOrAmbiguousLocationFails)
{
    Store({{IdA, "Twin", ""}, {IdB, "Twin", ""}, {IdC, "twin", ""}});
    const struct
    {
        QString Key;
        const char *Says;
    } Cases[] = {
        {"Nowhere", "no location \"Nowhere\""},
        {IdA.toLower(), "no location"},
        {"Twin", "2 locations are named \"Twin\""},
        {"TWIN", "3 locations are named \"TWIN\""},
    };
    for (const auto &Case : Cases) {
        SCOPED_TRACE(Case.Key.toStdString());
        const TCtlRun Run = CtlOnData({"show", Case.Key});
        EXPECT_EQ(Run.Code, 1);
        EXPECT_TRUE(Run.Err.contains(Case.Says)) << Run.Err.toStdString();
        EXPECT_EQ(Run.Out, "");
    }
    EXPECT_EQ(CtlOnData({"show", "twin"}).Lines().value(0), "Id\t" + IdC)
        << "the exact spelling wins over case-blind matches";
}

TEST_F(CtlTest, CurrentPrintsIdAndNameOrFails)
{
    Store({{IdA, "Office", ""}});
    const TCtlRun None = CtlOnData({"current"});
    EXPECT_EQ(None.Code, 1);
    EXPECT_TRUE(None.Err.contains("no current location")) << None.Err.toStdString();

    Store({}, IdA);
    const TCtlRun Some = CtlOnData({"current"});
    EXPECT_EQ(Some.Code, 0) << Some.Err.toStdString();
    EXPECT_EQ(Some.Out, IdA + "\tOffice\n");
}

TEST_F(CtlTest, DataFolderComesFromOptionElseEnvironment)
{
    Store({{IdA, "Office", ""}});
    QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
    Env.insert("WAYFAREL_DATA_DIR", FRoot.DataFolder());
    const TCtlRun FromEnv = RunCtl({"list"}, Env);
    EXPECT_EQ(FromEnv.Code, 0) << FromEnv.Err.toStdString();
    EXPECT_EQ(FromEnv.Lines().size(), 1);

    const QString Empty = FRoot.Path() + "/empty";
    ASSERT_TRUE(QDir().mkpath(Empty));
    const TCtlRun Overridden = RunCtl({"list", "--data", Empty}, Env);
    EXPECT_EQ(Overridden.Code, 3);
    EXPECT_TRUE(Overridden.Err.contains("no data file at " + Empty + "/qtm.dat"))
        << Overridden.Err.toStdString();
}

TEST_F(CtlTest, HeldDataFileIsReportedPlainly)
{
    ASSERT_TRUE(GetConnection().isOpen());
    const TCtlRun Run = CtlOnData({"list"});
    EXPECT_EQ(Run.Code, 3);
    EXPECT_TRUE(Run.Err.contains("in use by another program")) << Run.Err.toStdString();
    EXPECT_EQ(Run.Out, "");
}

TEST_F(CtlTest, ReadOnlyDataFileIsReportedByName)
{
    FRoot.OpenToOthers();
    ASSERT_TRUE(QFile::setPermissions(FRoot.DataFile(), QFileDevice::ReadOwner | QFileDevice::ReadGroup |
                                                            QFileDevice::ReadOther));
    const TCtlRun Run = RunCtlProgram(WAYFAREL_BIN_DIR "/wayfarelctl", {"--data", FRoot.DataFolder(), "list"},
                                      QProcessEnvironment::systemEnvironment(), true);
    EXPECT_EQ(Run.Code, 3);
    EXPECT_TRUE(Run.Err.contains("the data file " + FRoot.DataFile() + " is read-only"))
        << Run.Err.toStdString();
    EXPECT_EQ(Run.Out, "");
}

// A copy of the program with the template beside it: in a folder its user may write, the
// data file is made there; in one it may not (an installed program), in the data home.
TEST_F(CtlTest, ProgramMakesItsOwnDataFileBesideItselfOrInTheDataHome)
{
    const QString Program = FRoot.Path() + "/program/";
    ASSERT_TRUE(QDir().mkpath(Program));
    ASSERT_TRUE(QFile::copy(WAYFAREL_BIN_DIR "/wayfarelctl", Program + "wayfarelctl"));
    ASSERT_TRUE(QFile::copy(WAYFAREL_DATA_TEMPLATE, Program + "qtm.dat.template"));
    QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
    Env.remove("WAYFAREL_DATA_DIR");

    const TCtlRun Beside = RunCtlProgram(Program + "wayfarelctl", {"list"}, Env);
    EXPECT_EQ(Beside.Code, 0) << Beside.Err.toStdString();
    EXPECT_TRUE(QFile::exists(Program + "qtm.dat"));

    ASSERT_TRUE(QFile::remove(Program + "qtm.dat"));
    FRoot.OpenToOthers();
    ASSERT_TRUE(QFile::setPermissions(Program, QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                                   QFileDevice::ReadGroup | QFileDevice::ExeGroup |
                                                   QFileDevice::ReadOther | QFileDevice::ExeOther));
    ASSERT_TRUE(QFile::setPermissions(FRoot.DataHome(), QFileDevice::Permissions(0x7777)));
    const TCtlRun Installed = RunCtlProgram(Program + "wayfarelctl", {"list"}, Env, true);
    EXPECT_EQ(Installed.Code, 0) << Installed.Err.toStdString();
    EXPECT_FALSE(QFile::exists(Program + "qtm.dat"));
    EXPECT_TRUE(QFile::exists(FRoot.DataHome() + "/wayfarel/qtm.dat"));
}

TEST_F(CtlTest, AdaptersNeedNoDataFile)
{
    ASSERT_TRUE(GetConnection().isOpen()) << "the program may hold the file meanwhile";
    const TCtlRun Run = CtlOnData({"adapters"});
    EXPECT_EQ(Run.Code, 0) << Run.Err.toStdString();
    for (const QString &Line : Run.Lines()) {
        const QStringList Fields = Line.split('\t');
        ASSERT_EQ(Fields.size(), 5) << Line.toStdString();
        EXPECT_TRUE(Fields.at(0).startsWith('{') && Fields.at(0).endsWith('}'));
        EXPECT_TRUE(
            QStringList({"working", "not working", "off", "disabled", "unknown"}).contains(Fields.at(3)));
        EXPECT_TRUE(QStringList({"switchable", "not switchable: NetworkManager is not running"})
                        .contains(Fields.at(4)))
            << Line.toStdString();
    }
}

TEST_F(CtlTest, RulesAreAddedListedAndCleared)
{
    Store({{IdA, "Office", ""}});
    EXPECT_EQ(CtlOnData({"rules", "Office", "add", "gateway-mac", "02:00:00:00:00:0a"}).Out,
              "gateway-mac\t02-00-00-00-00-0A\n");
    EXPECT_EQ(CtlOnData({"rules", IdA, "add", "ssid", "Cafe Wi-Fi", "aa-bb-cc-dd-ee-ff"}).Code, 0);
    const TCtlRun Again = CtlOnData({"rules", "office", "add", "gateway-mac", "02000000000A"});
    EXPECT_EQ(Again.Out, "gateway-mac\t02-00-00-00-00-0A\nssid\tCafe Wi-Fi\tAA-BB-CC-DD-EE-FF\n")
        << "the same rule twice is kept once";
    EXPECT_EQ(CtlOnData({"rules", "Office"}).Out, Again.Out);

    const TCtlRun Refused = CtlOnData({"rules", "Office", "add", "dhcp-server", "gateway.lan"});
    EXPECT_EQ(Refused.Code, 2);
    EXPECT_TRUE(Refused.Err.contains("IPv4")) << Refused.Err.toStdString();
    EXPECT_EQ(CtlOnData({"rules", "Office", "frob"}).Code, 2);
    EXPECT_EQ(CtlOnData({"rules", "Office"}).Out, Again.Out) << "a refused change stores nothing";

    EXPECT_EQ(CtlOnData({"rules", "Office", "clear"}).Out, "");
    EXPECT_EQ(CtlOnData({"rules", "Office"}).Out, "");
    EXPECT_EQ(CtlOnData({"rules", "Nowhere"}).Code, 1);
}

TEST_F(CtlTest, AutoSwitchesAllAndEachLocationOnAndOff)
{
    Store({{IdA, "Office", ""}, {IdB, "Home", ""}});
    EXPECT_EQ(CtlOnData({"auto"}).Out, "all\toff\n" + IdA + "\tOffice\toff\n" + IdB + "\tHome\toff\n");
    EXPECT_EQ(CtlOnData({"auto", "on", "Home"}).Out,
              "all\toff\n" + IdA + "\tOffice\toff\n" + IdB + "\tHome\ton\n");
    EXPECT_EQ(CtlOnData({"auto", "on"}).Lines().value(0), "all\ton");
    EXPECT_EQ(CtlOnData({"auto", "off"}).Out, "all\toff\n" + IdA + "\tOffice\toff\n" + IdB + "\tHome\ton\n");
    const TCtlRun Refused = CtlOnData({"auto", "maybe"});
    EXPECT_EQ(Refused.Code, 2);
    EXPECT_TRUE(Refused.Err.contains("on or off")) << Refused.Err.toStdString();
}
