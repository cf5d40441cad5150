#include "support/TestRoot.h"

#include <QDir>
#include <QFile>
#include <cstdlib>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

TTestRoot::TTestRoot()
{
    if (!FDir.isValid())
        throw std::runtime_error("cannot create a temporary folder");
    QDir root(FDir.path());
    for (const char *sub : {"registry", "home", "config", "share", "runtime", "data"})
        root.mkpath(sub);
    QFile::setPermissions(root.filePath("runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (!QFile::copy(WAYFAREL_DATA_TEMPLATE, DataFile()))
        throw std::runtime_error("cannot copy the data file template");
    QFile::setPermissions(DataFile(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);

    SetEnv("WAYFAREL_REGISTRY", RegistryDir());
    SetEnv("HOME", root.filePath("home"));
    SetEnv("XDG_CONFIG_HOME", root.filePath("config"));
    SetEnv("XDG_DATA_HOME", DataHome());
    SetEnv("XDG_RUNTIME_DIR", root.filePath("runtime"));
    // The desktop proxy a switch sets lands in $XDG_CONFIG_HOME, never in the user's dconf.
    SetEnv("GSETTINGS_BACKEND", "keyfile");
}

TTestRoot::~TTestRoot()
{
    for (auto it = FSaved.crbegin(); it != FSaved.crend(); ++it) {
        if (it->second.isNull())
            qunsetenv(it->first.constData());
        else
            qputenv(it->first.constData(), it->second);
    }
}

void TTestRoot::OpenToOthers() const
{
    const auto Open = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                      QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther |
                      QFileDevice::ExeOther;
    QFile::setPermissions(Path(), Open);
    for (const QString &Sub : QDir(Path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        QFile::setPermissions(QDir(Path()).filePath(Sub), Open);
}

QString TTestRoot::RegistryDir() const { return QDir(FDir.path()).filePath("registry"); }

QString TTestRoot::DataHome() const { return QDir(FDir.path()).filePath("share"); }

QString TTestRoot::DataFolder() const { return QDir(FDir.path()).filePath("data") + '/'; }

QString TTestRoot::DataFile() const { return DataFolder() + "qtm.dat"; }

void TTestRoot::SetEnv(const char *name, const QString &value)
{
    FSaved.append({name, qEnvironmentVariableIsSet(name) ? qgetenv(name) : QByteArray()});
    qputenv(name, value.toLocal8Bit());
}

bool UnderCI() { return qEnvironmentVariable("CI") == QLatin1String("true"); }

void DropRootPrivileges()
{
    if (geteuid() != 0)
        return;
    const uid_t Nobody = 65534;
    if (setgroups(0, nullptr) != 0 || setgid(Nobody) != 0 || setuid(Nobody) != 0)
        _exit(126);
}

int RunUnprivileged(const std::function<int()> &Body)
{
    const pid_t Child = fork();
    if (Child < 0)
        return -1;
    if (Child == 0) {
        DropRootPrivileges();
        _exit(Body());
    }
    int Status = 0;
    if (waitpid(Child, &Status, 0) != Child || !WIFEXITED(Status))
        return -1;
    return WEXITSTATUS(Status);
}

unsigned PermissionBits(const QString &Path)
{
    struct stat Info = {};
    return stat(QFile::encodeName(Path).constData(), &Info) == 0 ? Info.st_mode & 07777 : 0;
}
