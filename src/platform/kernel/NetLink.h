#pragma once

#include "base/NetText.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <netinet/in.h>
#include <optional>
#include <vector>

// The kernel's view of this host's IPv4 interfaces, routes and neighbour table, read through
// getifaddrs and rtnetlink (no privilege needed for reading).

// One IPv4 address of one interface, with the interface's hardware address.
struct TInterfaceAddress
{
    QString Name;
    int Index = 0;
    in_addr Address{};
    in_addr Netmask{};
    unsigned Flags = 0;         // IFF_* of the interface
    QByteArray HardwareAddress; // empty when the interface has none
};

// One entry of the kernel's neighbour table.
struct TNeighbour
{
    in_addr Address{};
    QByteArray HardwareAddress;
    uint16_t State = 0;   // NUD_* bits
    uint8_t Protocol = 0; // who made the entry; 0 when nobody said
};

std::vector<TInterfaceAddress> InterfaceAddresses();

// The IPv4 address of a local interface equal to Address, if any.
std::optional<TInterfaceAddress> LocalAddress(in_addr address);

// The first IPv4 address of an interface that is up and not loopback: the address this host
// speaks from on its local network. Nothing when no such interface has one.
std::optional<TInterfaceAddress> FirstNetworkAddress();

// The first IPv4 address of the interface with this index.
std::optional<TInterfaceAddress> InterfaceAddressOf(int index);

// The index of the interface the kernel would send a packet for Target through; 0 when
// there is no route.
int RouteInterfaceIndex(in_addr target);

// Interface name for an index; empty when unknown.
QString InterfaceName(int index);

std::vector<TNeighbour> Neighbours(int interfaceIndex);

// Whether the interface has a carrier (the cable, the access point) now; false when it is down
// or does not exist.
bool HasCarrier(const QString &interfaceName);
