// The running program's side of the session bus: a switch asked for there runs the window's own
// flow (progress window, message 6, status bar, tray) and answers with its outcome; one that
// cannot start is refused with the reason.
#include "adapters/IpAddress.h"
#include "adapters/NetMgr.h"
#include "app/DBManager.h"
#include "app/IdGen.h"
#include "locations/Location.h"
#include "modules/ProgramModules.h"
#include "support/BoxAnswers.h"
#include "support/FakeNetwork.h"
#include "support/TestRoot.h"
#include "support/WindowWorld.h"
#include "ui/FormMain.h"
#include "ui/FrmProgress.h"
#include "ui/InstanceHost.h"

#include <QApplication>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QtTest>
#include <optional>

class TestInstanceHost : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void ASwitchByNameRunsTheWindowsFlowAndAnswersWithItsOutcome();
    void AFailedSwitchAnswersWithTheReasonAndAnnouncesNothing();
    void ALocationThatIsNotThereOrNotUniqueIsRefused_data();
    void ALocationThatIsNotThereOrNotUniqueIsRefused();
    void ASecondSwitchIsRefusedWhileOneRuns();
    void MeanwhileTheProgressWindowShowsAndTheWindowWaits();

private:
    QString Store(const QString &Name, const QString &NetId);
    // Asks the host for a switch and waits for its answer.
    std::optional<TSwitchOutcome> Switch(const QString &Location);

    std::unique_ptr<TWindowWorld> FWorld;
    std::unique_ptr<TFrmMain> FForm;
    std::unique_ptr<TInstanceHost> FHost;
};

void TestInstanceHost::init() { FWorld = std::make_unique<TWindowWorld>(); }

void TestInstanceHost::cleanup()
{
    FHost.reset();
    FForm.reset();
    FWorld.reset();
}

// A stored location taking its address by DHCP on the adapter NetId.
QString TestInstanceHost::Store(const QString &Name, const QString &NetId)
{
    TLocation Location(GenerateId(32), ProgramModules());
    Location.SetLocName(Name);
    Location.SetNetId(NetId);
    Location.Save();
    Location.IpAddress()->SetEnableDHCP(true);
    Location.IpAddress()->SetAutoGetDNS(true);
    Location.IpAddress()->Save();
    return Location.LocId();
}

std::optional<TSwitchOutcome> TestInstanceHost::Switch(const QString &Location)
{
    if (!FForm) {
        FForm = std::make_unique<TFrmMain>();
        FForm->ShowStartInterface({"--tray"}, 1);
        FHost = std::make_unique<TInstanceHost>(*FForm);
    }
    std::optional<TSwitchOutcome> Answer;
    QString Error;
    if (!FHost->StartSwitch(
            Location, [&Answer](const TSwitchOutcome &Outcome) { Answer = Outcome; }, &Error))
        return TSwitchOutcome{-1, {}, {}, {}, {}, Error};
    return QTest::qWaitFor([&Answer] { return Answer.has_value(); }, 20000) ? Answer : std::nullopt;
}

void TestInstanceHost::ASwitchByNameRunsTheWindowsFlowAndAnswersWithItsOutcome()
{
    const QString Office = Store("Office", TFakeNetwork::OfficeId);
    const QString Home = Store("Home", TFakeNetwork::HomeId);
    TLocationList::WriteCurrentLocId(Office);
    std::optional<TSwitchOutcome> Outcome = Switch("Office");
    QSignalSpy Announced(FHost.get(), &TInstanceHost::LocationChanged);

    Outcome = Switch("home");
    QVERIFY(Outcome.has_value());
    QCOMPARE(Outcome->Status, 0);
    QCOMPARE(Outcome->Id, Home);
    QCOMPARE(Outcome->Name, QString("Home"));
    QVERIFY2(Outcome->Steps.value(1).startsWith("adapter: done"), qPrintable(Outcome->Steps.join('|')));
    QVERIFY(Outcome->Error.isEmpty());
    QCOMPARE(FWorld->Boxes().Texts().constLast(), QString("Location switched to [Home]!"));
    QCOMPARE(FForm->StatusText(), QString("Current Location: Home(Home-lo)"));
    QVERIFY(FForm->findChild<QSystemTrayIcon *>()->toolTip().endsWith("\nCurrent Location: Home(Home-lo)"));
    QCOMPARE(TLocationList::ReadCurrentLocId(), Home);
    QCOMPARE(Announced.size(), 1);
    QCOMPARE(Announced.at(0), (QVariantList{Home, "Home"}));
    QCOMPARE(FHost->Locations().value(1).Current, true);
}

