#include "ui/pages/PageMSN.h"
#include "ui_PageMSN.h"

#include "app/uLanguages.h"
#include "locations/Location.h"
#include "modules/MSNProxy.h"
#include "ui/AppActions.h"
#include "ui/pages/ProxyRows.h"

TPageMSN::TPageMSN(QWidget *Parent) : TModulePage(Parent), ui(std::make_unique<Ui::TPageMSN>())
{
    ui->setupUi(this);
    ApplyLanguage(this, QStringLiteral("EN"));
    connect(ui->cbMSNEnableProxy, &QCheckBox::clicked, this, &TPageMSN::cbMSNEnableProxyClick);
}

TPageMSN::~TPageMSN() = default;

QString TPageMSN::CatalogueCode() const { return TMSNProxy::Code; }

void TPageMSN::Load(TLocation &Location)
{
    const TMSNProxy &Module = *Location.Module<TMSNProxy>();
    ui->cbMSNEnableProxy->setChecked(Module.EnableProxy());
    ui->txtMSNSocks->SetIPString(Module.Socket4Server());
    ui->txtMSNPort->setText(QString::number(Module.Socket4Port()));
    cbMSNEnableProxyClick();
}

void TPageMSN::cbMSNEnableProxyClick()
{
    const bool Enabled = ui->cbMSNEnableProxy->isChecked();
    ui->txtMSNSocks->setEnabled(Enabled);
    ui->txtMSNPort->setEnabled(Enabled);
}

bool TPageMSN::Check(TPageProblem *Problem) const
{
    if (ui->cbMSNEnableProxy->isChecked() && ui->txtMSNPort->text().trimmed().isEmpty())
        return Refuse(Problem, GetLangStr("EN", "110", "Please Enter MSN Proxy Server Port!"),
                      ui->txtMSNPort);
    // The port is stored as a number also while the proxy is off.
    return CheckPortNumber(ui->txtMSNPort, "7823", "The MSN proxy port must be a number from 0 to 65535.",
                           QString(), Problem);
}

bool TPageMSN::Store(TLocation &Location)
{
    TMSNProxy &Module = *Location.Module<TMSNProxy>();
    Module.SetEnableProxy(ui->cbMSNEnableProxy->isChecked());
    Module.SetSocket4Server(ui->txtMSNSocks->IPString());
    Module.SetSocket4Port(PortNumber(ui->txtMSNPort->text()));
    return Module.Save();
}
