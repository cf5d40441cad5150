#include "platform/sharing/PersistentDrives.h"

#include "base/Exceptions.h"
#include "platform/registry/Registry.h"

namespace {

const QString NetworkKey = QStringLiteral("\\Network");
const QString RemotePathValue = QStringLiteral("RemotePath");
const QString UserNameValue = QStringLiteral("UserName");
const QString PasswordValue = QStringLiteral("Password");

// "X:" is kept under the letter alone, as Windows names its keys.
QString DriveKey(const QString &Drive) { return NetworkKey + '\\' + Drive.left(1).toUpper(); }

bool Fail(QString *Error, const QString &Reason)
{
    if (Error)
        *Error = Reason;
    return false;
}

QString ValueOr(const TRegistry &Registry, const QString &Name)
{
    return Registry.ValueExists(Name) ? Registry.ReadString(Name) : QString();
}

} // namespace

bool ReadPersistentDrives(QList<TPersistentDrive> &Drives, QString *Error)
{
    Drives.clear();
    try {
        TRegistry Registry(HKEY_CURRENT_USER);
        if (!Registry.OpenKeyReadOnly(NetworkKey))
            return true;
        for (const QString &Letter : Registry.GetKeyNames()) {
            TRegistry Entry(HKEY_CURRENT_USER);
            if (Letter.size() != 1 || !Entry.OpenKeyReadOnly(DriveKey(Letter)))
                continue;
            Drives.append({Letter.toUpper() + ':', ValueOr(Entry, RemotePathValue),
                           ValueOr(Entry, UserNameValue), ValueOr(Entry, PasswordValue)});
        }
    } catch (const ERegistryException &Problem) {
        return Fail(Error,
                    QStringLiteral("the drives restored at logon cannot be read: %1").arg(Problem.Message()));
    }
    return true;
}

bool AddPersistentDrive(const TPersistentDrive &Drive, QString *Error)
{
    try {
        TRegistry Registry(HKEY_CURRENT_USER);
        if (!Registry.OpenKey(DriveKey(Drive.Drive), true))
            return Fail(
                Error,
                QStringLiteral("the key HKEY_CURRENT_USER%1 cannot be made").arg(DriveKey(Drive.Drive)));
        Registry.WriteString(RemotePathValue, Drive.RemotePath);
        Registry.WriteString(UserNameValue, Drive.UserName);
        Registry.WriteString(PasswordValue, Drive.Password);
    } catch (const ERegistryException &Problem) {
        return Fail(
            Error,
            QStringLiteral("drive %1 cannot be kept for logon: %2").arg(Drive.Drive, Problem.Message()));
    }
    return true;
}

bool RemovePersistentDrive(const QString &Drive, QString *Error)
{
    try {
        TRegistry Registry(HKEY_CURRENT_USER);
        if (Registry.KeyExists(DriveKey(Drive)) && !Registry.DeleteKey(DriveKey(Drive)))
            return Fail(Error,
                        QStringLiteral("the key HKEY_CURRENT_USER%1 cannot be removed").arg(DriveKey(Drive)));
    } catch (const ERegistryException &Problem) {
        return Fail(
            Error, QStringLiteral("drive %1 cannot be dropped from logon: %2").arg(Drive, Problem.Message()));
    }
    return true;
}
