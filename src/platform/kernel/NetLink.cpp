#include "platform/kernel/NetLink.h"

#include "base/RtNetlink.h"

#include <arpa/inet.h>
#include <cstring>
#include <ifaddrs.h>
#include <linux/neighbour.h>
#include <net/if.h>
#include <netpacket/packet.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <map>

namespace {

std::map<int, QByteArray> HardwareAddresses(const ifaddrs *list)
{
    std::map<int, QByteArray> result;
    for (const ifaddrs *it = list; it; it = it->ifa_next) {
        if (!it->ifa_addr || it->ifa_addr->sa_family != AF_PACKET)
            continue;
        const auto *ll = reinterpret_cast<const sockaddr_ll *>(it->ifa_addr);
        result[ll->sll_ifindex] = QByteArray(reinterpret_cast<const char *>(ll->sll_addr), ll->sll_halen);
    }
    return result;
}

} // namespace

std::vector<TInterfaceAddress> InterfaceAddresses()
{
    std::vector<TInterfaceAddress> result;
    ifaddrs *list = nullptr;
    if (::getifaddrs(&list) != 0)
        return result;
    const auto hardware = HardwareAddresses(list);
    for (const ifaddrs *it = list; it; it = it->ifa_next) {
        if (!it->ifa_addr || it->ifa_addr->sa_family != AF_INET)
            continue;
        TInterfaceAddress entry;
        entry.Name = QString::fromLocal8Bit(it->ifa_name);
        entry.Index = static_cast<int>(::if_nametoindex(it->ifa_name));
        entry.Address = reinterpret_cast<const sockaddr_in *>(it->ifa_addr)->sin_addr;
        if (it->ifa_netmask)
            entry.Netmask = reinterpret_cast<const sockaddr_in *>(it->ifa_netmask)->sin_addr;
        entry.Flags = it->ifa_flags;
        if (auto found = hardware.find(entry.Index); found != hardware.end())
            entry.HardwareAddress = found->second;
        result.push_back(entry);
    }
    ::freeifaddrs(list);
    return result;
}

std::optional<TInterfaceAddress> LocalAddress(in_addr address)
{
    for (const auto &entry : InterfaceAddresses())
        if (entry.Address.s_addr == address.s_addr)
            return entry;
    return std::nullopt;
}

std::optional<TInterfaceAddress> FirstNetworkAddress()
{
    for (const auto &entry : InterfaceAddresses())
        if ((entry.Flags & IFF_UP) && !(entry.Flags & IFF_LOOPBACK))
            return entry;
    return std::nullopt;
}

std::optional<TInterfaceAddress> InterfaceAddressOf(int index)
{
    for (const auto &entry : InterfaceAddresses())
        if (entry.Index == index)
            return entry;
    return std::nullopt;
}

int RouteInterfaceIndex(in_addr target)
{
    struct
    {
        nlmsghdr Header;
        rtmsg Route;
        char Attributes[64];
    } request{};
    request.Header.nlmsg_len = NLMSG_LENGTH(sizeof(rtmsg));
    request.Header.nlmsg_type = RTM_GETROUTE;
    request.Header.nlmsg_flags = NLM_F_REQUEST;
    request.Route.rtm_family = AF_INET;
    request.Route.rtm_dst_len = 32;
    AppendAttribute(&request.Header, RTA_DST, &target, sizeof target);

    int index = 0;
    NetlinkRequest(&request.Header, [&](const nlmsghdr *msg) {
        if (msg->nlmsg_type != RTM_NEWROUTE)
            return;
        ForEachAttribute<rtmsg>(msg, [&](const rtattr *attr) {
            if (attr->rta_type == RTA_OIF)
                std::memcpy(&index, RTA_DATA(attr), sizeof index);
        });
    });
    return index;
}

QString InterfaceName(int index)
{
    char name[IF_NAMESIZE] = {};
    if (index <= 0 || !::if_indextoname(static_cast<unsigned>(index), name))
        return {};
    return QString::fromLocal8Bit(name);
}

std::vector<TNeighbour> Neighbours(int interfaceIndex)
{
    struct
    {
        nlmsghdr Header;
        ndmsg Neighbour;
    } request{};
    request.Header.nlmsg_len = NLMSG_LENGTH(sizeof(ndmsg));
    request.Header.nlmsg_type = RTM_GETNEIGH;
    request.Header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    request.Neighbour.ndm_family = AF_INET;

    std::vector<TNeighbour> result;
    NetlinkRequest(&request.Header, [&](const nlmsghdr *msg) {
        const auto *ndm = static_cast<const ndmsg *>(NLMSG_DATA(msg));
        if (msg->nlmsg_type != RTM_NEWNEIGH || ndm->ndm_ifindex != interfaceIndex)
            return;
        TNeighbour entry;
        entry.State = ndm->ndm_state;
        ForEachAttribute<ndmsg>(msg, [&](const rtattr *attr) {
            if (attr->rta_type == NDA_DST && RTA_PAYLOAD(attr) == sizeof(in_addr))
                std::memcpy(&entry.Address, RTA_DATA(attr), sizeof(in_addr));
            else if (attr->rta_type == NDA_LLADDR)
                entry.HardwareAddress = QByteArray(static_cast<const char *>(RTA_DATA(attr)),
                                                   static_cast<int>(RTA_PAYLOAD(attr)));
            else if (attr->rta_type == NDA_PROTOCOL && RTA_PAYLOAD(attr) >= sizeof(uint8_t))
                entry.Protocol = *static_cast<const uint8_t *>(RTA_DATA(attr));
        });
        result.push_back(entry);
    });
    return result;
}

bool HasCarrier(const QString &interfaceName)
{
    // Asked of the thread's own network namespace, which /sys need not show.
    const QByteArray name = interfaceName.toLocal8Bit();
    if (name.isEmpty() || name.size() >= IFNAMSIZ)
        return false;
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    ifreq request{};
    std::memcpy(request.ifr_name, name.constData(), static_cast<size_t>(name.size()));
    const bool asked = ::ioctl(fd, SIOCGIFFLAGS, &request) == 0;
    ::close(fd);
    return asked && (request.ifr_flags & IFF_UP) && (request.ifr_flags & IFF_RUNNING);
}
