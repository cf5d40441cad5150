#pragma once

#include "platform/registry/RegistryHive.h"

#include <functional>

enum TRootKey { HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER };

QString RootKeyName(TRootKey root);

// The hive file of one root. Reads parse the last saved file, once for as long as it stays the
// same file; changes are made under an exclusive lock on a file beside the hive: re-read,
// change, save by rename, so concurrent writers never lose each other's changes and a reader
// never sees half a file.
class THiveFile
{
public:
    explicit THiveFile(TRootKey root);

    // $WAYFAREL_REGISTRY, else $XDG_CONFIG_HOME/wayfarel/registry, else ~/.config/...
    static QString Folder();
    QString FileName() const;

    // The saved hive, empty when there is no file yet. Raises EHiveParseError.
    THive Load() const;
    // Runs change on the current hive under the lock and saves the result when change
    // returns true. Raises ERegistryException when the hive cannot be read or saved.
    void Modify(const std::function<bool(THive &)> &change);
    // False when the hive obviously cannot be saved (no write access to it or its folder).
    bool CanWrite() const;

private:
    void EnsureFolder() const;
    void Save(const THive &hive) const;

    TRootKey FRoot;
};
