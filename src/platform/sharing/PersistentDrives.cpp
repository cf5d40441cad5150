#include "platform/sharing/PersistentDrives.h"

#include "base/Exceptions.h"
#include "platform/registry/Registry.h"

namespace {

const QString NetworkKey = QStringLiteral("\\Network");
const QString RemotePathValue = QStringLiteral("RemotePath");
const QString UserNameValue = QStringLiteral("UserName");
const QString PasswordValue = QStringLiteral("Password");

// "X:" is kept under the letter alone, as Windows names its keys.
QString DriveKey(const QString &drive) { return NetworkKey + '\\' + drive.left(1).toUpper(); }

bool Fail(QString *error, const QString &reason)
{
    if (error)
        *error = reason;
    return false;
}

QString ValueOr(const TRegistry &registry, const QString &name)
{
    return registry.ValueExists(name) ? registry.ReadString(name) : QString();
}

} // namespace

bool ReadPersistentDrives(QList<TPersistentDrive> &drives, QString *error)
{
    drives.clear();
    try {
        TRegistry registry(HKEY_CURRENT_USER);
        if (!registry.OpenKeyReadOnly(NetworkKey))
            return true;
        for (const QString &letter : registry.GetKeyNames()) {
            TRegistry entry(HKEY_CURRENT_USER);
            if (letter.size() != 1 || !entry.OpenKeyReadOnly(DriveKey(letter)))
                continue;
            drives.append({letter.toUpper() + ':', ValueOr(entry, RemotePathValue),
                           ValueOr(entry, UserNameValue), ValueOr(entry, PasswordValue)});
        }
    } catch (const ERegistryException &problem) {
        return Fail(error,
                    QStringLiteral("the drives restored at logon cannot be read: %1").arg(problem.Message()));
    }
    return true;
}

bool AddPersistentDrive(const TPersistentDrive &drive, QString *error)
{
    try {
        TRegistry registry(HKEY_CURRENT_USER);
        if (!registry.OpenKey(DriveKey(drive.Drive), true))
            return Fail(
                error,
                QStringLiteral("the key HKEY_CURRENT_USER%1 cannot be made").arg(DriveKey(drive.Drive)));
        registry.WriteString(RemotePathValue, drive.RemotePath);
        registry.WriteString(UserNameValue, drive.UserName);
        registry.WriteString(PasswordValue, drive.Password);
    } catch (const ERegistryException &problem) {
        return Fail(
            error,
            QStringLiteral("drive %1 cannot be kept for logon: %2").arg(drive.Drive, problem.Message()));
    }
    return true;
}

bool RemovePersistentDrive(const QString &drive, QString *error)
{
    try {
        TRegistry registry(HKEY_CURRENT_USER);
        if (registry.KeyExists(DriveKey(drive)) && !registry.DeleteKey(DriveKey(drive)))
            return Fail(error,
                        QStringLiteral("the key HKEY_CURRENT_USER%1 cannot be removed").arg(DriveKey(drive)));
    } catch (const ERegistryException &problem) {
        return Fail(
            error, QStringLiteral("drive %1 cannot be dropped from logon: %2").arg(drive, problem.Message()));
    }
    return true;
}
