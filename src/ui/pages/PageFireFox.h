#pragma once

#include "ui/pages/ModulePage.h"
#include "ui/pages/ProxyRows.h"

#include <array>
#include <memory>

class QRadioButton;

namespace Ui {
class TPageFireFox;
}

// The Firefox proxy tab: the connection mode, the manual servers with the HTTP one for all
// and the SOCKS version, the bypass list and the configuration URL. The mode alone says
// whether Firefox uses a proxy.
class TPageFireFox : public TModulePage
{
    Q_OBJECT

public:
    static constexpr TModuleKind Kind = TModuleKind::Firefox;

    explicit TPageFireFox(QWidget *Parent = nullptr);
    ~TPageFireFox() override;

    QString CatalogueCode() const override;
    std::vector<TModuleKind> Kinds() const override { return {Kind}; }
    void Load(TLocation &Location) override;
    bool Check(TPageProblem *Problem) const override;
    bool Store(TLocation &Location) override;

private slots:
    // Direct, auto-detect and system settings use no page fields.
    void rbFFDirectClick();
    void rbFFAutoDetectClick();
    void rbFFManualClick();
    void rbFFAutoSettingsClick();
    void cbFFShareSettingsClick();

private:
    // The rows in the order HTTP, Secure, FTP, Gopher, Socks.
    std::array<TProxyRow, 5> Rows() const;
    // Sets the rows, the share box, the bypass list and the SOCKS radios alike, and the URL edit.
    void EnableFields(bool Manual, bool Url);
    // The mode radios in the order of the module's type codes 1 to 5.
    std::array<QRadioButton *, 5> ModeRadios() const;
    static const std::array<void (TPageFireFox::*)(), 5> ModeRules;

    std::unique_ptr<Ui::TPageFireFox> ui;
};
