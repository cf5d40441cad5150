// Export and import of locations through the data file, in process.
#include "transfer/LocationExport.h"
#include "transfer/LocationImport.h"

#include "app/DBManager.h"
#include "locations/LocationRules.h"
#include "modules/ProgramModules.h"
#include "support/DatabaseTest.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

const QString IdA = "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA1";
const QString IdB = "BBBBBBBBBBBBBBBBBBBBBBBBBBBBBBB2";
const QString IdC = "CCCCCCCCCCCCCCCCCCCCCCCCCCCCCCC3";
const QList<TKnownAdapter> Adapters{{"{11111111-2222-3333-4444-555555555555}", "Wired A"},
                                    {"{66666666-7777-8888-9999-AAAAAAAAAAAA}", "Wireless B"}};

QList<TCarriedTable> AllCarriedTables()
{
    QList<TCarriedTable> Tables{IpTable()};
    Tables.append(LocationTables());
    Tables.append(ModuleTables(ProgramModules()));
    return Tables;
}

QSet<QString> TableColumns(const QString &Table)
{
    QSqlQuery Query(GetConnection());
    QSet<QString> Columns;
    if (Query.exec(QStringLiteral("PRAGMA table_info(%1)").arg(Table)))
        while (Query.next())
            Columns.insert(Query.value("name").toString());
    return Columns;
}

QByteArray FileBytes(const QString &Path)
{
    QFile File(Path);
    return File.open(QIODevice::ReadOnly) ? File.readAll() : QByteArray("unreadable");
}

QJsonObject ParsedObject(const QByteArray &Document) { return QJsonDocument::fromJson(Document).object(); }

class TransferTest : public TDatabaseTest
{
protected:
    // A location with a row in every carried table (two in each list), every column set to a
    // value of its own that is no default: "TABLE.COLUMN Tag" texts, flags on, numbers from 7;
    // the rules are then made rules: SSIDs of those texts with access points 02-..-01, 02.

    static void Plant(const QString &LocId, const QString &Name, const QString &NetId)
    {
        Insert("LOCATION", {{"LOC_ID", LocId},
                            {"NET_ID", NetId},
                            {"LOC_NAME", Name},
                            {"LOC_DESC", Name + " desc"},
                            {"PRINTER", Name + " printer"}});
        for (const TCarriedTable &Table : AllCarriedTables())
            for (int Row = 0; Row < (Table.List ? 2 : 1); ++Row) {
                QList<QPair<QString, QVariant>> Values{{"LOC_ID", LocId}};
                if (Table.List && !Table.PositionColumn.isEmpty())
                    Values.append({Table.PositionColumn, Row + 1});
                else if (Table.List)
                    Values.append({"ID", QStringLiteral("%1%2").arg(LocId.left(31)).arg(Row)});
                int Number = 7;
                for (const TCarriedColumn &Column : Table.Columns)
                    Values.append(
                        {Column.Name,
                         Column.Type == TDbFieldType::Text
                             ? QVariant(
                                   QStringLiteral("%1.%2 %3 %4").arg(Table.Table, Column.Name, Name).arg(Row))
                         : Column.Type == TDbFieldType::Flag ? QVariant(1)
                                                             : QVariant(Number++)});
                Insert(Table.Table, Values);
            }
        Exec("UPDATE LOC_RULE SET RULE_KIND='ssid', RULE_BSSID='02-00-00-00-00-0'||RULE_POS WHERE LOC_ID='" +
             LocId + "'");
    }

    static void Insert(const QString &Table, const QList<QPair<QString, QVariant>> &Values)
    {
        QStringList Columns, Marks;
        for (const auto &Value : Values) {
            Columns.append(Value.first);
            Marks.append(QStringLiteral("?"));
        }
        QSqlQuery Query(GetConnection());
        Query.prepare(
            QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(Table, Columns.join(','), Marks.join(',')));
        for (const auto &Value : Values)
            Query.addBindValue(Value.second);
        ASSERT_TRUE(Query.exec()) << Table.toStdString();
    }

