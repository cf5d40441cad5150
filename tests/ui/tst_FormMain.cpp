#include "adapters/IpAddress.h"
#include "adapters/NetMgr.h"
#include "adapters/WMI.h"
#include "app/DBManager.h"
#include "app/ExtRegistry.h"
#include "app/IdGen.h"
#include "app/Startup.h"
#include "app/uConfig.h"
#include "locations/Location.h"
#include "modules/ProgramModules.h"
#include "platform/desktop/Autostart.h"
#include "support/BoxAnswers.h"
#include "support/FakeNetwork.h"
#include "support/TestRoot.h"
#include "support/WindowWorld.h"
#include "ui/FormImport.h"
#include "ui/FormMain.h"
#include "ui/FrameLocation.h"
#include "ui/FrmProgress.h"
#include "ui/FrmSwitchReport.h"
#include "ui/MyMenus.h"
#include "ui/Pictures.h"
#include "ui/Skins.h"
#include "ui/dialogs/FrmCompact.h"
#include "ui/lantools/FrameMacScan.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QStatusBar>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

namespace {

const int NothingStored = -1;

// One installed printer, as the printer class lists it.
class TOnePrinter : public IWmiProvider
{
public:
    QString ClassName() const override { return QStringLiteral("Win32_Printer"); }
    QList<TWmiObject> Instances() override
    {
        return {TWmiObject(ClassName()).Add("Name", "Lab_Office_Laser")};
    }
};

// Counts the show events a widget gets, so a window shown only for a moment is caught.
class TShowCounter : public QObject
{
public:
    int Shows = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        Shows += event->type() == QEvent::Show;
        return false;
    }
};

// Takes the pages the program asks the desktop to open.
class TPageCatcher : public QObject
{
    Q_OBJECT

public:
    TPageCatcher()
    {
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open");
        QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "open");
    }
    ~TPageCatcher() override
    {
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    }

    QList<QUrl> Opened;

public slots:
    void open(const QUrl &Url) { Opened.append(Url); }
};

QString NodeKey(const QTreeWidgetItem *Node) { return Node->data(0, Qt::UserRole).toString(); }

QTreeWidgetItem *FindNode(QTreeWidgetItem *From, const QString &Key)
{
    if (NodeKey(From) == Key)
        return From;
    for (int Index = 0; Index < From->childCount(); ++Index)
        if (QTreeWidgetItem *Found = FindNode(From->child(Index), Key))
            return Found;
    return nullptr;
}

QStringList Keys(const QMenu *Menu)
{
    QStringList Result;
    for (const QAction *Entry : Menu->actions())
        Result.append(static_cast<const TMenuItemEx *>(Entry)->Key());
    return Result;
}

// The window of type T shown last, if any.
template <class T>
T *ShownWindow()
{
    T *Found = nullptr;
    for (QWidget *Window : QApplication::topLevelWidgets())
        if (auto *Typed = qobject_cast<T *>(Window); Typed && Typed->isVisible())
            Found = Typed;
    return Found;
}

QStringList ReportLines(const TFrmSwitchReport &Report)
{
    QStringList Lines;
    const auto *Steps = Report.findChild<QTreeWidget *>(QStringLiteral("twSteps"));
    for (int Index = 0; Index < Steps->topLevelItemCount(); ++Index) {
        const QTreeWidgetItem *Row = Steps->topLevelItem(Index);
        Lines.append(Row->text(0) + " | " + Row->text(1) + " | " + Row->text(2));
    }
    return Lines;
}

QStringList StepTexts(const TFrmProgress &Progress)
{
    QStringList Texts;
    const auto *Steps = Progress.findChild<QListWidget *>(QStringLiteral("lstSteps"));
    for (int Index = 0; Index < Steps->count(); ++Index)
        Texts.append(Steps->item(Index)->text());
    return Texts;
}

} // namespace

class TestFormMain : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void StartInterfaceFollowsTheStoredChoice_data();
    void StartInterfaceFollowsTheStoredChoice();
    void CommandLineChoosesTheInterface_data();
    void CommandLineChoosesTheInterface();
    void ActCompactHidesTheShownWindow();
    void ScanPanelIsMadeOnceAndShownInTheClientPanel();
    void TreeHoldsTheFixedNodesWithTheirPictures();
    void LocationNodesFollowTheListUnderLocations();
    void PopupShowsTheEntriesOfTheNode_data();
    void PopupShowsTheEntriesOfTheNode();
    void LocationMenusAreRebuiltWithChecksAndShortcuts();
    void StatusBarNamesLocationAndAdapter_data();
    void StatusBarNamesLocationAndAdapter();
    void LeavingAnUnsavedLocationAsks_data();
    void LeavingAnUnsavedLocationAsks();
    void DeleteAsksThenRemovesEverywhere_data();
    void DeleteAsksThenRemovesEverywhere();
    void SwitchFromTheTraySaysSoAndUpdatesTheStatusBar();
    void SwitchShowsEveryStepWhileTheWindowKeepsRunning();
    void QuitDuringASwitchEndsTheProgramAfterIt();
    void FailedSwitchListsEveryStep_data();
    void FailedSwitchListsEveryStep();
    void AMirrorThatCannotBeWrittenFailsTheSwitchAndTheWindowSwitchesAgain();
    void AConnectionMadeWhileTheProgramRunsIsSwitchable();
    void FirstRunOffersToImportEveryAdapter_data();
    void FirstRunOffersToImportEveryAdapter();
    void ImportAddsTheLocationWithOneFrame();
    void CustomizeModulesNeedsADialogAndTouchesLiveFrames();
    void SkinMenuAppliesAndStoresTheSkin_data();
    void SkinMenuAppliesAndStoresTheSkin();
    void HelpEntriesOpenTheBundledPages();
    void AutostartEntryFollowsTheMenu();
    void CloseButtonMinimisesWithoutTrayAndExitCloses();
    void ClosingWritesTheLocationMirror();

