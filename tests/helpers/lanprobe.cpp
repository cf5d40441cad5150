// lanprobe scan PREFIX FROM TO
// lanprobe unused PREFIX FIRST LAST
//
// The scanner and the unused-address search as the program runs them for the user who starts
// this: with its own capabilities, else through the privileged helper found beside this
// program, else the kernel's resolution. "scan" prints "IP MAC" per host found, "unused" the
// address it found; both print "elapsed MS" on standard error.
#include "lantools/IpMacScaner.h"
#include "lantools/uGetMacAddress.h"
#include "platform/kernel/PrivilegedNet.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <cstdio>

namespace {

int Scan(const QString &Prefix, int From, int To)
{
    QEventLoop loop;
    TIpMacScannerManager manager(
        false,
        [](const QString &Ip, const QString &Mac, const QString &) {
            std::printf("%s %s\n", qPrintable(Ip), qPrintable(Mac));
        },
        {}, Prefix + '.', From, To);
    manager.SetOnFinished([&loop] { loop.quit(); });
    loop.exec();
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 5 || (args.at(1) != "scan" && args.at(1) != "unused")) {
        std::fprintf(stderr, "usage: lanprobe scan|unused PREFIX FIRST LAST\n");
        return 2;
    }
    InstallPrivilegedNet(std::make_shared<THelperNet>(THelperNet::DefaultHelpers()));
    QElapsedTimer timer;
    timer.start();
    if (args.at(1) == "scan")
        Scan(args.at(2), args.at(3).toInt(), args.at(4).toInt());
    else
        std::printf("%s\n", qPrintable(FindUnusedIp(args.at(2), args.at(3).toInt(), args.at(4).toInt())));
    std::fflush(stdout);
    std::fprintf(stderr, "elapsed %lld\n", static_cast<long long>(timer.elapsed()));
    return 0;
}
