#include "adapters/IpAddress.h"
#include "adapters/NetMgr.h"
#include "adapters/WMI.h"
#include "app/DBManager.h"
#include "locations/FuncDef.h"
#include "locations/Location.h"
#include "locations/LocationRules.h"
#include "modules/IEProxy.h"
#include "modules/ProgramModules.h"
#include "support/BoxAnswers.h"
#include "support/DataWorld.h"
#include "support/FakeNetwork.h"
#include "ui/FrameLocation.h"
#include "ui/widgets/IPEdit.h"
#include "ui/widgets/MacEdit.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSet>
#include <QSqlQuery>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QtTest>

namespace {

const QString StoredId = QStringLiteral("FRAMELOCATION0000000000000000001");
const QString Laser = QStringLiteral("Lab_Office_Laser");
const QString Unset = QStringLiteral("  -  -  -  -  -  ");

// The printers the printer class lists while a test runs.
class TPrinterList : public IWmiProvider
{
public:
    explicit TPrinterList(QStringList Names) : FNames(std::move(Names)) {}
    QString ClassName() const override { return QStringLiteral("Win32_Printer"); }
    QList<TWmiObject> Instances() override
    {
        QList<TWmiObject> Printers;
        for (const QString &Name : FNames)
            Printers.append(TWmiObject(ClassName()).Add("Name", Name).Add("Default", false));
        return Printers;
    }

private:
    QStringList FNames;
};

// Which stand-in pages refuse their check or fail their store, by module kind.
struct TPageRules
{
    static inline QSet<int> Refusing;
    static inline QSet<int> Failing;
};

// A module tab standing in for the real ones: one check box bound to its module's EnableProxy.
// Its caption and object name are the module's catalogue code.
template <TModuleKind K>
class TStandInPage : public TModulePage
{
public:
    static constexpr TModuleKind Kind = K;

    explicit TStandInPage(QWidget *Parent) : TModulePage(Parent), FBox(new QCheckBox(this))
    {
        setObjectName(Code());
        setWindowTitle(Code());
        FBox->setObjectName(QStringLiteral("cbEnable"));
    }
    QString CatalogueCode() const override { return Code(); }
    std::vector<TModuleKind> Kinds() const override { return {K}; }
    void Load(TLocation &Location) override { FBox->setChecked(Module(Location).EnableProxy()); }
    bool Check(TPageProblem *Problem) const override
    {
        if (!TPageRules::Refusing.contains(int(K)))
            return true;
        Problem->Message = Code() + QStringLiteral(" refused");
        Problem->Focus = FBox;
        return false;
    }
    bool Store(TLocation &Location) override
    {
        TCustomProxy &Stored = Module(Location);
        Stored.SetEnableProxy(FBox->isChecked());
        return Stored.Save() && !TPageRules::Failing.contains(int(K));
    }

private:
    static QString Code() { return FindModule(ProgramModules(), K)->Code; }
    static TCustomProxy &Module(TLocation &Location)
    {
        return Location.ModuleOf(*FindModule(ProgramModules(), K));
    }

