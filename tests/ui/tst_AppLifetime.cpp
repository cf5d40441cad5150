#include "lantools/uNetRepaire.h"
#include "ui/AppLifetime.h"

#include <QPointer>
#include <QtTest>

class TestAppLifetime : public QObject
{
    Q_OBJECT

private slots:
    void ReleaseStopsTheRepairThread();
};

// A gateway without a MAC: the passes start no binding, so the host's table stays untouched.
void TestAppLifetime::ReleaseStopsTheRepairThread()
{
    QPointer<TNetRepaire> thread = TNetRepaire::getInstance("192.0.2.1", "", "");
    QVERIFY(thread);
    QVERIFY(thread->isRunning());
    ReleaseProcessObjects();
    QVERIFY(thread.isNull());
}

QTEST_MAIN(TestAppLifetime)
#include "tst_AppLifetime.moc"
