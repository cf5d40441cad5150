#include "base/RtNetlink.h"

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// NLMSG_OK without its comparison of a signed length with an unsigned one.
bool MessageFits(const nlmsghdr *msg, int remaining)
{
    return remaining >= static_cast<int>(sizeof(nlmsghdr)) && msg->nlmsg_len >= sizeof(nlmsghdr) &&
           msg->nlmsg_len <= static_cast<unsigned>(remaining);
}

bool Failed(int *Error, int Code)
{
    if (Error)
        *Error = Code;
    return false;
}

// Reads answers until the conversation ends; the socket belongs to the caller.
bool Converse(int Fd, nlmsghdr *Request, const TNetlinkHandler &Handler, int *Error)
{
    timeval timeout{1, 0};
    ::setsockopt(Fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    Request->nlmsg_seq = 1;
    if (::sendto(Fd, Request, Request->nlmsg_len, 0, reinterpret_cast<sockaddr *>(&kernel), sizeof kernel) <
        0)
        return Failed(Error, errno);
    const bool dump = Request->nlmsg_flags & NLM_F_DUMP;
    alignas(nlmsghdr) char buffer[32768];
    for (;;) {
        const ssize_t length = ::recv(Fd, buffer, sizeof buffer, 0);
        if (length <= 0)
            return Failed(Error, length < 0 ? errno : 0);
        int remaining = static_cast<int>(length);
        for (auto *msg = reinterpret_cast<nlmsghdr *>(buffer); MessageFits(msg, remaining);
             msg = NLMSG_NEXT(msg, remaining)) {
            if (msg->nlmsg_type == NLMSG_DONE)
                return true;
            if (msg->nlmsg_type == NLMSG_ERROR) {
                const int code = -reinterpret_cast<nlmsgerr *>(NLMSG_DATA(msg))->error;
                return code == 0 || Failed(Error, code);
            }
            Handler(msg);
            if (!dump)
                return true;
        }
    }
}

} // namespace

bool NetlinkRequest(nlmsghdr *Request, const TNetlinkHandler &Handler, int *Error)
{
    const int fd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
    if (fd < 0)
        return Failed(Error, errno);
    const bool done = Converse(fd, Request, Handler, Error);
    ::close(fd);
    return done;
}

void AppendAttribute(nlmsghdr *Request, unsigned short Type, const void *Data, unsigned short Length)
{
    auto *attr =
        reinterpret_cast<rtattr *>(reinterpret_cast<char *>(Request) + NLMSG_ALIGN(Request->nlmsg_len));
    attr->rta_type = Type;
    attr->rta_len = static_cast<unsigned short>(RTA_LENGTH(Length));
    std::memcpy(RTA_DATA(attr), Data, Length);
    Request->nlmsg_len = NLMSG_ALIGN(Request->nlmsg_len) + RTA_ALIGN(attr->rta_len);
}