    QCheckBox *FBox;
};

const std::vector<TPageDescriptor> &StandInPages()
{
    using K = TModuleKind;
    // Listed out of the module table's order: the editor must follow the table.
    static const std::vector<TPageDescriptor> Pages{
        DescribePage<TStandInPage<K::BitComet>>(), DescribePage<TStandInPage<K::IE>>(),
        DescribePage<TStandInPage<K::Firefox>>(),  DescribePage<TStandInPage<K::FolderShare>>(),
        DescribePage<TStandInPage<K::Foxmail>>(),  DescribePage<TStandInPage<K::MSN>>(),
        DescribePage<TStandInPage<K::ICQ>>(),      DescribePage<TStandInPage<K::Skype>>(),
        DescribePage<TStandInPage<K::EMule>>()};
    return Pages;
}

template <class T>
T *Child(const QObject &Parent, const char *Name)
{
    T *Found = Parent.findChild<T *>(QLatin1String(Name));
    if (!Found)
        qFatal("no child %s", Name);
    return Found;
}

QByteArray FileBytes(const QString &Path)
{
    QFile File(Path);
    return File.open(QIODevice::ReadOnly) ? File.readAll() : QByteArray();
}

// The tab captions in order, a hidden one in parentheses.
QStringList Tabs(const TFrameLocation &Frame)
{
    const auto *Sheets = Child<QTabWidget>(Frame, "pcLocation");
    QStringList Captions;
    for (int Index = 0; Index < Sheets->count(); ++Index)
        Captions.append(Sheets->isTabVisible(Index) ? Sheets->tabText(Index)
                                                    : "(" + Sheets->tabText(Index) + ")");
    return Captions;
}

// True when the tab in front shows the page named Name.
bool ShowsTab(const TFrameLocation &Frame, const QString &Name)
{
    const QWidget *Page = Frame.findChild<QWidget *>(Name);
    const QWidget *Front = Child<QTabWidget>(Frame, "pcLocation")->currentWidget();
    return Page && Front && (Front == Page || Front->isAncestorOf(Page));
}

bool HasFocus(const TFrameLocation &Frame, const QString &Name)
{
    const QWidget *Expected = Frame.findChild<QWidget *>(Name);
    const QWidget *Focus = Frame.focusWidget();
    return Expected && Focus && (Focus == Expected || Expected->isAncestorOf(Focus));
}

void RightClickTab(TFrameLocation &Frame, const QPoint &Pos)
{
    QTabBar *Bar = Child<QTabWidget>(Frame, "pcLocation")->tabBar();
    QContextMenuEvent Event(QContextMenuEvent::Mouse, Pos, Bar->mapToGlobal(Pos));
    QCoreApplication::sendEvent(Bar, &Event);
}

} // namespace

class TestFrameLocation : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void DoShowLoadsEveryControlAndDiscardsEdits();
    void AStoredAdapterOrPrinterThatIsGoneSelectsNothing();
    void LocationTabChecks_data();
    void LocationTabChecks();
    void DhcpAndDnsRules_data();
    void DhcpAndDnsRules();
    void MacFieldsKeepTheirStoredForm();
    void SaveStoresEverythingAsTypedAndTellsTheOwner();
    void AFailedSaveLeavesTheDataFileAsItWas_data();
    void AFailedSaveLeavesTheDataFileAsItWas();
    void ADisabledPageIsNotChecked();
    void ALocationTheListLacksJoinsItWhenStored();
    void TabsFollowTheCatalogue_data();
    void TabsFollowTheCatalogue();
    void TabMenu();
    void TheAutomaticTabStoresRulesWithTheLocation_data();
    void TheAutomaticTabStoresRulesWithTheLocation();
    void UnusedAddressNeedsAGateway_data();
    void UnusedAddressNeedsAGateway();

private:
    std::unique_ptr<TFrameLocation> NewFrame(const QString &LocId = StoredId);

    std::unique_ptr<TDataWorld> FRoot;
    std::unique_ptr<TFakeNetwork> FNetwork;
    std::unique_ptr<TLocationList> FList;
    std::unique_ptr<TBoxAnswers> FBoxes;
};

void TestFrameLocation::init()
{
    FRoot = std::make_unique<TDataWorld>();
    FNetwork = std::make_unique<TFakeNetwork>();
    TWmiProviders::Register(std::make_shared<TPrinterList>(QStringList{"Home_Inkjet", Laser}));
    TPageRules::Refusing.clear();
    TPageRules::Failing.clear();

    TLocation Stored(StoredId, ProgramModules());
    Stored.SetLocName("Office");
    Stored.SetNetId(TFakeNetwork::OfficeId);
    Stored.SetPrinter(Laser);
    Stored.Save();
    TIPAddress &Ip = *Stored.IpAddress();
    Ip.SetIPAddr("10.0.0.7");
    Ip.SetSubnetMask("255.255.255.0");
    Ip.SetGateWay("10.0.0.1");
    Ip.SetMainDNS("10.0.0.53");
    Ip.SetSubDNS("10.0.0.54");
    Ip.SetMacAddr("02-00-00-00-00-01");
    Ip.SetAutoRepair(true);
    Ip.Save();
    Stored.Module<TIEProxy>()->SetEnableProxy(true);
    Stored.Module<TIEProxy>()->Save();
    FList = std::make_unique<TLocationList>(ProgramModules());
    FBoxes = std::make_unique<TBoxAnswers>();
}

