#pragma once

#include "locations/FuncDef.h"
#include "locations/Proxy.h"
#include "sharing/DefinitionRows.h"

#include <QString>

// One network drive a location maps: its row of NET_MAPPING.
class TNetMapping
{
public:
    static inline const QString Table = QStringLiteral("NET_MAPPING");

    // Sets the id and loads that row; without one the fields stay empty (a new drive).
    explicit TNetMapping(const QString &Id);

    // Inserts or updates the row; false on a database error.
    bool Save();
    bool Remove();

    // Whether another drive of location pLocId than row pId has the drive name pDriver
    // (respectively the remote folder pRemoteFolder), letter case ignored.
    static bool Exists(const QString &pId, const QString &pLocId, const QString &pDriver);
    static bool ExistsFolder(const QString &pId, const QString &pLocId, const QString &pRemoteFolder);

    const QString &Id() const { return FId; }
    const QString &LocId() const { return FLocId; }
    void SetLocId(const QString &Value) { FLocId = Value; }
    // "X:".
    const QString &Driver() const { return FDriver; }
    void SetDriver(const QString &Value) { FDriver = Value; }
    // Empty: anonymous.
    const QString &UserName() const { return FUserName; }
    void SetUserName(const QString &Value) { FUserName = Value; }
    const QString &Password() const { return FPassword; }
    void SetPassword(const QString &Value) { FPassword = Value; }
    // \\server\share\path.
    const QString &RemoteFolder() const { return FRemoteFolder; }
    void SetRemoteFolder(const QString &Value) { FRemoteFolder = Value; }
    // Restored at logon.
    bool AutoConnect() const { return FAutoConnect; }
    void SetAutoConnect(bool Value) { FAutoConnect = Value; }
    // Why the last operation that returned false failed.
    const QString &LastError() const { return FLastError; }

private:
    QList<TDbField> Fields();

    QString FId;
    QString FLocId;
    QString FDriver;
    QString FUserName;
    QString FPassword;
    QString FRemoteFolder;
    bool FAutoConnect = false;
    QString FLastError;
};

// The drives of one location, or of every other location.
using TNetMappingList = TDefinitionList<TNetMapping>;

// The network drives a location maps. Switching to the location disconnects the drives every
// other location defines and connects its own; drives no location defines stay. Its switch
// (ENABLE_PROXY of MAPPING_PROXY) off leaves the system as it is.
class TNetMappingProxy : public TProxyModule<TNetMappingProxy>
{
public:
    static constexpr TModuleKind Kind = TModuleKind::NetMapping;
    static constexpr QLatin1String Code = FUNC_SHARE;
    // Network drives are a facility of the system: always there.
    static bool IsInstalled() { return true; }

    explicit TNetMappingProxy(const QString &LocId) : TProxyModule<TNetMappingProxy>(LocId) {}

    // Also with the location's switch off.
    bool SkipsChange() override;
    // Refuses a drive name that is not a letter and a colon, a remote folder that is not
    // \\server\share, and a drive the location maps twice.
    bool Check(QStringList *Reasons) override;

protected:
    TRowBinding Binding() override;
    // Succeeds whatever the system answers; each drive it could not connect or disconnect is a
    // warning with the reason.
    bool Apply() override;
    // A new drive row for every network drive the session has now, and the switch on.
    bool ReadCurrent(const QString &NetId) override;

private:
    void DisconnectOtherDrives();
    void ConnectOwnDrives();
};
