#include "platform/sharing/DriveConnections.h"

#include "platform/sharing/PersistentDrives.h"

#include <QDir>
#include <algorithm>

namespace {

// Whether Path lies in Root; Sub gets the folder below Root it names with backslashes,
// "\sub\dir", empty for Root itself.
bool Inside(const QString &Root, const QString &Path, QString *Sub)
{
    const QString Clean = QDir::cleanPath(Path);
    if (Clean != Root && !Clean.startsWith(Root + '/'))
        return false;
    *Sub = Clean.mid(Root.size()).replace('/', '\\');
    return true;
}

// The restore entry of Drive for RemotePath, letter case ignored; null when there is none.
const TPersistentDrive *EntryOf(const QList<TPersistentDrive> &Persistent, const QString &Drive,
                                const QString &RemotePath)
{
    for (const TPersistentDrive &Entry : Persistent)
        if (Entry.Drive.compare(Drive, Qt::CaseInsensitive) == 0 &&
            Entry.RemotePath.compare(RemotePath, Qt::CaseInsensitive) == 0)
            return &Entry;
    return nullptr;
}

// A connection as the restore list spells its remote folder, where it has it: GVFS gives
// share names in lower case.
TDriveConnection ConnectionOf(const QList<TPersistentDrive> &Persistent, const QString &Drive,
                              const QString &RemotePath, const QString &LocalPath, bool Linked)
{
    const TPersistentDrive *Entry = EntryOf(Persistent, Drive, RemotePath);
    return {Drive, Entry ? Entry->RemotePath : RemotePath, LocalPath, Linked, Entry != nullptr};
}

// The first letter from Z: downwards that is not taken; empty when all are.
QString FreeDrive(const QStringList &Taken)
{
    for (char Letter = 'Z'; Letter >= 'A'; --Letter) {
        const QString Drive = QStringLiteral("%1:").arg(QLatin1Char(Letter));
        if (!Taken.contains(Drive))
            return Drive;
    }
    return {};
}

} // namespace

bool ListDriveConnections(INetworkMounts &Mounts, const TDriveLinks &Links,
                          QList<TDriveConnection> &Connections, QString *Error)
{
    QList<TNetworkMount> Listed;
    if (!Mounts.List(Listed)) {
        if (Error)
            *Error = Mounts.LastError();
        return false;
    }
    QList<TPersistentDrive> Persistent;
    ReadPersistentDrives(Persistent);
    const QMap<QString, QString> DriveLinks = Links.Links();
    QStringList Taken = DriveLinks.keys();
    QList<TNetworkMount> Unlinked;
    Connections.clear();
    for (const TNetworkMount &Mount : std::as_const(Listed)) {
        const QString Unc = UncFromSmbUrl(Mount.Uri);
        if (Unc.isEmpty())
            continue;
        bool Linked = false;
        for (auto Link = DriveLinks.cbegin(); Link != DriveLinks.cend() && !Mount.LocalPath.isEmpty();
             ++Link) {
            QString Sub;
            if (!Inside(QDir::cleanPath(Mount.LocalPath), Link.value(), &Sub))
                continue;
            Connections.append(ConnectionOf(Persistent, Link.key(), Unc + Sub, Link.value(), true));
            Linked = true;
        }
        if (!Linked)
            Unlinked.append(Mount);
    }
    for (const TNetworkMount &Mount : std::as_const(Unlinked)) {
        const QString Drive = FreeDrive(Taken);
        const QString Unc = UncFromSmbUrl(Mount.Uri);
        Taken.append(Drive);
        Connections.append(ConnectionOf(Persistent, Drive, Unc, Mount.LocalPath, false));
    }
    std::sort(Connections.begin(), Connections.end(),
              [](const TDriveConnection &A, const TDriveConnection &B) { return A.Drive < B.Drive; });
    return true;
}
