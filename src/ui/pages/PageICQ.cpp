#include "ui/pages/PageICQ.h"
#include "ui_PageICQ.h"

#include "locations/Location.h"
#include "ui/AppActions.h"
#include "ui/pages/ProxyRows.h"

namespace {

constexpr int TypeNone = 0;

} // namespace

TPageICQ::TPageICQ(QWidget *parent) : TModulePage(parent), ui(std::make_unique<Ui::TPageICQ>())
{
    ui->setupUi(this);
    ApplyLanguage(this, PageLanguage);
    connect(ui->rbICQManual, &QRadioButton::toggled, this, &TPageICQ::rbICQManualClick);
    connect(ui->cobICQType, &QComboBox::currentIndexChanged, this, &TPageICQ::cobICQTypeChange);
    connect(ui->cbICQNeedAuth, &QCheckBox::toggled, this, &TPageICQ::cbICQNeedAuthClick);
}

TPageICQ::~TPageICQ() = default;

void TPageICQ::Load(TLocation &Location)
{
    const TICQProxy &Module = *Location.Module<TICQProxy>();
    // A group of radio buttons cannot be emptied: automatic settings are the other choice.
    (Module.EnableProxy() ? ui->rbICQManual : ui->rbICQAuto)->setChecked(true);
    ui->txtICQServer->setText(Module.Server());
    ui->txtICQPort->setText(QString::number(Module.Port()));
    ui->cobICQType->setCurrentIndex(Module.ProxyType());
    ui->txtICQProxyServer->setText(Module.ProxyServer());
    ui->txtICQProxyPort->setText(QString::number(Module.ProxyPort()));
    ui->cbICQNeedAuth->setChecked(Module.IsNeedAuth());
    ui->txtICQUser->setText(Module.User());
    ui->txtICQPwd->setText(Module.Pwd());
    rbICQManualClick();
}

bool TPageICQ::Check(TPageProblem *Problem) const
{
    if (!ui->rbICQManual->isChecked())
        return true;
    if (ui->cobICQType->currentIndex() < 0)
        return Refuse(Problem, QStringLiteral("115"), "Please Select ICQ Proxy Server Type!", ui->cobICQType);
    return CheckServer(Problem) && (ui->cobICQType->currentIndex() == TypeNone || CheckProxy(Problem));
}

bool TPageICQ::CheckServer(TPageProblem *Problem) const
{
    if (ui->txtICQServer->text().trimmed().isEmpty())
        return Refuse(Problem, QStringLiteral("140"), "Please Enter ICQ Server Address!", ui->txtICQServer);
    if (ui->txtICQPort->text().isEmpty())
        return Refuse(Problem, QStringLiteral("141"), "Please Enter ICQ Server Port!", ui->txtICQPort);
    if (!IsPortNumber(ui->txtICQPort->text()))
        return Refuse(Problem, QStringLiteral("7830"),
                      "The ICQ server port must be a number from 0 to 65535.", ui->txtICQPort);
    return true;
}

bool TPageICQ::CheckProxy(TPageProblem *Problem) const
{
    if (ui->txtICQProxyServer->text().trimmed().isEmpty())
        return Refuse(Problem, QStringLiteral("116"), "Please Enter ICQ Proxy Server Address!",
                      ui->txtICQProxyServer);
    if (ui->txtICQProxyPort->text().isEmpty())
        return Refuse(Problem, QStringLiteral("117"), "Please Enter ICQ Proxy Server Port!",
                      ui->txtICQProxyPort);
    if (!IsPortNumber(ui->txtICQProxyPort->text()))
        return Refuse(Problem, QStringLiteral("7831"), "The ICQ proxy port must be a number from 0 to 65535.",
                      ui->txtICQProxyPort);
    return true;
}

bool TPageICQ::Store(TLocation &Location)
{
    TICQProxy &Module = *Location.Module<TICQProxy>();
    Module.SetEnableProxy(ui->rbICQManual->isChecked());
    Module.SetServer(ui->txtICQServer->text());
    Module.SetPort(PortFromText(ui->txtICQPort->text(), Module.Port()));
    Module.SetProxyType(ui->cobICQType->currentIndex());
    Module.SetProxyServer(ui->txtICQProxyServer->text());
    Module.SetProxyPort(PortFromText(ui->txtICQProxyPort->text(), Module.ProxyPort()));
    Module.SetIsNeedAuth(ui->cbICQNeedAuth->isChecked());
    Module.SetUser(ui->txtICQUser->text());
    Module.SetPwd(ui->txtICQPwd->text());
    return Module.Save();
}

void TPageICQ::rbICQManualClick()
{
    const bool Manual = ui->rbICQManual->isChecked();
    for (QWidget *Field : std::initializer_list<QWidget *>{ui->txtICQServer, ui->txtICQPort, ui->cobICQType})
        Field->setEnabled(Manual);
    cobICQTypeChange();
}

void TPageICQ::cobICQTypeChange()
{
    const bool Proxy = HasProxyType() && ui->cobICQType->isEnabledTo(this);
    ui->txtICQProxyServer->setEnabled(Proxy);
    ui->txtICQProxyPort->setEnabled(Proxy);
    ui->cbICQNeedAuth->setEnabled(Proxy);
    cbICQNeedAuthClick();
}

void TPageICQ::cbICQNeedAuthClick()
{
    const bool Auth =
        HasProxyType() && ui->cbICQNeedAuth->isEnabledTo(this) && ui->cbICQNeedAuth->isChecked();
    ui->txtICQUser->setEnabled(Auth);
    ui->txtICQPwd->setEnabled(Auth);
}

bool TPageICQ::HasProxyType() const { return ui->cobICQType->currentIndex() != TypeNone; }
