#include "cli/ExportCommand.h"

#include "cli/CtlSupport.h"
#include "locations/Location.h"
#include "modules/ProgramModules.h"
#include "transfer/LocationExport.h"

#include <QIODevice>

namespace {

// The file's bytes as they are onto the stream's device (standard output); a stream on a string
// takes them as text.
void WriteDocument(QTextStream &Out, const QByteArray &Document)
{
    QIODevice *Device = Out.device();
    if (!Device) {
        Out << Document;
        return;
    }
    Out.flush();
    if (Device->write(Document) != Document.size())
        Fail(QStringLiteral("cannot write the location file: %1").arg(Device->errorString()));
}

} // namespace

TExportCommand::TExportCommand()
    : TCtlCommand({.Name = "export",
                   .Help = {{"export [LOCATION...] [--with-passwords] [-o FILE]",
                             "the locations (all when none is named) as a location file on\n"
                             "standard output, or in FILE (mode 0600); passwords only when asked"}},
                   .MinArguments = -1})
{}

void TExportCommand::Run(const QStringList &Arguments, TCtlContext &Context) const
{
    QStringList Args = Arguments;
    const bool WithPasswords = Args.removeAll(QStringLiteral("--with-passwords")) > 0;
    const QString Path = TakeOptionValue(Args, QStringLiteral("-o"));
    const TLocationList List(ProgramModules());
    QStringList LocIds;
    for (const QString &Key : std::as_const(Args))
        LocIds.append(FindLocation(List, Key).LocId());
    QByteArray Document;
    QString Error;
    if (!ExportLocations(ProgramModules(), KnownAdapters(), LocIds, WithPasswords, Document, &Error))
        Fail(Error);
    if (!Path.isEmpty() && !SaveLocationFile(Path, Document, &Error))
        Fail(Error);
    if (Path.isEmpty())
        WriteDocument(Context.Out(), Document);
}
