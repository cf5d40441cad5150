#pragma once

#include <QFrame>
#include <functional>
#include <memory>

class TLocation;
class TLocationList;

namespace Ui {
class TFrameLocation;
}

// The editor of one location, docked in the main window's client panel. For now it edits the
// location's name; the main window keeps one per location through this interface.
class TFrameLocation : public QFrame
{
    Q_OBJECT

public:
    using TOnApply = std::function<void(const QString &LocId)>;

    // Locations is the program's location list, which must outlive the editor.
    TFrameLocation(TLocationList &Locations, QWidget *parent = nullptr);
    ~TFrameLocation() override;

    const QString &LocId() const { return FLocId; }
    void SetLocId(const QString &Value) { FLocId = Value; }
    // True while the edited location is new and not stored yet; the main window asks before
    // leaving it.
    bool IsChanged() const { return FIsChanged; }
    void SetIsChanged(bool Value) { FIsChanged = Value; }
    // Called right after the location record is stored.
    void SetOnApply(TOnApply Value) { FOnApply = std::move(Value); }

    // Reloads every control from the location, discarding unsaved edits, and shows the editor.
    void DoShow();
    // Checks and stores the location; true when everything was stored. A failed check says
    // why and puts the focus on the field.
    bool Save();
    // Shows the tabs of the modules the catalogue has switched on, in its order. The Location tab
    // is the only one yet and never moves, so there is nothing to arrange.
    void ShowPageSheet() {}
    // The name as typed in the editor.
    QString LocNameText() const;

private slots:
    void btnApplyClick();

private:
    TLocation *Location();

    std::unique_ptr<Ui::TFrameLocation> ui;
    TLocationList &FLocations;
    QString FLocId;
    bool FIsChanged = false;
    TOnApply FOnApply;
    TLocation *FLocation = nullptr;
    // A location the list does not hold, kept until its first store hands it to the list.
    std::unique_ptr<TLocation> FNewLocation;
};
