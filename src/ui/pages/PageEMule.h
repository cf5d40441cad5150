#pragma once

#include "modules/eMuleProxy.h"
#include "ui/pages/DownloadProxyPage.h"

#include <memory>

namespace Ui {
class TPageEMule;
}

// The eMule tab: the proxy eMule downloads through, with optional authentication.
class TPageEMule : public TDownloadProxyPage
{
    Q_OBJECT

public:
    static constexpr TModuleKind Kind = TeMuleProxy::Kind;

    explicit TPageEMule(QWidget *parent = nullptr);
    ~TPageEMule() override;

    QString CatalogueCode() const override { return TeMuleProxy::Code; }
    std::vector<TModuleKind> Kinds() const override { return {Kind}; }
    void Load(TLocation &Location) override;
    bool Store(TLocation &Location) override;

private:
    std::unique_ptr<Ui::TPageEMule> ui;
};
