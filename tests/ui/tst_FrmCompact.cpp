#include "locations/Location.h"
#include "modules/ProgramModules.h"
#include "support/TestRoot.h"
#include "ui/CompactHost.h"
#include "ui/dialogs/FrmCompact.h"
#include "ui/widgets/HvImage.h"
#include "ui/widgets/ProgramPictures.h"

#include <QLabel>
#include <QtTest>

namespace {

const int NoCurrent = -1;

// The main window as the panel sees it: a list of locations and a switch that does what the
// test says, recording every call.
class TFakeHost : public ICompactHost
{
public:
    TFakeHost(int Count, int Current) : FList(ProgramModules())
    {
        for (int i = 0; i < Count; ++i) {
            TLocation *location = FList.Add(FList.NewLocation(Id(i)));
            location->SetLocName(QStringLiteral("Place %1").arg(i + 1));
        }
        if (Current != NoCurrent)
            FList.SetCurrentLocation(FList.Items(Current));
    }

    static QString Id(int Index) { return QStringLiteral("LAMPLOCATION%1").arg(Index, 20, 10, QChar('0')); }

    const TLocationList *Locations() const override { return &FList; }
    bool SwitchTo(const QString &LocId) override
    {
        Switches << LocId;
        return SwitchSucceeds;
    }
    void HideMainWindow() override { ++Hides; }
    void ShowMainWindow() override { ++Shows; }
    void CloseMainWindow() override { ++Closes; }

    bool SwitchSucceeds = true;
    QStringList Switches;
    int Hides = 0, Shows = 0, Closes = 0;

private:
    TLocationList FList;
};

THvImage *Lamp(const TfrmCompact &Panel, int Index)
{
    return Panel.findChild<THvImage *>(QStringLiteral("ImgLight%1").arg(Index + 1));
}

QLabel *LampLabel(const TfrmCompact &Panel, int Index)
{
    return Panel.findChild<QLabel *>(QStringLiteral("lblLight%1").arg(Index + 1));
}

bool IsLit(const THvImage *Lamp)
{
    const QImage shown = Lamp->pixmap().toImage();
    if (shown == ProgramPicture("LightOn.png").toImage())
        return true;
    if (shown != ProgramPicture("LightOff.png").toImage())
        qWarning() << Lamp->objectName() << "shows neither lamp picture";
    return false;
}

// "1" for a lit lamp, "0" for an unlit one, lamp 1 first.
QString Lamps(const TfrmCompact &Panel)
{
    QString lamps;
    for (int i = 0; i < TfrmCompact::LampCount; ++i)
        lamps += IsLit(Lamp(Panel, i)) ? '1' : '0';
    return lamps;
}

QColor TextColour(QLabel *Label)
{
    Label->ensurePolished();
    return Label->palette().color(QPalette::WindowText);
}

void Enter(QWidget *Widget)
{
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), Widget->mapToGlobal(QPointF(2, 2)));
    QCoreApplication::sendEvent(Widget, &enter);
}

void Leave(QWidget *Widget)
{
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(Widget, &leave);
}

} // namespace

class TestFrmCompact : public QObject
{
    Q_OBJECT

private slots:
    void init() { FRoot = std::make_unique<TTestRoot>(); }
    void cleanup() { FRoot.reset(); }
    void LampsShowTheFirstFiveLocations_data();
    void LampsShowTheFirstFiveLocations();
    void HoverLightsOnlyEnabledLamps();
    void ClickSwitchesThroughTheHost();
    void FailedSwitchLeavesTheLampsAsTheyWere();
    void DisabledLampDoesNotSwitch();
    void WindowTakesTheShapeOfItsPicture();
    void SmallButtonsHideRestoreAndExit();
    void SmallButtonsShowHoverPictures();
    void ActivationHidesTheMainWindow();
    void DraggingTheBackgroundMovesTheWindow();

private:
    std::unique_ptr<TTestRoot> FRoot;
};

