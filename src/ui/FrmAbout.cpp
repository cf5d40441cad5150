#include "ui/FrmAbout.h"
#include "ui_FrmAbout.h"

#include "app/AppVersion.h"
#include "app/uLanguages.h"
#include "ui/AppActions.h"
#include "ui/HelpPages.h"
#include "ui/Pictures.h"

#include <QMouseEvent>

namespace {

const QSize LogoSize(400, 72);

// A link showing a web address as it is, and a page of the bundled help by its title.
void ShowLink(QLabel *Label, const QUrl &Url, const QString &HelpTitle)
{
    const QString Text = Url.isLocalFile() ? HelpTitle : Url.toString();
    Label->setText(
        QStringLiteral("<a href=\"%1\">%2</a>").arg(Url.toString().toHtmlEscaped(), Text.toHtmlEscaped()));
    Label->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    Label->setToolTip(Url.toString());
    QObject::connect(Label, &QLabel::linkActivated, Label, [](const QString &Link) { OpenPage(QUrl(Link)); });
}

} // namespace

TfrmAbout::TfrmAbout(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), ui(std::make_unique<Ui::TfrmAbout>())
{
    ui->setupUi(this);
    ApplyLanguage(this, QStringLiteral("EN"));
    setWindowTitle(GetLangStr("EN", "7001", "About"));
    setFixedSize(size());
    ui->imgLogo->setPixmap(Picture(QStringLiteral("logo")).pixmap(LogoSize));
    ui->lblVersion->setText(GetAppVersion());
    ShowLink(ui->lblSupport, HomepageUrl(), GetLangStr("EN", "7007", "The support page of the bundled help"));
    ShowLink(ui->lblHome, HomepageUrl(), GetLangStr("EN", "7008", "The home page of the bundled help"));
}

TfrmAbout::~TfrmAbout() = default;

void TfrmAbout::mousePressEvent(QMouseEvent *Event)
{
    Event->accept();
    accept();
}
