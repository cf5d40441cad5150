#pragma once

#include "base/RawArp.h"

#include <functional>
#include <netinet/in.h>
#include <optional>
#include <string>
#include <variant>
#include <vector>

// The helper's command line, checked before anything is touched.

enum class THelperOperation { NeighbourAdd, NeighbourDelete, ArpProbe };

struct THelperRequest
{
    THelperOperation Operation = THelperOperation::NeighbourAdd;
    std::string Interface;
    int InterfaceIndex = 0;
    in_addr Address{}; // the neighbour operations' address
    TMacBytes Mac{};   // neigh-add's hardware address
    int DeadlineMs = 0;
    std::vector<in_addr> Targets; // arp-probe's addresses
};

// Why a command line was refused, for the message the helper prints.
struct THelperRefusal
{
    std::string Reason;
};

// The index of a network interface; 0 when there is none of that name.
using TInterfaceLookup = std::function<int(const std::string &name)>;

// Checks argv[1..argc-1] strictly: a known operation, an interface name the kernel could hold
// that Lookup finds, unicast host addresses in dotted form, a MAC of six hex pairs joined by
// ":" or "-" that is neither zero, broadcast nor multicast, a deadline within bounds and at
// most MaxProbeTargets addresses. Nothing but Lookup is consulted: no file, no environment.
std::variant<THelperRequest, THelperRefusal> ParseHelperRequest(int argc, const char *const *argv,
                                                                const TInterfaceLookup &lookup);

// The usage text printed with a refusal.
const char *HelperUsage();
