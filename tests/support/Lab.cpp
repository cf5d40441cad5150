#include "support/Lab.h"

#include "adapters/SystemBackends.h"

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <csignal>

namespace {

QString BusSocketPath()
{
    const QString address = qEnvironmentVariable("DBUS_SYSTEM_BUS_ADDRESS");
    const QString prefix = QStringLiteral("unix:path=");
    return address.startsWith(prefix) ? address.mid(prefix.size()) : QString();
}

} // namespace

bool TLab::IsUp()
{
    return qEnvironmentVariable("WAYFAREL_LAB_ACTIVE") == QLatin1String("1") &&
           QFileInfo(BusSocketPath()).exists();
}

bool TLab::Enter()
{
    if (!IsUp())
        return false;
    InstallSystemBackends(QDBusConnection::systemBus());
    return true;
}

QString TLab::NotUpReason()
{
    if (IsUp())
        return QString();
    const QString reason = qEnvironmentVariable("WAYFAREL_LAB_REASON");
    if (!reason.isEmpty())
        return QStringLiteral("test lab not up: ") + reason;
    if (qEnvironmentVariable("WAYFAREL_LAB_ACTIVE") == QLatin1String("1"))
        return QStringLiteral("test lab not up: its system bus socket is gone");
    return QStringLiteral("test lab not up: run this test through tests/lab/in-lab (CTest does)");
}

QString TLab::Value(const QString &name)
{
    return qEnvironmentVariable(("WAYFAREL_LAB_" + name).toLocal8Bit().constData());
}

TLab::TRunResult TLab::Run(const QStringList &args, int timeoutMs)
{
    TRunResult result;
    if (args.isEmpty())
        return result;
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(args.first(), args.mid(1));
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        result.Output = process.errorString();
        return result;
    }
    result.Output = QString::fromLocal8Bit(process.readAll());
    if (process.exitStatus() == QProcess::NormalExit)
        result.ExitCode = process.exitCode();
    return result;
}

TLab::TRunResult TLab::RunInPeer(const QStringList &args, int timeoutMs)
{
    return Run(QStringList{"ip", "netns", "exec", Value("PEER_NS")} + args, timeoutMs);
}

bool TLab::WaitFor(const std::function<bool()> &cond, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!cond()) {
        if (timer.hasExpired(timeoutMs))
            return cond();
        QThread::msleep(50);
    }
    return true;
}

TDhcpOutage::TDhcpOutage()
{
    QFile pidFile(TLab::Value("DIR") + QStringLiteral("/dnsmasq/dnsmasq.pid"));
    if (!pidFile.open(QIODevice::ReadOnly))
        return;
    const int pid = pidFile.readAll().trimmed().toInt();
    if (pid > 0 && ::kill(pid, SIGSTOP) == 0)
        FPid = pid;
}

TDhcpOutage::~TDhcpOutage()
{
    if (FPid > 0)
        ::kill(FPid, SIGCONT);
}
