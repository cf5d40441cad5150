#include "ui/dialogs/FormFolderShare.h"
#include "ui_FormFolderShare.h"

#include "app/IdGen.h"
#include "app/uLanguages.h"
#include "platform/desktop/MessageBox.h"
#include "sharing/FolderShare.h"
#include "ui/AppActions.h"

#include <QFileDialog>
#include <QFileInfo>

namespace {

constexpr int IdLength = 32;

} // namespace

TFormFolderShare::TFormFolderShare(QWidget *AOwner, const QString &pLocId, const QString &pId)
    : QDialog(AOwner), ui(std::make_unique<Ui::TFormFolderShare>()), FId(pId), FLocId(pLocId)
{
    ui->setupUi(this);
    if (AOwner)
        setFont(AOwner->font());
    ApplyLanguage(this, QStringLiteral("EN"));
    setWindowTitle(GetLangStr("EN", "6711", "Select folder to share"));
    setFixedSize(sizeHint().expandedTo(size()));
    connect(ui->btnOk, &QPushButton::clicked, this, &TFormFolderShare::btnOkClick);
    connect(ui->btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->btnBrowser, &QPushButton::clicked, this, &TFormFolderShare::btnBrowserClick);

    if (FId.isEmpty())
        FId = GenerateId(IdLength);
    FShareFolder = std::make_unique<TFolderShare>(FId);
    FShareFolder->SetLocId(FLocId);
    ui->txtShareName->setText(FShareFolder->ShareName());
    ui->txtShareRemark->setText(FShareFolder->Description());
    ui->txtShareFolder->setText(FShareFolder->ShareFolder());
}

TFormFolderShare::~TFormFolderShare() = default;

QString TFormFolderShare::ShareNameText() const { return ui->txtShareName->text(); }

QString TFormFolderShare::ShareFolderText() const { return ui->txtShareFolder->text(); }

void TFormFolderShare::btnOkClick()
{
    if (Refused())
        return;
    FShareFolder->SetLocId(FLocId);
    FShareFolder->SetShareName(ui->txtShareName->text());
    FShareFolder->SetShareFolder(ui->txtShareFolder->text());
    FShareFolder->SetDescription(ui->txtShareRemark->text());
    FShareFolder->SetShareType(1);
    if (!FShareFolder->Save())
        return Refuse(GetLangStr("EN", "45", "Save Settings failed!"), nullptr);
    accept();
}

// The folder is tested for existence as typed, blanks and all, since it is stored that way.
bool TFormFolderShare::Refused()
{
    const QString Name = ui->txtShareName->text();
    const QString Folder = ui->txtShareFolder->text();
    if (Name.trimmed().isEmpty())
        Refuse(GetLangStr("EN", "40", "'Share name' can not be NULL!"), ui->txtShareName);
    else if (TFolderShare::Exists(FId, FLocId, Name.trimmed()))
        Refuse(FormatLangStr(GetLangStr("EN", "41", "Duplicate %s for 'Share name'!"), {Name}),
               ui->txtShareName);
    else if (Folder.trimmed().isEmpty())
        Refuse(GetLangStr("EN", "42", "'Folder' can not be NULL!"), ui->txtShareFolder);
    else if (!QFileInfo(Folder).isDir())
        Refuse(GetLangStr("EN", "43", "Folder does not exists!"), ui->txtShareFolder);
    else if (TFolderShare::ExistsFolder(FId, FLocId, Folder.trimmed()))
        Refuse(GetLangStr("EN", "44", "Folder already shared!"), ui->txtShareFolder);
    else
        return false;
    return true;
}

void TFormFolderShare::Refuse(const QString &Message, QLineEdit *Field)
{
    TMessageBox::Show(Message, QStringLiteral("Error"), TMsgIcon::Error);
    if (Field)
        Field->setFocus();
}

void TFormFolderShare::btnBrowserClick()
{
    QFileDialog Picker(this, QStringLiteral("Select folder..."), ui->txtShareFolder->text());
    Picker.setFileMode(QFileDialog::Directory);
    Picker.setOption(QFileDialog::ShowDirsOnly);
    if (Picker.exec() == QDialog::Accepted && !Picker.selectedFiles().isEmpty())
        ui->txtShareFolder->setText(QDir::toNativeSeparators(Picker.selectedFiles().constFirst()));
}
