#pragma once

#include "platform/sharing/DriveLinks.h"
#include "platform/sharing/NetworkMounts.h"

#include <QList>
#include <QString>

// A network drive of the session as the system has it now.
struct TDriveConnection
{
    QString Drive;           // "X:"
    QString RemotePath;      // \\server\share\path
    QString LocalPath;       // where its files are; empty when the mount offers no folder
    bool Linked = false;     // Drive is a link in the drives folder, not only a free letter
    bool Persistent = false; // restored at logon
};

// The smb mounts of Mounts, one connection for every drive link that points into one, by
// drive name. A mount no link points into gets the first letter from Z: downwards that no
// link and no other such mount holds. False when the mounts cannot be listed.
bool ListDriveConnections(INetworkMounts &mounts, const TDriveLinks &links,
                          QList<TDriveConnection> &connections, QString *error = nullptr);
