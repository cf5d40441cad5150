#include "adapters/SystemBackends.h"
#include "app/DBManager.h"
#include "app/Startup.h"
#include "platform/desktop/InstanceBus.h"
#include "platform/process/TermSignals.h"
#include "ui/AppLifetime.h"
#include "ui/FormMain.h"
#include "ui/InstanceHost.h"
#include "ui/WayfarelApplication.h"
#include "ui/WidgetMessageBox.h"
#include "ui/dialogs/FrmCustomItem.h"

#include <QDBusConnection>
#include <QDir>
#include <memory>

namespace {

// The data file beside the program, or in the folder WAYFAREL_DATA_DIR names.
void InitDataFile()
{
    const QString ProgramFolder = QDir(QCoreApplication::applicationDirPath()).path() + QDir::separator();
    const QString Folder = qEnvironmentVariable("WAYFAREL_DATA_DIR");
    if (Folder.isEmpty())
        InitProgramConnectionString(ProgramFolder);
    else
        InitConnectionString(QDir(Folder).absolutePath() + QDir::separator(),
                             {DataFileTemplatePath(ProgramFolder), true});
}

} // namespace

int main(int argc, char *argv[])
{
    // A second copy brings the first one's window to the front and ends before it touches
    // anything else.
    if (IsAlreadyRunning()) {
        QCoreApplication Asking(argc, argv);
        ActivateRunningInstance();
        return 0;
    }

    TWayfarelApplication app(argc, argv);
    // The window hides to the tray and the compact panel comes and goes: only Exit ends the program.
    app.setQuitOnLastWindowClosed(false);
    InstallSystemBackends(QDBusConnection::systemBus());
    InstallWidgetMessageBoxes();
    InitDataFile();
    QGuiApplication::setApplicationDisplayName(ApplicationTitle);
    QGuiApplication::setDesktopFileName(QStringLiteral("wayfarel"));

    // Nothing is shown before the start-up interface is chosen; the loop shows nothing itself.
    auto frmMain = std::make_unique<TFrmMain>();
    frmMain->SetCustomizeDialog(&TfrmCustomItem::Execute);
    TInstanceHost Host(*frmMain);
    TInstanceBus Bus(&Host);
    QObject::connect(&Host, &TInstanceHost::LocationChanged, &Bus, &TInstanceBus::AnnounceLocation);
    Bus.Register();
    // Ended by the session or a terminal: the same way out as Exit, registry mirror included.
    TTermSignals TermSignals;
    QObject::connect(&TermSignals, &TTermSignals::Received, frmMain.get(), &TFrmMain::CloseMainWindow);
    frmMain->ShowStartInterface(QCoreApplication::arguments().mid(1), ReadDefaultUI());
    const int exitCode = frmMain->Ended() ? 0 : app.exec();
    CloseConnection();
    ReleaseProcessObjects();
    frmMain.reset();
    // The marker goes last, so a new instance cannot start while this one still writes.
    ReleaseInstance();
    return exitCode;
}
