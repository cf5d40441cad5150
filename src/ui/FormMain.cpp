#include "ui/FormMain.h"
#include "ui_FormMain.h"

#include "app/DBManager.h"
#include "app/Startup.h"

TFrmMain::TFrmMain(QWidget *parent) : QMainWindow(parent), ui(std::make_unique<Ui::TFrmMain>())
{
    ui->setupUi(this);
    setWindowTitle(ApplicationTitle);
    connect(ui->ActCompact, &QAction::triggered, this, &TFrmMain::ActCompactExecute);
    SetLocationConnection(GetConnection());
}

TFrmMain::~TFrmMain() = default;

void TFrmMain::ShowStartInterface(int DefaultUI)
{
    if (DefaultUI == duPanelUI)
        ui->ActCompact->trigger();
    else
        show();
}

void TFrmMain::ActCompactExecute()
{
    hide();
    emit CompactPanelRequested();
}
