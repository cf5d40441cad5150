#include "app/DBManager.h"
#include "locations/FuncDef.h"
#include "locations/Location.h"
#include "modules/BitCometProxy.h"
#include "modules/FoxMailProxy.h"
#include "modules/ICQProxy.h"
#include "modules/MSNProxy.h"
#include "modules/ProgramModules.h"
#include "modules/SkypeProxy.h"
#include "modules/eMuleProxy.h"
#include "support/TestRoot.h"
#include "ui/pages/ModulePage.h"
#include "ui/pages/PageBitComet.h"
#include "ui/pages/PageEMule.h"
#include "ui/pages/PageICQ.h"
#include "ui/pages/PageSkype.h"
#include "ui/widgets/IPEdit.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QtTest>

namespace {

const QString LocId = QStringLiteral("CLIENTPROXYPAGES0000000000000001");

template <class TControl = QWidget>
TControl *Control(const QWidget &Page, const QString &Name)
{
    TControl *Found = Page.findChild<TControl *>(Name);
    if (!Found)
        qFatal("no control %s", qPrintable(Name));
    return Found;
}

QLineEdit *Edit(const QWidget &Page, const QString &Name) { return Control<QLineEdit>(Page, Name); }
QComboBox *Combo(const QWidget &Page, const QString &Name) { return Control<QComboBox>(Page, Name); }
QCheckBox *Box(const QWidget &Page, const QString &Name) { return Control<QCheckBox>(Page, Name); }
TIPEdit *Address(const QWidget &Page, const QString &Name) { return Control<TIPEdit>(Page, Name); }

// Clicks Box when its state differs from Checked, as a user would.
void SetBox(QCheckBox *Box, bool Checked)
{
    if (Box->isChecked() != Checked)
        Box->click();
}

// The names of the controls that are enabled, among Names.
QStringList Enabled(const QWidget &Page, const QStringList &Names)
{
    QStringList Result;
    for (const QString &Name : Names) {
        if (Control(Page, Name)->isEnabledTo(&Page))
            Result.append(Name);
    }
    return Result;
}

// The caption a button or group box shows.
QString Label(const QWidget &Page, const QString &Name)
{
    const QWidget *Found = Control(Page, Name);
    if (const auto *Group = qobject_cast<const QGroupBox *>(Found))
        return Group->title();
    return Control<QAbstractButton>(Page, Name)->text();
}

// Message and focused control's name of a check; both empty when it passed.
QStringList CheckResult(const TModulePage &Page)
{
    TPageProblem Problem;
    if (Page.Check(&Problem))
        return {QString(), QString()};
    return {Problem.Message, Problem.Focus ? Problem.Focus->objectName() : QStringLiteral("(none)")};
}

// A download client's page and the prefix of its control names.
std::unique_ptr<TModulePage> DownloadPage(const QString &Prefix)
{
    if (Prefix == "EMule")
        return std::make_unique<TPageEMule>();
    return std::make_unique<TPageBitComet>();
}

} // namespace

class TestClientProxyPages : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void TheTableMakesEachPageWithItsCaptionAndCode_data();
    void TheTableMakesEachPageWithItsCaptionAndCode();
    void TheProxyBoxOpensAndClosesTheFields_data();
    void TheProxyBoxOpensAndClosesTheFields();

    void ICQLoadsTheStoredValuesAndRunsItsRules();
    void ICQStoredTypeOutsideTheListSelectsNone();
    void ICQEnableRules_data();
    void ICQEnableRules();
    void ICQCheck_data();
    void ICQCheck();
    void ICQStoresWhatIsShown();

    void SkypeLoadsTheStoredValues();
    void SkypeEnableRules_data();
    void SkypeEnableRules();
    void SkypeCheck_data();
    void SkypeCheck();
    void SkypeStoresWhatIsShown();

    void DownloadPageLoadsTheStoredValues_data();
    void DownloadPageLoadsTheStoredValues();
    void DownloadTypeRule_data();
    void DownloadTypeRule();
    void DownloadProxyBoxDisablesEverything_data();
    void DownloadProxyBoxDisablesEverything();
    void DownloadCheck_data();
    void DownloadCheck();
    void DownloadPageStoresWhatIsShown_data();
    void DownloadPageStoresWhatIsShown();

private:
    // The location as the database holds it now, read afresh.
    std::unique_ptr<TLocation> Reloaded() const
    {
        return std::make_unique<TLocation>(LocId, ProgramModules());
    }

    std::unique_ptr<TTestRoot> FRoot;
    std::unique_ptr<TLocation> FLocation;
};

void TestClientProxyPages::init()
{
    FRoot = std::make_unique<TTestRoot>();
    InitConnectionString(FRoot->DataFolder());
    SetLocationConnection(GetConnection());
    FLocation = Reloaded();
}

void TestClientProxyPages::cleanup()
{
    FLocation.reset();
    TFuncDefine::FreeInstance();
    CloseConnection();
    FRoot.reset();
}

