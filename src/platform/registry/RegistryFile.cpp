#include "platform/registry/RegistryFile.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Holds an exclusive flock on a file for its lifetime.
class TFileLock
{
public:
    explicit TFileLock(const QString &fileName)
    {
        FFd = ::open(QFile::encodeName(fileName).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (FFd < 0)
            throw ERegistryException(QStringLiteral("Cannot open registry lock '%1': %2")
                                         .arg(fileName, QString::fromLocal8Bit(std::strerror(errno))));
        int rc;
        while ((rc = ::flock(FFd, LOCK_EX)) < 0 && errno == EINTR) {}
        if (rc < 0) {
            const int error = errno;
            ::close(FFd);
            throw ERegistryException(QStringLiteral("Cannot lock registry lock '%1': %2")
                                         .arg(fileName, QString::fromLocal8Bit(std::strerror(error))));
        }
    }
    ~TFileLock() { ::close(FFd); }
    TFileLock(const TFileLock &) = delete;
    TFileLock &operator=(const TFileLock &) = delete;

private:
    int FFd = -1;
};

bool Writable(const QString &path) { return ::access(QFile::encodeName(path).constData(), W_OK) == 0; }

// Makes the file private and writes all of bytes; returns 0 or the errno of the failure.
int WriteAll(int fd, const QByteArray &bytes)
{
    if (::fchmod(fd, 0600) != 0)
        return errno;
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (written < 0 && errno != EINTR)
            return errno;
        if (written == 0)
            return EIO;
        done += written > 0 ? written : 0;
    }
    return 0;
}

ERegistryException SaveFailed(const QString &fileName, const QString &reason)
{
    return ERegistryException(QStringLiteral("Cannot save registry hive '%1': %2").arg(fileName, reason));
}

// A hive file as it was parsed: the same name, inode, size and change time mean the same bytes,
// since every save renames a new file into place.
struct TParsedHive
{
    ino_t Inode = 0;
    off_t Size = 0;
    timespec Changed{};
    THive Hive;

    bool Describes(const struct stat &info) const
    {
        return Inode == info.st_ino && Size == info.st_size && Changed.tv_sec == info.st_ctim.tv_sec &&
               Changed.tv_nsec == info.st_ctim.tv_nsec;
    }
};

// The last parse of each hive file, so the many reads of one operation parse it once. Shared by
// every thread of the process (the repair thread reads the hives too).
struct TParsedHives
{
    QMutex Lock;
    QHash<QString, TParsedHive> ByFile;
};

TParsedHives &ParsedHives()
{
    static TParsedHives hives;
    return hives;
}

} // namespace

QString RootKeyName(TRootKey root)
{
    return root == HKEY_LOCAL_MACHINE ? QStringLiteral("HKEY_LOCAL_MACHINE")
                                      : QStringLiteral("HKEY_CURRENT_USER");
}

THiveFile::THiveFile(TRootKey root) : FRoot(root) {}

QString THiveFile::Folder()
{
    const QString own = qEnvironmentVariable("WAYFAREL_REGISTRY");
    if (!own.isEmpty())
        return own;
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || QDir::isRelativePath(config))
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/wayfarel/registry");
}

QString THiveFile::FileName() const
{
    return QDir(Folder()).filePath(RootKeyName(FRoot) + QStringLiteral(".reg"));
}

THive THiveFile::Load() const
{
    const QString fileName = FileName();
    struct stat info
    {};
    if (::stat(QFile::encodeName(fileName).constData(), &info) != 0)
        return THive();
    TParsedHives &parsed = ParsedHives();
    {
        QMutexLocker locker(&parsed.Lock);
        const auto known = parsed.ByFile.constFind(fileName);
        if (known != parsed.ByFile.cend() && known->Describes(info))
            return known->Hive;
    }
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw ERegistryException(
            QStringLiteral("Cannot read registry hive '%1': %2").arg(file.fileName(), file.errorString()));
    // Described before it is read: a change made meanwhile gives the next read a new description.
    const bool described = ::fstat(file.handle(), &info) == 0;
    const QByteArray bytes = file.readAll();
    const bool utf16 = bytes.startsWith("\xFF\xFE");
    const QString text = utf16 ? QString::fromUtf16(reinterpret_cast<const char16_t *>(bytes.constData() + 2),
                                                    (bytes.size() - 2) / 2)
                               : QString::fromUtf8(bytes);
    THive hive = THive::Parse(text, RootKeyName(FRoot), file.fileName());
    if (described) {
        QMutexLocker locker(&parsed.Lock);
        parsed.ByFile.insert(fileName, {info.st_ino, info.st_size, info.st_ctim, hive});
    }
    return hive;
}

void THiveFile::Modify(const std::function<bool(THive &)> &change)
{
    EnsureFolder();
    TFileLock lock(FileName() + QStringLiteral(".lock"));
    THive hive = Load();
    if (change(hive))
        Save(hive);
}

bool THiveFile::CanWrite() const
{
    const QString folder = Folder();
    if (!QFileInfo::exists(folder))
        return true;
    return Writable(folder) && (!QFileInfo::exists(FileName()) || Writable(FileName()));
}

void THiveFile::EnsureFolder() const
{
    const QString folder = Folder();
    if (QFileInfo::exists(folder))
        return;
    if (!QDir().mkpath(folder))
        throw ERegistryException(QStringLiteral("Cannot create registry folder '%1'").arg(folder));
    ::chmod(QFile::encodeName(folder).constData(), 0700);
}

void THiveFile::Save(const THive &hive) const
{
    QSaveFile file(FileName());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw SaveFailed(file.fileName(), file.errorString());
    const int error = WriteAll(file.handle(), hive.Format(RootKeyName(FRoot)).toUtf8());
    if (error != 0)
        throw SaveFailed(file.fileName(), QString::fromLocal8Bit(std::strerror(error)));
    if (!file.commit())
        throw SaveFailed(file.fileName(), file.errorString());
}