    static void EmptyDataFile()
    {
        Exec("DELETE FROM LOCATION");
        for (const TCarriedTable &Table : AllCarriedTables())
            Exec("DELETE FROM " + Table.Table);
    }

    static QByteArray Export(const QStringList &LocIds = {}, bool WithPasswords = true)
    {
        QByteArray Document;
        QString Error;
        EXPECT_TRUE(ExportLocations(ProgramModules(), Adapters, LocIds, WithPasswords, Document, &Error))
            << Error.toStdString();
        return Document;
    }

    static QStringList StoredNames()
    {
        QSqlQuery Query(GetConnection());
        QStringList Names;
        if (Query.exec("SELECT LOC_NAME FROM LOCATION ORDER BY LOC_NAME"))
            while (Query.next())
                Names.append(Query.value(0).toString());
        return Names;
    }

    static QString StoredValue(const QString &Statement)
    {
        QSqlQuery Query(GetConnection());
        return Query.exec(Statement) && Query.next() ? Query.value(0).toString() : QStringLiteral("no row");
    }
};

} // namespace

// A column the format does not know would be lost on the way; so would a new per-location table.
TEST_F(TransferTest, EveryTableAndColumnOfALocationIsCarried)
{
    QSet<QString> Carried{"LOCATION", "FUNC_DEF"};
    for (const TCarriedTable &Table : AllCarriedTables()) {
        SCOPED_TRACE(Table.Table.toStdString());
        Carried.insert(Table.Table);
        QSet<QString> Columns{"LOC_ID"};
        if (Table.List)
            Columns.insert(Table.PositionColumn.isEmpty() ? "ID" : Table.PositionColumn);
        for (const TCarriedColumn &Column : Table.Columns)
            Columns.insert(Column.Name);
        EXPECT_EQ(Columns, TableColumns(Table.Table));
    }
    QSqlQuery Query(GetConnection());
    ASSERT_TRUE(Query.exec("SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite_%'"));
    QSet<QString> Tables;
    while (Query.next())
        Tables.insert(Query.value(0).toString());
    EXPECT_EQ(Tables, Carried);
}

TEST_F(TransferTest, ImportIntoAnEmptyDataFileGivesBackEveryRow)
{
    Plant(IdA, "Office", Adapters.at(0).Id);
    Plant(IdB, "Home", "");
    const QByteArray Exported = Export();
    EmptyDataFile();

    TLocationImport Import(ProgramModules());
    ASSERT_TRUE(Import.Check(Exported)) << Import.Problems().join('\n').toStdString();
    ASSERT_TRUE(Import.Store(TConflictChoice::Skip, Adapters)) << Import.LastError().toStdString();
    EXPECT_EQ(Import.StoredIds(), QStringList({IdA, IdB}));
    EXPECT_TRUE(Import.Notices().isEmpty()) << Import.Notices().join('\n').toStdString();
    EXPECT_EQ(Export(), Exported);
    EXPECT_EQ(StoredValue("SELECT SHARE_NAME FROM FOLDER_SHARE WHERE LOC_ID='" + IdA + "' ORDER BY rowid"),
              "FOLDER_SHARE.SHARE_NAME Office 0");
}

