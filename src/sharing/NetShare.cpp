#include "sharing/NetShare.h"

#include "app/uConfig.h"
#include "base/NetText.h"
#include "platform/desktop/Autostart.h"
#include "platform/sharing/DriveLinks.h"
#include "platform/sharing/NetworkMounts.h"
#include "platform/sharing/PersistentDrives.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace {

// What the system takes of each text of a share.
constexpr qsizetype ShareTextLength = 254;

const QString EveryoneSid = QStringLiteral("S-1-1-0");
const QString AutostartName = QStringLiteral("wayfarel-drives");

bool Fail(QString *Error, const QString &Reason)
{
    if (Error)
        *Error = Reason;
    return false;
}

std::shared_ptr<IUserShares> ShareFacility(QString *Error)
{
    std::shared_ptr<IUserShares> Facility = InstalledUserShares();
    if (!Facility)
        Fail(Error, QStringLiteral("no share facility is installed"));
    return Facility;
}

std::shared_ptr<INetworkMounts> MountFacility(QString *Error)
{
    std::shared_ptr<INetworkMounts> Facility = InstalledNetworkMounts();
    if (!Facility)
        Fail(Error, QStringLiteral("no network mount facility is installed"));
    return Facility;
}

// Samba's letter for an access mask: R reads, F changes too; empty for a mask it has none for.
QString AccessLetter(quint32 AccessMask)
{
    if (AccessMask & (GENERIC_WRITE | GENERIC_ALL))
        return QStringLiteral("F");
    if (AccessMask & GENERIC_READ)
        return QStringLiteral("R");
    return {};
}

// An access list with Trustee's entry set to Letter, the other entries as they were.
QString AclWith(const QString &Acl, const QString &Trustee, const QString &Letter)
{
    QStringList Entries = Acl.split(QLatin1Char(','), Qt::SkipEmptyParts);
    const QString Entry = Trustee + QLatin1Char(':') + Letter;
    for (QString &Existing : Entries)
        if (Existing.section(QLatin1Char(':'), 0, -2).compare(Trustee, Qt::CaseInsensitive) == 0) {
            Existing = Entry;
            return Entries.join(QLatin1Char(','));
        }
    Entries.append(Entry);
    return Entries.join(QLatin1Char(','));
}

// "DOMAIN\user" as user and domain; a name without a domain keeps the server's default one.
TMountCredentials CredentialsOf(const QString &UserName, const QString &Password)
{
    const qsizetype Slash = UserName.indexOf(QLatin1Char('\\'));
    if (Slash < 0)
        return {UserName, QString(), Password};
    return {UserName.mid(Slash + 1), UserName.left(Slash), Password};
}

// The mount of the share smb://server/share among Listed; null when it is not mounted.
const TNetworkMount *MountOfShare(const QList<TNetworkMount> &Listed, const QString &ShareUrl)
{
    for (const TNetworkMount &Mount : Listed)
        if (SmbShareUrl(Mount.Uri).compare(ShareUrl, Qt::CaseInsensitive) == 0)
            return &Mount;
    return nullptr;
}

bool Inside(const QString &Folder, const QString &Path)
{
    const QString Root = QDir::cleanPath(Folder);
    const QString Clean = QDir::cleanPath(Path);
    return !Root.isEmpty() && (Clean == Root || Clean.startsWith(Root + QLatin1Char('/')));
}

// The mount whose folder holds Path; null when none does.
const TNetworkMount *MountHolding(const QList<TNetworkMount> &Listed, const QString &Path)
{
    for (const TNetworkMount &Mount : Listed)
        if (Inside(Mount.LocalPath, Path))
            return &Mount;
    return nullptr;
}

// The folder below the share that an smb URL names: "path/sub" of smb://server/share/path/sub.
QString FolderBelowShare(const QString &Url)
{
    return QUrl(Url).path(QUrl::FullyDecoded).split(QLatin1Char('/'), Qt::SkipEmptyParts).mid(1).join('/');
}

QString RestoreProgram()
{
    const QString Beside =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("wayfarelctl"));
    return QFileInfo(Beside).isExecutable() ? Beside : QStringLiteral("wayfarelctl");
}

