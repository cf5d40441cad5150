#include "ui/FrameLocation.h"
#include "ui_FrameLocation.h"

#include "adapters/IpAddress.h"
#include "adapters/NetMgr.h"
#include "adapters/Network.h"
#include "adapters/WMI.h"
#include "app/DBManager.h"
#include "app/IdGen.h"
#include "app/uLanguages.h"
#include "base/Exceptions.h"
#include "lantools/uGetMacAddress.h"
#include "locations/FuncDef.h"
#include "locations/Location.h"
#include "platform/desktop/MessageBox.h"
#include "ui/AppActions.h"
#include "ui/pages/AutomaticPage.h"

#include <QCoreApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollArea>
#include <QSqlDatabase>
#include <QTabBar>
#include <algorithm>
#include <limits>

namespace {

const QString Lang = QStringLiteral("EN");
const QString LocationCode = QStringLiteral("LOCATION");
const QString NoAddress = QStringLiteral("0.0.0.0");
const QString NoMac = QStringLiteral("00-00-00-00-00-00");

void ShowError(const QString &Text) { TMessageBox::Show(Text, QStringLiteral("Error"), TMsgIcon::Error); }

bool Refuse(TPageProblem *Problem, const QString &Id, const QString &Fallback, QWidget *Focus)
{
    Problem->Message = GetLangStr(Lang, Id, Fallback);
    Problem->Focus = Focus;
    return false;
}

// The names of the installed printers, local and connected, as the printer class lists them.
QStringList InstalledPrinterNames()
{
    QList<QStringList> Printers;
    WmiQueryObjects(QStringLiteral("Win32_Printer"), QString(), Printers);
    QStringList Names;
    for (const QStringList &Printer : std::as_const(Printers))
        Names.append(WmiStringsValue(Printer, QStringLiteral("Name")));
    return Names;
}

QString AdapterEntry(const TNetWork &Adapter)
{
    if (Adapter.Description().isEmpty())
        return Adapter.Name();
    return Adapter.Name() + QLatin1Char('(') + Adapter.Description() + QLatin1Char(')');
}

// One transaction of the connection, rolled back unless committed, also when an error passes.
class TTransaction
{
public:
    explicit TTransaction(QSqlDatabase Db) : FDb(std::move(Db)), FOpen(FDb.transaction()) {}
    ~TTransaction() { Rollback(); }
    TTransaction(const TTransaction &) = delete;
    TTransaction &operator=(const TTransaction &) = delete;

    bool IsOpen() const { return FOpen; }
    bool Commit()
    {
        if (!FOpen || !FDb.commit())
            return false;
        FOpen = false;
        return true;
    }
    void Rollback()
    {
        if (FOpen)
            FDb.rollback();
        FOpen = false;
    }

private:
    QSqlDatabase FDb;
    bool FOpen;
};

} // namespace

TFrameLocation::TFrameLocation(TLocationList &Locations, QWidget *parent,
                               const std::vector<TPageDescriptor> &Pages)
    : QFrame(parent), ui(std::make_unique<Ui::TFrameLocation>()), FLocations(Locations)
{
    ui->setupUi(this);
    FSheetMenu = new QMenu(this);
    FSheetMenu->setObjectName(QStringLiteral("pmSheet"));
    FSheetMenu->addAction(ui->nClose);
    FSheetMenu->addAction(ui->nCustom);
    CreatePages(Pages);
    FAutomatic = new TAutomaticPage(ui->pcLocation);
    ui->pcLocation->addTab(FAutomatic, FAutomatic->windowTitle());
    ApplyLanguage(this, Lang);
    ui->lblAutoGet->installEventFilter(this);
    ui->pcLocation->tabBar()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ui->btnApply, &QPushButton::clicked, this, &TFrameLocation::btnApplyClick);
    connect(ui->cbEnableDHCP, &QCheckBox::clicked, this, &TFrameLocation::cbEnableDHCPClick);
    connect(ui->cbAutoDNS, &QCheckBox::clicked, this, &TFrameLocation::cbAutoDNSClick);
    connect(ui->btnGateWayMAC, &QPushButton::clicked, this, &TFrameLocation::btnGateWayMACClick);
    connect(ui->pcLocation->tabBar(), &QWidget::customContextMenuRequested, this,
            &TFrameLocation::pcLocationContextPopup);
    connect(ui->nClose, &QAction::triggered, this, &TFrameLocation::nCloseClick);
    connect(ui->nCustom, &QAction::triggered, this, &TFrameLocation::nCustomClick);
    ShowPageSheet();
}

