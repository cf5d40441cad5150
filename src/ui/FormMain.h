#pragma once

#include "locations/SwitchReport.h"
#include "ui/CompactHost.h"

#include <QMainWindow>
#include <QMap>
#include <QPointer>
#include <QSystemTrayIcon>
#include <functional>
#include <memory>

class QActionGroup;
class QLabel;
class QMenu;
class QTreeWidgetItem;
class TAutoSwitchTray;
class TFrameLocation;
class TFrameMacScan;
class TfrmCompact;
class TFrmSwitchReport;
class TLocation;
class TNetWorkList;

namespace Ui {
class TFrmMain;
}

// The main window: the navigation tree, the location editors, the toolbar, the menus, the status
// bar and the tray icon, and the flows the user starts from them (switching, adding, importing,
// deleting locations). Creating it opens the profile database and loads the adapter list and the
// location list, which it owns for the program's life; it stays hidden until ShowStartInterface.
// Destroying it writes the location list's registry mirror.
class TFrmMain : public QMainWindow, public ICompactHost
{
    Q_OBJECT

public:
    explicit TFrmMain(QWidget *parent = nullptr);
    ~TFrmMain() override;

    // Shows what the command line and the stored start-up interface DefaultUI ask for, puts the
    // icon into the tray and, while there is no location yet, offers to import some. Arguments
    // are the program's parameters: none; "--tray" (start in the tray, as the autostart entry
    // does); or a launching host window's id and a Boolean, HideOnCreate. The compact panel
    // is opened by this window and announced by CompactPanelRequested.
    void ShowStartInterface(const QStringList &Arguments, int DefaultUI);

    const TLocationList *Locations() const override { return FLocationList.get(); }
    // The program's adapter list; nullptr before it is loaded.
    const TNetWorkList *Adapters() const { return FNetWorkList.get(); }
    // Switches with the progress window showing every step; the window is disabled meanwhile and
    // no second switch starts. Success says so (message 6); a failure lists every step with its
    // outcome and reason, and the tray tells it too.
    bool SwitchTo(const QString &LocId) override;
    void HideMainWindow() override;
    void ShowMainWindow() override;
    void CloseMainWindow() override;

    // The module customisation dialog, run modally; after OK every location editor rearranges
    // its tabs. Returns the dialog's result; Rejected while no dialog is installed.
    int CustomizeModules();
    using TCustomizeDialog = std::function<int(QWidget *Owner)>;
    // Installs the dialog "Customize proxy plugins" runs; its menu entry is enabled only then.
    void SetCustomizeDialog(TCustomizeDialog Dialog);
    // Places Frame (the scan panel, say) in the client panel, filling it, and brings it to the
    // front.
    void ShowClientFrame(QWidget *Frame);

    bool HideOnCreate() const { return FHideOnCreate; }
    // True while a switch runs; SwitchTo refuses a second one meanwhile.
    bool Switching() const { return FSwitching; }
    // True once the window closed for good: the program is ending, even when that came before
    // the event loop ran (a session ending during the first-run question, say).
    bool Ended() const { return FEnded; }
    // What the status bar says.
    QString StatusText() const;

signals:
    // The compact panel was opened in place of this window.
    void CompactPanelRequested();
    // The full window is back; a compact panel is to close.
    void MainWindowRestored();
    // A switch ended, before its messages are shown: whether the location is now current, why
    // not, and every step.
    void SwitchEnded(const QString &LocId, bool Switched, const QString &Error, const TSwitchReport &Steps);

protected:
    void closeEvent(QCloseEvent *Event) override;

private:
    void PlaceWindow();
    void LinkMenuItems();
    void PrepareMenus();
    void ConnectActions();
    void InitMainWindow();
    void ProcessCommandLine(const QStringList &Arguments, int DefaultUI);
    void OfferInitialImport();
    void BuildNavigationTree();
    void RefreshLocationNodes();
    void RefreshLocationMenus();
    void FillLocationMenu(QMenu *Menu, QActionGroup *Group, bool WithShortcuts);
    void UpdateStatusBar();
    void UpdateTrayToolTip();
    void BuildSkinMenu();
    void SelectSkin(QAction *Entry);
    void ShowTrayIcon();
    void TrimWorkingSet();

    QTreeWidgetItem *LocationsNode() const;
    QTreeWidgetItem *AddLocationNode(const TLocation &Location, int Index);
    TFrameLocation *CreateFrame(const QString &LocId);
    void AddLocationView(std::unique_ptr<TLocation> Location, bool IsNew);
    void ShowLocationFrame(const QString &LocId);
    void ImportLocation(const QString &Name, const QString &Description, const QString &NetId);
    void LocationApplied(const QString &LocId);
    bool CanLeaveNode(QTreeWidgetItem *Node);
    void DiscardLocation(QTreeWidgetItem *Node);
    void DeleteLocation(QTreeWidgetItem *Node);
    void ReportFailedSwitch(const QString &LocName, const QList<TSwitchStep> &Steps);
    // SwitchTo; an automatic switch is told in the tray instead of by message 6.
    bool SwitchLocation(const QString &LocId, bool Automatic);
    bool RunSwitch(const QString &LocId, bool Automatic);
    void RefreshAdapters();

    void ActExitExecute();
    void ActCompactExecute();
    void CloseCompactPanel();
    void ActMacScanExecute();
    void ActMainUIExecute();
    void ActAboutExecute();
    void ActAddLocationExecute();
    void ActImportExecute();
    void nImportFileClick();
    void tvNavigateClick(QTreeWidgetItem *Node);
    void tvNavigateContextPopup(const QPoint &Pos);
    void nPopSwitchToClick();
    void nAutostartClick(bool On);
    void TrayIconActivated(QSystemTrayIcon::ActivationReason Reason);

    std::unique_ptr<Ui::TFrmMain> ui;
    QLabel *FStatusPanel;
    QSystemTrayIcon *FTrayIcon;
    QActionGroup *FToolbarGroup;
    QActionGroup *FMenuGroup;
    QActionGroup *FTrayGroup;
    std::unique_ptr<TNetWorkList> FNetWorkList;
    std::unique_ptr<TLocationList> FLocationList;
    TfrmCompact *FCompact = nullptr;
    TFrameMacScan *FMacScan = nullptr;
    // The editor of every location shown so far, by location id; the window owns the editors.
    QMap<QString, TFrameLocation *> FLocationFrames;
    QPointer<TFrmSwitchReport> FSwitchReport;
    std::unique_ptr<TAutoSwitchTray> FAutoSwitch;
    TCustomizeDialog FCustomizeDialog;
    quint32 FHostWindow = 0;
    bool FHideOnCreate = false;
    bool FSwitching = false;
    bool FExiting = false;
    bool FExitAfterSwitch = false;
    bool FEnded = false;
    // Set while the selection leaves a node that is going away: nothing to ask then.
    bool FDiscarding = false;
};