private:
    TFrmMain &Form(const QStringList &Arguments = {}, int DefaultUI = duMainUI);
    QString Store(const QString &Name, const QString &NetId);
    template <class T>
    T *Child(const char *Name) const
    {
        return FForm->findChild<T *>(QLatin1String(Name));
    }
    QTreeWidget *Tree() const { return Child<QTreeWidget>("tvNavigate"); }
    QTreeWidgetItem *Node(const QString &Key) const { return FindNode(Tree()->topLevelItem(0), Key); }
    void Click(QTreeWidgetItem *Node) const;

    std::unique_ptr<TWindowWorld> FWorld;
    std::unique_ptr<TFrmMain> FForm;
};

void TestFormMain::init() { FWorld = std::make_unique<TWindowWorld>(); }

void TestFormMain::cleanup()
{
    FForm.reset();
    FWorld.reset();
}

TFrmMain &TestFormMain::Form(const QStringList &Arguments, int DefaultUI)
{
    FForm = std::make_unique<TFrmMain>();
    FForm->ShowStartInterface(Arguments, DefaultUI);
    return *FForm;
}

// A stored location taking its address by DHCP on the adapter NetId.
QString TestFormMain::Store(const QString &Name, const QString &NetId)
{
    TLocation Location(GenerateId(32), ProgramModules());
    Location.SetLocName(Name);
    Location.SetNetId(NetId);
    Location.Save();
    Location.IpAddress()->SetEnableDHCP(true);
    Location.IpAddress()->SetAutoGetDNS(true);
    Location.IpAddress()->Save();
    return Location.LocId();
}

void TestFormMain::Click(QTreeWidgetItem *Node) const
{
    QTest::mouseClick(Tree()->viewport(), Qt::LeftButton, {}, Tree()->visualItemRect(Node).center());
}

void TestFormMain::StartInterfaceFollowsTheStoredChoice_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<bool>("mainWindow");
    QTest::newRow("main window") << int(duMainUI) << true;
    QTest::newRow("compact panel") << int(duPanelUI) << false;
    QTest::newRow("unknown number") << 3 << true;
    QTest::newRow("zero") << 0 << true;
    QTest::newRow("nothing stored") << NothingStored << true;
}

void TestFormMain::StartInterfaceFollowsTheStoredChoice()
{
    QFETCH(int, stored);
    QFETCH(bool, mainWindow);
    if (stored != NothingStored)
        QVERIFY(WriteDefaultUI(stored));
    TFrmMain form;
    TShowCounter counter;
    form.installEventFilter(&counter);
    QSignalSpy panel(&form, &TFrmMain::CompactPanelRequested);

    form.ShowStartInterface({}, ReadDefaultUI());
    // What the start left to the event loop runs now; it shows nothing more.
    QCoreApplication::processEvents();
    QCOMPARE(form.isVisible(), mainWindow);
    QCOMPARE(counter.Shows, mainWindow ? 1 : 0);
    QCOMPARE(panel.count(), mainWindow ? 0 : 1);
}

void TestFormMain::CommandLineChoosesTheInterface_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("panel");
    QTest::addColumn<bool>("visible");
    QTest::addColumn<bool>("minimised");
    QTest::newRow("no host, hide") << QStringList{"0", "True"} << true << false << false;
    QTest::newRow("no host, show") << QStringList{"0", "False"} << false << true << false;
    QTest::newRow("letter case") << QStringList{"0", "tRUE"} << true << false << false;
    QTest::newRow("number") << QStringList{"0", "7"} << true << false << false;
    QTest::newRow("zero") << QStringList{"0", "0"} << false << true << false;
    QTest::newRow("three parameters") << QStringList{"0", "True", "x"} << false << true << false;
    // No tray here: the window waits minimised instead of where nothing could bring it back.
    QTest::newRow("tray") << QStringList{"--tray"} << false << true << true;
}

void TestFormMain::CommandLineChoosesTheInterface()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, panel);
    QFETCH(bool, visible);
    QFETCH(bool, minimised);
    TFrmMain form;
    QSignalSpy panelSpy(&form, &TFrmMain::CompactPanelRequested);
    form.ShowStartInterface(arguments, duMainUI);
    QCOMPARE(panelSpy.count(), panel ? 1 : 0);
    QCOMPARE(form.HideOnCreate(), panel);
    QCOMPARE(form.isVisible(), visible);
    QCOMPARE(form.isMinimized(), minimised);
}

