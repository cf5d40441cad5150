#include "modules/ICQStore.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QVariant>

namespace {

// SQLite's "database is locked".
const QString BusyCode = QStringLiteral("5");

bool SetError(QString *Error, const QString &Text)
{
    if (Error)
        *Error = Text;
    return false;
}

bool Failure(const QSqlError &Reason, const QString &FileName, QString *Error)
{
    if (Reason.nativeErrorCode() == BusyCode)
        return SetError(Error,
                        QStringLiteral("%1 is held by another program (is ICQ running?)").arg(FileName));
    return SetError(Error, QStringLiteral("cannot update %1: %2").arg(FileName, Reason.text()));
}

bool Run(QSqlQuery &Query, const QString &Statement, const QString &FileName, QString *Error)
{
    return Query.exec(Statement) || Failure(Query.lastError(), FileName, Error);
}

// The rowid of the first matching record, or 0 when there is none.
bool FindRecord(QSqlQuery &Query, const QString &FileName, qint64 *RowId, QString *Error)
{
    if (!Run(Query,
             // Naming data makes a table without that column fail, whether a record matches or not.
             QStringLiteral(
                 "SELECT rowid, data FROM records WHERE section = 'ConnectionSettings' COLLATE BINARY "
                 "ORDER BY rowid LIMIT 1"),
             FileName, Error))
        return false;
    *RowId = Query.next() ? Query.value(0).toLongLong() : 0;
    return true;
}

bool UpdateRecord(QSqlQuery &Query, qint64 RowId, const QByteArray &Record, const QString &FileName,
                  QString *Error)
{
    if (!Query.prepare(QStringLiteral("UPDATE records SET data = :DATA WHERE rowid = :ROWID")))
        return Failure(Query.lastError(), FileName, Error);
    Query.bindValue(QStringLiteral(":DATA"), Record);
    Query.bindValue(QStringLiteral(":ROWID"), RowId);
    return Query.exec() || Failure(Query.lastError(), FileName, Error);
}

// One transaction that holds the file's exclusive lock from its start; rolled back on a failure.
bool ReplaceIn(QSqlDatabase &Db, const QString &FileName, const QByteArray &Record, bool *Replaced,
               QString *Error)
{
    QSqlQuery Query(Db);
    if (!Run(Query, QStringLiteral("PRAGMA locking_mode = EXCLUSIVE"), FileName, Error) ||
        !Run(Query, QStringLiteral("BEGIN EXCLUSIVE"), FileName, Error))
        return false;
    qint64 RowId = 0;
    if (FindRecord(Query, FileName, &RowId, Error) &&
        (RowId == 0 || UpdateRecord(Query, RowId, Record, FileName, Error)) &&
        Run(Query, QStringLiteral("COMMIT"), FileName, Error)) {
        *Replaced = RowId != 0;
        return true;
    }
    Query.exec(QStringLiteral("ROLLBACK"));
    return false;
}

} // namespace

bool ReplaceConnectionSettings(const QString &FileName, const QByteArray &Record, bool *Replaced,
                               QString *Error)
{
    static int Connections = 0;
    const QString Name = QStringLiteral("wayfarel-icq-%1").arg(++Connections);
    *Replaced = false;
    bool Done = false;
    {
        QSqlDatabase Db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), Name);
        // mode=rw: a store that went away is not made anew; no busy wait: a held file fails at once.
        Db.setDatabaseName(QUrl::fromLocalFile(FileName).toString(QUrl::FullyEncoded) +
                           QStringLiteral("?mode=rw"));
        Db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=0"));
        if (Db.open())
            Done = ReplaceIn(Db, FileName, Record, Replaced, Error);
        else
            SetError(Error, QStringLiteral("cannot open %1: %2").arg(FileName, Db.lastError().text()));
        Db.close();
    }
    QSqlDatabase::removeDatabase(Name);
    return Done;
}

bool IsSqliteFile(const QString &FileName)
{
    QFile File(FileName);
    return File.open(QIODevice::ReadOnly) && File.read(16) == QByteArray("SQLite format 3", 16);
}