void TestClientProxyPages::TheTableMakesEachPageWithItsCaptionAndCode_data()
{
    QTest::addColumn<TModuleKind>("Kind");
    QTest::addColumn<QString>("Caption");
    QTest::addColumn<QString>("Code");
    QTest::addColumn<QString>("Class");
    QTest::addColumn<QStringList>("Labelled");
    QTest::addColumn<QStringList>("Labels");
    QTest::newRow("ICQ") << TModuleKind::ICQ << "ICQ"
                         << "ICQ"
                         << "TPageICQ" << QStringList{} << QStringList{};
    QTest::newRow("Skype") << TModuleKind::Skype << "Skype"
                           << "SKYPE"
                           << "TPageSkype" << QStringList{} << QStringList{};
    QTest::newRow("eMule") << TModuleKind::EMule << "eMule"
                           << "EMULE"
                           << "TPageEMule" << QStringList{} << QStringList{};
    QTest::newRow("BitComet") << TModuleKind::BitComet << "BitComet"
                              << "BITCOMET"
                              << "TPageBitComet" << QStringList{} << QStringList{};
    QTest::newRow("IE") << TModuleKind::IE << "IE"
                        << "IE"
                        << "TPageIE" << QStringList{"cbIEShareSetting", "gBoxIEServer"}
                        << QStringList{"Use the same proxy server for all", "Servers"};
    QTest::newRow("MSN") << TModuleKind::MSN << "MSN"
                         << "MSN"
                         << "TPageMSN" << QStringList{"cbMSNEnableProxy"}
                         << QStringList{"Use a proxy server"};
    QTest::newRow("Foxmail") << TModuleKind::Foxmail << "FoxMail"
                             << "FOXMAIL"
                             << "TPageFoxmail" << QStringList{} << QStringList{};
    QTest::newRow("Firefox") << TModuleKind::Firefox << "FireFox"
                             << "FIREFOX"
                             << "TPageFireFox" << QStringList{"rbFFSystem"}
                             << QStringList{"Use system proxy settings"};
}

void TestClientProxyPages::TheTableMakesEachPageWithItsCaptionAndCode()
{
    QFETCH(TModuleKind, Kind);
    QFETCH(QString, Caption);
    QFETCH(QString, Code);
    QFETCH(QString, Class);
    QFETCH(QStringList, Labelled);
    const TPageDescriptor *Descriptor = FindPage(Kind);
    QVERIFY(Descriptor);
    const std::unique_ptr<TModulePage> Page = Descriptor->Create(nullptr);
    QVERIFY(Page->inherits(qPrintable(Class)));
    QCOMPARE(Page->windowTitle(), Caption);
    QCOMPARE(Page->CatalogueCode(), Code);
    QCOMPARE(Page->Kinds(), std::vector<TModuleKind>{Kind});
    QStringList Shown;
    for (const QString &Name : Labelled)
        Shown.append(Label(*Page, Name));
    QTEST(Shown, "Labels");
}

namespace {

// Plants a proxy module with its proxy switched as Enable says; the other values are any
// that pass the page's check.
void StoreProxy(TLocation &Location, TModuleKind Kind, bool Enable)
{
    if (Kind == TModuleKind::MSN) {
        TMSNProxy &Module = *Location.Module<TMSNProxy>();
        Module.SetEnableProxy(Enable);
        Module.SetSocket4Server("10.3.0.1");
        Module.SetSocket4Port(1080);
        QVERIFY(Module.Save());
        return;
    }
    TFoxMailProxy &Module = *Location.Module<TFoxMailProxy>();
    Module.SetEnableProxy(Enable);
    Module.SetProxyType(1);
    Module.SetServer("10.2.0.1");
    Module.SetPort(1080);
    Module.SetUser("mailer");
    Module.SetPwd("secret");
    QVERIFY(Module.Save());
}

} // namespace

void TestClientProxyPages::TheProxyBoxOpensAndClosesTheFields_data()
{
    QTest::addColumn<TModuleKind>("Kind");
    QTest::addColumn<bool>("Stored");
    QTest::addColumn<QString>("ProxyBox");
    QTest::addColumn<QStringList>("Fields");
    QTest::newRow("MSN, stored on") << TModuleKind::MSN << true << "cbMSNEnableProxy"
                                    << QStringList{"txtMSNSocks", "txtMSNPort"};
    QTest::newRow("Foxmail, stored off")
        << TModuleKind::Foxmail << false << "cbFMEnableProxy"
        << QStringList{"cobFMProxyType", "txtFMServer", "txtFMPort", "txtFMUser", "txtFMPwd"};
}

