#include "platform/sharing/DriveConnections.h"

#include "platform/sharing/PersistentDrives.h"

#include <QDir>
#include <algorithm>

namespace {

// Whether Path lies in Root; Sub gets the folder below Root it names with backslashes,
// "\sub\dir", empty for Root itself.
bool Inside(const QString &root, const QString &path, QString *sub)
{
    const QString clean = QDir::cleanPath(path);
    if (clean != root && !clean.startsWith(root + '/'))
        return false;
    *sub = clean.mid(root.size()).replace('/', '\\');
    return true;
}

// The restore entry of Drive for RemotePath, letter case ignored; null when there is none.
const TPersistentDrive *EntryOf(const QList<TPersistentDrive> &persistent, const QString &drive,
                                const QString &remotePath)
{
    for (const TPersistentDrive &entry : persistent)
        if (entry.Drive.compare(drive, Qt::CaseInsensitive) == 0 &&
            entry.RemotePath.compare(remotePath, Qt::CaseInsensitive) == 0)
            return &entry;
    return nullptr;
}

// A connection as the restore list spells its remote folder, where it has it: GVFS gives
// share names in lower case.
TDriveConnection ConnectionOf(const QList<TPersistentDrive> &persistent, const QString &drive,
                              const QString &remotePath, const QString &localPath, bool linked)
{
    const TPersistentDrive *entry = EntryOf(persistent, drive, remotePath);
    return {drive, entry ? entry->RemotePath : remotePath, localPath, linked, entry != nullptr};
}

// The first letter from Z: downwards that is not taken; empty when all are.
QString FreeDrive(const QStringList &taken)
{
    for (char letter = 'Z'; letter >= 'A'; --letter) {
        const QString drive = QStringLiteral("%1:").arg(QLatin1Char(letter));
        if (!taken.contains(drive))
            return drive;
    }
    return {};
}

} // namespace

bool ListDriveConnections(INetworkMounts &mounts, const TDriveLinks &links,
                          QList<TDriveConnection> &connections, QString *error)
{
    QList<TNetworkMount> listed;
    if (!mounts.List(listed)) {
        if (error)
            *error = mounts.LastError();
        return false;
    }
    QList<TPersistentDrive> persistent;
    ReadPersistentDrives(persistent);
    const QMap<QString, QString> driveLinks = links.Links();
    QStringList taken = driveLinks.keys();
    QList<TNetworkMount> unlinked;
    connections.clear();
    for (const TNetworkMount &mount : std::as_const(listed)) {
        const QString unc = UncFromSmbUrl(mount.Uri);
        if (unc.isEmpty())
            continue;
        bool linked = false;
        for (auto link = driveLinks.cbegin(); link != driveLinks.cend() && !mount.LocalPath.isEmpty();
             ++link) {
            QString sub;
            if (!Inside(QDir::cleanPath(mount.LocalPath), link.value(), &sub))
                continue;
            connections.append(ConnectionOf(persistent, link.key(), unc + sub, link.value(), true));
            linked = true;
        }
        if (!linked)
            unlinked.append(mount);
    }
    for (const TNetworkMount &mount : std::as_const(unlinked)) {
        const QString drive = FreeDrive(taken);
        const QString unc = UncFromSmbUrl(mount.Uri);
        taken.append(drive);
        connections.append(ConnectionOf(persistent, drive, unc, mount.LocalPath, false));
    }
    std::sort(connections.begin(), connections.end(),
              [](const TDriveConnection &a, const TDriveConnection &b) { return a.Drive < b.Drive; });
    return true;
}
