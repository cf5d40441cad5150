#include "platform/registry/Registry.h"

#include <QMutex>
#include <QMutexLocker>

namespace {

struct TMount
{
    TRootKey Root;
    QString Path;
    std::shared_ptr<IRegistryProvider> Provider;
};

// Where a key lives: in a provider (Path relative to its mount) or in the hive (Provider
// empty, Path from the root).
struct TTarget
{
    std::shared_ptr<IRegistryProvider> Provider;
    QString Path;
};

QMutex GMountLock;
QList<TMount> GMounts;

QString ChildPrefix(const QString &foldedPath)
{
    return foldedPath.isEmpty() ? foldedPath : foldedPath + QLatin1Char('\\');
}

bool IsAtOrBelow(const QString &foldedPath, const QString &foldedBase)
{
    return foldedPath == foldedBase || foldedPath.startsWith(ChildPrefix(foldedBase));
}

TTarget Resolve(TRootKey root, const QString &path)
{
    const QString folded = FoldName(path);
    QMutexLocker locker(&GMountLock);
    const TMount *best = nullptr;
    for (const TMount &mount : std::as_const(GMounts))
        if (mount.Root == root && IsAtOrBelow(folded, FoldName(mount.Path)) &&
            (!best || mount.Path.size() > best->Path.size()))
            best = &mount;
    if (!best)
        return {nullptr, path};
    const QStringList below = SplitKeyPath(path).mid(SplitKeyPath(best->Path).size());
    return {best->Provider, below.join(QLatin1Char('\\'))};
}

// Names of the keys directly below path that lead to a mounted subtree whose key exists.
QStringList MountedChildNames(TRootKey root, const QString &path)
{
    QList<TMount> mounts;
    {
        QMutexLocker locker(&GMountLock);
        mounts = GMounts;
    }
    const int depth = SplitKeyPath(path).size();
    QStringList names;
    for (const TMount &mount : std::as_const(mounts)) {
        const QStringList parts = SplitKeyPath(mount.Path);
        if (mount.Root != root || parts.size() <= depth ||
            !FoldName(mount.Path).startsWith(ChildPrefix(FoldName(path))) ||
            names.contains(parts.at(depth), Qt::CaseInsensitive) || !mount.Provider->KeyExists(QString()))
            continue;
        names.append(parts.at(depth));
    }
    return names;
}

// Runs a hive change; false when it cannot be saved. An unparseable hive still raises.
bool TryModify(THiveFile &file, const std::function<bool(THive &)> &change)
{
    try {
        file.Modify(change);
        return true;
    } catch (const EHiveParseError &) {
        throw;
    } catch (const ERegistryException &) {
        return false;
    }
}

bool IsStringType(TRegDataType type) { return type == REG_SZ || type == REG_EXPAND_SZ; }
bool IsDwordType(TRegDataType type) { return type == REG_DWORD; }
bool IsBinaryType(TRegDataType type) { return !IsStringType(type) && !IsDwordType(type); }

ERegistryException GetDataFailed(const QString &name)
{
    return ERegistryException(QStringLiteral("Failed to get data for '%1'").arg(name));
}

} // namespace

TRegistry::TRegistry(TRootKey root) : FRootKey(root) {}

void TRegistry::SetRootKey(TRootKey root)
{
    CloseKey();
    FRootKey = root;
}

bool TRegistry::OpenKey(const QString &key, bool canCreate)
{
    const QString path = AbsolutePath(key);
    const TTarget target = Resolve(FRootKey, path);
    if (target.Provider)
        return target.Provider->KeyExists(target.Path) && SetCurrentKey(path, false);
    THiveFile file(FRootKey);
    const bool exists = file.Load().KeyExists(path) || !MountedChildNames(FRootKey, path).isEmpty();
    if ((!exists && !canCreate) || !file.CanWrite())
        return false;
    const auto create = [&](THive &hive) {
        const bool had = hive.KeyExists(path);
        hive.EnsureKey(path);
        return !had;
    };
    return (exists || TryModify(file, create)) && SetCurrentKey(path, false);
}

bool TRegistry::OpenKeyReadOnly(const QString &key)
{
    const QString path = AbsolutePath(key);
    return KeyExists(QLatin1Char('\\') + path) && SetCurrentKey(path, true);
}

void TRegistry::CloseKey()
{
    FKeyOpen = false;
    FReadOnly = false;
    FCurrentPath.clear();
}

bool TRegistry::KeyExists(const QString &key) const
{
    const QString path = AbsolutePath(key);
    const TTarget target = Resolve(FRootKey, path);
    if (target.Provider)
        return target.Provider->KeyExists(target.Path);
    return THiveFile(FRootKey).Load().KeyExists(path) || !MountedChildNames(FRootKey, path).isEmpty();
}

bool TRegistry::DeleteKey(const QString &key)
{
    const QString path = AbsolutePath(key);
    if (path.isEmpty() || Resolve(FRootKey, path).Provider)
        return false;
    THiveFile file(FRootKey);
    bool deleted = false;
    return TryModify(file, [&](THive &hive) { return deleted = hive.DeleteKey(path); }) && deleted;
}

QStringList TRegistry::GetKeyNames() const
{
    if (!FKeyOpen)
        return {};
    const TTarget target = Resolve(FRootKey, FCurrentPath);
    if (target.Provider)
        return target.Provider->KeyNames(target.Path);
    QStringList names = THiveFile(FRootKey).Load().SubKeyNames(FCurrentPath);
    for (const QString &name : MountedChildNames(FRootKey, FCurrentPath))
        if (!names.contains(name, Qt::CaseInsensitive))
            names.append(name);
    return names;
}

