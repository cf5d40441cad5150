#include "adapters/NetMgr.h"
#include "app/DBManager.h"
#include "app/ExtRegistry.h"
#include "app/Startup.h"
#include "locations/Location.h"
#include "modules/ProgramModules.h"
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

// A computer without network connections.
class TNoConnections : public INetConnectionManager
{
public:
    QString Source() const override { return QStringLiteral("kernel"); }
    TNetConnections EnumConnections() override { return {}; }
    QString LastError() const override { return {}; }
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
    void ClosingWritesTheLocationMirror();

private:
    std::unique_ptr<TTestRoot> FRoot;
};

void TestFormMain::init()
{
    FRoot = std::make_unique<TTestRoot>();
    InitConnectionString(FRoot->DataFolder());
    TNetManager::SetBackendFactory([] { return std::make_unique<TNoConnections>(); });
}

void TestFormMain::cleanup()
{
    CloseConnection();
    TNetManager::ReleaseInstance();
    TNetManager::SetBackendFactory({});
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

// The window loads the stored locations and mirrors them when it goes.
void TestFormMain::ClosingWritesTheLocationMirror()
{
    SetLocationConnection(GetConnection());
    TLocation Stored(QStringLiteral("LOCATIONMIRRORED0000000000000001"), ProgramModules());
    Stored.SetLocName(QStringLiteral("Office"));
    Stored.Save();
    {
        TFrmMain form;
    }
    TExtRegistry Registry(HKEY_LOCAL_MACHINE);
    QVERIFY(Registry.OpenKeyReadOnly(QStringLiteral("\\SOFTWARE\\Brackwell\\Portolan")));
    QStringList Ids, Names;
    Registry.ReadStrings(QStringLiteral("LocIds"), Ids);
    Registry.ReadStrings(QStringLiteral("LocNames"), Names);
    QCOMPARE(Ids, QStringList{QStringLiteral("LOCATIONMIRRORED0000000000000001")});
    QCOMPARE(Names, QStringList{QStringLiteral("Office")});
}

QTEST_MAIN(TestFormMain)
#include "tst_FormMain.moc"
