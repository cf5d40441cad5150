#include "locations/LocationQueries.h"

#include "base/NetText.h"

namespace {

void Tell(QString *Error, const QString &Text)
{
    if (Error)
        *Error = Text;
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
