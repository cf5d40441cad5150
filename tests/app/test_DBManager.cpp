#include "app/DBManager.h"
#include "app/DBQuery.h"
#include "app/DBSchema.h"
#include "support/TestRoot.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <unistd.h>

namespace {

enum class TKind { Text, Boolean, Integer };

struct TColumn
{
    const char *Name;
    TKind Kind;
};

constexpr TKind T = TKind::Text, B = TKind::Boolean, I = TKind::Integer;

// Every table the program reads or writes, with its columns as the modules name them.
const QMap<QString, QList<TColumn>> &Schema()
{
    static const QMap<QString, QList<TColumn>> Tables{
        {"LOCATION", {{"LOC_ID", T}, {"NET_ID", T}, {"LOC_NAME", T}, {"LOC_DESC", T}, {"PRINTER", T}}},
        {"FUNC_DEF", {{"FUNC_CODE", T}, {"FUNC_NAME", T}, {"FUNC_EANBLED", B}, {"FUNC_POS", I}}},
        {"IP_ADDR",
         {{"LOC_ID", T},
          {"ENABLE_DHCP", B},
          {"IP_ADDR", T},
          {"SUBNET_MASK", T},
          {"GATE_WAY", T},
          {"AUTO_DNS", B},
          {"MAIN_DNS", T},
          {"SUB_DNS", T},
          {"MAC_ADDR", T},
          {"GWMAC_ADDR", T},
          {"AUTO_REPAIR", B},
          {"REPAIR_INTERVAL", I}}},
        {"IE_PROXY",
         {{"LOC_ID", T},
          {"ENABLE_PROXY", B},
          {"HTTP", T},
          {"SECURE", T},
          {"FTP", T},
          {"GOPHER", T},
          {"SOCKTS", T},
          {"SHARE_PROXY_SETTINGS", B},
          {"NO_PROXIES_ON", T}}},
        {"FIREFOX_PROXY",
         {{"LOC_ID", T},
          {"PROXY_TYPE", I},
          {"HTTP", T},
          {"SECURE", T},
          {"FTP", T},
          {"GOPHER", T},
          {"SOCKTS", T},
          {"SHARE_PROXY_SETTINGS", B},
          {"NO_PROXIES_ON", T},
          {"AUTO_SETTINGS", T},
          {"SOCKS_TYPE", I}}},
        {"MSN_PROXY", {{"LOC_ID", T}, {"ENABLE_PROXY", B}, {"SOCKET4_SERVER", T}, {"SOCKET4_PORT", I}}},
        {"FOXMAIL_PROXY",
         {{"LOC_ID", T},
          {"ENABLE_PROXY", B},
          {"PROXY_TYPE", I},
          {"PROXY_SERVER", T},
          {"PROXY_PORT", I},
          {"PROXY_USER", T},
          {"PROXY_PWD", T}}},
        {"SKYPE_PROXY",
         {{"LOC_ID", T},
          {"ENABLE_PROXY", B},
          {"PROXY_TYPE", I},
          {"PROXY_SERVER", T},
          {"PROXY_PORT", I},
          {"PROXY_USER", T},
          {"PROXY_PWD", T}}},
        {"ICQ_PROXY",
         {{"LOC_ID", T},
          {"ENABLE_PROXY", B},
          {"SERVER", T},
          {"PORT", I},
          {"PROXY_TYPE", I},
          {"PROXY_SERVER", T},
          {"PROXY_PORT", I},
          {"NEED_AUTH", B},
          {"PROXY_USER", T},
          {"PROXY_PWD", T}}},
        {"EMULE_PROXY",
         {{"LOC_ID", T},
          {"ENABLE_PROXY", B},
          {"PROXY_TYPE", I},
          {"PROXY_SERVER", T},
          {"PROXY_PORT", I},
          {"ENABLE_PWD", B},
          {"PROXY_USER", T},
          {"PROXY_PWD", T}}},
        {"BITCOMET_PROXY",
         {{"LOC_ID", T},
          {"ENABLE_PROXY", B},
          {"PROXY_TYPE", I},
          {"PROXY_SERVER", T},
          {"PROXY_PORT", I},
          {"ENABLE_PWD", B},
          {"PROXY_USER", T},
          {"PROXY_PWD", T}}},
        {"FOLDER_SHARE",
         {{"ID", T},
          {"LOC_ID", T},
          {"SHARE_NAME", T},
          {"SHARE_DESC", T},
          {"SHARE_FOLDER", T},
          {"SHARE_TYPE", I}}},
        {"FS_PROXY", {{"LOC_ID", T}, {"ENABLE_PROXY", B}}},
        {"NET_MAPPING",
         {{"ID", T},
          {"LOC_ID", T},
          {"DRIVER", T},
          {"USER_NAME", T},
          {"PASSWORD", T},
          {"REMOTE_FOLDER", T},
          {"AUTO_CONNECT", B}}},
        {"MAPPING_PROXY", {{"LOC_ID", T}, {"ENABLE_PROXY", B}}},
    };
    return Tables;
}

const QString LocA = "0123456789ABCDEFGHIJKLMNOPQRSTUV";
const QString LocB = "VUTSRQPONMLKJIHGFEDCBA9876543210";

int CountRows(const QString &Table)
{
    QSqlQuery Query(GetConnection());
    EXPECT_TRUE(Query.exec("SELECT COUNT(*) FROM " + Table) && Query.next())
        << Query.lastError().text().toStdString();
    return Query.value(0).toInt();
}

void *SqliteHandle(const QSqlDatabase &Db)
{
    return *static_cast<void *const *>(Db.driver()->handle().constData());
}

QByteArray ReadFile(const QString &Path)
{
    QFile File(Path);
    return File.open(QIODevice::ReadOnly) ? File.readAll() : QByteArray();
}

void WriteFile(const QString &Path, const QByteArray &Content)
{
    QFile File(Path);
    ASSERT_TRUE(File.open(QIODevice::WriteOnly | QIODevice::Truncate));
    File.write(Content);
}

struct TRun
{
    int ExitCode;
    QString Err;
};

TRun Run(const QString &Program, const QStringList &Args)
{
    QProcess Process;
    Process.start(Program, Args);
    if (!Process.waitForFinished(30000) || Process.exitStatus() != QProcess::NormalExit)
        return {-1, Process.errorString()};
    return {Process.exitCode(), QString::fromLocal8Bit(Process.readAllStandardError())};
}

class DBManagerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        InitConnectionString(FRoot.DataFolder());
        FPrevious = SetOpenFailureHandler([this] { ++FFailures; });
    }

    void TearDown() override
    {
        CloseConnection();
        SetOpenFailureHandler(FPrevious);
    }

    TTestRoot FRoot;
    int FFailures = 0;
    TOpenFailureHandler FPrevious;
};

