#pragma once

#include "locations/FuncDef.h"
#include "locations/Proxy.h"

// The proxy setting of the desktop (WinINet's LAN setting on Windows): direct or through a
// proxy, one server per protocol or one for all, and the bypass list. Switching hands it to
// the installed desktop proxy; importing reads it back from the Internet Settings key.
class TIEProxy : public TProxyModule<TIEProxy>
{
public:
    static constexpr TModuleKind Kind = TModuleKind::IE;
    static constexpr QLatin1String Code = FUNC_IE;
    // The desktop proxy belongs to the system: it is always there.
    static bool IsInstalled() { return true; }

    explicit TIEProxy(const QString &LocId) : TProxyModule<TIEProxy>(LocId) {}

    // Reads the Internet Settings key into the fields; saves them only when the setting goes
    // through a proxy. False when the key cannot be opened.
    bool Import(const QString &NetId) override;
    // Refuses an address the server string carries that is not host:port, a bypass entry no
    // store takes, and a desktop without a proxy store to write.
    bool Check(QStringList *Reasons) override;

    // The server string: the HTTP address alone when it serves all protocols, else
    // "http=...;https=...;ftp=...;gopher=...;socks=..." with the addresses that are set.
    QString GetProxies() const;

    // Host and port of "host:port"; both empty when there is no colon.
    static QString SplitIp(const QString &S);
    static QString SplitPort(const QString &S);

    const QString &Http() const { return FHttp; }
    void SetHttp(const QString &Value) { FHttp = Value; }
    const QString &Ftp() const { return FFtp; }
    void SetFtp(const QString &Value) { FFtp = Value; }
    const QString &Secure() const { return FSecure; }
    void SetSecure(const QString &Value) { FSecure = Value; }
    const QString &Gopher() const { return FGopher; }
    void SetGopher(const QString &Value) { FGopher = Value; }
    const QString &Socket() const { return FSocket; }
    void SetSocket(const QString &Value) { FSocket = Value; }
    bool ShareProxy() const { return FShareProxy; }
    void SetShareProxy(bool Value) { FShareProxy = Value; }
    const QString &NoProxies() const { return FNoProxies; }
    void SetNoProxies(const QString &Value) { FNoProxies = Value; }

protected:
    TRowBinding Binding() override;
    bool Apply() override;
    bool ReadCurrent(const QString &NetId) override;

private:
    // A protocol of the server string, with the field that holds its address.
    struct TProtocol
    {
        QLatin1String Name;
        QLatin1String Label;
        QString TIEProxy::*Field;
    };
    // In the order the server string names them.
    static const QList<TProtocol> &Protocols();

    void TakeServerString(const QString &Server);
    void CheckAddresses(QStringList *Reasons) const;
    void CheckBypass(QStringList *Reasons) const;

    QString FHttp;
    QString FFtp;
    QString FSecure;
    QString FGopher;
    QString FSocket;
    bool FShareProxy = false;
    QString FNoProxies;
};
