#include "app/DBManager.h"

#include "app/uLanguages.h"
#include "platform/MessageBox.h"

#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
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

// Locking mode EXCLUSIVE keeps the lock of the first transaction until the connection
// closes; BEGIN EXCLUSIVE takes the write lock at once, so no other process can read or
// write the file from here on. A zero busy timeout makes a held file fail immediately.
bool OpenExclusive(QSqlDatabase &Db)
{
    Db.setDatabaseName(DataFileUri());
    Db.setConnectOptions("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=0");
    if (!Db.open())
        return false;
    QSqlQuery Query(Db);
    return Query.exec("PRAGMA locking_mode=EXCLUSIVE") && Query.exec("BEGIN EXCLUSIVE") &&
           IsProfileDatabase(Db) && Query.exec("COMMIT");
}

} // namespace

void InitConnectionString(const QString &Folder) { DataFile() = Folder + "qtm.dat"; }

QString ConnectionString() { return DataFile(); }

QSqlDatabase GetConnection()
{
    if (!QSqlDatabase::contains(ConnectionName))
        QSqlDatabase::addDatabase("QSQLITE", ConnectionName);
    QSqlDatabase Db = QSqlDatabase::database(ConnectionName, false);
    if (Db.isOpen())
        return Db;
    if (!OpenExclusive(Db)) {
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
