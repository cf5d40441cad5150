#include "ui/FormMain.h"
#include "ui_FormMain.h"

#include "adapters/NetMgr.h"
#include "adapters/Network.h"
#include "app/DBManager.h"
#include "app/IdGen.h"
#include "app/Startup.h"
#include "app/uConfig.h"
#include "app/uLanguages.h"
#include "base/Exceptions.h"
#include "locations/Location.h"
#include "modules/ProgramModules.h"
#include "platform/desktop/Autostart.h"
#include "platform/desktop/MessageBox.h"
#include "ui/AppActions.h"
#include "ui/AutoSwitchTray.h"
#include "ui/FormImport.h"
#include "ui/FrameLocation.h"
#include "ui/FrmAbout.h"
#include "ui/FrmProgress.h"
#include "ui/FrmSwitchReport.h"
#include "ui/HelpPages.h"
#include "ui/HostWindow.h"
#include "ui/MyMenus.h"
#include "ui/Pictures.h"
#include "ui/Skins.h"
#include "ui/dialogs/FrmCompact.h"
#include "ui/dialogs/LocationFiles.h"
#include "ui/lantools/FrameMacScan.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenuBar>
#include <QScopeGuard>
#include <QScreen>
#include <QToolButton>
#include <algorithm>
#include <malloc.h>

namespace {

const QString Lang = QStringLiteral("EN");

// What a tree node stands for: a fixed node's name or a location's id, and its kind.
enum TNodeRole { nrKey = Qt::UserRole, nrKind };
enum TNodeKind {
    nkRoot = 0,
    nkLocations = 1,
    nkLocation = 2,
    nkTools = 5,
    nkHelp = 6,
    nkHelpTopic = 7,
    nkSupport = 8,
    nkAbout = 9
};

struct TFixedNode
{
    const char *Key;
    TNodeKind Kind;
    const char *Parent;
    const char *TextId;
    const char *DefaultText;
    const char *Picture;
};

// In the order they are made; every parent comes before its children.
const TFixedNode FixedNodes[] = {
    {"N_ROOT", nkRoot, nullptr, "5100", "Brackwell Wayfarel", "wayfarel"},
    {"N_LOCATION", nkLocations, "N_ROOT", "5101", "Locations", "node-locations"},
    {"N_TOOLS", nkTools, "N_ROOT", "5102", "Tools", "node-tools"},
    {"N_TOOLS_MACSCAN", nkTools, "N_TOOLS", "5107", "MAC Scan", "scan"},
    {"N_HELP", nkHelp, "N_ROOT", "5103", "Support & Help", "help"},
    {"N_HELP_TOPIC", nkHelpTopic, "N_HELP", "5104", "Help Topic", "help"},
    {"N_SUPPORT", nkSupport, "N_HELP", "5105", "Tech.Support", "support"},
    {"N_ABOUT", nkAbout, "N_HELP", "5106", "About", "about"},
};

const char LocationPicture[] = "node-location";
const QSize ClientSize(709, 452);

QString NodeKey(const QTreeWidgetItem *Node) { return Node ? Node->data(0, nrKey).toString() : QString(); }

int NodeKind(const QTreeWidgetItem *Node) { return Node ? Node->data(0, nrKind).toInt() : -1; }

QTreeWidgetItem *MakeNode(const QString &Key, int Kind, const QString &Text, const char *PictureName)
{
    auto *Node = new QTreeWidgetItem({Text});
    Node->setData(0, nrKey, Key);
    Node->setData(0, nrKind, Kind);
    Node->setIcon(0, Picture(QLatin1String(PictureName)));
    return Node;
}

// The words True and False in any letter case, or a number: 0 is false, any other true.
bool ParseBoolean(const QString &Text)
{
    bool IsNumber = false;
    const long long Number = Text.toLongLong(&IsNumber);
    if (IsNumber)
        return Number != 0;
    return Text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}

// The tree's selection model, which asks before the selection leaves a node: a refused move
// leaves the current node selected, whether the mouse, the keyboard or the program moved it.
class TNodeSelectionModel : public QItemSelectionModel
{
public:
    using TCanLeave = std::function<bool(const QModelIndex &From)>;

    TNodeSelectionModel(QAbstractItemModel *Model, TCanLeave CanLeave, QObject *Parent)
        : QItemSelectionModel(Model, Parent), FCanLeave(std::move(CanLeave))
    {}

    using QItemSelectionModel::select;

    void setCurrentIndex(const QModelIndex &Index, QItemSelectionModel::SelectionFlags Command) override
    {
        if (Index != currentIndex() && currentIndex().isValid() && !FCanLeave(currentIndex()))
            return;
        QItemSelectionModel::setCurrentIndex(Index, Command);
    }

