#include "nethelper/HelperScope.h"

#include "base/NetHelperProtocol.h"

#include <arpa/inet.h>
#include <bit>
#include <ifaddrs.h>
#include <linux/neighbour.h>
#include <net/if.h>

namespace {

std::string Text(in_addr address)
{
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &address, text, sizeof text);
    return text;
}

std::string Quoted(const std::string &name) { return "\"" + name + "\""; }

uint32_t Mask(int prefixLength) { return prefixLength <= 0 ? 0 : ~uint32_t{0} << (32 - prefixLength); }

std::string SubnetText(const TSubnet &subnet)
{
    return Text(subnet.Address) + "/" + std::to_string(subnet.PrefixLength);
}

std::string SubnetsText(const TInterfaceState &state)
{
    if (state.Subnets.empty())
        return "it has no IPv4 address";
    std::string text;
    for (const TSubnet &subnet : state.Subnets)
        text += (text.empty() ? "" : ", ") + SubnetText(subnet);
    return text;
}

// An entry someone else put in place: permanent or static, marked by another program, or
// learned by a control plane outside the kernel's own resolution.
std::optional<std::string> ForeignEntry(const TNeighbourEntry &entry)
{
    if (entry.Protocol != 0)
        return "an entry of another program (protocol " + std::to_string(entry.Protocol) + ")";
    if (entry.State & (NUD_PERMANENT | NUD_NOARP))
        return "a static entry the program did not make";
    if (entry.Flags & NTF_EXT_LEARNED)
        return "an externally learned entry";
    return std::nullopt;
}

} // namespace

bool ReadInterfaceState(const std::string &name, TInterfaceState &state)
{
    ifaddrs *list = nullptr;
    if (::getifaddrs(&list) != 0)
        return false;
    state = TInterfaceState{};
    state.Name = name;
    for (const ifaddrs *it = list; it; it = it->ifa_next) {
        const bool ours = name == it->ifa_name;
        if (ours) {
            state.Up = it->ifa_flags & IFF_UP;
            state.Loopback = it->ifa_flags & IFF_LOOPBACK;
            state.NoArp = it->ifa_flags & IFF_NOARP;
        }
        if (!it->ifa_addr || it->ifa_addr->sa_family != AF_INET)
            continue;
        const in_addr address = reinterpret_cast<const sockaddr_in *>(it->ifa_addr)->sin_addr;
        state.HostAddresses.push_back(address);
        if (ours && it->ifa_netmask) {
            const uint32_t mask =
                ntohl(reinterpret_cast<const sockaddr_in *>(it->ifa_netmask)->sin_addr.s_addr);
            state.Subnets.push_back({address, std::popcount(mask)});
        }
    }
    ::freeifaddrs(list);
    return true;
}

std::optional<std::string> InterfaceRefusal(const TInterfaceState &state)
{
    if (state.Loopback)
        return Quoted(state.Name) + " is a loopback interface";
    if (!state.Up)
        return Quoted(state.Name) + " is down";
    if (state.NoArp)
        return Quoted(state.Name) + " does not use ARP";
    return std::nullopt;
}

std::optional<std::string> AddressRefusal(const TInterfaceState &state, in_addr address)
{
    for (const in_addr own : state.HostAddresses)
        if (own.s_addr == address.s_addr)
            return Text(address) + " is an address of this host";
    const uint32_t value = ntohl(address.s_addr);
    std::optional<std::string> edge;
    for (const TSubnet &subnet : state.Subnets) {
        const uint32_t mask = Mask(subnet.PrefixLength);
        const uint32_t network = ntohl(subnet.Address.s_addr) & mask;
        if ((value & mask) != network)
            continue;
        // A /31 has no network or broadcast address; a /32 holds only this host.
        if (subnet.PrefixLength > 30 || (value != network && value != (network | ~mask)))
            return std::nullopt;
        edge = Text(address) + " is the " + (value == network ? "network" : "broadcast") + " address of " +
               SubnetText(subnet) + " on " + Quoted(state.Name);
    }
    if (edge)
        return edge;
    return Text(address) + " is outside the subnets of " + Quoted(state.Name) + " (" + SubnetsText(state) +
           ")";
}

std::optional<std::string> NeighbourAddRefusal(const std::vector<TNeighbourEntry> &table, int interfaceIndex,
                                               in_addr address, const std::string &interface)
{
    int marked = 0;
    bool replacesOwn = false;
    for (const TNeighbourEntry &entry : table) {
        const bool same = entry.InterfaceIndex == interfaceIndex && entry.Address.s_addr == address.s_addr;
        if (entry.Protocol == OwnNeighbourProtocol) {
            ++marked;
            replacesOwn = replacesOwn || same;
        } else if (same) {
            if (const auto foreign = ForeignEntry(entry))
                return Text(address) + " on " + Quoted(interface) + " is " + *foreign + ": left as it is";
        }
    }
    if (!replacesOwn && marked >= MaxOwnNeighbours)
        return "the program already holds " + std::to_string(marked) +
               " neighbour entries, the most it may (" + std::to_string(MaxOwnNeighbours) +
               "): remove one with " + NeighbourDeleteOperation + " first";
    return std::nullopt;
}
