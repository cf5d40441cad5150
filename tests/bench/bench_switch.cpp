// Times "wayfarelctl switch" to a static and to a DHCP location against "nmcli connection up" of
// the same two lab profiles, with 2 and with 100 saved profiles, and prints the medians, their
// ratios and what one switch asks of NetworkManager (calls, activations, updates, reapplies),
// counted by a socket in front of the lab's bus. Run it through tests/bench/switch-bench, which
// puts it inside the lab.
#include "adapters/IpAddress.h"
#include "app/DBManager.h"
#include "locations/Location.h"
#include "modules/ProgramModules.h"
#include "support/NMLab.h"

#include "BusCounter.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

const QString NetworkManager = QStringLiteral("org.freedesktop.NetworkManager");
const QString StaticLocId = QStringLiteral("BENCHSTATIC000000000000000000001");
const QString DhcpLocId = QStringLiteral("BENCHDHCP00000000000000000000002");

struct TStep
{
    const char *Label;
    QStringList Nmcli; // nmcli arguments
    QStringList Ctl;   // wayfarelctl arguments
};

QString DashedMac(const QString &mac) { return mac.toUpper().replace(':', '-'); }

// Two locations on the standing profiles, with the link's own MAC as an imported location has.
void StoreLocations(const QString &dataFolder)
{
    InitConnectionString(dataFolder);
    SetLocationConnection(GetConnection());
    const auto store = [](const QString &id, const QString &name, const char *uuidKey, auto setIp) {
        TLocation location(id, ProgramModules());
        location.SetLocName(name);
        location.SetNetId(NMLab::StandingId(uuidKey));
        location.Save();
        TIPAddress &ip = *location.IpAddress();
        ip.SetMacAddr(DashedMac(TLab::Value("CLIENT_MAC")));
        setIp(ip);
        ip.Save();
    };
    store(StaticLocId, "Static", "STATIC_UUID", [](TIPAddress &ip) {
        ip.SetIPAddr(TLab::Value("STATIC_IP"));
        ip.SetSubnetMask("255.255.255.0");
        ip.SetGateWay(TLab::Value("PEER_IP"));
        ip.SetMainDNS(TLab::Value("PEER_IP"));
    });
    store(DhcpLocId, "Dhcp", "DHCP_UUID", [](TIPAddress &ip) {
        ip.SetEnableDHCP(true);
        ip.SetAutoGetDNS(true);
    });
    CloseConnection();
}

// Wall time of one run in milliseconds; -1 when it failed.
qint64 Timed(const QString &program, const QStringList &args)
{
    QProcess process;
    QElapsedTimer timer;
    timer.start();
    process.start(program, args);
    const bool finished = process.waitForFinished(120000);
    const qint64 ms = timer.elapsed();
    if (!finished || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        std::fprintf(stderr, "%s %s failed: %s\n", qPrintable(program), qPrintable(args.join(' ')),
                     qPrintable(QString::fromLocal8Bit(process.readAllStandardError())));
        return -1;
    }
    return ms;
}

qint64 Median(std::vector<qint64> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}

// One run with the client's bus traffic going through counter; what it exchanged.
TBusTally Counted(TBusCounter &counter, const QString &program, const QStringList &args)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DBUS_SYSTEM_BUS_ADDRESS", counter.Address());
    process.setProcessEnvironment(env);
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    counter.Take();
    process.start(program, args);
    loop.exec();
    // The last replies may still be on their way through the counter.
    QTimer::singleShot(100, &loop, &QEventLoop::quit);
    loop.exec();
    return counter.Take();
}

void PrintTally(const char *who, const char *label, const TBusTally &t)
{
    std::printf("  %-11s %-7s %3d calls to NetworkManager, %3d messages; %d activation(s), "
                "%d deactivation(s), %d update(s), %d reapply(s)\n",
                who, label, t.CallsToNetworkManager, t.Messages, t.Activations, t.Deactivations, t.Updates,
                t.Reapplies);
}

// Extra saved profiles that no device can take, as a laptop keeps for networks it has left.
std::vector<std::unique_ptr<TNMLabProfile>> MakeExtraProfiles(int count)
{
    std::vector<std::unique_ptr<TNMLabProfile>> profiles;
    for (int i = 0; i < count; ++i) {
        profiles.push_back(
            std::make_unique<TNMLabProfile>(QStringLiteral("bench-saved-%1").arg(i, 3, 10, QChar('0')),
                                            QStringList{"ipv4.method", "auto"}, "wflnone"));
        if (!profiles.back()->IsMade())
            std::fprintf(stderr, "cannot add a profile: %s\n", qPrintable(profiles.back()->Error()));
    }
    return profiles;
}

