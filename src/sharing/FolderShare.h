#pragma once

#include "locations/FuncDef.h"
#include "locations/Proxy.h"
#include "sharing/DefinitionRows.h"

#include <QString>

// One folder a location shares with the network: its row of FOLDER_SHARE.
class TFolderShare
{
public:
    static inline const QString Table = QStringLiteral("FOLDER_SHARE");

    // Sets the id and loads that row; without one the fields stay empty (a new share).
    explicit TFolderShare(const QString &Id);

    // Inserts or updates the row; false on a database error.
    bool Save();
    bool Remove();

    // Whether another share of location pLocId than row pId has the name pShareName
    // (respectively shares the folder pShareFolder), letter case ignored.
    static bool Exists(const QString &pId, const QString &pLocId, const QString &pShareName);
    static bool ExistsFolder(const QString &pId, const QString &pLocId, const QString &pShareFolder);

    const QString &Id() const { return FId; }
    const QString &LocId() const { return FLocId; }
    void SetLocId(const QString &Value) { FLocId = Value; }
    const QString &ShareName() const { return FShareName; }
    void SetShareName(const QString &Value) { FShareName = Value; }
    const QString &ShareFolder() const { return FShareFolder; }
    void SetShareFolder(const QString &Value) { FShareFolder = Value; }
    int ShareType() const { return FShareType; }
    void SetShareType(int Value) { FShareType = Value; }
    const QString &Description() const { return FDescription; }
    void SetDescription(const QString &Value) { FDescription = Value; }
    // Why the last operation that returned false failed.
    const QString &LastError() const { return FLastError; }

private:
    QList<TDbField> Fields();

    QString FId;
    QString FLocId;
    QString FShareName;
    QString FShareFolder;
    int FShareType = 0;
    QString FDescription;
    QString FLastError;
};

// The shares of one location, or of every other location.
using TFolderShareList = TDefinitionList<TFolderShare>;

// The folders a location shares. Switching to the location removes the shares every other
// location defines and makes its own, readable by everyone; shares no location defines are
// never touched. Its switch (ENABLE_PROXY of FS_PROXY) off leaves the system as it is.
class TFolderShareProxy : public TProxyModule<TFolderShareProxy>
{
public:
    static constexpr TModuleKind Kind = TModuleKind::FolderShare;
    static constexpr QLatin1String Code = FUNC_SHARE;
    // Folder shares are a facility of the system: always there.
    static bool IsInstalled() { return true; }

    explicit TFolderShareProxy(const QString &LocId) : TProxyModule<TFolderShareProxy>(LocId) {}

    // Also with the location's switch off.
    bool SkipsChange() override;
    // Refuses a share name Samba cannot take, a folder that is not an existing absolute
    // folder, and a name the location gives twice.
    bool Check(QStringList *Reasons) override;

protected:
    TRowBinding Binding() override;
    // Succeeds whatever the system answers; each share it could not make or remove is a
    // warning with the reason.
    bool Apply() override;
    // A new share row for every disk share the system has now, and the switch on.
    bool ReadCurrent(const QString &NetId) override;

private:
    void RemoveOtherShares();
    void MakeOwnShares();
};
