#include "ui/pages/PageFireFox.h"
#include "ui_PageFireFox.h"

#include "app/uLanguages.h"
#include "locations/Location.h"
#include "modules/FireFoxProxy.h"
#include "ui/AppActions.h"

namespace {

const int SocksVersion4 = 1;
const int SocksVersion5 = 2;

// The module's five addresses, in the order of Rows().
const std::array<const QString &(TFireFoxProxy::*)() const, 5> Getters{
    &TFireFoxProxy::Http,   &TFireFoxProxy::Secure, &TFireFoxProxy::Ftp,
    &TFireFoxProxy::Gopher, &TFireFoxProxy::Socket,
};
const std::array<void (TFireFoxProxy::*)(const QString &), 5> Setters{
    &TFireFoxProxy::SetHttp,   &TFireFoxProxy::SetSecure, &TFireFoxProxy::SetFtp,
    &TFireFoxProxy::SetGopher, &TFireFoxProxy::SetSocket,
};

} // namespace

// The rule of each mode radio, in the order of ModeRadios().
const std::array<void (TPageFireFox::*)(), 5> TPageFireFox::ModeRules{
    &TPageFireFox::rbFFDirectClick,       &TPageFireFox::rbFFAutoDetectClick, &TPageFireFox::rbFFManualClick,
    &TPageFireFox::rbFFAutoSettingsClick, &TPageFireFox::rbFFAutoDetectClick,
};

TPageFireFox::TPageFireFox(QWidget *Parent) : TModulePage(Parent), ui(std::make_unique<Ui::TPageFireFox>())
{
    ui->setupUi(this);
    ApplyLanguage(this, QStringLiteral("EN"));
    connect(ui->rbFFDirect, &QRadioButton::clicked, this, &TPageFireFox::rbFFDirectClick);
    connect(ui->rbFFAutoDetect, &QRadioButton::clicked, this, &TPageFireFox::rbFFAutoDetectClick);
    connect(ui->rbFFSystem, &QRadioButton::clicked, this, &TPageFireFox::rbFFAutoDetectClick);
    connect(ui->rbFFManual, &QRadioButton::clicked, this, &TPageFireFox::rbFFManualClick);
    connect(ui->rbFFAutoSettings, &QRadioButton::clicked, this, &TPageFireFox::rbFFAutoSettingsClick);
    connect(ui->cbFFShareSettings, &QCheckBox::clicked, this, &TPageFireFox::cbFFShareSettingsClick);
    // The form starts in direct mode; its fields match it until a load says otherwise.
    rbFFDirectClick();
}

TPageFireFox::~TPageFireFox() = default;

QString TPageFireFox::CatalogueCode() const { return TFireFoxProxy::Code; }

std::array<TProxyRow, 5> TPageFireFox::Rows() const
{
    return {{{QStringLiteral("HTTP"), ui->txtFFHttp, ui->txtFFHttpPort},
             {QStringLiteral("Secure"), ui->txtFFSecure, ui->txtFFSecurePort},
             {QStringLiteral("FTP"), ui->txtFFFtp, ui->txtFFFtpPort},
             {QStringLiteral("Gopher"), ui->txtFFGopher, ui->txtFFGopherPort},
             {QStringLiteral("Socks"), ui->txtFFSocks, ui->txtFFSocksPort}}};
}

std::array<QRadioButton *, 5> TPageFireFox::ModeRadios() const
{
    return {ui->rbFFDirect, ui->rbFFAutoDetect, ui->rbFFManual, ui->rbFFAutoSettings, ui->rbFFSystem};
}

void TPageFireFox::Load(TLocation &Location)
{
    const TFireFoxProxy &Module = *Location.Module<TFireFoxProxy>();
    const std::array<TProxyRow, 5> Rows = this->Rows();
    for (std::size_t i = 0; i < Rows.size(); ++i)
        ShowProxyText(Rows[i], (Module.*Getters[i])());
    ui->txtFFNoProxies->setPlainText(Module.NoProxies());
    ui->txtFFAutoSettings->setText(Module.AutoSeetings());
    ui->cbFFShareSettings->setChecked(Module.ShareProxy());
    (Module.SocksType() == SocksVersion4 ? ui->rbFFSocks4 : ui->rbFFSocks5)->setChecked(true);
    // A type outside 1..5 leaves the radios and the fields as they are.
    const int Type = Module.ProxyType();
    if (Type >= 1 && Type <= int(ModeRadios().size())) {
        const auto Index = std::size_t(Type - 1);
        ModeRadios()[Index]->setChecked(true);
        (this->*ModeRules[Index])();
    }
    cbFFShareSettingsClick();
}

