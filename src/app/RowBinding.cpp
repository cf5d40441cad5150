#include "app/RowBinding.h"

#include "app/DBQuery.h"

namespace {

const QString LocIdColumn = QStringLiteral("LOC_ID");

} // namespace

TDbFieldType TDbField::Type() const
{
    if (std::holds_alternative<QString *>(FField))
        return TDbFieldType::Text;
    return std::holds_alternative<bool *>(FField) ? TDbFieldType::Flag : TDbFieldType::Number;
}

QVariant TDbField::Value() const
{
    return std::visit(
        [](auto *Field) -> QVariant {
            using TField = std::remove_pointer_t<decltype(Field)>;
            if constexpr (std::is_same_v<TField, QString>)
                return Field->isNull() ? QVariant(QLatin1String("")) : QVariant(*Field);
            else if constexpr (std::is_same_v<TField, bool>)
                return int(*Field);
            else
                return *Field;
        },
        FField);
}

QString TDbField::Text() const
{
    if (const bool *const *Flag = std::get_if<bool *>(&FField))
        return **Flag ? QStringLiteral("yes") : QStringLiteral("no");
    return Value().toString();
}

void TDbField::Assign(const QVariant &Stored) const
{
    std::visit(
        [&Stored](auto *Field) {
            using TField = std::remove_pointer_t<decltype(Field)>;
            if constexpr (std::is_same_v<TField, QString>)
                *Field = Stored.toString();
            else if constexpr (std::is_same_v<TField, bool>)
                *Field = Stored.toInt() != 0;
            else
                *Field = Stored.toInt();
        },
        FField);
}

bool LoadBoundRow(const QSqlDatabase &Db, const TRowBinding &Binding, const QString &LocId, QString *Error)
{
    QString Reason;
    const auto Row = DbReadLocRow(Db, Binding.Table, LocId, &Reason);
    if (!Reason.isEmpty()) {
        if (Error)
            *Error = Reason;
        return false;
    }
    if (Row)
        for (const TDbField &Field : Binding.Fields)
            Field.Assign(Row->value(Field.Column()));
    return true;
}

bool SaveBoundRow(const QSqlDatabase &Db, const TRowBinding &Binding, const QString &LocId, QString *Error)
{
    TDbColumns Columns;
    for (const TDbField &Field : Binding.Fields)
        Columns.append({Field.Column(), Field.Value()});
    return DbSaveRow(Db, Binding.Table, {LocIdColumn, LocId}, Columns, TKeyOnUpdate::Write, Error);
}

bool RemoveBoundRows(const QSqlDatabase &Db, const TRowBinding &Binding, const QString &LocId, QString *Error)
{
    for (const QString &Table : Binding.RemoveFirst)
        if (!DbDeleteRows(Db, Table, {LocIdColumn, LocId}, Error))
            return false;
    return DbDeleteRows(Db, Binding.Table, {LocIdColumn, LocId}, Error);
}
