#include "modules/FoxMailProxy.h"
#include "support/ModulePageTest.h"
#include "ui/pages/PageFoxmail.h"
#include "ui/widgets/IPEdit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QtTest>

namespace {

// Plants the Foxmail row of the test location.
void StoreModule(bool EnableProxy, int ProxyType, int Port = 1080)
{
    auto Location = TModulePageTest::Stored();
    TFoxMailProxy &Module = *Location->Module<TFoxMailProxy>();
    Module.SetEnableProxy(EnableProxy);
    Module.SetProxyType(ProxyType);
    Module.SetServer("10.2.0.1");
    Module.SetPort(Port);
    Module.SetUser("mailer");
    Module.SetPwd("secret");
    QVERIFY(Module.Save());
}

void Load(TPageFoxmail &Page) { Page.Load(*TModulePageTest::Stored()); }

// "1" for each enabled field: type list, server, port, user, password.
QString EnabledFields(const TPageFoxmail &Page)
{
    QString Result;
    for (const QWidget *Field : {static_cast<const QWidget *>(Control<QComboBox>(Page, "cobFMProxyType")),
                                 static_cast<const QWidget *>(Control<TIPEdit>(Page, "txtFMServer")),
                                 static_cast<const QWidget *>(Control<QLineEdit>(Page, "txtFMPort")),
                                 static_cast<const QWidget *>(Control<QLineEdit>(Page, "txtFMUser")),
                                 static_cast<const QWidget *>(Control<QLineEdit>(Page, "txtFMPwd"))})
        Result += Field->isEnabled() ? '1' : '0';
    return Result;
}

} // namespace

class TestPageFoxmail : public QObject
{
    Q_OBJECT

private slots:
    void init() { FData = std::make_unique<TModulePageTest>(); }
    void cleanup() { FData.reset(); }

    void OffersTwoSocksTypesAndKeepsTheLoginHidden();
    void LoadShowsTheStoredValues_data();
    void LoadShowsTheStoredValues();
    void CheckRefusesMissingTypeAndPort_data();
    void CheckRefusesMissingTypeAndPort();
    void StoreSavesTheFieldsAndTheHiddenLogin();

private:
    std::unique_ptr<TModulePageTest> FData;
};

void TestPageFoxmail::OffersTwoSocksTypesAndKeepsTheLoginHidden()
{
    TPageFoxmail Page;
    const QComboBox *Types = Control<QComboBox>(Page, "cobFMProxyType");
    QCOMPARE(QStringList({Types->itemText(0), Types->itemText(1)}), QStringList({"SOCKS4", "SOCKS5"}));
    QCOMPARE(Types->count(), 2);
    Page.show();
    // The login is kept but never shown.
    QVERIFY(!Control<QLineEdit>(Page, "txtFMUser")->isVisible());
    QVERIFY(!Control<QLineEdit>(Page, "txtFMPwd")->isVisible());
    QCOMPARE(Control<QLineEdit>(Page, "txtFMPwd")->echoMode(), QLineEdit::Password);
}

void TestPageFoxmail::LoadShowsTheStoredValues_data()
{
    QTest::addColumn<bool>("Enable");
    QTest::addColumn<int>("Type");
    QTest::addColumn<int>("Port");
    QTest::addColumn<int>("Index");
    QTest::addColumn<QString>("PortText");
    QTest::addColumn<QString>("Fields");
    QTest::newRow("SOCKS5 on") << true << 2 << 1080 << 1 << "1080"
                               << "11111";
    QTest::newRow("SOCKS4 off") << false << 1 << 1081 << 0 << "1081"
                                << "00000";
    QTest::newRow("no type, port 0") << true << 0 << 0 << -1 << "0"
                                     << "11111";
}