    // One node is selected at a time and it is the current one: a selection of any other node
    // follows a move that was refused.
    void select(const QItemSelection &Selection, QItemSelectionModel::SelectionFlags Command) override
    {
        if ((Command & QItemSelectionModel::Select) && !Selection.isEmpty() &&
            !Selection.contains(currentIndex()))
            return;
        QItemSelectionModel::select(Selection, Command);
    }

private:
    TCanLeave FCanLeave;
};

} // namespace

TFrmMain::TFrmMain(QWidget *parent)
    : QMainWindow(parent), ui(std::make_unique<Ui::TFrmMain>()), FStatusPanel(new QLabel(this)),
      FTrayIcon(new QSystemTrayIcon(Picture(QStringLiteral("wayfarel")), this)),
      FToolbarGroup(new QActionGroup(this)), FMenuGroup(new QActionGroup(this)),
      FTrayGroup(new QActionGroup(this))
{
    ui->setupUi(this);
    hide();
    setWindowTitle(GetLangStr(Lang, "1", "Wayfarel"));
    statusBar()->setSizeGripEnabled(false);
    statusBar()->addWidget(FStatusPanel, 1);
    PlaceWindow();
    ui->tvNavigate->setSelectionModel(new TNodeSelectionModel(
        ui->tvNavigate->model(),
        [this](const QModelIndex &From) { return CanLeaveNode(ui->tvNavigate->itemFromIndex(From)); },
        ui->tvNavigate));
    LinkMenuItems();
    PrepareMenus();
    ConnectActions();

    auto Splash = std::make_unique<TfrmAbout>();
    Splash->show();
    QCoreApplication::processEvents();
    SetLocationConnection(GetConnection());
    InitMainWindow();
    FAutoSwitch = std::make_unique<TAutoSwitchTray>(
        *FLocationList, *FTrayIcon,
        [this](const QString &LocId, bool Automatic) { return SwitchLocation(LocId, Automatic); }, this);
    ui->nAutoSwitch->setChecked(FAutoSwitch->IsOn());
    connect(ui->nAutoSwitch, &QAction::triggered, this, [this](bool On) { FAutoSwitch->SetOn(On); });
    Splash.reset();
}

TFrmMain::~TFrmMain()
{
    qDeleteAll(FLocationFrames);
    FLocationFrames.clear();
    try {
        FLocationList->WriteRegistry();
    } catch (const ERegistryException &) {
        // The program is ending and has no window left to say so; the mirror is rewritten on the
        // next run.
    }
    FLocationList.reset();
    FNetWorkList.reset();
}

// A client area of 709 x 452 below the menu bar, not resizable, with a minimise button and no
// maximise button, centred on the desktop.
void TFrmMain::PlaceWindow()
{
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(ClientSize.width(), ClientSize.height() + menuBar()->sizeHint().height());
    const QRect Desktop = QGuiApplication::primaryScreen()->availableGeometry();
    move(Desktop.center() - rect().center());
}

// The menu entries and buttons run the window's actions; each entry keeps its own caption.
void TFrmMain::LinkMenuItems()
{
    const std::pair<QAction *, QAction *> Links[] = {
        {ui->nAddLocation, ui->ActAddLocation},
        {ui->nAddLocation2, ui->ActAddLocation},
        {ui->nPopAddLocation, ui->ActAddLocation},
        {ui->nImport, ui->ActImport},
        {ui->nImport2, ui->ActImport},
        {ui->nExit, ui->ActExit},
        {ui->nTrayQuit, ui->ActExit},
        {ui->nPanelUI, ui->ActCompact},
        {ui->nTrayPanel, ui->ActCompact},
        {ui->nMainUI, ui->ActMainUI},
        {ui->nTrayOpen, ui->ActMainUI},
        {ui->nMacScan, ui->ActMacScan},
        {ui->nCustomize, ui->ActSetupSheet},
        {ui->nHelpTopic, ui->ActHelp},
        {ui->nRecentUpdate, ui->actUpdate},
        {ui->nHomepage, ui->ActVisitHome},
        {ui->nAbout, ui->ActAbout},
    };
    for (const auto &[Item, Action] : Links) {
        connect(Item, &QAction::triggered, Action, &QAction::trigger);
        connect(Action, &QAction::changed, Item,
                [Item = Item, Action = Action] { Item->setEnabled(Action->isEnabled()); });
    }
    const std::pair<QToolButton *, QAction *> Buttons[] = {{ui->tbMacScan, ui->ActMacScan},
                                                           {ui->tbHelp, ui->ActHelp},
                                                           {ui->tbUpdate, ui->actUpdate},
                                                           {ui->tbExit, ui->ActExit}};
    for (const auto &[Button, Action] : Buttons)
        connect(Button, &QToolButton::clicked, Action, &QAction::trigger);
    ui->tbLocations->setMenu(ui->pmLocations);
    ui->tbLocations->setPopupMode(QToolButton::InstantPopup);
    ui->tbUIType->setMenu(ui->pmAddLocation);
    ui->tbUIType->setPopupMode(QToolButton::InstantPopup);
}