void TestFrameLocation::cleanup()
{
    FBoxes.reset();
    FList.reset();
    TFuncDefine::FreeInstance();
    FNetwork.reset();
    TNetManager::ReleaseInstance();
    TWmiProviders::Unregister("Win32_Printer");
    FRoot.reset();
}

std::unique_ptr<TFrameLocation> TestFrameLocation::NewFrame(const QString &LocId)
{
    auto Frame = std::make_unique<TFrameLocation>(*FList, nullptr, StandInPages());
    Frame->SetLocId(LocId);
    Frame->DoShow();
    return Frame;
}

void TestFrameLocation::DoShowLoadsEveryControlAndDiscardsEdits()
{
    const auto Frame = NewFrame();
    QVERIFY(Frame->isVisible());
    QCOMPARE(Frame->LocNameText(), QString("Office"));
    QCOMPARE(Child<QLabel>(*Frame, "slblLocName")->text(), QString("Office"));
    QCOMPARE(Child<QLabel>(*Frame, "lblLocName")->text(), QString("Description:"));
    QCOMPARE(Child<QLabel>(*Frame, "lblAutoGet")->toolTip(), QString("Obtain an unused IP address"));
    QVERIFY(!Child<QWidget>(*Frame, "txtLocDesc")->isVisible());
    const auto *Adapters = Child<QComboBox>(*Frame, "cobNetId");
    QCOMPARE(Adapters->count(), 2);
    QCOMPARE(Adapters->currentData().toString(), TFakeNetwork::OfficeId);
    QVERIFY(Adapters->currentText().startsWith("Office"));
    const auto *Printers = Child<QComboBox>(*Frame, "cobPrinters");
    QCOMPARE(Printers->count(), 2);
    QCOMPARE(Printers->currentText(), Laser);
    const QList<std::pair<const char *, QString>> Addresses{{"txtIPAddr", "10.0.0.7"},
                                                            {"txtSubnetMask", "255.255.255.0"},
                                                            {"txtGateway", "10.0.0.1"},
                                                            {"txtMainDNS", "10.0.0.53"},
                                                            {"txtSubDNS", "10.0.0.54"}};
    for (const auto &[Name, Address] : Addresses)
        QCOMPARE(Child<TIPEdit>(*Frame, Name)->IPString(), Address);
    QCOMPARE(Child<TMacEdit>(*Frame, "txtMAC")->MacText(), QString("02-00-00-00-00-01"));
    QCOMPARE(Child<TMacEdit>(*Frame, "txtMacAddr")->MacText(), QString("00-00-00-00-00-00"));
    QVERIFY(Child<QCheckBox>(*Frame, "cbAutoRepair")->isChecked());
    QVERIFY(!Child<QCheckBox>(*Frame, "cbEnableDHCP")->isChecked());
    QVERIFY(Child<QWidget>(*Frame, "IE")->findChild<QCheckBox *>()->isChecked());
    QVERIFY(!Child<QWidget>(*Frame, "FIREFOX")->findChild<QCheckBox *>()->isChecked());

    Child<QLineEdit>(*Frame, "txtLocName")->setText("Not saved");
    Child<TIPEdit>(*Frame, "txtIPAddr")->SetIPString("10.0.0.99");
    Child<QComboBox>(*Frame, "cobPrinters")->setCurrentIndex(0);
    Child<QWidget>(*Frame, "IE")->findChild<QCheckBox *>()->setChecked(false);
    Frame->DoShow();
    QCOMPARE(Frame->LocNameText(), QString("Office"));
    QCOMPARE(Child<TIPEdit>(*Frame, "txtIPAddr")->IPString(), QString("10.0.0.7"));
    QCOMPARE(Printers->currentText(), Laser);
    QVERIFY(Child<QWidget>(*Frame, "IE")->findChild<QCheckBox *>()->isChecked());
}

void TestFrameLocation::AStoredAdapterOrPrinterThatIsGoneSelectsNothing()
{
    TLocation *Stored = FList->GetItemByLocId(StoredId);
    Stored->SetNetId(TFakeNetwork::MissingId);
    Stored->SetPrinter("lab_office_laser");
    const auto Frame = NewFrame();
    QCOMPARE(Child<QComboBox>(*Frame, "cobNetId")->currentIndex(), -1);
    QCOMPARE(Child<QComboBox>(*Frame, "cobPrinters")->currentIndex(), -1);
    QVERIFY(!Frame->Save());
    QCOMPARE(FBoxes->Texts(), QStringList{"Please Select an adapter!"});
}

