#include "transfer/LocationExport.h"

#include "app/DBManager.h"
#include "app/DBQuery.h"
#include "base/NetText.h"
#include "transfer/CarriedRows.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QSqlError>
#include <QSqlQuery>

namespace {

bool Failed(const QString &Reason, QString *Error)
{
    if (Error)
        *Error = Reason;
    return false;
}

bool StoredLocIds(const QSqlDatabase &Db, QStringList &LocIds, QString *Error)
{
    QSqlQuery Query(Db);
    if (!Query.exec(QStringLiteral("SELECT LOC_ID FROM LOCATION ORDER BY rowid")))
        return Failed(Query.lastError().text(), Error);
    while (Query.next())
        LocIds.append(Query.value(0).toString());
    return true;
}

QJsonValue AdapterObject(const QString &NetId, const QList<TKnownAdapter> &Adapters)
{
    if (NetId.isEmpty())
        return QJsonValue::Null;
    QString Name;
    for (const TKnownAdapter &Adapter : Adapters)
        if (Adapter.Id.compare(NetId, Qt::CaseInsensitive) == 0)
            Name = Adapter.Name;
    return QJsonObject{{"id", NetId}, {"name", Name}};
}

// Writes the location's rows of Tables into Into, each under its key: the row object of a
// single-row table (left out when the location has none), the array of a list's rows.
bool AddTables(const QSqlDatabase &Db, const QList<TCarriedTable> &Tables, const QString &LocId,
               bool WithPasswords, QJsonObject &Into, QString *Error)
{
    for (const TCarriedTable &Table : Tables) {
        QList<QJsonObject> Rows;
        if (!ReadCarriedRows(Db, Table, LocId, WithPasswords, Rows, Error))
            return false;
        if (Table.List) {
            QJsonArray Array;
            for (const QJsonObject &Row : std::as_const(Rows))
                Array.append(Row);
            Into.insert(Table.Key, Array);
        } else if (!Rows.isEmpty()) {
            Into.insert(Table.Key, Rows.first());
        }
    }
    return true;
}

struct TExportContext
{
    QSqlDatabase Db;
    QList<TCarriedTable> Modules;
    const QList<TKnownAdapter> &Adapters;
    bool WithPasswords;
};

bool LocationObject(const TExportContext &Context, const QString &LocId, QJsonObject &Location,
                    QString *Error)
{
    QString Reason;
    const auto Row =
        DbReadRow(Context.Db, QStringLiteral("LOCATION"), {QStringLiteral("LOC_ID"), LocId}, &Reason);
    if (!Row)
        return Failed(Reason.isEmpty() ? QStringLiteral("no location has the id %1").arg(QuotedValue(LocId))
                                       : Reason,
                      Error);
    Location = {{"id", LocId},
                {"name", Row->value("LOC_NAME").toString()},
                {"description", Row->value("LOC_DESC").toString()},
                {"printer", Row->value("PRINTER").toString()},
                {"adapter", AdapterObject(Row->value("NET_ID").toString(), Context.Adapters)}};
    QJsonObject Modules;
    if (!AddTables(Context.Db, {IpTable()}, LocId, Context.WithPasswords, Location, Error) ||
        !AddTables(Context.Db, LocationTables(), LocId, Context.WithPasswords, Location, Error) ||
        !AddTables(Context.Db, Context.Modules, LocId, Context.WithPasswords, Modules, Error))
        return false;
    Location.insert(QStringLiteral("modules"), Modules);
    return true;
}

} // namespace

bool ExportLocations(const TModuleTable &Modules, const QList<TKnownAdapter> &Adapters,
                     const QStringList &LocIds, bool WithPasswords, QByteArray &Document, QString *Error)
{
    const TExportContext Context{GetConnection(), ModuleTables(Modules), Adapters, WithPasswords};
    QStringList Ids = LocIds;
    if (Ids.isEmpty() && !StoredLocIds(Context.Db, Ids, Error))
        return false;
    QJsonArray Locations;
    for (const QString &LocId : std::as_const(Ids)) {
        QJsonObject Location;
        if (!LocationObject(Context, LocId, Location, Error))
            return false;
        Locations.append(Location);
    }
    const QJsonObject Root{{"format", QLatin1String(TransferFormatName)},
                           {"version", TransferFormatVersion},
                           {"program", QStringLiteral("wayfarel " WAYFAREL_VERSION)},
                           {"passwords", WithPasswords},
                           {"locations", Locations}};
    Document = QJsonDocument(Root).toJson(QJsonDocument::Indented);
    return true;
}

bool SaveLocationFile(const QString &Path, const QByteArray &Document, QString *Error)
{
    QSaveFile File(Path);
    if (!File.open(QIODevice::WriteOnly) ||
        !File.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
        File.write(Document) != Document.size() || !File.commit())
        return Failed(QStringLiteral("cannot write %1: %2").arg(QuotedValue(Path), File.errorString()),
                      Error);
    return true;
}
