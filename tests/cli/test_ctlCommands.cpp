// The commands of wayfarelctl run in-process on the test's data file: exit status, standard
// output and standard error as the program would print them.
#include "app/DBManager.h"
#include "cli/Commands.h"
#include "cli/wayfarelctl.h"
#include "locations/Location.h"
#include "support/DatabaseTest.h"
#include "support/EventLoop.h"
#include "support/FakeNetwork.h"

#include <QDir>
#include <QFile>

namespace {

const QString IdA = "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA1";
const QString IdB = "BBBBBBBBBBBBBBBBBBBBBBBBBBBBBBB2";

struct TCtlResult
{
    int Code = -1;
    QString Out;
    QString Err;
};

// Two locations, Home the current one, on a network in memory; the data folder is named by
// WAYFAREL_DATA_DIR as a script's environment would, and the commands hold the file themselves.
class CtlCommandsTest : public TDatabaseTest
{
protected:
    void SetUp() override
    {
        TDatabaseTest::SetUp();
        EventLoopApplication();
        Exec("INSERT INTO LOCATION VALUES ('" + IdA + "', '', 'Office', 'first floor', 'Laser')");
        Exec("INSERT INTO LOCATION VALUES ('" + IdB + "', '{NET-GONE}', 'Home', '', '')");
        TLocationList::WriteCurrentLocId(IdB);
        CloseConnection();
        UseDataFolder(FRoot.DataFolder());
    }

    void TearDown() override
    {
        qunsetenv("WAYFAREL_DATA_DIR");
        TDatabaseTest::TearDown();
    }

    static void UseDataFolder(const QString &Folder) { qputenv("WAYFAREL_DATA_DIR", Folder.toUtf8()); }

    static TCtlResult Ctl(const QStringList &Args)
    {
        TCtlResult Result;
        {
            QTextStream Out(&Result.Out);
            QTextStream Err(&Result.Err);
            Result.Code = RunWayfarelctl(Args, Out, Err);
        }
        return Result;
    }

    const TFakeNetwork FNetwork;
};

struct TCtlCase
{
    const char *Name;
    QStringList Args;
    int Code;
    QString Out;
    QString Err;
};

void PrintTo(const TCtlCase &Case, std::ostream *Out) { *Out << Case.Name; }

class CtlCommandCases : public CtlCommandsTest, public testing::WithParamInterface<TCtlCase>
{};

} // namespace

TEST_P(CtlCommandCases, PrintsAndEndsAsAScriptSeesIt)
{
    const TCtlResult Run = Ctl(GetParam().Args);
    EXPECT_EQ(Run.Code, GetParam().Code);
    EXPECT_EQ(Run.Out.toStdString(), GetParam().Out.toStdString());
    EXPECT_EQ(Run.Err.toStdString(), GetParam().Err.toStdString());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CtlCommandCases,
    testing::Values(
        TCtlCase{
            "List", {"list"}, 0, "\t" + IdA + "\tOffice\t\tLaser\n*\t" + IdB + "\tHome\t{NET-GONE}\t\n", ""},
        TCtlCase{"Current", {"current"}, 0, IdB + "\tHome\n", ""},
        TCtlCase{"RuleAddedByNameInAnyCase",
                 {"rules", "oFFICE", "add", "gateway-mac", "02:00:00:00:00:0a"},
                 0,
                 "gateway-mac\t02-00-00-00-00-0A\n",
                 ""},
        TCtlCase{"AutomaticForOneLocation",
                 {"auto", "on", "Home"},
                 0,
                 "all\toff\n" + IdA + "\tOffice\toff\n" + IdB + "\tHome\ton\n",
                 ""},
        TCtlCase{"Version", {"--version"}, 0, "wayfarelctl " WAYFAREL_VERSION "\n", ""},
        TCtlCase{"UnknownLocation",
                 {"show", "Nowhere"},
                 1,
                 "",
                 "wayfarelctl: no location \"Nowhere\" (see wayfarelctl list)\n"},
        TCtlCase{"UnknownCommand",
                 {"frobnicate"},
                 2,
                 "",
                 "wayfarelctl: unknown command \"frobnicate\"; see wayfarelctl --help\n"},
        TCtlCase{"TooFewArguments",
                 {"show"},
                 2,
                 "",
                 "wayfarelctl: show takes 1 argument(s); see wayfarelctl --help\n"},
        TCtlCase{"TooManyArguments",
                 {"list", "extra"},
                 2,
                 "",
                 "wayfarelctl: list takes 0 argument(s); see wayfarelctl --help\n"},
        TCtlCase{"TooManyOfARange",
                 {"watch", "100", "200"},
                 2,
                 "",
                 "wayfarelctl: watch takes 0 to 1 argument(s); see wayfarelctl --help\n"},
        TCtlCase{"OptionOfAnotherCommand",
                 {"list", "--restore"},
                 2,
                 "",
                 "wayfarelctl: list takes 0 argument(s); see wayfarelctl --help\n"},
        TCtlCase{"DataWithoutFolder", {"list", "--data"}, 2, "", "wayfarelctl: --data needs a folder\n"},
        TCtlCase{"OptionWithoutValue", {"export", "-o"}, 2, "", "wayfarelctl: -o needs a value\n"},
        TCtlCase{"ImportOfTwoFiles",
                 {"import-file", "a.json", "b.json"},
                 2,
                 "",
                 "wayfarelctl: import-file takes 1 argument; see wayfarelctl --help\n"},
        TCtlCase{"UnknownConflictChoice",
                 {"import-file", "a.json", "--on-conflict", "merge"},
                 2,
                 "",
                 "wayfarelctl: --on-conflict takes skip, rename or replace, not \"merge\"\n"},
        TCtlCase{"UnknownRulesVerb",
                 {"rules", "Office", "frob"},
                 2,
                 "",
                 "wayfarelctl: rules LOCATION takes add, clear or use-current; see wayfarelctl --help\n"},
        TCtlCase{"AutoNeitherOnNorOff",
                 {"auto", "maybe"},
                 2,
                 "",
                 "wayfarelctl: auto takes on or off, not \"maybe\"\n"},
        TCtlCase{"SettleTimeNotANumber",
                 {"watch", "soon"},
                 2,
                 "",
                 "wayfarelctl: watch takes a settle time in milliseconds\n"},
        TCtlCase{
            "BlankLocationName", {"import", " ", "eth0"}, 2, "", "wayfarelctl: a location needs a name\n"}));