void TestFrameLocation::LocationTabChecks_data()
{
    QTest::addColumn<QString>("spoil");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focus");
    QTest::newRow("empty name") << "name:"
                                << "Please Enter Location Name!"
                                << "txtLocName";
    QTest::newRow("blanks-only name") << "name:   "
                                      << "Please Enter Location Name!"
                                      << "txtLocName";
    QTest::newRow("no adapter") << "cobNetId"
                                << "Please Select an adapter!"
                                << "cobNetId";
    QTest::newRow("no printer") << "cobPrinters"
                                << "Please select a  printer!"
                                << "cobPrinters";
    QTest::newRow("no address") << "txtIPAddr"
                                << "Please Enter IP Address!"
                                << "txtIPAddr";
    QTest::newRow("no mask") << "txtSubnetMask"
                             << "Please Enter SubnetMask Address!"
                             << "txtSubnetMask";
    QTest::newRow("name before adapter") << "name:|cobNetId"
                                         << "Please Enter Location Name!"
                                         << "txtLocName";
    QTest::newRow("printer before address") << "cobPrinters|txtIPAddr"
                                            << "Please select a  printer!"
                                            << "cobPrinters";
    QTest::newRow("DHCP passes without address and mask") << "DHCP|txtIPAddr|txtSubnetMask"
                                                          << ""
                                                          << "";
    QTest::newRow("DHCP still needs a printer") << "DHCP|cobPrinters"
                                                << "Please select a  printer!"
                                                << "cobPrinters";
}

void TestFrameLocation::LocationTabChecks()
{
    QFETCH(QString, spoil);
    QFETCH(QString, message);
    QFETCH(QString, focus);
    const QByteArray Before = FileBytes(FRoot->DataFile());
    const auto Frame = NewFrame();
    auto *Tabs = Child<QTabWidget>(*Frame, "pcLocation");
    Tabs->setCurrentWidget(Child<QWidget>(*Frame, "SKYPE"));
    for (const QString &Step : spoil.split('|')) {
        if (Step.startsWith("name:"))
            Child<QLineEdit>(*Frame, "txtLocName")->setText(Step.mid(5));
        else if (Step == "DHCP")
            Child<QCheckBox>(*Frame, "cbEnableDHCP")->click();
        else if (auto *List = Frame->findChild<QComboBox *>(Step))
            List->setCurrentIndex(-1);
        else
            Child<TIPEdit>(*Frame, qPrintable(Step))->SetIPString("0.0.0.0");
    }

    QCOMPARE(Frame->Save(), message.isEmpty());

    QCOMPARE(FBoxes->Texts(), message.isEmpty() ? QStringList() : QStringList{message});
    if (message.isEmpty())
        return;
    QCOMPARE(FBoxes->Seen.at(0).Caption, QString("Error"));
    QCOMPARE(FBoxes->Seen.at(0).Icon, TMsgIcon::Error);
    QCOMPARE(Tabs->currentWidget(), Child<QWidget>(*Frame, "tsIP"));
    QVERIFY2(HasFocus(*Frame, focus),
             qPrintable(Frame->focusWidget() ? Frame->focusWidget()->objectName() : ""));
    QCOMPARE(FileBytes(FRoot->DataFile()), Before);
}

void TestFrameLocation::DhcpAndDnsRules_data()
{
    QTest::addColumn<bool>("storedDhcp");
    QTest::addColumn<bool>("storedAutoDns");
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<bool>("dhcp");
    QTest::addColumn<bool>("autoDns");
    QTest::addColumn<bool>("addressesEnabled");
    QTest::addColumn<bool>("dnsEnabled");
    QTest::newRow("static as loaded") << false << false << QStringList() << false << false << true << true;
    QTest::newRow("DHCP with DNS as loaded")
        << true << true << QStringList() << true << true << false << false;
    QTest::newRow("automatic DNS without DHCP is not loaded")
        << false << true << QStringList() << false << false << true << true;
    QTest::newRow("DHCP on") << false << false << QStringList{"cbEnableDHCP"} << true << false << false
                             << true;
    QTest::newRow("DHCP and automatic DNS on")
        << false << false << QStringList{"cbEnableDHCP", "cbAutoDNS"} << true << true << false << false;
    QTest::newRow("DHCP off clears automatic DNS")
        << true << true << QStringList{"cbEnableDHCP"} << false << false << true << true;
    QTest::newRow("automatic DNS needs DHCP")
        << false << false << QStringList{"cbAutoDNS"} << false << false << true << true;
    QTest::newRow("automatic DNS off")
        << true << true << QStringList{"cbAutoDNS"} << true << false << false << true;
}

