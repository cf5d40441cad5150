#include "app/AppVersion.h"
#include "ui/FrmAbout.h"

#include <QLabel>
#include <QTimer>
#include <QtTest>

class TestFrmAbout : public QObject
{
    Q_OBJECT

private slots:
    void ShowsVersionAndCaptionsFromTheTable();
    void AnyMouseButtonClosesIt_data();
    void AnyMouseButtonClosesIt();
};

void TestFrmAbout::ShowsVersionAndCaptionsFromTheTable()
{
    TfrmAbout About;
    QCOMPARE(About.windowTitle(), QString("About"));
    QCOMPARE(About.size(), QSize(424, 255));
    QVERIFY(About.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(About.findChild<QLabel *>("lblVersion")->text(), GetAppVersion());
    QCOMPARE(About.findChild<QLabel *>("lblVersionCaption")->text(), QString("Version:"));
    QCOMPARE(About.findChild<QLabel *>("lblSupportCaption")->text(), QString("Tech.Support:"));
    QCOMPARE(About.findChild<QLabel *>("lblHomeCaption")->text(), QString("Home page:"));
    QVERIFY(About.findChild<QLabel *>("lblNotice")->text().startsWith("Wayfarel changes"));
    QVERIFY(About.findChild<QLabel *>("lblHome")->text().contains("home.html"));
    QVERIFY(!About.findChild<QLabel *>("imgLogo")->pixmap().isNull());
}

void TestFrmAbout::AnyMouseButtonClosesIt_data()
{
    QTest::addColumn<int>("button");
    QTest::newRow("left") << int(Qt::LeftButton);
    QTest::newRow("right") << int(Qt::RightButton);
    QTest::newRow("middle") << int(Qt::MiddleButton);
}

void TestFrmAbout::AnyMouseButtonClosesIt()
{
    QFETCH(int, button);
    TfrmAbout About;
    QTimer::singleShot(0, &About, [&About, button] {
        QTest::mousePress(&About, Qt::MouseButton(button), {}, QPoint(20, About.height() - 20));
    });
    QCOMPARE(About.exec(), int(QDialog::Accepted));
}

QTEST_MAIN(TestFrmAbout)
#include "tst_FrmAbout.moc"
