#include "locations/Location.h"

#include "app/DBManager.h"
#include "app/DBQuery.h"
#include "app/Exceptions.h"
#include "app/ExtRegistry.h"

#include <QSqlQuery>
#include <QStringList>
#include <algorithm>

namespace {

const QString MirrorKey = QStringLiteral("\\SOFTWARE\\Brackwell\\Portolan");
const QString CurrentLocIdValue = QStringLiteral("CurrentLocId");

// A list as the text the multi-string writer takes: every item ends in a line break, so an
// empty last item is kept.
QString MirrorText(const QStringList &Items)
{
    QString Text;
    for (const QString &Item : Items)
        Text += Item + QStringLiteral("\r\n");
    return Text;
}

// A multi-string cannot hold a line break inside an item nor an empty item (it ends the
// list for every reader), so such a name would throw LocNames out of step with LocIds.
QString MirrorName(QString Name)
{
    Name.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    return Name.isEmpty() ? QStringLiteral(" ") : Name;
}

} // namespace

TLocation::TLocation(const QString &LocId) : FLocId(LocId) {}

TLocation::~TLocation() = default;

bool TLocation::Save()
{
    const TDbColumns Columns{{"NET_ID", FNetId},
                             {"LOC_NAME", FLocName},
                             {"LOC_DESC", FLocDesc},
                             {"PRINTER", FPrinter}};
    QString Error;
    if (!DbSaveRow(LocationConnection(), "LOCATION", {"LOC_ID", FLocId}, Columns,
                   TKeyOnUpdate::Keep, &Error))
        throw EDatabaseError(Error);
    return true;
}

TLocationList::TLocationList()
{
    if (LocationConnection().isOpen())
        Load();
}

void TLocationList::Load()
{
    const QString CurrentId = ReadCurrentLocId();
    QSqlQuery Query(LocationConnection());
    Query.setForwardOnly(true);
    if (!Query.exec("SELECT * FROM LOCATION"))
        return;
    while (Query.next()) {
        auto Location = std::make_unique<TLocation>(Query.value("LOC_ID").toString());
        Location->SetNetId(Query.value("NET_ID").toString());
        Location->SetLocName(Query.value("LOC_NAME").toString());
        Location->SetLocDesc(Query.value("LOC_DESC").toString());
        Location->SetPrinter(Query.value("PRINTER").toString());
        TLocation *Added = Add(std::move(Location));
        if (Added->LocId() == CurrentId)
            SetCurrentLocation(Added);
    }
}

TLocation *TLocationList::Add(std::unique_ptr<TLocation> Location)
{
    FItems.push_back(std::move(Location));
    return FItems.back().get();
}

TLocation *TLocationList::GetItemByLocId(const QString &LocId) const
{
    const auto Found = std::find_if(FItems.cbegin(), FItems.cend(),
                                    [&](const auto &Item) { return Item->LocId() == LocId; });
    return Found == FItems.cend() ? nullptr : Found->get();
}

void TLocationList::DeleteByLocId(const QString &LocId)
{
    TLocation *Item = GetItemByLocId(LocId);
    if (!Item)
        return;
    if (Item == FCurrentLocation)
        FCurrentLocation = nullptr;
    std::erase_if(FItems, [Item](const auto &Owned) { return Owned.get() == Item; });
}

void TLocationList::SetCurrentLocation(TLocation *Value)
{
    FCurrentLocation = Value;
    if (Value)
        WriteCurrentLocId(Value->LocId());
}

bool TLocationList::WriteRegistry()
{
    QStringList Ids;
    QStringList Names;
    for (const auto &Item : FItems) {
        Ids.append(Item->LocId());
        Names.append(MirrorName(Item->LocName()));
    }
    TExtRegistry Registry(HKEY_LOCAL_MACHINE);
    if (!Registry.OpenKey(MirrorKey, true))
        return false;
    Registry.WriteMutiString("LocIds", MirrorText(Ids));
    Registry.WriteMutiString("LocNames", MirrorText(Names));
    return true;
}

QString TLocationList::ReadCurrentLocId()
{
    try {
        TExtRegistry Registry(HKEY_LOCAL_MACHINE);
        if (Registry.OpenKey(MirrorKey, true))
            return Registry.ReadStringDef(CurrentLocIdValue, QString());
    } catch (const ERegistryException &) {
        // A value of another type names no location.
    }
    return QString();
}

void TLocationList::WriteCurrentLocId(const QString &LocId)
{
    TExtRegistry Registry(HKEY_LOCAL_MACHINE);
    if (Registry.OpenKey(MirrorKey, true))
        Registry.WriteString(CurrentLocIdValue, LocId);
}
