#pragma once

#include "base/NetHelperProtocol.h"
#include "platform/process/ProcessRunner.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

// The static ARP binding of IpAddress to MacAddress as a permanent entry of the kernel's
// neighbour table on Interface, made by the ip tool. The MAC text may use "-" or ":" between
// its groups.
TCommand ArpBindCommand(const QString &ipAddress, const QString &macAddress, const QString &interface);
// Deletes the neighbour entry of IpAddress from Interface.
TCommand ArpUnbindCommand(const QString &ipAddress, const QString &interface);

// How this process changes the neighbour table (CAP_NET_ADMIN) and sends raw ARP requests
// (CAP_NET_RAW): by itself while it holds the capability, else through the privileged helper.
// Addresses and MAC texts are checked by the callers.
class IPrivilegedNet
{
public:
    virtual ~IPrivilegedNet() = default;
    // The command that binds IpAddress to MacAddress on Interface; nothing, with what is
    // missing in Error, when this process may not.
    virtual std::optional<TCommand> BindCommand(const QString &ipAddress, const QString &macAddress,
                                                const QString &interface, QString *error) const = 0;
    // The command that removes the program's permanent entry of IpAddress from Interface.
    virtual std::optional<TCommand> UnbindCommand(const QString &ipAddress, const QString &interface,
                                                  QString *error) const = 0;
    // The helper's ARP probe, for a process that may not send raw requests itself; nothing when
    // the helper cannot run either. It prints one "IP MAC" line per answer.
    virtual std::optional<TCommand> ProbeCommand(const QString &interface, int deadlineMs,
                                                 const QStringList &targets) const = 0;
};

// Acts by itself with the ip tool, as a process running as root does; what is used while none
// is installed.
class TDirectNet : public IPrivilegedNet
{
public:
    std::optional<TCommand> BindCommand(const QString &ipAddress, const QString &macAddress,
                                        const QString &interface, QString *error) const override;
    std::optional<TCommand> UnbindCommand(const QString &ipAddress, const QString &interface,
                                          QString *error) const override;
    std::optional<TCommand> ProbeCommand(const QString &interface, int deadlineMs,
                                         const QStringList &targets) const override;
};

// Acts by itself while this process holds the capability, and otherwise runs the first of
// Helpers that exists, when this user may run it.
class THelperNet : public TDirectNet
{
public:
    explicit THelperNet(QStringList helpers);

    std::optional<TCommand> BindCommand(const QString &ipAddress, const QString &macAddress,
                                        const QString &interface, QString *error) const override;
    std::optional<TCommand> UnbindCommand(const QString &ipAddress, const QString &interface,
                                          QString *error) const override;
    std::optional<TCommand> ProbeCommand(const QString &interface, int deadlineMs,
                                         const QStringList &targets) const override;

    // Where an installed program finds the helper: beside itself, then in the installation's
    // folder of helper programs.
    static QStringList DefaultHelpers();

private:
    // The helper this user may run; empty, with the reason in Error, when there is none.
    QString UsableHelper(QString *error) const;
    std::optional<TCommand> HelperCommand(const QStringList &arguments, QString *error) const;

    QStringList FHelpers;
};

// Installs Net for every later PrivilegedNet call; nullptr restores a TDirectNet.
void InstallPrivilegedNet(std::shared_ptr<const IPrivilegedNet> net);
std::shared_ptr<const IPrivilegedNet> PrivilegedNet();
