#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <variant>

// A stored row bound to the fields of one object: each column of the table names the field it
// is read into and written from, so load, save and remove of a per-location row are written once.

// What a field holds, for readers that carry values without knowing the object.
enum class TDbFieldType { Text, Flag, Number };

// One column and the field behind it. Flags are stored as 0 or 1, texts never as NULL.
class TDbField
{
public:
    TDbField(const char *Column, QString &Text) : FColumn(QLatin1String(Column)), FField(&Text) {}
    TDbField(const char *Column, bool &Flag) : FColumn(QLatin1String(Column)), FField(&Flag) {}
    TDbField(const char *Column, int &Number) : FColumn(QLatin1String(Column)), FField(&Number) {}

    const QString &Column() const { return FColumn; }
    TDbFieldType Type() const;
    QVariant Value() const;
    // The value as a person reads it: flags "yes" or "no".
    QString Text() const;
    void Assign(const QVariant &Stored) const;

private:
    QString FColumn;
    std::variant<QString *, bool *, int *> FField;
};

// A module's row in Table, selected by LOC_ID, and the tables whose rows of the location go
// before it when it is removed (a module's list of shares before its switch row, say).
struct TRowBinding
{
    QString Table;
    QList<TDbField> Fields;
    QStringList RemoveFirst;
};

// Reads the location's row into the fields; true also when there is no row (the fields keep
// their values). False on a database error, whose text goes to Error.
bool LoadBoundRow(const QSqlDatabase &Db, const TRowBinding &Binding, const QString &LocId,
                  QString *Error = nullptr);
// Inserts or updates the location's row with the fields' values.
bool SaveBoundRow(const QSqlDatabase &Db, const TRowBinding &Binding, const QString &LocId,
                  QString *Error = nullptr);
// Deletes the location's rows of every table in RemoveFirst, then of Table.
bool RemoveBoundRows(const QSqlDatabase &Db, const TRowBinding &Binding, const QString &LocId,
                     QString *Error = nullptr);