TFrameLocation::~TFrameLocation() = default;

void TFrameLocation::CreatePages(const std::vector<TPageDescriptor> &Pages)
{
    for (const TModuleDescriptor &Module : FLocations.Modules()) {
        const auto Found = std::find_if(Pages.begin(), Pages.end(), [&](const TPageDescriptor &Page) {
            return Page.Kind == Module.Kind;
        });
        if (Found == Pages.end())
            continue;
        // The window has a fixed size: a page taller than the tab scrolls, as the Location tab does.
        auto *Sheet = new QScrollArea(ui->pcLocation);
        Sheet->setWidgetResizable(true);
        Sheet->setFrameShape(QFrame::NoFrame);
        TModulePage *Page = Found->Create(Sheet).release();
        Sheet->setWidget(Page);
        ui->pcLocation->addTab(Sheet, Page->windowTitle());
        FPages.push_back(Page);
    }
}

TLocation *TFrameLocation::Location()
{
    if (!FLocation) {
        FLocation = FLocations.GetItemByLocId(FLocId);
        if (!FLocation) {
            FNewLocation = FLocations.NewLocation(GenerateId(32));
            FLocation = FNewLocation.get();
            FLocId = FLocation->LocId();
        }
    }
    return FLocation;
}

QString TFrameLocation::SheetCode(QWidget *Sheet) const
{
    if (Sheet == ui->tsIP)
        return LocationCode;
    return static_cast<TModulePage *>(static_cast<QScrollArea *>(Sheet)->widget())->CatalogueCode();
}

QWidget *TFrameLocation::SheetOf(QWidget *Page) const
{
    for (int Index = 0; Index < ui->pcLocation->count(); ++Index)
        if (QWidget *Sheet = ui->pcLocation->widget(Index); Sheet->isAncestorOf(Page))
            return Sheet;
    return nullptr;
}

void TFrameLocation::MoveSheet(QWidget *Sheet, int Index)
{
    ui->pcLocation->tabBar()->moveTab(ui->pcLocation->indexOf(Sheet), Index);
}

