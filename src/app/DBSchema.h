#pragma once

#include <QList>
#include <QPair>
#include <QSqlDatabase>
#include <QSqlRecord>
#include <QString>

// The data file's template and how a data file is made from it or brought up to it. The
// template is the database the build makes from the schema; the user's data file is a copy
// that only ever grows: missing parts are added, nothing is replaced or dropped.

// One named object of a schema (table, index, view or trigger) with the statement that makes it.
struct TDbObject
{
    QString Type;
    QString Name;
    QString Sql;
};

// What a template holds that a data file must have: its objects in the order they were made
// and its module catalogue rows, in display order.
struct TDbSchema
{
    QList<TDbObject> Objects;
    QList<QSqlRecord> Catalogue;
};

// Reads the schema of the template file Template, opened read-only; false with Error when
// it is missing or no database.
bool ReadTemplateSchema(const QString &Template, TDbSchema &Schema, QString *Error = nullptr);

// The schema version of a database file (SQLite's user_version), read from its header; -1 when
// the file cannot be read as a database.
int SchemaVersion(const QString &File);
// The schema version of an open database; -1 when it cannot be asked.
int SchemaVersion(const QSqlDatabase &Db);
// Records Version as Db's schema version, inside the caller's transaction.
bool SetSchemaVersion(QSqlDatabase &Db, int Version, QString *Error = nullptr);

// Adds to Db the tables, columns, indexes, views and triggers of Schema that it lacks, and the
// catalogue rows whose module code it lacks, placed after its own modules. Every existing row
// stays as it is. Runs inside the caller's transaction: on false (with Error) the caller rolls
// back and the file is unchanged.
bool UpgradeSchema(QSqlDatabase &Db, const TDbSchema &Schema, QString *Error = nullptr);

// The column definitions of a CREATE TABLE statement, each as written and keyed by its
// column name; table constraints are left out.
QList<QPair<QString, QString>> ColumnDefinitions(const QString &CreateTable);

// Makes DataFile as a copy of Template unless it exists: written to a temporary file in its
// folder (made owner-only when it is created here), given mode 0600 and renamed into place
// without replacing a file that appeared meanwhile. False with Error when it cannot.
bool MakeDataFile(const QString &DataFile, const QString &Template, QString *Error = nullptr);
