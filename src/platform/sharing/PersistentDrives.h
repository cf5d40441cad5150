#pragma once

#include <QList>
#include <QString>

// A drive the session restores at logon, with what connecting it takes.
struct TPersistentDrive
{
    QString Drive;      // "X:"
    QString RemotePath; // \\server\share\path
    QString UserName;   // empty: anonymous
    QString Password;
};

// The drives restored at logon, one key per drive letter under HKEY_CURRENT_USER\Network, where
// Windows keeps its own. The password is kept beside the user name: the hive is the user's
// alone, as the data file that holds it too. A hive that cannot be read or written fails the
// call with its reason.
bool ReadPersistentDrives(QList<TPersistentDrive> &drives, QString *error = nullptr);
// Replaces the entry of Drive.Drive.
bool AddPersistentDrive(const TPersistentDrive &drive, QString *error = nullptr);
// True also when Drive has no entry.
bool RemovePersistentDrive(const QString &drive, QString *error = nullptr);
