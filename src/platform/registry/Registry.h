#pragma once

#include "base/Exceptions.h"
#include "platform/registry/RegistryFile.h"
#include "platform/registry/RegistryProvider.h"
#include "platform/registry/RegistryValue.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

// Registry accessor with a root key and one open key, kept in the text hives of
// THiveFile; subtrees mounted with Mount are served by a provider instead.
//
// A key path with a leading backslash is taken from the root; without one it is taken
// relative to the open key, or from the root when no key is open. Names compare
// case-insensitively and keep the spelling they were created with.
//
// Typed reads raise ERegistryException for a missing value ("Failed to get data for ...")
// and for a value of another type ("Invalid data type for ..."); writes raise when no key
// is open, the key is read-only or the change cannot be saved. Operations that answer with
// a Boolean report failure as false; only an unparseable hive raises from them.
class TRegistry
{
public:
    explicit TRegistry(TRootKey root = HKEY_CURRENT_USER);
    virtual ~TRegistry() = default;

    TRootKey RootKey() const { return FRootKey; }
    // Closes the open key.
    void SetRootKey(TRootKey root);

    // Opens key for reading and writing, creating it when canCreate; false when it is
    // missing, cannot be created or its hive cannot be written.
    bool OpenKey(const QString &key, bool canCreate);
    bool OpenKeyReadOnly(const QString &key);
    void CloseKey();
    bool KeyExists(const QString &key) const;
    // Removes key with all its subkeys.
    bool DeleteKey(const QString &key);
    // The open key's path from the root, without leading backslash.
    QString CurrentPath() const { return FCurrentPath; }

    QStringList GetKeyNames() const;
    QStringList GetValueNames() const;
    bool ValueExists(const QString &name) const;
    bool DeleteValue(const QString &name);
    // REG_NONE for a missing value.
    TRegDataType GetDataType(const QString &name) const;
    // Size of the stored data in bytes (strings as UTF-16 with terminator); -1 when missing.
    int GetDataSize(const QString &name) const;

    // String reads accept REG_SZ and REG_EXPAND_SZ alike.
    QString ReadString(const QString &name) const;
    void WriteString(const QString &name, const QString &value);
    QString ReadExpandString(const QString &name) const;
    void WriteExpandString(const QString &name, const QString &value);
    int ReadInteger(const QString &name) const;
    void WriteInteger(const QString &name, int value);
    bool ReadBool(const QString &name) const;
    void WriteBool(const QString &name, bool value);
    // Accepts REG_BINARY and every non-string, non-integer type (multi-strings among them).
    QByteArray ReadBinaryData(const QString &name) const;
    void WriteBinaryData(const QString &name, const QByteArray &data);
    TRegValue ReadRaw(const QString &name) const;
    void WriteRaw(const QString &name, TRegDataType type, const QByteArray &data);

    // Serves keyPath of root and everything below it from provider, replacing an earlier
    // mount of the same path. Process-wide.
    static void Mount(TRootKey root, const QString &keyPath, std::shared_ptr<IRegistryProvider> provider);
    static void Unmount(TRootKey root, const QString &keyPath);

private:
    QString AbsolutePath(const QString &key) const;
    bool SetCurrentKey(const QString &path, bool readOnly);
    std::optional<TRegValue> Lookup(const QString &name) const;
    TRegValue ReadTyped(const QString &name, bool (*accepts)(TRegDataType)) const;
    void Store(const QString &name, const TRegValue &value);

    TRootKey FRootKey;
    bool FKeyOpen = false;
    bool FReadOnly = false;
    QString FCurrentPath;
};
