#include "platform/sharing/DriveLinks.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

bool Fail(QString *error, const QString &reason)
{
    if (error)
        *error = reason;
    return false;
}

QString SystemError() { return QString::fromLocal8Bit(std::strerror(errno)); }

} // namespace

QString TDriveLinks::DriveName(const QString &name)
{
    static const QRegularExpression drive(QStringLiteral("^[A-Za-z]:$"));
    return drive.match(name).hasMatch() ? name.toUpper() : QString();
}

QString TDriveLinks::Target(const QString &drive) const
{
    const QString path = LinkPath(drive);
    return QFileInfo(path).isSymLink() ? QFile::symLinkTarget(path) : QString();
}

QMap<QString, QString> TDriveLinks::Links() const
{
    QMap<QString, QString> links;
    const QStringList names = QDir(FFolder).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &name : names) {
        const QString target = DriveName(name) == name ? Target(name) : QString();
        if (!target.isEmpty())
            links.insert(name, target);
    }
    return links;
}

// A link made beside the old one and renamed over it, so the drive never points nowhere.
bool TDriveLinks::Link(const QString &drive, const QString &target, QString *error)
{
    if (!QDir().mkpath(FFolder))
        return Fail(error, QStringLiteral("the drives folder %1 cannot be made").arg(FFolder));
    const QString path = LinkPath(drive);
    const QString temporary = QStringLiteral("%1.%2.new").arg(path).arg(::getpid());
    ::unlink(QFile::encodeName(temporary).constData());
    if (::symlink(QFile::encodeName(target).constData(), QFile::encodeName(temporary).constData()) != 0)
        return Fail(error, QStringLiteral("the link %1 cannot be made: %2").arg(path, SystemError()));
    if (::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData()) != 0) {
        const QString reason = SystemError();
        ::unlink(QFile::encodeName(temporary).constData());
        return Fail(error, QStringLiteral("the link %1 cannot be made: %2").arg(path, reason));
    }
    return true;
}

bool TDriveLinks::Unlink(const QString &drive, QString *error)
{
    const QString path = LinkPath(drive);
    const QFileInfo link(path);
    if (!link.isSymLink() && !link.exists())
        return true;
    if (!link.isSymLink())
        return Fail(error, QStringLiteral("%1 is no drive link; it is left alone").arg(path));
    if (::unlink(QFile::encodeName(path).constData()) != 0)
        return Fail(error, QStringLiteral("the link %1 cannot be removed: %2").arg(path, SystemError()));
    return true;
}

QString TDriveLinks::LinkPath(const QString &drive) const { return QDir(FFolder).filePath(drive); }

QString DefaultDrivesFolder() { return QDir::home().filePath(QStringLiteral("Drives")); }