// The rules keep the file's order and come in as the program writes them.
TEST_F(TransferTest, RulesComeInInOrderAndInTheirStoredForm)
{
    Plant(IdA, "Office", "");
    QJsonObject Root = ParsedObject(Export());
    QJsonObject Office = Root.value("locations").toArray().at(0).toObject();
    Office.insert(
        "rules",
        QJsonArray{
            QJsonObject{{"RULE_KIND", "GATEWAY-MAC"}, {"RULE_VALUE", "0a:1b:2c:3d:4e:5f"}},
            QJsonObject{{"RULE_KIND", "ssid"}, {"RULE_VALUE", " Lab "}, {"RULE_BSSID", "020000a0000b"}}});
    Office.insert("automatic", QJsonObject{{"AUTO_SWITCH", false}});
    Root.insert("locations", QJsonArray{Office});
    EmptyDataFile();

    TLocationImport Import(ProgramModules());
    ASSERT_TRUE(Import.Check(QJsonDocument(Root).toJson())) << Import.Problems().join('\n').toStdString();
    ASSERT_TRUE(Import.Store(TConflictChoice::Skip, Adapters)) << Import.LastError().toStdString();
    TLocationRules Rules(IdA);
    ASSERT_TRUE(Rules.Load()) << Rules.LastError().toStdString();
    EXPECT_EQ(Rules.Rules(), (QList<TLocationRule>{{TRuleKind::GatewayMac, "0A-1B-2C-3D-4E-5F", ""},
                                                   {TRuleKind::Ssid, "Lab", "02-00-00-A0-00-0B"}}));
    EXPECT_FALSE(Rules.Automatic());
    EXPECT_EQ(StoredValue("SELECT group_concat(RULE_POS) FROM LOC_RULE"), "1,2");
}

TEST_F(TransferTest, ExportNamesTheAdapterAndSelectedLocationsOnly)
{
    Plant(IdA, "Office", Adapters.at(0).Id);
    Plant(IdB, "Home", "");
    const QJsonArray Locations = ParsedObject(Export({IdA})).value("locations").toArray();
    ASSERT_EQ(Locations.size(), 1);
    const QJsonObject Office = Locations.at(0).toObject();
    EXPECT_EQ(Office.value("adapter").toObject().value("name").toString(), "Wired A");
    EXPECT_EQ(Office.value("modules").toObject().value("IE_PROXY").toObject().value("ENABLE_PROXY"),
              QJsonValue(true));
    EXPECT_EQ(Office.value("ip").toObject().value("REPAIR_INTERVAL"), QJsonValue(7));
    EXPECT_EQ(Office.value("drives").toArray().size(), 2);

    QByteArray Document;
    QString Error;
    EXPECT_FALSE(ExportLocations(ProgramModules(), Adapters, {IdC}, false, Document, &Error));
    EXPECT_TRUE(Error.contains(IdC)) << Error.toStdString();
}

TEST_F(TransferTest, PasswordsLeaveOnlyWhenAskedFor)
{
    Plant(IdA, "Office", "");
    for (const bool WithPasswords : {false, true}) {
        SCOPED_TRACE(WithPasswords);
        const QByteArray Document = Export({}, WithPasswords);
        for (const char *Column : {"PROXY_PWD", "PASSWORD"}) {
            EXPECT_EQ(Document.contains(QByteArray(Column) + " Office"), WithPasswords) << Column;
            EXPECT_EQ(Document.contains(QByteArray("\"") + Column + "\""), WithPasswords) << Column;
        }
        EXPECT_EQ(ParsedObject(Document).value("passwords"), QJsonValue(WithPasswords));
    }
}

TEST_F(TransferTest, ImportWithoutPasswordsStoresThemEmpty)
{
    Plant(IdA, "Office", "");
    const QByteArray Exported = Export({}, false);
    EmptyDataFile();
    TLocationImport Import(ProgramModules());
    ASSERT_TRUE(Import.Check(Exported)) << Import.Problems().join('\n').toStdString();
    ASSERT_TRUE(Import.Store(TConflictChoice::Skip, Adapters));
    EXPECT_EQ(StoredValue("SELECT PROXY_PWD FROM SKYPE_PROXY WHERE LOC_ID='" + IdA + "'"), "");
    EXPECT_EQ(StoredValue("SELECT PROXY_USER FROM SKYPE_PROXY WHERE LOC_ID='" + IdA + "'"),
              "SKYPE_PROXY.PROXY_USER Office 0");
}