TEST_F(DBManagerTest, DataFileIsTheFolderFollowedByTheFileName)
{
    InitConnectionString("/opt/wayfarel/");
    EXPECT_EQ(ConnectionString(), "/opt/wayfarel/qtm.dat");
}

TEST_F(DBManagerTest, EveryTableHasItsColumnsWithTheirTypes)
{
    const QSqlDatabase Db = GetConnection();
    for (auto Table = Schema().cbegin(); Table != Schema().cend(); ++Table) {
        SCOPED_TRACE(Table.key().toStdString());
        QMap<QString, QString> Actual;
        QSqlQuery Query(Db);
        ASSERT_TRUE(Query.exec("PRAGMA table_info(" + Table.key() + ")"));
        while (Query.next())
            Actual.insert(Query.value("name").toString(), Query.value("type").toString());
        QMap<QString, QString> Expected;
        for (const TColumn &Column : Table.value())
            Expected.insert(Column.Name, Column.Kind == TKind::Text ? "TEXT" : "INTEGER");
        EXPECT_EQ(Actual, Expected);
    }
}

// Per table: a row with every column filled is accepted, and each text column finds it
// with a WHERE in other letter case. The row is rolled back.
TEST_F(DBManagerTest, EveryTextColumnComparesCaseInsensitively)
{
    QSqlDatabase Db = GetConnection();
    for (auto Table = Schema().cbegin(); Table != Schema().cend(); ++Table) {
        SCOPED_TRACE(Table.key().toStdString());
        ASSERT_TRUE(Db.transaction());
        TDbColumns Columns;
        for (const TColumn &Column : Table.value().mid(1))
            Columns.append({Column.Name, Column.Kind == TKind::Text      ? QVariant("mIxEd")
                                         : Column.Kind == TKind::Boolean ? QVariant(true)
                                                                         : QVariant(7)});
        const TDbKey Key{Table.value().first().Name, "kEy"};
        QString Error;
        ASSERT_TRUE(DbSaveRow(Db, Table.key(), Key, Columns, TKeyOnUpdate::Keep, &Error))
            << Error.toStdString();
        for (const TColumn &Column : Table.value()) {
            if (Column.Kind != TKind::Text)
                continue;
            const QString Other = QString(Column.Name) == Key.Column ? "KeY" : "MiXeD";
            EXPECT_TRUE(DbReadRow(Db, Table.key(), {Column.Name, Other}).has_value()) << Column.Name;
        }
        ASSERT_TRUE(Db.rollback());
    }
}

