#pragma once

#include "platform/sharing/DriveConnections.h"
#include "platform/sharing/UserShares.h"

#include <QList>
#include <QString>
#include <QStringList>

// Folder shares and network drives of this computer, on the share and mount facilities
// installed at start-up (Samba's user shares, the session's GVFS mounts). Every call reports
// a failure as false with its reason in Error.

// Access masks SetShareAccess takes.
inline constexpr quint32 GENERIC_READ = 0x80000000;
inline constexpr quint32 GENERIC_WRITE = 0x40000000;
inline constexpr quint32 GENERIC_ALL = 0x10000000;

// Shares Path under ShareName with the comment Remark, readable by everyone, guests
// included; at most 254 characters of each reach the system, line breaks of the comment as
// blanks. A share of that name for another folder is left alone and refused as taken; one
// for Path is made again.
bool CreateShare(const QString &Path, const QString &ShareName, const QString &Remark,
                 QString *Error = nullptr);
bool DeleteShare(const QString &ShareName, QString *Error = nullptr);
// Sets what Trustee may do on the share, over what its access list said of Trustee before:
// GENERIC_READ reads, GENERIC_WRITE or GENERIC_ALL changes too. "Everyone" is the
// well-known group of all users; another name must be known to the share facility.
bool SetShareAccess(const QString &ShareName, const QString &Trustee, quint32 AccessMask,
                    QString *Error = nullptr);
// The shares the system has now.
bool ListShares(QList<TUserShare> &Shares, QString *Error = nullptr);

// Connects Driver ("X:") to RemoteFolder (\\server\share\path): mounts the share as UserName
// ("DOMAIN\user" or "user"; empty: anonymously) with Password, which the desktop is told never
// to keep, and points the drive's link in the drives folder at the folder. A refused password
// is not tried again. AutoConnect keeps the drive in the list restored at logon.
bool ConnectDrive(const QString &Driver, const QString &RemoteFolder, const QString &UserName,
                  const QString &Password, bool AutoConnect, QString *Error = nullptr);
// Disconnects Driver and takes it off the list restored at logon: its link goes, and its
// mount is unmounted even with files open unless another drive link still points into it.
// A drive without a link fails as not connected.
bool DisconnectDrive(const QString &Driver, QString *Error = nullptr);
// Whether Driver has a link in the drives folder.
bool DriveConnected(const QString &Driver);
// Connects every drive of the list restored at logon; Restored gets "X:" for each that is
// connected, Failures "X: reason" for each that is not. True when none failed.
bool RestoreDrives(QStringList *Restored, QStringList *Failures);
// The network drives the session has now.
bool ListDrives(QList<TDriveConnection> &Drives, QString *Error = nullptr);
// The folder of the drive links, as configured.
QString DrivesFolder();