void TestFrameLocation::DhcpAndDnsRules()
{
    QFETCH(bool, storedDhcp);
    QFETCH(bool, storedAutoDns);
    QFETCH(QStringList, clicks);
    TIPAddress &Ip = *FList->GetItemByLocId(StoredId)->IpAddress();
    Ip.SetEnableDHCP(storedDhcp);
    Ip.SetAutoGetDNS(storedAutoDns);
    const auto Frame = NewFrame();
    for (const QString &Box : clicks)
        Child<QCheckBox>(*Frame, qPrintable(Box))->click();

    QTEST(Child<QCheckBox>(*Frame, "cbEnableDHCP")->isChecked(), "dhcp");
    QTEST(Child<QCheckBox>(*Frame, "cbAutoDNS")->isChecked(), "autoDns");
    for (const char *Field : {"txtIPAddr", "txtSubnetMask", "txtGateway"})
        QTEST(Child<TIPEdit>(*Frame, Field)->isEnabled(), "addressesEnabled");
    for (const char *Field : {"txtMainDNS", "txtSubDNS"})
        QTEST(Child<TIPEdit>(*Frame, Field)->isEnabled(), "dnsEnabled");
}

void TestFrameLocation::MacFieldsKeepTheirStoredForm()
{
    const auto Frame = NewFrame();
    auto *Own = Child<TMacEdit>(*Frame, "txtMAC");
    auto *Gateway = Child<TMacEdit>(*Frame, "txtMacAddr");
    Own->clear();
    QCOMPARE(Own->MacText(), Unset);
    Gateway->clear();
    Gateway->setFocus();
    Gateway->setCursorPosition(0);
    QTest::keyClicks(Gateway, "0a1b2c3d4e5fff");
    QCOMPARE(Gateway->MacText(), QString("0A-1B-2C-3D-4E-5F"));
    QVERIFY(Frame->Save());

    const TIPAddress Stored(StoredId);
    QCOMPARE(Stored.MacAddr(), Unset);
    QCOMPARE(Stored.GWMacAddr(), QString("0A-1B-2C-3D-4E-5F"));
    Frame->DoShow();
    QCOMPARE(Own->MacText(), Unset);
    QCOMPARE(Gateway->MacText(), QString("0A-1B-2C-3D-4E-5F"));
}

void TestFrameLocation::SaveStoresEverythingAsTypedAndTellsTheOwner()
{
    const auto Frame = NewFrame();
    Frame->SetIsChanged(true);
    QStringList Applied;
    Frame->SetOnApply([&Applied](const QString &LocId) { Applied.append(LocId); });
    Child<QLineEdit>(*Frame, "txtLocName")->setText(" Head office ");
    auto *Adapters = Child<QComboBox>(*Frame, "cobNetId");
    Adapters->setCurrentIndex(Adapters->findData(TFakeNetwork::HomeId));
    Child<QComboBox>(*Frame, "cobPrinters")->setCurrentText("Home_Inkjet");
    Child<TIPEdit>(*Frame, "txtIPAddr")->SetIPString("192.168.7.20");
    Child<QCheckBox>(*Frame, "cbAutoRepair")->click();
    Child<QWidget>(*Frame, "IE")->findChild<QCheckBox *>()->setChecked(false);
    Child<QWidget>(*Frame, "BITCOMET")->findChild<QCheckBox *>()->setChecked(true);
    Child<QPushButton>(*Frame, "btnApply")->click();

    QCOMPARE(FBoxes->Texts(), QStringList{"Settings successfully saved."});
    QCOMPARE(FBoxes->Seen.at(0).Caption, QString("Info"));
    QCOMPARE(Applied, QStringList{StoredId});
    QVERIFY(!Frame->IsChanged());
    QCOMPARE(Child<QLabel>(*Frame, "slblLocName")->text(), QString(" Head office "));
    const TLocationList Reloaded(ProgramModules());
    TLocation &Stored = *Reloaded.GetItemByLocId(StoredId);
    QCOMPARE(Stored.LocName(), QString(" Head office "));
    QCOMPARE(Stored.NetId(), TFakeNetwork::HomeId);
    QCOMPARE(Stored.Printer(), QString("Home_Inkjet"));
    QCOMPARE(Stored.IpAddress()->IPAddr(), QString("192.168.7.20"));
    QCOMPARE(Stored.IpAddress()->NetId(), TFakeNetwork::HomeId);
    QVERIFY(!Stored.IpAddress()->AutoRepair());
    QVERIFY(!Stored.Module<TIEProxy>()->EnableProxy());
    QVERIFY(Stored.ModuleOf(*FindModule(ProgramModules(), TModuleKind::BitComet)).EnableProxy());
}

