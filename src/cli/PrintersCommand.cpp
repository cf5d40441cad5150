#include "cli/PrintersCommand.h"

#include "cli/CtlSupport.h"
#include "platform/printing/Printers.h"

TPrintersCommand::TPrintersCommand()
    : TCtlCommand({.Name = "printers",
                   .Help = {{"printers", "the installed printers: default mark (*), name"}},
                   .NeedsData = false})
{}

void TPrintersCommand::Run(const QStringList &, TCtlContext &Context) const
{
    QList<TPrinterInfo> Printers;
    QString Reason;
    if (!InstalledPrinters(Printers, &Reason))
        Fail(QStringLiteral("cannot list the printers: %1").arg(Reason));
    for (const TPrinterInfo &Printer : Printers)
        Context.PrintRecord({Printer.Default ? "*" : "", Printer.Name});
}
