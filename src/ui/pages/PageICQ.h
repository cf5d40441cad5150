#pragma once

#include "modules/ICQProxy.h"
#include "ui/pages/ModulePage.h"

#include <memory>

namespace Ui {
class TPageICQ;
}

// The ICQ tab: automatic or manual connection settings; manual ones name the login server and
// optionally a proxy, with or without authentication.
class TPageICQ : public TModulePage
{
    Q_OBJECT

public:
    static constexpr TModuleKind Kind = TICQProxy::Kind;

    explicit TPageICQ(QWidget *parent = nullptr);
    ~TPageICQ() override;

    QString CatalogueCode() const override { return TICQProxy::Code; }
    std::vector<TModuleKind> Kinds() const override { return {Kind}; }
    void Load(TLocation &Location) override;
    // With manual settings, in this order: a type, the server, its port, and unless the type is
    // "None" the proxy server and its port.
    bool Check(TPageProblem *Problem) const override;
    bool Store(TLocation &Location) override;

private:
    // Manual settings enable the server, its port and the type list; then the type rule.
    void rbICQManualClick();
    // A proxy type other than "None" in an enabled list enables the proxy fields and the
    // authentication box; then the authentication rule.
    void cobICQTypeChange();
    // User and password follow a checked, enabled authentication box of a real proxy.
    void cbICQNeedAuthClick();

    bool CheckServer(TPageProblem *Problem) const;
    bool CheckProxy(TPageProblem *Problem) const;
    bool HasProxyType() const;

    std::unique_ptr<Ui::TPageICQ> ui;
};
