#pragma once

#include "platform/desktop/DesktopProxy.h"

// The proxy setting in GSettings org.gnome.system.proxy: mode "manual" or "none", a host and
// port per protocol (one address for all sets use-same-proxy), ignore-hosts from the bypass list.
class TGSettingsProxy : public IDesktopProxy
{
public:
    // keyFile empty: the user's default backend (dconf, or what GSETTINGS_BACKEND names);
    // otherwise a keyfile backend on that file, the layout GSETTINGS_BACKEND=keyfile uses.
    explicit TGSettingsProxy(const QString &keyFile = QString());

    static QString SchemaId();
    // False when the schema is not installed (package gsettings-desktop-schemas).
    static bool SchemaInstalled();

    bool IsAvailable() const override { return SchemaInstalled(); }
    bool Read(TDesktopProxySettings &settings) override;
    // Waits until the backend has the values, and reads them back: a backend that drops
    // writes (dconf without a session bus) is reported, not taken for success.
    bool Write(const TDesktopProxySettings &settings) override;
    QString LastError() const override { return FLastError; }

private:
    bool Fail(const QString &reason);

    QString FKeyFile;
    QString FLastError;
};
