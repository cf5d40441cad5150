#include "lantools/uNetRepaire.h"

#include "base/NetText.h"
#include "platform/kernel/NetLink.h"

#include <QDeadlineTimer>
#include <QMutexLocker>
#include <QProcess>
#include <QStandardPaths>
#include <atomic>
#include <linux/neighbour.h>
#include <memory>
#include <net/if.h>

namespace {

std::atomic<int> RepairIntervalMs = 1000;
// Time a command started by a pass gets to finish before its binding is removed.
constexpr int PassSettleMs = 300;
constexpr int UnbindTimeoutMs = 2000;
constexpr int BindTimeoutMs = 2000;

QMutex InstanceLock;
// Destroyed when the program ends, which stops the thread.
std::unique_ptr<TNetRepaire> Instance;

// Command without terminal input or output.
void PrepareQuiet(QProcess &Process, const TCommand &Command)
{
    Process.setProgram(Command.Program);
    Process.setArguments(Command.Arguments);
    Process.setStandardInputFile(QProcess::nullDevice());
    Process.setStandardOutputFile(QProcess::nullDevice());
    Process.setStandardErrorFile(QProcess::nullDevice());
}

void RunAndWait(const TCommand &Command)
{
    QProcess process;
    PrepareQuiet(process, Command);
    process.start();
    process.waitForFinished(UnbindTimeoutMs);
}

int InterfaceIndex(const QString &Interface)
{
    return Interface.isEmpty() ? 0 : static_cast<int>(::if_nametoindex(Interface.toLocal8Bit().constData()));
}

} // namespace

bool RunHidden(const TCommand &Command)
{
    QProcess process;
    PrepareQuiet(process, Command);
    return process.startDetached();
}

std::optional<TCommand> StaticArpBinding(const QString &IpAddress, const QString &MacAddress,
                                         const QString &Interface, QString *Error)
{
    const auto address = ParseIpv4(IpAddress);
    if (!address || !IsMacText(MacAddress) || Interface.isEmpty())
        return std::nullopt;
    if (InterfaceName(RouteInterfaceIndex(*address)) != Interface)
        return std::nullopt;
    return PrivilegedNet()->BindCommand(
        Ipv4Text(*address), MacFromDigits(MacDigits(MacAddress), QLatin1Char(':')), Interface, Error);
}

std::optional<TCommand> HostArpBinding(const QString &IpAddress, const QString &MacAddress, QString *Error)
{
    const auto refuse = [Error](const QString &Reason) -> std::optional<TCommand> {
        if (Error)
            *Error = Reason;
        return std::nullopt;
    };
    const auto address = ParseIpv4(IpAddress);
    if (!address)
        return refuse(QStringLiteral("%1 is no IPv4 address").arg(QuotedValue(IpAddress)));
    if (!IsMacText(MacAddress))
        return refuse(QStringLiteral("%1 is no MAC address").arg(QuotedValue(MacAddress)));
    const QString link = InterfaceName(RouteInterfaceIndex(*address));
    if (link.isEmpty())
        return refuse(QStringLiteral("no route leads to it"));
    return StaticArpBinding(IpAddress, MacAddress, link, Error);
}

bool BindStaticArp(const QString &IpAddress, const QString &MacAddress, const QString &Interface)
{
    const auto command = StaticArpBinding(IpAddress, MacAddress, Interface);
    return command && RunHidden(*command);
}

bool BindStaticArpNow(const QString &IpAddress, const QString &MacAddress, const QString &Interface,
                      QString *Error)
{
    const auto fail = [Error](const QString &Reason) {
        if (Error)
            *Error = Reason;
        return false;
    };
    QString missing;
    const auto command = StaticArpBinding(IpAddress, MacAddress, Interface, &missing);
    if (!command)
        return fail(missing);
    const TProcessResult result = TProcessRunner().Run(command->Program, command->Arguments, BindTimeoutMs);
    if (result.Succeeded())
        return true;
    if (!result.Finished)
        return fail(result.Error);
    const QString reason = QString::fromLocal8Bit(result.StdErr).simplified();
    return fail(!reason.isEmpty()
                    ? reason
                    : QStringLiteral("%1 ended with status %2").arg(command->Program).arg(result.ExitCode));
}

bool HasStaticArpBinding(const QString &IpAddress, const QString &MacAddress, const QString &Interface)
{
    const auto address = ParseIpv4(IpAddress);
    const int index = InterfaceIndex(Interface);
    if (!address || !IsMacText(MacAddress) || index == 0)
        return false;
    const QByteArray hardware = QByteArray::fromHex(MacDigits(MacAddress).toLatin1());
    for (const TNeighbour &entry : Neighbours(index)) {
        if (entry.Address.s_addr == address->s_addr && entry.HardwareAddress == hardware &&
            (entry.State & NUD_PERMANENT))
            return true;
    }
    return false;
}

bool RemoveStaticArpBinding(const QString &IpAddress, const QString &MacAddress, const QString &Interface)
{
    if (!HasStaticArpBinding(IpAddress, MacAddress, Interface))
        return false;
    if (const auto command =
            PrivilegedNet()->UnbindCommand(Ipv4Text(*ParseIpv4(IpAddress)), Interface, nullptr))
        RunAndWait(*command);
    return true;
}

int RemoveOwnArpBindings(const QString &Interface)
{
    const int index = InterfaceIndex(Interface);
    int removed = 0;
    if (index == 0)
        return removed;
    for (const TNeighbour &entry : Neighbours(index))
        if ((entry.State & NUD_PERMANENT) && entry.Protocol == OwnNeighbourProtocol) {
            if (const auto command =
                    PrivilegedNet()->UnbindCommand(Ipv4Text(entry.Address), Interface, nullptr))
                RunAndWait(*command);
            ++removed;
        }
    return removed;
}

