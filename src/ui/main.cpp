#include "adapters/SystemBackends.h"
#include "app/DBManager.h"
#include "app/Startup.h"
#include "app/uLanguages.h"
#include "locations/FuncDef.h"
#include "ui/FormMain.h"
#include "ui/WayfarelApplication.h"
#include "ui/WidgetMessageBox.h"

#include <QDBusConnection>
#include <QDir>
#include <memory>

namespace {

// The process-wide objects go before the main window; the database is closed by then.
void ReleaseProcessObjects()
{
    TFuncDefine::FreeInstance();
    TLanguages::FreeInstance();
}

} // namespace

int main(int argc, char *argv[])
{
    // A second copy ends before it touches anything.
    if (IsAlreadyRunning())
        return 0;

    TWayfarelApplication app(argc, argv);
    InstallSystemBackends(QDBusConnection::systemBus());
    InstallWidgetMessageBoxes();
    InitConnectionString(QDir(QCoreApplication::applicationDirPath()).path() + QDir::separator());
    QGuiApplication::setApplicationDisplayName(ApplicationTitle);

    auto frmMain = std::make_unique<TFrmMain>();
    frmMain->show();
    const int exitCode = app.exec();
    CloseConnection();
    ReleaseProcessObjects();
    frmMain.reset();
    // The marker goes last, so a new instance cannot start while this one still writes.
    ReleaseInstance();
    return exitCode;
}
