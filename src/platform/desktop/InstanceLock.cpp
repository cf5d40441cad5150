#include "platform/desktop/InstanceLock.h"

#include <QDir>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

TInstanceLock::TInstanceLock(const QString &name)
{
    const QString path = QDir(LockFolder()).filePath(name);
    FHandle = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (FHandle < 0)
        return;
    FAcquired = ::flock(FHandle, LOCK_EX | LOCK_NB) == 0;
    FHeldElsewhere = !FAcquired && errno == EWOULDBLOCK;
}

TInstanceLock::~TInstanceLock() { Release(); }

void TInstanceLock::Release()
{
    if (FHandle >= 0)
        ::close(FHandle);
    FHandle = -1;
    FAcquired = false;
}

QString TInstanceLock::LockFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir(runtime).exists())
        return runtime;
    const QString fallback = QDir::temp().filePath(QStringLiteral("wayfarel-%1").arg(::getuid()));
    QDir().mkpath(fallback);
    QFile::setPermissions(fallback, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return fallback;
}
