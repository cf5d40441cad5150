#pragma once

#include <QMutex>
#include <QString>
#include <QStringList>
#include <QThread>
#include <QWaitCondition>
#include <optional>
#include <utility>
#include <vector>

// A program and its argument vector. It is started directly, never through a shell, so an
// argument holding shell characters stays exactly one argument.
struct TCommand
{
    QString Program;
    QStringList Arguments;

    bool operator==(const TCommand &) const = default;
};

// Starts the command as a new process with no terminal output and returns at once, without
// waiting for it or looking at its result. False only when the process could not be started.
bool RunHidden(const TCommand &Command);

// The static ARP binding of IpAddress to MacAddress as a permanent entry of the kernel's
// neighbour table on Interface. The MAC text may use "-" or ":" between its groups.
TCommand ArpBindCommand(const QString &IpAddress, const QString &MacAddress, const QString &Interface);

// The binding on the interface that routes to IpAddress; nothing when the address or the MAC
// text is malformed or no interface reaches the address.
std::optional<TCommand> StaticArpBinding(const QString &IpAddress, const QString &MacAddress);

// Starts the static binding with RunHidden; false when there is nothing to start.
bool BindStaticArp(const QString &IpAddress, const QString &MacAddress);

// The commands of one repair pass, in order: the gateway's static binding, then flushing the
// resolver cache where systemd-resolved's client is installed.
std::vector<TCommand> RepairCommands(const QString &GatewayIP, const QString &GatewayMAC);

// The background thread that keeps the gateway's static ARP binding in place: every second it
// starts the repair commands for the current gateway pair. One per process.
class TNetRepaire : public QThread
{
    Q_OBJECT

public:
    // The first call creates and starts the thread; later calls replace the gateway pair of the
    // running thread as a whole, used from its next pass on.
    static TNetRepaire *getInstance(const QString &GatewayIP, const QString &GatewayMAC);
    // Asks the thread to end and waits for it; the next getInstance starts a new one.
    static void Shutdown();

    QString GatewayIP() const;
    QString GatewayMAC() const;
    void SetGateway(const QString &GatewayIP, const QString &GatewayMAC);

    ~TNetRepaire() override;

protected:
    void run() override;

private:
    TNetRepaire(const QString &GatewayIP, const QString &GatewayMAC);
    std::pair<QString, QString> Gateway() const;
    void RepairPass();
    void RequestStop();

    mutable QMutex FLock;
    QWaitCondition FWake;
    bool FStopping = false;
    QString FGatewayIP;
    QString FGatewayMAC;
};
