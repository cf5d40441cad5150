#include "modules/FireFoxProxy.h"
#include "support/ModulePageTest.h"
#include "ui/pages/PageFireFox.h"
#include "ui/widgets/IPEdit.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QtTest>

namespace {

const char *const Ports[] = {"txtFFHttpPort", "txtFFSecurePort", "txtFFFtpPort", "txtFFGopherPort",
                             "txtFFSocksPort"};
const char *const Addresses[] = {"txtFFHttp", "txtFFSecure", "txtFFFtp", "txtFFGopher", "txtFFSocks"};
const char *const Modes[] = {"rbFFDirect", "rbFFAutoDetect", "rbFFManual", "rbFFAutoSettings", "rbFFSystem"};

// Enabled states: the ten row fields, then share box, bypass list, Socks4, Socks5, URL edit.
const QString AllOff = "0000000000-00000";
const QString ManualOwnRows = "1111111111-11110";
const QString ManualShared = "1100000000-11000";
const QString UrlOnly = "0000000000-00001";

// Plants the Firefox row of the test location.
void StoreModule(int ProxyType, bool ShareProxy = false, int SocksType = 2)
{
    auto Location = TModulePageTest::Stored();
    TFireFoxProxy &Module = *Location->Module<TFireFoxProxy>();
    Module.SetProxyType(ProxyType);
    Module.SetShareProxy(ShareProxy);
    Module.SetSocksType(SocksType);
    Module.SetHttp("10.0.0.1:3128");
    Module.SetSocket("10.0.0.5:1080");
    Module.SetNoProxies("localhost, 127.0.0.1");
    Module.SetAutoSeetings("http://wpad/proxy.pac");
    QVERIFY(Module.Save());
}

void Load(TPageFireFox &Page) { Page.Load(*TModulePageTest::Stored()); }

QString EnabledState(const TPageFireFox &Page)
{
    QString Result;
    for (int i = 0; i < 5; ++i) {
        Result += Control<TIPEdit>(Page, Addresses[i])->isEnabled() ? '1' : '0';
        Result += Control<QLineEdit>(Page, Ports[i])->isEnabled() ? '1' : '0';
    }
    Result += '-';
    for (const QWidget *Other :
         {static_cast<const QWidget *>(Control<QCheckBox>(Page, "cbFFShareSettings")),
          static_cast<const QWidget *>(Control<QPlainTextEdit>(Page, "txtFFNoProxies")),
          static_cast<const QWidget *>(Control<QRadioButton>(Page, "rbFFSocks4")),
          static_cast<const QWidget *>(Control<QRadioButton>(Page, "rbFFSocks5")),
          static_cast<const QWidget *>(Control<QLineEdit>(Page, "txtFFAutoSettings"))})
        Result += Other->isEnabled() ? '1' : '0';
    return Result;
}

// The selected mode radio; empty when none is.
QString SelectedMode(const TPageFireFox &Page)
{
    for (const char *Name : Modes) {
        if (Control<QRadioButton>(Page, Name)->isChecked())
            return QString::fromLatin1(Name);
    }
    return QString();
}

void Click(TPageFireFox &Page, const QStringList &Names)
{
    for (const QString &Name : Names)
        Control<QAbstractButton>(Page, Name.toLatin1().constData())->click();
}

} // namespace

class TestPageFireFox : public QObject
{
    Q_OBJECT

private slots:
    void init() { FData = std::make_unique<TModulePageTest>(); }
    void cleanup() { FData.reset(); }

    void AFreshPageIsInDirectMode();
    void LoadShowsTheStoredValues();
    void LoadSelectsTheModeAndRunsItsRule_data();
    void LoadSelectsTheModeAndRunsItsRule();
    void ClicksFollowTheModeAndShareRules_data();
    void ClicksFollowTheModeAndShareRules();
    void CheckRefusesMissingAndBadPortsInManualMode_data();
    void CheckRefusesMissingAndBadPortsInManualMode();
    void StoreKeepsTheProxySwitchOnInEveryMode_data();
    void StoreKeepsTheProxySwitchOnInEveryMode();
    void StoreGivesTheSharedServerToEveryProtocol();

private:
    std::unique_ptr<TModulePageTest> FData;
};

void TestPageFireFox::AFreshPageIsInDirectMode()
{
    const TPageFireFox Page;
    // Its fields match the mode.
    QCOMPARE(SelectedMode(Page), QString("rbFFDirect"));
    QCOMPARE(EnabledState(Page), AllOff);
}

