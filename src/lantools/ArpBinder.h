#pragma once

#include <QObject>
#include <QStringList>
#include <deque>
#include <vector>

class QProcess;

// A host to bind statically: its address and MAC text.
struct TArpHost
{
    QString Ip;
    QString Mac;
};

// Binds hosts statically in the kernel's neighbour table, each on the interface that routes
// to it, one command after the other while the caller's event loop keeps running. Each
// binding's outcome is checked: Finished tells which hosts were not bound and why.
class TArpBinder : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    ~TArpBinder() override;

    // Starts binding Hosts in their order; false, and nothing started, while a run goes on.
    bool Start(std::vector<TArpHost> Hosts);
    bool IsRunning() const { return FRunning; }

signals:
    // Every host was tried; one "address: reason" text per host that was not bound.
    void Finished(const QStringList &Failures);

private:
    void BindNext();
    void CommandEnded();
    void CommandFailedToStart();

    std::deque<TArpHost> FQueue;
    QStringList FFailures;
    bool FRunning = false;
    QProcess *FProcess = nullptr;
    QString FCurrentIp;
};
