#include "locations/Location.h"

#include "adapters/IpAddress.h"
#include "adapters/Network.h"
#include "adapters/WMI.h"
#include "app/DBManager.h"
#include "app/DBQuery.h"
#include "app/ExtRegistry.h"
#include "app/IdGen.h"
#include "base/Exceptions.h"
#include "base/NetText.h"
#include "locations/LocationRules.h"
#include "platform/printing/Printers.h"

#include <QScopeGuard>
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

// The switch ends by recording the location in the registry mirror: a hive that cannot be
// read would fail it after everything else has changed.
void CheckMirror(QStringList *Reasons)
{
    try {
        TExtRegistry(HKEY_LOCAL_MACHINE).KeyExists(MirrorKey);
    } catch (const ERegistryException &Error) {
        Reasons->append(QStringLiteral("the registry cannot be used: %1").arg(Error.Message()));
    }
}

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

TLocation::TLocation(const QString &LocId, const TModuleTable &Modules) : FLocId(LocId), FModuleTable(Modules)
{}

TLocation::~TLocation() = default;

std::unique_ptr<TLocation> TLocation::Import(const QString &Name, const QString &Description,
                                             const QString &NetId, const TNetWorkList &Adapters,
                                             const TModuleTable &Modules)
{
    auto Location = std::make_unique<TLocation>(GenerateId(32), Modules);
    Location->SetNetId(NetId);
    Location->SetLocName(Name);
    Location->SetLocDesc(Description);
    Location->SetPrinter(GetDefaultPrinterName());
    Location->Save();
    KeepGoing([&] { Location->IpAddress()->Import(NetId, Adapters); });
    for (const TModuleDescriptor &Module : Modules)
        if (Module.ImportsCurrent)
            KeepGoing([&] { Location->ModuleOf(Module).Import(NetId); });
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

bool TLocation::Check(QStringList *Reasons)
{
    const qsizetype Before = Reasons->size();
    IpAddress()->Check(Reasons);
    for (const TModuleDescriptor &Descriptor : FModuleTable) {
        TCustomProxy &Module = ModuleOf(Descriptor);
        if (!Module.SkipsChange())
            Module.Check(Reasons);
    }
    CheckMirror(Reasons);
    return Reasons->size() == Before;
}

bool TLocation::SwitchTo(const TNetWorkList &Adapters, ISwitchObserver *Observer)
{
    FReport.clear();
    RunStep(
        QStringLiteral("check"), [this] { return CheckStep(); }, Observer);
    if (FReport.constLast().Outcome == TSwitchStep::Failed)
        return false;
    if (!FPrinter.isEmpty())
        RunStep(
            QStringLiteral("printer"), [this] { return PrinterStep(); }, Observer);
    RunStep(
        QStringLiteral("adapter"), [&] { return AdapterStep(Adapters); }, Observer);
    for (const TModuleDescriptor &Descriptor : FModuleTable)
        RunStep(
            Descriptor.Name, [this, &Descriptor] { return ModuleStep(Descriptor); }, Observer);
    return std::none_of(FReport.cbegin(), FReport.cend(), [this](const TSwitchStep &Step) {
        return Step.Outcome == TSwitchStep::Failed && Counts(Step);
    });
}

// A step that raises counts as failed with the error's text, and the switch goes on.
void TLocation::RunStep(const QString &Name, const std::function<TSwitchStep()> &Step,
                        ISwitchObserver *Observer)
{
    if (Observer)
        Observer->StepStarted(Name);
    TSwitchStep Outcome;
    try {
        Outcome = Step();
    } catch (const EWayfarelError &Error) {
        Outcome = StepFailed(Error.Message());
    } catch (const std::exception &Error) {
        // A library's own exception fails the step, not the program nor the switches after it.
        Outcome =
            StepFailed(QStringLiteral("unexpected error: %1").arg(QString::fromLocal8Bit(Error.what())));
    }
    Outcome.Name = Name;
    if (Outcome.Outcome == TSwitchStep::Failed && Outcome.Reason.isEmpty())
        Outcome.Reason = QStringLiteral("failed");
    FReport.append(Outcome);
    if (Observer)
        Observer->StepFinished(Outcome);
}

TSwitchStep TLocation::CheckStep()
{
    QStringList Reasons;
    if (Check(&Reasons))
        return StepDone();
    return StepFailed(QStringLiteral("nothing was changed: ") + Reasons.join(QStringLiteral("; ")));
}

TSwitchStep TLocation::PrinterStep()
{
    QString Reason;
    if (SetDefaultPrinter(FPrinter, &Reason))
        return StepDone({QStringLiteral("default printer %1").arg(QuotedValue(FPrinter))});
    return StepFailed(QStringLiteral("the printer %1 was not made the default: %2")
                          .arg(QuotedValue(FPrinter), Reason.isEmpty() ? QStringLiteral("failed") : Reason));
}

TSwitchStep TLocation::AdapterStep(const TNetWorkList &Adapters)
{
    TIPAddress *Ip = IpAddress();
    if (Ip->Change(Adapters))
        return StepDone(Ip->Changes());
    return StepFailed(Ip->LastError(), Ip->Changes());
}

TSwitchStep TLocation::ModuleStep(const TModuleDescriptor &Descriptor)
{
    TCustomProxy &Module = ModuleOf(Descriptor);
    if (Module.SkipsChange())
        return StepSkipped(Descriptor.IsInstalled() ? QStringLiteral("switched off")
                                                    : QStringLiteral("not installed"));
    TSwitchStep Outcome =
        Module.ChangeTo() ? StepDone(Module.Changes()) : StepFailed(Module.LastError(), Module.Changes());
    Outcome.Warnings = Module.Warnings();
    return Outcome;
}

bool TLocation::RecordStep(const std::function<void()> &Record, ISwitchObserver *Observer)
{
    RunStep(
        QStringLiteral("current location"),
        [&Record] {
            Record();
            return StepDone({QStringLiteral("recorded as the current location")});
        },
        Observer);
    return FReport.constLast().Outcome == TSwitchStep::Done;
}

// The printer's outcome is reported but never fails a switch.
bool TLocation::Counts(const TSwitchStep &Step) const { return Step.Name != QLatin1String("printer"); }

QStringList TLocation::SwitchErrors() const
{
    QStringList Errors;
    for (const TSwitchStep &Step : FReport)
        if (Step.Outcome == TSwitchStep::Failed && Counts(Step))
            Errors.append(Step.Name + QStringLiteral(": ") + Step.Reason);
    return Errors;
}

QStringList TLocation::SwitchWarnings() const
{
    QStringList Warnings;
    for (const TSwitchStep &Step : FReport)
        for (const QString &Warning : Step.Warnings)
            Warnings.append(Step.Name + QStringLiteral(": ") + Warning);
    return Warnings;
}

QString TLocation::PrinterError() const
{
    for (const TSwitchStep &Step : FReport)
        if (!Counts(Step) && Step.Outcome == TSwitchStep::Failed)
            return Step.Reason;
    return {};
}

TCustomProxy &TLocation::ModuleOf(const TModuleDescriptor &Descriptor)
{
    std::unique_ptr<TCustomProxy> &Slot = FModules.at(static_cast<std::size_t>(Descriptor.Kind));
    if (!Slot)
        Slot = Descriptor.Create(FLocId);
    return *Slot;
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
        if (RemoveModules() && TLocationRules(FLocId).Remove() &&
            DbDeleteRows(Db, "LOCATION", {"LOC_ID", FLocId}) && Db.commit())
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
    for (const TModuleDescriptor *Module : InRemoveOrder(FModuleTable))
        if (!ModuleOf(*Module).Remove())
            return false;
    return true;
}

TLocationList::TLocationList(const TModuleTable &Modules) : FModules(Modules)
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
        auto Location = NewLocation(Query.value("LOC_ID").toString());
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
            *Error = QStringLiteral("There is no location %1").arg(QuotedValue(LocId));
        return false;
    }
    return SwitchToLocation(*Location, Adapters, Error);
}

bool TLocationList::SwitchToLocation(TLocation &Location, const TNetWorkList &Adapters, QString *Error,
                                     ISwitchObserver *Observer)
{
    const auto Refuse = [Error](const QString &Reason) {
        if (Error)
            *Error = Reason;
        return false;
    };
    if (FSwitching)
        return Refuse(QStringLiteral("Another switch is still running"));
    if (Location.NetId().isEmpty())
        return Refuse(QStringLiteral("Location %1 has no adapter").arg(QuotedValue(Location.LocName())));
    FSwitching = true;
    const auto SwitchEnded = qScopeGuard([this] { FSwitching = false; });
    if (!Location.SwitchTo(Adapters, Observer) ||
        !Location.RecordStep([&] { SetCurrentLocation(&Location); }, Observer))
        return Refuse(Location.SwitchErrors().join(QStringLiteral("; ")));
    return true;
}

std::unique_ptr<TLocation> TLocationList::NewLocation(const QString &LocId) const
{
    return std::make_unique<TLocation>(LocId, FModules);
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
