#pragma once

#include <array>
#include <cstdint>
#include <netinet/in.h>

// Raw ARP requests and their replies on one interface, free of Qt so the privileged helper
// shares them with the program.

using TMacBytes = std::array<uint8_t, 6>;

// Where requests leave from: the interface, and the addresses they carry as their sender.
struct TArpSender
{
    int Index = 0;
    in_addr Address{};
    TMacBytes Mac{};
};

struct TArpReply
{
    in_addr Address{};
    TMacBytes Mac{};
};

// A raw ARP socket bound to the interface; -1 with errno set when none can be had (EPERM
// without CAP_NET_RAW).
int OpenArpSocket(int index);

bool SendArpRequest(int fd, const TArpSender &sender, in_addr target);

// The next ARP reply waiting on the socket, skipping requests and this host's own frames;
// false when none is waiting.
bool NextArpReply(int fd, TArpReply &reply);
