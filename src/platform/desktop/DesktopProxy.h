#pragma once

#include <QString>
#include <memory>

// The LAN proxy setting of the desktop in the form WinINet keeps it.
struct TDesktopProxySettings
{
    bool Enabled = false; // ProxyEnable: through the proxy, else direct
    QString Server;       // ProxyServer: "host:port" for all, or "http=host:port;https=...;..."
    QString Bypass;       // ProxyOverride: ";"-separated, "<local>" for local names and addresses

    bool operator==(const TDesktopProxySettings &) const = default;
};

// A store of the desktop's proxy setting. Reading gives the WinINet form back, in the canonical
// spelling of the store (see ProxyText.h). Failures keep their reason in LastError.
class IDesktopProxy
{
public:
    virtual ~IDesktopProxy() = default;

    // False when the store does not exist on this computer (its schema is not installed).
    virtual bool IsAvailable() const { return true; }
    virtual bool Read(TDesktopProxySettings &settings) = 0;
    // The server and bypass strings are stored with a direct setting too, as WinINet keeps them.
    virtual bool Write(const TDesktopProxySettings &settings) = 0;
    virtual QString LastError() const = 0;
};

// The desktop proxy of a Linux session: every write goes to both stores, GSettings (GNOME-family
// desktops, GIO programs, Firefox's system mode) and KDE's kioslaverc, skipping one that is not
// available. Reads come from the first available store.
class TDesktopProxy : public IDesktopProxy
{
public:
    TDesktopProxy(std::unique_ptr<IDesktopProxy> gnome, std::unique_ptr<IDesktopProxy> kde);
    // The user's own stores: the default GSettings backend, $XDG_CONFIG_HOME/kioslaverc and the
    // session bus.
    TDesktopProxy();
    ~TDesktopProxy() override;

    // The GSettings store is what most desktops and Firefox read: without it the setting
    // would reach KDE alone.
    bool IsAvailable() const override;
    bool Read(TDesktopProxySettings &settings) override;
    bool Write(const TDesktopProxySettings &settings) override;
    QString LastError() const override { return FLastError; }

private:
    bool Fail(const QString &reason);

    std::unique_ptr<IDesktopProxy> FGnome;
    std::unique_ptr<IDesktopProxy> FKde;
    QString FLastError;
};
