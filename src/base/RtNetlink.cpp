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

bool Failed(int *error, int code)
{
    if (error)
        *error = code;
    return false;
}

// Reads answers until the conversation ends; the socket belongs to the caller.
bool Converse(int fd, nlmsghdr *request, const TNetlinkHandler &handler, int *error)
{
    timeval timeout{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    request->nlmsg_seq = 1;
    if (::sendto(fd, request, request->nlmsg_len, 0, reinterpret_cast<sockaddr *>(&kernel), sizeof kernel) <
        0)
        return Failed(error, errno);
    const bool dump = request->nlmsg_flags & NLM_F_DUMP;
    alignas(nlmsghdr) char buffer[32768];
    for (;;) {
        const ssize_t length = ::recv(fd, buffer, sizeof buffer, 0);
        if (length <= 0)
            return Failed(error, length < 0 ? errno : 0);
        int remaining = static_cast<int>(length);
        for (auto *msg = reinterpret_cast<nlmsghdr *>(buffer); MessageFits(msg, remaining);
             msg = NLMSG_NEXT(msg, remaining)) {
            if (msg->nlmsg_type == NLMSG_DONE)
                return true;
            if (msg->nlmsg_type == NLMSG_ERROR) {
                const int code = -reinterpret_cast<nlmsgerr *>(NLMSG_DATA(msg))->error;
                return code == 0 || Failed(error, code);
            }
            handler(msg);
            if (!dump)
                return true;
        }
    }
}

} // namespace

bool NetlinkRequest(nlmsghdr *request, const TNetlinkHandler &handler, int *error)
{
    const int fd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
    if (fd < 0)
        return Failed(error, errno);
    const bool done = Converse(fd, request, handler, error);
    ::close(fd);
    return done;
}

void AppendAttribute(nlmsghdr *request, unsigned short type, const void *data, unsigned short length)
{
    auto *attr =
        reinterpret_cast<rtattr *>(reinterpret_cast<char *>(request) + NLMSG_ALIGN(request->nlmsg_len));
    attr->rta_type = type;
    attr->rta_len = static_cast<unsigned short>(RTA_LENGTH(length));
    std::memcpy(RTA_DATA(attr), data, length);
    request->nlmsg_len = NLMSG_ALIGN(request->nlmsg_len) + RTA_ALIGN(attr->rta_len);
}