void TestPageFireFox::LoadShowsTheStoredValues()
{
    StoreModule(3, false, 1);
    TPageFireFox Page;
    Load(Page);
    QCOMPARE(Control<TIPEdit>(Page, "txtFFHttp")->IPString(), QString("10.0.0.1"));
    QCOMPARE(Control<QLineEdit>(Page, "txtFFHttpPort")->text(), QString("3128"));
    QCOMPARE(Control<TIPEdit>(Page, "txtFFSocks")->IPString(), QString("10.0.0.5"));
    QCOMPARE(Control<QLineEdit>(Page, "txtFFSocksPort")->text(), QString("1080"));
    QCOMPARE(Control<TIPEdit>(Page, "txtFFFtp")->IPString(), QString("0.0.0.0"));
    QCOMPARE(Control<QLineEdit>(Page, "txtFFFtpPort")->text(), QString());
    QCOMPARE(Control<QPlainTextEdit>(Page, "txtFFNoProxies")->toPlainText(), QString("localhost, 127.0.0.1"));
    QCOMPARE(Control<QLineEdit>(Page, "txtFFAutoSettings")->text(), QString("http://wpad/proxy.pac"));
    QVERIFY(Control<QRadioButton>(Page, "rbFFSocks4")->isChecked());
    QVERIFY(!Control<QCheckBox>(Page, "cbFFShareSettings")->isChecked());
}

void TestPageFireFox::LoadSelectsTheModeAndRunsItsRule_data()
{
    QTest::addColumn<int>("Earlier");
    QTest::addColumn<int>("Type");
    QTest::addColumn<bool>("Share");
    QTest::addColumn<QString>("Mode");
    QTest::addColumn<QString>("State");
    QTest::newRow("1 direct") << 0 << 1 << false << "rbFFDirect" << AllOff;
    QTest::newRow("2 auto-detect") << 0 << 2 << false << "rbFFAutoDetect" << AllOff;
    QTest::newRow("3 manual") << 0 << 3 << false << "rbFFManual" << ManualOwnRows;
    QTest::newRow("3 manual, shared") << 0 << 3 << true << "rbFFManual" << ManualShared;
    QTest::newRow("4 URL") << 0 << 4 << true << "rbFFAutoSettings" << UrlOnly;
    QTest::newRow("5 system") << 0 << 5 << false << "rbFFSystem" << AllOff;
    QTest::newRow("0 on a fresh page") << 0 << 0 << false << "rbFFDirect" << AllOff;
    QTest::newRow("0 after manual") << 3 << 0 << false << "rbFFManual" << ManualOwnRows;
    QTest::newRow("6 after URL") << 4 << 6 << false << "rbFFAutoSettings" << UrlOnly;
}

void TestPageFireFox::LoadSelectsTheModeAndRunsItsRule()
{
    QFETCH(int, Earlier);
    QFETCH(int, Type);
    QFETCH(bool, Share);
    TPageFireFox Page;
    if (Earlier) {
        StoreModule(Earlier);
        Load(Page);
    }
    StoreModule(Type, Share);
    Load(Page);
    QTEST(SelectedMode(Page), "Mode");
    QTEST(EnabledState(Page), "State");
}

void TestPageFireFox::ClicksFollowTheModeAndShareRules_data()
{
    QTest::addColumn<QStringList>("Clicks");
    QTest::addColumn<QString>("State");
    QTest::newRow("manual") << QStringList{"rbFFManual"} << ManualOwnRows;
    QTest::newRow("manual, share") << QStringList{"rbFFManual", "cbFFShareSettings"} << ManualShared;
    QTest::newRow("manual, share twice")
        << QStringList{"rbFFManual", "cbFFShareSettings", "cbFFShareSettings"} << ManualOwnRows;
    QTest::newRow("manual, then URL") << QStringList{"rbFFManual", "rbFFAutoSettings"} << UrlOnly;
    QTest::newRow("manual, then auto-detect") << QStringList{"rbFFManual", "rbFFAutoDetect"} << AllOff;
    QTest::newRow("manual, then system") << QStringList{"rbFFManual", "rbFFSystem"} << AllOff;
    QTest::newRow("URL, then direct") << QStringList{"rbFFAutoSettings", "rbFFDirect"} << AllOff;
    QTest::newRow("shared, then manual")
        << QStringList{"rbFFManual", "cbFFShareSettings", "rbFFDirect", "rbFFManual"} << ManualShared;
}

void TestPageFireFox::ClicksFollowTheModeAndShareRules()
{
    QFETCH(QStringList, Clicks);
    StoreModule(1);
    TPageFireFox Page;
    Page.show();
    Load(Page);
    Click(Page, Clicks);
    QTEST(EnabledState(Page), "State");
}

