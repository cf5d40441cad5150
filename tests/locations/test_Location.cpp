#include "locations/Location.h"

#include "adapters/IpAddress.h"
#include "adapters/NetMgr.h"
#include "adapters/Network.h"
#include "app/DBManager.h"
#include "app/ExtRegistry.h"
#include "base/Exceptions.h"
#include "locations/FakeModule.h"
#include "support/DatabaseTest.h"
#include "support/FakeNetwork.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSqlQuery>

namespace {

// Locations here carry no settings modules.
const TModuleTable NoModules;

const QString MirrorKey = QStringLiteral("\\SOFTWARE\\Brackwell\\Portolan");
const QString IdA = "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA1";
const QString IdB = "BBBBBBBBBBBBBBBBBBBBBBBBBBBBBBB2";
const QString IdC = "CCCCCCCCCCCCCCCCCCCCCCCCCCCCCCC3";

QStringList MirrorList(const QString &Name)
{
    TExtRegistry Registry(HKEY_LOCAL_MACHINE);
    QStringList Items{"not read"};
    if (Registry.OpenKeyReadOnly(MirrorKey) && Registry.GetDataType(Name) == REG_MULTI_SZ)
        Registry.ReadStrings(Name, Items);
    return Items;
}

QString StoredCurrentLocId()
{
    TExtRegistry Registry(HKEY_LOCAL_MACHINE);
    return Registry.OpenKeyReadOnly(MirrorKey) ? Registry.ReadStringDef("CurrentLocId", "none")
                                               : QStringLiteral("no key");
}

// A temporary world with the data file open and handed to the location model.
class LocationTest : public TDatabaseTest
{
protected:
    static void Store(const QString &Id, const QString &Name, const QString &NetId = "{NET}")
    {
        TLocation Location(Id, NoModules);
        Location.SetLocName(Name);
        Location.SetNetId(NetId);
        Location.SetLocDesc(Name + " description");
        Location.SetPrinter(Name + "_Printer");
        Location.Save();
    }

    static int LocationRows()
    {
        QSqlQuery Query(GetConnection());
        return Query.exec("SELECT COUNT(*) FROM LOCATION") && Query.next() ? Query.value(0).toInt() : -1;
    }
};

} // namespace

TEST_F(LocationTest, NewLocationHasOnlyItsId)
{
    TLocation Location(IdA, NoModules);
    EXPECT_EQ(Location.LocId(), IdA);
    EXPECT_TRUE(Location.NetId().isEmpty());
    EXPECT_TRUE(Location.LocName().isEmpty());
    EXPECT_TRUE(Location.LocDesc().isEmpty());
    EXPECT_TRUE(Location.Printer().isEmpty());
    EXPECT_EQ(LocationRows(), 0) << "creating a location writes nothing";
}

TEST_F(LocationTest, SaveInsertsOnceThenUpdatesTheSameRow)
{
    TLocation Location(IdA, NoModules);
    Location.SetLocName("Office");
    ASSERT_TRUE(Location.Save());
    Location.SetLocName("Head office");
    Location.SetNetId("{5F0C3A10-1111-2222-3333-444455556666}");
    Location.SetPrinter("Lab_Office_Laser");
    ASSERT_TRUE(Location.Save());
    EXPECT_EQ(LocationRows(), 1);

    TLocationList List(NoModules);
    ASSERT_EQ(List.Count(), 1);
    EXPECT_EQ(List.Items(0)->LocId(), IdA);
    EXPECT_EQ(List.Items(0)->LocName(), "Head office");
    EXPECT_EQ(List.Items(0)->NetId(), "{5F0C3A10-1111-2222-3333-444455556666}");
    EXPECT_EQ(List.Items(0)->Printer(), "Lab_Office_Laser");
}

