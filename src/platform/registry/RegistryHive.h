#pragma once

#include "base/Exceptions.h"
#include "platform/registry/RegistryValue.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

// A hive file could not be understood; it is never overwritten.
class EHiveParseError : public ERegistryException
{
public:
    using ERegistryException::ERegistryException;
};

struct TRegNamedValue
{
    QString Name;
    TRegValue Value;
};

// One key of a hive: its path below the root in stored spelling and its values in order.
struct THiveKey
{
    QString Path;
    QList<TRegNamedValue> Values;

    const TRegValue *Find(const QString &name) const;
    // Returns false when the value already held exactly this.
    bool Set(const QString &name, const TRegValue &value);
    bool Remove(const QString &name);
    QStringList ValueNames() const;
};

// The keys of one root in memory. Paths are below the root, separated by a single
// backslash, without a leading one; "" is the root itself. Names compare case-insensitively
// and keep the spelling they were created with.
class THive
{
public:
    THive();

    const THiveKey *FindKey(const QString &path) const;
    bool KeyExists(const QString &path) const { return FindKey(path) != nullptr; }
    // Creates the key and its missing ancestors.
    THiveKey &EnsureKey(const QString &path);
    // Removes the key with everything below it; the root cannot be removed.
    bool DeleteKey(const QString &path);
    QStringList SubKeyNames(const QString &path) const;

    // rootName is the section prefix, e.g. "HKEY_LOCAL_MACHINE"; fileName names the source
    // in error messages.
    static THive Parse(const QString &text, const QString &rootName, const QString &fileName);
    QString Format(const QString &rootName) const;

private:
    QMap<QString, THiveKey> FKeys; // by case-folded path, so parents sort before children
};

// Splits a key path into its names, ignoring leading, trailing and doubled separators.
QStringList SplitKeyPath(const QString &path);
QString NormalizeKeyPath(const QString &path);
QString FoldName(const QString &name);
