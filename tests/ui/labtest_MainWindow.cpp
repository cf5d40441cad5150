// The program as a person uses it, on a real X display with a tray: Xvfb with trayer, the lab's
// NetworkManager, a session bus of the test's own. The tray menu switches to the other location,
// the close button hides the window, a second start brings it back, and Quit ends the program with
// the registry mirror written. xdotool plays the person; the test reads what the program says on
// standard error, its status bar over the session bus and the link from the kernel.
#include "adapters/IpAddress.h"
#include "app/DBManager.h"
#include "app/ExtRegistry.h"
#include "locations/Location.h"
#include "modules/ProgramModules.h"
#include "support/CtlRun.h"
#include "support/Lab.h"
#include "support/NMLab.h"

#include <QDir>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>
#include <csignal>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <xcb/xcb.h>

namespace {

const QString OfficeId = QStringLiteral("0FF1CE00000000000000000000DE5C01");
const QString HomeId = QStringLiteral("H0ME0000000000000000000000DE5C02");
const int SwitchTimeoutMs = 90000;
const int WindowTimeoutMs = 20000;

// A program the test started and stops again, by its own process object.
class TChild
{
public:
    TChild(const QString &Program, const QStringList &Args, const QProcessEnvironment &Env)
    {
        FProcess.setProcessEnvironment(Env);
        FProcess.setProcessChannelMode(QProcess::MergedChannels);
        FProcess.start(Program, Args);
        FProcess.waitForStarted(10000);
    }
    ~TChild()
    {
        if (FProcess.state() == QProcess::NotRunning)
            return;
        FProcess.kill();
        FProcess.waitForFinished(10000);
    }
    TChild(const TChild &) = delete;
    TChild &operator=(const TChild &) = delete;

