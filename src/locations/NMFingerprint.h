#pragma once

#include "locations/AutoSwitcher.h"
#include "platform/networkmanager/NMBus.h"

#include <QMap>
#include <QObject>
#include <QPointer>
#include <QThread>
#include <memory>

// Where a link's gateway MAC is asked from, and what it is kept under: the activation and the
// gateway, so a link that comes up again asks again even when nobody saw it go down.
struct TGatewayAsk
{
    QString Source;
    QString Key;
};

// The MAC text of the host at Target, asked from the address Source; empty when none answers.
using TGatewayMacLookup = std::function<QString(const QString &Source, const QString &Target)>;

// The network as NetworkManager has it: every wired or wireless device with carrier, and for
// an activated one its gateway, lease and access point. The gateway's MAC comes from one ARP
// request per gateway a link gains, asked off the event loop's thread and kept while the link
// keeps that gateway.
class TNMFingerprintSource : public QObject, public IFingerprintSource
{
    Q_OBJECT

public:
    // Lookup: the program's ARP lookup unless given.
    explicit TNMFingerprintSource(std::shared_ptr<INMBus> Bus, TGatewayMacLookup Lookup = {});
    ~TNMFingerprintSource() override;

    void Read(TDone Done) override;
    void Watch(std::function<void()> Changed) override;

    // What NetworkManager says, gateway MACs left empty; false when it does not answer.
    bool ReadLinks(TNetworkFingerprint &Network, QList<TGatewayAsk> &Asks);

private slots:
    void NetworkChanged();

private:
    bool ReadLink(const TNMDevice &Device, TLinkFacts &Link, TGatewayAsk &Ask);
    void FillMacs(const TNetworkFingerprint &Network, const QList<TGatewayAsk> &Asks, TDone Done);

    std::shared_ptr<INMBus> FBus;
    TGatewayMacLookup FLookup;
    std::function<void()> FChanged;
    QMap<QString, QString> FMacs; // by TGatewayAsk::Key
    std::unique_ptr<QThread> FLookupThread;
};