void TestFormMain::ActCompactHidesTheShownWindow()
{
    TFrmMain &form = Form();
    QVERIFY(form.isVisible());
    QSignalSpy panel(&form, &TFrmMain::CompactPanelRequested);
    QSignalSpy restored(&form, &TFrmMain::MainWindowRestored);
    Child<QAction>("nTrayPanel")->trigger();
    QVERIFY(!form.isVisible());
    QCOMPARE(panel.count(), 1);
    // One panel at a time, and none once the full window is back.
    Child<QAction>("nTrayPanel")->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const QList<TfrmCompact *> Panels = form.findChildren<TfrmCompact *>();
    QCOMPARE(Panels.size(), 1);
    QVERIFY(Panels.first()->isVisible());
    Child<QAction>("nTrayOpen")->trigger();
    QVERIFY(form.isVisible());
    QCOMPARE(restored.count(), 1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(form.findChildren<TfrmCompact *>().isEmpty());
}

void TestFormMain::ScanPanelIsMadeOnceAndShownInTheClientPanel()
{
    TFrmMain &form = Form();
    Child<QAction>("ActMacScan")->trigger();
    const QList<TFrameMacScan *> Panels = form.findChildren<TFrameMacScan *>();
    QCOMPARE(Panels.size(), 1);
    QVERIFY(Panels.first()->isVisible());
    Child<QAction>("ActMacScan")->trigger();
    QCOMPARE(form.findChildren<TFrameMacScan *>().size(), 1);
}

void TestFormMain::TreeHoldsTheFixedNodesWithTheirPictures()
{
    Form();
    QCOMPARE(Tree()->topLevelItemCount(), 1);
    const struct
    {
        const char *Key;
        const char *Parent;
        int Kind;
        const char *Text;
        const char *Picture;
    } Fixed[] = {
        {"N_ROOT", nullptr, 0, "Brackwell Wayfarel", "wayfarel"},
        {"N_LOCATION", "N_ROOT", 1, "Locations", "node-locations"},
        {"N_TOOLS", "N_ROOT", 5, "Tools", "node-tools"},
        {"N_TOOLS_MACSCAN", "N_TOOLS", 5, "Scan LAN computers", "scan"},
        {"N_HELP", "N_ROOT", 6, "Support & Help", "help"},
        {"N_HELP_TOPIC", "N_HELP", 7, "Help Topic", "help"},
        {"N_SUPPORT", "N_HELP", 8, "Tech.Support", "support"},
        {"N_ABOUT", "N_HELP", 9, "About", "about"},
    };
    QStringList Order;
    for (const auto &Expected : Fixed) {
        QTreeWidgetItem *Found = Node(Expected.Key);
        QVERIFY2(Found, Expected.Key);
        QCOMPARE(Found->data(0, Qt::UserRole + 1).toInt(), Expected.Kind);
        QCOMPARE(Found->text(0), QString(Expected.Text));
        QCOMPARE(Found->parent() ? NodeKey(Found->parent()) : QString(),
                 QString(Expected.Parent ? Expected.Parent : ""));
        QCOMPARE(Found->icon(0).pixmap(18, 18).toImage(), Picture(Expected.Picture).pixmap(18, 18).toImage());
    }
    // N_LOCATION is the second node in display order.
    QCOMPARE(NodeKey(Tree()->itemBelow(Tree()->topLevelItem(0))), QString("N_LOCATION"));
    QVERIFY(Node("N_ROOT")->isExpanded());
    QVERIFY(Node("N_TOOLS")->isExpanded());
    QVERIFY(Node("N_LOCATION")->isExpanded());
    QVERIFY(!Node("N_HELP")->isExpanded());
}

void TestFormMain::LocationNodesFollowTheListUnderLocations()
{
    const QString Office = Store("Office", TFakeNetwork::OfficeId);
    const QString Home = Store("Home", TFakeNetwork::HomeId);
    Form();
    QTreeWidgetItem *Locations = Node("N_LOCATION");
    QCOMPARE(Locations->childCount(), 2);
    QCOMPARE(NodeKey(Locations->child(0)), Office);
    QCOMPARE(Locations->child(0)->text(0), QString("Office"));
    QCOMPARE(NodeKey(Locations->child(1)), Home);
    QCOMPARE(Locations->child(1)->data(0, Qt::UserRole + 1).toInt(), 2);
    QCOMPARE(Locations->child(1)->icon(0).pixmap(18, 18).toImage(),
             Picture("node-location").pixmap(18, 18).toImage());
    // A location's editor, named after it, is made when the location is first shown, and kept.
    QVERIFY(FForm->findChildren<TFrameLocation *>().isEmpty());
    Click(Locations->child(1));
    auto *Frame = Child<TFrameLocation>(qPrintable("FrameLocation" + Home));
    QVERIFY(Frame);
    QCOMPARE(Frame->LocId(), Home);
    QVERIFY(!Frame->IsChanged());
    QVERIFY(Frame->isVisible());
    QCOMPARE(Frame->LocNameText(), QString("Home"));
    Click(Locations->child(0));
    Click(Locations->child(1));
    QCOMPARE(FForm->findChildren<TFrameLocation *>().size(), 2);
    QCOMPARE(Child<TFrameLocation>(qPrintable("FrameLocation" + Home)), Frame);
}

void TestFormMain::PopupShowsTheEntriesOfTheNode_data()
{
    QTest::addColumn<QString>("node");
    QTest::addColumn<bool>("menu");
    QTest::addColumn<bool>("switchTo");
    QTest::addColumn<bool>("add");
    QTest::addColumn<bool>("remove");
    QTest::newRow("Locations") << "N_LOCATION" << true << false << true << false;
    QTest::newRow("a location") << "OFFICE" << true << true << false << true;
    QTest::newRow("Tools") << "N_TOOLS" << false << false << false << false;
    QTest::newRow("About") << "N_ABOUT" << false << false << false << false;
}

void TestFormMain::PopupShowsTheEntriesOfTheNode()
{
    QFETCH(QString, node);
    QFETCH(bool, menu);
    QFETCH(bool, switchTo);
    QFETCH(bool, add);
    QFETCH(bool, remove);
    const QString Office = Store("Office", TFakeNetwork::OfficeId);
    Form();
    Node("N_HELP")->setExpanded(true);
    QTreeWidgetItem *Target = Node(node == "OFFICE" ? Office : node);
    emit Tree()->customContextMenuRequested(Tree()->visualItemRect(Target).center());
    auto *Popup = Child<QMenu>("pmLocation");
    QCOMPARE(Popup->isVisible(), menu);
    QCOMPARE(Tree()->currentItem(), Target);
    if (menu) {
        QCOMPARE(Child<QAction>("nPopSwitchTo")->isVisible(), switchTo);
        QCOMPARE(Child<QAction>("nPopAddLocation")->isVisible(), add);
        QCOMPARE(Child<QAction>("nPopDelete")->isVisible(), remove);
        QCOMPARE(Popup->defaultAction(), Child<QAction>("nPopSwitchTo"));
        Popup->close();
    }
}

void TestFormMain::LocationMenusAreRebuiltWithChecksAndShortcuts()
{
    QStringList Ids;
    for (int Index = 0; Index < 11; ++Index)
        Ids.append(Store(QStringLiteral("Place %1").arg(Index), TFakeNetwork::HomeId));
    const QString Named = Store("R&D", TFakeNetwork::HomeId);
    TLocationList::WriteCurrentLocId(Ids.at(2));
    Form();
    struct
    {
        const char *Name;
        bool Shortcuts;
    } Menus[] = {{"pmLocations", true}, {"mnuLocation", true}, {"nTSwitchTo", false}};
    for (const auto &Each : Menus) {
        auto *Menu = Child<QMenu>(Each.Name);
        QCOMPARE(Keys(Menu), Ids + QStringList{Named});
        QCOMPARE(Menu->actions().last()->iconText(), QString("R&D"));
        for (int Index = 0; Index < Ids.size(); ++Index) {
            QAction *Entry = Menu->actions().at(Index);
            QCOMPARE(Entry->text(), QStringLiteral("Place %1").arg(Index));
            QCOMPARE(Entry->isChecked(), Index == 2);
            const QKeySequence Shortcut =
                Each.Shortcuts ? QKeySequence(Qt::CTRL | Qt::Key(48 + Index)) : QKeySequence();
            QCOMPARE(Entry->shortcut(), Shortcut);
        }
    }
    QCOMPARE(Child<QMenu>("pmLocations")->actions().at(10)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key(58)));

    // A check moved without a switch is put back when a menu opens.
    Child<QMenu>("nTSwitchTo")->actions().at(5)->setChecked(true);
    emit Child<QMenu>("pmTray")->aboutToShow();
    QVERIFY(Child<QMenu>("nTSwitchTo")->actions().at(2)->isChecked());
    QVERIFY(!Child<QMenu>("nTSwitchTo")->actions().at(5)->isChecked());
}

