#pragma once

#include <cstdint>
#include <netinet/in.h>
#include <optional>
#include <string>
#include <vector>

// What a request may reach: the interface it names must be up, not loopback and speak ARP, and
// an address must be a host of one of that interface's subnets, neither its network, its
// broadcast nor an address of this host. The checks are pure; ReadInterfaceState gathers what
// they look at from the kernel.

struct TSubnet
{
    in_addr Address{}; // the interface's own address in it
    int PrefixLength = 0;
};

struct TInterfaceState
{
    std::string Name;
    bool Up = false;
    bool Loopback = false;
    bool NoArp = false;
    std::vector<TSubnet> Subnets;
    std::vector<in_addr> HostAddresses; // every IPv4 address of this host, on any interface
};

// The interface named Name as the kernel has it now; false when getifaddrs fails.
bool ReadInterfaceState(const std::string &name, TInterfaceState &state);

// Why nothing may be done on the interface, or nothing.
std::optional<std::string> InterfaceRefusal(const TInterfaceState &state);

// Why Address is no host the helper may bind or probe on the interface, or nothing.
std::optional<std::string> AddressRefusal(const TInterfaceState &state, in_addr address);

// One entry of the neighbour table, as far as the helper judges it.
struct TNeighbourEntry
{
    int InterfaceIndex = 0;
    in_addr Address{};
    uint16_t State = 0; // NUD_*
    uint8_t Flags = 0;  // NTF_*
    int Protocol = 0;   // 0 when the entry carries none
};

// Why neigh-add of Address on the interface InterfaceIndex may not go ahead given Table, or
// nothing: an entry there that the program did not make is left alone, unless it is one the
// kernel resolved by itself, and a new mark beyond MaxOwnNeighbours is refused.
std::optional<std::string> NeighbourAddRefusal(const std::vector<TNeighbourEntry> &table, int interfaceIndex,
                                               in_addr address, const std::string &interface);