void TPageFireFox::EnableFields(bool Manual, bool Url)
{
    for (const TProxyRow &Row : Rows())
        SetRowEnabled(Row, Manual);
    ui->cbFFShareSettings->setEnabled(Manual);
    ui->txtFFNoProxies->setEnabled(Manual);
    ui->rbFFSocks4->setEnabled(Manual);
    ui->rbFFSocks5->setEnabled(Manual);
    ui->txtFFAutoSettings->setEnabled(Url);
}

void TPageFireFox::rbFFDirectClick() { EnableFields(false, false); }

void TPageFireFox::rbFFAutoDetectClick() { EnableFields(false, false); }

void TPageFireFox::rbFFManualClick()
{
    EnableFields(true, false);
    cbFFShareSettingsClick();
}

void TPageFireFox::rbFFAutoSettingsClick() { EnableFields(false, true); }

void TPageFireFox::cbFFShareSettingsClick()
{
    if (!ui->rbFFManual->isChecked())
        return;
    const bool Own = !ui->cbFFShareSettings->isChecked();
    const std::array<TProxyRow, 5> Rows = this->Rows();
    SetRowEnabled(Rows.front(), true);
    for (std::size_t i = 1; i < Rows.size(); ++i)
        SetRowEnabled(Rows[i], Own);
    ui->rbFFSocks4->setEnabled(Own);
    ui->rbFFSocks5->setEnabled(Own);
}

bool TPageFireFox::Check(TPageProblem *Problem) const
{
    if (!ui->rbFFManual->isChecked())
        return true;
    if (ui->txtFFHttpPort->text().isEmpty())
        return Refuse(Problem, GetLangStr("EN", "102", "Please Enter Firefox Proxy Server Port!"),
                      ui->txtFFHttpPort);
    // Only the ports Firefox gets: the HTTP one alone while it serves every protocol.
    const std::array<TProxyRow, 5> Rows = this->Rows();
    const std::size_t InUse = ui->cbFFShareSettings->isChecked() ? 1 : Rows.size();
    for (std::size_t i = 0; i < InUse; ++i) {
        if (!CheckPortNumber(Rows[i].Port, "7821",
                             "The Firefox %s proxy port must be a number from 0 to 65535.", Rows[i].Name,
                             Problem))
            return false;
    }
    return true;
}

bool TPageFireFox::Store(TLocation &Location)
{
    TFireFoxProxy &Module = *Location.Module<TFireFoxProxy>();
    // The mode carries the choice; the module's switch is always on.
    Module.SetEnableProxy(true);
    const std::array<QRadioButton *, 5> Modes = ModeRadios();
    for (std::size_t i = 0; i < Modes.size(); ++i) {
        if (Modes[i]->isChecked())
            Module.SetProxyType(int(i) + 1);
    }
    const std::array<TProxyRow, 5> Rows = this->Rows();
    const QString Http = ProxyText(Rows.front());
    const bool Shared = ui->cbFFShareSettings->isChecked();
    for (std::size_t i = 0; i < Rows.size(); ++i)
        (Module.*Setters[i])(Shared ? Http : ProxyText(Rows[i]));
    Module.SetNoProxies(ui->txtFFNoProxies->toPlainText());
    Module.SetShareProxy(Shared);
    Module.SetAutoSeetings(ui->txtFFAutoSettings->text());
    if (ui->rbFFSocks4->isChecked())
        Module.SetSocksType(SocksVersion4);
    else if (ui->rbFFSocks5->isChecked())
        Module.SetSocksType(SocksVersion5);
    return Module.Save();
}
