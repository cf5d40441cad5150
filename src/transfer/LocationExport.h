#pragma once

#include "locations/ModuleTable.h"
#include "transfer/TransferFormat.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Writes locations of the data file, with every module's row, shares and drives, as a
// location file (TransferFormat.h).

// The locations LocIds (every stored location when empty) with the rows of Modules' tables.
// Passwords are left out unless WithPasswords. Adapters give each location's adapter its
// name, by which another computer may find it. False when the data file cannot be read or
// an id names no location, with the reason in Error.
bool ExportLocations(const TModuleTable &Modules, const QList<TKnownAdapter> &Adapters,
                     const QStringList &LocIds, bool WithPasswords, QByteArray &Document,
                     QString *Error = nullptr);

// Writes Document to Path readable by its owner alone (it may hold passwords), through a
// temporary file renamed over Path.
bool SaveLocationFile(const QString &Path, const QByteArray &Document, QString *Error = nullptr);
