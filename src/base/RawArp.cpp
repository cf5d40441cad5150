#include "base/RawArp.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <net/if_arp.h>
#include <netinet/if_ether.h>
#include <netpacket/packet.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Room for the answers of a whole /24 arriving at once (the kernel caps it at rmem_max).
constexpr int ReceiveBufferBytes = 1 << 20;

struct [[gnu::packed]] TArpFrame
{
    arphdr Header;
    uint8_t SenderMac[ETH_ALEN];
    in_addr SenderIp;
    uint8_t TargetMac[ETH_ALEN];
    in_addr TargetIp;
};

} // namespace

int OpenArpSocket(int index)
{
    // Protocol 0 queues nothing until the bind, so no stray frame is read as an answer.
    const int fd = ::socket(AF_PACKET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &ReceiveBufferBytes, sizeof ReceiveBufferBytes);
    sockaddr_ll bound{};
    bound.sll_family = AF_PACKET;
    bound.sll_protocol = htons(ETH_P_ARP);
    bound.sll_ifindex = index;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&bound), sizeof bound) == 0)
        return fd;
    const int error = errno;
    ::close(fd);
    errno = error;
    return -1;
}

bool SendArpRequest(int fd, const TArpSender &sender, in_addr target)
{
    TArpFrame frame{};
    frame.Header.ar_hrd = htons(ARPHRD_ETHER);
    frame.Header.ar_pro = htons(ETH_P_IP);
    frame.Header.ar_hln = ETH_ALEN;
    frame.Header.ar_pln = sizeof(in_addr);
    frame.Header.ar_op = htons(ARPOP_REQUEST);
    std::memcpy(frame.SenderMac, sender.Mac.data(), ETH_ALEN);
    frame.SenderIp = sender.Address;
    frame.TargetIp = target;

    sockaddr_ll to{};
    to.sll_family = AF_PACKET;
    to.sll_protocol = htons(ETH_P_ARP);
    to.sll_ifindex = sender.Index;
    to.sll_halen = ETH_ALEN;
    std::memset(to.sll_addr, 0xff, ETH_ALEN);
    return ::sendto(fd, &frame, sizeof frame, 0, reinterpret_cast<sockaddr *>(&to), sizeof to) ==
           static_cast<ssize_t>(sizeof frame);
}

bool NextArpReply(int fd, TArpReply &reply)
{
    TArpFrame frame{};
    sockaddr_ll from{};
    socklen_t fromLength = sizeof from;
    ssize_t length;
    while ((length = ::recvfrom(fd, &frame, sizeof frame, MSG_DONTWAIT, reinterpret_cast<sockaddr *>(&from),
                                &fromLength)) >= 0) {
        fromLength = sizeof from;
        if (length < static_cast<ssize_t>(sizeof frame) || from.sll_pkttype == PACKET_OUTGOING ||
            frame.Header.ar_op != htons(ARPOP_REPLY) || frame.Header.ar_hln != ETH_ALEN)
            continue;
        reply.Address = frame.SenderIp;
        std::memcpy(reply.Mac.data(), frame.SenderMac, ETH_ALEN);
        return true;
    }
    return false;
}