void TFrmMain::PrepareMenus()
{
    // Submenus take their captions through their menu entries.
    const std::pair<QMenu *, int> Submenus[] = {
        {ui->mnuLocationMain, 1100}, {ui->mnuLocation, 1102}, {ui->mnuView, 1200}, {ui->mnuDefaultUI, 1204},
        {ui->mnuSkins, 1500},        {ui->mnuTools, 1300},    {ui->mnuHelp, 1400}, {ui->nTSwitchTo, 2101}};
    for (const auto &[Menu, Id] : Submenus)
        SetTag(Menu->menuAction(), Id);
    ui->mnuView->menuAction()->setVisible(false);
    auto *DefaultUIGroup = new QActionGroup(this);
    DefaultUIGroup->addAction(ui->nDefaultPanelUI);
    DefaultUIGroup->addAction(ui->nDefaultMainUI);
    ui->pmLocation->setDefaultAction(ui->nPopSwitchTo);
    ui->ActSetupSheet->setEnabled(false);
    ui->nAutostart->setChecked(Autostart::IsEnabled());
}

void TFrmMain::ConnectActions()
{
    connect(ui->ActExit, &QAction::triggered, this, &TFrmMain::ActExitExecute);
    connect(ui->ActCompact, &QAction::triggered, this, &TFrmMain::ActCompactExecute);
    connect(ui->ActMainUI, &QAction::triggered, this, &TFrmMain::ActMainUIExecute);
    connect(ui->ActMacScan, &QAction::triggered, this, &TFrmMain::ActMacScanExecute);
    connect(ui->ActAbout, &QAction::triggered, this, &TFrmMain::ActAboutExecute);
    connect(ui->ActHelp, &QAction::triggered, this, [] { OpenPage(HelpTopicsUrl()); });
    connect(ui->actUpdate, &QAction::triggered, this, [] { OpenPage(UpdateUrl()); });
    connect(ui->ActVisitHome, &QAction::triggered, this, [] { OpenPage(HomepageUrl()); });
    connect(ui->ActAddLocation, &QAction::triggered, this, &TFrmMain::ActAddLocationExecute);
    connect(ui->ActImport, &QAction::triggered, this, &TFrmMain::ActImportExecute);
    connect(ui->ActSetupSheet, &QAction::triggered, this, &TFrmMain::CustomizeModules);
    connect(ui->nExportFile, &QAction::triggered, this,
            [this] { ExportLocationsToFile(this, *FNetWorkList); });
    connect(ui->nImportFile, &QAction::triggered, this, &TFrmMain::nImportFileClick);
    connect(ui->nDefaultPanelUI, &QAction::triggered, this, [] { WriteDefaultUI(duPanelUI); });
    connect(ui->nDefaultMainUI, &QAction::triggered, this, [] { WriteDefaultUI(duMainUI); });
    connect(ui->nPopSwitchTo, &QAction::triggered, this, &TFrmMain::nPopSwitchToClick);
    connect(ui->nPopDelete, &QAction::triggered, this,
            [this] { DeleteLocation(ui->tvNavigate->currentItem()); });
    connect(ui->nAutostart, &QAction::triggered, this, &TFrmMain::nAutostartClick);
    connect(ui->mnuLocationMain, &QMenu::aboutToShow, this, &TFrmMain::RefreshLocationMenus);
    connect(ui->pmLocations, &QMenu::aboutToShow, this, &TFrmMain::RefreshLocationMenus);
    connect(ui->pmTray, &QMenu::aboutToShow, this, &TFrmMain::RefreshLocationMenus);
    connect(ui->tvNavigate, &QTreeWidget::itemClicked, this, &TFrmMain::tvNavigateClick);
    connect(ui->tvNavigate, &QWidget::customContextMenuRequested, this, &TFrmMain::tvNavigateContextPopup);
    connect(FTrayIcon, &QSystemTrayIcon::activated, this, &TFrmMain::TrayIconActivated);
}

void TFrmMain::InitMainWindow()
{
    BuildNavigationTree();
    FNetWorkList = std::make_unique<TNetWorkList>();
    FLocationList = std::make_unique<TLocationList>(ProgramModules());
    UpdateStatusBar();
    RefreshLocationNodes();
    RefreshLocationMenus();
    ApplyLanguage(this, Lang);
    BuildSkinMenu();
}

