#include "modules/IEProxy.h"
#include "support/ModulePageTest.h"
#include "ui/pages/PageIE.h"
#include "ui/widgets/IPEdit.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QtTest>

namespace {

const char *const Ports[] = {"txtIEHttpPort", "txtIESecurePort", "txtIEFtpPort", "txtIEGopherPort",
                             "txtIESocksPort"};
const char *const Addresses[] = {"txtIEHttp", "txtIESecure", "txtIEFtp", "txtIEGopher", "txtIESocks"};

// Plants the IE row of the test location.
void StoreModule(bool EnableProxy, bool ShareProxy, const QString &NoProxies = QString(),
                 const QString &Http = QStringLiteral("10.0.0.1:8080"))
{
    auto Location = TModulePageTest::Stored();
    TIEProxy &Module = *Location->Module<TIEProxy>();
    Module.SetEnableProxy(EnableProxy);
    Module.SetShareProxy(ShareProxy);
    Module.SetNoProxies(NoProxies);
    Module.SetHttp(Http);
    QVERIFY(Module.Save());
}

void Load(TPageIE &Page) { Page.Load(*TModulePageTest::Stored()); }

// "1" for each enabled field of the rows, in the order HTTP address and port, Secure ... Socks.
QString EnabledFields(const TPageIE &Page)
{
    QString Result;
    for (int i = 0; i < 5; ++i) {
        Result += Control<TIPEdit>(Page, Addresses[i])->isEnabled() ? '1' : '0';
        Result += Control<QLineEdit>(Page, Ports[i])->isEnabled() ? '1' : '0';
    }
    return Result;
}

} // namespace

class TestPageIE : public QObject
{
    Q_OBJECT

private slots:
    void init() { FData = std::make_unique<TModulePageTest>(); }
    void cleanup() { FData.reset(); }

    void LoadShowsTheStoredRows();
    void LoadTakesTheLocalEntryOut_data();
    void LoadTakesTheLocalEntryOut();
    void StorePutsTheLocalEntryBack_data();
    void StorePutsTheLocalEntryBack();
    void ClicksFollowTheEnableAndShareRules_data();
    void ClicksFollowTheEnableAndShareRules();
    void CheckRefusesMissingAndBadPorts_data();
    void CheckRefusesMissingAndBadPorts();
    void StoreSavesEveryRowAsTyped();
    void StoreWritesNothingWhileTheModuleIsOff();

private:
    std::unique_ptr<TModulePageTest> FData;
};

void TestPageIE::LoadShowsTheStoredRows()
{
    {
        auto Location = TModulePageTest::Stored();
        TIEProxy &Module = *Location->Module<TIEProxy>();
        Module.SetEnableProxy(true);
        Module.SetHttp("10.0.0.1:8080");
        Module.SetSecure("10.0.0.2:");
        Module.SetFtp("no colon");
        Module.SetGopher(":70");
        Module.SetSocket("10.0.0.5:1080:9");
        QVERIFY(Module.Save());
    }
    TPageIE Page;
    Load(Page);
    const QString Shown[5][2] = {
        {"10.0.0.1", "8080"}, {"10.0.0.2", ""}, {"0.0.0.0", ""}, {"0.0.0.0", "70"}, {"10.0.0.5", "1080:9"}};
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(Control<TIPEdit>(Page, Addresses[i])->IPString(), Shown[i][0]);
        QCOMPARE(Control<QLineEdit>(Page, Ports[i])->text(), Shown[i][1]);
    }
    QVERIFY(Control<QCheckBox>(Page, "cbIEEnableProxy")->isChecked());
    QVERIFY(!Control<QCheckBox>(Page, "cbIEShareSetting")->isChecked());
    QCOMPARE(EnabledFields(Page), QString("1111111111"));
}

void TestPageIE::LoadTakesTheLocalEntryOut_data()
{
    QTest::addColumn<QString>("Stored");
    QTest::addColumn<QString>("Memo");
    QTest::addColumn<bool>("Bypass");
    QTest::newRow("ends in ;<Local>") << "a.com;<Local>"
                                      << "a.com;" << true;
    QTest::newRow("any case, entry first") << "<LOCAL>;b.com"
                                           << "b.com" << true;
    QTest::newRow("twice") << "<local>;a.com;<Local>"
                           << "a.com;" << true;
    QTest::newRow("local inside a name") << "intranet.local"
                                         << "intranet.local" << true;
    QTest::newRow("no local entry") << "a.com;b.com"
                                    << "a.com;b.com" << false;
    QTest::newRow("empty") << ""
                           << "" << false;
}

