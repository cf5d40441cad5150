#pragma once

#include <functional>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>

// One rtnetlink conversation with the kernel, free of Qt so the privileged helper shares it.

using TNetlinkHandler = std::function<void(const nlmsghdr *)>;

// Sends Request and hands every answering message to Handler until the kernel says it is done
// (dumps) or has answered (single requests). False when the request failed; Error, when
// given, gets the errno the kernel (or the socket) gave, 0 for a broken conversation.
bool NetlinkRequest(nlmsghdr *Request, const TNetlinkHandler &Handler, int *Error = nullptr);

// Appends one attribute to Request, which has room for it.
void AppendAttribute(nlmsghdr *Request, unsigned short Type, const void *Data, unsigned short Length);

// Calls Visit for every attribute of a message whose fixed header is T.
template <typename T, typename TVisit>
void ForEachAttribute(const nlmsghdr *Msg, const TVisit &Visit)
{
    int length = static_cast<int>(Msg->nlmsg_len - NLMSG_LENGTH(sizeof(T)));
    const auto *header = static_cast<const T *>(NLMSG_DATA(Msg));
    for (auto *attr = reinterpret_cast<const rtattr *>(reinterpret_cast<const char *>(header) +
                                                       NLMSG_ALIGN(sizeof(T)));
         RTA_OK(attr, length); attr = RTA_NEXT(attr, length))
        Visit(attr);
}
