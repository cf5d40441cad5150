#include "ui/FrmSwitchReport.h"

#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

class TestFrmSwitchReport : public QObject
{
    Q_OBJECT

private slots:
    void ListsEveryStepWithOutcomeReasonAndChanges();
};

void TestFrmSwitchReport::ListsEveryStepWithOutcomeReasonAndChanges()
{
    const TSwitchReport Steps{
        {"check", TSwitchStep::Done, {}, {}, {}},
        {"printer", TSwitchStep::Failed, "no print server", {}, {}},
        {"adapter", TSwitchStep::Failed, "no carrier", {"connection \"Home\" enabled"}, {}},
        {"Firefox proxy", TSwitchStep::Skipped, "not installed", {}, {}}};
    TFrmSwitchReport Report("Home", Steps);
    QCOMPARE(Report.windowTitle(), QString("Switch failed"));
    QCOMPARE(Report.findChild<QLabel *>("lblSummary")->text(),
             QString("Switching to [Home] failed. Every step of the switch:"));
    auto *Rows = Report.findChild<QTreeWidget *>("twSteps");
    QCOMPARE(Rows->headerItem()->text(0), QString("Step"));
    QCOMPARE(Rows->headerItem()->text(2), QString("Reason"));
    QCOMPARE(Rows->topLevelItemCount(), 4);
    const QStringList Expected[] = {{"check", "done", ""},
                                    {"printer", "failed", "no print server"},
                                    {"adapter", "failed", "no carrier (connection \"Home\" enabled)"},
                                    {"Firefox proxy", "skipped", "not installed"}};
    for (int Row = 0; Row < 4; ++Row)
        for (int Column = 0; Column < 3; ++Column)
            QCOMPARE(Rows->topLevelItem(Row)->text(Column), Expected[Row].at(Column));
    Report.show();
    Report.findChild<QPushButton *>("btnClose")->click();
    QVERIFY(!Report.isVisible());
}

QTEST_MAIN(TestFrmSwitchReport)
#include "tst_FrmSwitchReport.moc"
