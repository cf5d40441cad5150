#pragma once

#include "platform/kernel/PrivilegedNet.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <QThread>
#include <QWaitCondition>
#include <optional>
#include <vector>

// Starts the command as a new process with no terminal output and returns at once, without
// waiting for it or looking at its result. False only when the process could not be started.
bool RunHidden(const TCommand &Command);

// The binding on Interface, only while IpAddress routes through it, made as PrivilegedNet says;
// nothing when the address or the MAC text is malformed, the address routes elsewhere or
// nowhere, or this process may not bind (then Error says what is missing).
std::optional<TCommand> StaticArpBinding(const QString &IpAddress, const QString &MacAddress,
                                         const QString &Interface, QString *Error = nullptr);

// The static binding of a host on the interface that routes to it, for binding hosts a scan
// found; nothing, with the reason in Error, when the address or the MAC text is malformed or
// the address routes nowhere or this process may not bind.
std::optional<TCommand> HostArpBinding(const QString &IpAddress, const QString &MacAddress,
                                       QString *Error = nullptr);

// Starts the static binding with RunHidden; false when there is nothing to start.
bool BindStaticArp(const QString &IpAddress, const QString &MacAddress, const QString &Interface);
// Makes the static binding and waits for it; false, with the reason in Error, when it was not
// made. Error stays empty when there is no binding to make (malformed, or the address does not
// route through Interface yet: the repair pass binds it once it does).
bool BindStaticArpNow(const QString &IpAddress, const QString &MacAddress, const QString &Interface,
                      QString *Error);

// True while Interface holds IpAddress as a permanent neighbour entry for MacAddress.
bool HasStaticArpBinding(const QString &IpAddress, const QString &MacAddress, const QString &Interface);

// Deletes that permanent entry and waits for the deletion; an entry for another MAC address is
// someone else's and stays.
// True when there was such an entry.
bool RemoveStaticArpBinding(const QString &IpAddress, const QString &MacAddress, const QString &Interface);

// Deletes every permanent entry on Interface that carries the program's mark, whichever process
// made it, and waits for the deletions. Returns how many there were.
int RemoveOwnArpBindings(const QString &Interface);

// Whether Interface's neighbour table holds the permanent entry of IpAddress at MacAddress.
bool BindingInPlace(const QString &IpAddress, const QString &MacAddress, const QString &Interface);

// The commands of a repair pass that finds the binding gone, in order: the gateway's static binding on
// Interface, then flushing the resolver cache where systemd-resolved's client is installed.
std::vector<TCommand> RepairCommands(const QString &GatewayIP, const QString &GatewayMAC,
                                     const QString &Interface);

// The background thread that keeps the gateway's static ARP binding in place on the link it was
// made for: every second it looks at the neighbour table and runs the repair commands for the
// current gateway pair only when the binding is gone and the link has its carrier. One per
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
    // The time between two passes, a second unless a test that counts passes changes it.
    static void SetRepairInterval(int IntervalMs);
    // Whether a repair thread runs now, so that something may bind the gateway again.
    static bool IsRunning();

    // How many passes this thread has made.
    int Passes() const;

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
    int FPasses = 0;
};