    bool Running() const { return FProcess.state() == QProcess::Running; }
    qint64 Pid() const { return FProcess.processId(); }
    // Everything it printed so far.
    QString Output()
    {
        // Without an event loop the output arrives only while waiting for it.
        FProcess.waitForReadyRead(20);
        FOutput += QString::fromLocal8Bit(FProcess.readAll());
        return FOutput;
    }
    // The first line it prints, within TimeoutMs.
    QString FirstLine(int TimeoutMs)
    {
        TLab::WaitFor([this] { return Output().contains('\n'); }, TimeoutMs);
        return Output().section('\n', 0, 0).trimmed();
    }
    // The exit code once it ended within TimeoutMs; -1 otherwise.
    int Wait(int TimeoutMs)
    {
        if (!FProcess.waitForFinished(TimeoutMs) || FProcess.exitStatus() != QProcess::NormalExit)
            return -1;
        Output();
        return FProcess.exitCode();
    }

private:
    QProcess FProcess;
    QString FOutput;
};

QStringList Xdo(const QStringList &Args)
{
    return TLab::Run(QStringList{"xdotool"} + Args).Output.split('\n', Qt::SkipEmptyParts);
}

// The ids of the visible windows that match Criteria. A window that goes away during the search
// makes xdotool print an X error among them.
QStringList SearchWindows(const QStringList &Criteria)
{
    static const QRegularExpression Id("^\\d+$");
    return Xdo(QStringList{"search", "--onlyvisible"} + Criteria).filter(Id);
}

// Visible windows whose name matches Pattern.
QStringList VisibleWindows(const QString &Pattern) { return SearchWindows({"--name", Pattern}); }

// What the screen shows, for a failure message: the visible windows' names, and where the pointer is.
std::string ScreenState()
{
    QStringList Names;
    for (const QString &Id : VisibleWindows("."))
        Names.append('"' + Xdo({"getwindowname", Id}).value(0) + '"');
    return ("\nvisible windows: " + Names.join(", ") + "\npointer: " + Xdo({"getmouselocation"}).value(0))
        .toStdString();
}

// The icon in the tray: the window named after the program inside the tray's panel (xdotool's
// search does not reach embedded windows, xwininfo's tree does), by its place on the screen.
std::optional<QRect> TrayIcon()
{
    static const QRegularExpression IconLine(
        R"("Brackwell Wayfarel": \("wayfarel" "wayfarel"\)\s+(\d+)x(\d+)\S*\s+\+(-?\d+)\+(-?\d+))");
    QRegularExpressionMatchIterator Lines =
        IconLine.globalMatch(TLab::Run({"xwininfo", "-root", "-tree"}).Output);
    while (Lines.hasNext()) {
        const QRegularExpressionMatch Line = Lines.next();
        const QRect Icon(Line.captured(3).toInt(), Line.captured(4).toInt(), Line.captured(1).toInt(),
                         Line.captured(2).toInt());
        if (Icon.width() > 1 && Icon.height() > 1)
            return Icon;
    }
    return std::nullopt;
}

// The program's visible windows, its open menus among them.
int ProgramWindowCount() { return SearchWindows({"--class", "^wayfarel$"}).size(); }

// Does Action and waits until it has opened a menu, so no key reaches a menu not shown yet.
bool OpensMenu(const std::function<void()> &Action)
{
    const int Before = ProgramWindowCount();
    Action();
    return TLab::WaitFor([Before] { return ProgramWindowCount() > Before; }, WindowTimeoutMs);
}

std::string RectText(const std::optional<QRect> &Rect)
{
    return Rect ? QString("%1x%2+%3+%4")
                      .arg(Rect->width())
                      .arg(Rect->height())
                      .arg(Rect->x())
                      .arg(Rect->y())
                      .toStdString()
                : std::string("none");
}

// The tray icon once the tray has stopped placing it.
std::optional<QRect> SettledTrayIcon()
{
    std::optional<QRect> Icon;
    const bool Settled = TLab::WaitFor(
        [&Icon] {
            const std::optional<QRect> Before = TrayIcon();
            QThread::msleep(200);
            Icon = TrayIcon();
            return Icon.has_value() && Icon == Before;
        },
        WindowTimeoutMs);
    return Settled ? Icon : std::nullopt;
}

// A right click on the tray icon, then keys in its menu, "Right" opening a submenu (plain key
// events: keys sent to a window with --window can stay pressed in the server).
::testing::AssertionResult TrayMenuKeys(const QStringList &Keys)
{
    const std::optional<QRect> Icon = SettledTrayIcon();
    if (!Icon)
        return ::testing::AssertionFailure() << "the icon did not settle in the tray";
    Xdo({"mousemove", "--sync", QString::number(Icon->center().x()), QString::number(Icon->center().y())});
    if (!OpensMenu([] { Xdo({"click", "3"}); }))
        return ::testing::AssertionFailure()
               << "the tray menu did not open; clicked the icon at " << RectText(Icon) << ", now at "
               << RectText(TrayIcon()) << ScreenState();
    for (const QString &Key : Keys) {
        if (Key != "Right") {
            Xdo({"key", Key});
            QThread::msleep(100);
        } else if (!OpensMenu([&Key] { Xdo({"key", Key}); })) {
            return ::testing::AssertionFailure() << "the submenu did not open" << ScreenState();
        }
    }
    return ::testing::AssertionSuccess();
}

xcb_atom_t InternAtom(xcb_connection_t *Connection, const char *Name)
{
    xcb_intern_atom_reply_t *Reply = xcb_intern_atom_reply(
        Connection, xcb_intern_atom(Connection, 0, static_cast<uint16_t>(std::strlen(Name)), Name), nullptr);
    const xcb_atom_t Value = Reply ? Reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(Reply);
    return Value;
}

bool DisplayAnswers(const QString &Display)
{
    xcb_connection_t *Connection = xcb_connect(Display.toLocal8Bit().constData(), nullptr);
    const bool Connected = !xcb_connection_has_error(Connection);
    xcb_disconnect(Connection);
    return Connected;
}

// The tray is up once its manager owns the tray selection of the first screen.
bool TrayIsUp(const QString &Display)
{
    xcb_connection_t *Connection = xcb_connect(Display.toLocal8Bit().constData(), nullptr);
    bool Owned = false;
    if (!xcb_connection_has_error(Connection)) {
        xcb_get_selection_owner_reply_t *Reply = xcb_get_selection_owner_reply(
            Connection, xcb_get_selection_owner(Connection, InternAtom(Connection, "_NET_SYSTEM_TRAY_S0")),
            nullptr);
        Owned = Reply && Reply->owner != XCB_NONE;
        std::free(Reply);
    }
    xcb_disconnect(Connection);
    return Owned;
}

// What a window manager sends for the close button: WM_PROTOCOLS with WM_DELETE_WINDOW.
bool PressCloseButton(const QString &Display, quint32 Window)
{
    xcb_connection_t *Connection = xcb_connect(Display.toLocal8Bit().constData(), nullptr);
    if (xcb_connection_has_error(Connection)) {
        xcb_disconnect(Connection);
        return false;
    }
    const auto Atom = [Connection](const char *Name) { return InternAtom(Connection, Name); };
    xcb_client_message_event_t Event = {};
    Event.response_type = XCB_CLIENT_MESSAGE;
    Event.format = 32;
    Event.window = Window;
    Event.type = Atom("WM_PROTOCOLS");
    Event.data.data32[0] = Atom("WM_DELETE_WINDOW");
    Event.data.data32[1] = XCB_CURRENT_TIME;
    xcb_generic_error_t *Error =
        xcb_request_check(Connection, xcb_send_event_checked(Connection, 0, Window, XCB_EVENT_MASK_NO_EVENT,
                                                             reinterpret_cast<const char *>(&Event)));
    const bool Sent = Error == nullptr;
    std::free(Error);
    xcb_disconnect(Connection);
    return Sent;
}

// A window of the test's own on the display, standing for a program that launches Wayfarel, and
// the host messages it receives.
class THostWindow
{
public:
    explicit THostWindow(const QString &Display)
        : FConnection(xcb_connect(Display.toLocal8Bit().constData(), nullptr))
    {
        if (xcb_connection_has_error(FConnection))
            return;
        const xcb_screen_t *Screen = xcb_setup_roots_iterator(xcb_get_setup(FConnection)).data;
        FWindow = xcb_generate_id(FConnection);
        xcb_create_window(FConnection, XCB_COPY_FROM_PARENT, FWindow, Screen->root, 0, 0, 10, 10, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, Screen->root_visual, 0, nullptr);
        xcb_flush(FConnection);
    }
    ~THostWindow() { xcb_disconnect(FConnection); }
    THostWindow(const THostWindow &) = delete;
    THostWindow &operator=(const THostWindow &) = delete;

