#include "sharing/DefinitionRows.h"

#include "app/DBManager.h"
#include "app/DBQuery.h"

#include <QSqlError>
#include <QSqlQuery>

namespace {

const QString IdColumn = QStringLiteral("ID");

bool Fail(QString *Error, const QString &Reason)
{
    if (Error)
        *Error = Reason;
    return false;
}

// Runs Statement with its named parameters bound to Values.
bool Select(QSqlQuery &Query, const QString &Statement, const QList<QPair<QString, QString>> &Values)
{
    Query.setForwardOnly(true);
    if (!Query.prepare(Statement))
        return false;
    for (const auto &[Name, Value] : Values)
        Query.bindValue(Name, Value.isNull() ? QStringLiteral("") : Value);
    return Query.exec();
}

} // namespace

bool LoadDefinition(const QString &Table, const QString &Id, const QList<TDbField> &Fields, QString *Error)
{
    const QSqlDatabase Db = GetConnection();
    if (!Db.isOpen())
        return true;
    QString Reason;
    const auto Row = DbReadRow(Db, Table, {IdColumn, Id}, &Reason);
    if (!Reason.isEmpty())
        return Fail(Error, Reason);
    if (Row)
        for (const TDbField &Field : Fields)
            Field.Assign(Row->value(Field.Column()));
    return true;
}

bool SaveDefinition(const QString &Table, const QString &Id, const QList<TDbField> &Fields, QString *Error)
{
    const QSqlDatabase Db = GetConnection();
    if (!Db.isOpen())
        return true;
    TDbColumns Columns;
    for (const TDbField &Field : Fields)
        Columns.append({Field.Column(), Field.Value()});
    return DbSaveRow(Db, Table, {IdColumn, Id}, Columns, TKeyOnUpdate::Write, Error);
}

bool RemoveDefinition(const QString &Table, const QString &Id, QString *Error)
{
    const QSqlDatabase Db = GetConnection();
    return !Db.isOpen() || DbDeleteRows(Db, Table, {IdColumn, Id}, Error);
}

QStringList DefinitionIds(const QString &Table, const QString &LocId, bool Own)
{
    QStringList Ids;
    const QSqlDatabase Db = GetConnection();
    if (!Db.isOpen())
        return Ids;
    QSqlQuery Query(Db);
    const QString Statement = QStringLiteral("SELECT ID FROM %1 WHERE LOC_ID%2:LOC_ID")
                                  .arg(Table, Own ? QStringLiteral("=") : QStringLiteral("<>"));
    if (Select(Query, Statement, {{":LOC_ID", LocId}}))
        while (Query.next())
            Ids.append(Query.value(0).toString());
    return Ids;
}

// The database folds ASCII letters only, so the rows are compared here.
bool DefinitionExists(const QString &Table, const QString &Column, const QString &Value, const QString &LocId,
                      const QString &Id)
{
    const QSqlDatabase Db = GetConnection();
    if (!Db.isOpen())
        return false;
    QSqlQuery Query(Db);
    const QString Statement =
        QStringLiteral("SELECT %1 FROM %2 WHERE LOC_ID=:LOC_ID AND ID<>:ID").arg(Column, Table);
    if (!Select(Query, Statement, {{":LOC_ID", LocId}, {":ID", Id}}))
        return false;
    while (Query.next())
        if (Query.value(0).toString().compare(Value, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}
