#pragma once

#include "locations/AutoSwitcher.h"

#include <QObject>
#include <QStringList>
#include <functional>
#include <memory>

class QSystemTrayIcon;
class QWidget;
class TLocationList;

// Where automatic switching sees the network (NetworkManager on the system bus unless given) and
// how long it must stay the same before it is judged.
struct TAutoWatchSetup
{
    std::function<std::unique_ptr<IFingerprintSource>()> MakeSource;
    qint64 SettleMs = 2000;
};

// Automatic switching in the program: watches NetworkManager while it is switched on, switches
// through the main window's flow and tells it in the tray, offering to switch back; a tie asks
// in the tray which location to take. Nothing watches while it is off (the default).
class TAutoSwitchTray : public QObject
{
public:
    // Switch runs the main window's switch of a location; Automatic is true for one this object
    // starts. The list, the tray icon and Owner must outlive this object.
    using TSwitch = std::function<bool(const QString &LocId, bool Automatic)>;
    TAutoSwitchTray(const TLocationList &List, QSystemTrayIcon &Tray, TSwitch Switch, QWidget *Owner,
                    TAutoWatchSetup Setup = {});
    ~TAutoSwitchTray() override;

    bool IsOn() const;
    // Starts or stops watching and stores the choice for the next start.
    void SetOn(bool On);
    // Every switch of the window goes between these, so a location chosen by hand stays.
    void SwitchStarted();
    void SwitchFinished();

private:
    void Start();
    TAutoSwitcher::THooks Hooks();
    void Switched(const TAutoDecision &Decision, const QString &Previous, bool Ok);
    void Ask(const TAutoDecision &Decision);
    void MessageClicked();
    QString NameOf(const QString &LocId) const;

    const TLocationList &FList;
    QSystemTrayIcon &FTray;
    TSwitch FSwitch;
    QWidget *FOwner;
    TAutoWatchSetup FSetup;
    std::unique_ptr<IFingerprintSource> FSource;
    std::unique_ptr<TAutoSwitcher> FSwitcher;
    // What a click on the last message does: switch back to FUndoLocId, or choose among FChoice.
    QString FUndoLocId;
    QStringList FChoice;
};