QStringList TRegistry::GetValueNames() const
{
    if (!FKeyOpen)
        return {};
    const TTarget target = Resolve(FRootKey, FCurrentPath);
    if (target.Provider)
        return target.Provider->ValueNames(target.Path);
    const THive hive = THiveFile(FRootKey).Load();
    const THiveKey *key = hive.FindKey(FCurrentPath);
    return key ? key->ValueNames() : QStringList();
}

bool TRegistry::ValueExists(const QString &name) const { return Lookup(name).has_value(); }

bool TRegistry::DeleteValue(const QString &name)
{
    if (!FKeyOpen || FReadOnly)
        return false;
    const TTarget target = Resolve(FRootKey, FCurrentPath);
    if (target.Provider) {
        if (!target.Provider->ReadValue(target.Path, name))
            return false;
        try {
            target.Provider->DeleteValue(target.Path, name);
            return true;
        } catch (const ERegistryException &) {
            return false;
        }
    }
    THiveFile file(FRootKey);
    bool removed = false;
    const auto remove = [&](THive &hive) {
        const THiveKey *key = hive.FindKey(FCurrentPath);
        return removed = key && hive.EnsureKey(FCurrentPath).Remove(name);
    };
    return TryModify(file, remove) && removed;
}

TRegDataType TRegistry::GetDataType(const QString &name) const
{
    const std::optional<TRegValue> value = Lookup(name);
    return value ? value->Type : REG_NONE;
}

int TRegistry::GetDataSize(const QString &name) const
{
    const std::optional<TRegValue> value = Lookup(name);
    return value ? int(value->Data.size()) : -1;
}

QString TRegistry::ReadString(const QString &name) const { return ReadTyped(name, IsStringType).AsString(); }

void TRegistry::WriteString(const QString &name, const QString &value)
{
    Store(name, TRegValue::FromString(REG_SZ, value));
}

QString TRegistry::ReadExpandString(const QString &name) const
{
    return ReadTyped(name, IsStringType).AsString();
}

void TRegistry::WriteExpandString(const QString &name, const QString &value)
{
    Store(name, TRegValue::FromString(REG_EXPAND_SZ, value));
}

int TRegistry::ReadInteger(const QString &name) const { return int(ReadTyped(name, IsDwordType).AsDword()); }

void TRegistry::WriteInteger(const QString &name, int value)
{
    Store(name, TRegValue::FromDword(quint32(value)));
}

bool TRegistry::ReadBool(const QString &name) const { return ReadInteger(name) != 0; }

void TRegistry::WriteBool(const QString &name, bool value) { WriteInteger(name, value ? 1 : 0); }

QByteArray TRegistry::ReadBinaryData(const QString &name) const { return ReadTyped(name, IsBinaryType).Data; }

void TRegistry::WriteBinaryData(const QString &name, const QByteArray &data)
{
    Store(name, {REG_BINARY, data});
}

TRegValue TRegistry::ReadRaw(const QString &name) const
{
    const std::optional<TRegValue> value = Lookup(name);
    if (!value)
        throw GetDataFailed(name);
    return *value;
}

void TRegistry::WriteRaw(const QString &name, TRegDataType type, const QByteArray &data)
{
    Store(name, {type, data});
}

void TRegistry::Mount(TRootKey root, const QString &keyPath, std::shared_ptr<IRegistryProvider> provider)
{
    Unmount(root, keyPath);
    QMutexLocker locker(&GMountLock);
    GMounts.append({root, NormalizeKeyPath(keyPath), std::move(provider)});
}

void TRegistry::Unmount(TRootKey root, const QString &keyPath)
{
    const QString folded = FoldName(NormalizeKeyPath(keyPath));
    QMutexLocker locker(&GMountLock);
    GMounts.removeIf([&](const TMount &m) { return m.Root == root && FoldName(m.Path) == folded; });
}

QString TRegistry::AbsolutePath(const QString &key) const
{
    if (key.startsWith(QLatin1Char('\\')) || !FKeyOpen)
        return NormalizeKeyPath(key);
    return NormalizeKeyPath(FCurrentPath + QLatin1Char('\\') + key);
}

bool TRegistry::SetCurrentKey(const QString &path, bool readOnly)
{
    FKeyOpen = true;
    FReadOnly = readOnly;
    FCurrentPath = path;
    return true;
}

std::optional<TRegValue> TRegistry::Lookup(const QString &name) const
{
    if (!FKeyOpen)
        return std::nullopt;
    const TTarget target = Resolve(FRootKey, FCurrentPath);
    if (target.Provider)
        return target.Provider->ReadValue(target.Path, name);
    const THive hive = THiveFile(FRootKey).Load();
    const THiveKey *key = hive.FindKey(FCurrentPath);
    const TRegValue *value = key ? key->Find(name) : nullptr;
    return value ? std::optional<TRegValue>(*value) : std::nullopt;
}

TRegValue TRegistry::ReadTyped(const QString &name, bool (*accepts)(TRegDataType)) const
{
    const TRegValue value = ReadRaw(name);
    if (!accepts(value.Type))
        throw ERegistryException(QStringLiteral("Invalid data type for '%1'").arg(name));
    return value;
}

void TRegistry::Store(const QString &name, const TRegValue &value)
{
    if (!FKeyOpen || FReadOnly)
        throw ERegistryException(QStringLiteral("Failed to set data for '%1'").arg(name));
    const TTarget target = Resolve(FRootKey, FCurrentPath);
    if (target.Provider) {
        target.Provider->WriteValue(target.Path, name, value);
        return;
    }
    THiveFile(FRootKey).Modify([&](THive &hive) { return hive.EnsureKey(FCurrentPath).Set(name, value); });
}