void TestClientProxyPages::TheProxyBoxOpensAndClosesTheFields()
{
    QFETCH(TModuleKind, Kind);
    QFETCH(bool, Stored);
    QFETCH(QString, ProxyBox);
    QFETCH(QStringList, Fields);
    StoreProxy(*FLocation, Kind, Stored);
    const TPageDescriptor *Descriptor = FindPage(Kind);
    QVERIFY(Descriptor);
    const std::unique_ptr<TModulePage> Page = Descriptor->Create(nullptr);
    Page->show();
    Page->Load(*Reloaded());
    const QStringList Open = Stored ? Fields : QStringList{};
    const QStringList Closed = Stored ? QStringList{} : Fields;
    QCOMPARE(Enabled(*Page, Fields), Open);
    Box(*Page, ProxyBox)->click();
    QCOMPARE(Enabled(*Page, Fields), Closed);
    Box(*Page, ProxyBox)->click();
    QCOMPARE(Enabled(*Page, Fields), Open);
}

// ICQ ------------------------------------------------------------------------------------------

namespace {

const QStringList ICQFields = {"txtICQServer",    "txtICQPort",    "cobICQType", "txtICQProxyServer",
                               "txtICQProxyPort", "cbICQNeedAuth", "txtICQUser", "txtICQPwd"};

void StoreICQ(TLocation &Location)
{
    TICQProxy &Module = *Location.Module<TICQProxy>();
    Module.SetEnableProxy(true);
    Module.SetServer("login.example.org");
    Module.SetPort(5191);
    Module.SetProxyType(3);
    Module.SetProxyServer("proxy.example.org");
    Module.SetProxyPort(1080);
    Module.SetIsNeedAuth(false);
    Module.SetUser("alice");
    Module.SetPwd("secret");
    QVERIFY(Module.Save());
}

// Manual settings with a SOCKS5 proxy that passes the check.
void FillICQ(const TPageICQ &Page)
{
    Control<QRadioButton>(Page, "rbICQManual")->click();
    Edit(Page, "txtICQServer")->setText("login.icq.com");
    Edit(Page, "txtICQPort")->setText("5190");
    Combo(Page, "cobICQType")->setCurrentIndex(4);
    Edit(Page, "txtICQProxyServer")->setText("10.0.0.8");
    Edit(Page, "txtICQProxyPort")->setText("1080");
}

} // namespace

void TestClientProxyPages::ICQLoadsTheStoredValuesAndRunsItsRules()
{
    StoreICQ(*FLocation);
    TPageICQ Page;
    QCOMPARE(Control<QRadioButton>(Page, "rbICQAuto")->text(), QString("Automatic connection settings"));
    QCOMPARE(Edit(Page, "txtICQServer")->text(), QString("login.icq.com"));
    QCOMPARE(Edit(Page, "txtICQPwd")->echoMode(), QLineEdit::Password);
    Page.Load(*Reloaded());

    QVERIFY(Control<QRadioButton>(Page, "rbICQManual")->isChecked());
    QCOMPARE(Edit(Page, "txtICQServer")->text(), QString("login.example.org"));
    QCOMPARE(Edit(Page, "txtICQPort")->text(), QString("5191"));
    QCOMPARE(Combo(Page, "cobICQType")->currentText(), QString("SOCKS4"));
    QCOMPARE(Edit(Page, "txtICQProxyServer")->text(), QString("proxy.example.org"));
    QCOMPARE(Edit(Page, "txtICQProxyPort")->text(), QString("1080"));
    QVERIFY(!Box(Page, "cbICQNeedAuth")->isChecked());
    QCOMPARE(Edit(Page, "txtICQUser")->text(), QString("alice"));
    QCOMPARE(Edit(Page, "txtICQPwd")->text(), QString("secret"));
    // Manual, a proxy type, no authentication: all but user and password.
    QCOMPARE(Enabled(Page, ICQFields), ICQFields.mid(0, 6));
}

void TestClientProxyPages::ICQStoredTypeOutsideTheListSelectsNone()
{
    StoreICQ(*FLocation);
    FLocation->Module<TICQProxy>()->SetProxyType(7);
    QVERIFY(FLocation->Module<TICQProxy>()->Save());
    TPageICQ Page;
    Page.Load(*Reloaded());
    QCOMPARE(Combo(Page, "cobICQType")->currentIndex(), -1);
    QCOMPARE(CheckResult(Page), (QStringList{"Please Select ICQ Proxy Server Type!", "cobICQType"}));
}

void TestClientProxyPages::ICQEnableRules_data()
{
    QTest::addColumn<bool>("Manual");
    QTest::addColumn<int>("Type");
    QTest::addColumn<bool>("Auth");
    QTest::addColumn<QStringList>("Expected");
    QTest::newRow("automatic settings disable everything") << false << 4 << true << QStringList{};
    QTest::newRow("type None keeps the proxy closed")
        << true << 0 << true << QStringList{"txtICQServer", "txtICQPort", "cobICQType"};
    QTest::newRow("a proxy without authentication") << true << 1 << false << ICQFields.mid(0, 6);
    QTest::newRow("a proxy with authentication") << true << 2 << true << ICQFields;
}

