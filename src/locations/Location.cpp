#include "locations/Location.h"

#include "adapters/IpAddress.h"
#include "adapters/Network.h"
#include "adapters/WMI.h"
#include "app/DBManager.h"
#include "app/DBQuery.h"
#include "app/ExtRegistry.h"
#include "app/IdGen.h"
#include "base/Exceptions.h"
#include "platform/Printers.h"

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

// How a location reaches one settings module: its object, made on first use, and its delete,
// which every module class has with the same shape but not as a virtual operation.
struct TModuleBinding
{
    TModuleKind Kind;
    TCustomProxy &(*Object)(TLocation &);
    bool (*Remove)(TLocation &);
};

template <class TModule, TModuleKind Kind>
TModuleBinding Bind()
{
    return {Kind, [](TLocation &L) -> TCustomProxy & { return *L.Module<TModule>(Kind); },
            [](TLocation &L) { return L.Module<TModule>(Kind)->Remove(); }};
}

// The settings modules the program has. A new module class adds its line here, in the form
// Bind<TIEProxy, TModuleKind::IE>(), and switching, removing and importing take it up, each in
// its own order.
const std::vector<TModuleBinding> &ModuleBindings()
{
    static const std::vector<TModuleBinding> Bindings{};
    return Bindings;
}

const TModuleBinding *Binding(TModuleKind Kind)
{
    const auto &Bindings = ModuleBindings();
    const auto Found = std::find_if(Bindings.cbegin(), Bindings.cend(),
                                    [Kind](const TModuleBinding &B) { return B.Kind == Kind; });
    return Found == Bindings.cend() ? nullptr : &*Found;
}

QString ModuleName(TModuleKind Kind)
{
    static const char *const Names[ModuleKindCount] = {
        "IE proxy",  "Firefox proxy", "folder shares", "drive mappings", "Foxmail proxy",
        "MSN proxy", "ICQ proxy",     "Skype proxy",   "eMule proxy",    "BitComet proxy"};
    return QString::fromLatin1(Names[static_cast<int>(Kind)]);
}

using enum TModuleKind;

// The modules after the adapter when switching.
constexpr TModuleKind SwitchOrder[] = {IE,  Firefox, FolderShare, NetMapping, Foxmail,
                                       MSN, ICQ,     Skype,       EMule,      BitComet};

// The modules whose rows go after the adapter's and before the LOCATION row.
constexpr TModuleKind RemoveOrder[] = {IE,    Foxmail,     MSN,        Firefox, ICQ,
                                       Skype, FolderShare, NetMapping, EMule,   BitComet};

// The modules a new location takes from the current settings, after the adapter.
constexpr TModuleKind ImportOrder[] = {IE, Firefox, FolderShare, NetMapping};

// A module import that fails, even by raising, leaves the new location as it is.
void KeepGoing(const std::function<void()> &Import)
{
    try {
        Import();
    } catch (const EWayfarelError &) {
        // The module keeps its defaults; the location exists in any case.
    }
}

} // namespace

TLocation::TLocation(const QString &LocId) : FLocId(LocId) {}

TLocation::~TLocation() = default;

std::unique_ptr<TLocation> TLocation::Import(const QString &Name, const QString &Description,
                                             const QString &NetId, const TNetWorkList &Adapters)
{
    auto Location = std::make_unique<TLocation>(GenerateId(32));
    Location->SetNetId(NetId);
    Location->SetLocName(Name);
    Location->SetLocDesc(Description);
    Location->SetPrinter(GetDefaultPrinterName());
    Location->Save();
    KeepGoing([&] { Location->IpAddress()->Import(NetId, Adapters); });
    for (const TModuleKind Kind : ImportOrder)
        if (const TModuleBinding *Module = Binding(Kind))
            KeepGoing([&] { Module->Object(*Location).Import(NetId); });
    Location->Save();
    return Location;
}

bool TLocation::Save()
{
    const TDbColumns Columns{
        {"NET_ID", FNetId}, {"LOC_NAME", FLocName}, {"LOC_DESC", FLocDesc}, {"PRINTER", FPrinter}};
    QString Error;
    if (!DbSaveRow(LocationConnection(), "LOCATION", {"LOC_ID", FLocId}, Columns, TKeyOnUpdate::Keep, &Error))
        throw EDatabaseError(Error);
    return true;
}

