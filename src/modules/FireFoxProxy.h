#pragma once

#include "locations/FuncDef.h"
#include "locations/Proxy.h"
#include "platform/clientfiles/FirefoxPrefs.h"

// The Firefox proxy of a location, applied by rewriting the proxy preferences of the profile
// Firefox uses (prefs.js). The mode alone says whether and how Firefox uses a proxy; the
// module's EnableProxy is not used.
class TFireFoxProxy : public TProxyModule<TFireFoxProxy>
{
public:
    static constexpr TModuleKind Kind = TModuleKind::Firefox;
    static constexpr QLatin1String Code = FUNC_FIREFOX;
    // A Firefox profile is in use and holds a prefs.js.
    static bool IsInstalled();

    explicit TFireFoxProxy(const QString &LocId) : TProxyModule(LocId) {}

    // Host and port of "host:port": the text before and after the first colon, both empty
    // without one.
    static QString SplitIp(const QString &S);
    static QString SplitPort(const QString &S);

    // Refuses an address that would be written and is not host:port with a port 1..65535,
    // and a profile whose preference files cannot be read or replaced.
    bool Check(QStringList *Reasons) override;
    // Reads prefs.js back into the fields and saves them; false, reading nothing, while the module
    // is switched off in the catalogue.
    bool Import(const QString &NetId) override;

    // The 14 proxy preferences as the fields give them, in the order they are written.
    QList<TFirefoxPref> Preferences() const;

    // Mode codes: 0 none chosen, 1 direct, 2 auto-detect, 3 manual, 4 configuration URL,
    // 5 system settings.
    int ProxyType() const { return FProxyType; }
    void SetProxyType(int Value) { FProxyType = Value; }
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
    const QString &AutoSeetings() const { return FAutoSeetings; }
    void SetAutoSeetings(const QString &Value) { FAutoSeetings = Value; }
    int SocksType() const { return FSocksType; }
    void SetSocksType(int Value) { FSocksType = Value; }

protected:
    TRowBinding Binding() override;
    // Rewrites prefs.js; while Firefox runs (and would write prefs.js back at its exit) also
    // the program's block of user.js, which is removed again once Firefox is not running.
    bool Apply() override;
    bool ReadCurrent(const QString &NetId) override;

private:
    void ReadAddresses(const QStringList &Lines);

    int FProxyType = 0;
    QString FHttp;
    QString FFtp;
    QString FSecure;
    QString FGopher;
    QString FSocket;
    bool FShareProxy = false;
    QString FNoProxies;
    QString FAutoSeetings;
    int FSocksType = 0;
};