void TestClientProxyPages::ICQEnableRules()
{
    QFETCH(bool, Manual);
    QFETCH(int, Type);
    QFETCH(bool, Auth);
    QFETCH(QStringList, Expected);
    TPageICQ Page;
    Page.Load(*FLocation);
    // Every choice is made while the fields it governs are open, then the mode last.
    FillICQ(Page);
    SetBox(Box(Page, "cbICQNeedAuth"), Auth);
    Combo(Page, "cobICQType")->setCurrentIndex(Type);
    Control<QRadioButton>(Page, Manual ? "rbICQManual" : "rbICQAuto")->click();
    QCOMPARE(Enabled(Page, ICQFields), Expected);
}

void TestClientProxyPages::ICQCheck_data()
{
    QTest::addColumn<bool>("Manual");
    QTest::addColumn<int>("Type");
    QTest::addColumn<QString>("Server");
    QTest::addColumn<QString>("Port");
    QTest::addColumn<QString>("ProxyServer");
    QTest::addColumn<QString>("ProxyPort");
    QTest::addColumn<QStringList>("Expected");
    const QStringList Pass{QString(), QString()};
    QTest::newRow("valid") << true << 4 << "login.icq.com"
                           << "5190"
                           << "10.0.0.8"
                           << "1080" << Pass;
    QTest::newRow("automatic settings check nothing") << false << -1 << ""
                                                      << ""
                                                      << ""
                                                      << "" << Pass;
    QTest::newRow("no type, before an empty server")
        << true << -1 << " "
        << ""
        << ""
        << "" << QStringList{"Please Select ICQ Proxy Server Type!", "cobICQType"};
    QTest::newRow("blank server") << true << 4 << "  "
                                  << ""
                                  << ""
                                  << "" << QStringList{"Please Enter ICQ Server Address!", "txtICQServer"};
    QTest::newRow("empty port") << true << 4 << "login.icq.com"
                                << ""
                                << ""
                                << "" << QStringList{"Please Enter ICQ Server Port!", "txtICQPort"};
    QTest::newRow("port no number") << true << 4 << "login.icq.com"
                                    << "51x0"
                                    << ""
                                    << ""
                                    << QStringList{"The ICQ server port must be a number from 0 to 65535.",
                                                   "txtICQPort"};
    QTest::newRow("type None needs no proxy") << true << 0 << "login.icq.com"
                                              << "5190"
                                              << ""
                                              << "x" << Pass;
    QTest::newRow("blank proxy server")
        << true << 1 << "login.icq.com"
        << "5190"
        << " "
        << "" << QStringList{"Please Enter ICQ Proxy Server Address!", "txtICQProxyServer"};
    QTest::newRow("empty proxy port")
        << true << 2 << "login.icq.com"
        << "5190"
        << "10.0.0.8"
        << "" << QStringList{"Please Enter ICQ Proxy Server Port!", "txtICQProxyPort"};
    QTest::newRow("proxy port out of range")
        << true << 3 << "login.icq.com"
        << "5190"
        << "10.0.0.8"
        << "65536" << QStringList{"The ICQ proxy port must be a number from 0 to 65535.", "txtICQProxyPort"};
}

void TestClientProxyPages::ICQCheck()
{
    QFETCH(bool, Manual);
    QFETCH(int, Type);
    QFETCH(QString, Server);
    QFETCH(QString, Port);
    QFETCH(QString, ProxyServer);
    QFETCH(QString, ProxyPort);
    QFETCH(QStringList, Expected);
    TPageICQ Page;
    Page.Load(*FLocation);
    Control<QRadioButton>(Page, Manual ? "rbICQManual" : "rbICQAuto")->click();
    Combo(Page, "cobICQType")->setCurrentIndex(Type);
    Edit(Page, "txtICQServer")->setText(Server);
    Edit(Page, "txtICQPort")->setText(Port);
    Edit(Page, "txtICQProxyServer")->setText(ProxyServer);
    Edit(Page, "txtICQProxyPort")->setText(ProxyPort);
    QCOMPARE(CheckResult(Page), Expected);
}

void TestClientProxyPages::ICQStoresWhatIsShown()
{
    StoreICQ(*FLocation);
    TPageICQ Page;
    Page.Load(*FLocation);
    FillICQ(Page);
    Edit(Page, "txtICQServer")->setText(" login.icq.com ");
    Box(Page, "cbICQNeedAuth")->click();
    Edit(Page, "txtICQUser")->setText("bob");
    Edit(Page, "txtICQPwd")->setText("pw");
    QVERIFY(Page.Check(nullptr));
    QVERIFY(Page.Store(*FLocation));

    const std::unique_ptr<TLocation> Stored = Reloaded();
    const TICQProxy &Module = *Stored->Module<TICQProxy>();
    QVERIFY(Module.EnableProxy());
    QCOMPARE(Module.Server(), QString(" login.icq.com "));
    QCOMPARE(Module.Port(), 5190);
    QCOMPARE(Module.ProxyType(), 4);
    QCOMPARE(Module.ProxyServer(), QString("10.0.0.8"));
    QCOMPARE(Module.ProxyPort(), 1080);
    QVERIFY(Module.IsNeedAuth());
    QCOMPARE(Module.User(), QString("bob"));
    QCOMPARE(Module.Pwd(), QString("pw"));

    // Automatic settings: the unchecked proxy port holds no number and keeps the stored one.
    Control<QRadioButton>(Page, "rbICQAuto")->click();
    Edit(Page, "txtICQProxyPort")->setText("none");
    QVERIFY(Page.Check(nullptr));
    QVERIFY(Page.Store(*FLocation));
    TPageICQ Again;
    Again.Load(*Reloaded());
    QVERIFY(Control<QRadioButton>(Again, "rbICQAuto")->isChecked());
    QCOMPARE(Edit(Again, "txtICQProxyPort")->text(), QString("1080"));
    QVERIFY(Enabled(Again, ICQFields).isEmpty());
}

