#pragma once

#include "locations/AutoSwitcher.h"

#include <QTimer>

// The network as a test sets it: a look answers through the event loop, a change is signalled
// the way NetworkManager's signals are.
class TFakeFingerprintSource : public IFingerprintSource
{
public:
    void Read(TDone Done) override
    {
        ++Reads;
        // Like a real source, a look still pending dies with the source.
        QTimer::singleShot(0, &FContext, [Done, Seen = Network] { Done(Seen); });
    }
    void Watch(std::function<void()> Changed) override { FChanged = std::move(Changed); }

    void Set(const TNetworkFingerprint &Value)
    {
        Network = Value;
        if (FChanged)
            FChanged();
    }

    TNetworkFingerprint Network;
    int Reads = 0;

private:
    QObject FContext;
    std::function<void()> FChanged;
};
