#pragma once

#include "locations/FuncDef.h"
#include "locations/Proxy.h"

#include <QByteArray>

// The connection settings of ICQ 6: its login server and, with manual settings, a proxy.
// Switching replaces the data of the first "ConnectionSettings" record in ICQ's own store,
// ~/.ICQ/Application.mdb (an SQLite file with the table records(section, data)), opened
// exclusively on a connection of the module's own: while another program holds the store the
// step fails and nothing is written. EnableProxy means manual settings; without it ICQ uses its
// automatic ones. There is nothing to import.
class TICQProxy : public TProxyModule<TICQProxy>
{
public:
    static constexpr TModuleKind Kind = TModuleKind::ICQ;
    static constexpr QLatin1String Code = FUNC_ICQ;
    // ICQ's store exists (a link to nowhere counts, so that the check can refuse it).
    static bool IsInstalled();
    // ~/.ICQ/Application.mdb
    static QString SettingsFile();

    explicit TICQProxy(const QString &LocId) : TProxyModule(LocId) {}

    // Refuses a port outside 0..65535, a proxy type outside 0..4 and a store that is no SQLite
    // file or cannot be written in place.
    bool Check(QStringList *Reasons) override;
    // The connection-settings record the fields give.
    QByteArray Record() const;

    const QString &Server() const { return FServer; }
    void SetServer(const QString &Value) { FServer = Value; }
    int Port() const { return FPort; }
    void SetPort(int Value) { FPort = Value; }
    // 0 none, 1 HTTP, 2 HTTPS, 3 SOCKS4, 4 SOCKS5.
    int ProxyType() const { return FProxyType; }
    void SetProxyType(int Value) { FProxyType = Value; }
    const QString &ProxyServer() const { return FProxyServer; }
    void SetProxyServer(const QString &Value) { FProxyServer = Value; }
    int ProxyPort() const { return FProxyPort; }
    void SetProxyPort(int Value) { FProxyPort = Value; }
    bool IsNeedAuth() const { return FNeedAuth; }
    void SetIsNeedAuth(bool Value) { FNeedAuth = Value; }
    const QString &User() const { return FUser; }
    void SetUser(const QString &Value) { FUser = Value; }
    const QString &Pwd() const { return FPwd; }
    void SetPwd(const QString &Value) { FPwd = Value; }

protected:
    TRowBinding Binding() override;
    bool Apply() override;

private:
    static QString StoreProblem();
    void CheckNumbers(QStringList *Reasons) const;
    // What the record tells ICQ, for the step report.
    QString Description() const;

    QString FServer;
    int FPort = 0;
    int FProxyType = 0;
    QString FProxyServer;
    int FProxyPort = 0;
    bool FNeedAuth = false;
    QString FUser;
    QString FPwd;
};