// Skype ----------------------------------------------------------------------------------------

namespace {

const QStringList SkypeFields = {"cobSkypeProxyType", "txtSkypeServer", "txtSkypePort"};

} // namespace

void TestClientProxyPages::SkypeLoadsTheStoredValues()
{
    TSkypeProxy &Module = *FLocation->Module<TSkypeProxy>();
    Module.SetEnableProxy(true);
    Module.SetProxyType(2);
    Module.SetServer("192.168.7.1");
    Module.SetPort(0);
    QVERIFY(Module.Save());
    TPageSkype Page;
    QCOMPARE(Combo(Page, "cobSkypeProxyType")->itemText(0), QString("自动检测代理"));
    Page.Load(*Reloaded());

    QVERIFY(Box(Page, "cbSkypeEnableProxy")->isChecked());
    QCOMPARE(Box(Page, "cbSkypeEnableProxy")->text(), QString("Use a proxy server"));
    QCOMPARE(Combo(Page, "cobSkypeProxyType")->currentText(), QString("SOCKS5"));
    QCOMPARE(Address(Page, "txtSkypeServer")->IPString(), QString("192.168.7.1"));
    QCOMPARE(Edit(Page, "txtSkypePort")->text(), QString("0"));
    QCOMPARE(Enabled(Page, SkypeFields), SkypeFields);
}

void TestClientProxyPages::SkypeEnableRules_data()
{
    QTest::addColumn<bool>("Proxy");
    QTest::addColumn<int>("Type");
    QTest::addColumn<QStringList>("Expected");
    QTest::newRow("no proxy") << false << 1 << QStringList{};
    QTest::newRow("automatic detection") << true << 0 << QStringList{"cobSkypeProxyType"};
    QTest::newRow("HTTPS") << true << 1 << SkypeFields;
    QTest::newRow("SOCKS5") << true << 2 << SkypeFields;
}

void TestClientProxyPages::SkypeEnableRules()
{
    QFETCH(bool, Proxy);
    QFETCH(int, Type);
    QFETCH(QStringList, Expected);
    TPageSkype Page;
    Page.Load(*FLocation);
    QVERIFY(Enabled(Page, SkypeFields).isEmpty());
    Box(Page, "cbSkypeEnableProxy")->click();
    Combo(Page, "cobSkypeProxyType")->setCurrentIndex(Type);
    SetBox(Box(Page, "cbSkypeEnableProxy"), Proxy);
    QCOMPARE(Enabled(Page, SkypeFields), Expected);
}

void TestClientProxyPages::SkypeCheck_data()
{
    QTest::addColumn<bool>("Proxy");
    QTest::addColumn<int>("Type");
    QTest::addColumn<QString>("Port");
    QTest::addColumn<QStringList>("Expected");
    const QStringList Pass{QString(), QString()};
    const QStringList NoNumber{"The Skype proxy port must be a number from 0 to 65535.", "txtSkypePort"};
    QTest::newRow("no proxy, nothing checked") << false << -1 << "" << Pass;
    QTest::newRow("no type") << true << -1 << ""
                             << QStringList{"Please Select Skype Proxy Type!", "cobSkypeProxyType"};
    QTest::newRow("automatic detection still needs its disabled port")
        << true << 0 << "" << QStringList{"Please Enter Skype Proxy Server Port!", "txtSkypePort"};
    QTest::newRow("HTTPS without port")
        << true << 1 << "" << QStringList{"Please Enter Skype Proxy Server Port!", "txtSkypePort"};
    QTest::newRow("highest port") << true << 1 << "65535" << Pass;
    QTest::newRow("blanks around the port") << true << 2 << " 8080 " << Pass;
    QTest::newRow("port too high") << true << 2 << "65536" << NoNumber;
    QTest::newRow("negative port") << true << 2 << "-1" << NoNumber;
    QTest::newRow("signed port") << true << 2 << "+80" << NoNumber;
    QTest::newRow("port of letters") << true << 0 << "http" << NoNumber;
}

void TestClientProxyPages::SkypeCheck()
{
    QFETCH(bool, Proxy);
    QFETCH(int, Type);
    QFETCH(QString, Port);
    QFETCH(QStringList, Expected);
    TPageSkype Page;
    Page.Load(*FLocation);
    SetBox(Box(Page, "cbSkypeEnableProxy"), Proxy);
    Combo(Page, "cobSkypeProxyType")->setCurrentIndex(Type);
    Edit(Page, "txtSkypePort")->setText(Port);
    QCOMPARE(CheckResult(Page), Expected);
}