// Wired and wireless ones, as the program lists them (NetworkManager keeps one for "lo" too).
int SavedProfiles()
{
    const QStringList types = NMLab::Nmcli({"-g", "TYPE", "connection", "show"}).Output.split('\n');
    return static_cast<int>(types.count("802-3-ethernet") + types.count("802-11-wireless"));
}

// What starting the program costs before it does anything.
void PrintStartup(const QString &ctl, int rounds)
{
    std::vector<qint64> ctlMs, nmcliMs;
    for (int round = 0; round < rounds; ++round) {
        ctlMs.push_back(Timed(ctl, {"--version"}));
        nmcliMs.push_back(Timed("nmcli", {"--version"}));
    }
    std::printf("start-up alone (--version): wayfarelctl %lld ms, nmcli %lld ms\n",
                static_cast<long long>(Median(ctlMs)), static_cast<long long>(Median(nmcliMs)));
}

void RunSeries(const QString &ctl, const QString &dataFolder, const QList<TStep> &steps, int rounds)
{
    std::printf("%d saved profiles, median of %d runs:\n", SavedProfiles(), rounds);
    const QStringList data{"--data", dataFolder};
    QList<std::vector<qint64>> nmcliMs(steps.size()), ctlMs(steps.size());
    for (int round = -1; round < rounds; ++round) { // round -1 warms up
        for (int i = 0; i < steps.size(); ++i) {
            const qint64 nmcli = Timed("nmcli", steps[i].Nmcli);
            if (round >= 0)
                nmcliMs[i].push_back(nmcli);
        }
        for (int i = 0; i < steps.size(); ++i) {
            const qint64 switched = Timed(ctl, data + steps[i].Ctl);
            if (round >= 0)
                ctlMs[i].push_back(switched);
        }
    }
    for (int i = 0; i < steps.size(); ++i) {
        const qint64 nmcli = Median(nmcliMs[i]), switched = Median(ctlMs[i]);
        std::printf("  %-7s nmcli connection up %5lld ms, wayfarelctl switch %5lld ms, ratio %.2f\n",
                    steps[i].Label, static_cast<long long>(nmcli), static_cast<long long>(switched),
                    static_cast<double>(switched) / static_cast<double>(std::max<qint64>(nmcli, 1)));
    }
    TBusCounter counter(qEnvironmentVariable("DBUS_SYSTEM_BUS_ADDRESS"),
                        QDBusConnection::systemBus().interface()->serviceOwner(NetworkManager));
    if (!counter.IsListening())
        return;
    for (const TStep &step : steps)
        PrintTally("nmcli", step.Label, Counted(counter, "nmcli", step.Nmcli));
    for (const TStep &step : steps)
        PrintTally("wayfarelctl", step.Label, Counted(counter, ctl, data + step.Ctl));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (!TLab::IsUp()) {
        std::fprintf(stderr, "bench_switch: run inside the lab (tests/bench/switch-bench): %s\n",
                     qPrintable(TLab::NotUpReason()));
        return 77;
    }
    QStringList args = app.arguments().mid(1);
    QString ctl = QStringLiteral(WAYFAREL_BIN_DIR "/wayfarelctl");
    if (const qsizetype at = args.indexOf("--ctl"); at >= 0 && at + 1 < args.size()) {
        ctl = args.at(at + 1);
        args.remove(at, 2);
    }
    const int rounds = std::max(1, args.value(0, "5").toInt());

    TTestRoot root;
    StoreLocations(root.DataFolder());
    NMLab::RestoreLink();
    const QList<TStep> steps{
        {"static", {"connection", "up", TLab::Value("STATIC_PROFILE")}, {"switch", "Static"}},
        {"DHCP", {"connection", "up", TLab::Value("DHCP_PROFILE")}, {"switch", "Dhcp"}},
    };
    std::printf("wayfarelctl: %s\n", qPrintable(ctl));
    PrintStartup(ctl, rounds);
    RunSeries(ctl, root.DataFolder(), steps, rounds);
    {
        const auto extras = MakeExtraProfiles(100 - SavedProfiles());
        RunSeries(ctl, root.DataFolder(), steps, rounds);
    }
    NMLab::RestoreLink();
    return 0;
}
