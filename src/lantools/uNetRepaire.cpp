#include "lantools/uNetRepaire.h"

#include "platform/NetLink.h"

#include <QDeadlineTimer>
#include <QMutexLocker>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <memory>

namespace {

// ip(8) takes the link-layer address with colons only.
std::optional<QString> LinkLayerAddress(const QString &MacAddress)
{
    static const QRegularExpression form(
        QStringLiteral("^[0-9A-Fa-f]{2}([-:])[0-9A-Fa-f]{2}(\\1[0-9A-Fa-f]{2}){4}$"));
    if (!form.match(MacAddress).hasMatch())
        return std::nullopt;
    return QString(MacAddress).replace(QLatin1Char('-'), QLatin1Char(':'));
}

constexpr int RepairIntervalMs = 1000;

QMutex InstanceLock;
// Destroyed when the program ends, which stops the thread.
std::unique_ptr<TNetRepaire> Instance;

} // namespace

bool RunHidden(const TCommand &Command)
{
    QProcess process;
    process.setProgram(Command.Program);
    process.setArguments(Command.Arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    return process.startDetached();
}

TCommand ArpBindCommand(const QString &IpAddress, const QString &MacAddress, const QString &Interface)
{
    return {QStringLiteral("ip"),
            {QStringLiteral("neigh"), QStringLiteral("replace"), IpAddress, QStringLiteral("lladdr"),
             QString(MacAddress).replace(QLatin1Char('-'), QLatin1Char(':')), QStringLiteral("dev"),
             Interface, QStringLiteral("nud"), QStringLiteral("permanent")}};
}

std::optional<TCommand> StaticArpBinding(const QString &IpAddress, const QString &MacAddress)
{
    const auto address = ParseIpv4(IpAddress);
    const auto lladdr = LinkLayerAddress(MacAddress);
    if (!address || !lladdr)
        return std::nullopt;
    const QString interface = InterfaceName(RouteInterfaceIndex(*address));
    if (interface.isEmpty())
        return std::nullopt;
    return ArpBindCommand(IpAddress, *lladdr, interface);
}

bool BindStaticArp(const QString &IpAddress, const QString &MacAddress)
{
    const auto command = StaticArpBinding(IpAddress, MacAddress);
    return command && RunHidden(*command);
}

std::vector<TCommand> RepairCommands(const QString &GatewayIP, const QString &GatewayMAC)
{
    std::vector<TCommand> commands;
    if (auto binding = StaticArpBinding(GatewayIP, GatewayMAC))
        commands.push_back(*binding);
    static const bool hasResolved = !QStandardPaths::findExecutable(QStringLiteral("resolvectl")).isEmpty();
    if (hasResolved)
        commands.push_back({QStringLiteral("resolvectl"), {QStringLiteral("flush-caches")}});
    return commands;
}

TNetRepaire *TNetRepaire::getInstance(const QString &GatewayIP, const QString &GatewayMAC)
{
    QMutexLocker locker(&InstanceLock);
    if (Instance)
        Instance->SetGateway(GatewayIP, GatewayMAC);
    else
        Instance.reset(new TNetRepaire(GatewayIP, GatewayMAC));
    return Instance.get();
}

void TNetRepaire::Shutdown()
{
    QMutexLocker locker(&InstanceLock);
    Instance.reset();
}

TNetRepaire::TNetRepaire(const QString &GatewayIP, const QString &GatewayMAC)
    : FGatewayIP(GatewayIP), FGatewayMAC(GatewayMAC)
{
    start();
}

TNetRepaire::~TNetRepaire()
{
    RequestStop();
    wait();
}

QString TNetRepaire::GatewayIP() const { return Gateway().first; }

QString TNetRepaire::GatewayMAC() const { return Gateway().second; }

void TNetRepaire::SetGateway(const QString &GatewayIP, const QString &GatewayMAC)
{
    QMutexLocker locker(&FLock);
    FGatewayIP = GatewayIP;
    FGatewayMAC = GatewayMAC;
}

std::pair<QString, QString> TNetRepaire::Gateway() const
{
    QMutexLocker locker(&FLock);
    return {FGatewayIP, FGatewayMAC};
}

void TNetRepaire::RequestStop()
{
    QMutexLocker locker(&FLock);
    FStopping = true;
    FWake.wakeAll();
}

void TNetRepaire::run()
{
    QMutexLocker locker(&FLock);
    while (!FStopping) {
        locker.unlock();
        RepairPass();
        locker.relock();
        // Sleeps a second, but wakes at once when asked to stop.
        const QDeadlineTimer next(RepairIntervalMs);
        while (!FStopping && !next.hasExpired())
            FWake.wait(&FLock, next);
    }
}

void TNetRepaire::RepairPass()
{
    const auto [ip, mac] = Gateway();
    for (const TCommand &command : RepairCommands(ip, mac))
        RunHidden(command);
}