void TestClientProxyPages::SkypeStoresWhatIsShown()
{
    TPageSkype Page;
    Page.Load(*FLocation);
    Box(Page, "cbSkypeEnableProxy")->click();
    Combo(Page, "cobSkypeProxyType")->setCurrentIndex(1);
    Address(Page, "txtSkypeServer")->SetIPString("10.1.2.3");
    Edit(Page, "txtSkypePort")->setText(" 8080 ");
    QVERIFY(Page.Check(nullptr));
    QVERIFY(Page.Store(*FLocation));

    const std::unique_ptr<TLocation> Stored = Reloaded();
    const TSkypeProxy &Module = *Stored->Module<TSkypeProxy>();
    QVERIFY(Module.EnableProxy());
    QCOMPARE(Module.ProxyType(), 1);
    QCOMPARE(Module.Server(), QString("10.1.2.3"));
    QCOMPARE(Module.Port(), 8080);
}

// eMule and BitComet ---------------------------------------------------------------------------

namespace {

QStringList DownloadFields(const QString &Prefix)
{
    return {"cob" + Prefix + "ProxyType", "txt" + Prefix + "Server", "txt" + Prefix + "Port",
            "cb" + Prefix + "EnablePWD",  "txt" + Prefix + "User",   "txt" + Prefix + "PWD"};
}

template <class TModule>
void StoreDownload(TModule &Module, int Type)
{
    Module.SetEnableProxy(true);
    Module.SetProxyType(Type);
    Module.SetServer("172.16.0.9");
    Module.SetPort(1081);
    Module.SetEnablePWD(true);
    Module.SetUser("carol");
    Module.SetPwd("pw1");
    QVERIFY(Module.Save());
}

void StoreDownload(TLocation &Location, const QString &Prefix, int Type)
{
    if (Prefix == "EMule")
        StoreDownload(*Location.Module<TeMuleProxy>(), Type);
    else
        StoreDownload(*Location.Module<TBitCometProxy>(), Type);
}

struct TDownloadValues
{
    bool EnableProxy;
    int ProxyType;
    QString Server;
    int Port;
    bool EnablePWD;
    QString User;
    QString Pwd;
};

template <class TModule>
TDownloadValues ValuesOf(const TModule &Module)
{
    return {Module.EnableProxy(), Module.ProxyType(), Module.Server(), Module.Port(),
            Module.EnablePWD(),   Module.User(),      Module.Pwd()};
}

TDownloadValues StoredDownload(TLocation &Location, const QString &Prefix)
{
    if (Prefix == "EMule")
        return ValuesOf(*Location.Module<TeMuleProxy>());
    return ValuesOf(*Location.Module<TBitCometProxy>());
}

void AddPages() { QTest::addColumn<QString>("Prefix"); }

} // namespace

void TestClientProxyPages::DownloadPageLoadsTheStoredValues_data()
{
    AddPages();
    QTest::addColumn<int>("StoredType");
    QTest::addColumn<QString>("ShownType");
    QTest::newRow("eMule SOCKS5") << "EMule" << 3 << "SOCKS5";
    QTest::newRow("eMule HTTP 1.0") << "EMule" << 4 << "HTTP 1.0";
    QTest::newRow("eMule without type shows the first") << "EMule" << 0 << "SOCKS4";
    QTest::newRow("BitComet HTTP 1.1") << "BC" << 4 << "HTTP 1.1";
    QTest::newRow("BitComet without type shows the first") << "BC" << 0 << "SOCKS4";
}

void TestClientProxyPages::DownloadPageLoadsTheStoredValues()
{
    QFETCH(QString, Prefix);
    QFETCH(int, StoredType);
    QFETCH(QString, ShownType);
    StoreDownload(*FLocation, Prefix, StoredType);
    const std::unique_ptr<TModulePage> Page = DownloadPage(Prefix);
    QCOMPARE(Box(*Page, "cb" + Prefix + "EnablePWD")->text(), QString("Authentication required:"));
    QCOMPARE(Edit(*Page, "txt" + Prefix + "PWD")->echoMode(), QLineEdit::Password);
    Page->Load(*Reloaded());

    QVERIFY(Box(*Page, "cb" + Prefix + "EnableProxy")->isChecked());
    QCOMPARE(Combo(*Page, "cob" + Prefix + "ProxyType")->currentText(), ShownType);
    QCOMPARE(Address(*Page, "txt" + Prefix + "Server")->IPString(), QString("172.16.0.9"));
    QCOMPARE(Edit(*Page, "txt" + Prefix + "Port")->text(), QString("1081"));
    QVERIFY(Box(*Page, "cb" + Prefix + "EnablePWD")->isChecked());
    QCOMPARE(Edit(*Page, "txt" + Prefix + "User")->text(), QString("carol"));
    QCOMPARE(Edit(*Page, "txt" + Prefix + "PWD")->text(), QString("pw1"));
    // A checked authentication box opens user and password even where the type keeps the box
    // itself disabled.
    QStringList Expected = DownloadFields(Prefix);
    const int FirstAuthType = Prefix == "EMule" ? 1 : 2;
    if (Combo(*Page, "cob" + Prefix + "ProxyType")->currentIndex() < FirstAuthType)
        Expected.removeAt(3);
    QCOMPARE(Enabled(*Page, DownloadFields(Prefix)), Expected);
}

