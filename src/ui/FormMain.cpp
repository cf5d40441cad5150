#include "ui/FormMain.h"
#include "ui_FormMain.h"

#include "app/DBManager.h"
#include "app/Startup.h"

TFrmMain::TFrmMain(QWidget *parent) : QMainWindow(parent), ui(std::make_unique<Ui::TFrmMain>())
{
    ui->setupUi(this);
    setWindowTitle(ApplicationTitle);
    SetLocationConnection(GetConnection());
}

TFrmMain::~TFrmMain() = default;