    quint32 Id() const { return FWindow; }

    struct TMessage
    {
        QString Type;
        quint32 Number;
        quint32 Sender;
        quint32 Rest;
    };

    // The next client message within TimeoutMs.
    std::optional<TMessage> Next(int TimeoutMs)
    {
        std::optional<TMessage> Received;
        TLab::WaitFor(
            [&] {
                while (xcb_generic_event_t *Event = xcb_poll_for_event(FConnection)) {
                    if ((Event->response_type & 0x7f) == XCB_CLIENT_MESSAGE && !Received) {
                        const auto *Message = reinterpret_cast<xcb_client_message_event_t *>(Event);
                        Received = TMessage{AtomName(Message->type), Message->data.data32[0],
                                            Message->data.data32[1], Message->data.data32[2]};
                    }
                    std::free(Event);
                }
                return Received.has_value();
            },
            TimeoutMs);
        return Received;
    }

private:
    QString AtomName(xcb_atom_t Atom)
    {
        xcb_get_atom_name_reply_t *Reply =
            xcb_get_atom_name_reply(FConnection, xcb_get_atom_name(FConnection, Atom), nullptr);
        const QString Name =
            Reply ? QString::fromLatin1(xcb_get_atom_name_name(Reply), xcb_get_atom_name_name_length(Reply))
                  : QString();
        std::free(Reply);
        return Name;
    }

