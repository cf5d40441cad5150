#include "adapters/SystemBackends.h"
#include "app/DBManager.h"
#include "app/Startup.h"
#include "ui/AppLifetime.h"
#include "ui/FormMain.h"
#include "ui/WayfarelApplication.h"
#include "ui/WidgetMessageBox.h"

#include <QDBusConnection>
#include <QDir>
#include <memory>

int main(int argc, char *argv[])
{
    // A second copy ends before it touches anything.
    if (IsAlreadyRunning())
        return 0;

    TWayfarelApplication app(argc, argv);
    InstallSystemBackends(QDBusConnection::systemBus());
    InstallWidgetMessageBoxes();
    InitProgramConnectionString(QDir(QCoreApplication::applicationDirPath()).path() + QDir::separator());
    QGuiApplication::setApplicationDisplayName(ApplicationTitle);

    // Nothing is shown before the start-up interface is chosen; the loop shows nothing itself.
    auto frmMain = std::make_unique<TFrmMain>();
    frmMain->ShowStartInterface(ReadDefaultUI());
    const int exitCode = app.exec();
    CloseConnection();
    ReleaseProcessObjects();
    frmMain.reset();
    // The marker goes last, so a new instance cannot start while this one still writes.
    ReleaseInstance();
    return exitCode;
}
