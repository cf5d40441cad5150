#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// A program and its argument vector. It is started directly, never through a shell, so an
// argument holding shell characters stays exactly one argument.
struct TCommand
{
    QString Program;
    QStringList Arguments;

    bool operator==(const TCommand &) const = default;
};

// How one run of a program ended.
struct TProcessResult
{
    bool Finished = false; // started and exited by itself within the time limit, not crashed
    int ExitCode = -1;     // its exit status when Finished
    QByteArray StdOut;
    QByteArray StdErr;
    QString Error; // why it did not finish: not started, timed out or crashed; empty when it did

    bool Succeeded() const { return Finished && ExitCode == 0; }
};

// Runs programs with an argument vector, never through a shell, so no argument is ever taken
// apart or expanded.
class IProcessRunner
{
public:
    virtual ~IProcessRunner() = default;
    // Runs program (looked up in PATH when it has no folder) with args and empty standard
    // input, and waits at most timeoutMs for it; a program still running then is killed.
    virtual TProcessResult Run(const QString &program, const QStringList &args, int timeoutMs) = 0;
};

// Runs them on this computer. Usable from any thread.
class TProcessRunner : public IProcessRunner
{
public:
    TProcessResult Run(const QString &program, const QStringList &args, int timeoutMs) override;
};
