#pragma once

#include "platform/networkmanager/NetConnection.h"

#include <functional>
#include <memory>

// Makes the system's connection manager; installed with the system backends
// (adapters/SystemBackends.h) or by a test.
using TNetBackendFactory = std::function<std::unique_ptr<INetConnectionManager>()>;

// The process-wide connection manager: the system's connections, enumerated once.
class TNetManager
{
public:
    // The one manager, created on first use from the backend factory; raises "Error Create
    // ConnectionManager Instance!" when no factory is set.
    static TNetManager &GetInstance();
    static void ReleaseInstance();
    // Replaces the factory for managers made from now on; an empty one removes it.
    static void SetBackendFactory(TNetBackendFactory factory);

    // Raises "Error Create ConnectionManager Instance!" when manager is null.
    explicit TNetManager(std::unique_ptr<INetConnectionManager> manager);
    TNetManager(const TNetManager &) = delete;
    TNetManager &operator=(const TNetManager &) = delete;

    void Refresh();
    int Count() const { return static_cast<int>(FConnList.size()); }
    std::shared_ptr<INetConnection> Connections(int index) const { return FConnList.at(index); }
    // "NetworkManager" or "kernel".
    QString Source() const { return FManager->Source(); }
    // Why the last Refresh listed fewer connections than the system has; empty when it did not.
    QString LastError() const { return FManager->LastError(); }

private:
    std::unique_ptr<INetConnectionManager> FManager;
    TNetConnections FConnList;
};