void TestFormMain::StatusBarNamesLocationAndAdapter_data()
{
    QTest::addColumn<QString>("netId");
    QTest::addColumn<QString>("text");
    QTest::newRow("adapter with description")
        << TFakeNetwork::OfficeId << "Current Location: Here(Office-lo)";
    QTest::newRow("adapter gone") << TFakeNetwork::MissingId << "Current Location: Here()";
}

void TestFormMain::StatusBarNamesLocationAndAdapter()
{
    QFETCH(QString, netId);
    QFETCH(QString, text);
    TLocationList::WriteCurrentLocId(Store("Here", netId));
    Form();
    QCOMPARE(FForm->StatusText(), text);
}

void TestFormMain::LeavingAnUnsavedLocationAsks_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("kept");
    QTest::addColumn<bool>("stored");
    QTest::addColumn<bool>("moved");
    QTest::newRow("Yes stores it and moves") << int(TMsgResult::Yes) << true << true << true;
    QTest::newRow("No discards it and stays") << int(TMsgResult::No) << false << false << false;
    QTest::newRow("Cancel keeps it selected") << int(TMsgResult::Cancel) << true << false << false;
}

void TestFormMain::LeavingAnUnsavedLocationAsks()
{
    QFETCH(int, answer);
    QFETCH(bool, kept);
    QFETCH(bool, stored);
    QFETCH(bool, moved);
    const QString Office = Store("Office", TFakeNetwork::OfficeId);
    Form();
    Child<QAction>("nAddLocation")->trigger();
    QTreeWidgetItem *Added = Tree()->currentItem();
    const QString NewId = NodeKey(Added);
    QCOMPARE(Added->text(0), QString("New location"));
    auto *Frame = Child<TFrameLocation>(qPrintable("FrameLocation" + NewId));
    QVERIFY(Frame && Frame->IsChanged() && Frame->isVisible());
    TWmiProviders::Register(std::make_shared<TOnePrinter>());
    Frame->DoShow();
    Frame->findChild<QLineEdit *>("txtLocName")->setText("Cafe");
    Frame->findChild<QComboBox *>("cobNetId")->setCurrentIndex(0);
    Frame->findChild<QComboBox *>("cobPrinters")->setCurrentIndex(0);
    Frame->findChild<QCheckBox *>("cbEnableDHCP")->click();
    FWorld->Boxes().Answers = {TMsgResult(answer)};

    Click(Node(Office));

    QCOMPARE(FWorld->Boxes().Texts().value(0), QString("Save location [Cafe] ?"));
    QCOMPARE(FWorld->Boxes().Seen.value(0).Buttons, TMsgButtons::YesNoCancel);
    QCOMPARE(FForm->Locations()->GetItemByLocId(NewId) != nullptr, kept);
    QCOMPARE(Node(NewId) != nullptr, kept);
    QCOMPARE(FForm->findChild<TFrameLocation *>("FrameLocation" + NewId) != nullptr, kept);
    QSqlQuery Row(LocationConnection());
    QVERIFY(Row.exec(QStringLiteral("SELECT LOC_NAME FROM LOCATION WHERE LOC_ID='%1'").arg(NewId)));
    QCOMPARE(Row.next(), stored);
    if (stored)
        QCOMPARE(Node(NewId)->text(0), QString("Cafe"));
    QCOMPARE(NodeKey(Tree()->currentItem()) == Office, moved);
    if (answer == int(TMsgResult::Cancel))
        QCOMPARE(Tree()->currentItem(), Node(NewId));
}

