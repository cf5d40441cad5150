#include "nethelper/HelperOperations.h"

#include "base/NetHelperProtocol.h"
#include "base/RtNetlink.h"
#include "nethelper/HelperScope.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <ifaddrs.h>
#include <linux/neighbour.h>
#include <net/if.h>
#include <netpacket/packet.h>
#include <poll.h>
#include <set>
#include <sys/file.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using TClock = std::chrono::steady_clock;

// A request that finds no answer within this time is asked once more.
constexpr auto RetryAfter = std::chrono::milliseconds(100);
// Frames of all calls together leave at most one a millisecond: a scan of a /24 still takes a
// quarter of a second, and a flood of calls cannot go beyond that rate.
constexpr auto FrameSpacing = std::chrono::milliseconds(1);
// How long a call waits for another to let go of the lock.
constexpr auto LockWait = std::chrono::milliseconds(1000);

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

// Every IPv4 entry of the neighbour table, on every interface; false, with Error, when it
// cannot be read.
bool ReadNeighbourTable(std::vector<TNeighbourEntry> &table, int &error)
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
    table.clear();
    error = 0;
    return NetlinkRequest(
        &dump.Header,
        [&](const nlmsghdr *msg) {
            const auto *ndm = static_cast<const ndmsg *>(NLMSG_DATA(msg));
            if (msg->nlmsg_type != RTM_NEWNEIGH || ndm->ndm_family != AF_INET)
                return;
            TNeighbourEntry entry;
            entry.InterfaceIndex = ndm->ndm_ifindex;
            entry.State = ndm->ndm_state;
            entry.Flags = ndm->ndm_flags;
            bool hasAddress = false;
            ForEachAttribute<ndmsg>(msg, [&](const rtattr *attr) {
                if (attr->rta_type == NDA_DST && RTA_PAYLOAD(attr) == sizeof(in_addr)) {
                    std::memcpy(&entry.Address, RTA_DATA(attr), sizeof(in_addr));
                    hasAddress = true;
                } else if (attr->rta_type == NDA_PROTOCOL && RTA_PAYLOAD(attr) >= 1) {
                    entry.Protocol = *static_cast<const uint8_t *>(RTA_DATA(attr));
                }
            });
            if (hasAddress)
                table.push_back(entry);
        },
        &error);
}

// Calls that change the table or send frames take turns on one lock, held on the helper's own
// executable: only root can change or remove that file and only netdev can open it, so no user
// can plant, delete or pre-empt the lock with a file of their own. The wait is bounded, so a
// holder that never lets go costs a failed call, not a hung one.
class THelperLock
{
public:
    THelperLock() = default;
    THelperLock(const THelperLock &) = delete;
    THelperLock &operator=(const THelperLock &) = delete;
    ~THelperLock()
    {
        if (FFd >= 0)
            ::close(FFd);
    }