bool TLocation::SwitchTo(const TNetWorkList &Adapters)
{
    FSwitchErrors.clear();
    FPrinterError.clear();
    if (!FPrinter.isEmpty())
        ApplyPrinter();
    bool Switched = RunSwitchStep("adapter", [this, &Adapters](QString &Reason) {
        TIPAddress *Ip = IpAddress();
        const bool Changed = Ip->Change(Adapters);
        Reason = Ip->LastError();
        return Changed;
    });
    for (const TModuleKind Kind : SwitchOrder) {
        const TModuleBinding *Module = Binding(Kind);
        if (!Module)
            continue;
        Switched = RunSwitchStep(ModuleName(Kind),
                                 [this, Module](QString &) { return Module->Object(*this).ChangeTo(); }) &&
                   Switched;
    }
    return Switched;
}

// The printer's outcome is kept for the caller to mention; it never fails a switch.
void TLocation::ApplyPrinter()
{
    QString Reason;
    if (!SetDefaultPrinter(FPrinter, &Reason))
        FPrinterError = QStringLiteral("the printer %1 was not made the default: %2")
                            .arg(FPrinter, Reason.isEmpty() ? QStringLiteral("failed") : Reason);
}

// A step that raises counts as failed with the error's text, and the switch goes on.
bool TLocation::RunSwitchStep(const QString &Step, const std::function<bool(QString &)> &Apply)
{
    QString Reason;
    bool Done = false;
    try {
        Done = Apply(Reason);
    } catch (const EWayfarelError &Error) {
        Reason = Error.Message();
    }
    if (!Done)
        FSwitchErrors.append(Step + ": " + (Reason.isEmpty() ? QStringLiteral("failed") : Reason));
    return Done;
}

TIPAddress *TLocation::IpAddress()
{
    if (!FIpAddress) {
        FIpAddress = std::make_unique<TIPAddress>(FLocId);
        FIpAddress->SetNetId(FNetId);
    }
    return FIpAddress.get();
}

bool TLocation::Remove()
{
    QSqlDatabase Db = LocationConnection();
    if (!Db.isOpen() || !Db.transaction())
        return false;
    try {
        if (RemoveModules() && DbDeleteRows(Db, "LOCATION", {"LOC_ID", FLocId}) && Db.commit())
            return true;
    } catch (const EWayfarelError &) {
        // A module that cannot even load its row fails the removal like a failed delete.
    }
    Db.rollback();
    return false;
}

bool TLocation::RemoveModules()
{
    if (!IpAddress()->Remove())
        return false;
    for (const TModuleKind Kind : RemoveOrder) {
        const TModuleBinding *Module = Binding(Kind);
        if (Module && !Module->Remove(*this))
            return false;
    }
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

bool TLocationList::SwitchToLocation(const QString &LocId, const TNetWorkList &Adapters, QString *Error)
{
    TLocation *Location = GetItemByLocId(LocId);
    if (!Location) {
        if (Error)
            *Error = QStringLiteral("There is no location %1").arg(LocId);
        return false;
    }
    return SwitchToLocation(*Location, Adapters, Error);
}

bool TLocationList::SwitchToLocation(TLocation &Location, const TNetWorkList &Adapters, QString *Error)
{
    const auto Refuse = [Error](const QString &Reason) {
        if (Error)
            *Error = Reason;
        return false;
    };
    if (Location.NetId().isEmpty())
        return Refuse(QStringLiteral("Location %1 has no adapter").arg(Location.LocName()));
    if (!Adapters.GetNetWork(Location.NetId()))
        return Refuse(QStringLiteral("The adapter %1 of location %2 is not present")
                          .arg(Location.NetId(), Location.LocName()));
    if (!Location.SwitchTo(Adapters))
        return Refuse(Location.SwitchErrors().join(QStringLiteral("; ")));
    SetCurrentLocation(&Location);
    return true;
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
