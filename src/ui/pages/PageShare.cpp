#include "ui/pages/PageShare.h"
#include "ui_PageShare.h"

#include "app/uLanguages.h"
#include "locations/Location.h"
#include "sharing/FolderShare.h"
#include "sharing/NetMapping.h"
#include "ui/AppActions.h"
#include "ui/dialogs/FormFolderShare.h"
#include "ui/dialogs/FrmNetMapping.h"

#include <QHeaderView>

namespace {

// The record id a row stands for.
constexpr int RecordIdRole = Qt::UserRole;

void PrepareList(QTreeWidget *List, const QString &First, const QString &Second)
{
    List->setHeaderLabels({First, Second});
    List->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
}

void AddRow(QTreeWidget *List, const QString &First, const QString &Second, const QString &RecordId)
{
    auto *Row = new QTreeWidgetItem(List, {First, Second});
    Row->setData(0, RecordIdRole, RecordId);
}

// The record id of the selected row; empty without one.
QString SelectedRecord(const QTreeWidget *List)
{
    const QTreeWidgetItem *Row = List->currentItem();
    return Row && Row->isSelected() ? Row->data(0, RecordIdRole).toString() : QString();
}

} // namespace

TPageShare::TPageShare(QWidget *Parent) : TModulePage(Parent), ui(std::make_unique<Ui::TPageShare>())
{
    ui->setupUi(this);
    ApplyLanguage(this, QStringLiteral("EN"));
    PrepareList(ui->lvShare, GetLangStr("EN", "6704", "Share name"), GetLangStr("EN", "6705", "Folder"));
    PrepareList(ui->lvMap, GetLangStr("EN", "6706", "Drive"), GetLangStr("EN", "6707", "Folder"));
    connect(ui->btnAddShare, &QPushButton::clicked, this, &TPageShare::btnAddShareClick);
    connect(ui->btnModifyShare, &QPushButton::clicked, this, &TPageShare::btnModifyShareClick);
    connect(ui->btnDelShare, &QPushButton::clicked, this, &TPageShare::btnDelShareClick);
    connect(ui->lvShare, &QTreeWidget::itemDoubleClicked, this, &TPageShare::btnModifyShareClick);
    connect(ui->btnAddMount, &QPushButton::clicked, this, &TPageShare::btnAddMountClick);
    connect(ui->btnModifyMount, &QPushButton::clicked, this, &TPageShare::btnModifyMountClick);
    connect(ui->btnDelMount, &QPushButton::clicked, this, &TPageShare::btnDelMountClick);
    connect(ui->lvMap, &QTreeWidget::itemDoubleClicked, this, &TPageShare::btnModifyMountClick);
}

TPageShare::~TPageShare() = default;

QString TPageShare::CatalogueCode() const { return FUNC_SHARE; }

std::vector<TModuleKind> TPageShare::Kinds() const
{
    return {TModuleKind::FolderShare, TModuleKind::NetMapping};
}

void TPageShare::Load(TLocation &Location)
{
    FLocId = Location.LocId();
    ui->cbFSEnable->setChecked(Location.Module<TFolderShareProxy>()->EnableProxy());
    LoadShares();
    ui->cbNMEnable->setChecked(Location.Module<TNetMappingProxy>()->EnableProxy());
    LoadMappings();
}

// The records are checked as their dialogs store them.
bool TPageShare::Check(TPageProblem *) const { return true; }

bool TPageShare::Store(TLocation &Location)
{
    auto *Shares = Location.Module<TFolderShareProxy>();
    Shares->SetEnableProxy(ui->cbFSEnable->isChecked());
    if (!Shares->Save())
        return false;
    auto *Mappings = Location.Module<TNetMappingProxy>();
    Mappings->SetEnableProxy(ui->cbNMEnable->isChecked());
    return Mappings->Save();
}

void TPageShare::LoadShares()
{
    ui->lvShare->clear();
    for (const auto &Share : TFolderShareList(FLocId, true))
        AddRow(ui->lvShare, Share->ShareName(), Share->ShareFolder(), Share->Id());
}

void TPageShare::LoadMappings()
{
    ui->lvMap->clear();
    for (const auto &Mapping : TNetMappingList(FLocId, true))
        AddRow(ui->lvMap, Mapping->Driver(), Mapping->RemoteFolder(), Mapping->Id());
}

void TPageShare::btnAddShareClick()
{
    TFormFolderShare Dialog(this, FLocId, QString());
    if (Dialog.exec() == QDialog::Accepted)
        AddRow(ui->lvShare, Dialog.ShareNameText(), Dialog.ShareFolderText(), Dialog.Id());
}

void TPageShare::btnModifyShareClick()
{
    const QString RecordId = SelectedRecord(ui->lvShare);
    if (RecordId.isEmpty())
        return;
    TFormFolderShare Dialog(this, FLocId, RecordId);
    if (Dialog.exec() == QDialog::Accepted)
        LoadShares();
}

void TPageShare::btnDelShareClick()
{
    const QString RecordId = SelectedRecord(ui->lvShare);
    if (RecordId.isEmpty())
        return;
    TFolderShare(RecordId).Remove();
    LoadShares();
}

void TPageShare::btnAddMountClick()
{
    TfrmNetMapping Dialog(this, FLocId, QString());
    if (Dialog.exec() == QDialog::Accepted)
        AddRow(ui->lvMap, Dialog.DriverText(), Dialog.RemoteFolderText(), Dialog.Id());
}

void TPageShare::btnModifyMountClick()
{
    const QString RecordId = SelectedRecord(ui->lvMap);
    if (RecordId.isEmpty())
        return;
    TfrmNetMapping Dialog(this, FLocId, RecordId);
    if (Dialog.exec() == QDialog::Accepted)
        LoadMappings();
}

void TPageShare::btnDelMountClick()
{
    const QString RecordId = SelectedRecord(ui->lvMap);
    if (RecordId.isEmpty())
        return;
    TNetMapping(RecordId).Remove();
    LoadMappings();
}
