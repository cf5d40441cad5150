#include "ui/pages/PageBitComet.h"
#include "ui_PageBitComet.h"

#include "app/uLanguages.h"
#include "locations/Location.h"
#include "ui/AppActions.h"
#include "ui/pages/ProxyRows.h"

TPageBitComet::TPageBitComet(QWidget *parent)
    : TDownloadProxyPage(parent), ui(std::make_unique<Ui::TPageBitComet>())
{
    ui->setupUi(this);
    ApplyLanguage(this, PageLanguage);
    // Only SOCKS5 and HTTP 1.1 authenticate; choosing SOCKS4 or SOCKS4a drops the
    // authentication. BitComet's own check texts have no entries in the language table.
    Attach({ui->cbBCEnableProxy, ui->cobBCProxyType, ui->txtBCServer, ui->txtBCPort, ui->cbBCEnablePWD,
            ui->txtBCUser, ui->txtBCPWD},
           {.FirstAuthType = 2,
            .UncheckWithoutAuth = true,
            .TypeMissing = QStringLiteral("Please Select BitComet Proxy Server Type!"),
            .ServerMissing = QStringLiteral("Please Enter BitComet Proxy Server Address!"),
            .PortMissing = QStringLiteral("Please Enter BitComet Proxy Server Port!"),
            .PortNoNumber =
                GetLangStr(PageLanguage, QStringLiteral("7834"),
                           QStringLiteral("The BitComet proxy port must be a number from 0 to 65535.")),
            .UserMissing = QStringLiteral("Please Enter BitComet Proxy User!")});
}

TPageBitComet::~TPageBitComet() = default;

void TPageBitComet::Load(TLocation &Location) { LoadFrom(*Location.Module<TBitCometProxy>()); }

bool TPageBitComet::Store(TLocation &Location) { return StoreTo(*Location.Module<TBitCometProxy>()); }