void TFrameLocation::ShowPageSheet()
{
    // Hidden while the tabs move, so the window does not flicker.
    ui->pcLocation->setEnabled(false);
    ui->pcLocation->setVisible(false);
    const TFuncDefine &Catalogue = *TFuncDefine::getInstance();
    std::vector<std::pair<int, QWidget *>> Sheets;
    for (int Index = 0; Index < ui->pcLocation->count(); ++Index) {
        QWidget *Sheet = ui->pcLocation->widget(Index);
        if (Sheet == ui->tsIP || Sheet == FAutomatic)
            continue;
        const QString Code = SheetCode(Sheet);
        ui->pcLocation->setTabVisible(Index, Catalogue.IsEnabled(Code));
        // A code without catalogue place (-1) goes last rather than before the Location tab.
        const int Position = Catalogue.GetPos(Code);
        Sheets.emplace_back(Position < 0 ? std::numeric_limits<int>::max() : Position, Sheet);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    // Ordered by place, so a place beyond the number of tabs lands last; equal places keep
    // their current order.
    std::stable_sort(Sheets.begin(), Sheets.end(),
                     [](const auto &Left, const auto &Right) { return Left.first < Right.first; });
    for (std::size_t Place = 0; Place < Sheets.size(); ++Place) {
        MoveSheet(Sheets[Place].second, static_cast<int>(Place) + 1);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    ui->pcLocation->setEnabled(true);
    ui->pcLocation->setVisible(true);
}

void TFrameLocation::DoShow()
{
    LoadLocation();
    LoadTcpIp();
    for (TModulePage *Page : FPages)
        Page->Load(*Location());
    if (!FAutomatic->Load(FLocId))
        ShowError(GetLangStr(Lang, QStringLiteral("7813"),
                             QStringLiteral("The rules of this location could not be read.")));
    show();
}

void TFrameLocation::LoadLocation()
{
    QString Name = Location()->LocName();
    ui->txtLocDesc->setPlainText(Location()->LocDesc());
    if (Name.isEmpty())
        Name = GetLangStr(Lang, QStringLiteral("7"), QStringLiteral("New Location"));
    ui->txtLocName->setText(Name);
    ui->slblLocName->setText(Name);
    LoadAdapters();
    LoadPrinters();
}

void TFrameLocation::LoadAdapters()
{
    ui->cobNetId->clear();
    // Read anew each time the editor shows, so a connection made meanwhile can be chosen.
    TNetManager &Manager = TNetManager::GetInstance();
    Manager.Refresh();
    // Without NetworkManager the kernel's interfaces are listed, but no switch can change them.
    const QString Note = Manager.Source() == QLatin1String("NetworkManager")
                             ? QString()
                             : QStringLiteral(" - not switchable: NetworkManager is not running");
    const TNetWorkList Adapters;
    for (int Index = 0; Index < Adapters.Count(); ++Index)
        if (const TNetWork *Adapter = Adapters.Objects(Index))
            ui->cobNetId->addItem(AdapterEntry(*Adapter) + Note, Adapter->Id());
    ui->cobNetId->setCurrentIndex(ui->cobNetId->findData(Location()->NetId()));
}

void TFrameLocation::LoadPrinters()
{
    ui->cobPrinters->clear();
    ui->cobPrinters->addItems(InstalledPrinterNames());
    ui->cobPrinters->setCurrentIndex(ui->cobPrinters->findText(Location()->Printer(), Qt::MatchExactly));
}

void TFrameLocation::LoadTcpIp()
{
    const TIPAddress &Ip = *Location()->IpAddress();
    const std::pair<TIPEdit *, QString> Fields[] = {{ui->txtIPAddr, Ip.IPAddr()},
                                                    {ui->txtGateway, Ip.GateWay()},
                                                    {ui->txtSubnetMask, Ip.SubnetMask()},
                                                    {ui->txtMainDNS, Ip.MainDNS()},
                                                    {ui->txtSubDNS, Ip.SubDNS()}};
    // A field whose value is not stored shows "0.0.0.0", not an edit left from before.
    for (const auto &[Field, Value] : Fields) {
        Field->SetIPString(NoAddress);
        Field->SetIPString(Value);
    }
    ui->txtMacAddr->setText(Ip.GWMacAddr());
    ui->txtMAC->setText(Ip.MacAddr());
    ui->cbEnableDHCP->setChecked(Ip.EnableDHCP());
    ui->cbAutoDNS->setChecked(Ip.AutoGetDNS());
    ui->cbAutoRepair->setChecked(Ip.AutoRepair());
    cbEnableDHCPClick();
    cbAutoDNSClick();
}

void TFrameLocation::cbEnableDHCPClick()
{
    const bool Static = !ui->cbEnableDHCP->isChecked();
    if (Static) {
        ui->cbAutoDNS->setChecked(false);
        cbAutoDNSClick();
    }
    for (TIPEdit *Field : {ui->txtIPAddr, ui->txtSubnetMask, ui->txtGateway})
        Field->setEnabled(Static);
}

void TFrameLocation::cbAutoDNSClick()
{
    // Automatic DNS exists only together with DHCP.
    if (!ui->cbEnableDHCP->isChecked())
        ui->cbAutoDNS->setChecked(false);
    const bool Fixed = !ui->cbAutoDNS->isChecked();
    ui->txtMainDNS->setEnabled(Fixed);
    ui->txtSubDNS->setEnabled(Fixed);
}

QString TFrameLocation::LocNameText() const { return ui->txtLocName->text(); }

QString TFrameLocation::SelectedNetId() const { return ui->cobNetId->currentData().toString(); }

bool TFrameLocation::CheckLocationTab(TPageProblem *Problem) const
{
    if (ui->txtLocName->text().trimmed().isEmpty())
        return Refuse(Problem, QStringLiteral("105"), QStringLiteral("Please Enter Location Name!"),
                      ui->txtLocName);
    if (ui->cobNetId->currentIndex() < 0)
        return Refuse(Problem, QStringLiteral("106"), QStringLiteral("Please select an adapter!"),
                      ui->cobNetId);
    if (ui->cobPrinters->currentIndex() < 0)
        return Refuse(Problem, QStringLiteral("150"), QStringLiteral("Please select a default printer!"),
                      ui->cobPrinters);
    if (ui->cbEnableDHCP->isChecked())
        return true;
    if (ui->txtIPAddr->IPString() == NoAddress)
        return Refuse(Problem, QStringLiteral("107"), QStringLiteral("Please Enter IP Address!"),
                      ui->txtIPAddr);
    if (ui->txtSubnetMask->IPString() == NoAddress)
        return Refuse(Problem, QStringLiteral("108"), QStringLiteral("Please Enter SubnetMask Address!"),
                      ui->txtSubnetMask);
    return true;
}

// The Location tab, then every page whose module the catalogue has switched on, in tab order of
// the module table; the first refusal is shown with its tab in front.
bool TFrameLocation::CheckAll()
{
    TPageProblem Problem;
    QWidget *Sheet = ui->tsIP;
    bool Passed = CheckLocationTab(&Problem);
    for (auto Page = FPages.begin(); Passed && Page != FPages.end(); ++Page)
        if (TFuncDefine::getInstance()->IsEnabled((*Page)->CatalogueCode())) {
            Sheet = SheetOf(*Page);
            Passed = (*Page)->Check(&Problem);
        }
    if (Passed) {
        Sheet = FAutomatic;
        Passed = FAutomatic->Check(&Problem);
    }
    if (Passed)
        return true;
    ShowError(Problem.Message);
    ui->pcLocation->setCurrentWidget(Sheet);
    if (Problem.Focus)
        Problem.Focus->setFocus();
    return false;
}

void TFrameLocation::StoreLocationRecord(TLocation &Stored)
{
    Stored.SetLocName(ui->txtLocName->text());
    Stored.SetLocDesc(ui->txtLocDesc->toPlainText());
    Stored.SetNetId(SelectedNetId());
    Stored.SetPrinter(ui->cobPrinters->currentText());
    Stored.Save();
}

bool TFrameLocation::StoreTcpIp(TLocation &Stored)
{
    TIPAddress &Ip = *Stored.IpAddress();
    Ip.SetNetId(SelectedNetId());
    Ip.SetIPAddr(ui->txtIPAddr->IPString());
    Ip.SetGateWay(ui->txtGateway->IPString());
    Ip.SetSubnetMask(ui->txtSubnetMask->IPString());
    Ip.SetMainDNS(ui->txtMainDNS->IPString());
    Ip.SetSubDNS(ui->txtSubDNS->IPString());
    Ip.SetMacAddr(ui->txtMAC->MacText());
    Ip.SetGWMacAddr(ui->txtMacAddr->MacText());
    Ip.SetEnableDHCP(ui->cbEnableDHCP->isChecked());
    Ip.SetAutoGetDNS(ui->cbAutoDNS->isChecked());
    Ip.SetAutoRepair(ui->cbAutoRepair->isChecked());
    return Ip.Save();
}

// Stores the location record, its TCP/IP settings and every page; Failed, naming the location
// on entry, names the part that could not be stored. The caller owns the transaction.
bool TFrameLocation::StoreAll(QString *Failed)
{
    TLocation &Stored = *Location();
    try {
        StoreLocationRecord(Stored);
        *Failed = GetLangStr(Lang, QStringLiteral("7812"), QStringLiteral("the TCP/IP settings"));
        if (!StoreTcpIp(Stored))
            return false;
        for (TModulePage *Page : FPages) {
            *Failed = Page->windowTitle();
            if (!Page->Store(Stored))
                return false;
        }
        *Failed = FAutomatic->windowTitle();
        if (!FAutomatic->Store(FLocId))
            return false;
    } catch (const EDatabaseError &) {
        return false;
    }
    return true;
}

// StoreAll in one transaction; on failure the data file and the location record stay as they
// were.
bool TFrameLocation::StoreInTransaction(QString *Failed)
{
    TLocation &Stored = *Location();
    const QString Name = Stored.LocName(), Desc = Stored.LocDesc(), NetId = Stored.NetId(),
                  Printer = Stored.Printer();
    TTransaction Transaction(GetConnection());
    if (Transaction.IsOpen() && StoreAll(Failed) && Transaction.Commit())
        return true;
    Transaction.Rollback();
    Stored.SetLocName(Name);
    Stored.SetLocDesc(Desc);
    Stored.SetNetId(NetId);
    Stored.SetPrinter(Printer);
    return false;
}

bool TFrameLocation::Save()
{
    if (!CheckAll())
        return false;
    QString Failed = GetLangStr(Lang, QStringLiteral("7811"), QStringLiteral("the location"));
    if (!StoreInTransaction(&Failed)) {
        ShowError(FormatLangStr(GetLangStr(Lang, QStringLiteral("7810"),
                                           QStringLiteral("The location was not saved: storing %s failed.")),
                                {Failed}));
        return false;
    }
    TLocation &Stored = *Location();
    if (FNewLocation)
        FLocations.Add(std::move(FNewLocation));
    ui->slblLocName->setText(Stored.LocName());
    FIsChanged = false;
    if (FOnApply)
        FOnApply(FLocId);
    return true;
}

void TFrameLocation::btnApplyClick()
{
    if (Save())
        TMessageBox::Show(GetLangStr(Lang, QStringLiteral("111"), QStringLiteral("Save OK!")),
                          QStringLiteral("Info"), TMsgIcon::Information);
}

// The first IP-enabled adapter's address, unless the location's own adapter has one.
QString TFrameLocation::GatewaySourceAddress()
{
    const QString FirstEnabled = WmiQueryValue(QStringLiteral("Win32_NetworkAdapterConfiguration"),
                                               QStringLiteral("IpAddress"), QStringLiteral("IPEnabled=True"));
    const TNetWorkList Adapters;
    TNetWork *Own = Adapters.GetNetWork(Location()->NetId());
    const QString OwnIp = Own ? Own->Ip() : QString();
    return OwnIp.isEmpty() ? FirstEnabled : OwnIp;
}

void TFrameLocation::btnGateWayMACClick()
{
    const QString Mac = GetMacAddress(GatewaySourceAddress(), ui->txtGateway->IPString());
    ui->txtMacAddr->setText(Mac.isEmpty() ? NoMac : Mac);
}

void TFrameLocation::lblAutoGetClick()
{
    const TIPEdit &Gateway = *ui->txtGateway;
    if (Gateway.IPString() == NoAddress) {
        ShowError(GetLangStr(Lang, QStringLiteral("135"),
                             QStringLiteral("Please Enter GateWay IP Address First!")));
        return;
    }
    const QString Prefix =
        Gateway.IP1() + QLatin1Char('.') + Gateway.IP2() + QLatin1Char('.') + Gateway.IP3();
    const QString Unused = FindUnusedIp(Prefix, Gateway.IP4().toInt() + 1, 255);
    if (!Unused.isEmpty())
        ui->txtIPAddr->SetIPString(Unused);
}

bool TFrameLocation::eventFilter(QObject *Watched, QEvent *Event)
{
    if (Watched == ui->lblAutoGet && Event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent *>(Event)->button() == Qt::LeftButton) {
        lblAutoGetClick();
        return true;
    }
    return QFrame::eventFilter(Watched, Event);
}

void TFrameLocation::pcLocationContextPopup(const QPoint &Pos)
{
    QTabBar *Tabs = ui->pcLocation->tabBar();
    const int Index = Tabs->tabAt(Pos);
    if (Index < 0)
        return;
    FMenuSheet = ui->pcLocation->widget(Index);
    ui->nClose->setVisible(FMenuSheet != ui->tsIP && FMenuSheet != FAutomatic);
    FSheetMenu->popup(Tabs->mapToGlobal(Pos));
}

void TFrameLocation::nCloseClick()
{
    if (!FMenuSheet || FMenuSheet == ui->tsIP || FMenuSheet == FAutomatic)
        return;
    TFuncDefine::getInstance()->SetEnabled(SheetCode(FMenuSheet), false);
    ShowPageSheet();
}

void TFrameLocation::nCustomClick()
{
    if (FOnCustomize)
        FOnCustomize();
}
