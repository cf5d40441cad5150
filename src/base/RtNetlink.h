#pragma once

#include <functional>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>

// One rtnetlink conversation with the kernel, free of Qt so the privileged helper shares it.

using TNetlinkHandler = std::function<void(const nlmsghdr *)>;

// Sends Request and hands every answering message to Handler until the kernel says it is done
// (dumps) or has answered (single requests). False when the request failed; Error, when
// given, gets the errno the kernel (or the socket) gave, 0 for a broken conversation.
bool NetlinkRequest(nlmsghdr *request, const TNetlinkHandler &handler, int *error = nullptr);

// Appends one attribute to Request, which has room for it.
void AppendAttribute(nlmsghdr *request, unsigned short type, const void *data, unsigned short length);

// Calls Visit for every attribute of a message whose fixed header is T.
template <typename T, typename TVisit>
void ForEachAttribute(const nlmsghdr *msg, const TVisit &visit)
{
    int length = static_cast<int>(msg->nlmsg_len - NLMSG_LENGTH(sizeof(T)));
    const auto *header = static_cast<const T *>(NLMSG_DATA(msg));
    for (auto *attr = reinterpret_cast<const rtattr *>(reinterpret_cast<const char *>(header) +
                                                       NLMSG_ALIGN(sizeof(T)));
         RTA_OK(attr, length); attr = RTA_NEXT(attr, length))
        visit(attr);
}
