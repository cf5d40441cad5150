#pragma once

#include "ui/pages/ModulePage.h"

#include <memory>

class QTreeWidget;

namespace Ui {
class TPageShare;
}

// The tab of the folders a location shares and the network drives it maps. The list commands
// store through their dialogs, or remove a record, at once; storing the tab only stores the two
// switches.
class TPageShare : public TModulePage
{
    Q_OBJECT

public:
    static constexpr TModuleKind Kind = TModuleKind::FolderShare;

    explicit TPageShare(QWidget *Parent = nullptr);
    ~TPageShare() override;

    QString CatalogueCode() const override;
    std::vector<TModuleKind> Kinds() const override;
    void Load(TLocation &Location) override;
    bool Check(TPageProblem *Problem) const override;
    bool Store(TLocation &Location) override;

private slots:
    void btnAddShareClick();
    void btnModifyShareClick();
    void btnDelShareClick();
    void btnAddMountClick();
    void btnModifyMountClick();
    void btnDelMountClick();

private:
    void LoadShares();
    void LoadMappings();

    std::unique_ptr<Ui::TPageShare> ui;
    QString FLocId;
};
