#include "ui/dialogs/FrmCustomItem.h"
#include "ui_FrmCustomItem.h"

#include "app/uLanguages.h"
#include "locations/FuncDef.h"
#include "ui/AppActions.h"
#include "ui/HelpPages.h"

namespace {

// The module code an entry carries.
constexpr int CodeRole = Qt::UserRole;

void AddEntry(QListWidget *List, const QString &Name, const QString &Code)
{
    auto *Entry = new QListWidgetItem(Name, List);
    Entry->setData(CodeRole, Code);
}

void FillList(QListWidget *List, bool Enabled)
{
    List->clear();
    std::vector<std::unique_ptr<TFuncDefine>> Funcs;
    TFuncDefine::getInstance()->GetFuncs(&Funcs, Enabled);
    for (const auto &Func : Funcs)
        AddEntry(List, Func->Name(), Func->Code());
}

// The selected entry; null without one.
QListWidgetItem *Selected(const QListWidget *List)
{
    QListWidgetItem *Entry = List->currentItem();
    return Entry && Entry->isSelected() ? Entry : nullptr;
}

QStringList Codes(const QListWidget *List)
{
    QStringList Result;
    for (int Row = 0; Row < List->count(); ++Row)
        Result.append(List->item(Row)->data(CodeRole).toString());
    return Result;
}

} // namespace

TfrmCustomItem::TfrmCustomItem(QWidget *Owner) : QDialog(Owner), ui(std::make_unique<Ui::TfrmCustomItem>())
{
    ui->setupUi(this);
    if (Owner)
        setFont(Owner->window()->font());
    FillLists();
    ApplyLanguage(this, QStringLiteral("EN"));
    setWindowTitle(GetLangStr("EN", "6901", "Customize proxy plugins"));
    const QString Submit =
        GetLangStr("EN", "6913", "Cannot find the plugin you need? Click here to submit your requirement.");
    ui->lblSubmit->setText(QStringLiteral("<a href=\"#\">%1</a>").arg(Submit.toHtmlEscaped()));
    ui->lblSubmit->setToolTip(FeedbackUrl().toString());
    setFixedSize(sizeHint().expandedTo(size()));
    connect(ui->btnAppend, &QPushButton::clicked, this, &TfrmCustomItem::btnAppendClick);
    connect(ui->btnDelete, &QPushButton::clicked, this, &TfrmCustomItem::btnDeleteClick);
    connect(ui->btnUp, &QPushButton::clicked, this, &TfrmCustomItem::btnUpClick);
    connect(ui->btnDown, &QPushButton::clicked, this, &TfrmCustomItem::btnDownClick);
    connect(ui->btnOk, &QPushButton::clicked, this, &TfrmCustomItem::btnOkClick);
    connect(ui->btnReset, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->lblSubmit, &QLabel::linkActivated, this, &TfrmCustomItem::lblSubmitClick);
}

TfrmCustomItem::~TfrmCustomItem() = default;

int TfrmCustomItem::Execute(QWidget *Owner)
{
    TfrmCustomItem Dialog(Owner);
    return Dialog.exec();
}

void TfrmCustomItem::FillLists()
{
    FillList(ui->lvUsable, false);
    FillList(ui->lvInUse, true);
}

// A module is in use once: an entry whose name the in-use list shows already stays.
void TfrmCustomItem::btnAppendClick()
{
    QListWidgetItem *Entry = Selected(ui->lvUsable);
    if (!Entry || !ui->lvInUse->findItems(Entry->text(), Qt::MatchExactly | Qt::MatchCaseSensitive).isEmpty())
        return;
    AddEntry(ui->lvInUse, Entry->text(), Entry->data(CodeRole).toString());
    delete Entry;
    ui->lvUsable->setFocus();
}

void TfrmCustomItem::btnDeleteClick()
{
    QListWidgetItem *Entry = Selected(ui->lvInUse);
    if (!Entry)
        return;
    AddEntry(ui->lvUsable, Entry->text(), Entry->data(CodeRole).toString());
    delete Entry;
    ui->lvInUse->setFocus();
}

void TfrmCustomItem::btnUpClick() { Move(-1); }

void TfrmCustomItem::btnDownClick() { Move(1); }

// The selected entry and its neighbour exchange name and code; the selection goes along.
void TfrmCustomItem::Move(int Offset)
{
    QListWidgetItem *Entry = Selected(ui->lvInUse);
    if (!Entry)
        return;
    const int Target = ui->lvInUse->row(Entry) + Offset;
    if (Target < 0 || Target >= ui->lvInUse->count())
        return;
    QListWidgetItem *Neighbour = ui->lvInUse->item(Target);
    const QString Name = Neighbour->text();
    const QVariant Code = Neighbour->data(CodeRole);
    Neighbour->setText(Entry->text());
    Neighbour->setData(CodeRole, Entry->data(CodeRole));
    Entry->setText(Name);
    Entry->setData(CodeRole, Code);
    ui->lvInUse->setCurrentItem(Neighbour);
    ui->lvInUse->setFocus();
}

void TfrmCustomItem::btnOkClick()
{
    TFuncDefine *Catalogue = TFuncDefine::getInstance();
    const QStringList InUse = Codes(ui->lvInUse);
    // Every catalogue entry is in one list or the other, so each module's switch is written.
    QStringList Shown = InUse + Codes(ui->lvUsable);
    Shown.removeDuplicates();
    for (const QString &Code : std::as_const(Shown))
        Catalogue->SetEnabled(Code, InUse.contains(Code));
    for (int Index = 0; Index < InUse.count(); ++Index)
        Catalogue->ChangePos(InUse.at(Index), Index + 1);
    accept();
}

void TfrmCustomItem::lblSubmitClick() { OpenPage(FeedbackUrl()); }
