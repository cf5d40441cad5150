#include "transfer/CarriedRows.h"

#include "app/IdGen.h"

#include <QJsonValue>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

const QString LocIdColumn = QStringLiteral("LOC_ID");
constexpr int RowIdLength = 32;

QJsonValue JsonValue(const QVariant &Stored, TDbFieldType Type)
{
    switch (Type) {
    case TDbFieldType::Flag:
        return Stored.toInt() != 0;
    case TDbFieldType::Number:
        return Stored.toInt();
    case TDbFieldType::Text:
        break;
    }
    return Stored.toString();
}

QString SelectStatement(const TCarriedTable &Table)
{
    QStringList Columns;
    for (const TCarriedColumn &Column : Table.Columns)
        Columns.append(Column.Name);
    const QString Order = Table.PositionColumn.isEmpty() ? QStringLiteral("rowid") : Table.PositionColumn;
    return QStringLiteral("SELECT %1 FROM %2 WHERE LOC_ID=:LOCID ORDER BY %3")
        .arg(Columns.join(QLatin1Char(',')), Table.Table, Order);
}

QJsonObject RowObject(const QSqlRecord &Record, const TCarriedTable &Table, bool WithPasswords)
{
    QJsonObject Row;
    for (const TCarriedColumn &Column : Table.Columns)
        if (WithPasswords || !IsPasswordColumn(Column.Name))
            Row.insert(Column.Name, JsonValue(Record.value(Column.Name), Column.Type));
    return Row;
}

bool Failed(const QString &Reason, QString *Error)
{
    if (Error)
        *Error = Reason;
    return false;
}

} // namespace

bool ReadCarriedRows(const QSqlDatabase &Db, const TCarriedTable &Table, const QString &LocId,
                     bool WithPasswords, QList<QJsonObject> &Rows, QString *Error)
{
    QSqlQuery Query(Db);
    Query.prepare(SelectStatement(Table));
    Query.bindValue(QStringLiteral(":LOCID"), LocId);
    if (!Query.exec())
        return Failed(Query.lastError().text(), Error);
    while (Query.next() && (Table.List || Rows.isEmpty()))
        Rows.append(RowObject(Query.record(), Table, WithPasswords));
    return true;
}

bool StoreCarriedRow(const QSqlDatabase &Db, const TCarriedTable &Table, const QString &LocId,
                     qsizetype Place, const TDbColumns &Columns, QString *Error)
{
    if (!Table.List)
        return DbSaveRow(Db, Table.Table, {LocIdColumn, LocId}, Columns, TKeyOnUpdate::Write, Error);
    TDbColumns WithLocation = Columns;
    if (!Table.PositionColumn.isEmpty()) {
        WithLocation.prepend({Table.PositionColumn, Place + 1});
        return DbInsertRow(Db, Table.Table, {LocIdColumn, LocId}, WithLocation, Error);
    }
    WithLocation.prepend({LocIdColumn, LocId});
    return DbSaveRow(Db, Table.Table, {QStringLiteral("ID"), GenerateId(RowIdLength)}, WithLocation,
                     TKeyOnUpdate::Keep, Error);
}

bool RemoveCarriedRows(const QSqlDatabase &Db, const TCarriedTable &Table, const QString &LocId,
                       QString *Error)
{
    for (const QString &First : Table.RemoveFirst)
        if (!DbDeleteRows(Db, First, {LocIdColumn, LocId}, Error))
            return false;
    return DbDeleteRows(Db, Table.Table, {LocIdColumn, LocId}, Error);
}
