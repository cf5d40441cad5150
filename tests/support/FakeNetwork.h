#pragma once

#include "support/FakeNMBus.h"

#include <memory>

// NetworkManager in memory behind every facility the program reaches it through, installed the
// way InstallSystemBackends installs the real one and taken away again with the object: one
// ethernet device on the loopback link with two profiles, Office (static, active) and Home
// (DHCP), and the desktop proxy in the GSettings of the test's root (TTestRoot). With Bus->HoldActivations a
// switch to Home waits, as for a lease, until FinishActivations.
class TFakeNetwork
{
public:
    static const QString OfficeId;
    static const QString HomeId;
    // An adapter id no profile has.
    static const QString MissingId;

    TFakeNetwork();
    ~TFakeNetwork();
    TFakeNetwork(const TFakeNetwork &) = delete;
    TFakeNetwork &operator=(const TFakeNetwork &) = delete;

    // Brings every activation still coming up to activated.
    void FinishActivations();
    // True while an activation is coming up.
    bool Activating() const;

    std::shared_ptr<TFakeNMBus> Bus = std::make_shared<TFakeNMBus>();
    QString Device;
    QString Office;
    QString Home;
};
