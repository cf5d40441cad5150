#pragma once

#include "locations/AutoSwitcher.h"
#include "locations/LocationRules.h"
#include "ui/pages/ModulePage.h"

#include <QWidget>
#include <functional>
#include <memory>

namespace Ui {
class TAutomaticPage;
}

// The editor's tab for the rules that recognise a location's network and its automatic flag.
// The rules belong to the location, not to a settings module, so the editor shows this tab
// after the module pages; it loads, checks and stores like them.
class TAutomaticPage : public QWidget
{
    Q_OBJECT

public:
    // Looks at the network this computer is on; NetworkManager on the system bus unless given.
    using TNetworkReader = std::function<void(IFingerprintSource::TDone Done)>;

    explicit TAutomaticPage(QWidget *Parent = nullptr, TNetworkReader Reader = {});
    ~TAutomaticPage() override;

    // Fills the controls from the location's stored rules; false when they cannot be read.
    bool Load(const QString &LocId);
    // True when every row is a rule; otherwise Problem names the row and why.
    bool Check(TPageProblem *Problem) const;
    // Stores the rules and the flag inside the editor's transaction.
    bool Store(const QString &LocId);

    // The rows as rules; a row that is none is left out.
    QList<TLocationRule> Rules() const;
    void ShowRules(const QList<TLocationRule> &Rules);

private:
    void AddRow(const TLocationRule &Rule);
    QStringList RowWords(int Row) const;
    void UseCurrentNetwork();

    std::unique_ptr<Ui::TAutomaticPage> ui;
    TNetworkReader FReader;
    std::unique_ptr<IFingerprintSource> FSource;
};
