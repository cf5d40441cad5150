#include "app/DBManager.h"
#include "locations/LocationRules.h"
#include "support/DataWorld.h"
#include "ui/pages/AutomaticPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

namespace {

const QString LocId = "AUTOPAGE000000000000000000000001";
const QList<TLocationRule> Stored{{TRuleKind::Ssid, "Office", "AA-BB-CC-DD-EE-01"},
                                  {TRuleKind::GatewayMac, "02-00-00-00-00-0A", {}}};

QTableWidget *Table(TAutomaticPage &Page) { return Page.findChild<QTableWidget *>("tblRules"); }

void SetCell(TAutomaticPage &Page, int Row, int Column, const QString &Text)
{
    Table(Page)->item(Row, Column)->setText(Text);
}

} // namespace

class TestAutomaticPage : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        FRoot = std::make_unique<TDataWorld>();
        TLocationRules Rules(LocId);
        Rules.SetRules(Stored);
        Rules.SetAutomatic(true);
        QVERIFY(Rules.Save());
    }
    void cleanup() { FRoot.reset(); }

    void LoadsEditsAndStoresTheRules()
    {
        TAutomaticPage Page;
        QVERIFY(Page.Load(LocId));
        QCOMPARE(Page.Rules(), Stored);
        QVERIFY(Page.findChild<QCheckBox *>("chkAutomatic")->isChecked());

        QTest::mouseClick(Page.findChild<QPushButton *>("btnAddRule"), Qt::LeftButton);
        qobject_cast<QComboBox *>(Table(Page)->cellWidget(2, 0))->setCurrentText("domain");
        SetCell(Page, 2, 1, "corp.example");
        Table(Page)->setCurrentCell(0, 1);
        QTest::mouseClick(Page.findChild<QPushButton *>("btnRemoveRule"), Qt::LeftButton);
        Page.findChild<QCheckBox *>("chkAutomatic")->setChecked(false);
        QVERIFY(Page.Check(nullptr));
        QVERIFY(Page.Store(LocId));

        TLocationRules Saved(LocId);
        QVERIFY(Saved.Load());
        QCOMPARE(Saved.Rules(),
                 (QList<TLocationRule>{Stored.at(1), {TRuleKind::Domain, "corp.example", {}}}));
        QVERIFY(!Saved.Automatic());
    }

    void ACheckNamesTheRowThatIsNoRule()
    {
        TAutomaticPage Page;
        QVERIFY(Page.Load(LocId));
        SetCell(Page, 1, 1, "02-00");
        TPageProblem Problem;
        QVERIFY(!Page.Check(&Problem));
        QVERIFY2(Problem.Message.startsWith("Rule 2: "), qPrintable(Problem.Message));
        QCOMPARE(Problem.Focus, Table(Page));
    }

    void UsesTheCurrentNetwork()
    {
        const TNetworkFingerprint Network{
            {{"wlan0", true, "Cafe", "aa:bb:cc:dd:ee:02", "192.168.1.1", "02:00:00:00:00:0c", {}, {}}}};
        int Reads = 0;
        TAutomaticPage Page(nullptr, [&](IFingerprintSource::TDone Done) {
            ++Reads;
            Done(Network);
        });
        QVERIFY(Page.Load(LocId));
        QTest::mouseClick(Page.findChild<QPushButton *>("btnUseCurrent"), Qt::LeftButton);
        QCOMPARE(Reads, 1);
        QCOMPARE(Page.Rules(), Network.SuggestedRules());
        QCOMPARE(Table(Page)->rowCount(), 2);
        QVERIFY(Page.findChild<QPushButton *>("btnUseCurrent")->isEnabled());
    }

private:
    std::unique_ptr<TDataWorld> FRoot;
};

QTEST_MAIN(TestAutomaticPage)
#include "tst_AutomaticPage.moc"