// The window is shown only now, with its texts and its skin, so it never flashes without them,
// and never at all when the compact panel takes its place.
void TFrmMain::ShowStartInterface(const QStringList &Arguments, int DefaultUI)
{
    ProcessCommandLine(Arguments, DefaultUI);
    TrimWorkingSet();
    ShowTrayIcon();
    OfferInitialImport();
}

void TFrmMain::ProcessCommandLine(const QStringList &Arguments, int DefaultUI)
{
    if (Arguments.size() == 2) {
        FHostWindow = Arguments.at(0).toUInt();
        FHideOnCreate = ParseBoolean(Arguments.at(1));
    }
    const bool InTray = Arguments == QStringList{QStringLiteral("--tray")};
    if (FHideOnCreate || DefaultUI == duPanelUI)
        ui->ActCompact->trigger();
    else if (InTray && !QSystemTrayIcon::isSystemTrayAvailable())
        showMinimized();
    else if (!InTray)
        show();
    if (FHostWindow != 0)
        SendHostMessage(FHostWindow, MSG_HOST_SHOWN, winId());
}

void TFrmMain::OfferInitialImport()
{
    if (FLocationList->Count() > 0)
        return;
    const QStringList Lines{
        GetLangStr(Lang, "7601", "Welcome to Wayfarel"),
        GetLangStr(Lang, "7602", "No locations were currently defined."),
        GetLangStr(Lang, "7603", "Do you want to import locations from your current settings? "),
        GetLangStr(Lang, "7604", "(RECOMMENDED)")};
    if (TMessageBox::Show(Lines.join(QLatin1Char('\n')), QStringLiteral("Useful tips"), TMsgIcon::Information,
                          TMsgButtons::YesNo) != TMsgResult::Yes)
        return;
    TFrmProgress Progress(this, GetLangStr(Lang, "7403", "Importing locations, please wait a moment..."));
    Progress.ShowNow();
    for (int Index = 0; Index < FNetWorkList->Count(); ++Index)
        if (const TNetWork *Adapter = FNetWorkList->Objects(Index))
            ImportLocation(Adapter->Name(), Adapter->Description(), Adapter->Id());
}

void TFrmMain::ImportLocation(const QString &Name, const QString &Description, const QString &NetId)
{
    std::unique_ptr<TLocation> Imported =
        TLocation::Import(Name, Description, NetId, *FNetWorkList, FLocationList->Modules());
    const QString LocId = Imported->LocId();
    QCoreApplication::processEvents();
    AddLocationView(std::move(Imported), false);
    QCoreApplication::processEvents();
    ShowLocationFrame(LocId);
    QCoreApplication::processEvents();
}

void TFrmMain::BuildNavigationTree()
{
    ui->tvNavigate->clear();
    QMap<QString, QTreeWidgetItem *> Made;
    for (const TFixedNode &Fixed : FixedNodes) {
        QTreeWidgetItem *Node = MakeNode(
            QLatin1String(Fixed.Key), Fixed.Kind,
            GetLangStr(Lang, QLatin1String(Fixed.TextId), QLatin1String(Fixed.DefaultText)), Fixed.Picture);
        if (Fixed.Parent)
            Made.value(QLatin1String(Fixed.Parent))->addChild(Node);
        else
            ui->tvNavigate->addTopLevelItem(Node);
        Made.insert(QLatin1String(Fixed.Key), Node);
    }
    Made.value(QStringLiteral("N_ROOT"))->setExpanded(true);
    Made.value(QStringLiteral("N_TOOLS"))->setExpanded(true);
}

// The second node in display order.
QTreeWidgetItem *TFrmMain::LocationsNode() const { return ui->tvNavigate->topLevelItem(0)->child(0); }

QTreeWidgetItem *TFrmMain::AddLocationNode(const TLocation &Location, int Index)
{
    QTreeWidgetItem *Node = MakeNode(Location.LocId(), nkLocation, Location.LocName(), LocationPicture);
    LocationsNode()->insertChild(Index, Node);
    return Node;
}

// The location nodes follow the list: names brought up to date, nodes of locations that are gone
// removed, new ones added in list order. The nodes that stay are kept, and with them the
// selection. A location's editor is made when it is first shown: a few hundred editors made up
// front would cost the start and the memory of the program for locations nobody opens.
void TFrmMain::RefreshLocationNodes()
{
    if (!FLocationList)
        return;
    QTreeWidgetItem *Parent = LocationsNode();
    for (int Index = Parent->childCount() - 1; Index >= 0; --Index)
        if (!FLocationList->GetItemByLocId(NodeKey(Parent->child(Index))))
            delete Parent->child(Index);
    for (int Index = 0; Index < FLocationList->Count(); ++Index) {
        const TLocation &Location = *FLocationList->Items(Index);
        QTreeWidgetItem *Node = Parent->child(Index);
        if (Node && NodeKey(Node) == Location.LocId())
            Node->setText(0, Location.LocName());
        else
            AddLocationNode(Location, Index);
    }
    ui->tvNavigate->topLevelItem(0)->setExpanded(true);
    Parent->setExpanded(true);
}

