#include "cli/ImportFileCommand.h"

#include "base/NetText.h"
#include "cli/CtlSupport.h"
#include "locations/Location.h"
#include "modules/ProgramModules.h"
#include "transfer/LocationImport.h"

namespace {

TConflictChoice ConflictChoice(const QString &Text)
{
    const QList<QPair<QString, TConflictChoice>> Choices{{"skip", TConflictChoice::Skip},
                                                         {"rename", TConflictChoice::Rename},
                                                         {"replace", TConflictChoice::Replace}};
    for (const auto &[Name, Choice] : Choices)
        if (Text == Name)
            return Choice;
    Fail(QStringLiteral("--on-conflict takes skip, rename or replace, not %1").arg(QuotedValue(Text)),
         ecUsage);
}

} // namespace

TImportFileCommand::TImportFileCommand()
    : TCtlCommand({.Name = "import-file",
                   .Help = {{"import-file FILE [--on-conflict skip|rename|replace]",
                             "store the locations of a location file; one whose id or name is\n"
                             "taken is skipped (default), renamed or replaces the stored one;\n"
                             "prints the id and name of each location stored"}},
                   .MinArguments = -1})
{}

void TImportFileCommand::Run(const QStringList &Arguments, TCtlContext &Context) const
{
    QStringList Args = Arguments;
    const TConflictChoice Choice = ConflictChoice(TakeOptionValue(Args, "--on-conflict", "skip"));
    if (Args.size() != 1)
        Fail("import-file takes 1 argument; see wayfarelctl --help", ecUsage);
    TLocationImport Import(ProgramModules());
    if (!Import.CheckFile(Args.first()))
        Fail(QStringLiteral("%1 is refused, nothing was imported:\n  %2")
                 .arg(QuotedValue(Args.first()), Import.Problems().join(QStringLiteral("\n  "))));
    if (!Import.Store(Choice, KnownAdapters()))
        Fail(QStringLiteral("nothing was imported: %1").arg(Import.LastError()));
    for (const QString &Notice : Import.Notices())
        Context.Warn(Notice);
    TLocationList List(ProgramModules());
    List.WriteRegistry();
    for (const QString &LocId : Import.StoredIds())
        Context.PrintRecord({LocId, List.GetItemByLocId(LocId)->LocName()});
}
