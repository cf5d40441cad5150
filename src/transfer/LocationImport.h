#pragma once

#include "locations/ModuleTable.h"
#include "transfer/LocationCheck.h"
#include "transfer/TransferFormat.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// What an import does with a location whose id or name a stored location has already.
enum class TConflictChoice { Skip, Rename, Replace };

// Reads a location file and stores its locations. The whole file is checked first: nothing is
// stored from a file with any problem. Then every location goes into the data file in one
// transaction, so a failure stores none of them.
class TLocationImport
{
public:
    // Modules is the program's table of settings modules; its tables' rows are what a location
    // may carry besides its own.
    explicit TLocationImport(const TModuleTable &Modules);

    // Checks Document: JSON, format, version, every member's name and type, required members,
    // ids, the length of every text. True when it can be stored; otherwise Problems names each
    // problem with its place, a JSON pointer ("/locations/2/modules/IE_PROXY/HTTP: ...").
    bool Check(const QByteArray &Document);
    // The same for the file at Path; a file over TransferFileLimit is refused unread.
    bool CheckFile(const QString &Path);
    const QStringList &Problems() const { return FProblems; }

    // Names of the checked locations whose id or name a stored location has.
    QStringList Conflicts() const;

    // Stores the checked locations in one transaction. A conflict is settled by Choice: skip
    // the location, store it under a new id and a free name, or replace the stored ones. A
    // location's adapter is found among Adapters by id, then by name; otherwise it is stored
    // without adapter. Notices tell each of those. False, with nothing stored, when no checked
    // document is there or the database refuses a row (LastError says which).
    bool Store(TConflictChoice Choice, const QList<TKnownAdapter> &Adapters);
    const QStringList &Notices() const { return FNotices; }
    // The ids the last Store gave the locations it stored.
    const QStringList &StoredIds() const { return FStoredIds; }
    const QString &LastError() const { return FLastError; }

private:
    bool StoreAll(TConflictChoice Choice, const QList<TKnownAdapter> &Adapters);
    bool StoreOne(TIncomingLocation Location, TConflictChoice Choice, const QList<TKnownAdapter> &Adapters);
    bool RemoveStored(const QString &LocId);
    void MatchAdapter(TIncomingLocation &Location, const QList<TKnownAdapter> &Adapters);
    bool Fail(const QString &Reason);

    QList<TCarriedTable> FModuleTables;
    QList<TIncomingLocation> FLocations;
    bool FChecked = false;
    QStringList FProblems;
    QStringList FNotices;
    QStringList FStoredIds;
    QString FLastError;
};
