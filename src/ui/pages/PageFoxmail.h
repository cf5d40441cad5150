#pragma once

#include "ui/pages/ModulePage.h"

#include <memory>

namespace Ui {
class TPageFoxmail;
}

// The Foxmail proxy tab: on or off, SOCKS version, server and port. The user name and password
// the module keeps are carried through hidden fields.
class TPageFoxmail : public TModulePage
{
    Q_OBJECT

public:
    static constexpr TModuleKind Kind = TModuleKind::Foxmail;

    explicit TPageFoxmail(QWidget *Parent = nullptr);
    ~TPageFoxmail() override;

    QString CatalogueCode() const override;
    std::vector<TModuleKind> Kinds() const override { return {Kind}; }
    void Load(TLocation &Location) override;
    bool Check(TPageProblem *Problem) const override;
    bool Store(TLocation &Location) override;

private slots:
    void cbFMEnableProxyClick();

private:
    std::unique_ptr<Ui::TPageFoxmail> ui;
};
