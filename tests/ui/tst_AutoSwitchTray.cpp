#include "app/DBManager.h"
#include "app/uConfig.h"
#include "locations/Location.h"
#include "locations/LocationRules.h"
#include "support/DataWorld.h"
#include "support/FakeFingerprintSource.h"
#include "ui/AutoSwitchTray.h"

#include <QApplication>
#include <QInputDialog>
#include <QSystemTrayIcon>
#include <QtTest>

namespace {

constexpr qint64 SettleMs = 50;
const QString MacA = "02-00-00-00-00-0A";
const QString IdA = "AUTOAAAAAAAAAAAAAAAAAAAAAAAAAAA1";
const QString IdB = "AUTOBBBBBBBBBBBBBBBBBBBBBBBBBBB2";
const TModuleTable NoModules;

const TNetworkFingerprint AtA{{{"eth0", true, {}, {}, "10.0.0.1", MacA, {}, {}}}};

// A fake source that counts how many of its kind exist.
class TCountedSource : public TFakeFingerprintSource
{
public:
    explicit TCountedSource(int &Alive) : FAlive(Alive) { ++FAlive; }
    ~TCountedSource() override { --FAlive; }

private:
    int &FAlive;
};

// Hands the fake source's answers still posted to the switcher.
void DeliverAnswers() { QCoreApplication::processEvents(); }

void StoreLocation(const QString &Id, const QString &Name, bool MatchesA)
{
    TLocation Location(Id, NoModules);
    Location.SetLocName(Name);
    Location.Save();
    TLocationRules Rules(Id);
    Rules.SetRules({{TRuleKind::GatewayMac, MatchesA ? MacA : QStringLiteral("02-00-00-00-00-0B"), {}}});
    Rules.SetAutomatic(true);
    QVERIFY(Rules.Save());
}

// Answers the next modal input dialog with Text.
void AnswerChoice(const QString &Text)
{
    QTimer::singleShot(0, [Text] {
        auto *Dialog = qobject_cast<QInputDialog *>(QApplication::activeModalWidget());
        QVERIFY(Dialog);
        Dialog->setTextValue(Text);
        Dialog->accept();
    });
}

} // namespace

class TestAutoSwitchTray : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        FRoot = std::make_unique<TDataWorld>();
        FSwitches.clear();
        FSourcesMade = 0;
        FSourcesAlive = 0;
        FSource = nullptr;
    }
    void cleanup()
    {
        FTray.reset();
        TConfig::GetConfig()->SetAutoSwitch(false);
        FList.reset();
        FRoot.reset();
    }

    void OffByDefaultWatchesNothing()
    {
        Make(false);
        QVERIFY(!FTray->IsOn());
        DeliverAnswers();
        QCOMPARE(FSourcesMade, 0);
        QVERIFY(FSwitches.isEmpty());
    }

    void SwitchesAndAClickOnTheMessageSwitchesBack()
    {
        Make(false);
        FTray->SetOn(true);
        QVERIFY(TConfig::GetConfig()->AutoSwitch());
        QTRY_COMPARE(FSwitches, QStringList{"auto " + IdA});
        emit FIcon.messageClicked();
        QCOMPARE(FSwitches, (QStringList{"auto " + IdA, "hand " + IdB}));
        // The first look, the settled look, the look after the switch and its settled look:
        // once the last is answered the switcher has judged the network the switch left.
        QTRY_COMPARE(FSource->Reads, 4);
        DeliverAnswers();
        QCOMPARE(FSwitches.size(), 2); // the location chosen by hand stays
        QCOMPARE(FList->CurrentLocation()->LocId(), IdB);
    }

    void ATieIsChosenFromTheMessage()
    {
        Make(true);
        FTray->SetOn(true);
        // The first look and the settled look, after which the tie is judged.
        QTRY_COMPARE(FSource->Reads, 2);
        DeliverAnswers();
        QVERIFY(FSwitches.isEmpty());
        AnswerChoice("Office B");
        emit FIcon.messageClicked();
        QCOMPARE(FSwitches, QStringList{"hand " + IdB});
    }

    void SwitchedOffItStopsAndRemembers()
    {
        Make(false);
        FTray->SetOn(true);
        FTray->SetOn(false);
        QVERIFY(!FTray->IsOn());
        QVERIFY(!TConfig::GetConfig()->AutoSwitch());
        QCOMPARE(FSourcesAlive, 0); // its look still pending dies with it
        DeliverAnswers();
        QVERIFY(FSwitches.isEmpty());
    }

private:
    // Locations A (matches the network) and B (matches it too when BothMatch), B current.
    void Make(bool BothMatch)
    {
        StoreLocation(IdA, "Office A", true);
        StoreLocation(IdB, "Office B", BothMatch);
        FList = std::make_unique<TLocationList>(NoModules);
        FList->SetCurrentLocation(BothMatch ? nullptr : FList->GetItemByLocId(IdB));
        TAutoWatchSetup Setup;
        Setup.SettleMs = SettleMs;
        Setup.MakeSource = [this] {
            ++FSourcesMade;
            auto Source = std::make_unique<TCountedSource>(FSourcesAlive);
            Source->Network = AtA;
            FSource = Source.get();
            return Source;
        };
        FTray = std::make_unique<TAutoSwitchTray>(
            *FList, FIcon,
            [this](const QString &LocId, bool Automatic) {
                FSwitches.append((Automatic ? "auto " : "hand ") + LocId);
                FList->SetCurrentLocation(FList->GetItemByLocId(LocId));
                return true;
            },
            nullptr, Setup);
    }

    std::unique_ptr<TDataWorld> FRoot;
    std::unique_ptr<TLocationList> FList;
    QSystemTrayIcon FIcon;
    std::unique_ptr<TAutoSwitchTray> FTray;
    QStringList FSwitches;
    int FSourcesMade = 0;
    int FSourcesAlive = 0;
    TFakeFingerprintSource *FSource = nullptr; // the last one made, while the tray holds it
};

QTEST_MAIN(TestAutoSwitchTray)
#include "tst_AutoSwitchTray.moc"
