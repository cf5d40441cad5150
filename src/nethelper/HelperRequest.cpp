#include "nethelper/HelperRequest.h"

#include "base/NetHelperProtocol.h"

#include <arpa/inet.h>
#include <cstring>
#include <net/if.h>

namespace {

using TOutcome = std::variant<THelperRequest, THelperRefusal>;

THelperRefusal Refuse(const std::string &Reason) { return THelperRefusal{Reason}; }

// Arguments are quoted in messages, cut short so a long one cannot flood the terminal.
std::string Quoted(const char *Text)
{
    constexpr size_t MaxShown = 40;
    std::string text(Text, strnlen(Text, MaxShown + 1));
    if (text.size() > MaxShown)
        text = text.substr(0, MaxShown) + "...";
    return "\"" + text + "\"";
}

bool IsDigit(char C) { return C >= '0' && C <= '9'; }

// One to MaxDigits decimal digits without a leading zero; its value, or -1.
long DecimalValue(const char *Text, size_t MaxDigits)
{
    const size_t length = strnlen(Text, MaxDigits + 1);
    if (length == 0 || length > MaxDigits || (length > 1 && Text[0] == '0'))
        return -1;
    long value = 0;
    for (size_t i = 0; i < length; ++i) {
        if (!IsDigit(Text[i]))
            return -1;
        value = value * 10 + (Text[i] - '0');
    }
    return value;
}

// Four decimal octets, nothing around them.
bool ParseDotted(const char *Text, in_addr &Address)
{
    uint32_t value = 0;
    int octets = 0;
    const char *part = Text;
    for (;;) {
        const char *dot = std::strchr(part, '.');
        const size_t length = dot ? static_cast<size_t>(dot - part) : std::strlen(part);
        if (length == 0 || length > 3)
            return false;
        char digits[4] = {};
        std::memcpy(digits, part, length);
        const long octet = DecimalValue(digits, 3);
        if (octet < 0 || octet > 255 || ++octets > 4)
            return false;
        value = value << 8 | static_cast<uint32_t>(octet);
        if (!dot)
            break;
        part = dot + 1;
    }
    if (octets != 4)
        return false;
    Address.s_addr = htonl(value);
    return true;
}

// A host's unicast address: not this network (0/8), loopback, multicast or reserved.
bool IsUnicastHost(in_addr Address)
{
    const uint32_t first = ntohl(Address.s_addr) >> 24;
    return first != 0 && first != 127 && first < 224;
}

std::variant<in_addr, THelperRefusal> HostAddress(const char *Text)
{
    in_addr address{};
    if (!ParseDotted(Text, address))
        return Refuse(Quoted(Text) + " is no dotted IPv4 address");
    if (!IsUnicastHost(address))
        return Refuse(Quoted(Text) + " is no unicast host address");
    return address;
}

int HexValue(char C)
{
    if (IsDigit(C))
        return C - '0';
    if (C >= 'a' && C <= 'f')
        return C - 'a' + 10;
    if (C >= 'A' && C <= 'F')
        return C - 'A' + 10;
    return -1;
}

// Six hex pairs, all joined by ':' or all by '-'.
bool ParseMac(const char *Text, TMacBytes &Mac)
{
    constexpr size_t Length = 17;
    if (strnlen(Text, Length + 1) != Length || (Text[2] != ':' && Text[2] != '-'))
        return false;
    const char separator = Text[2];
    for (size_t i = 0; i < Mac.size(); ++i) {
        const char *pair = Text + 3 * i;
        const int high = HexValue(pair[0]), low = HexValue(pair[1]);
        if (high < 0 || low < 0 || (i + 1 < Mac.size() && pair[2] != separator))
            return false;
        Mac[i] = static_cast<uint8_t>(high << 4 | low);
    }
    return true;
}

std::variant<TMacBytes, THelperRefusal> UnicastMac(const char *Text)
{
    TMacBytes mac{};
    if (!ParseMac(Text, mac))
        return Refuse(Quoted(Text) + " is no MAC address (six hex pairs joined by ':' or '-')");
    if (mac == TMacBytes{})
        return Refuse(Quoted(Text) + " is the zero MAC address");
    // The group bit also covers broadcast.
    if (mac[0] & 1)
        return Refuse(Quoted(Text) + " is a broadcast or multicast MAC address");
    return mac;
}

// The kernel's rule for interface names, narrowed to the characters names are made of.
bool IsInterfaceName(const char *Text)
{
    const size_t length = strnlen(Text, IFNAMSIZ);
    if (length == 0 || length >= IFNAMSIZ || !std::strcmp(Text, ".") || !std::strcmp(Text, ".."))
        return false;
    for (size_t i = 0; i < length; ++i) {
        const char c = Text[i];
        const bool allowed = IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-' ||
                             c == '_' || c == '.';
        if (!allowed)
            return false;
    }
    return true;
}

std::optional<THelperRefusal> TakeInterface(const char *Text, const TInterfaceLookup &Lookup,
                                            THelperRequest &Request)
{
    if (!IsInterfaceName(Text))
        return Refuse(Quoted(Text) + " is no interface name");
    Request.Interface = Text;
    Request.InterfaceIndex = Lookup(Request.Interface);
    if (Request.InterfaceIndex <= 0)
        return Refuse("no interface " + Quoted(Text));
    return std::nullopt;
}

TOutcome NeighbourRequest(THelperOperation Operation, int Count, const char *const *Args,
                          const TInterfaceLookup &Lookup)
{
    const int expected = Operation == THelperOperation::NeighbourAdd ? 3 : 2;
    if (Count != expected)
        return Refuse(std::string(Operation == THelperOperation::NeighbourAdd ? NeighbourAddOperation
                                                                              : NeighbourDeleteOperation) +
                      " takes " + std::to_string(expected) + " arguments");
    THelperRequest request;
    request.Operation = Operation;
    if (auto refusal = TakeInterface(Args[0], Lookup, request))
        return *refusal;
    const auto address = HostAddress(Args[1]);
    if (const auto *refusal = std::get_if<THelperRefusal>(&address))
        return *refusal;
    request.Address = std::get<in_addr>(address);
    if (Operation == THelperOperation::NeighbourAdd) {
        const auto mac = UnicastMac(Args[2]);
        if (const auto *refusal = std::get_if<THelperRefusal>(&mac))
            return *refusal;
        request.Mac = std::get<TMacBytes>(mac);
    }
    return request;
}

TOutcome ProbeRequest(int Count, const char *const *Args, const TInterfaceLookup &Lookup)
{
    if (Count < 3)
        return Refuse(std::string(ArpProbeOperation) + " takes an interface, a deadline and addresses");
    if (Count - 2 > MaxProbeTargets)
        return Refuse("at most " + std::to_string(MaxProbeTargets) + " addresses per call");
    THelperRequest request;
    request.Operation = THelperOperation::ArpProbe;
    if (auto refusal = TakeInterface(Args[0], Lookup, request))
        return *refusal;
    const long deadline = DecimalValue(Args[1], 4);
    if (deadline < MinProbeDeadlineMs || deadline > MaxProbeDeadlineMs)
        return Refuse(Quoted(Args[1]) + " is no deadline of " + std::to_string(MinProbeDeadlineMs) + ".." +
                      std::to_string(MaxProbeDeadlineMs) + " ms");
    request.DeadlineMs = static_cast<int>(deadline);
    for (int i = 2; i < Count; ++i) {
        const auto address = HostAddress(Args[i]);
        if (const auto *refusal = std::get_if<THelperRefusal>(&address))
            return *refusal;
        request.Targets.push_back(std::get<in_addr>(address));
    }
    return request;
}

} // namespace

TOutcome ParseHelperRequest(int argc, const char *const *argv, const TInterfaceLookup &Lookup)
{
    if (argc < 2 || !argv || !argv[1])
        return Refuse("no operation given");
    const char *operation = argv[1];
    const int count = argc - 2;
    const char *const *args = argv + 2;
    for (int i = 0; i < count; ++i)
        if (!args[i])
            return Refuse("missing argument");
    if (!std::strcmp(operation, NeighbourAddOperation))
        return NeighbourRequest(THelperOperation::NeighbourAdd, count, args, Lookup);
    if (!std::strcmp(operation, NeighbourDeleteOperation))
        return NeighbourRequest(THelperOperation::NeighbourDelete, count, args, Lookup);
    if (!std::strcmp(operation, ArpProbeOperation))
        return ProbeRequest(count, args, Lookup);
    return Refuse("unknown operation " + Quoted(operation));
}

const char *HelperUsage()
{
    return "usage: wayfarel-nethelper neigh-add IFACE IP MAC\n"
           "       wayfarel-nethelper neigh-del IFACE IP\n"
           "       wayfarel-nethelper arp-probe IFACE DEADLINE_MS IP...\n";
}