    bool Take(FILE *errors)
    {
        FFd = ::open("/proc/self/exe", O_RDONLY | O_CLOEXEC);
        if (FFd < 0) {
            std::fprintf(errors, "wayfarel-nethelper: cannot open its own executable to lock: %s\n",
                         std::strerror(errno));
            return false;
        }
        const auto giveUp = TClock::now() + LockWait;
        while (::flock(FFd, LOCK_EX | LOCK_NB) != 0) {
            if (errno != EWOULDBLOCK && errno != EINTR) {
                std::fprintf(errors, "wayfarel-nethelper: cannot lock: %s\n", std::strerror(errno));
                return false;
            }
            if (TClock::now() >= giveUp) {
                std::fprintf(errors,
                             "wayfarel-nethelper: another call of the helper holds its lock; try again\n");
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    }

private:
    int FFd = -1;
};

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

// Sends one request to each address still pending, FrameSpacing apart and holding the lock,
// printing the replies that come meanwhile. The spacing after the last frame is also kept
// before the lock is let go, so frames of all calls together stay FrameSpacing apart.
bool SendRound(int fd, const TArpSender &sender, std::set<uint32_t> &pending, FILE *answers, FILE *errors)
{
    THelperLock lock;
    if (!lock.Take(errors))
        return false;
    const std::vector<uint32_t> targets(pending.cbegin(), pending.cend());
    for (const uint32_t target : targets) {
        if (!pending.count(target))
            continue;
        SendArpRequest(fd, sender, in_addr{target});
        const auto next = TClock::now() + FrameSpacing;
        GatherReplies(fd, pending, next, answers);
        std::this_thread::sleep_until(next);
    }
    return true;
}

} // namespace

std::optional<std::string> ScopeRefusal(const THelperRequest &request)
{
    if (request.Operation == THelperOperation::NeighbourDelete)
        return std::nullopt;
    TInterfaceState state;
    if (!ReadInterfaceState(request.Interface, state))
        return "cannot read the addresses of " + request.Interface;
    if (auto refusal = InterfaceRefusal(state))
        return refusal;
    const bool probe = request.Operation == THelperOperation::ArpProbe;
    for (const in_addr address : probe ? request.Targets : std::vector<in_addr>{request.Address})
        if (auto refusal = AddressRefusal(state, address))
            return refusal;
    return std::nullopt;
}

int AddNeighbour(const THelperRequest &request, FILE *errors)
{
    THelperLock lock;
    if (!lock.Take(errors))
        return heFailed;
    std::vector<TNeighbourEntry> table;
    int error = 0;
    if (!ReadNeighbourTable(table, error))
        return KernelFailure(errors, "cannot read the neighbours for", request, error);
    if (const auto refusal =
            NeighbourAddRefusal(table, request.InterfaceIndex, request.Address, request.Interface)) {
        std::fprintf(errors, "wayfarel-nethelper: %s\n", refusal->c_str());
        return heRefused;
    }
    // Replace takes over the program's own entry or one the kernel resolved; the check above
    // leaves no other kind for it, and the lock keeps other calls of the helper out meanwhile.
    auto message = NeighbourMessage(request, RTM_NEWNEIGH, NLM_F_CREATE | NLM_F_REPLACE);
    message.Neighbour.ndm_state = NUD_PERMANENT;
    AppendAttribute(&message.Header, NDA_LLADDR, request.Mac.data(), request.Mac.size());
    const uint8_t protocol = OwnNeighbourProtocol;
    AppendAttribute(&message.Header, NDA_PROTOCOL, &protocol, sizeof protocol);
    if (!NetlinkRequest(
            &message.Header, [](const nlmsghdr *) {}, &error))
        return KernelFailure(errors, "cannot bind", request, error);
    return heDone;
}

int DeleteNeighbour(const THelperRequest &request, FILE *errors)
{
    std::vector<TNeighbourEntry> table;
    int error = 0;
    if (!ReadNeighbourTable(table, error))
        return KernelFailure(errors, "cannot read the neighbours of", request, error);
    const bool own = std::any_of(table.cbegin(), table.cend(), [&](const TNeighbourEntry &entry) {
        return entry.InterfaceIndex == request.InterfaceIndex &&
               entry.Address.s_addr == request.Address.s_addr && (entry.State & NUD_PERMANENT) &&
               entry.Protocol == OwnNeighbourProtocol;
    });
    if (!own) {
        std::fprintf(errors,
                     "wayfarel-nethelper: %s on %s is no permanent entry of the program: left as it is\n",
                     AddressText(request.Address).c_str(), request.Interface.c_str());
        return heRefused;
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
    // At most two frames per address: the request and one retry for those still silent. The
    // deadline runs from the end of the first round, which pacing makes last up to a frame
    // spacing per address.
    // A retry that cannot get the lock still leaves the answers of the first round.
    const bool sent = SendRound(fd, sender, pending, answers, errors);
    const auto deadline = TClock::now() + std::chrono::milliseconds(request.DeadlineMs);
    if (sent) {
        GatherReplies(fd, pending, std::min(deadline, TClock::now() + RetryAfter), answers);
        if (!pending.empty() && TClock::now() < deadline)
            SendRound(fd, sender, pending, answers, errors);
        GatherReplies(fd, pending, deadline, answers);
    }
    ::close(fd);
    return sent ? heDone : heFailed;
}