    xcb_connection_t *FConnection;
    xcb_window_t FWindow = 0;
};

// The desktop of one test: the lab's Office (static) and Home (DHCP) as two stored locations,
// Office current and on the link; a session bus, a display with a tray.
class DesktopLab : public ::testing::Test
{
protected:
    void SetUp() override
    {
        WAYFAREL_REQUIRE_LAB_UP();
        for (const char *Tool :
             {"Xvfb", "trayer", "xdotool", "xwininfo", "dbus-daemon", "dbus-send", "dbus-monitor"})
            WAYFAREL_REQUIRE_LAB(!QStandardPaths::findExecutable(Tool).isEmpty(),
                                 std::string(Tool) + " is not installed (scripts/install-deps)");
        StoreLocations();
        ASSERT_EQ(NMLab::Nmcli({"connection", "up", TLab::Value("STATIC_PROFILE")}).ExitCode, 0);
        StartSessionBus();
        StartDisplay();
        ASSERT_FALSE(FDisplay.isEmpty()) << "Xvfb did not start";
        ASSERT_TRUE(TLab::WaitFor([this] { return DisplayAnswers(FDisplay); }, WindowTimeoutMs))
            << "Xvfb on " << FDisplay.toStdString()
            << " does not answer: " << FDisplayServer->Output().toStdString();
        qputenv("DISPLAY", FDisplay.toLocal8Bit());
        qputenv("DBUS_SESSION_BUS_ADDRESS", FSessionBus.toLocal8Bit());
        FTrayer =
            std::make_unique<TChild>("trayer",
                                     QStringList{"--edge", "top", "--align", "right", "--widthtype", "pixel",
                                                 "--width", "80", "--heighttype", "pixel", "--height", "24"},
                                     ProgramEnvironment());
        // The tray is up before the program starts, as on a desktop after login.
        ASSERT_TRUE(TLab::WaitFor([this] { return TrayIsUp(FDisplay); }, WindowTimeoutMs))
            << "trayer did not take the tray: " << FTrayer->Output().toStdString();
    }

    void TearDown() override
    {
        FProgram.reset();
        FTrayer.reset();
        FDisplayServer.reset();
        FBusDaemon.reset();
        qunsetenv("DISPLAY");
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        if (!TLab::IsUp())
            return;
        for (const char *Profile : {"STATIC_PROFILE", "DHCP_PROFILE"})
            NMLab::Nmcli({"connection", "down", TLab::Value(Profile)});
        NMLab::RestoreLink();
    }

    void StoreLocations()
    {
        InitConnectionString(FRoot.DataFolder());
        SetLocationConnection(GetConnection());
        ASSERT_TRUE(StoreLabOffice(OfficeId, ProgramModules(), QString(),
                                   [](TIPAddress &Static) { Static.SetMainDNS(TLab::Value("PEER_IP")); }));
        ASSERT_TRUE(StoreLabHome(HomeId, ProgramModules()));
        CloseConnection();
        TLocationList::WriteCurrentLocId(OfficeId);
    }

    void StartSessionBus()
    {
        FBusDaemon =
            std::make_unique<TChild>("dbus-daemon", QStringList{"--session", "--nofork", "--print-address=1"},
                                     QProcessEnvironment::systemEnvironment());
        FSessionBus = FBusDaemon->FirstLine(5000);
    }

    // Xvfb picks a free display itself and says which. It must not reset when its last client
    // leaves: a client connecting meanwhile (trayer, the program) would be refused.
    void StartDisplay()
    {
        FDisplayServer = std::make_unique<TChild>(
            "Xvfb",
            QStringList{"-displayfd", "1", "-noreset", "-screen", "0", "1024x768x24", "-nolisten", "tcp"},
            QProcessEnvironment::systemEnvironment());
        const QString Number = FDisplayServer->FirstLine(10000);
        if (!Number.isEmpty())
            FDisplay = ':' + Number;
    }

