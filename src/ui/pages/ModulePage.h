#pragma once

#include "locations/Proxy.h"

#include <QString>
#include <QWidget>
#include <memory>
#include <vector>

class TLocation;

// Why a page's check refused its controls: the text for the "Error" box and the control that
// gets the focus.
struct TPageProblem
{
    QString Message;
    QWidget *Focus = nullptr;
};

// One tab of the location editor that edits settings modules of the location. The tab caption
// is the page's window title. The editor loads, checks and stores its pages in the order of the
// program's module table, at the first of the kinds a page edits; a page whose catalogue code is
// switched off is hidden and not checked, but still stored (a disabled module writes nothing).
class TModulePage : public QWidget
{
    Q_OBJECT

public:
    using QWidget::QWidget;

    // The catalogue code that shows, hides and orders the tab ("SHARE" for shares and drives).
    virtual QString CatalogueCode() const = 0;
    // The module kinds the page edits, in the module table's order.
    virtual std::vector<TModuleKind> Kinds() const = 0;
    // Fills the controls from the location's modules, then runs the tab's enable rules.
    virtual void Load(TLocation &Location) = 0;
    // True when the controls can be stored; otherwise Problem says why and where.
    virtual bool Check(TPageProblem *Problem) const = 0;
    // Copies the controls into the location's module objects and saves them; false when a
    // module's Save failed. The editor runs every store inside one database transaction.
    virtual bool Store(TLocation &Location) = 0;
};

// How the editor makes the page of a module kind.
struct TPageDescriptor
{
    TModuleKind Kind;
    std::unique_ptr<TModulePage> (*Create)(QWidget *Parent);
};

// The line for page class TPage, which declares `static constexpr TModuleKind Kind`, the first
// kind it edits.
template <class TPage>
TPageDescriptor DescribePage()
{
    return {TPage::Kind,
            [](QWidget *Parent) -> std::unique_ptr<TModulePage> { return std::make_unique<TPage>(Parent); }};
}

// The editor's pages; at most one line per kind. A kind without a line has no tab.
const std::vector<TPageDescriptor> &ModulePages();
// The line whose page starts at Kind; null when there is none.
const TPageDescriptor *FindPage(TModuleKind Kind);