// The session runs "wayfarelctl drives --restore" at login while any drive is to be restored.
bool MatchAutostart(QString *Error)
{
    QList<TPersistentDrive> Persistent;
    if (!ReadPersistentDrives(Persistent, Error))
        return false;
    if (Persistent.isEmpty())
        return RemoveAutostartEntry(AutostartName, Error);
    return WriteAutostartEntry(AutostartName, QStringLiteral("Wayfarel network drives"),
                               {RestoreProgram(), QStringLiteral("drives"), QStringLiteral("--restore")},
                               Error);
}

bool KeepForLogon(const TPersistentDrive &Drive, QString *Error)
{
    QString Reason;
    if (AddPersistentDrive(Drive, &Reason) && MatchAutostart(&Reason))
        return true;
    return Fail(Error, QStringLiteral("connected, but not restored at logon: %1").arg(Reason));
}

} // namespace

bool CreateShare(const QString &Path, const QString &ShareName, const QString &Remark, QString *Error)
{
    const std::shared_ptr<IUserShares> Facility = ShareFacility(Error);
    if (!Facility)
        return false;
    const QString Name = ShareName.left(ShareTextLength);
    const QString Folder = Path.left(ShareTextLength);
    const QString Comment = Remark.left(ShareTextLength)
                                .replace(QLatin1Char('\r'), QLatin1Char(' '))
                                .replace(QLatin1Char('\n'), QLatin1Char(' '));
    std::optional<TUserShare> Existing;
    if (!Facility->Info(Name, Existing))
        return Fail(Error, Facility->LastError());
    if (Existing && QDir::cleanPath(Existing->Path) != QDir::cleanPath(Folder))
        return Fail(Error,
                    QStringLiteral("the name is taken by the share of %1").arg(QuotedValue(Existing->Path)));
    return Facility->Add(Name, Folder, Comment) || Fail(Error, Facility->LastError());
}

bool DeleteShare(const QString &ShareName, QString *Error)
{
    const std::shared_ptr<IUserShares> Facility = ShareFacility(Error);
    return Facility &&
           (Facility->Delete(ShareName.left(ShareTextLength)) || Fail(Error, Facility->LastError()));
}

bool SetShareAccess(const QString &ShareName, const QString &Trustee, quint32 AccessMask, QString *Error)
{
    const std::shared_ptr<IUserShares> Facility = ShareFacility(Error);
    if (!Facility)
        return false;
    const QString Letter = AccessLetter(AccessMask);
    if (Letter.isEmpty())
        return Fail(Error,
                    QStringLiteral("the access mask 0x%1 is not one a share takes").arg(AccessMask, 0, 16));
    const QString Account =
        Trustee.compare(QLatin1String("Everyone"), Qt::CaseInsensitive) == 0 ? EveryoneSid : Trustee;
    std::optional<TUserShare> Share;
    if (!Facility->Info(ShareName.left(ShareTextLength), Share))
        return Fail(Error, Facility->LastError());
    if (!Share)
        return Fail(Error, QStringLiteral("there is no share %1").arg(QuotedValue(ShareName)));
    const QString Acl = AclWith(Share->Acl, Account, Letter);
    return Acl == Share->Acl || Facility->SetAcl(Share->Name, Acl) || Fail(Error, Facility->LastError());
}

bool ListShares(QList<TUserShare> &Shares, QString *Error)
{
    const std::shared_ptr<IUserShares> Facility = ShareFacility(Error);
    return Facility && (Facility->List(Shares) || Fail(Error, Facility->LastError()));
}