TEST_F(DBManagerTest, CatalogueHoldsTheNineModulesEnabledInOrder)
{
    QSqlQuery Query(GetConnection());
    ASSERT_TRUE(Query.exec("SELECT FUNC_CODE, FUNC_NAME, FUNC_EANBLED, FUNC_POS FROM FUNC_DEF"));
    QSet<QString> Codes;
    QSet<int> Positions;
    while (Query.next()) {
        Codes.insert(Query.value(0).toString());
        EXPECT_FALSE(Query.value(1).toString().isEmpty());
        EXPECT_EQ(Query.value(2).toInt(), 1);
        Positions.insert(Query.value(3).toInt());
    }
    EXPECT_EQ(Codes, QSet<QString>(
                         {"IE", "FIREFOX", "FOXMAIL", "ICQ", "MSN", "SKYPE", "SHARE", "EMULE", "BITCOMET"}));
    EXPECT_EQ(Positions, QSet<int>({1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(CountRows("FUNC_DEF"), 9);
}

TEST_F(DBManagerTest, CatalogueCodeIsFoundInAnyLetterCase)
{
    const auto Row = DbReadRow(GetConnection(), "FUNC_DEF", {"FUNC_CODE", "eMule"});
    ASSERT_TRUE(Row.has_value());
    EXPECT_EQ(Row->value("FUNC_CODE").toString(), "EMULE");
}

TEST_F(DBManagerTest, FirstSaveInsertsAndSecondSaveUpdatesTheSameRow)
{
    const QSqlDatabase Db = GetConnection();
    EXPECT_FALSE(DbReadLocRow(Db, "IP_ADDR", LocA).has_value());

    ASSERT_TRUE(DbSaveRow(Db, "IP_ADDR", {"LOC_ID", LocA},
                          {{"ENABLE_DHCP", true}, {"IP_ADDR", "10.0.0.2"}, {"REPAIR_INTERVAL", 5}},
                          TKeyOnUpdate::Write));
    EXPECT_EQ(CountRows("IP_ADDR"), 1);

    ASSERT_TRUE(DbSaveRow(Db, "IP_ADDR", {"LOC_ID", LocA},
                          {{"ENABLE_DHCP", false}, {"IP_ADDR", "10.0.0.3"}, {"REPAIR_INTERVAL", 6}},
                          TKeyOnUpdate::Write));
    EXPECT_EQ(CountRows("IP_ADDR"), 1);
    const auto Row = DbReadLocRow(Db, "IP_ADDR", LocA);
    ASSERT_TRUE(Row.has_value());
    EXPECT_FALSE(Row->value("ENABLE_DHCP").toBool());
    EXPECT_EQ(Row->value("IP_ADDR").toString(), "10.0.0.3");
    EXPECT_EQ(Row->value("REPAIR_INTERVAL").toInt(), 6);
}

// The key matches in any letter case, so whether an update rewrites it is visible.
TEST_F(DBManagerTest, UpdateWritesTheKeyOnlyWhenAsked)
{
    const QSqlDatabase Db = GetConnection();
    for (const TKeyOnUpdate Mode : {TKeyOnUpdate::Keep, TKeyOnUpdate::Write}) {
        ASSERT_TRUE(DbSaveRow(Db, "LOCATION", {"LOC_ID", LocA}, {{"LOC_NAME", "Home"}}, Mode));
        ASSERT_TRUE(DbSaveRow(Db, "LOCATION", {"LOC_ID", LocA.toLower()}, {{"LOC_NAME", "Office"}}, Mode));
        const auto Row = DbReadLocRow(Db, "LOCATION", LocA);
        ASSERT_TRUE(Row.has_value());
        EXPECT_EQ(Row->value("LOC_ID").toString(), Mode == TKeyOnUpdate::Write ? LocA.toLower() : LocA);
        EXPECT_EQ(Row->value("LOC_NAME").toString(), "Office");
        EXPECT_EQ(CountRows("LOCATION"), 1);
        ASSERT_TRUE(DbDeleteRows(Db, "LOCATION", {"LOC_ID", LocA}));
    }
}

TEST_F(DBManagerTest, DeleteRemovesOnlyTheRowsOfItsKey)
{
    const QSqlDatabase Db = GetConnection();
    for (const QString &Id : {LocA, LocB})
        ASSERT_TRUE(DbSaveRow(Db, "FS_PROXY", {"LOC_ID", Id}, {{"ENABLE_PROXY", true}}, TKeyOnUpdate::Write));

    EXPECT_TRUE(DbDeleteRows(Db, "FS_PROXY", {"LOC_ID", "NOSUCHLOCATION"}));
    EXPECT_EQ(CountRows("FS_PROXY"), 2);

    EXPECT_TRUE(DbDeleteRows(Db, "FS_PROXY", {"LOC_ID", LocA}));
    EXPECT_FALSE(DbReadLocRow(Db, "FS_PROXY", LocA).has_value());
    EXPECT_TRUE(DbReadLocRow(Db, "FS_PROXY", LocB).has_value());
}

TEST_F(DBManagerTest, DeleteRefusesAKeyHoldingAQuote)
{
    const QSqlDatabase Db = GetConnection();
    ASSERT_TRUE(DbSaveRow(Db, "IE_PROXY", {"LOC_ID", LocA}, {}, TKeyOnUpdate::Write));
    QString Error;
    EXPECT_FALSE(DbDeleteRows(Db, "IE_PROXY", {"LOC_ID", "x' OR 'a'='a"}, &Error));
    EXPECT_FALSE(Error.isEmpty());
    EXPECT_EQ(CountRows("IE_PROXY"), 1);
}

TEST_F(DBManagerTest, DatabaseErrorsComeBackAsFalseWithTheirText)
{
    const QSqlDatabase Db = GetConnection();
    QString Error;
    EXPECT_FALSE(
        DbSaveRow(Db, "IE_PROXY", {"LOC_ID", LocA}, {{"NO_SUCH_COLUMN", 1}}, TKeyOnUpdate::Write, &Error));
    EXPECT_FALSE(Error.isEmpty());
    EXPECT_EQ(CountRows("IE_PROXY"), 0);

    Error.clear();
    EXPECT_FALSE(DbReadLocRow(Db, "NO_SUCH_TABLE", LocA, &Error).has_value());
    EXPECT_FALSE(Error.isEmpty());

    Error.clear();
    EXPECT_FALSE(DbDeleteRows(Db, "NO_SUCH_TABLE", {"LOC_ID", LocA}, &Error));
    EXPECT_FALSE(Error.isEmpty());

    EXPECT_FALSE(DbReadLocRow(QSqlDatabase(), "IE_PROXY", LocA, &Error).has_value());
    EXPECT_FALSE(DbSaveRow(QSqlDatabase(), "IE_PROXY", {"LOC_ID", LocA}, {}, TKeyOnUpdate::Write));
}

TEST_F(DBManagerTest, SecondCallReturnsTheSameOpenConnection)
{
    const QSqlDatabase First = GetConnection();
    const QSqlDatabase Second = GetConnection();
    ASSERT_TRUE(First.isOpen());
    EXPECT_TRUE(Second.isOpen());
    EXPECT_EQ(First.connectionName(), Second.connectionName());
    EXPECT_EQ(SqliteHandle(First), SqliteHandle(Second));
    EXPECT_EQ(FFailures, 0);
}

TEST_F(DBManagerTest, ClosedConnectionIsReopened)
{
    GetConnection().close();
    EXPECT_TRUE(GetConnection().isOpen());
    EXPECT_EQ(CountRows("FUNC_DEF"), 9);
    EXPECT_EQ(FFailures, 0);
}

TEST_F(DBManagerTest, LocationConnectionFollowsTheSharedConnection)
{
    SetLocationConnection(GetConnection());
    EXPECT_EQ(SqliteHandle(LocationConnection()), SqliteHandle(GetConnection()));
    EXPECT_TRUE(CloseConnection());
    EXPECT_FALSE(LocationConnection().isOpen());
    const QSqlDatabase Reopened = GetConnection();
    EXPECT_EQ(SqliteHandle(LocationConnection()), SqliteHandle(Reopened));
    SetLocationConnection(QSqlDatabase());
}

struct TSecondProcess
{
    const char *Name;
    std::function<TRun(const TTestRoot &)> Start;
};

QString Sqlite3() { return QStandardPaths::findExecutable("sqlite3"); }

const QList<TSecondProcess> &SecondProcesses()
{
    static const QList<TSecondProcess> Processes{
        {"program",
         [](const TTestRoot &Root) {
             return Run(WAYFAREL_BIN_DIR "/dbprobe", {Root.DataFolder(), LocB});
         }},
        {"reader",
         [](const TTestRoot &Root) {
             return Run(Sqlite3(), {Root.DataFile(), "SELECT COUNT(*) FROM FUNC_DEF"});
         }},
        {"writer",
         [](const TTestRoot &Root) {
             return Run(Sqlite3(), {Root.DataFile(), "UPDATE FUNC_DEF SET FUNC_POS=FUNC_POS"});
         }},
    };
    return Processes;
}

TEST_F(DBManagerTest, NoOtherProcessReadsOrWritesWhileTheConnectionIsHeld)
{
    WAYFAREL_REQUIRE_LAB(!Sqlite3().isEmpty(), "the sqlite3 command is not installed");
    ASSERT_TRUE(GetConnection().isOpen());
    for (const TSecondProcess &Process : SecondProcesses()) {
        SCOPED_TRACE(Process.Name);
        const TRun Result = Process.Start(FRoot);
        EXPECT_NE(Result.ExitCode, 0);
        EXPECT_NE(Result.ExitCode, -1) << Result.Err.toStdString();
    }
    const TRun Program = SecondProcesses().first().Start(FRoot);
    EXPECT_EQ(Program.ExitCode, 1);
    EXPECT_TRUE(Program.Err.contains("Error")) << Program.Err.toStdString();
    EXPECT_TRUE(Program.Err.contains("qtm.dat")) << Program.Err.toStdString();
    EXPECT_FALSE(DbReadLocRow(GetConnection(), "LOCATION", LocB).has_value());

    ASSERT_TRUE(CloseConnection());
    for (const TSecondProcess &Process : SecondProcesses()) {
        SCOPED_TRACE(Process.Name);
        const TRun Result = Process.Start(FRoot);
        EXPECT_EQ(Result.ExitCode, 0) << Result.Err.toStdString();
    }
    EXPECT_TRUE(DbReadLocRow(GetConnection(), "LOCATION", LocB).has_value());
    QSqlQuery Check(GetConnection());
    ASSERT_TRUE(Check.exec("PRAGMA integrity_check") && Check.next());
    EXPECT_EQ(Check.value(0).toString(), "ok");
}

TEST_F(DBManagerTest, MissingDataFileFailsOnceAndIsNotCreated)
{
    ASSERT_TRUE(QFile::remove(FRoot.DataFile()));
    EXPECT_FALSE(GetConnection().isOpen());
    EXPECT_EQ(FFailures, 1);
    EXPECT_FALSE(QFile::exists(FRoot.DataFile()));
}

struct TBadFile
{
    const char *Name;
    std::function<void(const QString &Path)> Make;
};

TEST_F(DBManagerTest, FileThatIsNoProfileDatabaseFailsAndStaysUntouched)
{
    const QList<TBadFile> Cases{
        {"text",
         [](const QString &Path) {
             WriteFile(Path, QByteArray("[Strings]\nthis is not a database\n").repeated(40));
         }},
        {"empty", [](const QString &Path) { WriteFile(Path, {}); }},
        {"folder",
         [](const QString &Path) {
             QFile::remove(Path);
             ASSERT_TRUE(QDir().mkpath(Path));
         }},
        {"other database",
         [](const QString &Path) {
             QFile::remove(Path);
             {
                 QSqlDatabase Other = QSqlDatabase::addDatabase("QSQLITE", "other");
                 Other.setDatabaseName(Path);
                 ASSERT_TRUE(Other.open());
                 QSqlQuery(Other).exec("CREATE TABLE LOCATION (LOC_ID TEXT)");
                 Other.close();
             }
             QSqlDatabase::removeDatabase("other");
         }},
    };
    for (const TBadFile &Case : Cases) {
        SCOPED_TRACE(Case.Name);
        Case.Make(FRoot.DataFile());
        const QByteArray Before = ReadFile(FRoot.DataFile());
        FFailures = 0;
        EXPECT_FALSE(GetConnection().isOpen());
        EXPECT_EQ(FFailures, 1);
        EXPECT_EQ(ReadFile(FRoot.DataFile()), Before);
        EXPECT_FALSE(QFile::exists(FRoot.DataFile() + "-journal"));
        CloseConnection();
        QDir(FRoot.DataFile()).removeRecursively();
        QFile::remove(FRoot.DataFile());
    }
}

// Root reads every file, so the opening runs as a user without rights to it.
TEST_F(DBManagerTest, UnreadableDataFileFails)
{
    FRoot.OpenToOthers();
    ASSERT_TRUE(QFile::setPermissions(FRoot.DataFile(), QFileDevice::Permissions()));
    const int Outcome = RunUnprivileged([this] {
        const bool Opened = GetConnection().isOpen();
        return Opened ? 1 : FFailures == 1 ? 0 : 2;
    });
    EXPECT_EQ(Outcome, 0);
}

TEST_F(DBManagerTest, ReadOnlyDataFileOrFolderFailsAndStaysUntouched)
{
    const auto ReadOnly = QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    const auto Writable =
        ReadOnly | QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    const auto Executable = QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther;
    const struct
    {
        const char *Name;
        QFileDevice::Permissions File, Folder;
    } Cases[] = {
        {"file", ReadOnly, Writable | Executable},
        {"folder", Writable, ReadOnly | Executable},
    };
    FRoot.OpenToOthers();
    const QByteArray Before = ReadFile(FRoot.DataFile());
    for (const auto &Case : Cases) {
        SCOPED_TRACE(Case.Name);
        ASSERT_TRUE(QFile::setPermissions(FRoot.DataFile(), Case.File));
        ASSERT_TRUE(QFile::setPermissions(FRoot.DataFolder(), Case.Folder));
        // 0: refused once, as unusable; 1: opened; 2: refused more than once.
        const int Outcome = RunUnprivileged([this] {
            const bool Opened = GetConnection().isOpen();
            return Opened ? 1 : FFailures == 1 ? 0 : 2;
        });
        EXPECT_EQ(Outcome, 0);
        EXPECT_EQ(ReadFile(FRoot.DataFile()), Before);
        EXPECT_FALSE(QFile::exists(FRoot.DataFile() + "-journal"));
    }
    ASSERT_TRUE(QFile::setPermissions(FRoot.DataFolder(), QFile::permissions(FRoot.Path())));
}

TEST_F(DBManagerTest, MissingDataFileIsMadeFromTheTemplateOnlyWhenAsked)
{
    ASSERT_TRUE(QFile::remove(FRoot.DataFile()));
    InitConnectionString(FRoot.DataFolder(), {WAYFAREL_DATA_TEMPLATE, false});
    EXPECT_FALSE(GetConnection().isOpen());
    EXPECT_FALSE(QFile::exists(FRoot.DataFile()));

    InitConnectionString(FRoot.DataFolder(), {WAYFAREL_DATA_TEMPLATE, true});
    EXPECT_TRUE(GetConnection().isOpen());
    EXPECT_EQ(CountRows("FUNC_DEF"), 9);
    EXPECT_EQ(PermissionBits(FRoot.DataFile()), 0600u);
    EXPECT_EQ(FFailures, 1);
}

TEST_F(DBManagerTest, ProgramDataFileIsBesideAWritableProgram)
{
    const QString Program = QDir(FRoot.Path()).filePath("program") + '/';
    ASSERT_TRUE(QDir().mkpath(Program));
    ASSERT_TRUE(QFile::copy(WAYFAREL_DATA_TEMPLATE, DataFileTemplatePath(Program)));
    InitProgramConnectionString(Program);
    EXPECT_EQ(ConnectionString(), Program + "qtm.dat");
    EXPECT_TRUE(GetConnection().isOpen());
    EXPECT_EQ(CountRows("FUNC_DEF"), 9);
}

// An installed program: a folder its user cannot write, the template beside it.
TEST_F(DBManagerTest, ProgramDataFileOfAnInstalledProgramIsMadeInTheDataHome)
{
    const QString Program = QDir(FRoot.Path()).filePath("program") + '/';
    ASSERT_TRUE(QDir().mkpath(Program));
    ASSERT_TRUE(QFile::copy(WAYFAREL_DATA_TEMPLATE, DataFileTemplatePath(Program)));
    FRoot.OpenToOthers();
    const auto ReadOnlyFolder = QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::ExeOther;
    ASSERT_TRUE(QFile::setPermissions(Program, ReadOnlyFolder));
    ASSERT_TRUE(QFile::setPermissions(FRoot.DataHome(), QFileDevice::Permissions(0x7777)));
    const QString Made = FRoot.DataHome() + "/wayfarel/qtm.dat";

    const int Outcome = RunUnprivileged([&] {
        InitProgramConnectionString(Program);
        return ConnectionString() == Made && GetConnection().isOpen() ? 0 : 1;
    });
    EXPECT_EQ(Outcome, 0);
    EXPECT_FALSE(QFile::exists(Program + "qtm.dat"));
    EXPECT_EQ(ReadFile(Made), ReadFile(WAYFAREL_DATA_TEMPLATE));
    EXPECT_EQ(PermissionBits(Made), 0600u);
    EXPECT_EQ(PermissionBits(FRoot.DataHome() + "/wayfarel"), 0700u);
}

// A newer template in a scratch folder: the shipped one with a column, a table, an index and
// a module more.
class DBUpgradeTest : public DBManagerTest
{
protected:
    void SetUp() override
    {
        DBManagerTest::SetUp();
        FTemplate = QDir(FRoot.Path()).filePath("newer.template");
        ASSERT_TRUE(QFile::copy(WAYFAREL_DATA_TEMPLATE, FTemplate));
        ASSERT_TRUE(QFile::setPermissions(FTemplate, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    }

    // As a build of a changed schema does, the template gets a schema version of its own.
    void ChangeTemplate(QStringList Statements)
    {
        Statements.prepend(QStringLiteral("PRAGMA user_version = %1").arg(SchemaVersion(FTemplate) + 1));
        {
            QSqlDatabase Db = QSqlDatabase::addDatabase("QSQLITE", "template");
            Db.setDatabaseName(FTemplate);
            ASSERT_TRUE(Db.open());
            for (const QString &Statement : Statements) {
                QSqlQuery Query(Db);
                ASSERT_TRUE(Query.exec(Statement)) << Query.lastError().text().toStdString();
            }
            Db.close();
        }
        QSqlDatabase::removeDatabase("template");
    }

    // Stores the user's rows: two locations with their addresses, a rearranged catalogue.
    void StoreUserRows()
    {
        const QSqlDatabase Db = GetConnection();
        for (const QString &Id : {LocA, LocB}) {
            ASSERT_TRUE(
                DbSaveRow(Db, "LOCATION", {"LOC_ID", Id}, {{"LOC_NAME", "Name " + Id}}, TKeyOnUpdate::Write));
            ASSERT_TRUE(DbSaveRow(Db, "IP_ADDR", {"LOC_ID", Id},
                                  {{"IP_ADDR", "10.0.0.2"}, {"AUTO_REPAIR", true}}, TKeyOnUpdate::Write));
        }
        ASSERT_TRUE(DbSaveRow(Db, "FUNC_DEF", {"FUNC_CODE", "IE"},
                              {{"FUNC_EANBLED", false}, {"FUNC_POS", 12}}, TKeyOnUpdate::Keep));
        ASSERT_TRUE(CloseConnection());
    }

    QString FTemplate;
};

QMap<QString, QStringList> TableShapes(const QSqlDatabase &Db)
{
    QMap<QString, QStringList> Shapes;
    for (const QString &Table : Db.tables()) {
        QSqlQuery Query(Db);
        EXPECT_TRUE(Query.exec("PRAGMA table_info(" + Table + ")"));
        while (Query.next())
            Shapes[Table].append(QStringList{Query.value("name").toString(), Query.value("type").toString(),
                                             Query.value("notnull").toString(),
                                             Query.value("dflt_value").toString()}
                                     .join('|'));
        Shapes[Table].sort();
    }
    return Shapes;
}

TEST_F(DBUpgradeTest, OlderDataFileGetsTheNewPartsAndKeepsEveryRow)
{
    StoreUserRows();
    ChangeTemplate({"ALTER TABLE LOCATION ADD COLUMN LOC_ICON TEXT COLLATE NOCASE",
                    "ALTER TABLE IP_ADDR ADD COLUMN MTU INTEGER NOT NULL DEFAULT 1500",
                    "CREATE TABLE VPN_PROXY (LOC_ID TEXT COLLATE NOCASE NOT NULL PRIMARY KEY, SERVER TEXT)",
                    "CREATE INDEX VPN_PROXY_SERVER ON VPN_PROXY (SERVER)",
                    "INSERT INTO FUNC_DEF VALUES ('VPN', 'VPN', 1, 10)"});

    InitConnectionString(FRoot.DataFolder(), {FTemplate, false});
    const QSqlDatabase Db = GetConnection();
    ASSERT_TRUE(Db.isOpen());
    EXPECT_EQ(FFailures, 0);
    EXPECT_EQ(CountRows("LOCATION"), 2);
    EXPECT_EQ(CountRows("IP_ADDR"), 2);
    for (const QString &Id : {LocA, LocB}) {
        const auto Location = DbReadLocRow(Db, "LOCATION", Id);
        ASSERT_TRUE(Location.has_value());
        EXPECT_EQ(Location->value("LOC_NAME").toString(), "Name " + Id);
        EXPECT_TRUE(Location->value("LOC_ICON").isNull());
        const auto Address = DbReadLocRow(Db, "IP_ADDR", Id);
        ASSERT_TRUE(Address.has_value());
        EXPECT_EQ(Address->value("IP_ADDR").toString(), "10.0.0.2");
        EXPECT_TRUE(Address->value("AUTO_REPAIR").toBool());
        EXPECT_EQ(Address->value("MTU").toInt(), 1500);
    }
    const auto Ie = DbReadRow(Db, "FUNC_DEF", {"FUNC_CODE", "IE"});
    ASSERT_TRUE(Ie.has_value());
    EXPECT_FALSE(Ie->value("FUNC_EANBLED").toBool());
    EXPECT_EQ(Ie->value("FUNC_POS").toInt(), 12);
    const auto Vpn = DbReadRow(Db, "FUNC_DEF", {"FUNC_CODE", "vpn"});
    ASSERT_TRUE(Vpn.has_value());
    EXPECT_EQ(Vpn->value("FUNC_POS").toInt(), 13);
    EXPECT_EQ(CountRows("FUNC_DEF"), 10);
    // The added text column compares as every other one does.
    ASSERT_TRUE(DbSaveRow(Db, "LOCATION", {"LOC_ID", LocA}, {{"LOC_ICON", "Home"}}, TKeyOnUpdate::Keep));
    EXPECT_TRUE(DbReadRow(Db, "LOCATION", {"LOC_ICON", "HOME"}).has_value());
    QSqlQuery Index(Db);
    ASSERT_TRUE(Index.exec("SELECT COUNT(*) FROM sqlite_master WHERE name='VPN_PROXY_SERVER'") &&
                Index.next());
    EXPECT_EQ(Index.value(0).toInt(), 1);

    QMap<QString, QStringList> Expected;
    {
        QSqlDatabase Newer = QSqlDatabase::addDatabase("QSQLITE", "newer");
        Newer.setDatabaseName(FTemplate);
        ASSERT_TRUE(Newer.open());
        Expected = TableShapes(Newer);
        Newer.close();
    }
    QSqlDatabase::removeDatabase("newer");
    EXPECT_EQ(TableShapes(Db), Expected);
}

TEST_F(DBUpgradeTest, UpToDateDataFileIsLeftAsItIs)
{
    StoreUserRows();
    const QByteArray Before = ReadFile(FRoot.DataFile());
    InitConnectionString(FRoot.DataFolder(), {FTemplate, true});
    ASSERT_TRUE(GetConnection().isOpen());
    ASSERT_TRUE(CloseConnection());
    EXPECT_EQ(ReadFile(FRoot.DataFile()), Before);
    EXPECT_EQ(FFailures, 0);
}

// The comparison runs once per template version: the upgraded file carries the template's
// version, and a file of that version is opened without reading the template's schema.
TEST_F(DBUpgradeTest, DataFileOfTheTemplatesVersionIsNotComparedAgain)
{
    EXPECT_GT(SchemaVersion(FTemplate), 0) << "the build gives the template a schema version";
    StoreUserRows();
    ChangeTemplate({"CREATE TABLE VPN_PROXY (LOC_ID TEXT COLLATE NOCASE NOT NULL PRIMARY KEY)"});
    InitConnectionString(FRoot.DataFolder(), {FTemplate, false});
    ASSERT_TRUE(GetConnection().isOpen());
    EXPECT_EQ(SchemaVersion(GetConnection()), SchemaVersion(FTemplate));
    ASSERT_TRUE(CloseConnection());

    ChangeTemplate({"CREATE TABLE VPN_RULE (LOC_ID TEXT)",
                    QStringLiteral("PRAGMA user_version = %1").arg(SchemaVersion(FRoot.DataFile()))});
    InitConnectionString(FRoot.DataFolder(), {FTemplate, false});
    ASSERT_TRUE(GetConnection().isOpen());
    EXPECT_TRUE(GetConnection().tables().contains("VPN_PROXY"));
    EXPECT_FALSE(GetConnection().tables().contains("VPN_RULE")) << "the same version was compared again";
    EXPECT_EQ(FFailures, 0);
}

// A column SQLite cannot add to a table with rows: the whole upgrade is undone.
TEST_F(DBUpgradeTest, UpgradeThatCannotBeDoneFailsAndChangesNothing)
{
    StoreUserRows();
    ChangeTemplate({"CREATE TABLE VPN_PROXY (LOC_ID TEXT)", "DROP TABLE LOCATION",
                    "CREATE TABLE LOCATION (LOC_ID TEXT, LOC_KEY TEXT NOT NULL)"});
    const QByteArray Before = ReadFile(FRoot.DataFile());
    InitConnectionString(FRoot.DataFolder(), {FTemplate, false});
    EXPECT_FALSE(GetConnection().isOpen());
    EXPECT_EQ(FFailures, 1);
    CloseConnection();
    EXPECT_EQ(ReadFile(FRoot.DataFile()), Before);
}

TEST_F(DBUpgradeTest, MissingTemplateLeavesTheDataFileAsItIs)
{
    InitConnectionString(FRoot.DataFolder(), {QDir(FRoot.Path()).filePath("none"), false});
    EXPECT_TRUE(GetConnection().isOpen());
    EXPECT_EQ(CountRows("FUNC_DEF"), 9);
}

// Only the schema upgrade, which adds what a newer template has, changes the schema.
TEST(DBManagerSources, OnlyTheUpgradeChangesTheSchema)
{
    const QRegularExpression Ddl(R"(\b(CREATE|ALTER|DROP)\s+(TABLE|INDEX|VIEW|TRIGGER)\b)",
                                 QRegularExpression::CaseInsensitiveOption);
    QDirIterator Files(WAYFAREL_SOURCE_DIR "/src", {"*.cpp", "*.h"}, QDir::Files,
                       QDirIterator::Subdirectories);
    while (Files.hasNext()) {
        const QString Path = Files.next();
        if (QFileInfo(Path).baseName() == "DBSchema")
            continue;
        EXPECT_FALSE(Ddl.match(QString::fromUtf8(ReadFile(Path))).hasMatch()) << Path.toStdString();
    }
}

} // namespace
