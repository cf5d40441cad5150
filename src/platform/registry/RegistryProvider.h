#pragma once

#include "platform/registry/RegistryValue.h"

#include <QStringList>
#include <optional>

// Serves a registry subtree live from a system facility instead of the hive. Paths are
// relative to the mount point ("" is the mounted key itself), separated by backslashes.
// Names compare case-insensitively, as in the hive.
class IRegistryProvider
{
public:
    virtual ~IRegistryProvider() = default;

    virtual bool KeyExists(const QString &path) = 0;
    virtual QStringList KeyNames(const QString &path) = 0;
    virtual QStringList ValueNames(const QString &path) = 0;
    virtual std::optional<TRegValue> ReadValue(const QString &path, const QString &name) = 0;
    // Raise ERegistryException with the reason when the facility cannot take the change.
    virtual void WriteValue(const QString &path, const QString &name, const TRegValue &value) = 0;
    virtual void DeleteValue(const QString &path, const QString &name) = 0;
};
