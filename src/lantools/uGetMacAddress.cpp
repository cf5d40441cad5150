#include "lantools/uGetMacAddress.h"

#include "platform/FileDescriptor.h"

#include "platform/NetLink.h"

#include <QDeadlineTimer>
#include <QMutex>
#include <QMutexLocker>
#include <QThread>

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <linux/neighbour.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <netdb.h>
#include <netinet/if_ether.h>
#include <netpacket/packet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <optional>

namespace {

// A LAN host answers an ARP request within a few milliseconds; the retry, with a longer wait,
// covers a lost frame or a busy host. A reply to the first request still counts while the
// retry waits, so a live host has the whole window, while a silent address costs only that.
constexpr int FirstWaitMs = 30;
constexpr int RetryWaitMs = 50;

// Without raw sockets the kernel resolves: three probes a second apart.
constexpr int KernelResolutionMs = 3500;
constexpr int KernelPollMs = 20;
constexpr uint16_t DiscardPort = 9;
// States in which the kernel holds a usable hardware address.
constexpr uint16_t NeighbourKnown =
    NUD_REACHABLE | NUD_PERMANENT | NUD_NOARP | NUD_STALE | NUD_DELAY | NUD_PROBE;

struct TArpLink
{
    int Index = 0;
    in_addr Sender{};
    QByteArray Mac;
};

struct [[gnu::packed]] TArpFrame
{
    arphdr Header;
    uint8_t SenderMac[ETH_ALEN];
    in_addr SenderIp;
    uint8_t TargetMac[ETH_ALEN];
    in_addr TargetIp;
};

bool CanArp(const TInterfaceAddress &Entry)
{
    return (Entry.Flags & IFF_UP) && !(Entry.Flags & (IFF_LOOPBACK | IFF_NOARP)) &&
           Entry.HardwareAddress.size() == ETH_ALEN;
}

// The link the request goes out on, with the sender address it carries.
std::optional<TArpLink> ArpLink(in_addr Source, in_addr Target)
{
    auto link = LocalAddress(Source);
    if (!link) {
        link = InterfaceAddressOf(RouteInterfaceIndex(Target));
        if (!link)
            return std::nullopt;
    }
    if (!CanArp(*link))
        return std::nullopt;
    return TArpLink{link->Index, link->Address, link->HardwareAddress};
}

bool SendRequest(int Fd, const TArpLink &Link, in_addr Target)
{
    TArpFrame frame{};
    frame.Header.ar_hrd = htons(ARPHRD_ETHER);
    frame.Header.ar_pro = htons(ETH_P_IP);
    frame.Header.ar_hln = ETH_ALEN;
    frame.Header.ar_pln = sizeof(in_addr);
    frame.Header.ar_op = htons(ARPOP_REQUEST);
    std::memcpy(frame.SenderMac, Link.Mac.constData(), ETH_ALEN);
    frame.SenderIp = Link.Sender;
    frame.TargetIp = Target;

    sockaddr_ll to{};
    to.sll_family = AF_PACKET;
    to.sll_protocol = htons(ETH_P_ARP);
    to.sll_ifindex = Link.Index;
    to.sll_halen = ETH_ALEN;
    std::memset(to.sll_addr, 0xff, ETH_ALEN);
    return ::sendto(Fd, &frame, sizeof frame, 0, reinterpret_cast<sockaddr *>(&to), sizeof to) ==
           static_cast<ssize_t>(sizeof frame);
}

// Waits until Deadline for a reply from Target; its sender MAC, or empty.
QByteArray AwaitReply(int Fd, in_addr Target, const QDeadlineTimer &Deadline)
{
    while (!Deadline.hasExpired()) {
        pollfd wait{Fd, POLLIN, 0};
        const int ready = ::poll(&wait, 1, static_cast<int>(Deadline.remainingTime()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return {};
        TArpFrame frame{};
        sockaddr_ll from{};
        socklen_t fromLength = sizeof from;
        const ssize_t length =
            ::recvfrom(Fd, &frame, sizeof frame, 0, reinterpret_cast<sockaddr *>(&from), &fromLength);
        if (length < static_cast<ssize_t>(sizeof frame) || from.sll_pkttype == PACKET_OUTGOING)
            continue;
        if (frame.Header.ar_op == htons(ARPOP_REPLY) && frame.Header.ar_hln == ETH_ALEN &&
            frame.SenderIp.s_addr == Target.s_addr)
            return QByteArray(reinterpret_cast<const char *>(frame.SenderMac), ETH_ALEN);
    }
    return {};
}

// One raw ARP socket per thread, kept for the thread's life: opening and closing a packet
// socket each waits for the kernel's network synchronisation, longer than a LAN answer takes.
class TArpSocket
{
public:
    ~TArpSocket()
    {
        if (FFd >= 0)
            ::close(FFd);
    }

    // The socket bound to the interface, with nothing left from earlier requests; -1 with errno
    // set when it cannot be had.
    int For(int Index)
    {
        if (FFd < 0)
            FFd = ::socket(AF_PACKET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (FFd < 0)
            return -1;
        if (FIndex != Index && !Bind(Index))
            return -1;
        Drain();
        return FFd;
    }

private:
    bool Bind(int Index)
    {
        sockaddr_ll bound{};
        bound.sll_family = AF_PACKET;
        bound.sll_protocol = htons(ETH_P_ARP);
        bound.sll_ifindex = Index;
        FIndex = ::bind(FFd, reinterpret_cast<sockaddr *>(&bound), sizeof bound) == 0 ? Index : 0;
        return FIndex == Index;
    }

    void Drain()
    {
        TArpFrame frame;
        while (::recv(FFd, &frame, sizeof frame, MSG_DONTWAIT) >= 0) {}
    }

    int FFd = -1;
    int FIndex = 0;
};

QByteArray ProbeRaw(int Fd, const TArpLink &Link, in_addr Target)
{
    const QDeadlineTimer firstDeadline(FirstWaitMs);
    if (!SendRequest(Fd, Link, Target))
        return {};
    QByteArray mac = AwaitReply(Fd, Target, firstDeadline);
    if (mac.isEmpty() && SendRequest(Fd, Link, Target))
        mac = AwaitReply(Fd, Target, QDeadlineTimer(RetryWaitMs));
    return mac;
}

void WarnOnceAboutKernelResolution()
{
    static std::atomic_flag warned;
    if (!warned.test_and_set())
        std::fprintf(stderr, "wayfarel: no permission for raw ARP requests (CAP_NET_RAW); "
                             "using the kernel's neighbour resolution, about 3 s per silent "
                             "address\n");
}

std::optional<QByteArray> KnownNeighbour(int Index, in_addr Target)
{
    for (const TNeighbour &entry : Neighbours(Index)) {
        if (entry.Address.s_addr != Target.s_addr)
            continue;
        if ((entry.State & NeighbourKnown) && entry.HardwareAddress.size() == ETH_ALEN)
            return entry.HardwareAddress;
        if (entry.State & NUD_FAILED)
            return QByteArray();
    }
    return std::nullopt;
}

// Lets the kernel resolve Target by sending it an empty datagram, then watches its neighbour
// table for the outcome.
QByteArray ProbeThroughKernel(const TArpLink &Link, in_addr Target)
{
    TFd udp(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(DiscardPort);
    to.sin_addr = Target;
    if (udp.Get() < 0 || ::sendto(udp.Get(), "", 0, 0, reinterpret_cast<sockaddr *>(&to), sizeof to) < 0)
        return {};
    const QDeadlineTimer deadline(KernelResolutionMs);
    while (!deadline.hasExpired()) {
        if (auto known = KnownNeighbour(Link.Index, Target))
            return *known;
        QThread::msleep(KernelPollMs);
    }
    return {};
}

QByteArray ResolveMac(in_addr Source, in_addr Target)
{
    if (const auto local = LocalAddress(Target); local && CanArp(*local))
        return local->HardwareAddress;
    const auto link = ArpLink(Source, Target);
    if (!link)
        return {};
    thread_local TArpSocket socket;
    if (const int raw = socket.For(link->Index); raw >= 0)
        return ProbeRaw(raw, *link, Target);
    if (errno != EPERM && errno != EACCES)
        return {};
    WarnOnceAboutKernelResolution();
    return ProbeThroughKernel(*link, Target);
}

// The address of the first interface that is up with an IPv4 address.
QString FirstEnabledAdapterAddress()
{
    const auto first = FirstNetworkAddress();
    return first ? Ipv4Text(first->Address) : QString();
}

QMutex SourceQueryLock;
TSourceAddressQuery SourceQuery;

} // namespace

QString GetMacAddress(const QString &SourceIp, const QString &TargetIp)
{
    const auto target = ParseIpv4(TargetIp);
    if (!target)
        return {};
    const in_addr source = ParseIpv4(SourceIp).value_or(in_addr{INADDR_NONE});
    return MacFromBytes(ResolveMac(source, *target), QLatin1Char('-'));
}

QString GetHostNameByIp(const QString &Ip)
{
    const auto address = ParseIpv4(Ip);
    if (!address)
        return {};
    sockaddr_in socketAddress{};
    socketAddress.sin_family = AF_INET;
    socketAddress.sin_addr = *address;
    char host[NI_MAXHOST] = {};
    if (::getnameinfo(reinterpret_cast<sockaddr *>(&socketAddress), sizeof socketAddress, host, sizeof host,
                      nullptr, 0, NI_NAMEREQD) != 0)
        return {};
    return QString::fromLocal8Bit(host);
}

QString FindUnusedIp(const QString &Prefix, int First, int Last)
{
    // Beyond one octet a candidate is no address, and must not be reported as unused.
    constexpr int LowestOctet = 0, HighestOctet = 255;
    const QString source = LocalSourceAddress();
    for (int n = std::max(First, LowestOctet); n <= std::min(Last, HighestOctet); ++n) {
        const QString candidate = Prefix + QLatin1Char('.') + QString::number(n);
        if (GetMacAddress(source, candidate).isEmpty())
            return candidate;
    }
    return {};
}

QString LocalSourceAddress()
{
    TSourceAddressQuery query;
    {
        QMutexLocker locker(&SourceQueryLock);
        query = SourceQuery;
    }
    return query ? query() : FirstEnabledAdapterAddress();
}

void SetSourceAddressQuery(TSourceAddressQuery Query)
{
    QMutexLocker locker(&SourceQueryLock);
    SourceQuery = std::move(Query);
}
