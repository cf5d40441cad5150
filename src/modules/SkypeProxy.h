#pragma once

#include "locations/FuncDef.h"
#include "locations/Proxy.h"

class TXmlDocument;

// The proxy of the Skype client, switched in the Connection part of its shared.xml: the
// HTTPS or the SOCKS proxy enabled with the location's address, or both disabled for automatic
// detection and for no proxy. Only the values of existing text nodes change; a file without the
// expected elements is left as it was. The user name and password are stored only.
class TSkypeProxy : public TProxyModule<TSkypeProxy>
{
public:
    static constexpr TModuleKind Kind = TModuleKind::Skype;
    static constexpr QLatin1String Code = FUNC_SKYPE;
    // shared.xml exists.
    static bool IsInstalled();
    // ~/.Skype/shared.xml
    static QString SettingsFile();

    explicit TSkypeProxy(const QString &LocId) : TProxyModule(LocId) {}

    // Refuses a proxy in use of an unknown type, without a host or with a port outside 1..65535,
    // and a shared.xml that cannot be read and replaced.
    bool Check(QStringList *Reasons) override;

    // 0 automatic detection, 1 HTTPS, 2 SOCKS5.
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
    // False, the file unchanged, when it cannot be parsed, lacks an element on the way or an
    // Enable or Addr element without text, or cannot be replaced.
    bool Apply() override;

private:
    bool UsesProxy() const { return FEnableProxy && FProxyType != 0; }
    // "server:port", as Skype keeps a proxy.
    QString Address() const { return FServer + QLatin1Char(':') + QString::number(FPort); }
    bool SetProxyTexts(TXmlDocument &Document) const;

    int FProxyType = 0;
    QString FServer;
    int FPort = 0;
    QString FUser;
    QString FPwd;
};
