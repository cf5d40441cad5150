#include "ui/pages/DownloadProxyPage.h"

#include "ui/pages/ProxyRows.h"
#include "ui/widgets/IPEdit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

namespace {

const QString NoServer = QStringLiteral("0.0.0.0");

} // namespace

void TDownloadProxyPage::Attach(const TControls &Controls, const TRules &Rules)
{
    FControls = Controls;
    FRules = Rules;
    connect(FControls.EnableProxy, &QCheckBox::toggled, this, &TDownloadProxyPage::EnableProxyClick);
    connect(FControls.ProxyType, &QComboBox::currentIndexChanged, this, &TDownloadProxyPage::ProxyTypeChange);
    connect(FControls.EnablePWD, &QCheckBox::toggled, this, &TDownloadProxyPage::EnablePWDClick);
}

bool TDownloadProxyPage::Check(TPageProblem *Problem) const
{
    if (!FControls.EnableProxy->isChecked())
        return true;
    if (FControls.ProxyType->currentIndex() < 0)
        return Refuse(Problem, FRules.TypeMissing, FControls.ProxyType);
    if (FControls.Server->IPString() == NoServer)
        return Refuse(Problem, FRules.ServerMissing, FControls.Server);
    if (FControls.Port->text().isEmpty())
        return Refuse(Problem, FRules.PortMissing, FControls.Port);
    if (!IsPortNumber(FControls.Port->text()))
        return Refuse(Problem, FRules.PortNoNumber, FControls.Port);
    if (FControls.EnablePWD->isChecked() && FControls.User->text().isEmpty())
        return Refuse(Problem, FRules.UserMissing, FControls.User);
    return true;
}

void TDownloadProxyPage::EnableProxyClick()
{
    const bool Enabled = FControls.EnableProxy->isChecked();
    for (QWidget *Field : std::initializer_list<QWidget *>{FControls.ProxyType, FControls.Server,
                                                           FControls.Port, FControls.User, FControls.Pwd})
        Field->setEnabled(Enabled);
    FControls.EnablePWD->setEnabled(Enabled && TypeAllowsAuth());
    EnablePWDClick();
}

void TDownloadProxyPage::ProxyTypeChange()
{
    if (FRules.UncheckWithoutAuth && !TypeAllowsAuth())
        FControls.EnablePWD->setChecked(false);
    FControls.EnablePWD->setEnabled(TypeAllowsAuth());
    EnablePWDClick();
}

void TDownloadProxyPage::EnablePWDClick()
{
    // Whether the authentication box itself is enabled does not count: a checked box keeps
    // user and password open for editing.
    const bool Enabled = FControls.EnableProxy->isChecked() && FControls.EnablePWD->isChecked();
    FControls.User->setEnabled(Enabled);
    FControls.Pwd->setEnabled(Enabled);
}

void TDownloadProxyPage::ShowFields(const TFields &Fields)
{
    FControls.EnableProxy->setChecked(Fields.EnableProxy);
    FControls.ProxyType->setCurrentIndex(Fields.ProxyType > 0 ? Fields.ProxyType - 1 : 0);
    FControls.Server->SetIPString(Fields.Server);
    FControls.Port->setText(QString::number(Fields.Port));
    FControls.EnablePWD->setChecked(Fields.EnablePWD);
    FControls.User->setText(Fields.User);
    FControls.Pwd->setText(Fields.Pwd);
    EnableProxyClick();
}

TDownloadProxyPage::TFields TDownloadProxyPage::ShownFields(int CurrentPort) const
{
    return {FControls.EnableProxy->isChecked(),
            FControls.ProxyType->currentIndex() + 1,
            FControls.Server->IPString(),
            PortFromText(FControls.Port->text(), CurrentPort),
            FControls.EnablePWD->isChecked(),
            FControls.User->text(),
            FControls.Pwd->text()};
}

bool TDownloadProxyPage::TypeAllowsAuth() const
{
    return FControls.ProxyType->currentIndex() >= FRules.FirstAuthType;
}