void TFrmMain::RefreshLocationMenus()
{
    FillLocationMenu(ui->pmLocations, FToolbarGroup, true);
    FillLocationMenu(ui->mnuLocation, FMenuGroup, true);
    ui->nDefaultPanelUI->setChecked(true);
    if (ReadDefaultUI() == duMainUI)
        ui->nDefaultMainUI->setChecked(true);
    FillLocationMenu(ui->nTSwitchTo, FTrayGroup, false);
}

// One radio entry per location in list order, the current one checked; with shortcuts, the n-th
// entry (from 0) answers Ctrl and the key whose code is 48 + n (Ctrl+0 to Ctrl+9, then onwards).
void TFrmMain::FillLocationMenu(QMenu *Menu, QActionGroup *Group, bool WithShortcuts)
{
    Menu->clear();
    const TLocation *Current = FLocationList->CurrentLocation();
    for (int Index = 0; Index < FLocationList->Count(); ++Index) {
        const TLocation &Location = *FLocationList->Items(Index);
        auto *Entry = new TMenuItemEx(Location.LocId(), Location.LocName(), Menu);
        Entry->setCheckable(true);
        Group->addAction(Entry);
        Entry->setChecked(Current && Current->LocId() == Entry->Key());
        if (WithShortcuts)
            Entry->setShortcut(
                QKeySequence(QKeyCombination(Qt::CTRL, static_cast<Qt::Key>(Qt::Key_0 + Index))));
        connect(Entry, &QAction::triggered, this, [this, Entry] { SwitchTo(Entry->Key()); });
        Menu->addAction(Entry);
    }
}

void TFrmMain::UpdateStatusBar()
{
    const TLocation *Current = FLocationList->CurrentLocation();
    if (!Current)
        return;
    QString Adapter;
    QString Suffix;
    if (const TNetWork *NetWork = FNetWorkList->GetNetWork(Current->NetId())) {
        Adapter = NetWork->Name();
        if (!NetWork->Description().isEmpty())
            Suffix = QLatin1Char('-') + NetWork->Description();
    }
    FStatusPanel->setText(
        FormatLangStr(GetLangStr(Lang, "8", QStringLiteral("Current Location\uFF1A%s(%s%s)")),
                      {Current->LocName(), Adapter, Suffix}));
    UpdateTrayToolTip();
}

QString TFrmMain::StatusText() const { return FStatusPanel->text(); }

void TFrmMain::BuildSkinMenu()
{
    const QString Chosen = KnownSkin(TConfig::GetConfig()->Skinname());
    auto *Group = new QActionGroup(this);
    for (const QString &Name : SkinNames()) {
        QAction *Entry = ui->mnuSkins->addAction(Name);
        Entry->setCheckable(true);
        Entry->setToolTip(Name);
        Entry->setStatusTip(Name);
        Group->addAction(Entry);
        Entry->setChecked(Name == Chosen);
        connect(Entry, &QAction::triggered, this, [this, Entry] { SelectSkin(Entry); });
    }
    ApplySkin(Chosen);
}

void TFrmMain::SelectSkin(QAction *Entry)
{
    if (!ApplySkin(Entry->toolTip()))
        return;
    Entry->setChecked(true);
    TConfig::GetConfig()->SetSkinname(Entry->toolTip());
}

// The title and, once there is one, the current location as the status bar says it.
void TFrmMain::UpdateTrayToolTip()
{
    const QString Status = FStatusPanel->text();
    FTrayIcon->setToolTip(Status.isEmpty() ? windowTitle() : windowTitle() + QLatin1Char('\n') + Status);
}

void TFrmMain::ShowTrayIcon()
{
    UpdateTrayToolTip();
    FTrayIcon->setContextMenu(ui->pmTray);
    FTrayIcon->show();
}

void TFrmMain::TrimWorkingSet()
{
    malloc_trim(0);
    QCoreApplication::processEvents();
}

TFrameLocation *TFrmMain::CreateFrame(const QString &LocId)
{
    auto *Frame = new TFrameLocation(*FLocationList, ui->pnlClient);
    Frame->setObjectName(QStringLiteral("FrameLocation") + LocId);
    Frame->SetLocId(LocId);
    Frame->SetOnApply([this](const QString &Id) { LocationApplied(Id); });
    Frame->SetOnCustomize([this] { CustomizeModules(); });
    ui->pnlClient->addWidget(Frame);
    FLocationFrames.insert(LocId, Frame);
    return Frame;
}

