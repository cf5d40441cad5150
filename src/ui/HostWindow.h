#pragma once

#include <QWidget>

// The messages the main window sends to the window of a program that launched it.
enum THostMessage { MSG_HOST_SHOWN = 10825, MSG_HOST_CLOSING = 10826 };

// Sends Message to the host window Host and waits until the display server has taken it: an
// X11 client message of type "_WAYFAREL_HOST_MESSAGE", format 32, holding the message number,
// the window id Self and 0. Where the program does not run on X11 nothing is sent; the result is
// then false, as it is for a window that does not exist.
bool SendHostMessage(quint32 Host, THostMessage Message, WId Self);
