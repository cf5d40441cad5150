#pragma once

#include "locations/FuncDef.h"
#include "locations/Proxy.h"

// The SOCKS proxy of the Foxmail mail client, kept as strings in its Proxy key of the current
// user's registry hive. Type, server and port are written also when the proxy is off; the user
// name and password are stored only, never handed to Foxmail.
class TFoxMailProxy : public TProxyModule<TFoxMailProxy>
{
public:
    static constexpr TModuleKind Kind = TModuleKind::Foxmail;
    static constexpr QLatin1String Code = FUNC_FOXMAIL;
    // Foxmail's key exists in the current user's hive.
    static bool IsInstalled();

    explicit TFoxMailProxy(const QString &LocId) : TProxyModule(LocId) {}

    // Refuses a proxy in use of another type than SOCKS4 or SOCKS5, without a host or with a
    // port outside 1..65535.
    bool Check(QStringList *Reasons) override;

    // 1 SOCKS4, 2 SOCKS5.
    int ProxyType() const { return FProxyType; }
    void SetProxyType(int Value) { FProxyType = Value; }
    const QString &Server() const { return FServer; }
    void SetServer(const QString &Value) { FServer = Value; }
    int Port() const { return FPort; }
    void SetPort(int Value) { FPort = Value; }
    const QString &User() const { return FUser; }
    void SetUser(const QString &Value) { FUser = Value; }
    const QString &Pwd() const { return FPwd; }
    void SetPwd(const QString &Value) { FPwd = Value; }

protected:
    TRowBinding Binding() override;
    // False, writing nothing, when Foxmail has no Proxy key; a value that cannot be written raises.
    bool Apply() override;

private:
    int FProxyType = 0;
    QString FServer;
    int FPort = 0;
    QString FUser;
    QString FPwd;
};
