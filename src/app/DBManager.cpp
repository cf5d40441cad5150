#include "app/DBManager.h"

#include "app/DBSchema.h"
#include "app/uLanguages.h"
#include "platform/desktop/MessageBox.h"

#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QUrl>
#include <cstdio>
#include <cstdlib>

namespace {

const QString ConnectionName = QStringLiteral("qtm");

QString &DataFile()
{
    static QString Path;
    return Path;
}

TDataFileTemplate &KnownTemplate()
{
    static TDataFileTemplate Source;
    return Source;
}

// The location model's reference is kept by name, so it always reaches the live connection
// and nothing of the driver outlives the program's own shutdown.
QString &LocationConnectionName()
{
    static QString Name;
    return Name;
}

void ReportDataFileUnusable()
{
    TMessageBox::Show(GetLangStr("EN", "20", "Can not find data file 'qtm.dat', please reinstall Wayfarel!"),
                      "Error", TMsgIcon::Error);
    std::fflush(nullptr);
    std::_Exit(1);
}

TOpenFailureHandler &FailureHandler()
{
    static TOpenFailureHandler Handler = ReportDataFileUnusable;
    return Handler;
}

// mode=rw: a missing file is an error, never silently replaced by an empty database.
QString DataFileUri()
{
    const QString Path = QFileInfo(DataFile()).absoluteFilePath();
    return QUrl::fromLocalFile(Path).toString(QUrl::FullyEncoded) + "?mode=rw";
}

bool IsProfileDatabase(const QSqlDatabase &Db)
{
    QSqlQuery Query(Db);
    return Query.exec("SELECT COUNT(*) FROM sqlite_master WHERE type='table'"
                      " AND name IN ('FUNC_DEF', 'LOCATION')") &&
           Query.next() && Query.value(0).toInt() == 2;
}

// SQLite opens a file it may not write read-only without a word, and only the first write
// fails; the file and its folder (for the journal) are checked up front instead.
bool IsWritable(const QString &Path)
{
    const QFileInfo File(Path);
    return File.isWritable() && QFileInfo(File.absolutePath()).isWritable();
}

// A program without its template still opens a data file it finds, as it is. A data file of
// the template's schema version has been brought up to it before: it is not compared again.
bool BringUpToTemplate(QSqlDatabase &Db)
{
    const QString &Template = KnownTemplate().Path;
    if (Template.isEmpty())
        return true;
    const int Version = SchemaVersion(Template);
    if (Version >= 0 && SchemaVersion(Db) == Version)
        return true;
    TDbSchema Schema;
    if (!ReadTemplateSchema(Template, Schema))
        return true;
    return UpgradeSchema(Db, Schema) && (Version < 0 || SetSchemaVersion(Db, Version));
}

// Locking mode EXCLUSIVE keeps the lock of the first transaction until the connection
// closes; BEGIN EXCLUSIVE takes the write lock at once, so no other process can read or
// write the file from here on. A zero busy timeout makes a held file fail immediately.
bool OpenExclusive(QSqlDatabase &Db)
{
    if (!IsWritable(DataFile()))
        return false;
    Db.setDatabaseName(DataFileUri());
    Db.setConnectOptions("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=0");
    if (!Db.open())
        return false;
    QSqlQuery Query(Db);
    if (!Query.exec("PRAGMA locking_mode=EXCLUSIVE") || !Query.exec("BEGIN EXCLUSIVE"))
        return false;
    if (IsProfileDatabase(Db) && BringUpToTemplate(Db) && Query.exec("COMMIT"))
        return true;
    Query.exec("ROLLBACK");
    return false;
}

bool ProvideDataFile()
{
    return !KnownTemplate().MakeMissing || MakeDataFile(DataFile(), KnownTemplate().Path);
}

} // namespace

void InitConnectionString(const QString &Folder, const TDataFileTemplate &Template)
{
    DataFile() = Folder + "qtm.dat";
    KnownTemplate() = Template;
}

QString ConnectionString() { return DataFile(); }

QString DataFileTemplatePath(const QString &ProgramFolder) { return ProgramFolder + "qtm.dat.template"; }

void InitProgramConnectionString(const QString &ProgramFolder)
{
    const QString Folder =
        QFileInfo(ProgramFolder).isWritable()
            ? ProgramFolder
            : QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/wayfarel/";
    InitConnectionString(Folder, {DataFileTemplatePath(ProgramFolder), true});
}

QSqlDatabase GetConnection()
{
    if (!QSqlDatabase::contains(ConnectionName))
        QSqlDatabase::addDatabase("QSQLITE", ConnectionName);
    QSqlDatabase Db = QSqlDatabase::database(ConnectionName, false);
    if (Db.isOpen())
        return Db;
    if (!ProvideDataFile() || !OpenExclusive(Db)) {
        Db.close();
        FailureHandler()();
    }
    return Db;
}

bool CloseConnection()
{
    if (!QSqlDatabase::contains(ConnectionName))
        return true;
    bool Released = true;
    {
        QSqlDatabase Db = QSqlDatabase::database(ConnectionName, false);
        const QSqlError Before = Db.lastError();
        Db.close();
        Released = Db.lastError() == Before;
    }
    QSqlDatabase::removeDatabase(ConnectionName);
    return Released;
}

void SetLocationConnection(const QSqlDatabase &Connection)
{
    LocationConnectionName() = Connection.connectionName();
}

QSqlDatabase LocationConnection() { return QSqlDatabase::database(LocationConnectionName(), false); }

TOpenFailureHandler SetOpenFailureHandler(TOpenFailureHandler Handler)
{
    TOpenFailureHandler Previous = FailureHandler();
    FailureHandler() = Handler ? std::move(Handler) : ReportDataFileUnusable;
    return Previous;
}