void TFrmMain::AddLocationView(std::unique_ptr<TLocation> Location, bool IsNew)
{
    const TLocation &Added = *FLocationList->Add(std::move(Location));
    TFrameLocation *Frame = CreateFrame(Added.LocId());
    Frame->SetIsChanged(true);
    ui->pnlClient->setCurrentWidget(Frame);
    Frame->DoShow();
    if (!IsNew)
        Frame->SetIsChanged(false);
    ui->tvNavigate->setCurrentItem(AddLocationNode(Added, LocationsNode()->childCount()));
}

void TFrmMain::ShowLocationFrame(const QString &LocId)
{
    if (!FLocationList->GetItemByLocId(LocId))
        return;
    TFrameLocation *Frame = FLocationFrames.value(LocId);
    if (!Frame)
        Frame = CreateFrame(LocId);
    ui->pnlClient->setCurrentWidget(Frame);
    Frame->DoShow();
}

void TFrmMain::ShowClientFrame(QWidget *Frame)
{
    if (ui->pnlClient->indexOf(Frame) < 0)
        ui->pnlClient->addWidget(Frame);
    ui->pnlClient->setCurrentWidget(Frame);
}

void TFrmMain::LocationApplied(const QString &)
{
    RefreshLocationNodes();
    UpdateStatusBar();
}

// Leaving a new location that was never stored asks whether to store it: Yes stores it and lets
// the selection move when that worked, No discards it, Cancel stays.
bool TFrmMain::CanLeaveNode(QTreeWidgetItem *Node)
{
    if (FDiscarding || NodeKind(Node) != nkLocation)
        return true;
    TFrameLocation *Frame = FLocationFrames.value(NodeKey(Node));
    if (!Frame || !Frame->IsChanged())
        return true;
    const QString Question =
        FormatLangStr(GetLangStr(Lang, "4", "Save location [%s] ?"), {Frame->LocNameText()});
    switch (
        TMessageBox::Show(Question, QStringLiteral("Info"), TMsgIcon::Question, TMsgButtons::YesNoCancel)) {
    case TMsgResult::Yes:
        return Frame->Save();
    case TMsgResult::No:
        DiscardLocation(Node);
        return false;
    default:
        return false;
    }
}

// The location leaves the list, its editor and its node; the selection goes to Locations.
void TFrmMain::DiscardLocation(QTreeWidgetItem *Node)
{
    const QString LocId = NodeKey(Node);
    if (ui->tvNavigate->currentItem() == Node) {
        FDiscarding = true;
        ui->tvNavigate->setCurrentItem(LocationsNode());
        FDiscarding = false;
    }
    FLocationList->DeleteByLocId(LocId);
    delete FLocationFrames.take(LocId);
    delete Node;
}

void TFrmMain::DeleteLocation(QTreeWidgetItem *Node)
{
    if (NodeKind(Node) != nkLocation)
        return;
    const QString Question = FormatLangStr(GetLangStr(Lang, "5", "delete location [%s]?"), {Node->text(0)});
    if (TMessageBox::Show(Question, QStringLiteral("Info"), TMsgIcon::Question, TMsgButtons::YesNo) !=
        TMsgResult::Yes)
        return;
    if (TLocation *Location = FLocationList->GetItemByLocId(NodeKey(Node)))
        Location->Remove();
    DiscardLocation(Node);
}

bool TFrmMain::SwitchTo(const QString &LocId) { return SwitchLocation(LocId, false); }

bool TFrmMain::SwitchLocation(const QString &LocId, bool Automatic)
{
    if (FSwitching)
        return false;
    if (FAutoSwitch)
        FAutoSwitch->SwitchStarted();
    const bool Switched = RunSwitch(LocId, Automatic);
    if (FAutoSwitch)
        FAutoSwitch->SwitchFinished();
    return Switched;
}

// The connections are read once at start; one made since (a Wi-Fi joined meanwhile, an nmcli
// profile) is found by reading them again when something asks for it.
void TFrmMain::RefreshAdapters()
{
    TNetManager::GetInstance().Refresh();
    FNetWorkList->ReadNetWorks();
}

