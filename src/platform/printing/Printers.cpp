#include "platform/printing/Printers.h"

#include <cups/cups.h>

namespace {

// The destinations of one cupsGetDests2 call, freed with it.
class TDests
{
public:
    TDests() : FCount(cupsGetDests2(CUPS_HTTP_DEFAULT, &FDests)) {}
    ~TDests() { cupsFreeDests(FCount, FDests); }
    TDests(const TDests &) = delete;
    TDests &operator=(const TDests &) = delete;

    // A server without queues answers "not found"; that is an empty list, not a failure.
    bool Failed() const
    {
        const ipp_status_t status = cupsLastError();
        return status >= IPP_STATUS_REDIRECTION_OTHER_SITE && status != IPP_STATUS_ERROR_NOT_FOUND;
    }
    int Count() const { return FCount; }
    cups_dest_t *Dests() const { return FDests; }

private:
    cups_dest_t *FDests = nullptr;
    int FCount;
};

bool Fail(QString *reason, const QString &text)
{
    if (reason)
        *reason = text;
    return false;
}

QString CupsError() { return QString::fromUtf8(cupsLastErrorString()); }

} // namespace

bool InstalledPrinters(QList<TPrinterInfo> &printers, QString *reason)
{
    printers.clear();
    const TDests dests;
    if (dests.Count() == 0 && dests.Failed())
        return Fail(reason, QStringLiteral("CUPS cannot be asked for printers: %1").arg(CupsError()));
    for (int i = 0; i < dests.Count(); ++i) {
        const cups_dest_t &dest = dests.Dests()[i];
        if (!dest.instance)
            printers.append({QString::fromUtf8(dest.name), dest.is_default != 0});
    }
    return true;
}

QString DefaultPrinterName()
{
    QList<TPrinterInfo> printers;
    InstalledPrinters(printers);
    for (const TPrinterInfo &printer : printers)
        if (printer.Default)
            return printer.Name;
    return QString();
}

bool SetDefaultPrinter(const QString &name, QString *reason)
{
    const TDests dests;
    if (dests.Count() == 0 && dests.Failed())
        return Fail(reason, QStringLiteral("CUPS cannot be asked for printers: %1").arg(CupsError()));
    const QByteArray utf8Name = name.toUtf8();
    cups_dest_t *chosen = cupsGetDest(utf8Name.constData(), nullptr, dests.Count(), dests.Dests());
    if (name.isEmpty() || !chosen)
        return Fail(reason, QStringLiteral("there is no printer '%1'").arg(name));
    for (int i = 0; i < dests.Count(); ++i)
        dests.Dests()[i].is_default = 0;
    chosen->is_default = 1;
    if (cupsSetDests2(CUPS_HTTP_DEFAULT, dests.Count(), dests.Dests()) != 0)
        return Fail(reason, QStringLiteral("the default printer cannot be saved: %1").arg(CupsError()));
    return true;
}