TEST_F(LocationTest, SaveRaisesTheDatabaseError)
{
    QSqlQuery Query(GetConnection());
    ASSERT_TRUE(Query.exec("CREATE TEMP TRIGGER refuse BEFORE INSERT ON LOCATION "
                           "BEGIN SELECT RAISE(ABORT, 'no new locations'); END"));
    TLocation Location(IdA, NoModules);
    try {
        Location.Save();
        FAIL() << "Save returned";
    } catch (const EDatabaseError &Error) {
        EXPECT_TRUE(Error.Message().contains("no new locations")) << Error.Message().toStdString();
    }
    EXPECT_EQ(LocationRows(), 0);
}

TEST_F(LocationTest, SaveWithoutConnectionRaises)
{
    CloseConnection();
    TLocation Location(IdA, NoModules);
    EXPECT_THROW(Location.Save(), EDatabaseError);
}

TEST_F(LocationTest, ListLoadsEveryLocationWithItsFields)
{
    Store(IdA, "Office", "{A}");
    Store(IdB, "Home", "");
    TLocationList List(NoModules);
    ASSERT_EQ(List.Count(), 2);
    for (const auto &[Id, Name, NetId] : {std::tuple{IdA, "Office", "{A}"}, std::tuple{IdB, "Home", ""}}) {
        const TLocation *Location = List.GetItemByLocId(Id);
        ASSERT_NE(Location, nullptr) << Name;
        EXPECT_EQ(Location->LocName(), Name);
        EXPECT_EQ(Location->NetId(), NetId);
        EXPECT_EQ(Location->LocDesc(), QString(Name) + " description");
        EXPECT_EQ(Location->Printer(), QString(Name) + "_Printer");
    }
    EXPECT_EQ(List.CurrentLocation(), nullptr);
}

TEST_F(LocationTest, ListWithoutOpenConnectionIsEmpty)
{
    Store(IdA, "Office");
    CloseConnection();
    TLocationList List(NoModules);
    EXPECT_EQ(List.Count(), 0);
}

TEST_F(LocationTest, LookupIsExactAndCaseSensitive)
{
    Store(IdA, "Office");
    TLocationList List(NoModules);
    EXPECT_NE(List.GetItemByLocId(IdA), nullptr);
    EXPECT_EQ(List.GetItemByLocId(IdA.toLower()), nullptr);
    EXPECT_EQ(List.GetItemByLocId(IdA.left(31)), nullptr);
    EXPECT_EQ(List.GetItemByLocId(""), nullptr);
}

TEST_F(LocationTest, StoredCurrentIdSelectsTheCurrentLocation)
{
    Store(IdA, "Office");
    Store(IdB, "Home");
    TLocationList::WriteCurrentLocId(IdB);
    TLocationList List(NoModules);
    ASSERT_NE(List.CurrentLocation(), nullptr);
    EXPECT_EQ(List.CurrentLocation()->LocId(), IdB);
}

TEST_F(LocationTest, StoredCurrentIdOfNoLocationLeavesNoneCurrent)
{
    Store(IdA, "Office");
    TLocationList::WriteCurrentLocId(IdC);
    TLocationList List(NoModules);
    EXPECT_EQ(List.CurrentLocation(), nullptr);
    EXPECT_EQ(StoredCurrentLocId(), IdC) << "loading leaves a stale id alone";
}

