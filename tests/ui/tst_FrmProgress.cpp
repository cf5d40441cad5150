#include "ui/FrmProgress.h"

#include <QLabel>
#include <QListWidget>
#include <QtTest>

class TestFrmProgress : public QObject
{
    Q_OBJECT

private slots:
    void ShowsTheCaptionCentredOnItsOwner();
    void ShowsEveryStepAsItStartsAndEnds();
    void ThePictureMovesWhileTheEventLoopRuns();
};

void TestFrmProgress::ShowsTheCaptionCentredOnItsOwner()
{
    QWidget Owner;
    Owner.setGeometry(100, 100, 709, 452);
    Owner.show();
    TFrmProgress Progress(&Owner, "Importing location, please wait a moment...");
    Progress.ShowNow();
    QCOMPARE(Progress.Caption(), QString("Importing location, please wait a moment..."));
    QCOMPARE(Progress.findChild<QLabel *>("lblCaption")->text(), Progress.Caption());
    QVERIFY(Progress.isVisible());
    QVERIFY(Progress.findChild<QListWidget *>("lstSteps")->isHidden());
    QCOMPARE(Progress.width(), 374);
    QVERIFY((Progress.geometry().center() - Owner.frameGeometry().center()).manhattanLength() <= 2);
}

void TestFrmProgress::ShowsEveryStepAsItStartsAndEnds()
{
    TFrmProgress Progress(nullptr, "Switching location, please wait a moment...");
    Progress.ShowNow();
    const int Height = Progress.height();
    auto *Steps = Progress.findChild<QListWidget *>("lstSteps");

    Progress.StepStarted("check");
    QVERIFY(Steps->isVisible());
    QVERIFY(Progress.height() > Height);
    QVERIFY(Steps->geometry().bottom() < Steps->parentWidget()->height());
    QCOMPARE(Steps->item(0)->text(), QString("check"));
    Progress.StepFinished({"check", TSwitchStep::Done, {}, {}, {}});
    Progress.StepStarted("adapter");
    QCOMPARE(Steps->count(), 2);
    QCOMPARE(Steps->item(1)->text(), QString("adapter"));
    Progress.StepFinished({"adapter", TSwitchStep::Failed, "no carrier", {"connection enabled"}, {}});
    Progress.StepStarted("IE proxy");
    Progress.StepFinished({"IE proxy", TSwitchStep::Skipped, "switched off", {}, {}});

    QCOMPARE(Steps->count(), 3);
    QCOMPARE(Steps->item(1)->text(), QString("adapter: no carrier"));
    QCOMPARE(Steps->item(1)->toolTip(), QString("adapter: failed: no carrier (connection enabled)"));
    QCOMPARE(Steps->item(2)->text(), QString("IE proxy: switched off"));
    QCOMPARE(Progress.Steps().size(), 3);
    QCOMPARE(Progress.Steps().at(1).Outcome, TSwitchStep::Failed);
}

void TestFrmProgress::ThePictureMovesWhileTheEventLoopRuns()
{
    TFrmProgress Progress(nullptr, "Switching location, please wait a moment...");
    Progress.ShowNow();
    auto *Picture = Progress.findChild<QLabel *>("imgAnimate");
    const QImage First = Picture->pixmap().toImage();
    QTRY_VERIFY_WITH_TIMEOUT(Picture->pixmap().toImage() != First, 2000);
}

QTEST_MAIN(TestFrmProgress)
#include "tst_FrmProgress.moc"
