#pragma once

#include "app/RowBinding.h"

#include <QLatin1String>
#include <QString>
#include <QStringList>
#include <memory>
#include <type_traits>

// The settings modules a location owns, one object of each.
enum class TModuleKind { IE, Firefox, FolderShare, NetMapping, Foxmail, MSN, ICQ, Skype, EMule, BitComet };
inline constexpr int ModuleKindCount = static_cast<int>(TModuleKind::BitComet) + 1;

// Base of every settings module of a location (proxies of the client applications, folder
// shares, drive mappings). A location owns one object per module class and drives it through
// the operations below. The base does the shared part: the guard that lets a module switched
// off in the catalogue (or whose client is missing) succeed without doing anything, and the
// load, save and remove of the module's row through its TRowBinding. A module class derives
// from TProxyModule and fills in the protected hooks; a hook it leaves out raises EAbstractError.
class TCustomProxy
{
public:
    virtual ~TCustomProxy() = default;
    TCustomProxy(const TCustomProxy &) = delete;
    TCustomProxy &operator=(const TCustomProxy &) = delete;

    // Makes a module for the location and loads its row: construction first, then the class's
    // own Load, which a constructor cannot dispatch to.
    template <class TModule>
    static std::unique_ptr<TModule> Create(const QString &LocId)
    {
        static_assert(std::is_base_of_v<TCustomProxy, TModule>);
        auto Module = std::make_unique<TModule>(LocId);
        static_cast<TCustomProxy &>(*Module).Load();
        return Module;
    }

    // Applies the stored settings; true when applied or when SkipsChange says there is nothing
    // to do.
    virtual bool ChangeTo();
    // Stores the fields in the module's row; true without writing when the module is switched
    // off, false on a database error.
    virtual bool Save();
    // Reads the current settings of the system or client into the fields and saves them.
    virtual bool Import(const QString &NetId);
    // Deletes the location's rows of the module's tables; true also without an open connection.
    bool Remove();

    // The guard of ChangeTo: a module whose client is not installed, or that the catalogue
    // switches off, succeeds without doing anything.
    virtual bool SkipsChange();
    // Appends one reason for every stored field the switch could not apply as it stands; true
    // when there is none. Runs before anything is changed.
    virtual bool Check(QStringList *Reasons);

    // The stored fields by column, in the table's order, as a person reads them.
    QList<QPair<QString, QString>> StoredFields();
    // The module's table and the fields its columns hold, for code that carries rows without
    // knowing the module (export and import of locations).
    TRowBinding StoredRow() { return Binding(); }

    // The catalogue switch of the module's code, read and written on every access.
    virtual bool IsEnabled();
    virtual void SetIsEnabled(bool Value);

    // The base class stands for no client application.
    static bool IsInstalled();

    const QString &LocId() const { return FLocId; }
    void SetLocId(const QString &Value) { FLocId = Value; }
    bool EnableProxy() const { return FEnableProxy; }
    void SetEnableProxy(bool Value) { FEnableProxy = Value; }
    // Why the last operation that returned false failed.
    const QString &LastError() const { return FLastError; }
    // What the last ChangeTo changed, and what it leaves the user to do, for the switch step.
    const QStringList &Changes() const { return FChanges; }
    // What the last ChangeTo could not do without failing, each with its reason.
    const QStringList &Warnings() const { return FWarnings; }

protected:
    explicit TCustomProxy(const QString &LocId) : FLocId(LocId) {}

    // Loads the location's row while the module is switched on (Create calls it right after
    // construction); a row that cannot be read leaves the defaults.
    virtual void Load();

    // The module's table and the fields its columns hold.
    virtual TRowBinding Binding();
    // Writes the stored settings to the system or the client's configuration.
    virtual bool Apply();
    // Reads the current settings of the system or client into the fields.
    virtual bool ReadCurrent(const QString &NetId);
    // The module's catalogue code and whether its client is installed, from its class.
    virtual QLatin1String CatalogueCode() const;
    virtual bool ClientInstalled() const;

    bool Fail(const QString &Reason);
    // Notes what ChangeTo could not do while it still succeeds.
    void Warn(const QString &Reason) { FWarnings.append(Reason); }

    QString FLocId;
    bool FEnableProxy = false;
    QString FLastError;
    QStringList FChanges;
    QStringList FWarnings;
};

// The base of a module class TSelf, which declares its kind, its catalogue code and its client
// check as class members:
//   static constexpr TModuleKind Kind = TModuleKind::IE;
//   static constexpr QLatin1String Code = FUNC_IE;
//   static bool IsInstalled();
template <class TSelf>
class TProxyModule : public TCustomProxy
{
protected:
    using TCustomProxy::TCustomProxy;

    QLatin1String CatalogueCode() const override { return TSelf::Code; }
    bool ClientInstalled() const override { return TSelf::IsInstalled(); }
};
