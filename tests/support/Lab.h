#pragma once

#include <QString>
#include <QStringList>
#include <functional>

#include "support/TestRoot.h"

// The system test lab as a test sees it when tests/lab/in-lab started it: the test runs in
// the lab's client namespace, with the lab's values in its environment.
class TLab
{
public:
    struct TRunResult
    {
        int ExitCode = -1; // -1: the program could not be started or timed out
        QString Output;    // standard output and error, merged
    };

    static bool IsUp();
    // IsUp, and when it is, the program's system backends on the lab's bus, as each program's
    // main installs them (again on every call, so a test may take them away).
    static bool Enter();
    // Why the lab is not up, for the skip message.
    static QString NotUpReason();
    // A value of the lab's environment by its short name: Value("PEER_IP") reads
    // WAYFAREL_LAB_PEER_IP. Empty when unset.
    static QString Value(const QString &name);

    // Runs a program (argument vector, no shell) in this namespace, or in the peer's.
    static TRunResult Run(const QStringList &args, int timeoutMs = 30000);
    static TRunResult RunInPeer(const QStringList &args, int timeoutMs = 30000);

    // Polls cond every 50 ms until it holds or timeoutMs passes; returns its last answer.
    static bool WaitFor(const std::function<bool()> &cond, int timeoutMs);
};

// The peer's DHCP and DNS server (dnsmasq) paused while the object lives, as on a network that
// has none; Paused() says whether it could be paused.
class TDhcpOutage
{
public:
    TDhcpOutage();
    ~TDhcpOutage();
    TDhcpOutage(const TDhcpOutage &) = delete;
    TDhcpOutage &operator=(const TDhcpOutage &) = delete;

    bool Paused() const { return FPid > 0; }

private:
    int FPid = 0;
};

// First line of every lab test: skips (fails under CI=true) when no lab is up, else installs
// the system backends on the lab's bus.
#define WAYFAREL_REQUIRE_LAB_UP() WAYFAREL_REQUIRE_LAB(TLab::Enter(), TLab::NotUpReason().toStdString())
