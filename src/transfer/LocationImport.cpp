#include "transfer/LocationImport.h"

#include "app/DBManager.h"
#include "app/IdGen.h"
#include "base/NetText.h"
#include "transfer/CarriedRows.h"

#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>

namespace {

const QString LocationTable = QStringLiteral("LOCATION");
const QString LocIdColumn = QStringLiteral("LOC_ID");
constexpr int LocIdLength = 32;

// The ids of stored locations whose id is LocId or whose name is Name (letter case ignored,
// as the data file compares names).
QStringList ClashingIds(const QSqlDatabase &Db, const QString &LocId, const QString &Name)
{
    QSqlQuery Query(Db);
    Query.prepare(QStringLiteral("SELECT LOC_ID FROM LOCATION WHERE LOC_ID=:LOCID OR LOC_NAME=:NAME"));
    Query.bindValue(QStringLiteral(":LOCID"), LocId);
    Query.bindValue(QStringLiteral(":NAME"), Name);
    QStringList Ids;
    if (Query.exec())
        while (Query.next())
            Ids.append(Query.value(0).toString());
    return Ids;
}

bool IdTaken(const QSqlDatabase &Db, const QString &LocId)
{
    return !ClashingIds(Db, LocId, QString()).isEmpty();
}

bool NameTaken(const QSqlDatabase &Db, const QString &Name)
{
    return !ClashingIds(Db, QString(), Name).isEmpty();
}

// Name, else "Name (2)", "Name (3)" ..., whichever no stored location has.
QString FreeName(const QSqlDatabase &Db, const QString &Name)
{
    QString Free = Name;
    for (int Number = 2; NameTaken(Db, Free); ++Number)
        Free = QStringLiteral("%1 (%2)").arg(Name).arg(Number);
    return Free;
}

QString FreeId(const QSqlDatabase &Db)
{
    QString Id;
    do
        Id = GenerateId(LocIdLength);
    while (IdTaken(Db, Id));
    return Id;
}

} // namespace

TLocationImport::TLocationImport(const TModuleTable &Modules) : FModuleTables(ModuleTables(Modules)) {}

bool TLocationImport::Check(const QByteArray &Document)
{
    FChecked = CheckLocationDocument(Document, FModuleTables, FLocations, FProblems);
    return FChecked;
}

bool TLocationImport::CheckFile(const QString &Path)
{
    FChecked = false;
    FLocations.clear();
    FProblems.clear();
    QFile File(Path);
    if (!File.open(QIODevice::ReadOnly)) {
        FProblems.append(QStringLiteral("%1: %2").arg(QuotedValue(Path), File.errorString()));
        return false;
    }
    // One byte over the limit is enough to refuse the file, whatever its size.
    return Check(File.read(TransferFileLimit + 1));
}

QStringList TLocationImport::Conflicts() const
{
    const QSqlDatabase Db = GetConnection();
    QStringList Names;
    for (const TIncomingLocation &Location : FLocations)
        if (!ClashingIds(Db, Location.Id, Location.Name).isEmpty())
            Names.append(Location.Name);
    return Names;
}

bool TLocationImport::Store(TConflictChoice Choice, const QList<TKnownAdapter> &Adapters)
{
    FNotices.clear();
    FStoredIds.clear();
    FLastError.clear();
    if (!FChecked)
        return Fail(QStringLiteral("no checked location file to import"));
    QSqlDatabase Db = GetConnection();
    if (!Db.transaction())
        return Fail(Db.lastError().text());
    if (StoreAll(Choice, Adapters) && Db.commit())
        return true;
    if (FLastError.isEmpty())
        FLastError = Db.lastError().text();
    Db.rollback();
    FNotices.clear();
    FStoredIds.clear();
    return false;
}

bool TLocationImport::StoreAll(TConflictChoice Choice, const QList<TKnownAdapter> &Adapters)
{
    for (const TIncomingLocation &Location : std::as_const(FLocations))
        if (!StoreOne(Location, Choice, Adapters))
            return false;
    return true;
}

