#pragma once

#include "ui/pages/ModulePage.h"

#include <QFrame>
#include <functional>
#include <memory>
#include <vector>

class QMenu;
class TAutomaticPage;
class TLocation;
class TLocationList;
struct TPageProblem;

namespace Ui {
class TFrameLocation;
}

// The editor of one location, docked in the main window's client panel: the Location tab (name,
// adapter, printer and the adapter's TCP/IP settings) and one tab per module page, shown and
// ordered as the module catalogue says, then the Automatic tab with the rules that recognise the
// location's network. The main window keeps one per location.
class TFrameLocation : public QFrame
{
    Q_OBJECT

public:
    using TOnApply = std::function<void(const QString &LocId)>;
    using TOnCustomize = std::function<void()>;

    // Locations is the program's location list, which must outlive the editor. Pages are the
    // module pages the editor may show; each gets a tab when its kind is in the list's module
    // table, in that table's order.
    explicit TFrameLocation(TLocationList &Locations, QWidget *parent = nullptr,
                            const std::vector<TPageDescriptor> &Pages = ModulePages());
    ~TFrameLocation() override;

    const QString &LocId() const { return FLocId; }
    void SetLocId(const QString &Value) { FLocId = Value; }
    // True while the edited location is new and not stored yet; the main window asks before
    // leaving it.
    bool IsChanged() const { return FIsChanged; }
    void SetIsChanged(bool Value) { FIsChanged = Value; }
    // Called once a save has been committed.
    void SetOnApply(TOnApply Value) { FOnApply = std::move(Value); }
    // Called by the tab menu's "Customize Proxy Modules"; the owner opens its dialog.
    void SetOnCustomize(TOnCustomize Value) { FOnCustomize = std::move(Value); }

    // Reloads every control from the location, discarding unsaved edits, and shows the editor.
    void DoShow();
    // Checks every tab first; the first refusal is shown in an "Error" box with its tab in
    // front and its field focused. Only when all pass, the location, its TCP/IP settings and
    // every page are stored in one transaction, so a failed save leaves the data file as it
    // was. True when everything was stored.
    bool Save();
    // Shows the tabs of the modules the catalogue has switched on, at their catalogue places.
    void ShowPageSheet();
    // The name as typed in the editor.
    QString LocNameText() const;

private slots:
    void btnApplyClick();
    void cbEnableDHCPClick();
    void cbAutoDNSClick();
    void btnGateWayMACClick();
    void lblAutoGetClick();
    void pcLocationContextPopup(const QPoint &Pos);
    void nCloseClick();
    void nCustomClick();

protected:
    bool eventFilter(QObject *Watched, QEvent *Event) override;

private:
    TLocation *Location();
    void CreatePages(const std::vector<TPageDescriptor> &Pages);
    // The catalogue code of a tab other than the Automatic one.
    QString SheetCode(QWidget *Sheet) const;
    // The tab that holds Page.
    QWidget *SheetOf(QWidget *Page) const;
    void MoveSheet(QWidget *Sheet, int Index);
    void LoadLocation();
    void LoadAdapters();
    void LoadPrinters();
    void LoadTcpIp();
    bool CheckLocationTab(TPageProblem *Problem) const;
    bool CheckAll();
    bool StoreAll(QString *Failed);
    bool StoreInTransaction(QString *Failed);
    void StoreLocationRecord(TLocation &Stored);
    bool StoreTcpIp(TLocation &Stored);
    QString SelectedNetId() const;
    QString GatewaySourceAddress();

    std::unique_ptr<Ui::TFrameLocation> ui;
    TLocationList &FLocations;
    QString FLocId;
    bool FIsChanged = false;
    TOnApply FOnApply;
    TOnCustomize FOnCustomize;
    TLocation *FLocation = nullptr;
    // A location the list does not hold, kept until its first store hands it to the list.
    std::unique_ptr<TLocation> FNewLocation;
    // The module pages in the order of the module table; the tab widget owns them.
    std::vector<TModulePage *> FPages;
    // Always the last tab: the rules are not a module, so the catalogue neither hides nor moves it.
    TAutomaticPage *FAutomatic = nullptr;
    QMenu *FSheetMenu = nullptr;
    // The sheet whose tab the menu was opened on.
    QWidget *FMenuSheet = nullptr;
};
