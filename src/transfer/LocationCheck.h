#pragma once

#include "app/DBQuery.h"
#include "transfer/CarriedTables.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// The rows a location of a file brings for one carried table, each with every carried column
// (a column the file leaves out is empty, 0 or false).
struct TIncomingRows
{
    const TCarriedTable *Table;
    QList<TDbColumns> Rows;
};

// One location of a location file, as checked.
struct TIncomingLocation
{
    QString Id;
    QString Name;
    QString Description;
    QString Printer;
    QString AdapterId;
    QString AdapterName;
    QList<TIncomingRows> Tables;
};

// Checks a whole location file against the format: JSON, "format", "version", every member's
// name and type (unknown members are refused, so a misspelt column never drops a setting
// silently), the required members, the form of ids and their uniqueness, the length of every
// text. ModuleTables are the modules' carried tables, which must outlive Locations. True when
// every check passed: Locations then holds the file's locations. Otherwise each problem is one
// "place: what" text in Problems, the place a JSON pointer ("/locations/0/name").
bool CheckLocationDocument(const QByteArray &Document, const QList<TCarriedTable> &ModuleTables,
                           QList<TIncomingLocation> &Locations, QStringList &Problems);