bool BindingInPlace(const QString &IpAddress, const QString &MacAddress, const QString &Interface)
{
    const auto Address = ParseIpv4(IpAddress);
    const QString Wanted = MacDigits(MacAddress);
    if (!Address)
        return false;
    for (const TNeighbour &Entry : Neighbours(InterfaceIndex(Interface)))
        if (Entry.Address.s_addr == Address->s_addr && (Entry.State & NUD_PERMANENT) &&
            MacDigits(MacFromBytes(Entry.HardwareAddress, QLatin1Char(':'))) == Wanted)
            return true;
    return false;
}

std::vector<TCommand> RepairCommands(const QString &GatewayIP, const QString &GatewayMAC,
                                     const QString &Interface)
{
    std::vector<TCommand> commands;
    if (auto binding = StaticArpBinding(GatewayIP, GatewayMAC, Interface))
        commands.push_back(*binding);
    static const bool hasResolved = !QStandardPaths::findExecutable(QStringLiteral("resolvectl")).isEmpty();
    if (hasResolved)
        commands.push_back({QStringLiteral("resolvectl"), {QStringLiteral("flush-caches")}});
    return commands;
}

TNetRepaire *TNetRepaire::getInstance(const QString &GatewayIP, const QString &GatewayMAC,
                                      const QString &Interface)
{
    QMutexLocker locker(&InstanceLock);
    if (Instance)
        Instance->SetGateway(GatewayIP, GatewayMAC, Interface);
    else
        Instance.reset(new TNetRepaire(GatewayIP, GatewayMAC, Interface));
    return Instance.get();
}

void TNetRepaire::Shutdown()
{
    QMutexLocker locker(&InstanceLock);
    Instance.reset();
}

bool TNetRepaire::StopAndUnbind()
{
    QMutexLocker locker(&InstanceLock);
    if (!Instance)
        return false;
    Instance->RequestStop();
    Instance->wait();
    const bool removed = Instance->Unbind(Instance->Binding());
    Instance.reset();
    return removed;
}

TNetRepaire::TNetRepaire(const QString &GatewayIP, const QString &GatewayMAC, const QString &Interface)
    : FGatewayIP(GatewayIP), FGatewayMAC(GatewayMAC), FInterface(Interface)
{
    start();
}

TNetRepaire::~TNetRepaire()
{
    RequestStop();
    wait();
}

void TNetRepaire::SetRepairInterval(int IntervalMs) { RepairIntervalMs = IntervalMs; }

bool TNetRepaire::IsRunning()
{
    QMutexLocker locker(&InstanceLock);
    return Instance && Instance->isRunning();
}

int TNetRepaire::Passes() const
{
    QMutexLocker locker(&FLock);
    return FPasses;
}

QString TNetRepaire::GatewayIP() const { return Binding().Ip; }

QString TNetRepaire::GatewayMAC() const { return Binding().Mac; }

QString TNetRepaire::Interface() const { return Binding().Interface; }

void TNetRepaire::SetGateway(const QString &GatewayIP, const QString &GatewayMAC, const QString &Interface)
{
    TBinding replaced;
    {
        QMutexLocker locker(&FLock);
        replaced = {FGatewayIP, FGatewayMAC, FInterface};
        FGatewayIP = GatewayIP;
        FGatewayMAC = GatewayMAC;
        FInterface = Interface;
    }
    // The same address on the same link is simply overwritten by the next binding.
    if (replaced.Ip.trimmed() != GatewayIP.trimmed() || replaced.Interface != Interface)
        Unbind(replaced);
}

TNetRepaire::TBinding TNetRepaire::Binding() const
{
    QMutexLocker locker(&FLock);
    return {FGatewayIP, FGatewayMAC, FInterface};
}

void TNetRepaire::RequestStop()
{
    QMutexLocker locker(&FLock);
    FStopping = true;
    FWake.wakeAll();
}

// The lock is held while a pass starts its commands, so a binding that was replaced is never
// started after its replacement.
void TNetRepaire::run()
{
    QMutexLocker locker(&FLock);
    while (!FStopping) {
        RepairPass();
        // Sleeps until the next pass, but wakes at once when asked to stop.
        const QDeadlineTimer next(RepairIntervalMs.load());
        while (!FStopping && !next.hasExpired())
            FWake.wait(&FLock, next);
    }
}

// A binding that holds needs nothing: rebinding and emptying the system's resolver cache every
// second cost a process each time (and newer systemd asks polkit for the flush). A link without
// carrier is left alone: the network it comes back on may have another gateway.
void TNetRepaire::RepairPass()
{
    if (!BindingInPlace(FGatewayIP, FGatewayMAC, FInterface) && HasCarrier(FInterface))
        for (const TCommand &command : RepairCommands(FGatewayIP, FGatewayMAC, FInterface))
            RunHidden(command);
    FLastPass.start();
    ++FPasses;
}

// A binding command of the last pass may still be on its way into the neighbour table.
void TNetRepaire::WaitForLastPass() const
{
    qint64 sinceLastPass = PassSettleMs;
    {
        QMutexLocker locker(&FLock);
        if (FLastPass.isValid())
            sinceLastPass = FLastPass.elapsed();
    }
    if (sinceLastPass < PassSettleMs)
        QThread::msleep(static_cast<unsigned long>(PassSettleMs - sinceLastPass));
}

bool TNetRepaire::Unbind(const TBinding &Binding) const
{
    WaitForLastPass();
    return RemoveStaticArpBinding(Binding.Ip, Binding.Mac, Binding.Interface);
}