    QProcessEnvironment ProgramEnvironment() const
    {
        QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
        Env.insert("DISPLAY", FDisplay);
        Env.insert("DBUS_SESSION_BUS_ADDRESS", FSessionBus);
        Env.insert("WAYFAREL_DATA_DIR", FRoot.DataFolder());
        Env.insert("QT_QPA_PLATFORM", "xcb");
        return Env;
    }

    std::unique_ptr<TChild> StartProgram(const QStringList &Args = {}) const
    {
        return std::make_unique<TChild>(WAYFAREL_BIN_DIR "/wayfarel", Args, ProgramEnvironment());
    }

    static QString MainWindow()
    {
        QStringList Found;
        TLab::WaitFor([&Found] { return !(Found = VisibleWindows("^Wayfarel 2010")).isEmpty(); },
                      WindowTimeoutMs);
        return Found.value(0);
    }

    static QString Status()
    {
        return TLab::Run({"dbus-send", "--session", "--print-reply", "--dest=org.brackwell.Wayfarel",
                          "/org/brackwell/Wayfarel", "org.freedesktop.DBus.Properties.Get",
                          "string:org.brackwell.Wayfarel", "string:Status"})
            .Output;
    }

    static QStringList Mirror(const QString &Value)
    {
        TExtRegistry Registry(HKEY_LOCAL_MACHINE);
        QStringList Items;
        if (Registry.OpenKeyReadOnly("\\SOFTWARE\\Brackwell\\Portolan"))
            Registry.ReadStrings(Value, Items);
        return Items;
    }

    TTestRoot FRoot;
    QString FSessionBus;
    QString FDisplay;
    std::unique_ptr<TChild> FBusDaemon;
    std::unique_ptr<TChild> FDisplayServer;
    std::unique_ptr<TChild> FTrayer;
    std::unique_ptr<TChild> FProgram;
};

} // namespace