TEST_F(TransferTest, AdapterIsFoundByIdThenByNameElseLeftOutWithANotice)
{
    const struct
    {
        const char *Case;
        QString Id;
        QString Name;
        QString Stored;
        bool Notice;
    } Cases[] = {
        {"by id, letter case aside", Adapters.at(1).Id.toLower(), "renamed", Adapters.at(1).Id, false},
        {"by name", "{00000000-0000-0000-0000-000000000000}", "Wired A", Adapters.at(0).Id, false},
        {"missing", "{00000000-0000-0000-0000-000000000000}", "Gone", "", true},
    };
    for (const auto &Case : Cases) {
        SCOPED_TRACE(Case.Case);
        EmptyDataFile();
        const QJsonObject Location{
            {"id", IdA}, {"name", "Office"}, {"adapter", QJsonObject{{"id", Case.Id}, {"name", Case.Name}}}};
        const QJsonObject Root{
            {"format", "wayfarel-locations"}, {"version", 1}, {"locations", QJsonArray{Location}}};
        TLocationImport Import(ProgramModules());
        ASSERT_TRUE(Import.Check(QJsonDocument(Root).toJson())) << Import.Problems().join('\n').toStdString();
        ASSERT_TRUE(Import.Store(TConflictChoice::Skip, Adapters));
        EXPECT_EQ(StoredValue("SELECT NET_ID FROM LOCATION"), Case.Stored);
        EXPECT_EQ(Import.Notices().join('\n').contains("without adapter"), Case.Notice)
            << Import.Notices().join('\n').toStdString();
    }
}

TEST_F(TransferTest, ConflictsAreSkippedRenamedOrReplacedAsChosen)
{
    const struct
    {
        const char *Case;
        TConflictChoice Choice;
        QStringList Names;
        QString OfficeDesc;
        bool NewId;
    } Cases[] = {
        {"skip", TConflictChoice::Skip, {"Home", "Office"}, "Office desc", false},
        {"rename",
         TConflictChoice::Rename,
         {"Home", "Home (2)", "Office", "Office (2)"},
         "Office desc",
         true},
        {"replace", TConflictChoice::Replace, {"Home", "Office"}, "Office from file", false},
    };
    for (const auto &Case : Cases) {
        SCOPED_TRACE(Case.Case);
        EmptyDataFile();
        // In the file: Office with the stored id, and Home under a new id but a stored name.
        Plant(IdA, "Office", "");
        Plant(IdB, "Home", "");
        QJsonObject Root = ParsedObject(Export());
        QJsonArray Locations = Root.value("locations").toArray();
        QJsonObject Office = Locations.at(0).toObject();
        Office.insert("description", "Office from file");
        QJsonObject Home = Locations.at(1).toObject();
        Home.insert("id", IdC);
        Home.insert("name", "HOME");
        Root.insert("locations", QJsonArray{Office, Home});

        TLocationImport Import(ProgramModules());
        ASSERT_TRUE(Import.Check(QJsonDocument(Root).toJson())) << Import.Problems().join('\n').toStdString();
        EXPECT_EQ(Import.Conflicts(), QStringList({"Office", "HOME"}));
        ASSERT_TRUE(Import.Store(Case.Choice, Adapters)) << Import.LastError().toStdString();
        EXPECT_EQ(Import.Notices().size(), 2) << Import.Notices().join('\n').toStdString();
        QStringList Names = StoredNames();
        Names.replaceInStrings("HOME", "Home");
        EXPECT_EQ(Names, Case.Names);
        EXPECT_EQ(StoredValue("SELECT LOC_DESC FROM LOCATION WHERE LOC_ID='" + IdA + "'"), Case.OfficeDesc);
        EXPECT_EQ(StoredValue("SELECT COUNT(*) FROM LOCATION WHERE LOC_ID NOT IN ('" + IdA + "','" + IdB +
                              "','" + IdC + "')"),
                  Case.NewId ? "1" : "0");
        // A replaced or skipped location keeps one set of rows, not two.
        EXPECT_EQ(StoredValue("SELECT COUNT(*) FROM NET_MAPPING WHERE LOC_ID='" + IdA + "'"), "2");
    }
}

