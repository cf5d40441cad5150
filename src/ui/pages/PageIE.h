#pragma once

#include "ui/pages/ModulePage.h"
#include "ui/pages/ProxyRows.h"

#include <array>
#include <memory>

namespace Ui {
class TPageIE;
}

// The desktop proxy tab: on or off, one server per protocol or the HTTP one for all, and the
// bypass list whose "<Local>" entry is shown as a box of its own.
class TPageIE : public TModulePage
{
    Q_OBJECT

public:
    static constexpr TModuleKind Kind = TModuleKind::IE;

    explicit TPageIE(QWidget *Parent = nullptr);
    ~TPageIE() override;

    QString CatalogueCode() const override;
    std::vector<TModuleKind> Kinds() const override { return {Kind}; }
    void Load(TLocation &Location) override;
    bool Check(TPageProblem *Problem) const override;
    bool Store(TLocation &Location) override;

private slots:
    void cbIEEnableProxyClick();
    void cbIEShareSettingClick();

private:
    // The rows in the order HTTP, Secure, FTP, Gopher, Socks.
    std::array<TProxyRow, 5> Rows() const;

    std::unique_ptr<Ui::TPageIE> ui;
};
