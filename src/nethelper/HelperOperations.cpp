#include "nethelper/HelperOperations.h"

#include "base/NetHelperProtocol.h"
#include "base/RtNetlink.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ifaddrs.h>
#include <linux/neighbour.h>
#include <net/if.h>
#include <netpacket/packet.h>
#include <poll.h>
#include <set>
#include <unistd.h>

namespace {

using TClock = std::chrono::steady_clock;

// A request that finds no answer within this time is asked once more.
constexpr auto RetryAfter = std::chrono::milliseconds(100);

struct TNeighbourRequest
{
    nlmsghdr Header;
    ndmsg Neighbour;
    char Attributes[64];
};

std::string AddressText(in_addr address)
{
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &address, text, sizeof text);
    return text;
}

int KernelFailure(FILE *errors, const char *what, const THelperRequest &request, int error)
{
    std::fprintf(errors, "wayfarel-nethelper: %s %s on %s: %s\n", what, AddressText(request.Address).c_str(),
                 request.Interface.c_str(), error ? std::strerror(error) : "no answer from the kernel");
    return error == EPERM || error == EACCES ? heNoPrivilege : heFailed;
}

TNeighbourRequest NeighbourMessage(const THelperRequest &request, uint16_t type, uint16_t flags)
{
    TNeighbourRequest message{};
    message.Header.nlmsg_len = NLMSG_LENGTH(sizeof(ndmsg));
    message.Header.nlmsg_type = type;
    message.Header.nlmsg_flags = NLM_F_REQUEST | NLM_F_ACK | flags;
    message.Neighbour.ndm_family = AF_INET;
    message.Neighbour.ndm_ifindex = request.InterfaceIndex;
    AppendAttribute(&message.Header, NDA_DST, &request.Address, sizeof request.Address);
    return message;
}

// True when the interface holds a permanent entry for the address that carries the program's mark.
bool HasOwnPermanentEntry(const THelperRequest &request, int &error)
{
    struct
    {
        nlmsghdr Header;
        ndmsg Neighbour;
    } dump{};
    dump.Header.nlmsg_len = NLMSG_LENGTH(sizeof(ndmsg));
    dump.Header.nlmsg_type = RTM_GETNEIGH;
    dump.Header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    dump.Neighbour.ndm_family = AF_INET;
    bool found = false;
    error = 0;
    NetlinkRequest(
        &dump.Header,
        [&](const nlmsghdr *msg) {
            const auto *ndm = static_cast<const ndmsg *>(NLMSG_DATA(msg));
            if (msg->nlmsg_type != RTM_NEWNEIGH || ndm->ndm_ifindex != request.InterfaceIndex ||
                !(ndm->ndm_state & NUD_PERMANENT))
                return;
            bool sameAddress = false, ours = false;
            ForEachAttribute<ndmsg>(msg, [&](const rtattr *attr) {
                if (attr->rta_type == NDA_DST && RTA_PAYLOAD(attr) == sizeof(in_addr))
                    sameAddress = !std::memcmp(RTA_DATA(attr), &request.Address, sizeof(in_addr));
                else if (attr->rta_type == NDA_PROTOCOL && RTA_PAYLOAD(attr) >= 1)
                    ours = *static_cast<const uint8_t *>(RTA_DATA(attr)) == OwnNeighbourProtocol;
            });
            found = found || (sameAddress && ours);
        },
        &error);
    return found;
}

// The interface's first IPv4 address and its hardware address: what requests carry as sender.
bool ProbeSender(const THelperRequest &request, TArpSender &sender)
{
    ifaddrs *list = nullptr;
    if (::getifaddrs(&list) != 0)
        return false;
    bool hasAddress = false, hasMac = false;
    for (const ifaddrs *it = list; it; it = it->ifa_next) {
        if (!it->ifa_addr || request.Interface != it->ifa_name)
            continue;
        if (it->ifa_addr->sa_family == AF_INET && !hasAddress) {
            sender.Address = reinterpret_cast<const sockaddr_in *>(it->ifa_addr)->sin_addr;
            hasAddress = true;
        } else if (it->ifa_addr->sa_family == AF_PACKET) {
            const auto *ll = reinterpret_cast<const sockaddr_ll *>(it->ifa_addr);
            hasMac = ll->sll_halen == sender.Mac.size();
            if (hasMac)
                std::memcpy(sender.Mac.data(), ll->sll_addr, sender.Mac.size());
        }
    }
    ::freeifaddrs(list);
    sender.Index = request.InterfaceIndex;
    return hasAddress && hasMac;
}

