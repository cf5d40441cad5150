#pragma once

#include "app/DBQuery.h"
#include "transfer/CarriedTables.h"

#include <QJsonObject>
#include <QList>
#include <QSqlDatabase>
#include <QString>

// The rows of one location in a carried table, as JSON objects and back. Database errors make
// the call fail with their text in Error.

// The location's rows of Table (a single-row table gives at most one), in stored order, each
// an object of the carried columns; password columns only WithPasswords.
bool ReadCarriedRows(const QSqlDatabase &Db, const TCarriedTable &Table, const QString &LocId,
                     bool WithPasswords, QList<QJsonObject> &Rows, QString *Error = nullptr);

// Stores one row of the location: a list's row under a new id or at Place (0 for the first),
// else the location's row.
bool StoreCarriedRow(const QSqlDatabase &Db, const TCarriedTable &Table, const QString &LocId,
                     qsizetype Place, const TDbColumns &Columns, QString *Error = nullptr);

// Deletes the location's rows of RemoveFirst's tables and of Table.
bool RemoveCarriedRows(const QSqlDatabase &Db, const TCarriedTable &Table, const QString &LocId,
                       QString *Error = nullptr);
