// Screenshots of the main window, of the progress window during a switch, of the failure
// report and of the compact panel, in every skin, and of every tab of the location editor,
// for a person to look at. Runs on a display
// (scripts/screenshots starts a virtual one), against NetworkManager in memory: three locations, Office and
// Home on adapters that exist and Cafe on one that does not. Usage: screenshots FOLDER
#include "adapters/IpAddress.h"
#include "adapters/WMI.h"
#include "app/DBManager.h"
#include "app/IdGen.h"
#include "app/Startup.h"
#include "app/uConfig.h"
#include "locations/Location.h"
#include "modules/ProgramModules.h"
#include "platform/desktop/MessageBox.h"
#include "support/FakeNetwork.h"
#include "support/TestRoot.h"
#include "ui/FormMain.h"
#include "ui/FrameLocation.h"
#include "ui/FrmSwitchReport.h"
#include "ui/Skins.h"
#include "ui/dialogs/FrmCompact.h"

#include <QAction>

#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QTabWidget>
#include <QTextStream>
#include <QTimer>
#include <QTreeWidget>

namespace {

const int SettleMs = 300;

// Two installed printers, as the printer class lists them.
class TPrinters : public IWmiProvider
{
public:
    QString ClassName() const override { return QStringLiteral("Win32_Printer"); }
    QList<TWmiObject> Instances() override
    {
        return {TWmiObject(ClassName()).Add(QStringLiteral("Name"), QStringLiteral("Office_Laser")),
                TWmiObject(ClassName()).Add(QStringLiteral("Name"), QStringLiteral("Home_Inkjet"))};
    }
};

QString Store(const QString &Name, const QString &NetId, bool Dhcp)
{
    TLocation Location(GenerateId(32), ProgramModules());
    Location.SetLocName(Name);
    Location.SetNetId(NetId);
    Location.SetLocDesc(Name);
    Location.SetPrinter(QStringLiteral("Office_Laser"));
    Location.Save();
    TIPAddress *Ip = Location.IpAddress();
    Ip->SetEnableDHCP(Dhcp);
    Ip->SetAutoGetDNS(Dhcp);
    if (!Dhcp) {
        Ip->SetIPAddr(QStringLiteral("10.0.0.7"));
        Ip->SetSubnetMask(QStringLiteral("255.255.255.0"));
        Ip->SetGateWay(QStringLiteral("10.0.0.1"));
        Ip->SetMainDNS(QStringLiteral("10.0.0.53"));
    }
    Ip->Save();
    return Location.LocId();
}

void Settle()
{
    QEventLoop Loop;
    QTimer::singleShot(SettleMs, &Loop, &QEventLoop::quit);
    Loop.exec();
}

// What the screen shows around Window, as a person would see it: windows on top included.
bool Shoot(const QWidget &Window, const QString &File)
{
    const QRect Area = Window.frameGeometry().adjusted(-8, -8, 8, 8);
    const QPixmap Shot =
        QGuiApplication::primaryScreen()->grabWindow(0, Area.x(), Area.y(), Area.width(), Area.height());
    const bool Saved = Shot.save(File);
    QTextStream(stdout) << (Saved ? "wrote " : "could not write ") << File << Qt::endl;
    return Saved;
}

QTreeWidgetItem *LocationNode(const TFrmMain &Form, const QString &LocId)
{
    const auto *Tree = Form.findChild<QTreeWidget *>(QStringLiteral("tvNavigate"));
    QTreeWidgetItem *Locations = Tree->topLevelItem(0)->child(0);
    for (int Index = 0; Index < Locations->childCount(); ++Index)
        if (Locations->child(Index)->data(0, Qt::UserRole).toString() == LocId)
            return Locations->child(Index);
    return nullptr;
}

// Switches to LocId with its activation held back, and shoots while the switch waits for it.
bool ShootSwitch(TFrmMain &Form, TFakeNetwork &Network, const QString &LocId, const QString &File)
{
    bool Shot = false;
    QTimer Probe;
    QObject::connect(&Probe, &QTimer::timeout, [&] {
        if (!Network.Activating())
            return;
        Probe.stop();
        Settle();
        Shot = Shoot(Form, File);
        Network.FinishActivations();
    });
    Network.Bus->HoldActivations = true;
    Probe.start(50);
    Form.SwitchTo(LocId);
    Network.Bus->HoldActivations = false;
    return Shot;
}

// Every visible tab of the editor the main window shows, one after the other.
bool ShootEditorTabs(const TFrmMain &Form, const QString &Folder)
{
    const auto Editors = Form.findChildren<TFrameLocation *>();
    const auto Shown =
        std::find_if(Editors.begin(), Editors.end(), [](auto *Editor) { return Editor->isVisible(); });
    if (Shown == Editors.end())
        return false;
    auto *Tabs = (*Shown)->findChild<QTabWidget *>(QStringLiteral("pcLocation"));
    bool Done = true;
    for (int Index = 0; Index < Tabs->count(); ++Index) {
        if (!Tabs->isTabVisible(Index))
            continue;
        Tabs->setCurrentIndex(Index);
        Settle();
        const QString Name = Tabs->tabText(Index).remove(QLatin1Char('&')).remove(QLatin1Char(' '));
        Done = Shoot(Form, QDir(Folder).filePath(QStringLiteral("editor-%1.png").arg(Name))) && Done;
    }
    Tabs->setCurrentIndex(0);
    return Done;
}

bool ShootSkin(const QString &Skin, const QString &Folder, TFakeNetwork &Network, const QStringList &Ids)
{
    TConfig::GetConfig()->SetSkinname(Skin);
    TFrmMain Form;
    Form.ShowStartInterface({}, duMainUI);
    const QString Suffix = QString(Skin).remove(QLatin1Char(' ')) + QStringLiteral(".png");
    auto *Tree = Form.findChild<QTreeWidget *>(QStringLiteral("tvNavigate"));
    QTreeWidgetItem *Current = LocationNode(Form, Form.Locations()->CurrentLocation()->LocId());
    Tree->setCurrentItem(Current);
    emit Tree->itemClicked(Current, 0);
    Settle();
    bool Done = Shoot(Form, QDir(Folder).filePath(QStringLiteral("main-") + Suffix));
    if (Skin == SkinNames().value(0))
        Done = ShootEditorTabs(Form, Folder) && Done;

    const QString Other = Form.Locations()->CurrentLocation()->LocId() == Ids.at(0) ? Ids.at(1) : Ids.at(0);
    Done = ShootSwitch(Form, Network, Other, QDir(Folder).filePath(QStringLiteral("progress-") + Suffix)) &&
           Done;

    Form.SwitchTo(Ids.at(2));
    Settle();
    TFrmSwitchReport *Report = Form.findChild<TFrmSwitchReport *>();
    Done = Report && Shoot(*Report, QDir(Folder).filePath(QStringLiteral("failure-") + Suffix)) && Done;
    if (Report)
        Report->close();

    Form.findChild<QAction *>(QStringLiteral("ActCompact"))->trigger();
    Settle();
    const TfrmCompact *Panel = Form.findChild<TfrmCompact *>();
    Done = Panel && Shoot(*Panel, QDir(Folder).filePath(QStringLiteral("compact-") + Suffix)) && Done;
    return Done;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication App(argc, argv);
    const QString Folder = App.arguments().value(1, QStringLiteral("screenshots"));
    QDir().mkpath(Folder);
    TTestRoot Root;
    InitConnectionString(Root.DataFolder());
    TFakeNetwork Network;
    SetLocationConnection(GetConnection());
    TMessageBox::SetHandler([](const TMessage &) { return TMsgResult::Ok; });
    TWmiProviders::Register(std::make_shared<TPrinters>());
    const QStringList Ids{Store(QStringLiteral("Office"), TFakeNetwork::OfficeId, false),
                          Store(QStringLiteral("Home"), TFakeNetwork::HomeId, true),
                          Store(QStringLiteral("Cafe"), TFakeNetwork::MissingId, true)};
    TLocationList::WriteCurrentLocId(Ids.at(0));
    bool Done = true;
    for (const QString &Skin : SkinNames())
        Done = ShootSkin(Skin, Folder, Network, Ids) && Done;
    CloseConnection();
    return Done ? 0 : 1;
}
