#pragma once

#include <QByteArray>
#include <QLocalServer>
#include <QLocalSocket>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <vector>

// What the clients of a TBusCounter exchanged with the bus.
struct TBusTally
{
    int Messages = 0; // both ways: calls, replies, errors and signals
    int CallsToNetworkManager = 0;
    int Activations = 0, Deactivations = 0, Updates = 0, Reapplies = 0;
};

// A socket in front of a system bus that forwards every byte both ways and counts the D-Bus
// messages of the connections made through it. The lab's bus lets nobody monitor it, so the
// benchmark points one client at a time here instead.
class TBusCounter : public QObject
{
    Q_OBJECT
public:
    // busAddress: "unix:path=..." of the bus to forward to; networkManager: the unique name
    // NetworkManager has there (clients may call it by that name instead of its own).
    TBusCounter(const QString &busAddress, const QString &networkManager);
    ~TBusCounter() override;

    bool IsListening() const { return FServer.isListening(); }
    // The address to give a client instead of the bus's.
    QString Address() const;
    // The tally since the last Take, which starts a new one.
    TBusTally Take();

private:
    struct TLink;
    void Accept();
    void Forward(TLink &link, bool fromClient);
    void CountMessages(QByteArray &pending);

    QString FBusPath;
    QStringList FNetworkManager;
    QTemporaryDir FDir;
    QLocalServer FServer;
    std::vector<std::unique_ptr<TLink>> FLinks;
    TBusTally FTally;
};
