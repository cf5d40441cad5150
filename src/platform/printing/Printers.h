#pragma once

#include <QList>
#include <QString>

// One print queue of CUPS and whether it is the user's default destination.
struct TPrinterInfo
{
    QString Name;
    bool Default = false;
};

// The printing system as CUPS serves it ($CUPS_SERVER, else the local scheduler), with the
// user's lpoptions applied. Queue instances ("name/instance") are not printers of their own.

// The installed printers in CUPS order; false when CUPS cannot be asked, with the reason.
bool InstalledPrinters(QList<TPrinterInfo> &printers, QString *reason = nullptr);
// The user's default destination; empty when there is none or CUPS cannot be asked.
QString DefaultPrinterName();
// Makes Name the user's default destination, as "lpoptions -d" does. False with the reason
// for a queue CUPS does not have or a default that cannot be saved.
bool SetDefaultPrinter(const QString &name, QString *reason = nullptr);
