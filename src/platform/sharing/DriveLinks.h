#pragma once

#include <QMap>
#include <QString>

// The drive letters of the user's session: symbolic links named "X:" in the drives folder, each
// pointing at a folder of a network mount, so that files and file managers reach a mapped drive
// by its letter. The folder is made on first use.
class TDriveLinks
{
public:
    explicit TDriveLinks(const QString &folder) : FFolder(folder) {}

    // "X:" with the letter upper-cased; empty when name is not one letter A to Z and a colon.
    static QString DriveName(const QString &name);

    const QString &Folder() const { return FFolder; }
    // Where the link of drive points; empty when there is none.
    QString Target(const QString &drive) const;
    // Every drive link by its drive name, with its target; dangling links too.
    QMap<QString, QString> Links() const;
    // Points drive at target, replacing an earlier link in one step.
    bool Link(const QString &drive, const QString &target, QString *error = nullptr);
    // True also when there is no link.
    bool Unlink(const QString &drive, QString *error = nullptr);

private:
    QString LinkPath(const QString &drive) const;

    QString FFolder;
};

// The drives folder where nothing else is configured: ~/Drives.
QString DefaultDrivesFolder();
