#pragma once

#include "locations/FuncDef.h"
#include "locations/Proxy.h"

class TXmlDocument;

// The proxy of the BitComet download client, written into the proxy elements of BitComet.xml
// in its install folder; a missing element is appended to the Settings element. The only
// module that shows its own error: a file it cannot change gets a message box.
class TBitCometProxy : public TProxyModule<TBitCometProxy>
{
public:
    static constexpr TModuleKind Kind = TModuleKind::BitComet;
    static constexpr QLatin1String Code = FUNC_BITCOMET;
    // The unnamed value of the BitComet key, of the current user when the key is there, else of
    // the machine; empty when neither has the key.
    static QString GetInstallPath();
    // The install folder exists.
    static bool IsInstalled();
    // BitComet.xml in the install folder, read when a switch needs it.
    static QString SettingsFile();

    explicit TBitCometProxy(const QString &LocId) : TProxyModule(LocId) {}

    // Refuses a proxy in use of an unknown type, without a host or with a port outside
    // 1..65535, and a BitComet.xml that cannot be read and replaced.
    bool Check(QStringList *Reasons) override;

    // 1 SOCKS4, 2 SOCKS4a, 3 SOCKS5, 4 HTTP 1.1.
    int ProxyType() const { return FProxyType; }
    void SetProxyType(int Value) { FProxyType = Value; }
    const QString &Server() const { return FServer; }
    void SetServer(const QString &Value) { FServer = Value; }
    int Port() const { return FPort; }
    void SetPort(int Value) { FPort = Value; }
    bool EnablePWD() const { return FEnablePWD; }
    void SetEnablePWD(bool Value) { FEnablePWD = Value; }
    const QString &User() const { return FUser; }
    void SetUser(const QString &Value) { FUser = Value; }
    const QString &Pwd() const { return FPwd; }
    void SetPwd(const QString &Value) { FPwd = Value; }

protected:
    TRowBinding Binding() override;
    // Shows the reason in a message box and fails, the file unchanged, when it cannot be parsed,
    // has no Settings element or cannot be replaced.
    bool Apply() override;

private:
    // The six proxy elements and their texts, in the order they are written.
    QList<QPair<QString, QString>> ProxyTexts() const;
    bool WriteProxyTexts(TXmlDocument &Document) const;

    int FProxyType = 0;
    QString FServer;
    int FPort = 0;
    bool FEnablePWD = false;
    QString FUser;
    QString FPwd;
};
