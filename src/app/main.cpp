#include "app/DBManager.h"
#include "app/Startup.h"
#include "ui/FormMain.h"
#include "ui/WayfarelApplication.h"
#include "ui/WidgetMessageBox.h"

#include <QDir>

int main(int argc, char *argv[])
{
    // A second copy ends before it touches anything.
    if (IsAlreadyRunning())
        return 0;

    TWayfarelApplication app(argc, argv);
    InstallWidgetMessageBoxes();
    InitConnectionString(QDir(QCoreApplication::applicationDirPath()).path() + QDir::separator());
    QGuiApplication::setApplicationDisplayName(ApplicationTitle);

    int exitCode = 0;
    {
        TFrmMain frmMain;
        frmMain.show();
        exitCode = app.exec();
        CloseConnection();
    }
    ReleaseInstance();
    return exitCode;
}
