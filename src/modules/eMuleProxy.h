#pragma once

#include "locations/FuncDef.h"
#include "locations/Proxy.h"

#include <QList>
#include <QPair>

// The proxy of the eMule file-sharing client, and of aMule, the eMule client Linux users run.
// Switching writes the seven proxy keys of the section Proxy: in eMule's config/preferences.ini
// under its install folder (the default value of \Software\eMule, HKEY_CURRENT_USER before
// HKEY_LOCAL_MACHINE) and, when it exists, in ~/.aMule/amule.conf with aMule's type numbers.
// Both files change by the private-profile rules; every other byte stays. The keys are written
// whether the proxy is on or off. A running aMule writes its whole file back when it saves a
// setting, so the step then says it must be restarted. There is nothing to import.
class TeMuleProxy : public TProxyModule<TeMuleProxy>
{
public:
    static constexpr TModuleKind Kind = TModuleKind::EMule;
    static constexpr QLatin1String Code = FUNC_EMULE;
    // eMule's install folder is a folder, or aMule's amule.conf exists (a link to nowhere
    // counts, so that the check can refuse it). Looks at the registry on every call.
    static bool IsInstalled();
    // eMule's install folder; empty when neither key opens, its default value is missing or no
    // text, or the hive cannot be read.
    static QString GetInstallPath();
    // ~/.aMule/amule.conf
    static QString AMuleConfigFile();
    // aMule's ProxyType (0 SOCKS5, 1 SOCKS4, 2 HTTP, 3 SOCKS4a) for eMule's (1 SOCKS4,
    // 2 SOCKS4a, 3 SOCKS5, 4 HTTP 1.0, 5 HTTP 1.1); -1 for any other number.
    static int AMuleProxyType(int EMuleType);

    // The path of eMule's preferences file is taken once, here; empty without an install folder.
    explicit TeMuleProxy(const QString &LocId);

    // Refuses a proxy in use without a valid type, server or port, texts with line breaks or
    // other control characters, and a file that cannot be read or replaced as it stands.
    bool Check(QStringList *Reasons) override;

    const QString &Path() const { return FPath; }
    // 1 SOCKS4, 2 SOCKS4a, 3 SOCKS5, 4 HTTP 1.0, 5 HTTP 1.1.
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
    bool Apply() override;

private:
    using TKeys = QList<QPair<QString, QString>>;
    // A file to write, its keys in the order they are written, and the line end of a new file
    // (eMule's of Windows, aMule's of Linux).
    struct TTarget
    {
        QString FileName;
        TKeys Keys;
        QString LineEnd;
    };

    QList<TTarget> Targets() const;
    TKeys EMuleKeys() const;
    TKeys AMuleKeys() const;
    void CheckFields(QStringList *Reasons) const;
    // Writes the keys into the file's Proxy section; with Save false only shows that it could.
    static bool WriteKeys(const TTarget &Target, bool Save, QString *Error);
    QString Description() const;
    void NoteRunningAMule();

    int FProxyType = 0;
    QString FServer;
    int FPort = 0;
    bool FEnablePWD = false;
    QString FUser;
    QString FPwd;
    QString FPath;
};
