// wayfarelctl while the program runs: list, current and switch go through the program on the
// session bus and print what they print on the data file, with the same exit status.
#include "app/DBManager.h"
#include "locations/Location.h"
#include "support/CtlRun.h"
#include "support/TestRoot.h"

#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <gtest/gtest.h>

namespace {

const TModuleTable NoModules;

const QString OfficeId = "0FF1CE0000000000000000000000000A";
const QString HomeId = "H0ME00000000000000000000000000B0";

// A program the test started and ends again, by its own process object.
class TStarted
{
public:
    TStarted(const QString &Program, const QStringList &Args, const QProcessEnvironment &Env)
    {
        FProcess.setProcessEnvironment(Env);
        FProcess.start(Program, Args);
        FProcess.waitForStarted(10000);
    }
    ~TStarted()
    {
        FProcess.terminate();
        if (!FProcess.waitForFinished(10000))
            FProcess.kill();
        FProcess.waitForFinished(10000);
    }
    TStarted(const TStarted &) = delete;
    TStarted &operator=(const TStarted &) = delete;

    QProcess &Process() { return FProcess; }

private:
    QProcess FProcess;
};

class CtlThroughProgram : public testing::Test
{
protected:
    void SetUp() override
    {
        for (const char *Tool : {"dbus-daemon", "dbus-send"})
            if (QStandardPaths::findExecutable(Tool).isEmpty())
                GTEST_SKIP() << Tool << " is not installed (scripts/install-deps)";
        StoreLocations();
        FBus = std::make_unique<TStarted>("dbus-daemon",
                                          QStringList{"--session", "--nofork", "--print-address=1"}, FEnv);
        FBus->Process().waitForReadyRead(5000);
        FEnv.insert("DBUS_SESSION_BUS_ADDRESS", QString::fromUtf8(FBus->Process().readLine()).trimmed());
        FEnv.insert("WAYFAREL_DATA_DIR", FRoot.DataFolder());
    }

    // Office and Home without an adapter the machine has, two locations of one name; Office current.
    void StoreLocations()
    {
        InitConnectionString(FRoot.DataFolder());
        SetLocationConnection(GetConnection());
        const QList<std::pair<QString, QString>> Locations{{OfficeId, "Office"},
                                                           {HomeId, "Home"},
                                                           {"TW1N000000000000000000000000000A", "Twin"},
                                                           {"TW1N000000000000000000000000000B", "twin"}};
        for (const auto &[Id, Name] : Locations) {
            TLocation Location(Id, NoModules);
            Location.SetLocName(Name);
            Location.SetNetId(Id == OfficeId ? "{00000000-0000-0000-0000-00000000DEAD}" : "");
            Location.SetPrinter(Name + "_Printer");
            Location.Save();
        }
        TLocationList::WriteCurrentLocId(OfficeId);
        CloseConnection();
    }

    // The program on a screen of its own, up once its status is on the bus.
    bool StartProgram()
    {
        QProcessEnvironment Env = FEnv;
        Env.insert("QT_QPA_PLATFORM", "offscreen");
        FProgram = std::make_unique<TStarted>(WAYFAREL_BIN_DIR "/wayfarel", QStringList{"--tray"}, Env);
        for (int Tries = 0; Tries < 100; ++Tries) {
            QProcess Ask;
            Ask.setProcessEnvironment(FEnv);
            Ask.start("dbus-send", {"--session", "--print-reply", "--dest=org.brackwell.Wayfarel",
                                    "/org/brackwell/Wayfarel", "org.freedesktop.DBus.Properties.Get",
                                    "string:org.brackwell.Wayfarel", "string:Status"});
            Ask.waitForFinished(5000);
            if (Ask.exitCode() == 0 && Ask.readAllStandardOutput().contains("Current Location"))
                return true;
            QThread::msleep(100);
        }
        return false;
    }

    TTestRoot FRoot;
    QProcessEnvironment FEnv = QProcessEnvironment::systemEnvironment();
    std::unique_ptr<TStarted> FBus;
    std::unique_ptr<TStarted> FProgram;
};

} // namespace

TEST_F(CtlThroughProgram, BothPathsPrintTheSameAndEndAlike)
{
    const QList<QStringList> Commands{{"list"},           {"current"},
                                      {"switch", "Home"}, {"switch", "twin"},
                                      {"switch", "TWIN"}, {"switch", "Nowhere"},
                                      {"switch", ""},     {"switch", "0FF1CE0000000000000000000000000A"},
                                      {"show", "office"}, {"show", "Nowhere"}};
    QList<TCtlRun> OnTheFile;
    for (const QStringList &Command : Commands)
        OnTheFile.append(RunCtl(Command, FEnv));
    ASSERT_EQ(OnTheFile.at(0).Code, 0) << OnTheFile.at(0).Err.toStdString();

    ASSERT_TRUE(StartProgram());
    EXPECT_EQ(RunCtl({"import", "Cafe", "eth0"}, FEnv).Code, 3) << "the program holds the data file";
    for (int Index = 0; Index < Commands.size(); ++Index) {
        const TCtlRun Through = RunCtl(Commands.at(Index), FEnv);
        const std::string Command = Commands.at(Index).join(' ').toStdString();
        EXPECT_EQ(Through.Code, OnTheFile.at(Index).Code) << Command << ": " << Through.Err.toStdString();
        EXPECT_EQ(Through.Out, OnTheFile.at(Index).Out) << Command;
        EXPECT_EQ(Through.Err.section('\n', -2), OnTheFile.at(Index).Err.section('\n', -2)) << Command;
    }
    EXPECT_EQ(OnTheFile.at(1).Out, "0FF1CE0000000000000000000000000A\tOffice\n");
    EXPECT_EQ(OnTheFile.at(2).Code, 1);
    EXPECT_TRUE(OnTheFile.at(8).Out.startsWith("Id\t0FF1CE0000000000000000000000000A\nName\tOffice\n"));
}

// Another data file than the one the program holds is read directly.
TEST_F(CtlThroughProgram, AnotherDataFileIsNotTheProgramsAffair)
{
    ASSERT_TRUE(StartProgram());
    TTestRoot Other;
    const TCtlRun List = RunCtl({"--data", Other.DataFolder(), "list"}, FEnv);
    EXPECT_EQ(List.Code, 0) << List.Err.toStdString();
    EXPECT_EQ(List.Out, "");
}