void TestPageFireFox::CheckRefusesMissingAndBadPortsInManualMode_data()
{
    QTest::addColumn<QStringList>("Clicks");
    QTest::addColumn<QStringList>("PortTexts");
    QTest::addColumn<QString>("Message");
    QTest::addColumn<QString>("Focus");
    const QString Missing = "Please Enter Firefox Proxy Server Port!";
    QTest::newRow("direct, no HTTP port")
        << QStringList{"rbFFDirect"} << QStringList{"", "", "", "", ""} << ""
        << "";
    QTest::newRow("manual, no HTTP port")
        << QStringList{"rbFFManual"} << QStringList{"", "1", "2", "3", "4"} << Missing << "txtFFHttpPort";
    QTest::newRow("manual, shared, no HTTP port")
        << QStringList{"rbFFManual", "cbFFShareSettings"} << QStringList{"", "", "", "", ""} << Missing
        << "txtFFHttpPort";
    QTest::newRow("manual, HTTP port no number")
        << QStringList{"rbFFManual"} << QStringList{"8o80", "", "", "", ""}
        << "The Firefox HTTP proxy port must be a number from 0 to 65535."
        << "txtFFHttpPort";
    QTest::newRow("manual, Gopher port no number")
        << QStringList{"rbFFManual"} << QStringList{"80", "", "", "70 0", "x"}
        << "The Firefox Gopher proxy port must be a number from 0 to 65535."
        << "txtFFGopherPort";
    QTest::newRow("manual, shared, unused port no number")
        << QStringList{"rbFFManual", "cbFFShareSettings"} << QStringList{"80", "x", "", "", ""} << ""
        << "";
    QTest::newRow("URL, port no number")
        << QStringList{"rbFFAutoSettings"} << QStringList{"x", "", "", "", ""} << ""
        << "";
    QTest::newRow("manual, other ports empty")
        << QStringList{"rbFFManual"} << QStringList{"80", "", "", "", ""} << ""
        << "";
}

void TestPageFireFox::CheckRefusesMissingAndBadPortsInManualMode()
{
    QFETCH(QStringList, Clicks);
    QFETCH(QStringList, PortTexts);
    StoreModule(1);
    TPageFireFox Page;
    Load(Page);
    Click(Page, Clicks);
    for (int i = 0; i < 5; ++i)
        Control<QLineEdit>(Page, Ports[i])->setText(PortTexts.at(i));
    const TPageProblem Problem = CheckOf(Page);
    QTEST(Problem.Message, "Message");
    QTEST(FocusName(Problem), "Focus");
}

void TestPageFireFox::StoreKeepsTheProxySwitchOnInEveryMode_data()
{
    QTest::addColumn<QString>("Mode");
    QTest::addColumn<int>("Type");
    for (int i = 0; i < 5; ++i)
        QTest::newRow(Modes[i]) << QString(Modes[i]) << i + 1;
}

void TestPageFireFox::StoreKeepsTheProxySwitchOnInEveryMode()
{
    QFETCH(QString, Mode);
    StoreModule(0);
    TPageFireFox Page;
    Page.show();
    Load(Page);
    Click(Page, {Mode});
    // The data file keeps no switch for Firefox: the module object is where it shows.
    auto Location = TModulePageTest::Stored();
    Location->Module<TFireFoxProxy>()->SetEnableProxy(false);
    QVERIFY(Page.Store(*Location));
    QVERIFY(Location->Module<TFireFoxProxy>()->EnableProxy());
    QTEST(TModulePageTest::Stored()->Module<TFireFoxProxy>()->ProxyType(), "Type");
}

void TestPageFireFox::StoreGivesTheSharedServerToEveryProtocol()
{
    StoreModule(1, false, 2);
    TPageFireFox Page;
    Load(Page);
    Click(Page, {"rbFFManual", "rbFFSocks4", "cbFFShareSettings"});
    Control<TIPEdit>(Page, "txtFFHttp")->SetIPString("192.168.7.1");
    Control<QLineEdit>(Page, "txtFFHttpPort")->setText("8080");
    Control<TIPEdit>(Page, "txtFFSecure")->SetIPString("192.168.7.2");
    Control<QPlainTextEdit>(Page, "txtFFNoProxies")->setPlainText(".lan");
    Control<QLineEdit>(Page, "txtFFAutoSettings")->setText("http://other/pac");
    QVERIFY(Page.Check(nullptr));
    QVERIFY(Page.Store(*TModulePageTest::Stored()));

    const auto Reloaded = TModulePageTest::Stored();

    const TFireFoxProxy &Saved = *Reloaded->Module<TFireFoxProxy>();
    QCOMPARE(Saved.ProxyType(), 3);
    QVERIFY(Saved.ShareProxy());
    QCOMPARE(QStringList({Saved.Http(), Saved.Secure(), Saved.Ftp(), Saved.Gopher(), Saved.Socket()}),
             QStringList(5, "192.168.7.1:8080"));
    QCOMPARE(Saved.SocksType(), 1);
    QCOMPARE(Saved.NoProxies(), QString(".lan"));
    QCOMPARE(Saved.AutoSeetings(), QString("http://other/pac"));
    // The shared server stays on when the page is loaded again.
    TPageFireFox Again;
    Load(Again);
    QCOMPARE(SelectedMode(Again), QString("rbFFManual"));
    QCOMPARE(EnabledState(Again), ManualShared);
    QCOMPARE(Control<TIPEdit>(Again, "txtFFSecure")->IPString(), QString("192.168.7.1"));
}

QTEST_MAIN(TestPageFireFox)
#include "tst_PageFireFox.moc"
