// latearp INTERFACE ADDRESS DELAY_MS
//
// A host that answers ARP late, as a phone in power save or a busy printer does: every request
// for ADDRESS seen on INTERFACE is answered DELAY_MS milliseconds after it arrived. Run it in
// the host's own namespace with the kernel's answers switched off there
// (sysctl net.ipv4.conf.all.arp_ignore=8), or the host answers twice. Prints "ready" once it
// listens; runs until it is signalled.
#include "base/NetText.h"
#include "platform/kernel/NetLink.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <net/if_arp.h>
#include <netinet/if_ether.h>
#include <netpacket/packet.h>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using TClock = std::chrono::steady_clock;

struct [[gnu::packed]] TArpFrame
{
    arphdr Header;
    uint8_t SenderMac[ETH_ALEN];
    in_addr SenderIp;
    uint8_t TargetMac[ETH_ALEN];
    in_addr TargetIp;
};

struct TPendingReply
{
    TClock::time_point Due;
    TArpFrame Frame;
};

struct THost
{
    int Index = 0;
    in_addr Address{};
    QByteArray Mac;
};

bool IsRequestFor(const TArpFrame &Frame, in_addr Address)
{
    return Frame.Header.ar_op == htons(ARPOP_REQUEST) && Frame.Header.ar_hln == ETH_ALEN &&
           Frame.TargetIp.s_addr == Address.s_addr;
}

TArpFrame ReplyTo(const TArpFrame &Request, const THost &Host)
{
    TArpFrame reply = Request;
    reply.Header.ar_op = htons(ARPOP_REPLY);
    std::memcpy(reply.TargetMac, Request.SenderMac, ETH_ALEN);
    reply.TargetIp = Request.SenderIp;
    std::memcpy(reply.SenderMac, Host.Mac.constData(), ETH_ALEN);
    reply.SenderIp = Host.Address;
    return reply;
}

void Send(int Fd, const THost &Host, const TArpFrame &Reply)
{
    sockaddr_ll to{};
    to.sll_family = AF_PACKET;
    to.sll_protocol = htons(ETH_P_ARP);
    to.sll_ifindex = Host.Index;
    to.sll_halen = ETH_ALEN;
    std::memcpy(to.sll_addr, Reply.TargetMac, ETH_ALEN);
    if (::sendto(Fd, &Reply, sizeof Reply, 0, reinterpret_cast<sockaddr *>(&to), sizeof to) < 0)
        std::perror("latearp: sendto");
}

// Milliseconds until the first reply is due, rounded up; -1 (wait for ever) when none is.
int PollTimeout(const std::deque<TPendingReply> &Pending)
{
    if (Pending.empty())
        return -1;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(Pending.front().Due - TClock::now());
    return std::max<int>(0, static_cast<int>(left.count()));
}

void Serve(int Fd, const THost &Host, std::chrono::milliseconds Delay)
{
    // Every reply waits the same time, so the queue stays in order of due time.
    std::deque<TPendingReply> pending;
    for (;;) {
        pollfd wait{Fd, POLLIN, 0};
        const int ready = ::poll(&wait, 1, PollTimeout(pending));
        if (ready < 0 && errno != EINTR) {
            std::perror("latearp: poll");
            return;
        }
        TArpFrame frame{};
        sockaddr_ll from{};
        socklen_t fromLength = sizeof from;
        if (ready > 0 &&
            ::recvfrom(Fd, &frame, sizeof frame, 0, reinterpret_cast<sockaddr *>(&from), &fromLength) ==
                static_cast<ssize_t>(sizeof frame) &&
            from.sll_pkttype != PACKET_OUTGOING && IsRequestFor(frame, Host.Address))
            pending.push_back({TClock::now() + Delay, ReplyTo(frame, Host)});
        while (!pending.empty() && pending.front().Due <= TClock::now()) {
            Send(Fd, Host, pending.front().Frame);
            pending.pop_front();
        }
    }
}

std::optional<THost> FindHost(const char *Interface, const char *Address)
{
    const auto address = ParseIpv4(QString::fromLocal8Bit(Address));
    if (!address)
        return std::nullopt;
    for (const TInterfaceAddress &entry : InterfaceAddresses())
        if (entry.Name == QString::fromLocal8Bit(Interface) && entry.HardwareAddress.size() == ETH_ALEN)
            return THost{entry.Index, *address, entry.HardwareAddress};
    return std::nullopt;
}

int OpenBound(const THost &Host)
{
    const int fd = ::socket(AF_PACKET, SOCK_DGRAM | SOCK_CLOEXEC, htons(ETH_P_ARP));
    sockaddr_ll bound{};
    bound.sll_family = AF_PACKET;
    bound.sll_protocol = htons(ETH_P_ARP);
    bound.sll_ifindex = Host.Index;
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr *>(&bound), sizeof bound) == 0)
        return fd;
    std::perror("latearp: raw ARP socket");
    return -1;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: latearp INTERFACE ADDRESS DELAY_MS\n");
        return 2;
    }
    const auto host = FindHost(argv[1], argv[2]);
    if (!host) {
        std::fprintf(stderr, "latearp: no Ethernet interface %s, or %s is no IPv4 address\n", argv[1],
                     argv[2]);
        return 2;
    }
    const int fd = OpenBound(*host);
    if (fd < 0)
        return 1;
    std::printf("ready\n");
    std::fflush(stdout);
    Serve(fd, *host, std::chrono::milliseconds(std::atoi(argv[3])));
    return 1;
}