void TestPageIE::LoadTakesTheLocalEntryOut()
{
    QFETCH(QString, Stored);
    StoreModule(true, false, Stored);
    TPageIE Page;
    Control<QCheckBox>(Page, "cbIENotLocal")->setChecked(true);
    Load(Page);
    QTEST(Control<QPlainTextEdit>(Page, "txtIENoProxies")->toPlainText(), "Memo");
    QTEST(Control<QCheckBox>(Page, "cbIENotLocal")->isChecked(), "Bypass");
}

void TestPageIE::StorePutsTheLocalEntryBack_data()
{
    QTest::addColumn<QString>("Memo");
    QTest::addColumn<bool>("Bypass");
    QTest::addColumn<QString>("Stored");
    QTest::newRow("appended after ;") << "a.com;" << true << "a.com;<Local>;";
    QTest::newRow("appended without separator") << "b.com" << true << "b.com<Local>;";
    QTest::newRow("lower case entry is there") << "<local>;a.com" << true << "<local>;a.com";
    QTest::newRow("other case is not") << "<LOCAL>" << true << "<LOCAL><Local>;";
    QTest::newRow("unchecked removes any case") << "<LOCAL>;a.com;<local>" << false << ";a.com;";
    QTest::newRow("unchecked keeps the rest") << "a.com" << false << "a.com";
}

void TestPageIE::StorePutsTheLocalEntryBack()
{
    QFETCH(QString, Memo);
    QFETCH(bool, Bypass);
    StoreModule(true, false);
    TPageIE Page;
    Load(Page);
    Control<QPlainTextEdit>(Page, "txtIENoProxies")->setPlainText(Memo);
    Control<QCheckBox>(Page, "cbIENotLocal")->setChecked(Bypass);
    auto Location = TModulePageTest::Stored();
    QVERIFY(Page.Store(*Location));
    QTEST(TModulePageTest::Stored()->Module<TIEProxy>()->NoProxies(), "Stored");
}

void TestPageIE::ClicksFollowTheEnableAndShareRules_data()
{
    QTest::addColumn<bool>("StoredEnable");
    QTest::addColumn<bool>("StoredShare");
    QTest::addColumn<QStringList>("Clicks");
    QTest::addColumn<QString>("Fields");
    QTest::addColumn<bool>("GroupEnabled");
    QTest::newRow("loaded off") << false << false << QStringList{} << "0000000000" << false;
    QTest::newRow("loaded shared") << true << true << QStringList{} << "1100000000" << true;
    QTest::newRow("switched on, own rows")
        << false << false << QStringList{"cbIEEnableProxy"} << "1111111111" << true;
    QTest::newRow("switched on, shared")
        << false << true << QStringList{"cbIEEnableProxy"} << "1100000000" << true;
    QTest::newRow("share unchecked") << true << true << QStringList{"cbIEShareSetting"} << "1111111111"
                                     << true;
    QTest::newRow("share checked") << true << false << QStringList{"cbIEShareSetting"} << "1100000000"
                                   << true;
    QTest::newRow("switched off") << true << true << QStringList{"cbIEEnableProxy"} << "0000000000" << false;
}

void TestPageIE::ClicksFollowTheEnableAndShareRules()
{
    QFETCH(bool, StoredEnable);
    QFETCH(bool, StoredShare);
    QFETCH(QStringList, Clicks);
    StoreModule(StoredEnable, StoredShare);
    TPageIE Page;
    Page.show();
    Load(Page);
    for (const QString &Name : Clicks)
        Control<QCheckBox>(Page, Name.toLatin1().constData())->click();
    QTEST(EnabledFields(Page), "Fields");
    QTEST(Control<QGroupBox>(Page, "gBoxIEServer")->isEnabled(), "GroupEnabled");
}

