#pragma once

#include "ui/pages/ModulePage.h"

#include <memory>

namespace Ui {
class TPageMSN;
}

// The MSN Messenger proxy tab: on or off, SOCKS server and port.
class TPageMSN : public TModulePage
{
    Q_OBJECT

public:
    static constexpr TModuleKind Kind = TModuleKind::MSN;

    explicit TPageMSN(QWidget *Parent = nullptr);
    ~TPageMSN() override;

    QString CatalogueCode() const override;
    std::vector<TModuleKind> Kinds() const override { return {Kind}; }
    void Load(TLocation &Location) override;
    bool Check(TPageProblem *Problem) const override;
    bool Store(TLocation &Location) override;

private slots:
    void cbMSNEnableProxyClick();

private:
    std::unique_ptr<Ui::TPageMSN> ui;
};
