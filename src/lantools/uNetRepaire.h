#pragma once

#include <QElapsedTimer>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <QThread>
#include <QWaitCondition>
#include <optional>
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
// Deletes the neighbour entry of IpAddress from Interface.
TCommand ArpUnbindCommand(const QString &IpAddress, const QString &Interface);

// The binding on Interface, only while IpAddress routes through it; nothing when the address or
// the MAC text is malformed or the address routes elsewhere or nowhere.
std::optional<TCommand> StaticArpBinding(const QString &IpAddress, const QString &MacAddress,
                                         const QString &Interface);

// The static binding of a host on the interface that routes to it, for binding hosts a scan
// found; nothing, with the reason in Error, when the address or the MAC text is malformed or
// the address routes nowhere.
std::optional<TCommand> HostArpBinding(const QString &IpAddress, const QString &MacAddress,
                                       QString *Error = nullptr);

// Starts the static binding with RunHidden; false when there is nothing to start.
bool BindStaticArp(const QString &IpAddress, const QString &MacAddress, const QString &Interface);

// True while Interface holds IpAddress as a permanent neighbour entry for MacAddress.
bool HasStaticArpBinding(const QString &IpAddress, const QString &MacAddress, const QString &Interface);

// Deletes that permanent entry and waits for the deletion; an entry for another MAC address is
// someone else's and stays.
// True when there was such an entry.
bool RemoveStaticArpBinding(const QString &IpAddress, const QString &MacAddress, const QString &Interface);

// The bindings carry this originator mark in the neighbour table, so a later run of the program
// (or wayfarelctl) can tell them from entries the administrator made.
inline constexpr int OwnNeighbourProtocol = 87;

// Deletes every permanent entry on Interface that carries the program's mark, whichever process
// made it, and waits for the deletions. Returns how many there were.
int RemoveOwnArpBindings(const QString &Interface);

// The commands of one repair pass, in order: the gateway's static binding on Interface, then
// flushing the resolver cache where systemd-resolved's client is installed.
std::vector<TCommand> RepairCommands(const QString &GatewayIP, const QString &GatewayMAC,
                                     const QString &Interface);

// The background thread that keeps the gateway's static ARP binding in place on the link it was
// made for: every second it starts the repair commands for the current gateway pair. One per
// process.
class TNetRepaire : public QThread
{
    Q_OBJECT

public:
    // The first call creates and starts the thread; later calls replace the gateway pair and its
    // interface as a whole, used from the thread's next pass on. A replaced binding on another
    // address or interface is removed.
    static TNetRepaire *getInstance(const QString &GatewayIP, const QString &GatewayMAC,
                                    const QString &Interface);
    // Asks the thread to end and waits for it; its binding stays. The next getInstance starts a
    // new thread.
    static void Shutdown();
    // Ends the thread, when one runs, and removes the binding it kept, so that another network's
    // gateway at the same address is reached again.
    // True when it removed a binding.
    static bool StopAndUnbind();

    QString GatewayIP() const;
    QString GatewayMAC() const;
    QString Interface() const;
    void SetGateway(const QString &GatewayIP, const QString &GatewayMAC, const QString &Interface);

    ~TNetRepaire() override;

protected:
    void run() override;

private:
    struct TBinding
    {
        QString Ip, Mac, Interface;
    };

    TNetRepaire(const QString &GatewayIP, const QString &GatewayMAC, const QString &Interface);
    TBinding Binding() const;
    void RepairPass();
    void RequestStop();
    void WaitForLastPass() const;
    bool Unbind(const TBinding &Binding) const;

    mutable QMutex FLock;
    QWaitCondition FWake;
    bool FStopping = false;
    QString FGatewayIP;
    QString FGatewayMAC;
    QString FInterface;
    QElapsedTimer FLastPass;
};
