#include "modules/MSNProxy.h"
#include "support/ModulePageTest.h"
#include "ui/pages/PageMSN.h"
#include "ui/widgets/IPEdit.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QtTest>

namespace {

// Plants the MSN row of the test location.
void StoreModule(bool EnableProxy, const QString &Server, int Port)
{
    auto Location = TModulePageTest::Stored();
    TMSNProxy &Module = *Location->Module<TMSNProxy>();
    Module.SetEnableProxy(EnableProxy);
    Module.SetSocket4Server(Server);
    Module.SetSocket4Port(Port);
    QVERIFY(Module.Save());
}

void Load(TPageMSN &Page) { Page.Load(*TModulePageTest::Stored()); }

// "1" for each enabled field: server, port.
QString EnabledFields(const TPageMSN &Page)
{
    return QString(Control<TIPEdit>(Page, "txtMSNSocks")->isEnabled() ? '1' : '0') +
           (Control<QLineEdit>(Page, "txtMSNPort")->isEnabled() ? '1' : '0');
}

} // namespace

class TestPageMSN : public QObject
{
    Q_OBJECT

private slots:
    void init() { FData = std::make_unique<TModulePageTest>(); }
    void cleanup() { FData.reset(); }

    void LoadShowsTheStoredValues_data();
    void LoadShowsTheStoredValues();
    void CheckRefusesMissingAndBadPorts_data();
    void CheckRefusesMissingAndBadPorts();
    void StoreSavesTheFields();

private:
    std::unique_ptr<TModulePageTest> FData;
};

void TestPageMSN::LoadShowsTheStoredValues_data()
{
    QTest::addColumn<bool>("Enable");
    QTest::addColumn<QString>("Server");
    QTest::addColumn<int>("Port");
    QTest::addColumn<QString>("Shown");
    QTest::addColumn<QString>("PortText");
    QTest::addColumn<QString>("Fields");
    QTest::newRow("on") << true << "10.3.0.1" << 1080 << "10.3.0.1"
                        << "1080"
                        << "11";
    QTest::newRow("off, emptied") << false << "" << 0 << "0.0.0.0"
                                  << "0"
                                  << "00";
}

void TestPageMSN::LoadShowsTheStoredValues()
{
    QFETCH(bool, Enable);
    QFETCH(QString, Server);
    QFETCH(int, Port);
    StoreModule(Enable, Server, Port);
    TPageMSN Page;
    Load(Page);
    QCOMPARE(Control<QCheckBox>(Page, "cbMSNEnableProxy")->isChecked(), Enable);
    QTEST(Control<TIPEdit>(Page, "txtMSNSocks")->IPString(), "Shown");
    QTEST(Control<QLineEdit>(Page, "txtMSNPort")->text(), "PortText");
    QTEST(EnabledFields(Page), "Fields");
}

void TestPageMSN::CheckRefusesMissingAndBadPorts_data()
{
    QTest::addColumn<bool>("Enable");
    QTest::addColumn<QString>("PortText");
    QTest::addColumn<QString>("Message");
    QTest::addColumn<QString>("Focus");
    const QString Missing = "Please Enter MSN Proxy Server Port!";
    const QString NotANumber = "The MSN proxy port must be a number from 0 to 65535.";
    QTest::newRow("no port") << true << "" << Missing << "txtMSNPort";
    QTest::newRow("spaces only") << true << "   " << Missing << "txtMSNPort";
    QTest::newRow("port no number") << true << "1080a" << NotANumber << "txtMSNPort";
    QTest::newRow("port too big") << true << "99999" << NotANumber << "txtMSNPort";
    QTest::newRow("port 0") << true << "0"
                            << ""
                            << "";
    QTest::newRow("off, no port") << false << ""
                                  << ""
                                  << "";
    QTest::newRow("off, port no number") << false << "x" << NotANumber << "txtMSNPort";
}

void TestPageMSN::CheckRefusesMissingAndBadPorts()
{
    QFETCH(bool, Enable);
    QFETCH(QString, PortText);
    StoreModule(Enable, "10.3.0.1", 1080);
    TPageMSN Page;
    Load(Page);
    Control<QLineEdit>(Page, "txtMSNPort")->setText(PortText);
    const TPageProblem Problem = CheckOf(Page);
    QTEST(Problem.Message, "Message");
    QTEST(FocusName(Problem), "Focus");
}

void TestPageMSN::StoreSavesTheFields()
{
    StoreModule(false, "", 0);
    TPageMSN Page;
    Load(Page);
    Control<QCheckBox>(Page, "cbMSNEnableProxy")->click();
    Control<TIPEdit>(Page, "txtMSNSocks")->SetIPString("192.168.9.9");
    Control<QLineEdit>(Page, "txtMSNPort")->setText("1090");
    QVERIFY(Page.Check(nullptr));
    QVERIFY(Page.Store(*TModulePageTest::Stored()));

    const auto Reloaded = TModulePageTest::Stored();

    const TMSNProxy &Saved = *Reloaded->Module<TMSNProxy>();
    QVERIFY(Saved.EnableProxy());
    QCOMPARE(Saved.Socket4Server(), QString("192.168.9.9"));
    QCOMPARE(Saved.Socket4Port(), 1090);
}

QTEST_MAIN(TestPageMSN)
#include "tst_PageMSN.moc"