TEST_F(DesktopLab, TheTraySwitchesTheCloseButtonHidesASecondStartShowsAndQuitEnds)
{
    FProgram = StartProgram();
    const QString Window = MainWindow();
    ASSERT_FALSE(Window.isEmpty()) << FProgram->Output().toStdString();
    ASSERT_TRUE(TLab::WaitFor([] { return TrayIcon().has_value(); }, WindowTimeoutMs))
        << "the icon never reached the tray";
    EXPECT_TRUE(Status().contains("\"Current Location: Office(" + TLab::Value("STATIC_PROFILE")))
        << Status().toStdString();

    // Switch to... > Home: the menu lists Office, then Home.
    ASSERT_TRUE(TrayMenuKeys({"Down", "Right", "Down", "Return"}));
    ASSERT_TRUE(
        TLab::WaitFor([this] { return FProgram->Output().contains("Info: Location switched to [Home]!"); },
                      SwitchTimeoutMs))
        << FProgram->Output().toStdString() << ScreenState();
    EXPECT_EQ(NMLab::ActiveProfile(), TLab::Value("DHCP_PROFILE"));
    const QRegularExpression Leased(R"(inet 10\.200\.0\.(\d+)/24)");
    const QRegularExpressionMatch Lease = Leased.match(NMLab::LinkAddresses());
    ASSERT_TRUE(Lease.hasMatch()) << NMLab::LinkAddresses().toStdString();
    EXPECT_GE(Lease.captured(1).toInt(), TLab::Value("DHCP_FIRST").section('.', 3).toInt());
    EXPECT_LE(Lease.captured(1).toInt(), TLab::Value("DHCP_LAST").section('.', 3).toInt());
    const QStringList Box = VisibleWindows("^Info");
    ASSERT_EQ(Box.size(), 1) << "message 6 is shown in a box";
    Xdo({"windowfocus", "--sync", Box.at(0)});
    Xdo({"key", "Return"});
    EXPECT_TRUE(TLab::WaitFor([] { return VisibleWindows("^Info").isEmpty(); }, WindowTimeoutMs));
    EXPECT_TRUE(Status().contains("\"Current Location: Home(" + TLab::Value("DHCP_PROFILE")))
        << Status().toStdString();

    // The close button hides the window into the tray; the program goes on.
    ASSERT_TRUE(PressCloseButton(FDisplay, Window.toUInt()));
    EXPECT_TRUE(TLab::WaitFor([] { return VisibleWindows("^Wayfarel 2010").isEmpty(); }, WindowTimeoutMs))
        << FProgram->Output().toStdString() << ScreenState()
        << TLab::Run({"xprop", "-id", Window, "WM_STATE", "_NET_WM_STATE"}).Output.toStdString();
    EXPECT_TRUE(FProgram->Running());

    // A second start brings the window back and ends at once.
    const std::unique_ptr<TChild> Second = StartProgram();
    EXPECT_EQ(Second->Wait(WindowTimeoutMs), 0) << Second->Output().toStdString();
    EXPECT_FALSE(MainWindow().isEmpty()) << "the running window came back";

    // Quit, the tray menu's last entry, ends the program and writes the mirror.
    ASSERT_TRUE(TrayMenuKeys({"Up", "Return"}));
    EXPECT_EQ(FProgram->Wait(WindowTimeoutMs), 0) << FProgram->Output().toStdString();
    EXPECT_EQ(Mirror("LocIds"), (QStringList{OfficeId, HomeId}));
    EXPECT_EQ(Mirror("LocNames"), (QStringList{"Office", "Home"}));
    EXPECT_EQ(TLocationList::ReadCurrentLocId(), HomeId);
}

// Started by a host window: the host hears when the window is up and when the program ends (a
// session ending it with SIGTERM, as at logout).
TEST_F(DesktopLab, TheHostWindowHearsTheStartAndTheEnd)
{
    THostWindow Host(FDisplay);
    ASSERT_NE(Host.Id(), 0u);
    FProgram = StartProgram({QString::number(Host.Id()), "False"});
    const std::optional<THostWindow::TMessage> Shown = Host.Next(WindowTimeoutMs);
    ASSERT_TRUE(Shown.has_value()) << FProgram->Output().toStdString();
    const QString Window = MainWindow();
    EXPECT_EQ(Shown->Type, "_WAYFAREL_HOST_MESSAGE");
    EXPECT_EQ(Shown->Number, 10825u);
    EXPECT_EQ(QString::number(Shown->Sender), Window);
    EXPECT_EQ(Shown->Rest, 0u);

    ::kill(static_cast<pid_t>(FProgram->Pid()), SIGTERM);
    const std::optional<THostWindow::TMessage> Closing = Host.Next(WindowTimeoutMs);
    ASSERT_TRUE(Closing.has_value());
    EXPECT_EQ(Closing->Number, 10826u);
    EXPECT_EQ(QString::number(Closing->Sender), Window);
    EXPECT_EQ(FProgram->Wait(WindowTimeoutMs), 0);
    EXPECT_EQ(Mirror("LocIds"), (QStringList{OfficeId, HomeId}));
}