void TestFrmCompact::LampsShowTheFirstFiveLocations_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("current");
    QTest::addColumn<QString>("lit");
    QTest::newRow("no locations") << 0 << NoCurrent << "00000";
    QTest::newRow("three, none current") << 3 << NoCurrent << "00000";
    QTest::newRow("three, the second current") << 3 << 1 << "01000";
    QTest::newRow("seven, the fifth current") << 7 << 4 << "00001";
    QTest::newRow("seven, the sixth current") << 7 << 5 << "00000";
}

void TestFrmCompact::LampsShowTheFirstFiveLocations()
{
    QFETCH(int, count);
    QFETCH(int, current);
    TFakeHost host(count, current);
    TfrmCompact panel(host);
    QTEST(Lamps(panel), "lit");
    QCOMPARE(panel.CurrentKey(), current != NoCurrent && current < 5 ? TFakeHost::Id(current) : QString());
    for (int i = 0; i < TfrmCompact::LampCount; ++i) {
        const bool assigned = i < count;
        THvImage *lamp = Lamp(panel, i);
        QCOMPARE(lamp->isEnabled(), assigned);
        QCOMPARE(lamp->Key(), assigned ? TFakeHost::Id(i) : QString());
        QCOMPARE(lamp->toolTip(), assigned ? QStringLiteral("Place %1").arg(i + 1) : QString());
        QCOMPARE(lamp->cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(LampLabel(panel, i)->text(),
                 assigned ? QStringLiteral("Place %1").arg(i + 1) : QStringLiteral("LOC%1").arg(i + 1));
        QCOMPARE(TextColour(LampLabel(panel, i)),
                 assigned ? QColor(0xFF, 0xFB, 0xF0) : QColor(0xC0, 0xC0, 0xC0));
    }
}

void TestFrmCompact::HoverLightsOnlyEnabledLamps()
{
    TFakeHost host(3, 0);
    TfrmCompact panel(host);
    // The current lamp, another location's and an empty one.
    Enter(Lamp(panel, 0));
    Enter(Lamp(panel, 1));
    Enter(Lamp(panel, 3));
    QCOMPARE(Lamps(panel), QString("11000"));
    Leave(Lamp(panel, 0));
    Leave(Lamp(panel, 1));
    Leave(Lamp(panel, 3));
    QCOMPARE(Lamps(panel), QString("10000"));
}

void TestFrmCompact::ClickSwitchesThroughTheHost()
{
    TFakeHost host(3, NoCurrent);
    TfrmCompact panel(host);
    QTest::mouseClick(Lamp(panel, 1), Qt::LeftButton);
    QCOMPARE(host.Switches, QStringList{TFakeHost::Id(1)});
    QCOMPARE(Lamps(panel), QString("01000"));
    QCOMPARE(panel.CurrentKey(), TFakeHost::Id(1));

    QTest::mouseClick(Lamp(panel, 2), Qt::LeftButton);
    QCOMPARE(Lamps(panel), QString("00100"));
    QCOMPARE(panel.CurrentKey(), TFakeHost::Id(2));
}

void TestFrmCompact::FailedSwitchLeavesTheLampsAsTheyWere()
{
    TFakeHost host(3, 0);
    TfrmCompact panel(host);
    host.SwitchSucceeds = false;
    QTest::mouseClick(Lamp(panel, 2), Qt::LeftButton);
    QCOMPARE(host.Switches, QStringList{TFakeHost::Id(2)});
    QCOMPARE(Lamps(panel), QString("10000"));
    QCOMPARE(panel.CurrentKey(), TFakeHost::Id(0));
}

void TestFrmCompact::DisabledLampDoesNotSwitch()
{
    TFakeHost host(2, NoCurrent);
    TfrmCompact panel(host);
    QTest::mouseClick(Lamp(panel, 3), Qt::LeftButton);
    QVERIFY(host.Switches.isEmpty());
    QCOMPARE(Lamps(panel), QString("00000"));
}

void TestFrmCompact::WindowTakesTheShapeOfItsPicture()
{
    TFakeHost host(0, NoCurrent);
    TfrmCompact panel(host);
    const QImage background = ProgramPicture("CompactBg.png").toImage();
    QCOMPARE(panel.size(), QSize(524, 140));
    QCOMPARE(panel.size(), background.size());
    QVERIFY(panel.windowFlags().testFlag(Qt::FramelessWindowHint));
    const QRegion shape = panel.mask();
    int red = 0;
    for (int y = 0; y < background.height(); ++y)
        for (int x = 0; x < background.width(); ++x) {
            const bool transparent = background.pixel(x, y) == qRgb(255, 0, 0);
            red += transparent;
            if (shape.contains(QPoint(x, y)) == transparent)
                QFAIL(qPrintable(
                    QString("pixel %1,%2 is %3 the shape").arg(x).arg(y).arg(transparent ? "in" : "not in")));
        }
    QVERIFY2(red > 1000, "the picture has its see-through parts");
    QVERIFY(!shape.contains(QPoint(0, 0)));
    QVERIFY(shape.contains(QPoint(262, 70)));
}

void TestFrmCompact::SmallButtonsHideRestoreAndExit()
{
    TFakeHost host(1, NoCurrent);
    TfrmCompact panel(host);
    panel.show();
    QTest::mouseClick(panel.findChild<THvImage *>("imgMin"), Qt::LeftButton);
    QVERIFY(!panel.isVisible());
    QCOMPARE(host.Shows + host.Closes, 0);

    panel.show();
    QTest::mouseClick(panel.findChild<THvImage *>("imgRestore"), Qt::LeftButton);
    QVERIFY(!panel.isVisible());
    QCOMPARE(host.Shows, 1);
    QCOMPARE(host.Closes, 0);

    panel.show();
    QTest::mouseClick(panel.findChild<THvImage *>("imgClose"), Qt::LeftButton);
    QVERIFY(!panel.isVisible());
    QCOMPARE(host.Shows, 1);
    QCOMPARE(host.Closes, 1);
}

void TestFrmCompact::SmallButtonsShowHoverPictures()
{
    TFakeHost host(0, NoCurrent);
    TfrmCompact panel(host);
    for (const char *name : {"Min", "Restore", "Close"}) {
        auto *button = panel.findChild<THvImage *>(QString("img") + name);
        QCOMPARE(button->size(), QSize(13, 13));
        QCOMPARE(button->pixmap().toImage(), ProgramPicture(QString("Btn%1.png").arg(name)).toImage());
        Enter(button);
        QCOMPARE(button->pixmap().toImage(), ProgramPicture(QString("Btn%1Hover.png").arg(name)).toImage());
        Leave(button);
        QCOMPARE(button->pixmap().toImage(), ProgramPicture(QString("Btn%1.png").arg(name)).toImage());
    }
    QCOMPARE(panel.findChild<THvImage *>("imgMin")->toolTip(), QString("Hide"));
    QCOMPARE(panel.findChild<THvImage *>("imgRestore")->toolTip(), QString("Restore to MainUI"));
    QCOMPARE(panel.findChild<THvImage *>("imgClose")->toolTip(), QString("Exit"));
}

void TestFrmCompact::ActivationHidesTheMainWindow()
{
    TFakeHost host(1, NoCurrent);
    TfrmCompact panel(host);
    QCOMPARE(host.Hides, 0);
    panel.show();
    panel.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&panel));
    QCOMPARE(host.Hides, 1);
}

void TestFrmCompact::DraggingTheBackgroundMovesTheWindow()
{
    TFakeHost host(5, NoCurrent);
    TfrmCompact panel(host);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    auto *background = panel.findChild<QLabel *>("imgBg");
    const QPoint start = panel.pos();
    // Between the first two lamps, where only the background is.
    const QPoint grip(120, 60);
    QCOMPARE(panel.childAt(grip), background);
    QTest::mousePress(background, Qt::LeftButton, {}, grip);
    QTest::mouseMove(background, grip + QPoint(50, 30));
    QTest::mouseRelease(background, Qt::LeftButton, {}, grip + QPoint(50, 30));
    QTRY_COMPARE(panel.pos(), start + QPoint(50, 30));
    QVERIFY(host.Switches.isEmpty());
}

QTEST_MAIN(TestFrmCompact)
#include "tst_FrmCompact.moc"