TEST_F(TransferTest, RefusedFilesLeaveTheDataFileByteIdentical)
{
    Plant(IdA, "Office", "");
    const QByteArray Valid = Export();
    const auto With = [&Valid](const std::function<void(QJsonObject &)> &Change) {
        QJsonObject Root = ParsedObject(Valid);
        Change(Root);
        return QJsonDocument(Root).toJson();
    };
    const auto InFirst = [&With](const std::function<void(QJsonObject &)> &Change) {
        return With([&Change](QJsonObject &Root) {
            QJsonArray Locations = Root.value("locations").toArray();
            QJsonObject First = Locations.at(0).toObject();
            Change(First);
            Locations.replace(0, First);
            Root.insert("locations", Locations);
        });
    };
    const auto InModule = [&InFirst](const QString &Member, const QJsonValue &Value) {
        return InFirst([&](QJsonObject &Location) {
            QJsonObject Modules = Location.value("modules").toObject();
            QJsonObject Ie = Modules.value("IE_PROXY").toObject();
            Ie.insert(Member, Value);
            Modules.insert("IE_PROXY", Ie);
            Location.insert("modules", Modules);
        });
    };
    const struct
    {
        const char *Case;
        QByteArray Document;
        const char *Says;
    } Cases[] = {
        {"malformed", "{\"format\": \"wayfarel-locations\", version: 1}", "byte "},
        {"truncated", Valid.left(Valid.size() / 2), "not complete JSON"},
        {"oversized", Valid + QByteArray(TransferFileLimit, ' '), "/: the file is larger than 16 MB"},
        {"not an object", "[1, 2]", "/: an object"},
        {"another format", With([](QJsonObject &R) { R.insert("format", "other"); }),
         "/format: this is no location file"},
        {"unknown version", With([](QJsonObject &R) { R.insert("version", 2); }),
         "/version: version 2 is not known"},
        {"no locations", With([](QJsonObject &R) { R.remove("locations"); }), "/locations: missing"},
        {"wrong type", InModule("HTTP", 8080), "/locations/0/modules/IE_PROXY/HTTP: a text"},
        {"flag as number", InModule("ENABLE_PROXY", 1),
         "/locations/0/modules/IE_PROXY/ENABLE_PROXY: true or false"},
        {"fraction", InFirst([](QJsonObject &L) {
             L.insert("ip", QJsonObject{{"REPAIR_INTERVAL", 1.5}});
         }),
         "/locations/0/ip/REPAIR_INTERVAL: a whole number"},
        {"unknown column", InModule("HTPP", "x"), "/locations/0/modules/IE_PROXY/HTPP: unknown member"},
        {"unknown module", InFirst([](QJsonObject &L) {
             L.insert("modules", QJsonObject{{"A/B~", QJsonObject()}});
         }),
         "/locations/0/modules/A~1B~0: unknown member"},
        {"no name", InFirst([](QJsonObject &L) { L.remove("name"); }), "/locations/0/name: missing"},
        {"bad id", InFirst([](QJsonObject &L) { L.insert("id", "abc'"); }), "/locations/0/id: an id is 32"},
        {"duplicate ids", With([](QJsonObject &R) {
             QJsonArray Locations = R.value("locations").toArray();
             Locations.append(Locations.at(0));
             R.insert("locations", Locations);
         }),
         "/locations/1/id: the same id as /locations/0"},
        {"10 MB string",
         InFirst([](QJsonObject &L) { L.insert("description", QString(10 * 1024 * 1024, 'x')); }),
         "/locations/0/description: the text is 10485760 characters long"},
        {"unknown rule kind", InFirst([](QJsonObject &L) {
             L.insert("rules", QJsonArray{QJsonObject{{"RULE_KIND", "moon"}, {"RULE_VALUE", "full"}}});
         }),
         "/locations/0/rules/0: unknown rule kind \"moon\""},
        {"rule value not of its kind", InFirst([](QJsonObject &L) {
             L.insert("rules",
                      QJsonArray{QJsonObject{{"RULE_KIND", "ssid"}, {"RULE_VALUE", "Lab"}},
                                 QJsonObject{{"RULE_KIND", "gateway-mac"}, {"RULE_VALUE", "02-00"}}});
         }),
         "/locations/0/rules/1: a gateway MAC is six pairs of hex digits"},
        {"automatic flag as text", InFirst([](QJsonObject &L) {
             L.insert("automatic", QJsonObject{{"AUTO_SWITCH", "yes"}});
         }),
         "/locations/0/automatic/AUTO_SWITCH: true or false"},
        {"shares not a list", InFirst([](QJsonObject &L) { L.insert("shares", QJsonObject()); }),
         "/locations/0/shares: an array"},
    };
    const QByteArray Before = FileBytes(FRoot.DataFile());
    for (const auto &Case : Cases) {
        SCOPED_TRACE(Case.Case);
        TLocationImport Import(ProgramModules());
        EXPECT_FALSE(Import.Check(Case.Document));
        EXPECT_TRUE(Import.Problems().join('\n').contains(Case.Says))
            << Import.Problems().join('\n').toStdString();
        EXPECT_FALSE(Import.Store(TConflictChoice::Replace, Adapters));
        EXPECT_EQ(FileBytes(FRoot.DataFile()), Before);
    }
}