// Started as the compact panel (no host, HideOnCreate true): a click on the second lamp switches
// to Home, as the tray menu does.
TEST_F(DesktopLab, TheCompactPanelSwitchesWithALamp)
{
    FProgram = StartProgram({"0", "True"});
    QString Panel;
    ASSERT_TRUE(TLab::WaitFor(
        [&Panel] { return !(Panel = VisibleWindows("^Brackwell Wayfarel$").value(0)).isEmpty(); },
        WindowTimeoutMs))
        << FProgram->Output().toStdString();
    EXPECT_TRUE(VisibleWindows("^Wayfarel 2010").isEmpty()) << "the panel stands in for the main window";

    // A click is only meant for the panel once the program answers on the bus (its loop runs)
    // and the window manager has stopped placing the panel.
    QStringList Geometry;
    ASSERT_TRUE(TLab::WaitFor(
        [&] {
            const QStringList Before = Xdo({"getwindowgeometry", Panel});
            QThread::msleep(200);
            Geometry = Xdo({"getwindowgeometry", Panel});
            return Status().contains("Current Location") && Geometry == Before;
        },
        WindowTimeoutMs))
        << Geometry.join('\n').toStdString();
    // The second lamp's middle, where the panel's form puts it.
    Xdo({"mousemove", "--window", Panel, "--sync", "166", "62"});
    Xdo({"click", "1"});
    ASSERT_TRUE(
        TLab::WaitFor([this] { return FProgram->Output().contains("Info: Location switched to [Home]!"); },
                      SwitchTimeoutMs))
        << FProgram->Output().toStdString() << ScreenState();
    EXPECT_EQ(NMLab::ActiveProfile(), TLab::Value("DHCP_PROFILE"));
    const QStringList Box = VisibleWindows("^Info");
    ASSERT_EQ(Box.size(), 1) << "message 6 is shown in a box";
    Xdo({"windowfocus", "--sync", Box.at(0)});
    Xdo({"key", "Return"});
    EXPECT_TRUE(TLab::WaitFor([] { return VisibleWindows("^Info").isEmpty(); }, WindowTimeoutMs));
    EXPECT_TRUE(Status().contains("\"Current Location: Home(" + TLab::Value("DHCP_PROFILE")))
        << Status().toStdString();

    ::kill(static_cast<pid_t>(FProgram->Pid()), SIGTERM);
    EXPECT_EQ(FProgram->Wait(WindowTimeoutMs), 0);
    EXPECT_EQ(TLocationList::ReadCurrentLocId(), HomeId);
}

// wayfarelctl while the program runs: list, current and switch go through the program on the
// session bus; the switch runs in the window as one from the tray does (message 6, status bar),
// and what list and current print is what they print on the data file once the program ended.
TEST_F(DesktopLab, WayfarelctlListsAndSwitchesThroughTheRunningProgram)
{
    FProgram = StartProgram();
    ASSERT_FALSE(MainWindow().isEmpty()) << FProgram->Output().toStdString();
    const QProcessEnvironment Env = ProgramEnvironment();
    const TCtlRun List = RunCtl({"list"}, Env);
    ASSERT_EQ(List.Code, 0) << List.Err.toStdString();
    EXPECT_EQ(List.Lines(),
              (QStringList{"*\t" + OfficeId + "\tOffice\t" + NMLab::StandingId("STATIC_UUID") + "\t",
                           "\t" + HomeId + "\tHome\t" + NMLab::StandingId("DHCP_UUID") + "\t"}));
    EXPECT_EQ(RunCtl({"current"}, Env).Out, OfficeId + "\tOffice\n");
    EXPECT_EQ(RunCtl({"import", "Cafe", TLab::Value("STATIC_PROFILE")}, Env).Code, 3)
        << "the program holds the data file";

    const TCtlRun Switch = RunCtl({"switch", "--verbose", "home"}, Env, SwitchTimeoutMs);
    EXPECT_EQ(Switch.Code, 0) << Switch.Err.toStdString();
    EXPECT_EQ(Switch.Out, HomeId + "\tHome\n");
    EXPECT_TRUE(Switch.Err.contains("wayfarelctl: adapter: done")) << Switch.Err.toStdString();
    EXPECT_EQ(NMLab::ActiveProfile(), TLab::Value("DHCP_PROFILE"));
    ASSERT_TRUE(
        TLab::WaitFor([this] { return FProgram->Output().contains("Info: Location switched to [Home]!"); },
                      WindowTimeoutMs))
        << FProgram->Output().toStdString();
    const QStringList Box = VisibleWindows("^Info");
    ASSERT_EQ(Box.size(), 1) << "message 6 is shown in a box";
    Xdo({"windowfocus", "--sync", Box.at(0)});
    Xdo({"key", "Return"});
    EXPECT_TRUE(TLab::WaitFor(
        [] { return Status().contains("\"Current Location: Home(" + TLab::Value("DHCP_PROFILE")); },
        WindowTimeoutMs))
        << Status().toStdString();

    const TCtlRun ListThrough = RunCtl({"list"}, Env);
    const TCtlRun CurrentThrough = RunCtl({"current"}, Env);
    const TCtlRun ShowThrough = RunCtl({"show", "Home"}, Env);
    EXPECT_EQ(CurrentThrough.Out, HomeId + "\tHome\n");
    ::kill(static_cast<pid_t>(FProgram->Pid()), SIGTERM);
    ASSERT_EQ(FProgram->Wait(WindowTimeoutMs), 0);
    const TCtlRun ListDirect = RunCtl({"list"}, Env);
    const TCtlRun CurrentDirect = RunCtl({"current"}, Env);
    const TCtlRun ShowDirect = RunCtl({"show", "Home"}, Env);
    EXPECT_EQ(ListDirect.Code, ListThrough.Code);
    EXPECT_EQ(ListDirect.Out, ListThrough.Out);
    EXPECT_EQ(CurrentDirect.Code, CurrentThrough.Code);
    EXPECT_EQ(CurrentDirect.Out, CurrentThrough.Out);
    EXPECT_EQ(ShowDirect.Code, 0) << ShowDirect.Err.toStdString();
    EXPECT_EQ(ShowDirect.Out, ShowThrough.Out);
}