bool ConnectDrive(const QString &Driver, const QString &RemoteFolder, const QString &UserName,
                  const QString &Password, bool AutoConnect, QString *Error)
{
    const QString Drive = TDriveLinks::DriveName(Driver);
    if (Drive.isEmpty())
        return Fail(Error,
                    QStringLiteral("%1 is not a drive name (a letter and a colon)").arg(QuotedValue(Driver)));
    const QString Url = SmbUrlFromUnc(RemoteFolder);
    if (Url.isEmpty())
        return Fail(
            Error,
            QStringLiteral("%1 is not a remote folder \\\\server\\share").arg(QuotedValue(RemoteFolder)));
    const std::shared_ptr<INetworkMounts> Facility = MountFacility(Error);
    if (!Facility)
        return false;
    const QString ShareUrl = SmbShareUrl(Url);
    TDriveLinks Links(DrivesFolder());
    QList<TNetworkMount> Listed;
    // A link left from a mount that is gone (a session before) holds nothing.
    const QString InUse = Links.Target(Drive);
    if (!InUse.isEmpty() && QFileInfo::exists(InUse) && Facility->List(Listed)) {
        const TNetworkMount *Holder = MountHolding(Listed, InUse);
        if (!Holder || SmbShareUrl(Holder->Uri).compare(ShareUrl, Qt::CaseInsensitive) != 0)
            return Fail(Error, QStringLiteral("the drive is in use for %1").arg(QuotedValue(InUse)));
    }
    if (!Facility->Mount(ShareUrl, CredentialsOf(UserName, Password)) || !Facility->List(Listed))
        return Fail(Error, Facility->LastError());
    const TNetworkMount *Mount = MountOfShare(Listed, ShareUrl);
    if (!Mount || Mount->LocalPath.isEmpty())
        return Fail(
            Error,
            QStringLiteral("the mount of %1 has no local folder (is gvfs-fuse installed?)").arg(ShareUrl));
    const QString Below = FolderBelowShare(Url);
    const QString Target = Below.isEmpty() ? Mount->LocalPath : QDir(Mount->LocalPath).filePath(Below);
    if (!Links.Link(Drive, Target, Error))
        return false;
    return !AutoConnect || KeepForLogon({Drive, RemoteFolder, UserName, Password}, Error);
}

bool DisconnectDrive(const QString &Driver, QString *Error)
{
    const QString Drive = TDriveLinks::DriveName(Driver);
    if (Drive.isEmpty())
        return Fail(Error,
                    QStringLiteral("%1 is not a drive name (a letter and a colon)").arg(QuotedValue(Driver)));
    if (!RemovePersistentDrive(Drive, Error) || !MatchAutostart(Error))
        return false;
    TDriveLinks Links(DrivesFolder());
    const QString Target = Links.Target(Drive);
    if (Target.isEmpty())
        return Fail(Error, QStringLiteral("the drive is not connected"));
    const std::shared_ptr<INetworkMounts> Facility = MountFacility(Error);
    if (!Facility)
        return false;
    QList<TNetworkMount> Listed;
    if (!Facility->List(Listed))
        return Fail(Error, Facility->LastError());
    if (const TNetworkMount *Mount = MountHolding(Listed, Target)) {
        QMap<QString, QString> Others = Links.Links();
        Others.remove(Drive);
        const bool Shared = std::any_of(Others.cbegin(), Others.cend(), [&](const QString &Other) {
            return Inside(Mount->LocalPath, Other);
        });
        if (!Shared && !Facility->Unmount(Mount->Uri, true))
            return Fail(Error, Facility->LastError());
    }
    return Links.Unlink(Drive, Error);
}

bool DriveConnected(const QString &Driver)
{
    const QString Drive = TDriveLinks::DriveName(Driver);
    return !Drive.isEmpty() && !TDriveLinks(DrivesFolder()).Target(Drive).isEmpty();
}

bool RestoreDrives(QStringList *Restored, QStringList *Failures)
{
    QList<TPersistentDrive> Persistent;
    QString Error;
    if (!ReadPersistentDrives(Persistent, &Error)) {
        Failures->append(Error);
        return false;
    }
    for (const TPersistentDrive &Drive : std::as_const(Persistent)) {
        if (ConnectDrive(Drive.Drive, Drive.RemotePath, Drive.UserName, Drive.Password, true, &Error))
            Restored->append(Drive.Drive);
        else
            Failures->append(Drive.Drive + QStringLiteral(" ") + Error);
    }
    return Failures->isEmpty();
}

bool ListDrives(QList<TDriveConnection> &Drives, QString *Error)
{
    const std::shared_ptr<INetworkMounts> Facility = MountFacility(Error);
    return Facility && ListDriveConnections(*Facility, TDriveLinks(DrivesFolder()), Drives, Error);
}

QString DrivesFolder() { return TConfig::GetConfig()->DrivesFolder(); }
