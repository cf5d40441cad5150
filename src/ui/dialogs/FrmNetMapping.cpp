#include "ui/dialogs/FrmNetMapping.h"
#include "ui_FrmNetMapping.h"

#include "app/IdGen.h"
#include "app/uConfig.h"
#include "app/uLanguages.h"
#include "platform/desktop/MessageBox.h"
#include "platform/sharing/DriveLinks.h"
#include "platform/sharing/NetworkMounts.h"
#include "sharing/NetMapping.h"
#include "ui/AppActions.h"

#include <QDir>
#include <QFileDialog>

namespace {

constexpr int IdLength = 32;

// The drive letters the session has no link for, "A:" to "Z:".
QStringList FreeDrives()
{
    const QMap<QString, QString> Taken = TDriveLinks(TConfig::GetConfig()->DrivesFolder()).Links();
    QStringList Free;
    for (char Letter = 'A'; Letter <= 'Z'; ++Letter) {
        const QString Drive = QLatin1Char(Letter) + QStringLiteral(":");
        if (!Taken.contains(Drive))
            Free.append(Drive);
    }
    return Free;
}

// Where GVFS shows the network folders mounted for the user; the home folder without one.
QString NetworkRoot()
{
    const QString Gvfs = QDir(qEnvironmentVariable("XDG_RUNTIME_DIR")).filePath(QStringLiteral("gvfs"));
    return !qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") && QDir(Gvfs).exists() ? Gvfs : QDir::homePath();
}

} // namespace

TfrmNetMapping::TfrmNetMapping(QWidget *AOwner, const QString &pLocId, const QString &pId)
    : QDialog(AOwner), ui(std::make_unique<Ui::TfrmNetMapping>()), FId(pId), FLocId(pLocId)
{
    FormCreate();
    if (AOwner)
        setFont(AOwner->font());
    if (FId.isEmpty())
        FId = GenerateId(IdLength);
    FNetMapping = std::make_unique<TNetMapping>(FId);
    FNetMapping->SetLocId(FLocId);
    const int Stored = ui->cboDriver->findText(FNetMapping->Driver());
    if (Stored >= 0)
        ui->cboDriver->setCurrentIndex(Stored);
    ui->txtRemoteFolder->setText(FNetMapping->RemoteFolder());
    ui->txtUser->setText(FNetMapping->UserName());
    ui->txtPWD->setText(FNetMapping->Password());
    ui->cbReConnect->setChecked(FNetMapping->AutoConnect());
}

TfrmNetMapping::~TfrmNetMapping() = default;

void TfrmNetMapping::FormCreate()
{
    ui->setupUi(this);
    ApplyLanguage(this, QStringLiteral("EN"));
    setWindowTitle(GetLangStr("EN", "6720", "Map Network Drive"));
    setFixedSize(sizeHint().expandedTo(size()));
    connect(ui->btnOk, &QPushButton::clicked, this, &TfrmNetMapping::btnOkClick);
    connect(ui->btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->btnBrowser, &QPushButton::clicked, this, &TfrmNetMapping::btnBrowserClick);
    ui->cboDriver->addItems(FreeDrives());
    ui->cboDriver->setCurrentIndex(ui->cboDriver->count() > 0 ? 0 : -1);
}

QString TfrmNetMapping::DriverText() const { return ui->cboDriver->currentText(); }

QString TfrmNetMapping::RemoteFolderText() const { return ui->txtRemoteFolder->text(); }

// Neither the drive nor the folder is tested against the location's other drives.
void TfrmNetMapping::btnOkClick()
{
    if (ui->txtRemoteFolder->text().trimmed().isEmpty()) {
        Refuse(GetLangStr("EN", "60", "'Folder' can not be NULL!"));
        ui->txtRemoteFolder->setFocus();
        return;
    }
    FNetMapping->SetLocId(FLocId);
    FNetMapping->SetDriver(ui->cboDriver->currentText());
    FNetMapping->SetRemoteFolder(ui->txtRemoteFolder->text());
    FNetMapping->SetUserName(ui->txtUser->text());
    FNetMapping->SetPassword(ui->txtPWD->text());
    FNetMapping->SetAutoConnect(ui->cbReConnect->isChecked());
    if (!FNetMapping->Save())
        return Refuse(GetLangStr("EN", "61", "Save Settings failed!"));
    accept();
}

void TfrmNetMapping::Refuse(const QString &Message)
{
    TMessageBox::Show(Message, QStringLiteral("Error"), TMsgIcon::Error);
}

// Only a folder of a mounted network share can be a drive's remote folder.
void TfrmNetMapping::btnBrowserClick()
{
    QFileDialog Picker(this, QStringLiteral("Select a shared network folder!"), NetworkRoot());
    Picker.setFileMode(QFileDialog::Directory);
    Picker.setOption(QFileDialog::ShowDirsOnly);
    if (Picker.exec() != QDialog::Accepted || Picker.selectedFiles().isEmpty())
        return;
    const QString Chosen = QFileInfo(Picker.selectedFiles().constFirst()).canonicalFilePath();
    const QString RemoteFolder = UncFromGvfsPath(Chosen);
    if (!RemoteFolder.isEmpty())
        ui->txtRemoteFolder->setText(RemoteFolder);
}