// A switch wayfarelctl asks of the running program is told on the session bus: the program
// announces Home as current with its id, and then answers current with Home.
TEST_F(DesktopLab, WayfarelctlSwitchThroughTheRunningProgramIsAnnouncedOnTheBus)
{
    FProgram = StartProgram();
    ASSERT_FALSE(MainWindow().isEmpty()) << FProgram->Output().toStdString();
    const QProcessEnvironment Env = ProgramEnvironment();
    EXPECT_EQ(RunCtl({"current"}, Env).Out, OfficeId + "\tOffice\n");
    // Listening before the switch: dbus-monitor has lost its own name once it monitors.
    TChild Monitor("dbus-monitor",
                   {"--session", "type='signal',interface='org.brackwell.Wayfarel',member='LocationChanged'"},
                   Env);
    ASSERT_TRUE(
        TLab::WaitFor([&Monitor] { return Monitor.Output().contains("member=NameLost"); }, WindowTimeoutMs))
        << Monitor.Output().toStdString();

    const TCtlRun Switch = RunCtl({"switch", "--verbose", "Home"}, Env, SwitchTimeoutMs);
    EXPECT_EQ(Switch.Code, 0) << Switch.Err.toStdString();
    EXPECT_EQ(Switch.Out, HomeId + "\tHome\n");
    EXPECT_TRUE(Switch.Err.contains("wayfarelctl: adapter: done")) << Switch.Err.toStdString();
    // The switch ran in the program, not on the data file beside it.
    EXPECT_TRUE(
        TLab::WaitFor([this] { return FProgram->Output().contains("Info: Location switched to [Home]!"); },
                      WindowTimeoutMs))
        << FProgram->Output().toStdString();
    const QString Announced = "member=LocationChanged\n   string \"" + HomeId + "\"\n   string \"Home\"";
    EXPECT_TRUE(TLab::WaitFor([&] { return Monitor.Output().contains(Announced); }, WindowTimeoutMs))
        << Monitor.Output().toStdString();

    const TCtlRun Current = RunCtl({"current"}, Env);
    EXPECT_EQ(Current.Code, 0) << Current.Err.toStdString();
    EXPECT_EQ(Current.Out, HomeId + "\tHome\n");
}
