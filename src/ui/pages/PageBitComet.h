#pragma once

#include "modules/BitCometProxy.h"
#include "ui/pages/DownloadProxyPage.h"

#include <memory>

namespace Ui {
class TPageBitComet;
}

// The BitComet tab: the proxy BitComet downloads through, with optional authentication.
class TPageBitComet : public TDownloadProxyPage
{
    Q_OBJECT

public:
    static constexpr TModuleKind Kind = TBitCometProxy::Kind;

    explicit TPageBitComet(QWidget *parent = nullptr);
    ~TPageBitComet() override;

    QString CatalogueCode() const override { return TBitCometProxy::Code; }
    std::vector<TModuleKind> Kinds() const override { return {Kind}; }
    void Load(TLocation &Location) override;
    bool Store(TLocation &Location) override;

private:
    std::unique_ptr<Ui::TPageBitComet> ui;
};
