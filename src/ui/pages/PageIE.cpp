#include "ui/pages/PageIE.h"
#include "ui_PageIE.h"

#include "app/uLanguages.h"
#include "locations/Location.h"
#include "modules/IEProxy.h"
#include "ui/AppActions.h"

namespace {

const QString LocalEntry = QStringLiteral("<Local>");

// The module's five addresses, in the order of Rows().
const std::array<const QString &(TIEProxy::*)() const, 5> Getters{
    &TIEProxy::Http, &TIEProxy::Secure, &TIEProxy::Ftp, &TIEProxy::Gopher, &TIEProxy::Socket,
};
const std::array<void (TIEProxy::*)(const QString &), 5> Setters{
    &TIEProxy::SetHttp, &TIEProxy::SetSecure, &TIEProxy::SetFtp, &TIEProxy::SetGopher, &TIEProxy::SetSocket,
};

} // namespace

TPageIE::TPageIE(QWidget *Parent) : TModulePage(Parent), ui(std::make_unique<Ui::TPageIE>())
{
    ui->setupUi(this);
    ApplyLanguage(this, QStringLiteral("EN"));
    connect(ui->cbIEEnableProxy, &QCheckBox::clicked, this, &TPageIE::cbIEEnableProxyClick);
    connect(ui->cbIEShareSetting, &QCheckBox::clicked, this, &TPageIE::cbIEShareSettingClick);
}

TPageIE::~TPageIE() = default;

QString TPageIE::CatalogueCode() const { return TIEProxy::Code; }

std::array<TProxyRow, 5> TPageIE::Rows() const
{
    return {{{QStringLiteral("HTTP"), ui->txtIEHttp, ui->txtIEHttpPort},
             {QStringLiteral("Secure"), ui->txtIESecure, ui->txtIESecurePort},
             {QStringLiteral("FTP"), ui->txtIEFtp, ui->txtIEFtpPort},
             {QStringLiteral("Gopher"), ui->txtIEGopher, ui->txtIEGopherPort},
             {QStringLiteral("Socks"), ui->txtIESocks, ui->txtIESocksPort}}};
}

void TPageIE::Load(TLocation &Location)
{
    const TIEProxy &Module = *Location.Module<TIEProxy>();
    ui->cbIEEnableProxy->setChecked(Module.EnableProxy());
    const std::array<TProxyRow, 5> Rows = this->Rows();
    for (std::size_t i = 0; i < Rows.size(); ++i)
        ShowProxyText(Rows[i], (Module.*Getters[i])());
    ui->cbIENotLocal->setChecked(false);
    ui->cbIEShareSetting->setChecked(Module.ShareProxy());
    QString NoProxies = Module.NoProxies();
    // Any "local" in the list, even inside another entry, counts as the "<Local>" entry.
    if (NoProxies.contains(QLatin1String("local"), Qt::CaseInsensitive)) {
        ui->cbIENotLocal->setChecked(true);
        NoProxies.remove(LocalEntry + QLatin1Char(';'), Qt::CaseInsensitive);
        NoProxies.remove(LocalEntry, Qt::CaseInsensitive);
    }
    ui->txtIENoProxies->setPlainText(NoProxies);
    cbIEEnableProxyClick();
}

void TPageIE::cbIEEnableProxyClick()
{
    const bool Enabled = ui->cbIEEnableProxy->isChecked();
    ui->gBoxIEServer->setEnabled(Enabled);
    for (const TProxyRow &Row : Rows())
        SetRowEnabled(Row, Enabled);
    cbIEShareSettingClick();
}

void TPageIE::cbIEShareSettingClick()
{
    if (!ui->cbIEEnableProxy->isChecked())
        return;
    const bool Shared = ui->cbIEShareSetting->isChecked();
    const std::array<TProxyRow, 5> Rows = this->Rows();
    SetRowEnabled(Rows.front(), true);
    for (std::size_t i = 1; i < Rows.size(); ++i)
        SetRowEnabled(Rows[i], !Shared);
}

bool TPageIE::Check(TPageProblem *Problem) const
{
    if (!ui->cbIEEnableProxy->isChecked())
        return true;
    const bool Shared = ui->cbIEShareSetting->isChecked();
    if (Shared && ui->txtIEHttpPort->text().isEmpty())
        return Refuse(Problem, GetLangStr("EN", "104", "Please Enter IE Proxy Server Port!"),
                      ui->txtIEHttpPort);
    // Only the ports the desktop gets: the HTTP one alone while it serves every protocol.
    const std::array<TProxyRow, 5> Rows = this->Rows();
    const std::size_t InUse = Shared ? 1 : Rows.size();
    for (std::size_t i = 0; i < InUse; ++i) {
        if (!CheckPortNumber(Rows[i].Port, "7820", "The IE %s proxy port must be a number from 0 to 65535.",
                             Rows[i].Name, Problem))
            return false;
    }
    return true;
}

bool TPageIE::Store(TLocation &Location)
{
    TIEProxy &Module = *Location.Module<TIEProxy>();
    Module.SetEnableProxy(ui->cbIEEnableProxy->isChecked());
    const std::array<TProxyRow, 5> Rows = this->Rows();
    for (std::size_t i = 0; i < Rows.size(); ++i)
        (Module.*Setters[i])(ProxyText(Rows[i]));
    QString NoProxies = ui->txtIENoProxies->toPlainText();
    Module.SetShareProxy(ui->cbIEShareSetting->isChecked());
    if (!ui->cbIENotLocal->isChecked())
        NoProxies.remove(LocalEntry, Qt::CaseInsensitive);
    // Appended as it is, without a separator before it; only the lower-case spelling counts
    // as already there.
    else if (!NoProxies.contains(QLatin1String("<local>")))
        NoProxies += LocalEntry + QLatin1Char(';');
    Module.SetNoProxies(NoProxies);
    return Module.Save();
}