void TestPageIE::CheckRefusesMissingAndBadPorts_data()
{
    QTest::addColumn<bool>("Enable");
    QTest::addColumn<bool>("Share");
    QTest::addColumn<QStringList>("PortTexts");
    QTest::addColumn<QString>("Message");
    QTest::addColumn<QString>("Focus");
    const QString Missing = "Please Enter IE Proxy Server Port!";
    QTest::newRow("shared, no HTTP port")
        << true << true << QStringList{"", "1", "2", "3", "4"} << Missing << "txtIEHttpPort";
    QTest::newRow("own rows, no ports at all") << true << false << QStringList{"", "", "", "", ""} << ""
                                               << "";
    QTest::newRow("off, no HTTP port") << false << true << QStringList{"", "", "", "", ""} << ""
                                       << "";
    QTest::newRow("shared, HTTP port no number") << true << true << QStringList{"80x", "", "", "", ""}
                                                 << "The IE HTTP proxy port must be a number from 0 to 65535."
                                                 << "txtIEHttpPort";
    QTest::newRow("own rows, FTP port too big") << true << false << QStringList{"80", "443", "65536", "x", ""}
                                                << "The IE FTP proxy port must be a number from 0 to 65535."
                                                << "txtIEFtpPort";
    QTest::newRow("own rows, Socks port signed")
        << true << false << QStringList{"", "", "", "", "-1"}
        << "The IE Socks proxy port must be a number from 0 to 65535."
        << "txtIESocksPort";
    QTest::newRow("shared, unused row no number") << true << true << QStringList{"80", "x", "", "", ""} << ""
                                                  << "";
    QTest::newRow("off, port no number") << false << false << QStringList{"x", "", "", "", ""} << ""
                                         << "";
    QTest::newRow("bounds and spaces")
        << true << false << QStringList{"0", "65535", " 21 ", "00070", ""} << ""
        << "";
}

void TestPageIE::CheckRefusesMissingAndBadPorts()
{
    QFETCH(bool, Enable);
    QFETCH(bool, Share);
    QFETCH(QStringList, PortTexts);
    StoreModule(Enable, Share);
    TPageIE Page;
    Load(Page);
    for (int i = 0; i < 5; ++i)
        Control<QLineEdit>(Page, Ports[i])->setText(PortTexts.at(i));
    const TPageProblem Problem = CheckOf(Page);
    QTEST(Problem.Message, "Message");
    QTEST(FocusName(Problem), "Focus");
}

void TestPageIE::StoreSavesEveryRowAsTyped()
{
    StoreModule(false, false, "old");
    TPageIE Page;
    Load(Page);
    Control<QCheckBox>(Page, "cbIEEnableProxy")->click();
    Control<QCheckBox>(Page, "cbIEShareSetting")->click();
    const QString Typed[5][2] = {
        {"10.1.1.1", "3128"}, {"10.1.1.2", ""}, {"10.1.1.3", "21"}, {"0.0.0.0", ""}, {"10.1.1.5", "1080"}};
    for (int i = 0; i < 5; ++i) {
        Control<TIPEdit>(Page, Addresses[i])->SetIPString(Typed[i][0]);
        Control<QLineEdit>(Page, Ports[i])->setText(Typed[i][1]);
    }
    Control<QPlainTextEdit>(Page, "txtIENoProxies")->setPlainText("*.lan");
    QVERIFY(Page.Check(nullptr));
    auto Location = TModulePageTest::Stored();
    QVERIFY(Page.Store(*Location));

    const auto Reloaded = TModulePageTest::Stored();

    const TIEProxy &Saved = *Reloaded->Module<TIEProxy>();
    QVERIFY(Saved.EnableProxy());
    QVERIFY(Saved.ShareProxy());
    // Rows the shared HTTP server hides are still stored from their own fields.
    QCOMPARE(QStringList({Saved.Http(), Saved.Secure(), Saved.Ftp(), Saved.Gopher(), Saved.Socket()}),
             QStringList({"10.1.1.1:3128", "10.1.1.2:", "10.1.1.3:21", "0.0.0.0:", "10.1.1.5:1080"}));
    QCOMPARE(Saved.NoProxies(), QString("*.lan"));
    // Stored again unchanged, the page gives the same values back.
    TPageIE Again;
    Load(Again);
    QCOMPARE(Control<QLineEdit>(Again, "txtIEHttpPort")->text(), QString("3128"));
    QCOMPARE(Control<TIPEdit>(Again, "txtIESocks")->IPString(), QString("10.1.1.5"));
    QCOMPARE(EnabledFields(Again), QString("1100000000"));
}

void TestPageIE::StoreWritesNothingWhileTheModuleIsOff()
{
    StoreModule(true, true, "kept.lan");
    TFuncDefine::getInstance()->SetIsIEEnabled(false);
    TPageIE Page;
    Load(Page);
    Control<QPlainTextEdit>(Page, "txtIENoProxies")->setPlainText("changed.lan");
    auto Location = TModulePageTest::Stored();
    QVERIFY(Page.Store(*Location));
    // The hidden tab still reaches the module object.
    QCOMPARE(Location->Module<TIEProxy>()->NoProxies(), QString("changed.lan"));
    TFuncDefine::getInstance()->SetIsIEEnabled(true);
    QCOMPARE(TModulePageTest::Stored()->Module<TIEProxy>()->NoProxies(), QString("kept.lan"));
}

QTEST_MAIN(TestPageIE)
#include "tst_PageIE.moc"