void TestFormMain::DeleteAsksThenRemovesEverywhere_data()
{
    QTest::addColumn<int>("answer");
    QTest::newRow("Yes") << int(TMsgResult::Yes);
    QTest::newRow("No") << int(TMsgResult::No);
}

void TestFormMain::DeleteAsksThenRemovesEverywhere()
{
    QFETCH(int, answer);
    const bool Deleted = answer == int(TMsgResult::Yes);
    const QString Office = Store("Office", TFakeNetwork::OfficeId);
    const QString Home = Store("Home", TFakeNetwork::HomeId);
    TLocationList::WriteCurrentLocId(Office);
    Form();
    Click(Node(Office));
    QVERIFY(FForm->findChild<TFrameLocation *>("FrameLocation" + Office));
    emit Tree()->customContextMenuRequested(Tree()->visualItemRect(Node(Office)).center());
    FWorld->Boxes().Answers = {TMsgResult(answer)};
    Child<QAction>("nPopDelete")->trigger();

    QCOMPARE(FWorld->Boxes().Texts(), QStringList{"delete location [Office]?"});
    QCOMPARE(FForm->Locations()->GetItemByLocId(Office) == nullptr, Deleted);
    QCOMPARE(FForm->Locations()->CurrentLocation() == nullptr, Deleted);
    QCOMPARE(Node(Office) == nullptr, Deleted);
    QCOMPARE(FForm->findChild<TFrameLocation *>("FrameLocation" + Office) == nullptr, Deleted);
    QSqlQuery Rows(LocationConnection());
    QVERIFY(Rows.exec("SELECT LOC_ID FROM LOCATION ORDER BY LOC_NAME"));
    QStringList Left;
    while (Rows.next())
        Left.append(Rows.value(0).toString());
    QCOMPARE(Left, (Deleted ? QStringList{Home} : QStringList{Home, Office}));
    emit Child<QMenu>("pmTray")->aboutToShow();
    QCOMPARE(Keys(Child<QMenu>("nTSwitchTo")), (Deleted ? QStringList{Home} : QStringList{Office, Home}));
}

void TestFormMain::SwitchFromTheTraySaysSoAndUpdatesTheStatusBar()
{
    const QString Office = Store("Office", TFakeNetwork::OfficeId);
    const QString Home = Store("Home", TFakeNetwork::HomeId);
    TLocationList::WriteCurrentLocId(Office);
    Form();
    QCOMPARE(FForm->StatusText(), QString("Current Location: Office(Office-lo)"));
    emit Child<QMenu>("pmTray")->aboutToShow();
    Child<QMenu>("nTSwitchTo")->actions().at(1)->trigger();

    QCOMPARE(FWorld->Boxes().Seen.size(), 1);
    QCOMPARE(FWorld->Boxes().Seen.at(0).Text, QString("Location switched to [Home]!"));
    QCOMPARE(FWorld->Boxes().Seen.at(0).Caption, QString("Info"));
    QCOMPARE(FWorld->Boxes().Seen.at(0).Icon, TMsgIcon::Information);
    QCOMPARE(FForm->StatusText(), QString("Current Location: Home(Home-lo)"));
    QCOMPARE(TLocationList::ReadCurrentLocId(), Home);
    QCOMPARE(FWorld->Network().Bus->Devices.value(FWorld->Network().Device).ActiveConnection.isEmpty(),
             false);
    QVERIFY(FForm->isEnabled());
    QVERIFY(!ShownWindow<TFrmProgress>());
    emit Child<QMenu>("pmTray")->aboutToShow();
    QVERIFY(Child<QMenu>("nTSwitchTo")->actions().at(1)->isChecked());
}

