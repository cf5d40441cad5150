#include "ui/FormMain.h"
#include "ui_FormMain.h"

#include "adapters/Network.h"
#include "app/DBManager.h"
#include "app/Startup.h"
#include "base/Exceptions.h"
#include "locations/Location.h"
#include "modules/ProgramModules.h"

TFrmMain::TFrmMain(QWidget *parent) : QMainWindow(parent), ui(std::make_unique<Ui::TFrmMain>())
{
    ui->setupUi(this);
    setWindowTitle(ApplicationTitle);
    connect(ui->ActCompact, &QAction::triggered, this, &TFrmMain::ActCompactExecute);
    SetLocationConnection(GetConnection());
    FNetWorkList = std::make_unique<TNetWorkList>();
    FLocationList = std::make_unique<TLocationList>(ProgramModules());
}

TFrmMain::~TFrmMain()
{
    try {
        FLocationList->WriteRegistry();
    } catch (const ERegistryException &) {
        // The program is ending and has no window left to say so; the mirror is rewritten on the
        // next run.
    }
}

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