void TestClientProxyPages::DownloadTypeRule_data()
{
    AddPages();
    QTest::addColumn<int>("Type");
    QTest::addColumn<bool>("AuthChecked");
    QTest::addColumn<bool>("AuthEnabled");
    QTest::addColumn<bool>("UserEnabled");
    QTest::newRow("eMule SOCKS4 only disables the box") << "EMule" << 0 << true << false << true;
    QTest::newRow("eMule SOCKS4a") << "EMule" << 1 << true << true << true;
    QTest::newRow("eMule HTTP 1.1") << "EMule" << 4 << true << true << true;
    QTest::newRow("BitComet SOCKS4 unchecks the box") << "BC" << 0 << false << false << false;
    QTest::newRow("BitComet SOCKS4a unchecks the box") << "BC" << 1 << false << false << false;
    QTest::newRow("BitComet SOCKS5") << "BC" << 2 << true << true << true;
    QTest::newRow("BitComet HTTP 1.1") << "BC" << 3 << true << true << true;
}

void TestClientProxyPages::DownloadTypeRule()
{
    QFETCH(QString, Prefix);
    QFETCH(int, Type);
    QFETCH(bool, AuthChecked);
    QFETCH(bool, AuthEnabled);
    QFETCH(bool, UserEnabled);
    StoreDownload(*FLocation, Prefix, 3);
    const std::unique_ptr<TModulePage> Page = DownloadPage(Prefix);
    Page->Load(*FLocation);
    Combo(*Page, "cob" + Prefix + "ProxyType")->setCurrentIndex(Type);

    QCheckBox *Auth = Box(*Page, "cb" + Prefix + "EnablePWD");
    QCOMPARE(Auth->isChecked(), AuthChecked);
    QCOMPARE(Auth->isEnabled(), AuthEnabled);
    QCOMPARE(Edit(*Page, "txt" + Prefix + "User")->isEnabled(), UserEnabled);
    QCOMPARE(Edit(*Page, "txt" + Prefix + "PWD")->isEnabled(), UserEnabled);
}

void TestClientProxyPages::DownloadProxyBoxDisablesEverything_data()
{
    AddPages();
    QTest::newRow("eMule") << "EMule";
    QTest::newRow("BitComet") << "BC";
}

void TestClientProxyPages::DownloadProxyBoxDisablesEverything()
{
    QFETCH(QString, Prefix);
    StoreDownload(*FLocation, Prefix, 3);
    const std::unique_ptr<TModulePage> Page = DownloadPage(Prefix);
    Page->Load(*FLocation);
    QCOMPARE(Enabled(*Page, DownloadFields(Prefix)), DownloadFields(Prefix));
    Box(*Page, "cb" + Prefix + "EnableProxy")->click();
    QVERIFY(Enabled(*Page, DownloadFields(Prefix)).isEmpty());
    // Authentication stays chosen while the proxy is off and opens user and password again.
    QVERIFY(Box(*Page, "cb" + Prefix + "EnablePWD")->isChecked());
    Box(*Page, "cb" + Prefix + "EnableProxy")->click();
    QCOMPARE(Enabled(*Page, DownloadFields(Prefix)), DownloadFields(Prefix));
    Box(*Page, "cb" + Prefix + "EnablePWD")->click();
    QCOMPARE(Enabled(*Page, DownloadFields(Prefix)), DownloadFields(Prefix).mid(0, 4));
}