void TestFrameLocation::AFailedSaveLeavesTheDataFileAsItWas_data()
{
    QTest::addColumn<QString>("locId");
    QTest::addColumn<bool>("refuse");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("tab");
    QTest::newRow("late check refuses") << StoredId << true << "BITCOMET refused"
                                        << "BITCOMET";
    QTest::newRow("late store fails")
        << StoredId << false << "The location was not saved: storing BITCOMET failed."
        << "tsIP";
    QTest::newRow("late store fails on a new location")
        << "NOSUCHLOCATION00000000000000001" << false
        << "The location was not saved: storing BITCOMET failed."
        << "tsIP";
}

void TestFrameLocation::AFailedSaveLeavesTheDataFileAsItWas()
{
    QFETCH(QString, locId);
    QFETCH(bool, refuse);
    QFETCH(QString, message);
    QFETCH(QString, tab);
    (refuse ? TPageRules::Refusing : TPageRules::Failing).insert(int(TModuleKind::BitComet));
    const auto Frame = NewFrame(locId);
    Frame->SetIsChanged(true);
    bool Applied = false;
    Frame->SetOnApply([&Applied](const QString &) { Applied = true; });
    auto *Adapters = Child<QComboBox>(*Frame, "cobNetId");
    Adapters->setCurrentIndex(Adapters->findData(TFakeNetwork::HomeId));
    Child<QComboBox>(*Frame, "cobPrinters")->setCurrentText("Home_Inkjet");
    Child<QCheckBox>(*Frame, "cbEnableDHCP")->click();
    Child<QLineEdit>(*Frame, "txtLocName")->setText("Renamed");
    Child<QWidget>(*Frame, "IE")->findChild<QCheckBox *>()->setChecked(false);
    Child<QWidget>(*Frame, "MSN")->findChild<QCheckBox *>()->setChecked(true);
    const QByteArray Before = FileBytes(FRoot->DataFile());
    QVERIFY(!Before.isEmpty());

    Child<QPushButton>(*Frame, "btnApply")->click();

    QCOMPARE(FBoxes->Texts(), QStringList{message});
    QCOMPARE(FBoxes->Seen.at(0).Caption, QString("Error"));
    QVERIFY(ShowsTab(*Frame, tab));
    QCOMPARE(FileBytes(FRoot->DataFile()), Before);
    QVERIFY(Frame->IsChanged());
    QVERIFY(!Applied);
    QCOMPARE(FList->Count(), 1);
    QCOMPARE(FList->GetItemByLocId(StoredId)->LocName(), QString("Office"));
}

void TestFrameLocation::ADisabledPageIsNotChecked()
{
    TPageRules::Refusing.insert(int(TModuleKind::Skype));
    TFuncDefine::getInstance()->SetEnabled("SKYPE", false);
    const auto Frame = NewFrame();
    QVERIFY(Frame->Save());
    QVERIFY(FBoxes->Texts().isEmpty());
    TFuncDefine::getInstance()->SetEnabled("SKYPE", true);
    QVERIFY(!Frame->Save());
    QCOMPARE(FBoxes->Texts(), QStringList{"SKYPE refused"});
    QWidget *Skype = Child<QWidget>(*Frame, "SKYPE");
    QVERIFY(ShowsTab(*Frame, "SKYPE"));
    QCOMPARE(Frame->focusWidget(), Skype->findChild<QCheckBox *>());
}