bool TFrmMain::RunSwitch(const QString &LocId, bool Automatic)
{
    TLocation *Location = FLocationList->GetItemByLocId(LocId);
    if (Location && !Location->NetId().isEmpty() && !FNetWorkList->GetNetWork(Location->NetId()))
        RefreshAdapters();
    const QString LocName = Location ? Location->LocName() : LocId;
    QString Error;
    TSwitchReport Steps;
    bool Switched = false;
    {
        // Whatever way the switch ends, the window is usable again.
        FSwitching = true;
        const auto Ended = qScopeGuard([this] {
            setEnabled(true);
            FSwitching = false;
        });
        TFrmProgress Progress(this, GetLangStr(Lang, "7401", "Switching location, please wait a moment..."));
        Progress.ShowNow();
        setEnabled(false);
        Switched = Location ? FLocationList->SwitchToLocation(*Location, *FNetWorkList, &Error, &Progress)
                            : FLocationList->SwitchToLocation(LocId, *FNetWorkList, &Error);
        Steps = Progress.Steps();
    }
    emit SwitchEnded(LocId, Switched, Error, Steps);
    if (FExitAfterSwitch) {
        ui->ActExit->trigger();
        return Switched;
    }
    if (Switched && FLocationList->CurrentLocation()) {
        if (!Automatic)
            TMessageBox::Show(FormatLangStr(GetLangStr(Lang, "6", "Location switched to [%s]!"),
                                            {FLocationList->CurrentLocation()->LocName()}),
                              QStringLiteral("Info"), TMsgIcon::Information);
        UpdateStatusBar();
        return true;
    }
    // Refused before any step ran: the reason is the only step there is.
    if (Steps.isEmpty())
        Steps.append(StepFailed(Error));
    if (Steps.constFirst().Name.isEmpty())
        Steps.first().Name = QStringLiteral("location");
    ReportFailedSwitch(LocName, Steps);
    return false;
}

// A failed switch is never silent: a window lists every step, and the tray says it too, for a
// switch started while the main window is hidden.
void TFrmMain::ReportFailedSwitch(const QString &LocName, const QList<TSwitchStep> &Steps)
{
    if (FSwitchReport)
        FSwitchReport->close();
    FSwitchReport = new TFrmSwitchReport(LocName, Steps, this);
    FSwitchReport->setAttribute(Qt::WA_DeleteOnClose);
    FSwitchReport->show();
    FSwitchReport->raise();
    FSwitchReport->activateWindow();
    const auto Failed = std::find_if(Steps.cbegin(), Steps.cend(), [](const TSwitchStep &Step) {
        return Step.Outcome == TSwitchStep::Failed;
    });
    const QString Reason =
        Failed == Steps.cend() ? QString() : Failed->Name + QStringLiteral(": ") + Failed->Reason;
    FTrayIcon->showMessage(
        GetLangStr(Lang, "7701", "Switch failed"),
        FormatLangStr(GetLangStr(Lang, "7710", "Could not switch to [%s]: %s"), {LocName, Reason}),
        QSystemTrayIcon::Critical);
}

int TFrmMain::CustomizeModules()
{
    if (!FCustomizeDialog)
        return QDialog::Rejected;
    const int Result = FCustomizeDialog(this);
    if (Result == QDialog::Accepted)
        for (TFrameLocation *Frame : std::as_const(FLocationFrames))
            Frame->ShowPageSheet();
    return Result;
}

void TFrmMain::SetCustomizeDialog(TCustomizeDialog Dialog)
{
    FCustomizeDialog = std::move(Dialog);
    ui->ActSetupSheet->setEnabled(bool(FCustomizeDialog));
}

void TFrmMain::HideMainWindow() { hide(); }

void TFrmMain::ShowMainWindow() { ui->ActMainUI->trigger(); }

void TFrmMain::CloseMainWindow() { ui->ActExit->trigger(); }

// The window's close button hides it to the tray; where no tray could bring it back, it is
// minimised instead. Only an exit of the program's own closes it.
void TFrmMain::closeEvent(QCloseEvent *Event)
{
    if (!FExiting) {
        Event->ignore();
        if (QSystemTrayIcon::isSystemTrayAvailable())
            hide();
        else
            showMinimized();
        TrimWorkingSet();
        return;
    }
    if (FHostWindow != 0)
        SendHostMessage(FHostWindow, MSG_HOST_CLOSING, winId());
    FTrayIcon->hide();
    Event->accept();
    FEnded = true;
    // Open boxes and dialogs close too, so every event loop they run ends.
    for (QWidget *Window : QApplication::topLevelWidgets())
        if (Window != this && Window->isVisible())
            Window->close();
    QCoreApplication::quit();
}

// A switch runs on this thread with the event loop going: the end waits for it.
void TFrmMain::ActExitExecute()
{
    if (FSwitching) {
        FExitAfterSwitch = true;
        return;
    }
    FExiting = true;
    close();
}

