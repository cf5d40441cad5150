#pragma once

// GIO's headers name a struct field "signals", which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#define G_SETTINGS_ENABLE_BACKEND
#include <gio/gio.h>
#include <gio/gsettingsbackend.h>
#pragma pop_macro("signals")

#include <QString>
#include <memory>

// A GObject reference held for a scope.
struct TGObjectUnref
{
    void operator()(gpointer object) const
    {
        if (object)
            g_object_unref(object);
    }
};
template <class T>
using TGObject = std::unique_ptr<T, TGObjectUnref>;

// A string GLib handed over, as QString; the GLib copy is freed.
inline QString TakeGString(gchar *text)
{
    const QString result = QString::fromUtf8(text);
    g_free(text);
    return result;
}

// The message of a GError, which is freed.
inline QString TakeGError(GError *error)
{
    const QString message = error ? QString::fromUtf8(error->message) : QString();
    if (error)
        g_error_free(error);
    return message;
}