void TestFrameLocation::ALocationTheListLacksJoinsItWhenStored()
{
    const auto Frame = NewFrame("NOSUCHLOCATION00000000000000001");
    QCOMPARE(Frame->LocNameText(), QString("New location"));
    QCOMPARE(Child<QComboBox>(*Frame, "cobNetId")->currentIndex(), -1);
    QVERIFY(!Frame->Save());
    QCOMPARE(FList->Count(), 1);
    Child<QComboBox>(*Frame, "cobNetId")->setCurrentIndex(0);
    Child<QComboBox>(*Frame, "cobPrinters")->setCurrentIndex(0);
    Child<QCheckBox>(*Frame, "cbEnableDHCP")->click();
    QStringList Applied;
    Frame->SetOnApply([&Applied](const QString &LocId) { Applied.append(LocId); });
    QVERIFY(Frame->Save());
    QCOMPARE(FList->Count(), 2);
    QCOMPARE(Applied, QStringList{FList->Items(1)->LocId()});
    QCOMPARE(Frame->LocId(), FList->Items(1)->LocId());
    QCOMPARE(FList->Items(1)->LocName(), QString("New location"));
    const TLocationList Reloaded(ProgramModules());
    QCOMPARE(Reloaded.GetItemByLocId(FList->Items(1)->LocId())->LocName(), QString("New location"));
}

void TestFrameLocation::TabsFollowTheCatalogue_data()
{
    QTest::addColumn<QString>("catalogue");
    QTest::addColumn<QStringList>("tabs");
    const QString First = "Location";
    QTest::newRow("catalogue order") << "" << QStringList{First, "IE",    "FIREFOX", "FOXMAIL", "ICQ",
                                                          "MSN", "SKYPE", "SHARE",   "EMULE",   "BITCOMET"};
    QTest::newRow("disabled are hidden")
        << "UPDATE FUNC_DEF SET FUNC_EANBLED=0 WHERE FUNC_CODE IN ('FIREFOX','SKYPE')"
        << QStringList{First, "IE",      "(FIREFOX)", "FOXMAIL", "ICQ",
                       "MSN", "(SKYPE)", "SHARE",     "EMULE",   "BITCOMET"};
    QTest::newRow("reordered") << "UPDATE FUNC_DEF SET FUNC_POS=10-FUNC_POS"
                               << QStringList{First, "BITCOMET", "EMULE",   "SHARE",   "SKYPE",
                                              "MSN", "ICQ",      "FOXMAIL", "FIREFOX", "IE"};
    QTest::newRow("place beyond the count lands last")
        << "UPDATE FUNC_DEF SET FUNC_POS=40 WHERE FUNC_CODE='IE'"
        << QStringList{First,   "FIREFOX", "FOXMAIL", "ICQ",      "MSN",
                       "SKYPE", "SHARE",   "EMULE",   "BITCOMET", "IE"};
    QTest::newRow("code without a row is hidden and last")
        << "DELETE FROM FUNC_DEF WHERE FUNC_CODE='eMule'"
        << QStringList{First, "IE",    "FIREFOX", "FOXMAIL",  "ICQ",
                       "MSN", "SKYPE", "SHARE",   "BITCOMET", "(EMULE)"};
}

void TestFrameLocation::TabsFollowTheCatalogue()
{
    QFETCH(QString, catalogue);
    QFETCH(QStringList, tabs);
    // The rules tab is no module: the catalogue never hides or moves it.
    tabs.append("Automatic");
    const auto Frame = NewFrame();
    if (!catalogue.isEmpty())
        QVERIFY(QSqlQuery(GetConnection()).exec(catalogue));
    Frame->ShowPageSheet();
    QCOMPARE(Tabs(*Frame), tabs);
    // Showing the location again keeps the arrangement.
    Frame->DoShow();
    QCOMPARE(Tabs(*Frame), tabs);
}

