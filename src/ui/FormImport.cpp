#include "ui/FormImport.h"
#include "ui_FormImport.h"

#include "adapters/Network.h"
#include "app/uLanguages.h"
#include "platform/desktop/MessageBox.h"
#include "ui/AppActions.h"

namespace {

QString AdapterText(const TNetWork &Adapter)
{
    return Adapter.Description().isEmpty()
               ? Adapter.Name()
               : Adapter.Name() + QLatin1Char('(') + Adapter.Description() + QLatin1Char(')');
}

void Refuse(const char *Id, const char *Text)
{
    TMessageBox::Show(GetLangStr("EN", Id, Text), QStringLiteral("Info"), TMsgIcon::Warning);
}

} // namespace

TFormImport::TFormImport(const TNetWorkList &Adapters, QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::TFormImport>())
{
    ui->setupUi(this);
    ApplyLanguage(this, QStringLiteral("EN"));
    setWindowTitle(GetLangStr("EN", "7501", "Import current settings as new location"));
    setFixedSize(sizeHint().expandedTo(size()));
    connect(ui->btnImport, &QPushButton::clicked, this, &TFormImport::btnImportClick);
    ui->cobNetId->clear();
    for (int Index = 0; Index < Adapters.Count(); ++Index)
        if (const TNetWork *Adapter = Adapters.Objects(Index))
            ui->cobNetId->addItem(AdapterText(*Adapter), Adapter->Id());
    ui->cobNetId->setCurrentIndex(ui->cobNetId->count() > 0 ? 0 : -1);
}

TFormImport::~TFormImport() = default;

QString TFormImport::LocName() const { return ui->txtName->text(); }

void TFormImport::btnImportClick()
{
    if (ui->txtName->text().trimmed().isEmpty())
        return Refuse("7506", "Please give a name to location!");
    if (ui->cobNetId->currentIndex() < 0)
        return Refuse("7507", "Please select an adapter!");
    FNetId = ui->cobNetId->currentData().toString();
    accept();
}
