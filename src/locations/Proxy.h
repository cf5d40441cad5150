#pragma once

#include <QString>
#include <memory>
#include <type_traits>

// Base of every settings module of a location (proxies of the client applications, folder
// shares, drive mappings). A location owns one object per module class and drives it through
// the virtual operations below; calling one that a class does not override raises
// EAbstractError.
//
// Every module class also provides, with the same shape:
//   static bool IsInstalled();  whether the module's client application is present
//   bool Remove();              deletes the location's rows of the module's tables
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

    // Applies the stored settings; true when applied or when there is nothing to do.
    virtual bool ChangeTo();
    // Stores the fields in the module's row; false on a database error.
    virtual bool Save();
    // Reads the current settings of the system or client into the fields and saves them.
    virtual bool Import(const QString &NetId);

    // The catalogue switch of the module's code, read and written on every access.
    virtual bool IsEnabled();
    virtual void SetIsEnabled(bool Value);

    // The base class stands for no client application.
    static bool IsInstalled();

    const QString &LocId() const { return FLocId; }
    void SetLocId(const QString &Value) { FLocId = Value; }
    bool EnableProxy() const { return FEnableProxy; }
    void SetEnableProxy(bool Value) { FEnableProxy = Value; }

protected:
    explicit TCustomProxy(const QString &LocId) : FLocId(LocId) {}

    // Loads the location's row of the module's table (Create calls it right after construction).
    virtual void Load();

    QString FLocId;
    bool FEnableProxy = false;
};
