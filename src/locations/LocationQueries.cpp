#include "locations/LocationQueries.h"

#include "adapters/IpAddress.h"
#include "adapters/Network.h"
#include "base/NetText.h"

namespace {

void Tell(QString *Error, const QString &Text)
{
    if (Error)
        *Error = Text;
}

QString YesNo(bool Value) { return Value ? QStringLiteral("yes") : QStringLiteral("no"); }

QString AdapterName(const TNetWorkList &Adapters, const QString &NetId)
{
    const TNetWork *Adapter = NetId.isEmpty() ? nullptr : Adapters.GetNetWork(NetId);
    return Adapter ? Adapter->Name() : QString();
}

// A module switched off in the catalogue has loaded nothing, so it shows its state alone.
void AddModuleRecords(QList<QStringList> &Records, const TModuleDescriptor &Descriptor, TCustomProxy &Module)
{
    const bool Enabled = Module.IsEnabled();
    Records.append({Descriptor.Name, !Enabled                    ? QStringLiteral("switched off")
                                     : !Descriptor.IsInstalled() ? QStringLiteral("not installed")
                                                                 : QStringLiteral("on")});
    if (!Enabled)
        return;
    for (const auto &[Column, Value] : Module.StoredFields())
        Records.append({Descriptor.Name + QLatin1Char(' ') + Column, Value});
}

} // namespace

TLocation *FindLocationByKey(const TLocationList &List, const QString &Key, QString *Error)
{
    if (TLocation *ById = List.GetItemByLocId(Key))
        return ById;
    for (const Qt::CaseSensitivity Sensitivity : {Qt::CaseSensitive, Qt::CaseInsensitive}) {
        QList<TLocation *> Named;
        for (int I = 0; I < List.Count(); ++I)
            if (List.Items(I)->LocName().compare(Key, Sensitivity) == 0)
                Named.append(List.Items(I));
        if (Named.size() > 1) {
            Tell(Error, QStringLiteral("%1 locations are named %2; give the id instead")
                            .arg(Named.size())
                            .arg(QuotedValue(Key)));
            return nullptr;
        }
        if (Named.size() == 1)
            return Named.first();
    }
    Tell(Error, QStringLiteral("no location %1 (see wayfarelctl list)").arg(QuotedValue(Key)));
    return nullptr;
}

QList<TLocationEntry> LocationEntries(const TLocationList &List)
{
    QList<TLocationEntry> Entries;
    for (int I = 0; I < List.Count(); ++I) {
        const TLocation &Location = *List.Items(I);
        Entries.append({&Location == List.CurrentLocation(), Location.LocId(), Location.LocName(),
                        Location.NetId(), Location.Printer()});
    }
    return Entries;
}

QList<QStringList> LocationRecords(const TLocationList &List, TLocation &Location,
                                   const TNetWorkList &Adapters)
{
    const TIPAddress &Ip = *Location.IpAddress();
    QList<QStringList> Records{
        {"Id", Location.LocId()},
        {"Name", Location.LocName()},
        {"Description", Location.LocDesc()},
        {"Adapter", Location.NetId()},
        {"Adapter name", AdapterName(Adapters, Location.NetId())},
        {"Printer", Location.Printer()},
        {"Current", YesNo(&Location == List.CurrentLocation())},
        {"DHCP", YesNo(Ip.EnableDHCP())},
        {"IP address", Ip.IPAddr()},
        {"Subnet mask", Ip.SubnetMask()},
        {"Gateway", Ip.GateWay()},
        {"Automatic DNS", YesNo(Ip.AutoGetDNS())},
        {"DNS 1", Ip.MainDNS()},
        {"DNS 2", Ip.SubDNS()},
        {"MAC address", Ip.MacAddr()},
        {"Gateway MAC", Ip.GWMacAddr()},
        {"Gateway binding", YesNo(Ip.AutoRepair())},
    };
    for (const TModuleDescriptor &Descriptor : List.Modules())
        AddModuleRecords(Records, Descriptor, Location.ModuleOf(Descriptor));
    return Records;
}

TSwitchOutcome SwitchOutcome(const TLocation &Location, bool Switched, const QString &Error,
                             const TSwitchReport &Steps)
{
    TSwitchOutcome Outcome;
    Outcome.Status = Switched ? 0 : 1;
    Outcome.Id = Location.LocId();
    Outcome.Name = Location.LocName();
    for (const TSwitchStep &Step : Steps)
        Outcome.Steps.append(StepText(Step));
    if (!Location.PrinterError().isEmpty())
        Outcome.Warnings.append(Location.PrinterError());
    Outcome.Warnings += Location.SwitchWarnings();
    if (!Switched)
        Outcome.Error =
            QStringLiteral("switching to %1 failed: %2").arg(QuotedValue(Location.LocName()), Error);
    return Outcome;
}
