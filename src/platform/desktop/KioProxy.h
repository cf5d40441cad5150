#pragma once

#include "platform/desktop/DesktopProxy.h"

#include <QDBusConnection>

// The proxy setting in KDE's kioslaverc, group [Proxy Settings]: ProxyType 1 (manual) or 0
// (direct), a "http://HOST PORT" address per protocol ("socks://" for SOCKS), NoProxyFor as a
// comma-separated list. Other groups, keys and comments of the file are kept.
class TKioProxy : public IDesktopProxy
{
public:
    // bus: where running KDE programs hear that the file changed; a bus that is not connected
    // (no session) leaves them to read it at their next start.
    TKioProxy(const QString &fileName, const QDBusConnection &bus);

    // $XDG_CONFIG_HOME/kioslaverc.
    static QString DefaultFileName();

    bool Read(TDesktopProxySettings &settings) override;
    bool Write(const TDesktopProxySettings &settings) override;
    QString LastError() const override { return FLastError; }

private:
    bool TellRunningPrograms();
    bool Fail(const QString &reason);

    QString FFileName;
    QDBusConnection FBus;
    QString FLastError;
};