// A panel shown before is closed; deleteLater, since the panel may be calling this window.
void TFrmMain::ActCompactExecute()
{
    hide();
    CloseCompactPanel();
    FCompact = new TfrmCompact(*this, this);
    FCompact->show();
    emit CompactPanelRequested();
}

void TFrmMain::CloseCompactPanel()
{
    if (!FCompact)
        return;
    FCompact->close();
    FCompact->deleteLater();
    FCompact = nullptr;
}

// The scan panel is made on first use and kept, with what it found, until the program ends.
void TFrmMain::ActMacScanExecute()
{
    if (!FMacScan)
        FMacScan = new TFrameMacScan(ui->pnlClient);
    ShowClientFrame(FMacScan);
}

void TFrmMain::ActMainUIExecute()
{
    show();
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
    CloseCompactPanel();
    emit MainWindowRestored();
}

void TFrmMain::ActAboutExecute()
{
    TfrmAbout About(this);
    About.exec();
}

void TFrmMain::ActAddLocationExecute()
{
    std::unique_ptr<TLocation> Location = FLocationList->NewLocation(GenerateId(32));
    Location->SetLocName(GetLangStr(Lang, "7", "New Location"));
    AddLocationView(std::move(Location), true);
}

void TFrmMain::ActImportExecute()
{
    RefreshAdapters();
    TFormImport Dialog(*FNetWorkList, this);
    if (Dialog.exec() != QDialog::Accepted)
        return;
    TFrmProgress Progress(this, GetLangStr(Lang, "7402", "Importing location, please wait a moment..."));
    Progress.ShowNow();
    ImportLocation(Dialog.LocName(), Dialog.LocName(), Dialog.NetId());
}

// Imported locations may replace ones the window shows: every location is read again and each
// editor is made afresh when it is next shown.
void TFrmMain::nImportFileClick()
{
    if (!ImportLocationsFromFile(this, *FNetWorkList))
        return;
    FDiscarding = true;
    ui->tvNavigate->setCurrentItem(LocationsNode());
    FDiscarding = false;
    qDeleteAll(FLocationFrames);
    FLocationFrames.clear();
    FLocationList = std::make_unique<TLocationList>(ProgramModules());
    FLocationList->WriteRegistry();
    RefreshLocationNodes();
    RefreshLocationMenus();
    UpdateStatusBar();
}

// Acts on the node selected after the click: a click that could not move the selection does
// nothing.
void TFrmMain::tvNavigateClick(QTreeWidgetItem *Node)
{
    if (Node != ui->tvNavigate->currentItem())
        return;
    const QString Key = NodeKey(Node);
    if (NodeKind(Node) == nkLocation)
        ShowLocationFrame(Key);
    else if (Key == QLatin1String("N_TOOLS_MACSCAN"))
        ui->ActMacScan->trigger();
    else if (Key == QLatin1String("N_HELP_TOPIC"))
        ui->ActHelp->trigger();
    else if (Key == QLatin1String("N_SUPPORT"))
        ui->ActVisitHome->trigger();
    else if (Key == QLatin1String("N_ABOUT"))
        ui->ActAbout->trigger();
}

void TFrmMain::tvNavigateContextPopup(const QPoint &Pos)
{
    QTreeWidgetItem *Node = ui->tvNavigate->itemAt(Pos);
    if (!Node)
        return;
    ui->tvNavigate->setCurrentItem(Node);
    if (ui->tvNavigate->currentItem() != Node)
        return;
    const int Kind = NodeKind(Node);
    if (Kind != nkLocations && Kind != nkLocation)
        return;
    ui->nPopSwitchTo->setVisible(Kind == nkLocation);
    ui->nPopDelete->setVisible(Kind == nkLocation);
    ui->nPopAddLocation->setVisible(Kind == nkLocations);
    ui->pmLocation->popup(ui->tvNavigate->viewport()->mapToGlobal(Pos));
}

void TFrmMain::nPopSwitchToClick()
{
    if (NodeKind(ui->tvNavigate->currentItem()) == nkLocation)
        SwitchTo(NodeKey(ui->tvNavigate->currentItem()));
}

void TFrmMain::nAutostartClick(bool On)
{
    QString Error;
    if (Autostart::SetEnabled(On, QCoreApplication::applicationFilePath(), {QStringLiteral("--tray")},
                              &Error))
        return;
    ui->nAutostart->setChecked(!On);
    TMessageBox::Show(
        FormatLangStr(GetLangStr(Lang, "7802", "The autostart entry cannot be changed: %s"), {Error}),
        QStringLiteral("Error"), TMsgIcon::Error);
}

void TFrmMain::TrayIconActivated(QSystemTrayIcon::ActivationReason Reason)
{
    if (Reason == QSystemTrayIcon::DoubleClick)
        ui->ActMainUI->trigger();
}
