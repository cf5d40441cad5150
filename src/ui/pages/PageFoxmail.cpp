#include "ui/pages/PageFoxmail.h"
#include "ui_PageFoxmail.h"

#include "app/uLanguages.h"
#include "locations/Location.h"
#include "modules/FoxMailProxy.h"
#include "ui/AppActions.h"
#include "ui/pages/ProxyRows.h"

TPageFoxmail::TPageFoxmail(QWidget *Parent) : TModulePage(Parent), ui(std::make_unique<Ui::TPageFoxmail>())
{
    ui->setupUi(this);
    ApplyLanguage(this, QStringLiteral("EN"));
    connect(ui->cbFMEnableProxy, &QCheckBox::clicked, this, &TPageFoxmail::cbFMEnableProxyClick);
}

TPageFoxmail::~TPageFoxmail() = default;

QString TPageFoxmail::CatalogueCode() const { return TFoxMailProxy::Code; }

void TPageFoxmail::Load(TLocation &Location)
{
    const TFoxMailProxy &Module = *Location.Module<TFoxMailProxy>();
    ui->cbFMEnableProxy->setChecked(Module.EnableProxy());
    // Type 0 (none chosen) and unknown types select no entry.
    ui->cobFMProxyType->setCurrentIndex(Module.ProxyType() - 1);
    ui->txtFMServer->SetIPString(Module.Server());
    ui->txtFMPort->setText(QString::number(Module.Port()));
    ui->txtFMUser->setText(Module.User());
    ui->txtFMPwd->setText(Module.Pwd());
    cbFMEnableProxyClick();
}

void TPageFoxmail::cbFMEnableProxyClick()
{
    const bool Enabled = ui->cbFMEnableProxy->isChecked();
    const QList<QWidget *> Fields{ui->cobFMProxyType, ui->txtFMServer, ui->txtFMPort, ui->txtFMUser,
                                  ui->txtFMPwd};
    for (QWidget *Field : Fields)
        Field->setEnabled(Enabled);
}

bool TPageFoxmail::Check(TPageProblem *Problem) const
{
    if (ui->cbFMEnableProxy->isChecked()) {
        if (ui->cobFMProxyType->currentIndex() < 0)
            return Refuse(Problem, GetLangStr("EN", "112", "Please Select Foxmail Proxy Type!"),
                          ui->cobFMProxyType);
        if (ui->txtFMPort->text().isEmpty())
            return Refuse(Problem, GetLangStr("EN", "114", "Please Enter Foxmail Proxy Server Port!"),
                          ui->txtFMPort);
    }
    // The port is stored as a number also while the proxy is off.
    return CheckPortNumber(ui->txtFMPort, "7822", "The Foxmail proxy port must be a number from 0 to 65535.",
                           QString(), Problem);
}

bool TPageFoxmail::Store(TLocation &Location)
{
    TFoxMailProxy &Module = *Location.Module<TFoxMailProxy>();
    Module.SetEnableProxy(ui->cbFMEnableProxy->isChecked());
    Module.SetProxyType(ui->cobFMProxyType->currentIndex() + 1);
    Module.SetServer(ui->txtFMServer->IPString());
    Module.SetPort(PortNumber(ui->txtFMPort->text()));
    Module.SetUser(ui->txtFMUser->text());
    Module.SetPwd(ui->txtFMPwd->text());
    return Module.Save();
}