TEST_F(TransferTest, ADatabaseRefusalStoresNoLocationAtAll)
{
    Plant(IdA, "Office", "");
    Plant(IdB, "Home", "");
    const QByteArray Exported = Export();
    EmptyDataFile();
    // The second location's drives have nowhere to go.
    Exec("DROP TABLE NET_MAPPING");
    QJsonObject Root = ParsedObject(Exported);
    QJsonArray Locations = Root.value("locations").toArray();
    QJsonObject Office = Locations.at(0).toObject();
    Office.insert("drives", QJsonArray());
    Locations.replace(0, Office);
    Root.insert("locations", Locations);

    TLocationImport Import(ProgramModules());
    ASSERT_TRUE(Import.Check(QJsonDocument(Root).toJson())) << Import.Problems().join('\n').toStdString();
    EXPECT_FALSE(Import.Store(TConflictChoice::Skip, Adapters));
    EXPECT_TRUE(Import.LastError().contains("NET_MAPPING")) << Import.LastError().toStdString();
    EXPECT_TRUE(Import.StoredIds().isEmpty());
    EXPECT_EQ(StoredValue("SELECT COUNT(*) FROM LOCATION"), "0");
    EXPECT_EQ(StoredValue("SELECT COUNT(*) FROM IE_PROXY"), "0");
}

TEST_F(TransferTest, TheFileIsWrittenForItsOwnerAloneInPlaceOfTheOldOne)
{
    const QString Path = FRoot.Path() + "/locations.json";
    QFile Old(Path);
    ASSERT_TRUE(Old.open(QIODevice::WriteOnly));
    Old.write("an older and longer file");
    Old.close();
    ASSERT_TRUE(
        Old.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther));
    QString Error;
    ASSERT_TRUE(SaveLocationFile(Path, "{}", &Error)) << Error.toStdString();
    EXPECT_EQ(FileBytes(Path), "{}");
    EXPECT_EQ(PermissionBits(Path), 0600u);
    EXPECT_FALSE(SaveLocationFile(FRoot.Path() + "/no/such/folder/x.json", "{}", &Error));
    EXPECT_TRUE(Error.contains("no/such/folder")) << Error.toStdString();
}

TEST_F(TransferTest, AnOversizedFileIsRefusedWithoutReadingIt)
{
    const QString Path = FRoot.Path() + "/big.json";
    QFile Big(Path);
    ASSERT_TRUE(Big.open(QIODevice::WriteOnly));
    ASSERT_TRUE(Big.resize(TransferFileLimit * 4));
    Big.close();
    TLocationImport Import(ProgramModules());
    EXPECT_FALSE(Import.CheckFile(Path));
    EXPECT_TRUE(Import.Problems().join('\n').contains("larger than 16 MB"))
        << Import.Problems().join('\n').toStdString();
    EXPECT_FALSE(Import.CheckFile(FRoot.Path() + "/missing.json"));
    EXPECT_TRUE(Import.Problems().join('\n').contains("missing.json"));
}
