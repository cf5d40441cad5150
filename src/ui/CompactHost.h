#pragma once

#include <QString>

class TLocationList;

// What the compact panel asks of the window that opened it: the locations to show as lamps, the
// switch, and the way back to the full window or out of the program.
class ICompactHost
{
public:
    virtual ~ICompactHost() = default;

    // The program's location list; nullptr before it is loaded.
    virtual const TLocationList *Locations() const = 0;
    // The switch flow of the main window; true when the location is now current.
    virtual bool SwitchTo(const QString &LocId) = 0;
    // The panel was activated: the main window gets out of the way.
    virtual void HideMainWindow() = 0;
    // "Restore to MainUI": the full window comes back (the panel closes itself).
    virtual void ShowMainWindow() = 0;
    // "Exit": what closing the main window does.
    virtual void CloseMainWindow() = 0;
};