void TestFrameLocation::TabMenu()
{
    const auto Frame = NewFrame();
    int Customized = 0;
    Frame->SetOnCustomize([&Customized] { ++Customized; });
    QTabBar *Bar = Child<QTabWidget>(*Frame, "pcLocation")->tabBar();
    auto *Menu = Child<QMenu>(*Frame, "pmSheet");
    auto *Close = Child<QAction>(*Frame, "nClose");
    QCOMPARE(Close->text(), QString("Close this Module"));

    RightClickTab(*Frame, Bar->tabRect(Bar->count() - 1).topRight() + QPoint(20, 5));
    QVERIFY(!Menu->isVisible());

    RightClickTab(*Frame, Bar->tabRect(0).center());
    QVERIFY(Menu->isVisible());
    QVERIFY(!Close->isVisible());
    Menu->hide();

    RightClickTab(*Frame, Bar->tabRect(Bar->count() - 1).center());
    QVERIFY(Menu->isVisible());
    QVERIFY(!Close->isVisible());
    Menu->hide();

    RightClickTab(*Frame, Bar->tabRect(2).center());
    QVERIFY(Menu->isVisible());
    QVERIFY(Close->isVisible());
    Close->trigger();
    Menu->hide();
    QVERIFY(!TFuncDefine::getInstance()->IsEnabled("FIREFOX"));
    QCOMPARE(Tabs(*Frame), (QStringList{"Location", "IE", "(FIREFOX)", "FOXMAIL", "ICQ", "MSN", "SKYPE",
                                        "SHARE", "EMULE", "BITCOMET", "Automatic"}));

    Child<QAction>(*Frame, "nCustom")->trigger();
    QCOMPARE(Customized, 1);
}

void TestFrameLocation::TheAutomaticTabStoresRulesWithTheLocation_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("failLateStore");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QList<TLocationRule>>("stored");
    const QString Mac = "02-00-00-00-00-0A";
    QTest::newRow("stored") << Mac << false << QStringList{"Settings successfully saved."}
                            << QList<TLocationRule>{{TRuleKind::GatewayMac, Mac, {}}};
    QTest::newRow("a bad rule is refused")
        << "02-00" << false << QStringList{"Rule 1: a gateway MAC is six pairs of hex digits"}
        << QList<TLocationRule>{};
    QTest::newRow("a failed save stores none")
        << Mac << true << QStringList{"The location was not saved: storing BITCOMET failed."}
        << QList<TLocationRule>{};
}

void TestFrameLocation::TheAutomaticTabStoresRulesWithTheLocation()
{
    QFETCH(QString, value);
    QFETCH(bool, failLateStore);
    QFETCH(QList<TLocationRule>, stored);
    if (failLateStore)
        TPageRules::Failing.insert(int(TModuleKind::BitComet));
    const auto Frame = NewFrame();
    QWidget *Automatic = Child<QWidget>(*Frame, "TAutomaticPage");
    Child<QPushButton>(*Automatic, "btnAddRule")->click();
    Child<QTableWidget>(*Automatic, "tblRules")->item(0, 1)->setText(value);
    Child<QCheckBox>(*Automatic, "chkAutomatic")->setChecked(true);

    Child<QPushButton>(*Frame, "btnApply")->click();

    QTEST(FBoxes->Texts(), "messages");
    TLocationRules Rules(StoredId);
    QVERIFY(Rules.Load());
    QCOMPARE(Rules.Rules(), stored);
    QCOMPARE(Rules.Automatic(), !stored.isEmpty());
    if (stored.isEmpty() && !failLateStore) {
        QVERIFY(ShowsTab(*Frame, "TAutomaticPage"));
        QVERIFY(HasFocus(*Frame, "tblRules"));
    }
}

void TestFrameLocation::UnusedAddressNeedsAGateway_data()
{
    QTest::addColumn<QString>("gateway");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("no gateway") << "0.0.0.0" << QStringList{"Please Enter GateWay IP Address First!"};
    QTest::newRow("gateway ends the range") << "10.0.0.255" << QStringList();
}

void TestFrameLocation::UnusedAddressNeedsAGateway()
{
    QFETCH(QString, gateway);
    const auto Frame = NewFrame();
    Child<TIPEdit>(*Frame, "txtGateway")->SetIPString(gateway);
    auto *Link = Child<QLabel>(*Frame, "lblAutoGet");
    QTest::mouseClick(Link, Qt::LeftButton, {}, Link->rect().center());
    QTEST(FBoxes->Texts(), "messages");
    QCOMPARE(Child<TIPEdit>(*Frame, "txtIPAddr")->IPString(), QString("10.0.0.7"));
}

QTEST_MAIN(TestFrameLocation)
#include "tst_FrameLocation.moc"
