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

std::string AddressText(in_addr Address)
{
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &Address, text, sizeof text);
    return text;
}

int KernelFailure(FILE *Errors, const char *What, const THelperRequest &Request, int Error)
{
    std::fprintf(Errors, "wayfarel-nethelper: %s %s on %s: %s\n", What, AddressText(Request.Address).c_str(),
                 Request.Interface.c_str(), Error ? std::strerror(Error) : "no answer from the kernel");
    return Error == EPERM || Error == EACCES ? heNoPrivilege : heFailed;
}

TNeighbourRequest NeighbourMessage(const THelperRequest &Request, uint16_t Type, uint16_t Flags)
{
    TNeighbourRequest message{};
    message.Header.nlmsg_len = NLMSG_LENGTH(sizeof(ndmsg));
    message.Header.nlmsg_type = Type;
    message.Header.nlmsg_flags = NLM_F_REQUEST | NLM_F_ACK | Flags;
    message.Neighbour.ndm_family = AF_INET;
    message.Neighbour.ndm_ifindex = Request.InterfaceIndex;
    AppendAttribute(&message.Header, NDA_DST, &Request.Address, sizeof Request.Address);
    return message;
}

// True when the interface holds a permanent entry for the address that carries the program's mark.
bool HasOwnPermanentEntry(const THelperRequest &Request, int &Error)
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
    Error = 0;
    NetlinkRequest(
        &dump.Header,
        [&](const nlmsghdr *Msg) {
            const auto *ndm = static_cast<const ndmsg *>(NLMSG_DATA(Msg));
            if (Msg->nlmsg_type != RTM_NEWNEIGH || ndm->ndm_ifindex != Request.InterfaceIndex ||
                !(ndm->ndm_state & NUD_PERMANENT))
                return;
            bool sameAddress = false, ours = false;
            ForEachAttribute<ndmsg>(Msg, [&](const rtattr *Attr) {
                if (Attr->rta_type == NDA_DST && RTA_PAYLOAD(Attr) == sizeof(in_addr))
                    sameAddress = !std::memcmp(RTA_DATA(Attr), &Request.Address, sizeof(in_addr));
                else if (Attr->rta_type == NDA_PROTOCOL && RTA_PAYLOAD(Attr) >= 1)
                    ours = *static_cast<const uint8_t *>(RTA_DATA(Attr)) == OwnNeighbourProtocol;
            });
            found = found || (sameAddress && ours);
        },
        &Error);
    return found;
}

// The interface's first IPv4 address and its hardware address: what requests carry as sender.
bool ProbeSender(const THelperRequest &Request, TArpSender &Sender)
{
    ifaddrs *list = nullptr;
    if (::getifaddrs(&list) != 0)
        return false;
    bool hasAddress = false, hasMac = false;
    for (const ifaddrs *it = list; it; it = it->ifa_next) {
        if (!it->ifa_addr || Request.Interface != it->ifa_name)
            continue;
        if (it->ifa_addr->sa_family == AF_INET && !hasAddress) {
            Sender.Address = reinterpret_cast<const sockaddr_in *>(it->ifa_addr)->sin_addr;
            hasAddress = true;
        } else if (it->ifa_addr->sa_family == AF_PACKET) {
            const auto *ll = reinterpret_cast<const sockaddr_ll *>(it->ifa_addr);
            hasMac = ll->sll_halen == Sender.Mac.size();
            if (hasMac)
                std::memcpy(Sender.Mac.data(), ll->sll_addr, Sender.Mac.size());
        }
    }
    ::freeifaddrs(list);
    Sender.Index = Request.InterfaceIndex;
    return hasAddress && hasMac;
}

void SendRequests(int Fd, const TArpSender &Sender, const std::set<uint32_t> &Pending)
{
    for (const uint32_t target : Pending)
        SendArpRequest(Fd, Sender, in_addr{target});
}

// Prints the replies of addresses still pending until all have answered or Until passes.
void GatherReplies(int Fd, std::set<uint32_t> &Pending, TClock::time_point Until, FILE *Answers)
{
    while (!Pending.empty()) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(Until - TClock::now()).count();
        if (left <= 0)
            return;
        pollfd wait{Fd, POLLIN, 0};
        const int ready = ::poll(&wait, 1, static_cast<int>(left));
        if (ready < 0 && errno != EINTR)
            return;
        TArpReply reply;
        while (ready > 0 && NextArpReply(Fd, reply)) {
            if (Pending.erase(reply.Address.s_addr) == 0)
                continue;
            const auto &m = reply.Mac;
            std::fprintf(Answers, "%s %02X:%02X:%02X:%02X:%02X:%02X\n", AddressText(reply.Address).c_str(),
                         m[0], m[1], m[2], m[3], m[4], m[5]);
        }
    }
}

} // namespace

int AddNeighbour(const THelperRequest &Request, FILE *Errors)
{
    auto message = NeighbourMessage(Request, RTM_NEWNEIGH, NLM_F_CREATE | NLM_F_REPLACE);
    message.Neighbour.ndm_state = NUD_PERMANENT;
    AppendAttribute(&message.Header, NDA_LLADDR, Request.Mac.data(), Request.Mac.size());
    const uint8_t protocol = OwnNeighbourProtocol;
    AppendAttribute(&message.Header, NDA_PROTOCOL, &protocol, sizeof protocol);
    int error = 0;
    if (!NetlinkRequest(
            &message.Header, [](const nlmsghdr *) {}, &error))
        return KernelFailure(Errors, "cannot bind", Request, error);
    return heDone;
}

int DeleteNeighbour(const THelperRequest &Request, FILE *Errors)
{
    int error = 0;
    if (!HasOwnPermanentEntry(Request, error)) {
        if (error)
            return KernelFailure(Errors, "cannot read the neighbours of", Request, error);
        std::fprintf(Errors, "wayfarel-nethelper: %s on %s is no permanent entry of the program\n",
                     AddressText(Request.Address).c_str(), Request.Interface.c_str());
        return heFailed;
    }
    auto message = NeighbourMessage(Request, RTM_DELNEIGH, 0);
    if (!NetlinkRequest(
            &message.Header, [](const nlmsghdr *) {}, &error))
        return KernelFailure(Errors, "cannot remove", Request, error);
    return heDone;
}

int ProbeArp(const THelperRequest &Request, FILE *Answers, FILE *Errors)
{
    TArpSender sender;
    if (!ProbeSender(Request, sender)) {
        std::fprintf(Errors, "wayfarel-nethelper: %s has no IPv4 and hardware address to send from\n",
                     Request.Interface.c_str());
        return heFailed;
    }
    const int fd = OpenArpSocket(Request.InterfaceIndex);
    if (fd < 0) {
        const int error = errno;
        std::fprintf(Errors, "wayfarel-nethelper: no raw socket on %s: %s\n", Request.Interface.c_str(),
                     std::strerror(error));
        return error == EPERM || error == EACCES ? heNoPrivilege : heFailed;
    }
    std::set<uint32_t> pending;
    for (const in_addr target : Request.Targets)
        pending.insert(target.s_addr);
    const auto start = TClock::now();
    const auto deadline = start + std::chrono::milliseconds(Request.DeadlineMs);
    SendRequests(fd, sender, pending);
    GatherReplies(fd, pending, std::min(deadline, start + RetryAfter), Answers);
    if (TClock::now() < deadline) {
        SendRequests(fd, sender, pending);
        GatherReplies(fd, pending, deadline, Answers);
    }
    ::close(fd);
    return heDone;
}