// The lease of a DHCP switch is held back: meanwhile the progress window shows the steps so far,
// the window is disabled but its event loop runs, and a second switch is refused.
void TestFormMain::SwitchShowsEveryStepWhileTheWindowKeepsRunning()
{
    const QString Office = Store("Office", TFakeNetwork::OfficeId);
    const QString Home = Store("Home", TFakeNetwork::HomeId);
    TLocationList::WriteCurrentLocId(Office);
    Form();
    FWorld->Network().Bus->HoldActivations = true;
    int Ticks = 0;
    QTimer Ticker;
    connect(&Ticker, &QTimer::timeout, [&Ticks] { ++Ticks; });
    Ticker.start(5);
    QStringList StepsMeanwhile;
    bool EnabledMeanwhile = true;
    bool SecondSwitch = true;
    int TicksWhileWaiting = 0;
    QTimer Probe;
    connect(&Probe, &QTimer::timeout, [&] {
        if (!FWorld->Network().Activating())
            return;
        if (TicksWhileWaiting == 0) {
            TicksWhileWaiting = -Ticks;
            return;
        }
        TicksWhileWaiting += Ticks;
        if (TFrmProgress *Progress = ShownWindow<TFrmProgress>())
            StepsMeanwhile = StepTexts(*Progress);
        EnabledMeanwhile = FForm->isEnabled();
        SecondSwitch = FForm->SwitchTo(Office);
        Probe.stop();
        FWorld->Network().FinishActivations();
    });
    Probe.start(100);

    QVERIFY(FForm->SwitchTo(Home));

    QCOMPARE(StepsMeanwhile.value(0), QString("check"));
    QCOMPARE(StepsMeanwhile.value(1), QString("adapter"));
    QVERIFY(!EnabledMeanwhile);
    QVERIFY(!SecondSwitch);
    QVERIFY2(TicksWhileWaiting >= 5, qPrintable(QString::number(TicksWhileWaiting)));
    QCOMPARE(FWorld->Boxes().Texts(), QStringList{"Location switched to [Home]!"});
    QVERIFY(FForm->isEnabled());
    QVERIFY(!ShownWindow<TFrmSwitchReport>());
}

// The switch runs its waits on this thread: the program ends when it is over, not under it.
void TestFormMain::QuitDuringASwitchEndsTheProgramAfterIt()
{
    const QString Office = Store("Office", TFakeNetwork::OfficeId);
    const QString Home = Store("Home", TFakeNetwork::HomeId);
    TLocationList::WriteCurrentLocId(Office);
    Form();
    FWorld->Network().Bus->HoldActivations = true;
    bool EndedMeanwhile = true;
    QTimer Probe;
    connect(&Probe, &QTimer::timeout, [&] {
        if (!FWorld->Network().Activating())
            return;
        Probe.stop();
        Child<QAction>("nTrayQuit")->trigger();
        EndedMeanwhile = FForm->Ended();
        FWorld->Network().FinishActivations();
    });
    Probe.start(20);

    QVERIFY(FForm->SwitchTo(Home));

    QVERIFY(!EndedMeanwhile);
    QVERIFY(FForm->Ended());
    QCOMPARE(TLocationList::ReadCurrentLocId(), Home);
    QVERIFY(FWorld->Boxes().Seen.isEmpty());
}

void TestFormMain::FailedSwitchListsEveryStep_data()
{
    QTest::addColumn<QString>("netId");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("adapter missing") << TFakeNetwork::MissingId
                                     << QStringList{"check | done | ",
                                                    "adapter | failed | Adapter \"" +
                                                        TFakeNetwork::MissingId + "\" not found",
                                                    "IE proxy | done | (desktop proxy off)",
                                                    "Firefox proxy | skipped | not installed"};
    QTest::newRow("no adapter") << QString()
                                << QStringList{"location | failed | Location \"Nowhere\" has no adapter"};
}

void TestFormMain::FailedSwitchListsEveryStep()
{
    QFETCH(QString, netId);
    QFETCH(QStringList, lines);
    const QString Office = Store("Office", TFakeNetwork::OfficeId);
    const QString Nowhere = Store("Nowhere", netId);
    TLocationList::WriteCurrentLocId(Office);
    Form();
    const QString Status = FForm->StatusText();

    QVERIFY(!FForm->SwitchTo(Nowhere));

    QVERIFY(FWorld->Boxes().Seen.isEmpty());
    TFrmSwitchReport *Report = ShownWindow<TFrmSwitchReport>();
    QVERIFY(Report);
    QCOMPARE(Report->windowTitle(), QString("Switch failed"));
    QCOMPARE(Report->findChild<QLabel *>("lblSummary")->text(),
             QString("Switching to [Nowhere] failed. Every step of the switch:"));
    QCOMPARE(ReportLines(*Report).mid(0, lines.size()), lines);
    QCOMPARE(FForm->StatusText(), Status);
    QCOMPARE(TLocationList::ReadCurrentLocId(), Office);
    QVERIFY(FForm->isEnabled());
}

// The last step records the new location; when the registry refuses it, the report says so
// and the window is back for the next switch.
void TestFormMain::AMirrorThatCannotBeWrittenFailsTheSwitchAndTheWindowSwitchesAgain()
{
    const QString Office = Store("Office", TFakeNetwork::OfficeId);
    const QString Home = Store("Home", TFakeNetwork::HomeId);
    TLocationList::WriteCurrentLocId(Office);
    Form();
    const QString Lock = FWorld->Root().RegistryDir() + "/HKEY_LOCAL_MACHINE.reg.lock";
    QFile::remove(Lock);
    QVERIFY(QDir().mkpath(Lock));

    QVERIFY(!FForm->SwitchTo(Home));

    TFrmSwitchReport *Report = ShownWindow<TFrmSwitchReport>();
    QVERIFY(Report);
    const QString Last = ReportLines(*Report).constLast();
    QVERIFY2(Last.startsWith("current location | failed | ") && Last.contains("registry lock"),
             qPrintable(Last));
    QVERIFY(FForm->isEnabled());
    Report->close();
    QVERIFY(QDir(Lock).removeRecursively());
    QVERIFY(FForm->SwitchTo(Office));
    QCOMPARE(TLocationList::ReadCurrentLocId(), Office);
}