void TestClientProxyPages::DownloadCheck_data()
{
    AddPages();
    QTest::addColumn<bool>("Proxy");
    QTest::addColumn<int>("Type");
    QTest::addColumn<QString>("Server");
    QTest::addColumn<QString>("Port");
    QTest::addColumn<bool>("Auth");
    QTest::addColumn<QString>("User");
    QTest::addColumn<QStringList>("Expected");
    const QStringList Pass{QString(), QString()};
    const struct
    {
        QString Prefix;
        QString Name;
        QStringList Messages;
    } Pages[] = {
        {"EMule",
         "eMule",
         {"Please Select eMule Proxy Type!", "Please Enter eMule Proxy Server Address!",
          "Please Enter eMule Proxy Server Port!", "The eMule proxy port must be a number from 0 to 65535.",
          "Please Enter eMule Proxy User!"}},
        {"BC",
         "BitComet",
         {"Please Select BitComet Proxy Server Type!", "Please Enter BitComet Proxy Server Address!",
          "Please Enter BitComet Proxy Server Port!",
          "The BitComet proxy port must be a number from 0 to 65535.", "Please Enter BitComet Proxy User!"}}};
    for (const auto &[Prefix, Name, Messages] : Pages) {
        auto Row = [&Name](const char *Case) -> QTestData & {
            return QTest::newRow(qPrintable(Name + ": " + Case));
        };
        Row("valid") << Prefix << true << 2 << "10.0.0.1"
                     << "1080" << true << "u" << Pass;
        Row("proxy off checks nothing") << Prefix << false << -1 << "0.0.0.0"
                                        << "" << true << "" << Pass;
        Row("no type, before the server")
            << Prefix << true << -1 << "0.0.0.0"
            << "" << true << "" << QStringList{Messages[0], "cob" + Prefix + "ProxyType"};
        Row("server 0.0.0.0") << Prefix << true << 2 << "0.0.0.0"
                              << "" << true << "" << QStringList{Messages[1], "txt" + Prefix + "Server"};
        Row("empty port") << Prefix << true << 2 << "10.0.0.1"
                          << "" << true << "" << QStringList{Messages[2], "txt" + Prefix + "Port"};
        Row("port no number") << Prefix << true << 2 << "10.0.0.1"
                              << "10 80" << true << "" << QStringList{Messages[3], "txt" + Prefix + "Port"};
        Row("authentication without user")
            << Prefix << true << 2 << "10.0.0.1"
            << "1080" << true << "" << QStringList{Messages[4], "txt" + Prefix + "User"};
        Row("no authentication, no user") << Prefix << true << 2 << "10.0.0.1"
                                          << "1080" << false << "" << Pass;
    }
    // eMule keeps the box checked for SOCKS4, and so still wants the user.
    QTest::newRow("eMule: SOCKS4 with the box still checked")
        << "EMule" << true << 0 << "10.0.0.1"
        << "1080" << true << "" << QStringList{"Please Enter eMule Proxy User!", "txtEMuleUser"};
}

void TestClientProxyPages::DownloadCheck()
{
    QFETCH(QString, Prefix);
    QFETCH(bool, Proxy);
    QFETCH(int, Type);
    QFETCH(QString, Server);
    QFETCH(QString, Port);
    QFETCH(bool, Auth);
    QFETCH(QString, User);
    QFETCH(QStringList, Expected);
    const std::unique_ptr<TModulePage> Page = DownloadPage(Prefix);
    Page->Load(*FLocation);
    SetBox(Box(*Page, "cb" + Prefix + "EnableProxy"), true);
    // The authentication box is chosen under a type that allows it, the type for the case after.
    Combo(*Page, "cob" + Prefix + "ProxyType")->setCurrentIndex(2);
    SetBox(Box(*Page, "cb" + Prefix + "EnablePWD"), Auth);
    Combo(*Page, "cob" + Prefix + "ProxyType")->setCurrentIndex(Type);
    Address(*Page, "txt" + Prefix + "Server")->SetIPString(Server);
    Edit(*Page, "txt" + Prefix + "Port")->setText(Port);
    Edit(*Page, "txt" + Prefix + "User")->setText(User);
    SetBox(Box(*Page, "cb" + Prefix + "EnableProxy"), Proxy);
    QCOMPARE(CheckResult(*Page), Expected);
}

void TestClientProxyPages::DownloadPageStoresWhatIsShown_data()
{
    AddPages();
    QTest::addColumn<int>("Type");
    QTest::newRow("eMule HTTP 1.1") << "EMule" << 4;
    QTest::newRow("BitComet SOCKS5") << "BC" << 2;
}

void TestClientProxyPages::DownloadPageStoresWhatIsShown()
{
    QFETCH(QString, Prefix);
    QFETCH(int, Type);
    const std::unique_ptr<TModulePage> Page = DownloadPage(Prefix);
    Page->Load(*FLocation);
    Box(*Page, "cb" + Prefix + "EnableProxy")->click();
    Combo(*Page, "cob" + Prefix + "ProxyType")->setCurrentIndex(Type);
    Address(*Page, "txt" + Prefix + "Server")->SetIPString("10.9.8.7");
    Edit(*Page, "txt" + Prefix + "Port")->setText("3128");
    Box(*Page, "cb" + Prefix + "EnablePWD")->click();
    Edit(*Page, "txt" + Prefix + "User")->setText("dave");
    Edit(*Page, "txt" + Prefix + "PWD")->setText("pw2");
    QVERIFY(Page->Check(nullptr));
    QVERIFY(Page->Store(*FLocation));

    const std::unique_ptr<TLocation> Stored = Reloaded();
    const TDownloadValues Values = StoredDownload(*Stored, Prefix);
    QVERIFY(Values.EnableProxy);
    QCOMPARE(Values.ProxyType, Type + 1);
    QCOMPARE(Values.Server, QString("10.9.8.7"));
    QCOMPARE(Values.Port, 3128);
    QVERIFY(Values.EnablePWD);
    QCOMPARE(Values.User, QString("dave"));
    QCOMPARE(Values.Pwd, QString("pw2"));
}

QTEST_MAIN(TestClientProxyPages)
#include "tst_ClientProxyPages.moc"
