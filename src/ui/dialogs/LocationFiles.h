#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;
class TNetWorkList;

// The main window's "Export locations..." and "Import locations from file..." flows: a file
// dialog, then the location file written or read (see the transfer layer), every outcome said
// in a message box.

// What the user picked in a file dialog: the path (empty when cancelled) and, for an export,
// whether passwords go into the file.
struct TFileChoice
{
    QString Path;
    bool WithPasswords = false;
};

// Shows the file dialog of an export (with the password check box) or an import. Tests install
// their own; the previous one is returned.
using TLocationFileDialog = std::function<TFileChoice(QWidget *Owner, bool ForExport)>;
TLocationFileDialog SetLocationFileDialog(TLocationFileDialog Dialog);

// Asks for a file and writes every location to it.
void ExportLocationsToFile(QWidget *Owner, const TNetWorkList &Adapters);

// Asks for a file, checks it, asks how to settle conflicts with stored locations and stores its
// locations. True when the data file changed.
bool ImportLocationsFromFile(QWidget *Owner, const TNetWorkList &Adapters);
