// Prints what a person feels of the main window: the time from starting the program to its main
// window on the screen with 200 stored locations, the memory it holds while idle, and the longest
// pause of its event loop while a switch waits for a DHCP lease (goals: 0.4 s, 60 MB, 50 ms).
// The first two start the real program on a virtual screen of the benchmark's own, several times;
// the last runs the main window in this process against the lab's NetworkManager and dnsmasq.
// Run it through tests/bench/mainwin-bench, which puts it inside the lab.

// GIO first: its headers use a name Qt defines as a keyword.
#include <gio/gio.h>

#include "adapters/IpAddress.h"
#include "adapters/SystemBackends.h"
#include "app/DBManager.h"
#include "app/IdGen.h"
#include "app/Startup.h"
#include "locations/Location.h"
#include "modules/ProgramModules.h"
#include "platform/desktop/MessageBox.h"
#include "support/NMLab.h"
#include "ui/FormMain.h"

#include <QApplication>
#include <QDBusConnection>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <xcb/xcb.h>

namespace {

const int Locations = 200;
const int StartRuns = 5;
const int SwitchRuns = 3;
const int IdleMs = 3000;
const int TickMs = 5;
const QString StaticLocId = QStringLiteral("BENCHSTATIC0000000000000000000W1");
const QString DhcpLocId = QStringLiteral("BENCHDHCP000000000000000000000W2");

double Median(std::vector<double> Values)
{
    if (Values.empty())
        return 0;
    std::sort(Values.begin(), Values.end());
    return Values[Values.size() / 2];
}

void StoreManyLocations(const QString &DataFolder)
{
    InitConnectionString(DataFolder);
    SetLocationConnection(GetConnection());
    LocationConnection().transaction();
    for (int Index = 0; Index < Locations; ++Index) {
        TLocation Location(GenerateId(32), ProgramModules());
        Location.SetLocName(QStringLiteral("Place %1").arg(Index));
        Location.SetNetId(NMLab::StandingId(Index % 2 ? "DHCP_UUID" : "STATIC_UUID"));
        Location.Save();
        Location.IpAddress()->SetEnableDHCP(true);
        Location.IpAddress()->SetAutoGetDNS(true);
        Location.IpAddress()->Save();
    }
    LocationConnection().commit();
    CloseConnection();
}

// The program's resident memory in kB, from /proc.
long ResidentKb(qint64 Pid)
{
    QFile Status(QStringLiteral("/proc/%1/status").arg(Pid));
    if (!Status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &Line : Status.readAll().split('\n'))
        if (Line.startsWith("VmRSS:"))
            return Line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

// Watches the screen for the main window to be mapped: every top-level window mapped is a
// child of the root, and the one we wait for carries the main window's title.
class TMapWatch
{
public:
    explicit TMapWatch(const QString &Display)
        : FConnection(xcb_connect(Display.toLocal8Bit().constData(), nullptr))
    {
        const xcb_screen_t *Screen = xcb_setup_roots_iterator(xcb_get_setup(FConnection)).data;
        const uint32_t Mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(FConnection, Screen->root, XCB_CW_EVENT_MASK, &Mask);
        xcb_flush(FConnection);
    }
    ~TMapWatch() { xcb_disconnect(FConnection); }

    // True once a window whose name starts with Title is mapped, within TimeoutMs.
    bool WaitFor(const QByteArray &Title, int TimeoutMs)
    {
        QElapsedTimer Clock;
        Clock.start();
        while (Clock.elapsed() < TimeoutMs) {
            xcb_generic_event_t *Event = xcb_poll_for_event(FConnection);
            if (!Event) {
                QThread::usleep(500);
                continue;
            }
            const bool Mapped =
                (Event->response_type & 0x7f) == XCB_MAP_NOTIFY &&
                Name(reinterpret_cast<xcb_map_notify_event_t *>(Event)->window).startsWith(Title);
            std::free(Event);
            if (Mapped)
                return true;
        }
        return false;
    }

private:
    QByteArray Name(xcb_window_t Window)
    {
        xcb_get_property_reply_t *Reply = xcb_get_property_reply(
            FConnection,
            xcb_get_property(FConnection, 0, Window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, 256),
            nullptr);
        QByteArray Value;
        if (Reply)
            Value = QByteArray(static_cast<const char *>(xcb_get_property_value(Reply)),
                               xcb_get_property_value_length(Reply));
        std::free(Reply);
        return Value;
    }

    xcb_connection_t *FConnection;
};

// Starts the program again and again on a screen of its own: milliseconds to the main window,
// then its memory after a while of doing nothing.
void BenchStart(const QString &Program)
{
    TTestRoot Root;
    StoreManyLocations(Root.DataFolder());
    QProcess Display;
    Display.start(QStringLiteral("Xvfb"),
                  {"-displayfd", "1", "-noreset", "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
    Display.waitForReadyRead(10000);
    const QString Screen = ':' + QString::fromLatin1(Display.readLine()).trimmed();
    QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
    Env.insert(QStringLiteral("DISPLAY"), Screen);
    Env.insert(QStringLiteral("WAYFAREL_DATA_DIR"), Root.DataFolder());
    Env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    Env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    std::vector<double> StartMs;
    std::vector<double> IdleMb;
    for (int Run = 0; Run < StartRuns; ++Run) {
        TMapWatch Watch(Screen);
        QProcess Wayfarel;
        Wayfarel.setProcessEnvironment(Env);
        Wayfarel.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QElapsedTimer Clock;
        Clock.start();
        Wayfarel.start(Program, {});
        Wayfarel.waitForStarted();
        if (!Watch.WaitFor("Wayfarel 2010", 30000)) {
            std::fprintf(stderr, "the main window did not appear\n");
            break;
        }
        StartMs.push_back(double(Clock.nsecsElapsed()) / 1e6);
        QThread::msleep(IdleMs);
        if (Wayfarel.state() != QProcess::Running) {
            std::fprintf(stderr, "the program ended by itself\n");
            break;
        }
        IdleMb.push_back(double(ResidentKb(Wayfarel.processId())) / 1024.0);
        ::kill(static_cast<pid_t>(Wayfarel.processId()), SIGTERM);
        Wayfarel.waitForFinished(10000);
    }
    Display.kill();
    Display.waitForFinished();
    std::printf("start to main window shown, %d locations: median %.0f ms of %zu runs (goal 400 ms)\n",
                Locations, Median(StartMs), StartMs.size());
    std::printf("idle resident memory:                   median %.1f MB (goal 60 MB)\n", Median(IdleMb));
}

// GIO ends a process whose session bus goes away (exit-on-close); this one outlives its bus. The
// bus's own children (dconf-service) are reaped here, this process being their subreaper.
void StopSessionBus(QProcess &SessionBus)
{
    if (GDBusConnection *Session = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr)) {
        g_dbus_connection_set_exit_on_close(Session, FALSE);
        g_object_unref(Session);
    }
    SessionBus.kill();
    SessionBus.waitForFinished();
    QThread::msleep(200);
    while (::waitpid(-1, nullptr, WNOHANG) > 0) {}
}

void StoreSwitchLocations(const QString &DataFolder)
{
    InitConnectionString(DataFolder);
    SetLocationConnection(GetConnection());
    TLocation Office(StaticLocId, ProgramModules());
    Office.SetLocName(QStringLiteral("Office"));
    Office.SetNetId(NMLab::StandingId("STATIC_UUID"));
    Office.Save();
    TIPAddress &Static = *Office.IpAddress();
    Static.SetIPAddr(TLab::Value("STATIC_IP"));
    Static.SetSubnetMask(QStringLiteral("255.255.255.0"));
    Static.SetGateWay(TLab::Value("PEER_IP"));
    Static.SetMainDNS(TLab::Value("PEER_IP"));
    Static.Save();
    TLocation Home(DhcpLocId, ProgramModules());
    Home.SetLocName(QStringLiteral("Home"));
    Home.SetNetId(NMLab::StandingId("DHCP_UUID"));
    Home.Save();
    Home.IpAddress()->SetEnableDHCP(true);
    Home.IpAddress()->SetAutoGetDNS(true);
    Home.IpAddress()->Save();
}

// The main window of this process switches from the static location to the DHCP one while a
// timer ticks every few milliseconds: the widest gap between two ticks is the longest time the
// window could not have answered.
void BenchSwitch()
{
    TTestRoot Root;
    // The desktop proxy goes to dconf over a session bus, as on a desktop; the bus is started
    // after the root, so dconf keeps its store in the root too.
    QProcess SessionBus;
    SessionBus.start(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--print-address=1"});
    SessionBus.waitForReadyRead(5000);
    qputenv("DBUS_SESSION_BUS_ADDRESS", SessionBus.readLine().trimmed());
    qunsetenv("GSETTINGS_BACKEND");
    InstallSystemBackends(QDBusConnection::systemBus());
    StoreSwitchLocations(Root.DataFolder());
    TMessageBox::SetHandler([](const TMessage &) { return TMsgResult::Ok; });
    std::vector<double> PauseMs;
    std::vector<double> SwitchMs;
    {
        TFrmMain Form;
        Form.ShowStartInterface({}, duMainUI);
        for (int Run = 0; Run < SwitchRuns; ++Run) {
            Form.SwitchTo(StaticLocId);
            QElapsedTimer Since;
            QElapsedTimer Clock;
            qint64 Longest = 0;
            QTimer Ticker;
            Ticker.setTimerType(Qt::PreciseTimer);
            QObject::connect(&Ticker, &QTimer::timeout, [&] {
                Longest = std::max(Longest, Since.nsecsElapsed());
                Since.restart();
            });
            Clock.start();
            Since.start();
            Ticker.start(TickMs);
            const bool Switched = Form.SwitchTo(DhcpLocId);
            Longest = std::max(Longest, Since.nsecsElapsed());
            Ticker.stop();
            if (!Switched) {
                std::fprintf(stderr, "the switch to the DHCP location failed\n");
                continue;
            }
            SwitchMs.push_back(double(Clock.nsecsElapsed()) / 1e6);
            PauseMs.push_back(double(Longest) / 1e6);
        }
    }
    CloseConnection();
    std::printf("DHCP switch from the main window:       median %.0f ms of %zu runs\n", Median(SwitchMs),
                SwitchMs.size());
    std::printf(
        "longest event-loop pause meanwhile:     median %.1f ms, worst %.1f ms (goal 50 ms, timer %d ms)\n",
        Median(PauseMs), PauseMs.empty() ? 0.0 : *std::max_element(PauseMs.begin(), PauseMs.end()), TickMs);
    for (const char *Profile : {"STATIC_PROFILE", "DHCP_PROFILE"})
        NMLab::Nmcli({"connection", "down", TLab::Value(Profile)});
    NMLab::RestoreLink();
    StopSessionBus(SessionBus);
}

} // namespace

int main(int argc, char *argv[])
{
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication App(argc, argv);
    if (!TLab::Enter()) {
        std::fprintf(stderr, "no lab: %s\n", qPrintable(TLab::NotUpReason()));
        return 77;
    }
    BenchStart(QStringLiteral(WAYFAREL_BIN_DIR "/wayfarel"));
    BenchSwitch();
    return 0;
}
