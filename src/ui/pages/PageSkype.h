#pragma once

#include "modules/SkypeProxy.h"
#include "ui/pages/ModulePage.h"

#include <memory>

namespace Ui {
class TPageSkype;
}

// The Skype tab: whether Skype uses a proxy, of which type (automatic detection, HTTPS or
// SOCKS5), and its address.
class TPageSkype : public TModulePage
{
    Q_OBJECT

public:
    static constexpr TModuleKind Kind = TSkypeProxy::Kind;

    explicit TPageSkype(QWidget *parent = nullptr);
    ~TPageSkype() override;

    QString CatalogueCode() const override { return TSkypeProxy::Code; }
    std::vector<TModuleKind> Kinds() const override { return {Kind}; }
    void Load(TLocation &Location) override;
    // With the proxy box checked: a type and a port, for automatic detection too.
    bool Check(TPageProblem *Problem) const override;
    bool Store(TLocation &Location) override;

private:
    // The box enables the type list, server and port; then the type rule.
    void cbSkypeEnableProxyClick();
    // Automatic detection needs no address: server and port are disabled for it.
    void cobSkypeProxyTypeChange();

    std::unique_ptr<Ui::TPageSkype> ui;
};