bool TLocationImport::StoreOne(TIncomingLocation Location, TConflictChoice Choice,
                               const QList<TKnownAdapter> &Adapters)
{
    const QSqlDatabase Db = GetConnection();
    const QString Named = QuotedValue(Location.Name);
    const QStringList Clashing = ClashingIds(Db, Location.Id, Location.Name);
    if (!Clashing.isEmpty() && Choice == TConflictChoice::Skip) {
        FNotices.append(QStringLiteral("%1 skipped: a stored location has its id or name").arg(Named));
        return true;
    }
    if (!Clashing.isEmpty() && Choice == TConflictChoice::Rename) {
        if (IdTaken(Db, Location.Id))
            Location.Id = FreeId(Db);
        Location.Name = FreeName(Db, Location.Name);
        FNotices.append(
            QStringLiteral("%1 stored as %2 with id %3").arg(Named, QuotedValue(Location.Name), Location.Id));
    }
    if (!Clashing.isEmpty() && Choice == TConflictChoice::Replace) {
        for (const QString &Id : Clashing)
            if (!RemoveStored(Id))
                return false;
        FNotices.append(QStringLiteral("%1 replaces the stored location with its id or name").arg(Named));
    }
    MatchAdapter(Location, Adapters);
    const TDbColumns Record{{"NET_ID", Location.AdapterId},
                            {"LOC_NAME", Location.Name},
                            {"LOC_DESC", Location.Description},
                            {"PRINTER", Location.Printer}};
    if (!DbSaveRow(Db, LocationTable, {LocIdColumn, Location.Id}, Record, TKeyOnUpdate::Keep, &FLastError))
        return false;
    for (const TIncomingRows &Rows : std::as_const(Location.Tables))
        for (qsizetype Place = 0; Place < Rows.Rows.size(); ++Place)
            if (!StoreCarriedRow(Db, *Rows.Table, Location.Id, Place, Rows.Rows.at(Place), &FLastError))
                return false;
    FStoredIds.append(Location.Id);
    return true;
}

bool TLocationImport::RemoveStored(const QString &LocId)
{
    // A later location of the same file may replace one stored moments ago.
    FStoredIds.removeAll(LocId);
    const QSqlDatabase Db = GetConnection();
    QList<TCarriedTable> Tables = FModuleTables;
    Tables.append(LocationTables());
    Tables.append(IpTable());
    for (const TCarriedTable &Table : std::as_const(Tables))
        if (!RemoveCarriedRows(Db, Table, LocId, &FLastError))
            return false;
    return DbDeleteRows(Db, LocationTable, {LocIdColumn, LocId}, &FLastError);
}

void TLocationImport::MatchAdapter(TIncomingLocation &Location, const QList<TKnownAdapter> &Adapters)
{
    if (Location.AdapterId.isEmpty() && Location.AdapterName.isEmpty())
        return;
    const auto Found = [&Adapters](QString TKnownAdapter::*Member, const QString &Value) {
        return std::find_if(Adapters.cbegin(), Adapters.cend(), [&](const TKnownAdapter &Adapter) {
            return !Value.isEmpty() && (Adapter.*Member).compare(Value, Qt::CaseInsensitive) == 0;
        });
    };
    auto Match = Found(&TKnownAdapter::Id, Location.AdapterId);
    if (Match == Adapters.cend())
        Match = Found(&TKnownAdapter::Name, Location.AdapterName);
    if (Match != Adapters.cend()) {
        Location.AdapterId = Match->Id;
        return;
    }
    const QString Adapter =
        Location.AdapterName.isEmpty()
            ? Location.AdapterId
            : QStringLiteral("%1 %2").arg(QuotedValue(Location.AdapterName), Location.AdapterId);
    FNotices.append(QStringLiteral("%1 stored without adapter: its adapter %2 is not on this computer")
                        .arg(QuotedValue(Location.Name), Adapter));
    Location.AdapterId.clear();
}

bool TLocationImport::Fail(const QString &Reason)
{
    FLastError = Reason;
    return false;
}