void SendRequests(int fd, const TArpSender &sender, const std::set<uint32_t> &pending)
{
    for (const uint32_t target : pending)
        SendArpRequest(fd, sender, in_addr{target});
}

// Prints the replies of addresses still pending until all have answered or Until passes.
void GatherReplies(int fd, std::set<uint32_t> &pending, TClock::time_point until, FILE *answers)
{
    while (!pending.empty()) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(until - TClock::now()).count();
        if (left <= 0)
            return;
        pollfd wait{fd, POLLIN, 0};
        const int ready = ::poll(&wait, 1, static_cast<int>(left));
        if (ready < 0 && errno != EINTR)
            return;
        TArpReply reply;
        while (ready > 0 && NextArpReply(fd, reply)) {
            if (pending.erase(reply.Address.s_addr) == 0)
                continue;
            const auto &m = reply.Mac;
            std::fprintf(answers, "%s %02X:%02X:%02X:%02X:%02X:%02X\n", AddressText(reply.Address).c_str(),
                         m[0], m[1], m[2], m[3], m[4], m[5]);
        }
    }
}

} // namespace

int AddNeighbour(const THelperRequest &request, FILE *errors)
{
    auto message = NeighbourMessage(request, RTM_NEWNEIGH, NLM_F_CREATE | NLM_F_REPLACE);
    message.Neighbour.ndm_state = NUD_PERMANENT;
    AppendAttribute(&message.Header, NDA_LLADDR, request.Mac.data(), request.Mac.size());
    const uint8_t protocol = OwnNeighbourProtocol;
    AppendAttribute(&message.Header, NDA_PROTOCOL, &protocol, sizeof protocol);
    int error = 0;
    if (!NetlinkRequest(
            &message.Header, [](const nlmsghdr *) {}, &error))
        return KernelFailure(errors, "cannot bind", request, error);
    return heDone;
}

int DeleteNeighbour(const THelperRequest &request, FILE *errors)
{
    int error = 0;
    if (!HasOwnPermanentEntry(request, error)) {
        if (error)
            return KernelFailure(errors, "cannot read the neighbours of", request, error);
        std::fprintf(errors, "wayfarel-nethelper: %s on %s is no permanent entry of the program\n",
                     AddressText(request.Address).c_str(), request.Interface.c_str());
        return heFailed;
    }
    auto message = NeighbourMessage(request, RTM_DELNEIGH, 0);
    if (!NetlinkRequest(
            &message.Header, [](const nlmsghdr *) {}, &error))
        return KernelFailure(errors, "cannot remove", request, error);
    return heDone;
}

int ProbeArp(const THelperRequest &request, FILE *answers, FILE *errors)
{
    TArpSender sender;
    if (!ProbeSender(request, sender)) {
        std::fprintf(errors, "wayfarel-nethelper: %s has no IPv4 and hardware address to send from\n",
                     request.Interface.c_str());
        return heFailed;
    }
    const int fd = OpenArpSocket(request.InterfaceIndex);
    if (fd < 0) {
        const int error = errno;
        std::fprintf(errors, "wayfarel-nethelper: no raw socket on %s: %s\n", request.Interface.c_str(),
                     std::strerror(error));
        return error == EPERM || error == EACCES ? heNoPrivilege : heFailed;
    }
    std::set<uint32_t> pending;
    for (const in_addr target : request.Targets)
        pending.insert(target.s_addr);
    const auto start = TClock::now();
    const auto deadline = start + std::chrono::milliseconds(request.DeadlineMs);
    SendRequests(fd, sender, pending);
    GatherReplies(fd, pending, std::min(deadline, start + RetryAfter), answers);
    if (TClock::now() < deadline) {
        SendRequests(fd, sender, pending);
        GatherReplies(fd, pending, deadline, answers);
    }
    ::close(fd);
    return heDone;
}