TEST_F(LocationTest, CurrentLocIdReadsEmptyWhenMissingOrOfAnotherType)
{
    EXPECT_EQ(TLocationList::ReadCurrentLocId(), "");
    TExtRegistry Registry(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(Registry.OpenKey(MirrorKey, true));
    Registry.WriteInteger("CurrentLocId", 7);
    EXPECT_EQ(TLocationList::ReadCurrentLocId(), "");
}

TEST_F(LocationTest, MakingALocationCurrentRecordsItsId)
{
    Store(IdA, "Office");
    TLocationList List(NoModules);
    List.SetCurrentLocation(List.Items(0));
    EXPECT_EQ(StoredCurrentLocId(), IdA);
    List.SetCurrentLocation(nullptr);
    EXPECT_EQ(List.CurrentLocation(), nullptr);
    EXPECT_EQ(StoredCurrentLocId(), IdA) << "clearing the current location writes nothing";
}

TEST_F(LocationTest, DeletingTheCurrentLocationLeavesNoneCurrent)
{
    Store(IdA, "Office");
    Store(IdB, "Home");
    TLocationList::WriteCurrentLocId(IdA);
    TLocationList List(NoModules);
    ASSERT_EQ(List.CurrentLocation(), List.GetItemByLocId(IdA));

    List.DeleteByLocId(IdC);
    EXPECT_EQ(List.Count(), 2) << "an unknown id deletes nothing";
    List.DeleteByLocId(IdA);
    EXPECT_EQ(List.Count(), 1);
    EXPECT_EQ(List.GetItemByLocId(IdA), nullptr);
    EXPECT_EQ(List.CurrentLocation(), nullptr);
    EXPECT_EQ(LocationRows(), 2) << "the list does not touch the database";
    EXPECT_EQ(StoredCurrentLocId(), IdA) << "nor the registry";
}

TEST_F(LocationTest, MirrorHoldsIdsAndNamesInListOrder)
{
    const struct
    {
        const char *Case;
        QList<QPair<QString, QString>> Locations;
    } Cases[] = {
        {"no location", {}},
        {"one location", {{IdA, "Office"}}},
        {"two locations of the same name", {{IdA, "Office"}, {IdB, "Office"}}},
    };
    for (const auto &Case : Cases) {
        SCOPED_TRACE(Case.Case);
        TLocationList List(NoModules);
        QStringList Ids, Names;
        for (const auto &[Id, Name] : Case.Locations) {
            auto Location = std::make_unique<TLocation>(Id, NoModules);
            Location->SetLocName(Name);
            List.Add(std::move(Location));
            Ids.append(Id);
            Names.append(Name);
        }
        ASSERT_TRUE(List.WriteRegistry());
        EXPECT_EQ(MirrorList("LocIds"), Ids);
        EXPECT_EQ(MirrorList("LocNames"), Names);
    }
}

TEST_F(LocationTest, MirrorKeepsNamesInStepWithIds)
{
    TLocationList List(NoModules);
    for (const auto &[Id, Name] : {std::pair{IdA, ""}, std::pair{IdB, "Two\r\nlines"}, std::pair{IdC, ""}}) {
        List.Add(std::make_unique<TLocation>(Id, NoModules))->SetLocName(Name);
    }
    ASSERT_TRUE(List.WriteRegistry());
    EXPECT_EQ(MirrorList("LocIds"), QStringList({IdA, IdB, IdC}));
    EXPECT_EQ(MirrorList("LocNames"), QStringList({" ", "Two  lines", " "}));
}

TEST_F(LocationTest, MirrorFailsQuietlyWhenItsKeyCannotBeOpened)
{
    // A hive folder below a plain file can be created by no one, root included.
    QFile Blocker(FRoot.Path() + "/blocker");
    ASSERT_TRUE(Blocker.open(QIODevice::WriteOnly));
    qputenv("WAYFAREL_REGISTRY", (Blocker.fileName() + "/registry").toLocal8Bit());
    TLocationList List(NoModules);
    List.Add(std::make_unique<TLocation>(IdA, NoModules));
    EXPECT_FALSE(List.WriteRegistry());
    EXPECT_NO_THROW(TLocationList::WriteCurrentLocId(IdA));
    EXPECT_EQ(TLocationList::ReadCurrentLocId(), "");
}

namespace {

int RowsOf(const QString &Table, const QString &LocId)
{
    QSqlQuery Query(GetConnection());
    return Query.exec(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE LOC_ID='%2'").arg(Table, LocId)) &&
                   Query.next()
               ? Query.value(0).toInt()
               : -1;
}

// A location with its LOCATION row and its IP_ADDR row.
void StoreWithAdapterSettings(const QString &Id)
{
    TLocation Location(Id, NoModules);
    Location.SetLocName(Id.left(4));
    Location.Save();
    TIPAddress *Ip = Location.IpAddress();
    Ip->SetEnableDHCP(true);
    ASSERT_TRUE(Ip->Save()) << Ip->LastError().toStdString();
}

} // namespace

TEST_F(LocationTest, RemoveDeletesTheModuleRowsAndTheLocation)
{
    StoreWithAdapterSettings(IdA);
    StoreWithAdapterSettings(IdB);
    TLocationList List(NoModules);
    ASSERT_TRUE(List.GetItemByLocId(IdA)->Remove());
    EXPECT_EQ(RowsOf("LOCATION", IdA), 0);
    EXPECT_EQ(RowsOf("IP_ADDR", IdA), 0);
    EXPECT_EQ(RowsOf("LOCATION", IdB), 1) << "other locations stay";
    EXPECT_EQ(RowsOf("IP_ADDR", IdB), 1);
}

TEST_F(LocationTest, RemoveOfALocationWithoutModuleRowsDeletesOnlyItsRow)
{
    Store(IdA, "Office");
    TLocation Location(IdA, NoModules);
    EXPECT_TRUE(Location.Remove());
    EXPECT_EQ(LocationRows(), 0);
}

// Whichever delete fails, the transaction takes back the deletes before it.
TEST_F(LocationTest, FailedRemoveLeavesTheDatabaseAsItWas)
{
    for (const char *FailingTable : {"IP_ADDR", "LOCATION"}) {
        SCOPED_TRACE(FailingTable);
        StoreWithAdapterSettings(IdA);
        QSqlQuery Query(GetConnection());
        ASSERT_TRUE(Query.exec(QStringLiteral("CREATE TRIGGER keep BEFORE DELETE ON %1 "
                                              "BEGIN SELECT RAISE(ABORT, 'kept'); END")
                                   .arg(FailingTable)));
        TLocation Location(IdA, NoModules);
        EXPECT_FALSE(Location.Remove());
        EXPECT_EQ(RowsOf("LOCATION", IdA), 1);
        EXPECT_EQ(RowsOf("IP_ADDR", IdA), 1);

        ASSERT_TRUE(Query.exec("DROP TRIGGER keep"));
        TLocation Again(IdA, NoModules);
        EXPECT_TRUE(Again.Remove()) << "no transaction is left open";
        EXPECT_EQ(RowsOf("LOCATION", IdA) + RowsOf("IP_ADDR", IdA), 0);
    }
}

TEST_F(LocationTest, RemoveWithoutOpenConnectionFails)
{
    Store(IdA, "Office");
    TLocation Location(IdA, NoModules);
    CloseConnection();
    EXPECT_FALSE(Location.Remove());
    SetLocationConnection(GetConnection());
    EXPECT_EQ(LocationRows(), 1);
}

TEST_F(LocationTest, AdapterModuleIsMadeOnceWithTheNetIdOfThatMoment)
{
    TLocation Location(IdA, NoModules);
    Location.SetNetId("{FIRST}");
    TIPAddress *Ip = Location.IpAddress();
    EXPECT_EQ(Ip->LocId(), IdA);
    EXPECT_EQ(Ip->NetId(), "{FIRST}");
    Location.SetNetId("{SECOND}");
    EXPECT_EQ(Location.IpAddress(), Ip);
    EXPECT_EQ(Ip->NetId(), "{FIRST}");
}

namespace {

// A connection manager that knows no connection, so every adapter id is missing.
class TNoConnections : public INetConnectionManager
{
public:
    QString Source() const override { return "kernel"; }
    TNetConnections EnumConnections() override { return {}; }
    QString LastError() const override { return {}; }
};

// Switching with an empty adapter list and a print server that is not there; the printer
// default, were it written, would land in the test's own folder.
class LocationSwitchTest : public LocationTest
{
protected:
    void SetUp() override
    {
        LocationTest::SetUp();
        qputenv("CUPS_SERVER", (FRoot.Path() + "/no-cupsd.sock").toLocal8Bit());
        qputenv("CUPS_SERVERROOT", (FRoot.Path() + "/cups").toLocal8Bit());
    }

    void TearDown() override
    {
        qunsetenv("CUPS_SERVER");
        qunsetenv("CUPS_SERVERROOT");
        LocationTest::TearDown();
    }

    // Well-formed adapter settings, so a switch gets past its check. The adapter module takes the
    // location's NetId when it is made, so that is set first.
    static TLocation &WithDhcp(TLocation &Location)
    {
        Location.IpAddress()->SetEnableDHCP(true);
        Location.IpAddress()->SetAutoGetDNS(true);
        return Location;
    }

    TNetManager FManager{std::make_unique<TNoConnections>()};
    TNetWorkList FAdapters{FManager};
};

} // namespace

TEST_F(LocationSwitchTest, MissingAdapterFailsTheSwitchWithItsReason)
{
    TLocation Location(IdA, NoModules);
    Location.SetNetId("{0BADF00D-0000-0000-0000-000000000000}");
    WithDhcp(Location);
    EXPECT_FALSE(Location.SwitchTo(FAdapters));
    ASSERT_EQ(Location.SwitchErrors().size(), 1);
    EXPECT_TRUE(Location.SwitchErrors().at(0).startsWith("adapter: "))
        << Location.SwitchErrors().at(0).toStdString();
    EXPECT_TRUE(Location.PrinterError().isEmpty()) << "no printer, no printer step";
    EXPECT_FALSE(QFile::exists(FRoot.Path() + "/cups/lpoptions"));
}

TEST_F(LocationSwitchTest, PrinterOutcomeDoesNotCount)
{
    TLocation Location(IdA, NoModules);
    Location.SetNetId("{0BADF00D-0000-0000-0000-000000000000}");
    WithDhcp(Location);
    Location.SetPrinter("Lab_Office_Laser");
    EXPECT_FALSE(Location.SwitchTo(FAdapters));
    EXPECT_EQ(Location.SwitchErrors().size(), 1) << "only the adapter step counts";
    EXPECT_FALSE(Location.PrinterError().isEmpty()) << "no print server answers";
}

TEST_F(LocationSwitchTest, RefusedSwitchesTouchNothing)
{
    Store(IdA, "Office", "{0BADF00D-0000-0000-0000-000000000000}");
    Store(IdB, "Loose", "");
    Store(IdC, "Home");
    TLocationList::WriteCurrentLocId(IdC);
    TLocationList List(NoModules);
    const struct
    {
        QString Id;
        const char *Says;
    } Cases[] = {
        {"NOSUCHLOCATION", "There is no location \"NOSUCHLOCATION\""},
        {IdB, "Location \"Loose\" has no adapter"},
    };
    for (const auto &Case : Cases) {
        SCOPED_TRACE(Case.Says);
        QString Error;
        EXPECT_FALSE(List.SwitchToLocation(Case.Id, FAdapters, &Error));
        EXPECT_EQ(Error, Case.Says);
        EXPECT_EQ(List.CurrentLocation(), List.GetItemByLocId(IdC));
        EXPECT_EQ(StoredCurrentLocId(), IdC);
    }
    EXPECT_TRUE(List.GetItemByLocId(IdB)->SwitchReport().isEmpty()) << "it was never switched";
    EXPECT_FALSE(QFile::exists(FRoot.Path() + "/cups/lpoptions"));
}

TEST_F(LocationSwitchTest, ImportStoresTheLocationEvenWhenItsAdapterIsMissing)
{
    const std::unique_ptr<TLocation> Location = TLocation::Import(
        "Imported", "Taken from here", "{0BADF00D-0000-0000-0000-000000000000}", FAdapters, NoModules);
    ASSERT_EQ(Location->LocId().size(), 32);
    EXPECT_FALSE(Location->IpAddress()->LastError().isEmpty());
    EXPECT_TRUE(Location->Printer().isEmpty()) << "no print server, no default printer";

    TLocationList List(NoModules);
    const TLocation *Stored = List.GetItemByLocId(Location->LocId());
    ASSERT_NE(Stored, nullptr);
    EXPECT_EQ(Stored->LocName(), "Imported");
    EXPECT_EQ(Stored->LocDesc(), "Taken from here");
    EXPECT_EQ(Stored->NetId(), "{0BADF00D-0000-0000-0000-000000000000}");
    EXPECT_EQ(RowsOf("IP_ADDR", Location->LocId()), 0) << "a failed adapter import saves nothing";
}

namespace {

// Records the steps of a switch as the observer sees them.
class TStepJournal : public ISwitchObserver
{
public:
    void StepStarted(const QString &Name) override
    {
        Lines.append("start " + Name);
        if (OnStart)
            OnStart(Name);
    }
    void StepFinished(const TSwitchStep &Step) override { Lines.append(StepText(Step)); }

    QStringList Lines;
    std::function<void(const QString &)> OnStart;
};

// Switching with three fake modules in the table and every catalogue row on.
class LocationModulesTest : public LocationSwitchTest
{
protected:
    void SetUp() override
    {
        LocationSwitchTest::SetUp();
        ResetFakeModules();
        QSqlQuery(GetConnection()).exec("UPDATE FUNC_DEF SET FUNC_EANBLED=1");
    }

    void TearDown() override
    {
        TFuncDefine::FreeInstance();
        LocationSwitchTest::TearDown();
    }

    static void SetFlag(const char *Code, bool Enabled)
    {
        QSqlQuery(GetConnection())
            .exec(QStringLiteral("UPDATE FUNC_DEF SET FUNC_EANBLED=%1 WHERE FUNC_CODE='%2'")
                      .arg(int(Enabled))
                      .arg(Code));
    }
};

} // namespace

TEST_F(LocationModulesTest, EveryStepRunsInSwitchingOrderAndIsReported)
{
    TLocation Location(IdA, FakeModules());
    Location.SetNetId("{0BADF00D-0000-0000-0000-000000000000}");
    WithDhcp(Location);
    Location.SetPrinter("Lab_Office_Laser");
    SetFlag("FIREFOX", false);
    TFakeShare::ApplyFails = true;
    TStepJournal Journal;

    EXPECT_FALSE(Location.SwitchTo(FAdapters, &Journal));

    EXPECT_EQ(FakeJournal(), (QStringList{"apply IE", "apply SHARE"}));
    const QStringList Steps = Journal.Lines.filter(QRegularExpression("^start "));
    EXPECT_EQ(Steps, (QStringList{"start check", "start printer", "start adapter", "start IE proxy",
                                  "start Firefox proxy", "start folder shares"}));
    EXPECT_TRUE(Journal.Lines.contains("check: done"));
    EXPECT_TRUE(Journal.Lines.contains("IE proxy: done"));
    EXPECT_TRUE(Journal.Lines.contains("Firefox proxy: skipped: switched off"));
    EXPECT_TRUE(Journal.Lines.contains("folder shares: failed: SHARE refused"));
    EXPECT_EQ(Location.SwitchErrors(),
              (QStringList{"adapter: Adapter \"{0BADF00D-0000-0000-0000-000000000000}\" not found",
                           "folder shares: SHARE refused"}))
        << "the printer never counts";
    EXPECT_FALSE(Location.PrinterError().isEmpty());
}

TEST_F(LocationModulesTest, WhatAStepCouldNotDoIsReportedWithoutFailingIt)
{
    TLocation Location(IdA, FakeModules());
    Location.SetNetId("{0BADF00D-0000-0000-0000-000000000000}");
    WithDhcp(Location);
    TFakeShare::Warning = "share \"Docs\" not made: the folder is missing";
    TStepJournal Journal;

    Location.SwitchTo(FAdapters, &Journal);

    EXPECT_TRUE(
        Journal.Lines.contains("folder shares: done, but: share \"Docs\" not made: the folder is missing"))
        << Journal.Lines.join('\n').toStdString();
    EXPECT_EQ(Location.SwitchWarnings(),
              QStringList{"folder shares: share \"Docs\" not made: the folder is missing"});
    EXPECT_EQ(Location.SwitchErrors().size(), 1) << "only the adapter failed";
    TFakeShare::Warning.clear();
    Location.SwitchTo(FAdapters);
    EXPECT_TRUE(Location.SwitchWarnings().isEmpty()) << "each switch starts without warnings";
}

TEST_F(LocationModulesTest, AMalformedLocationIsRefusedBeforeAnythingChanges)
{
    TLocation Location(IdA, FakeModules());
    Location.IpAddress()->SetIPAddr("999.1.1.1");
    Location.SetNetId("{0BADF00D-0000-0000-0000-000000000000}");
    Location.SetPrinter("Lab_Office_Laser");
    TFakeIE::CheckReason = "IE proxy: server \"zz\" is no address";
    TFakeShare::CheckReason = "folder shares: no folder";
    TStepJournal Journal;

    EXPECT_FALSE(Location.SwitchTo(FAdapters, &Journal));

    ASSERT_EQ(Journal.Lines.size(), 2);
    EXPECT_EQ(Journal.Lines.first(), "start check");
    const QString Refusal = Journal.Lines.last();
    EXPECT_TRUE(Refusal.startsWith("check: failed: nothing was changed: IP address \"999.1.1.1\""))
        << Refusal.toStdString();
    EXPECT_TRUE(Refusal.endsWith("; IE proxy: server \"zz\" is no address; folder shares: no folder"))
        << Refusal.toStdString();
    EXPECT_TRUE(FakeJournal().isEmpty());
    EXPECT_TRUE(Location.PrinterError().isEmpty()) << "no printer step ran";
}

TEST_F(LocationModulesTest, AnUnreadableRegistryRefusesTheSwitch)
{
    QFile Hive(FRoot.RegistryDir() + "/HKEY_LOCAL_MACHINE.reg");
    QDir().mkpath(FRoot.RegistryDir());
    ASSERT_TRUE(Hive.open(QIODevice::WriteOnly));
    Hive.write("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\X]\r\n\"A\"=dword:zz\r\n");
    Hive.close();
    TLocation Location(IdA, FakeModules());
    Location.SetNetId("{0BADF00D-0000-0000-0000-000000000000}");
    WithDhcp(Location);

    EXPECT_FALSE(Location.SwitchTo(FAdapters));
    ASSERT_EQ(Location.SwitchErrors().size(), 1);
    EXPECT_TRUE(Location.SwitchErrors().first().contains("the registry cannot be used"))
        << Location.SwitchErrors().first().toStdString();
    EXPECT_TRUE(FakeJournal().isEmpty());
}

TEST_F(LocationModulesTest, ASecondSwitchWhileOneRunsIsRefused)
{
    Store(IdA, "Office");
    Store(IdB, "Home");
    TLocationList List(FakeModules());
    WithDhcp(*List.GetItemByLocId(IdA));
    WithDhcp(*List.GetItemByLocId(IdB));
    QString InnerError;
    bool InnerSwitched = true;
    TStepJournal Journal;
    Journal.OnStart = [&](const QString &Step) {
        if (Step == "adapter")
            InnerSwitched = List.SwitchToLocation(IdB, FAdapters, &InnerError);
    };

    List.SwitchToLocation(*List.GetItemByLocId(IdA), FAdapters, nullptr, &Journal);

    EXPECT_FALSE(InnerSwitched);
    EXPECT_EQ(InnerError, "Another switch is still running");
    EXPECT_TRUE(List.GetItemByLocId(IdB)->SwitchReport().isEmpty()) << "Home was never switched";
    QString Error;
    List.SwitchToLocation(IdB, FAdapters, &Error);
    EXPECT_NE(Error, "Another switch is still running") << "the guard ends with the switch";
}

// Neither a library's own exception in a step nor a mirror that cannot be written after the
// steps escapes the switch: both are failed steps of its report, and the next switch runs.
TEST_F(LocationModulesTest, AnyFailureIsAStepOfTheReportAndTheNextSwitchRuns)
{
    const QString Lock = FRoot.RegistryDir() + "/HKEY_LOCAL_MACHINE.reg.lock";
    const struct
    {
        const char *Case;
        std::function<void()> Break;
        const char *FailedStep;
        const char *Says;
    } Cases[] = {
        {"a module raises", [] { TFakeFirefox::OnApply = [] { throw std::runtime_error("bad_alloc"); }; },
         "Firefox proxy", "unexpected error: bad_alloc"},
        // The check reads the mirror; only its write after the steps fails.
        {"the mirror cannot be written", [&] { ASSERT_TRUE(QFile::remove(Lock) && QDir().mkpath(Lock)); },
         "current location", "registry lock"},
    };
    TFakeNetwork Network;
    const TNetWorkList Adapters;
    Store(IdA, "Office", TFakeNetwork::OfficeId);
    Store(IdB, "Home", TFakeNetwork::HomeId);
    for (const auto &Case : Cases) {
        SCOPED_TRACE(Case.Case);
        TLocationList List(FakeModules());
        WithDhcp(*List.GetItemByLocId(IdA));
        WithDhcp(*List.GetItemByLocId(IdB));
        Case.Break();
        QString Error;
        bool Switched = true;
        EXPECT_NO_THROW(Switched = List.SwitchToLocation(IdA, Adapters, &Error));
        EXPECT_FALSE(Switched);
        EXPECT_TRUE(Error.contains(Case.Says)) << Error.toStdString();
        const TSwitchReport &Report = List.GetItemByLocId(IdA)->SwitchReport();
        const auto Failed = std::find_if(Report.cbegin(), Report.cend(), [&](const TSwitchStep &Step) {
            return Step.Outcome == TSwitchStep::Failed && Step.Name == QLatin1String(Case.FailedStep);
        });
        EXPECT_NE(Failed, Report.cend());

        ResetFakeModules();
        QDir(Lock).removeRecursively();
        EXPECT_TRUE(List.SwitchToLocation(IdB, Adapters, &Error)) << Error.toStdString();
        EXPECT_EQ(List.GetItemByLocId(IdB)->SwitchReport().constLast().Name, "current location");
        EXPECT_EQ(TLocationList::ReadCurrentLocId(), IdB);
    }
}

TEST_F(LocationModulesTest, ImportAndRemoveGoThroughTheTableInTheirOrders)
{
    const std::unique_ptr<TLocation> Location =
        TLocation::Import("Cafe", "", "{NET}", FAdapters, FakeModules());
    EXPECT_EQ(FakeJournal(), (QStringList{"import IE {NET}", "import SHARE {NET}"}));
    const auto Count = [&](const char *Table) {
        QSqlQuery Query(GetConnection());
        Query.exec(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE LOC_ID='%2'").arg(Table, Location->LocId()));
        return Query.next() ? Query.value(0).toInt() : -1;
    };
    EXPECT_EQ(Count("IE_PROXY"), 1);
    EXPECT_EQ(Count("FIREFOX_PROXY"), 0) << "the table says Firefox takes nothing from the current settings";

    ASSERT_TRUE(Location->Remove());
    for (const char *Table : {"IE_PROXY", "FIREFOX_PROXY", "FS_PROXY", "LOCATION"})
        EXPECT_EQ(Count(Table), 0) << Table;
}

namespace {

// A class of the IE kind that no table names.
class TOtherIE : public TProxyModule<TOtherIE>
{
public:
    static constexpr TModuleKind Kind = TModuleKind::IE;
    static constexpr QLatin1String Code = FUNC_IE;
    static bool IsInstalled() { return true; }
    explicit TOtherIE(const QString &LocId) : TProxyModule<TOtherIE>(LocId) {}

protected:
    TRowBinding Binding() override { return {"IE_PROXY", {}, {}}; }
};

} // namespace

TEST_F(LocationModulesTest, ModulesAreReachedByTheirClass)
{
    TLocation Location(IdA, FakeModules());
    TFakeIE *Typed = Location.Module<TFakeIE>();
    EXPECT_EQ(&Location.ModuleOf(*FindModule(FakeModules(), TModuleKind::IE)), Typed)
        << "one object per kind";
    // Another class of the same kind is a programming error, not a cast.
    EXPECT_THROW(Location.Module<TOtherIE>(), EAssertionFailed);
}