// The connections are read at start; one made afterwards (nmcli, a Wi-Fi joined) still switches.
void TestFormMain::AConnectionMadeWhileTheProgramRunsIsSwitchable()
{
    const QString Office = Store("Office", TFakeNetwork::OfficeId);
    const QString Cafe = Store("Cafe", "{6D5D1C2E-0000-4000-8000-0000000000C3}");
    TLocationList::WriteCurrentLocId(Office);
    Form();
    FWorld->Network().Bus->AddProfile("6d5d1c2e-0000-4000-8000-0000000000c3", "Cafe",
                                      {"auto", {}, {}, {}, {}, false}, "lo");

    QVERIFY(FForm->SwitchTo(Cafe));

    QCOMPARE(TLocationList::ReadCurrentLocId(), Cafe);
    QVERIFY(!ShownWindow<TFrmSwitchReport>());
}

void TestFormMain::FirstRunOffersToImportEveryAdapter_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("Yes") << int(TMsgResult::Yes) << QStringList{"Office", "Home"};
    QTest::newRow("No") << int(TMsgResult::No) << QStringList{};
}

void TestFormMain::FirstRunOffersToImportEveryAdapter()
{
    QFETCH(int, answer);
    QFETCH(QStringList, names);
    FWorld->Boxes().Answers = {TMsgResult(answer)};
    Form();
    QCOMPARE(FWorld->Boxes().Seen.size(), 1);
    QCOMPARE(FWorld->Boxes().Seen.at(0).Caption, QString("Useful tips"));
    QCOMPARE(FWorld->Boxes().Seen.at(0).Buttons, TMsgButtons::YesNo);
    QCOMPARE(FWorld->Boxes().Seen.at(0).Text,
             QString("Welcome to Wayfarel\nNo locations were currently defined.\n"
                     "Do you want to import locations from your current settings? \n"
                     "(RECOMMENDED)"));
    QStringList Shown;
    for (int Index = 0; Index < Node("N_LOCATION")->childCount(); ++Index)
        Shown.append(Node("N_LOCATION")->child(Index)->text(0));
    QCOMPARE(Shown, names);
    QCOMPARE(FForm->Locations()->Count(), int(names.size()));
    QCOMPARE(Child<QMenu>("mnuLocation")->actions().size(), 0);
    for (int Index = 0; Index < FForm->Locations()->Count(); ++Index) {
        const TLocation *Imported = FForm->Locations()->Items(Index);
        QCOMPARE(Imported->NetId(), Index == 0 ? TFakeNetwork::OfficeId : TFakeNetwork::HomeId);
        const auto *Frame = FForm->findChild<TFrameLocation *>("FrameLocation" + Imported->LocId());
        QVERIFY(Frame && !Frame->IsChanged());
    }
}

void TestFormMain::ImportAddsTheLocationWithOneFrame()
{
    Store("Office", TFakeNetwork::OfficeId);
    Form();
    QTimer::singleShot(0, [] {
        auto *Dialog = qobject_cast<TFormImport *>(QApplication::activeModalWidget());
        QVERIFY(Dialog);
        Dialog->findChild<QLineEdit *>("txtName")->setText("Cafe");
        Dialog->findChild<QComboBox *>("cobNetId")->setCurrentIndex(1);
        Dialog->findChild<QPushButton *>("btnImport")->click();
    });
    Child<QAction>("nImport")->trigger();

    QTreeWidgetItem *Imported = Tree()->currentItem();
    QCOMPARE(Imported->text(0), QString("Cafe"));
    const TLocation *Location = FForm->Locations()->GetItemByLocId(NodeKey(Imported));
    QVERIFY(Location);
    QCOMPARE(Location->NetId(), TFakeNetwork::HomeId);
    QCOMPARE(Location->LocDesc(), QString("Cafe"));
    const QList<TFrameLocation *> Frames =
        FForm->findChildren<TFrameLocation *>("FrameLocation" + Location->LocId());
    QCOMPARE(Frames.size(), 1);
    QVERIFY(!Frames.at(0)->IsChanged());
    QVERIFY(Frames.at(0)->isVisible());
}

void TestFormMain::CustomizeModulesNeedsADialogAndTouchesLiveFrames()
{
    const QString Office = Store("Office", TFakeNetwork::OfficeId);
    const QString Home = Store("Home", TFakeNetwork::HomeId);
    Form();
    QVERIFY(!Child<QAction>("nCustomize")->isEnabled());
    QCOMPARE(FForm->CustomizeModules(), int(QDialog::Rejected));

    int Shown = 0;
    FForm->SetCustomizeDialog([&Shown](QWidget *Owner) {
        Shown += Owner != nullptr;
        return int(QDialog::Accepted);
    });
    QVERIFY(Child<QAction>("nCustomize")->isEnabled());
    emit Tree()->customContextMenuRequested(Tree()->visualItemRect(Node(Office)).center());
    FWorld->Boxes().Answers = {TMsgResult::Yes};
    Child<QAction>("nPopDelete")->trigger();
    Child<QAction>("nCustomize")->trigger();
    QCOMPARE(Shown, 1);
    QVERIFY(FForm->findChildren<TFrameLocation *>("FrameLocation" + Office).isEmpty());

    // The editor's tab menu opens the same dialog.
    Click(Node(Home));
    Child<TFrameLocation>(qPrintable("FrameLocation" + Home))->findChild<QAction *>("nCustom")->trigger();
    QCOMPARE(Shown, 2);
}

