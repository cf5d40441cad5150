#pragma once

#include "app/DBQuery.h"
#include "app/RowBinding.h"
#include "locations/ModuleTable.h"

#include <QList>
#include <QString>
#include <QStringList>

// The tables whose rows of a location the export carries and the import stores again, and the
// columns of each. Keys are not carried: LOC_ID comes from the location, a list's own ID is made
// anew on import, so a copy never collides with the rows it was taken from, and a list kept in
// order numbers its rows by their place in the file.

struct TCarriedColumn
{
    QString Name;
    TDbFieldType Type;
};

struct TCarriedTable
{
    // The member of a location ("ip", "shares"), or of its "modules" (the table's name), that
    // holds the rows.
    QString Key{};
    QString Table{};
    // Many rows per location, each keyed by its own ID (shares, drives); else one row by LOC_ID.
    bool List = false;
    QList<TCarriedColumn> Columns{};
    // Tables whose rows of the location go first when it is replaced (a module's lists).
    QStringList RemoveFirst{};
    // A list keyed by LOC_ID and this column instead of an ID: the rows' order, 1 for the first.
    QString PositionColumn{};
    // Brings a checked row to the form the program stores, or says why it is none; null when
    // any row of the right types is fine.
    bool (*StoredForm)(TDbColumns &Row, QString *Problem) = nullptr;
};

// The adapter's TCP/IP row of a location.
const TCarriedTable &IpTable();

// The other tables a location carries, one line each: its folder shares, network drives, the
// rules that recognise its network and its automatic-switching flag. A new per-location table
// joins export and import by adding its line here (its Key a member of every location, written
// as an array of row objects for a list, else as one row object).
const QList<TCarriedTable> &LocationTables();

// One line per settings module of Modules, in table order, from the row binding each module
// declares.
QList<TCarriedTable> ModuleTables(const TModuleTable &Modules);

// Columns that hold passwords, which an export leaves out unless asked for them.
bool IsPasswordColumn(const QString &Column);
