#include "app/DBQuery.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

namespace {

bool Fail(QString *Error, const QString &Text)
{
    if (Error)
        *Error = Text;
    return false;
}

bool Succeed(QString *Error)
{
    if (Error)
        Error->clear();
    return true;
}

bool Failed(const QSqlQuery &Query, QString *Error) { return Fail(Error, Query.lastError().text()); }

bool CheckOpen(const QSqlDatabase &Db, QString *Error)
{
    return Db.isOpen() || Fail(Error, QStringLiteral("The database connection is not open"));
}

// The parameter is named after its column without underscores (LOC_ID gives :LOCID).
QString KeyParameter(const TDbKey &Key) { return ':' + QString(Key.Column).remove('_'); }

bool SelectByKey(QSqlQuery &Query, const QString &Columns, const QString &Table, const TDbKey &Key,
                 QString *Error)
{
    Query.setForwardOnly(true);
    if (!Query.prepare(
            QString("SELECT %1 FROM %2 WHERE %3=%4").arg(Columns, Table, Key.Column, KeyParameter(Key))))
        return Failed(Query, Error);
    Query.bindValue(KeyParameter(Key), Key.Value);
    return Query.exec() || Failed(Query, Error);
}

bool ExecWithValues(QSqlQuery &Query, const QString &Statement, const QVariantList &Values, QString *Error)
{
    if (!Query.prepare(Statement))
        return Failed(Query, Error);
    for (const QVariant &Value : Values)
        Query.addBindValue(Value);
    return Query.exec() ? Succeed(Error) : Failed(Query, Error);
}

bool InsertRow(const QSqlDatabase &Db, const QString &Table, const TDbKey &Key, const TDbColumns &Columns,
               QString *Error)
{
    QStringList Names{Key.Column};
    QVariantList Values{Key.Value};
    for (const auto &[Name, Value] : Columns) {
        Names.append(Name);
        Values.append(Value);
    }
    QStringList Marks;
    Marks.fill(QStringLiteral("?"), Names.size());
    QSqlQuery Query(Db);
    return ExecWithValues(
        Query, QString("INSERT INTO %1 (%2) VALUES (%3)").arg(Table, Names.join(", "), Marks.join(", ")),
        Values, Error);
}

bool UpdateRow(const QSqlDatabase &Db, const QString &Table, const QVariant &RowId, const TDbColumns &Columns,
               QString *Error)
{
    if (Columns.isEmpty())
        return Succeed(Error);
    QStringList Assignments;
    QVariantList Values;
    for (const auto &[Name, Value] : Columns) {
        Assignments.append(Name + "=?");
        Values.append(Value);
    }
    Values.append(RowId);
    QSqlQuery Query(Db);
    return ExecWithValues(Query, QString("UPDATE %1 SET %2 WHERE rowid=?").arg(Table, Assignments.join(", ")),
                          Values, Error);
}

} // namespace

std::optional<QSqlRecord> DbReadRow(const QSqlDatabase &Db, const QString &Table, const TDbKey &Key,
                                    QString *Error)
{
    QSqlQuery Query(Db);
    if (!CheckOpen(Db, Error) || !SelectByKey(Query, "*", Table, Key, Error))
        return std::nullopt;
    Succeed(Error);
    if (!Query.next())
        return std::nullopt;
    return Query.record();
}

std::optional<QSqlRecord> DbReadLocRow(const QSqlDatabase &Db, const QString &Table, const QString &LocId,
                                       QString *Error)
{
    return DbReadRow(Db, Table, {QStringLiteral("LOC_ID"), LocId}, Error);
}

bool DbSaveRow(const QSqlDatabase &Db, const QString &Table, const TDbKey &Key, const TDbColumns &Columns,
               TKeyOnUpdate KeyOnUpdate, QString *Error)
{
    QSqlQuery Find(Db);
    if (!CheckOpen(Db, Error) || !SelectByKey(Find, "rowid", Table, Key, Error))
        return false;
    if (!Find.next())
        return InsertRow(Db, Table, Key, Columns, Error);
    const QVariant RowId = Find.value(0);
    Find.finish();
    TDbColumns Written = Columns;
    if (KeyOnUpdate == TKeyOnUpdate::Write)
        Written.prepend({Key.Column, Key.Value});
    return UpdateRow(Db, Table, RowId, Written, Error);
}

bool DbInsertRow(const QSqlDatabase &Db, const QString &Table, const TDbKey &Key, const TDbColumns &Columns,
                 QString *Error)
{
    return CheckOpen(Db, Error) && InsertRow(Db, Table, Key, Columns, Error);
}

bool DbDeleteRows(const QSqlDatabase &Db, const QString &Table, const TDbKey &Key, QString *Error)
{
    if (!CheckOpen(Db, Error))
        return false;
    if (Key.Value.contains('\''))
        return Fail(Error, QStringLiteral("Refused a key holding a quote: ") + Key.Value);
    QSqlQuery Query(Db);
    return Query.exec(QString("DELETE FROM %1 WHERE %2='%3'").arg(Table, Key.Column, Key.Value))
               ? Succeed(Error)
               : Failed(Query, Error);
}
