#include "ui/HostWindow.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <xcb/xcb.h>

namespace {

const char HostMessageType[] = "_WAYFAREL_HOST_MESSAGE";

xcb_atom_t MessageAtom(xcb_connection_t *Connection)
{
    const xcb_intern_atom_cookie_t Cookie =
        xcb_intern_atom(Connection, 0, static_cast<uint16_t>(std::strlen(HostMessageType)), HostMessageType);
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> Reply(
        xcb_intern_atom_reply(Connection, Cookie, nullptr), &std::free);
    return Reply ? Reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

} // namespace

bool SendHostMessage(quint32 Host, THostMessage Message, WId Self)
{
    const auto *X11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!X11 || Host == 0)
        return false;
    xcb_connection_t *Connection = X11->connection();
    const xcb_atom_t Type = MessageAtom(Connection);
    if (Type == XCB_ATOM_NONE)
        return false;
    xcb_client_message_event_t Event = {};
    Event.response_type = XCB_CLIENT_MESSAGE;
    Event.format = 32;
    Event.window = Host;
    Event.type = Type;
    Event.data.data32[0] = static_cast<uint32_t>(Message);
    Event.data.data32[1] = static_cast<uint32_t>(Self);
    Event.data.data32[2] = 0;
    const xcb_void_cookie_t Sent = xcb_send_event_checked(Connection, 0, Host, XCB_EVENT_MASK_NO_EVENT,
                                                          reinterpret_cast<const char *>(&Event));
    // Checking the request waits for the server's answer, so the message is delivered (or the
    // window found missing) before this returns.
    xcb_generic_error_t *Error = xcb_request_check(Connection, Sent);
    std::free(Error);
    return Error == nullptr;
}