TEST_F(CtlCommandsTest, ShowFindsALocationByIdOrName)
{
    const struct
    {
        QString Key;
        QStringList Lines;
    } Cases[] = {
        {"Office",
         {"Id\t" + IdA, "Name\tOffice", "Description\tfirst floor", "Printer\tLaser", "Current\tno"}},
        {IdB, {"Id\t" + IdB, "Name\tHome", "Adapter\t{NET-GONE}", "Current\tyes"}},
    };
    for (const auto &Case : Cases) {
        SCOPED_TRACE(Case.Key.toStdString());
        const TCtlResult Run = Ctl({"show", Case.Key});
        ASSERT_EQ(Run.Code, 0) << Run.Err.toStdString();
        EXPECT_EQ(Run.Err, "");
        const QStringList Lines = Run.Out.split('\n', Qt::SkipEmptyParts);
        for (const QString &Line : Case.Lines)
            EXPECT_TRUE(Lines.contains(Line)) << Line.toStdString() << " in\n" << Run.Out.toStdString();
    }
}

// The usage is made from the table, in columns; without a command it goes to standard error.
TEST_F(CtlCommandsTest, HelpShowsEveryCommandOfTheTable)
{
    const TCtlResult Help = Ctl({"--help"});
    EXPECT_EQ(Help.Code, 0);
    EXPECT_EQ(Help.Err, "");
    for (const auto &Command : CtlCommands()) {
        SCOPED_TRACE(Command->Name().toStdString());
        EXPECT_TRUE(Help.Out.contains("\n  " + Command->Name() + ' '));
        EXPECT_TRUE(Help.Out.contains(Command->HelpText()));
    }
    EXPECT_TRUE(Help.Out.contains(
        "\n  show LOCATION        one location, one \"field<TAB>value\" line per setting\n"));
    EXPECT_TRUE(
        Help.Out.contains("\n  auto on|off [LOCATION]\n"
                          "                       switch automatic switching on or off, for all or one "
                          "location\n"));
    EXPECT_TRUE(Help.Out.contains("\n  --help               show this text\n"));

    const TCtlResult None = Ctl({});
    EXPECT_EQ(None.Code, 2);
    EXPECT_EQ(None.Out, "");
    EXPECT_EQ(None.Err, "wayfarelctl: no command given\n" + Help.Out + '\n');
}

// Each problem is named; afterwards the caller's own handling of an unusable file is back.
TEST_F(CtlCommandsTest, UnusableDataFileEndsWithThree)
{
    const QString Missing = FRoot.Path() + "/missing/";
    const QString Garbage = FRoot.Path() + "/garbage/";
    ASSERT_TRUE(QDir().mkpath(Missing));
    ASSERT_TRUE(QDir().mkpath(Garbage));
    QFile File(Garbage + "qtm.dat");
    ASSERT_TRUE(File.open(QIODevice::WriteOnly));
    File.write("not a data file, but long enough to be read as one\n");
    File.close();
    const struct
    {
        QString Folder;
        QString Err;
    } Cases[] = {
        {Missing, "wayfarelctl: no data file at " + Missing + "qtm.dat\n"},
        {Garbage, "wayfarelctl: " + Garbage + "qtm.dat is not a usable Wayfarel data file\n"},
    };
    for (const auto &Case : Cases) {
        SCOPED_TRACE(Case.Folder.toStdString());
        UseDataFolder(Case.Folder);
        const TCtlResult Run = Ctl({"list"});
        EXPECT_EQ(Run.Code, 3);
        EXPECT_EQ(Run.Out, "");
        EXPECT_EQ(Run.Err, Case.Err);
    }

    bool Told = false;
    SetOpenFailureHandler([&] { Told = true; });
    UseDataFolder(Missing);
    EXPECT_EQ(Ctl({"current"}).Code, 3);
    InitConnectionString(Missing);
    GetConnection();
    EXPECT_TRUE(Told);
}

TEST_F(CtlCommandsTest, AdaptersNeedNoDataFile)
{
    UseDataFolder(FRoot.Path() + "/missing/");
    const TCtlResult Run = Ctl({"adapters"});
    EXPECT_EQ(Run.Code, 0) << Run.Err.toStdString();
    EXPECT_EQ(Run.Err, "");
    const QStringList Lines = Run.Out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(Lines.size(), 2) << Run.Out.toStdString();
    EXPECT_TRUE(Lines.at(0).startsWith(TFakeNetwork::OfficeId + "\tOffice\t")) << Lines.at(0).toStdString();
    EXPECT_TRUE(Lines.at(0).endsWith("\tworking\tswitchable")) << Lines.at(0).toStdString();
    EXPECT_TRUE(Lines.at(1).startsWith(TFakeNetwork::HomeId + "\tHome\t")) << Lines.at(1).toStdString();
}
