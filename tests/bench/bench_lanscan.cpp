// Scans the lab's scan segment (a /24) with the IP/MAC scanner and with arp-scan in the same
// namespace, and prints both wall times, their ratio, the hosts each found and whether each
// found the hosts that answer late. Run it through
// tests/bench/lanscan-bench, which puts it inside the lab.
#include "lantools/IpMacScaner.h"
#include "lantools/ScanLab.h"
#include "lantools/uGetMacAddress.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

struct TRun
{
    qint64 WallMs = 0;
    QStringList Hosts; // "address MAC", sorted
};

// By the fourth octet, as a scan walks them.
void SortByAddress(QStringList &Hosts)
{
    const auto octet = [](const QString &host) { return host.section(' ', 0, 0).section('.', 3).toInt(); };
    std::sort(Hosts.begin(), Hosts.end(),
              [&](const QString &a, const QString &b) { return octet(a) < octet(b); });
}

TRun ScanWithScanner(const QString &Prefix)
{
    TRun run;
    QEventLoop loop;
    QElapsedTimer timer;
    timer.start();
    TIpMacScannerManager manager(
        false, [&](const QString &ip, const QString &mac, const QString &) { run.Hosts << ip + ' ' + mac; },
        {}, Prefix + '.', 1, 254);
    manager.SetOnFinished([&] { loop.quit(); });
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    if (!manager.IsStop())
        loop.exec();
    run.WallMs = timer.elapsed();
    SortByAddress(run.Hosts);
    return run;
}

TRun ScanWithArpScan(const QString &Interface)
{
    TRun run;
    QProcess arpScan;
    QElapsedTimer timer;
    timer.start();
    arpScan.start("arp-scan", {"--interface=" + Interface, "--localnet", "--plain", "--quiet"});
    arpScan.waitForFinished(60000);
    run.WallMs = timer.elapsed();
    static const QRegularExpression line(R"(^(\d+\.\d+\.\d+\.\d+)\s+([0-9a-fA-F:]{17}))");
    for (const QString &text : QString::fromLocal8Bit(arpScan.readAllStandardOutput()).split('\n')) {
        const auto match = line.match(text);
        if (match.hasMatch())
            run.Hosts << match.captured(1) + ' ' + match.captured(2).toUpper().replace(':', '-');
    }
    SortByAddress(run.Hosts);
    return run;
}

qint64 Median(std::vector<qint64> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

const char *Verdict(const TRun &Run, const QString &Ip)
{
    return Run.Hosts.filter(QRegularExpression('^' + QRegularExpression::escape(Ip) + ' ')).isEmpty()
               ? "missed"
               : "found";
}

void PrintHosts(const char *who, const QStringList &hosts)
{
    std::printf("%s found %lld hosts:\n", who, static_cast<long long>(hosts.size()));
    for (const QString &host : hosts)
        std::printf("  %s\n", qPrintable(host));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QString prefix = TLab::Value("SCAN_PREFIX");
    const QString interface = TLab::Value("SCAN_IF");
    const QString own = TLab::Value("SCAN_IP");
    if (!TLab::IsUp() || !EnterScanNamespace()) {
        std::fprintf(stderr, "bench_lanscan: run inside the lab (tests/bench/lanscan-bench)\n");
        return 77;
    }
    SetSourceAddressQuery([own] { return own; });
    const int runs = std::max(1, app.arguments().value(1, "3").toInt());

    std::vector<qint64> scannerMs, arpScanMs;
    TRun scanner, arpScan;
    for (int i = 0; i < runs; ++i) {
        scanner = ScanWithScanner(prefix);
        arpScan = ScanWithArpScan(interface);
        scannerMs.push_back(scanner.WallMs);
        arpScanMs.push_back(arpScan.WallMs);
        std::printf("run %d: scanner %lld ms (%lld hosts), arp-scan %lld ms (%lld hosts)\n", i + 1,
                    static_cast<long long>(scanner.WallMs), static_cast<long long>(scanner.Hosts.size()),
                    static_cast<long long>(arpScan.WallMs), static_cast<long long>(arpScan.Hosts.size()));
    }
    PrintHosts("scanner", scanner.Hosts);
    PrintHosts("arp-scan", arpScan.Hosts);

    // arp-scan never hears this computer's own address; the scanner reports it like any host.
    QStringList others =
        scanner.Hosts.filter(QRegularExpression("^(?!" + QRegularExpression::escape(own) + " )"));
    const qint64 scannerMedian = Median(scannerMs), arpScanMedian = Median(arpScanMs);
    std::printf("%s.1-254, median of %d runs: scanner %lld ms, arp-scan %lld ms, ratio %.2f\n",
                qPrintable(prefix), runs, static_cast<long long>(scannerMedian),
                static_cast<long long>(arpScanMedian),
                static_cast<double>(scannerMedian) / static_cast<double>(std::max<qint64>(arpScanMedian, 1)));
    std::printf("same hosts as arp-scan (own address %s aside): %s\n", qPrintable(own),
                others == arpScan.Hosts ? "yes" : "NO");
    const auto lateHosts = LateScanHosts();
    for (auto late = lateHosts.cbegin(); late != lateHosts.cend(); ++late)
        std::printf("late host %s (answers after %d ms): scanner %s, arp-scan %s\n", qPrintable(late.key()),
                    late.value(), Verdict(scanner, late.key()), Verdict(arpScan, late.key()));
    return 0;
}
