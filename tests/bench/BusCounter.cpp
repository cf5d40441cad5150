#include "BusCounter.h"

#include <QtEndian>

namespace {

constexpr int FixedHeaderSize = 16;
constexpr char MethodCall = 1;
constexpr char FieldMember = 3;
constexpr char FieldDestination = 6;

int Align(int position, int boundary) { return (position + boundary - 1) / boundary * boundary; }

quint32 ReadUInt(const QByteArray &data, int at, bool little)
{
    const auto *bytes = reinterpret_cast<const uchar *>(data.constData() + at);
    return little ? qFromLittleEndian<quint32>(bytes) : qFromBigEndian<quint32>(bytes);
}

struct THeader
{
    char Type = 0;
    QString Member, Destination;
};

// The member and destination fields of one message (the header field array that follows the
// fixed part: code, signature, value; each entry aligned to 8, strings to 4).
THeader ParseHeader(const QByteArray &message, bool little, int fieldsEnd)
{
    THeader header{message.at(1), {}, {}};
    int at = FixedHeaderSize;
    while (at < fieldsEnd) {
        at = Align(at, 8);
        const char code = message.at(at);
        const int signatureLength = static_cast<uchar>(message.at(at + 1));
        const char type = message.at(at + 2);
        at += 3 + signatureLength;
        if (type == 's' || type == 'o') {
            at = Align(at, 4);
            const int length = static_cast<int>(ReadUInt(message, at, little));
            const QString text = QString::fromUtf8(message.mid(at + 4, length));
            if (code == FieldMember)
                header.Member = text;
            else if (code == FieldDestination)
                header.Destination = text;
            at += 4 + length + 1;
        } else if (type == 'u') {
            at = Align(at, 4) + 4;
        } else if (type == 'g') {
            at += 1 + static_cast<uchar>(message.at(at)) + 1;
        } else {
            break;
        }
    }
    return header;
}

} // namespace

struct TBusCounter::TLink
{
    QLocalSocket *Client = nullptr;
    QLocalSocket Bus;
    bool Begun = false; // the client ended the authentication with BEGIN
    QByteArray Text;    // the client's authentication lines so far
    QByteArray FromClient, FromBus;
};

TBusCounter::TBusCounter(const QString &busAddress, const QString &networkManager)
    : FBusPath(QString(busAddress).remove(QStringLiteral("unix:path="))),
      FNetworkManager{QStringLiteral("org.freedesktop.NetworkManager"), networkManager}
{
    connect(&FServer, &QLocalServer::newConnection, this, &TBusCounter::Accept);
    FServer.listen(FDir.filePath(QStringLiteral("bus")));
}

TBusCounter::~TBusCounter() = default;

QString TBusCounter::Address() const { return QStringLiteral("unix:path=") + FServer.fullServerName(); }

TBusTally TBusCounter::Take() { return std::exchange(FTally, TBusTally{}); }

void TBusCounter::Accept()
{
    while (QLocalSocket *client = FServer.nextPendingConnection()) {
        auto link = std::make_unique<TLink>();
        link->Client = client;
        link->Bus.connectToServer(FBusPath);
        if (!link->Bus.waitForConnected(2000)) {
            client->abort();
            continue;
        }
        TLink &ref = *link;
        connect(client, &QLocalSocket::readyRead, this, [this, &ref] { Forward(ref, true); });
        connect(&ref.Bus, &QLocalSocket::readyRead, this, [this, &ref] { Forward(ref, false); });
        connect(client, &QLocalSocket::disconnected, &ref.Bus, &QLocalSocket::disconnectFromServer);
        connect(&ref.Bus, &QLocalSocket::disconnected, client, &QLocalSocket::disconnectFromServer);
        FLinks.push_back(std::move(link));
        Forward(ref, true);
    }
}

void TBusCounter::Forward(TLink &link, bool fromClient)
{
    QLocalSocket &source = fromClient ? *link.Client : link.Bus;
    QLocalSocket &target = fromClient ? link.Bus : *link.Client;
    const QByteArray data = source.readAll();
    target.write(data);
    if (!fromClient) {
        if (link.Begun) {
            link.FromBus += data;
            CountMessages(link.FromBus);
        }
        return;
    }
    if (link.Begun) {
        link.FromClient += data;
    } else {
        link.Text += data;
        const qsizetype begin = link.Text.indexOf("BEGIN\r\n");
        if (begin < 0)
            return;
        link.Begun = true;
        link.FromClient = link.Text.mid(begin + 7);
    }
    CountMessages(link.FromClient);
}

void TBusCounter::CountMessages(QByteArray &pending)
{
    while (pending.size() >= FixedHeaderSize) {
        const bool little = pending.at(0) == 'l';
        const int fieldsEnd = FixedHeaderSize + static_cast<int>(ReadUInt(pending, 12, little));
        const int total = Align(fieldsEnd, 8) + static_cast<int>(ReadUInt(pending, 4, little));
        if (pending.size() < total)
            return;
        const THeader header = ParseHeader(pending, little, fieldsEnd);
        pending.remove(0, total);
        ++FTally.Messages;
        if (header.Type != MethodCall || !FNetworkManager.contains(header.Destination))
            continue;
        ++FTally.CallsToNetworkManager;
        FTally.Activations += header.Member == QLatin1String("ActivateConnection");
        FTally.Deactivations += header.Member == QLatin1String("DeactivateConnection");
        FTally.Updates +=
            header.Member == QLatin1String("Update") || header.Member == QLatin1String("Update2");
        FTally.Reapplies += header.Member == QLatin1String("Reapply");
    }
}
