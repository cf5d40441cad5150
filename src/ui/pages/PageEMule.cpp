#include "ui/pages/PageEMule.h"
#include "ui_PageEMule.h"

#include "app/uLanguages.h"
#include "locations/Location.h"
#include "ui/AppActions.h"
#include "ui/pages/ProxyRows.h"

namespace {

QString Text(const char *Id, const char *Fallback)
{
    return GetLangStr(PageLanguage, QString::fromLatin1(Id), QString::fromUtf8(Fallback));
}

} // namespace

TPageEMule::TPageEMule(QWidget *parent) : TDownloadProxyPage(parent), ui(std::make_unique<Ui::TPageEMule>())
{
    ui->setupUi(this);
    ApplyLanguage(this, PageLanguage);
    // Every type but SOCKS4 may authenticate.
    Attach({ui->cbEMuleEnableProxy, ui->cobEMuleProxyType, ui->txtEMuleServer, ui->txtEMulePort,
            ui->cbEMuleEnablePWD, ui->txtEMuleUser, ui->txtEMulePWD},
           {.FirstAuthType = 1,
            .UncheckWithoutAuth = false,
            .TypeMissing = Text("130", "Please Select eMule Proxy Server Type!"),
            .ServerMissing = Text("131", "Please Enter eMule Proxy Server Address!"),
            .PortMissing = Text("132", "Please Enter eMule Proxy Server Port!"),
            .PortNoNumber = Text("7833", "The eMule proxy port must be a number from 0 to 65535."),
            .UserMissing = Text("133", "Please Enter eMule Proxy User!")});
}

TPageEMule::~TPageEMule() = default;

void TPageEMule::Load(TLocation &Location) { LoadFrom(*Location.Module<TeMuleProxy>()); }

bool TPageEMule::Store(TLocation &Location) { return StoreTo(*Location.Module<TeMuleProxy>()); }
