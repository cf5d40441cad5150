#pragma once

#include <QList>
#include <QPair>
#include <QSqlDatabase>
#include <QSqlRecord>
#include <QString>
#include <QVariant>
#include <optional>

// The few statement shapes every table access uses. Each runs one query on the given
// connection and frees it before returning; a database error never escapes: it makes the
// call fail and its text goes to Error when the caller asks for it.

// The column and value that pick a table's row: LOC_ID for per-location rows, ID for a
// share or a drive mapping.
struct TDbKey
{
    QString Column;
    QString Value;
};

// Columns to store, by name, in the order they are written.
using TDbColumns = QList<QPair<QString, QVariant>>;

// Whether an update writes the key column again (an insert always writes it).
enum class TKeyOnUpdate { Keep, Write };

// First record of "SELECT * FROM Table WHERE Key=:Key"; nothing when there is no such row
// or the query failed (then Error says why).
std::optional<QSqlRecord> DbReadRow(const QSqlDatabase &Db, const QString &Table, const TDbKey &Key,
                                    QString *Error = nullptr);

// The location's row of Table, selected by LOC_ID.
std::optional<QSqlRecord> DbReadLocRow(const QSqlDatabase &Db, const QString &Table, const QString &LocId,
                                       QString *Error = nullptr);

// Insert-or-update: without a row for Key a row is inserted with the key and Columns;
// otherwise the first row found gets Columns (and the key when KeyOnUpdate says so).
bool DbSaveRow(const QSqlDatabase &Db, const QString &Table, const TDbKey &Key, const TDbColumns &Columns,
               TKeyOnUpdate KeyOnUpdate, QString *Error = nullptr);

// "INSERT INTO Table" of the key and Columns, for a table keyed by more than one column.
bool DbInsertRow(const QSqlDatabase &Db, const QString &Table, const TDbKey &Key, const TDbColumns &Columns,
                 QString *Error = nullptr);

// "DELETE FROM Table WHERE Key='value'", run as a plain statement. Ids come from the id
// generator; a value holding a quote is refused before it reaches the statement. Deleting
// no row at all is a success.
bool DbDeleteRows(const QSqlDatabase &Db, const QString &Table, const TDbKey &Key, QString *Error = nullptr);