void TestInstanceHost::AFailedSwitchAnswersWithTheReasonAndAnnouncesNothing()
{
    const QString Office = Store("Office", TFakeNetwork::OfficeId);
    Store("Lost", TFakeNetwork::MissingId);
    TLocationList::WriteCurrentLocId(Office);
    Switch("Office");
    QSignalSpy Announced(FHost.get(), &TInstanceHost::LocationChanged);

    const std::optional<TSwitchOutcome> Outcome = Switch("Lost");
    QVERIFY(Outcome.has_value());
    QCOMPARE(Outcome->Status, 1);
    QVERIFY2(Outcome->Error.startsWith("switching to \"Lost\" failed: "), qPrintable(Outcome->Error));
    QVERIFY(Announced.isEmpty());
    QCOMPARE(TLocationList::ReadCurrentLocId(), Office);
}

void TestInstanceHost::ALocationThatIsNotThereOrNotUniqueIsRefused_data()
{
    QTest::addColumn<QString>("location");
    QTest::addColumn<QString>("reason");
    QTest::newRow("unknown") << "Nowhere"
                             << "no location \"Nowhere\" (see wayfarelctl list)";
    QTest::newRow("two of the name") << "twin"
                                     << "2 locations are named \"twin\"; give the id instead";
}

void TestInstanceHost::ALocationThatIsNotThereOrNotUniqueIsRefused()
{
    QFETCH(QString, location);
    QFETCH(QString, reason);
    Store("Twin", TFakeNetwork::OfficeId);
    Store("TWIN", TFakeNetwork::HomeId);

    const std::optional<TSwitchOutcome> Outcome = Switch(location);
    QCOMPARE(Outcome->Status, -1);
    QCOMPARE(Outcome->Error, reason);
    QVERIFY(FWorld->Boxes().Seen.isEmpty());
}

// The lease of a switch from the tray is held back; meanwhile the bus asks for another.
void TestInstanceHost::ASecondSwitchIsRefusedWhileOneRuns()
{
    const QString Office = Store("Office", TFakeNetwork::OfficeId);
    const QString Home = Store("Home", TFakeNetwork::HomeId);
    TLocationList::WriteCurrentLocId(Office);
    Switch("Office");
    FWorld->Network().Bus->HoldActivations = true;
    std::optional<TSwitchOutcome> Meanwhile;
    QTimer Probe;
    connect(&Probe, &QTimer::timeout, [&] {
        if (!FWorld->Network().Activating())
            return;
        Probe.stop();
        Meanwhile = Switch("Office");
        FWorld->Network().FinishActivations();
    });
    Probe.start(20);

    QVERIFY(FForm->SwitchTo(Home));
    QVERIFY(Meanwhile.has_value());
    QCOMPARE(Meanwhile->Status, -1);
    QVERIFY2(Meanwhile->Error.startsWith("another switch is running"), qPrintable(Meanwhile->Error));
    QCOMPARE(TLocationList::ReadCurrentLocId(), Home);

    // Two asked for before the first has started: the second is refused.
    FWorld->Network().Bus->HoldActivations = false;
    QString Error;
    QVERIFY(FHost->StartSwitch(
        "Office", [](const TSwitchOutcome &) {}, &Error));
    QVERIFY(!FHost->StartSwitch(
        "Home", [](const TSwitchOutcome &) {}, &Error));
    QVERIFY(Error.startsWith("another switch is running"));
    QTRY_COMPARE_WITH_TIMEOUT(TLocationList::ReadCurrentLocId(), Office, 20000);
}

// The lease is held back: the bus's switch shows the progress window and disables the main window
// as one from the tray does.
void TestInstanceHost::MeanwhileTheProgressWindowShowsAndTheWindowWaits()
{
    const QString Office = Store("Office", TFakeNetwork::OfficeId);
    Store("Home", TFakeNetwork::HomeId);
    TLocationList::WriteCurrentLocId(Office);
    Switch("Office");
    FWorld->Network().Bus->HoldActivations = true;
    bool ProgressShown = false;
    bool MainEnabled = true;
    QTimer Probe;
    connect(&Probe, &QTimer::timeout, [&] {
        if (!FWorld->Network().Activating())
            return;
        Probe.stop();
        for (QWidget *Window : QApplication::topLevelWidgets())
            ProgressShown = ProgressShown || (qobject_cast<TFrmProgress *>(Window) && Window->isVisible());
        MainEnabled = FForm->isEnabled();
        FWorld->Network().FinishActivations();
    });
    Probe.start(20);

    const std::optional<TSwitchOutcome> Outcome = Switch("Home");
    QVERIFY(Outcome.has_value());
    QCOMPARE(Outcome->Status, 0);
    QVERIFY(ProgressShown);
    QVERIFY(!MainEnabled);
    QVERIFY(FForm->isEnabled());
}

QTEST_MAIN(TestInstanceHost)
#include "tst_InstanceHost.moc"