void TestFormMain::SkinMenuAppliesAndStoresTheSkin_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("checked");
    QTest::newRow("a skin") << "Golden"
                            << "Golden";
    QTest::newRow("no skin of that name") << "Aqua"
                                          << "Acryl";
    QTest::newRow("nothing stored") << ""
                                    << "Acryl";
}

void TestFormMain::SkinMenuAppliesAndStoresTheSkin()
{
    QFETCH(QString, stored);
    QFETCH(QString, checked);
    TRegistry Reg;
    Reg.SetRootKey(HKEY_CURRENT_USER);
    QVERIFY(Reg.OpenKey("\\SOFTWARE\\Brackwell\\Wayfarel", true));
    Reg.WriteString("Skinname", stored);
    Form();
    QStringList Names;
    QStringList Checked;
    for (QAction *Entry : Child<QMenu>("mnuSkins")->actions()) {
        Names.append(Entry->text());
        if (Entry->isChecked())
            Checked.append(Entry->toolTip());
    }
    QCOMPARE(Names, (QStringList{"Acryl", "BlueGlass", "Golden", "Shine", "Snow Leopard", "TheFrog"}));
    QCOMPARE(Checked, QStringList{checked});
    QCOMPARE(qApp->styleSheet(), SkinStyleSheet(checked));

    QAction *Frog = Child<QMenu>("mnuSkins")->actions().last();
    Frog->trigger();
    QVERIFY(Frog->isChecked());
    QCOMPARE(qApp->styleSheet(), SkinStyleSheet("TheFrog"));
    QCOMPARE(TConfig::GetConfig()->Skinname(), QString("TheFrog"));
}

void TestFormMain::HelpEntriesOpenTheBundledPages()
{
    Store("Office", TFakeNetwork::OfficeId);
    Form();
    TPageCatcher Pages;
    for (const char *Entry : {"nHelpTopic", "nRecentUpdate", "nHomepage"})
        Child<QAction>(Entry)->trigger();
    Node("N_HELP")->setExpanded(true);
    Click(Node("N_SUPPORT"));
    QCOMPARE(Pages.Opened.size(), 4);
    QStringList Files;
    for (const QUrl &Url : Pages.Opened) {
        QVERIFY2(QFileInfo::exists(Url.toLocalFile()), qPrintable(Url.toString()));
        Files.append(QFileInfo(Url.toLocalFile()).fileName());
    }
    QCOMPARE(Files, (QStringList{"index.html", "updates.html", "home.html", "home.html"}));
    QVERIFY(FWorld->Boxes().Seen.isEmpty());
}

void TestFormMain::AutostartEntryFollowsTheMenu()
{
    Form();
    auto *Entry = Child<QAction>("nAutostart");
    QVERIFY(!Entry->isChecked());
    Entry->trigger();
    QVERIFY(Entry->isChecked());
    QVERIFY(Autostart::IsEnabled());
    QFile File(Autostart::EntryPath());
    QVERIFY(File.open(QIODevice::ReadOnly));
    QVERIFY(
        File.readAll().contains("Exec=" + QCoreApplication::applicationFilePath().toUtf8() + " --tray\n"));
    File.close();
    Entry->trigger();
    QVERIFY(!Autostart::IsEnabled());
    QVERIFY(!QFile::exists(Autostart::EntryPath()));
}

// Without a tray (as here) the close button minimises the window; only Exit closes it.
void TestFormMain::CloseButtonMinimisesWithoutTrayAndExitCloses()
{
    TFrmMain &form = Form();
    QVERIFY(!QSystemTrayIcon::isSystemTrayAvailable());
    form.close();
    QVERIFY(form.isVisible());
    QVERIFY(form.isMinimized());
    QVERIFY(!form.Ended());
    Child<QAction>("nTrayQuit")->trigger();
    QVERIFY(!form.isVisible());
    QVERIFY(form.Ended());
}

// The window loads the stored locations and mirrors them when it goes.
void TestFormMain::ClosingWritesTheLocationMirror()
{
    const QString Office = Store("Office", TFakeNetwork::OfficeId);
    {
        TFrmMain form;
    }
    TExtRegistry Registry(HKEY_LOCAL_MACHINE);
    QVERIFY(Registry.OpenKeyReadOnly(QStringLiteral("\\SOFTWARE\\Brackwell\\Portolan")));
    QStringList Ids, Names;
    Registry.ReadStrings(QStringLiteral("LocIds"), Ids);
    Registry.ReadStrings(QStringLiteral("LocNames"), Names);
    QCOMPARE(Ids, QStringList{Office});
    QCOMPARE(Names, QStringList{QStringLiteral("Office")});
}

QTEST_MAIN(TestFormMain)
#include "tst_FormMain.moc"
