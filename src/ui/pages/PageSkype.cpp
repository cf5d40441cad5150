#include "ui/pages/PageSkype.h"
#include "ui_PageSkype.h"

#include "locations/Location.h"
#include "ui/AppActions.h"
#include "ui/pages/ProxyRows.h"

namespace {

constexpr int TypeAutoDetect = 0;

} // namespace

TPageSkype::TPageSkype(QWidget *parent) : TModulePage(parent), ui(std::make_unique<Ui::TPageSkype>())
{
    ui->setupUi(this);
    ApplyLanguage(this, PageLanguage);
    connect(ui->cbSkypeEnableProxy, &QCheckBox::toggled, this, &TPageSkype::cbSkypeEnableProxyClick);
    connect(ui->cobSkypeProxyType, &QComboBox::currentIndexChanged, this,
            &TPageSkype::cobSkypeProxyTypeChange);
}

TPageSkype::~TPageSkype() = default;

void TPageSkype::Load(TLocation &Location)
{
    const TSkypeProxy &Module = *Location.Module<TSkypeProxy>();
    ui->cbSkypeEnableProxy->setChecked(Module.EnableProxy());
    ui->cobSkypeProxyType->setCurrentIndex(Module.ProxyType());
    ui->txtSkypeServer->SetIPString(Module.Server());
    ui->txtSkypePort->setText(QString::number(Module.Port()));
    cbSkypeEnableProxyClick();
}

bool TPageSkype::Check(TPageProblem *Problem) const
{
    if (!ui->cbSkypeEnableProxy->isChecked())
        return true;
    if (ui->cobSkypeProxyType->currentIndex() < 0)
        return Refuse(Problem, QStringLiteral("119"), "Please Select Skype Proxy Server Type!",
                      ui->cobSkypeProxyType);
    if (ui->txtSkypePort->text().isEmpty())
        return Refuse(Problem, QStringLiteral("121"), "Please Enter Skype Proxy Server Port!",
                      ui->txtSkypePort);
    if (!IsPortNumber(ui->txtSkypePort->text()))
        return Refuse(Problem, QStringLiteral("7832"),
                      "The Skype proxy port must be a number from 0 to 65535.", ui->txtSkypePort);
    return true;
}

bool TPageSkype::Store(TLocation &Location)
{
    TSkypeProxy &Module = *Location.Module<TSkypeProxy>();
    Module.SetEnableProxy(ui->cbSkypeEnableProxy->isChecked());
    Module.SetProxyType(ui->cobSkypeProxyType->currentIndex());
    Module.SetServer(ui->txtSkypeServer->IPString());
    Module.SetPort(PortFromText(ui->txtSkypePort->text(), Module.Port()));
    return Module.Save();
}

void TPageSkype::cbSkypeEnableProxyClick()
{
    const bool Enabled = ui->cbSkypeEnableProxy->isChecked();
    ui->cobSkypeProxyType->setEnabled(Enabled);
    ui->txtSkypeServer->setEnabled(Enabled);
    ui->txtSkypePort->setEnabled(Enabled);
    if (Enabled)
        cobSkypeProxyTypeChange();
}

void TPageSkype::cobSkypeProxyTypeChange()
{
    const bool NeedsAddress = ui->cobSkypeProxyType->currentIndex() != TypeAutoDetect;
    ui->txtSkypeServer->setEnabled(NeedsAddress);
    ui->txtSkypePort->setEnabled(NeedsAddress);
}
