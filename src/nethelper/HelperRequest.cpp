#include "nethelper/HelperRequest.h"

#include "base/NetHelperProtocol.h"

#include <arpa/inet.h>
#include <cstring>
#include <net/if.h>

namespace {

using TOutcome = std::variant<THelperRequest, THelperRefusal>;

THelperRefusal Refuse(const std::string &reason) { return THelperRefusal{reason}; }

// Arguments are quoted in messages, cut short so a long one cannot flood the terminal.
std::string Quoted(const char *text)
{
    constexpr size_t maxShown = 40;
    std::string shown(text, strnlen(text, maxShown + 1));
    if (shown.size() > maxShown)
        shown = shown.substr(0, maxShown) + "...";
    return "\"" + shown + "\"";
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// One to MaxDigits decimal digits without a leading zero; its value, or -1.
long DecimalValue(const char *text, size_t maxDigits)
{
    const size_t length = strnlen(text, maxDigits + 1);
    if (length == 0 || length > maxDigits || (length > 1 && text[0] == '0'))
        return -1;
    long value = 0;
    for (size_t i = 0; i < length; ++i) {
        if (!IsDigit(text[i]))
            return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

// Four decimal octets, nothing around them.
bool ParseDotted(const char *text, in_addr &address)
{
    uint32_t value = 0;
    int octets = 0;
    const char *part = text;
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
    address.s_addr = htonl(value);
    return true;
}

// A host's unicast address: not this network (0/8), loopback, multicast or reserved.
bool IsUnicastHost(in_addr address)
{
    const uint32_t first = ntohl(address.s_addr) >> 24;
    return first != 0 && first != 127 && first < 224;
}

std::variant<in_addr, THelperRefusal> HostAddress(const char *text)
{
    in_addr address{};
    if (!ParseDotted(text, address))
        return Refuse(Quoted(text) + " is no dotted IPv4 address");
    if (!IsUnicastHost(address))
        return Refuse(Quoted(text) + " is no unicast host address");
    return address;
}

int HexValue(char c)
{
    if (IsDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Six hex pairs, all joined by ':' or all by '-'.
bool ParseMac(const char *text, TMacBytes &mac)
{
    constexpr size_t length = 17;
    if (strnlen(text, length + 1) != length || (text[2] != ':' && text[2] != '-'))
        return false;
    const char separator = text[2];
    for (size_t i = 0; i < mac.size(); ++i) {
        const char *pair = text + 3 * i;
        const int high = HexValue(pair[0]), low = HexValue(pair[1]);
        if (high < 0 || low < 0 || (i + 1 < mac.size() && pair[2] != separator))
            return false;
        mac[i] = static_cast<uint8_t>(high << 4 | low);
    }
    return true;
}

std::variant<TMacBytes, THelperRefusal> UnicastMac(const char *text)
{
    TMacBytes mac{};
    if (!ParseMac(text, mac))
        return Refuse(Quoted(text) + " is no MAC address (six hex pairs joined by ':' or '-')");
    if (mac == TMacBytes{})
        return Refuse(Quoted(text) + " is the zero MAC address");
    // The group bit also covers broadcast.
    if (mac[0] & 1)
        return Refuse(Quoted(text) + " is a broadcast or multicast MAC address");
    return mac;
}

// The kernel's rule for interface names, narrowed to the characters names are made of.
bool IsInterfaceName(const char *text)
{
    const size_t length = strnlen(text, IFNAMSIZ);
    if (length == 0 || length >= IFNAMSIZ || !std::strcmp(text, ".") || !std::strcmp(text, ".."))
        return false;
    for (size_t i = 0; i < length; ++i) {
        const char c = text[i];
        const bool allowed = IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-' ||
                             c == '_' || c == '.';
        if (!allowed)
            return false;
    }
    return true;
}

std::optional<THelperRefusal> TakeInterface(const char *text, const TInterfaceLookup &lookup,
                                            THelperRequest &request)
{
    if (!IsInterfaceName(text))
        return Refuse(Quoted(text) + " is no interface name");
    request.Interface = text;
    request.InterfaceIndex = lookup(request.Interface);
    if (request.InterfaceIndex <= 0)
        return Refuse("no interface " + Quoted(text));
    return std::nullopt;
}

TOutcome NeighbourRequest(THelperOperation operation, int count, const char *const *args,
                          const TInterfaceLookup &lookup)
{
    const int expected = operation == THelperOperation::NeighbourAdd ? 3 : 2;
    if (count != expected)
        return Refuse(std::string(operation == THelperOperation::NeighbourAdd ? NeighbourAddOperation
                                                                              : NeighbourDeleteOperation) +
                      " takes " + std::to_string(expected) + " arguments");
    THelperRequest request;
    request.Operation = operation;
    if (auto refusal = TakeInterface(args[0], lookup, request))
        return *refusal;
    const auto address = HostAddress(args[1]);
    if (const auto *refusal = std::get_if<THelperRefusal>(&address))
        return *refusal;
    request.Address = std::get<in_addr>(address);
    if (operation == THelperOperation::NeighbourAdd) {
        const auto mac = UnicastMac(args[2]);
        if (const auto *refusal = std::get_if<THelperRefusal>(&mac))
            return *refusal;
        request.Mac = std::get<TMacBytes>(mac);
    }
    return request;
}

TOutcome ProbeRequest(int count, const char *const *args, const TInterfaceLookup &lookup)
{
    if (count < 3)
        return Refuse(std::string(ArpProbeOperation) + " takes an interface, a deadline and addresses");
    if (count - 2 > MaxProbeTargets)
        return Refuse("at most " + std::to_string(MaxProbeTargets) + " addresses per call");
    THelperRequest request;
    request.Operation = THelperOperation::ArpProbe;
    if (auto refusal = TakeInterface(args[0], lookup, request))
        return *refusal;
    const long deadline = DecimalValue(args[1], 4);
    if (deadline < MinProbeDeadlineMs || deadline > MaxProbeDeadlineMs)
        return Refuse(Quoted(args[1]) + " is no deadline of " + std::to_string(MinProbeDeadlineMs) + ".." +
                      std::to_string(MaxProbeDeadlineMs) + " ms");
    request.DeadlineMs = static_cast<int>(deadline);
    for (int i = 2; i < count; ++i) {
        const auto address = HostAddress(args[i]);
        if (const auto *refusal = std::get_if<THelperRefusal>(&address))
            return *refusal;
        request.Targets.push_back(std::get<in_addr>(address));
    }
    return request;
}

} // namespace

TOutcome ParseHelperRequest(int argc, const char *const *argv, const TInterfaceLookup &lookup)
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
        return NeighbourRequest(THelperOperation::NeighbourAdd, count, args, lookup);
    if (!std::strcmp(operation, NeighbourDeleteOperation))
        return NeighbourRequest(THelperOperation::NeighbourDelete, count, args, lookup);
    if (!std::strcmp(operation, ArpProbeOperation))
        return ProbeRequest(count, args, lookup);
    return Refuse("unknown operation " + Quoted(operation));
}

const char *HelperUsage()
{
    return "usage: wayfarel-nethelper neigh-add IFACE IP MAC\n"
           "       wayfarel-nethelper neigh-del IFACE IP\n"
           "       wayfarel-nethelper arp-probe IFACE DEADLINE_MS IP...\n";
}
