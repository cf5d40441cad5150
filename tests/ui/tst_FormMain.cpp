#include "app/DBManager.h"
#include "app/Startup.h"
#include "support/TestRoot.h"
#include "ui/FormMain.h"

#include <QAction>
#include <QSignalSpy>
#include <QtTest>

namespace {

const int NothingStored = -1;

// Counts the show events a widget gets, so a window shown only for a moment is caught.
class TShowCounter : public QObject
{
public:
    int Shows = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        Shows += event->type() == QEvent::Show;
        return false;
    }
};

} // namespace

class TestFormMain : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void StartInterfaceFollowsTheStoredChoice_data();
    void StartInterfaceFollowsTheStoredChoice();
    void ActCompactHidesTheShownWindow();

private:
    std::unique_ptr<TTestRoot> FRoot;
};

void TestFormMain::init()
{
    FRoot = std::make_unique<TTestRoot>();
    InitConnectionString(FRoot->DataFolder());
}

void TestFormMain::cleanup()
{
    CloseConnection();
    FRoot.reset();
}

void TestFormMain::StartInterfaceFollowsTheStoredChoice_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<bool>("mainWindow");
    QTest::newRow("main window") << int(duMainUI) << true;
    QTest::newRow("compact panel") << int(duPanelUI) << false;
    QTest::newRow("unknown number") << 3 << true;
    QTest::newRow("zero") << 0 << true;
    QTest::newRow("nothing stored") << NothingStored << true;
}

void TestFormMain::StartInterfaceFollowsTheStoredChoice()
{
    QFETCH(int, stored);
    QFETCH(bool, mainWindow);
    if (stored != NothingStored)
        QVERIFY(WriteDefaultUI(stored));
    TFrmMain form;
    TShowCounter counter;
    form.installEventFilter(&counter);
    QSignalSpy panel(&form, &TFrmMain::CompactPanelRequested);

    form.ShowStartInterface(ReadDefaultUI());
    // The event loop itself shows nothing.
    QTest::qWait(50);
    QCOMPARE(form.isVisible(), mainWindow);
    QCOMPARE(counter.Shows, mainWindow ? 1 : 0);
    QCOMPARE(panel.count(), mainWindow ? 0 : 1);
}

void TestFormMain::ActCompactHidesTheShownWindow()
{
    TFrmMain form;
    form.ShowStartInterface(duMainUI);
    QVERIFY(form.isVisible());
    QSignalSpy panel(&form, &TFrmMain::CompactPanelRequested);
    auto *actCompact = form.findChild<QAction *>("ActCompact");
    QVERIFY(actCompact);
    actCompact->trigger();
    QVERIFY(!form.isVisible());
    QCOMPARE(panel.count(), 1);
}

QTEST_MAIN(TestFormMain)
#include "tst_FormMain.moc"