void TestPageFoxmail::LoadShowsTheStoredValues()
{
    QFETCH(bool, Enable);
    QFETCH(int, Type);
    QFETCH(int, Port);
    StoreModule(Enable, Type, Port);
    TPageFoxmail Page;
    Load(Page);
    QCOMPARE(Control<QCheckBox>(Page, "cbFMEnableProxy")->isChecked(), Enable);
    QTEST(Control<QComboBox>(Page, "cobFMProxyType")->currentIndex(), "Index");
    QCOMPARE(Control<TIPEdit>(Page, "txtFMServer")->IPString(), QString("10.2.0.1"));
    QTEST(Control<QLineEdit>(Page, "txtFMPort")->text(), "PortText");
    QCOMPARE(Control<QLineEdit>(Page, "txtFMUser")->text(), QString("mailer"));
    QCOMPARE(Control<QLineEdit>(Page, "txtFMPwd")->text(), QString("secret"));
    QTEST(EnabledFields(Page), "Fields");
}

void TestPageFoxmail::CheckRefusesMissingTypeAndPort_data()
{
    QTest::addColumn<bool>("Enable");
    QTest::addColumn<int>("Type");
    QTest::addColumn<QString>("PortText");
    QTest::addColumn<QString>("Message");
    QTest::addColumn<QString>("Focus");
    const QString NotANumber = "The Foxmail proxy port must be a number from 0 to 65535.";
    QTest::newRow("no type") << true << 0 << ""
                             << "Please Select Foxmail Proxy Type!"
                             << "cobFMProxyType";
    QTest::newRow("no port") << true << 1 << ""
                             << "Please Enter Foxmail Proxy Server Port!"
                             << "txtFMPort";
    QTest::newRow("port no number") << true << 2 << "10 80" << NotANumber << "txtFMPort";
    QTest::newRow("port too big") << true << 2 << "65536" << NotANumber << "txtFMPort";
    QTest::newRow("highest port") << true << 2 << "65535"
                                  << ""
                                  << "";
    QTest::newRow("off, no type, no port") << false << 0 << ""
                                           << ""
                                           << "";
    // Stored as a number whether the proxy is on or off.
    QTest::newRow("off, port no number") << false << 1 << "x" << NotANumber << "txtFMPort";
}

void TestPageFoxmail::CheckRefusesMissingTypeAndPort()
{
    QFETCH(bool, Enable);
    QFETCH(int, Type);
    QFETCH(QString, PortText);
    StoreModule(Enable, Type);
    TPageFoxmail Page;
    Load(Page);
    Control<QLineEdit>(Page, "txtFMPort")->setText(PortText);
    const TPageProblem Problem = CheckOf(Page);
    QTEST(Problem.Message, "Message");
    QTEST(FocusName(Problem), "Focus");
}

void TestPageFoxmail::StoreSavesTheFieldsAndTheHiddenLogin()
{
    StoreModule(false, 0);
    TPageFoxmail Page;
    Load(Page);
    Control<QCheckBox>(Page, "cbFMEnableProxy")->click();
    Control<QComboBox>(Page, "cobFMProxyType")->setCurrentIndex(1);
    Control<TIPEdit>(Page, "txtFMServer")->SetIPString("172.16.5.4");
    Control<QLineEdit>(Page, "txtFMPort")->setText(" 1085 ");
    QVERIFY(Page.Check(nullptr));
    QVERIFY(Page.Store(*TModulePageTest::Stored()));

    const auto Reloaded = TModulePageTest::Stored();

    const TFoxMailProxy &Saved = *Reloaded->Module<TFoxMailProxy>();
    QVERIFY(Saved.EnableProxy());
    QCOMPARE(Saved.ProxyType(), 2);
    QCOMPARE(Saved.Server(), QString("172.16.5.4"));
    QCOMPARE(Saved.Port(), 1085);
    QCOMPARE(Saved.User(), QString("mailer"));
    QCOMPARE(Saved.Pwd(), QString("secret"));
}

QTEST_MAIN(TestPageFoxmail)
#include "tst_PageFoxmail.moc"
