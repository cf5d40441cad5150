#include "platform/clientfiles/FirefoxProfile.h"

#include "platform/clientfiles/IniFile.h"

#include <QDir>
#include <QFileInfo>
#include <arpa/inet.h>
#include <cerrno>
#include <climits>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <signal.h>
#include <unistd.h>

namespace {

QString ProfilePath(const QString &root, const QString &path, bool relative)
{
    if (path.isEmpty())
        return {};
    return relative && QDir::isRelativePath(path) ? QDir(root).filePath(path) : path;
}

// The profile named by the first install section of Ini that names one; Prefix picks the
// install sections (profiles.ini mixes them with the profile sections, installs.ini has only
// them).
QString InstallDefault(const QString &root, const QString &fileName, const QString &prefix)
{
    TIniFile ini(QDir(root).filePath(fileName), Qt::CaseSensitive);
    if (!ini.Load())
        return {};
    for (const QString &section : ini.Sections())
        if (section.startsWith(prefix))
            if (const QString path = ini.ReadString(section, QStringLiteral("Default")); !path.isEmpty())
                return ProfilePath(root, path, true);
    return {};
}

QString MarkedDefault(const QString &root)
{
    TIniFile ini(QDir(root).filePath(QStringLiteral("profiles.ini")), Qt::CaseSensitive);
    if (!ini.Load())
        return {};
    for (const QString &section : ini.Sections())
        if (section.startsWith(QLatin1String("Profile")) &&
            ini.ReadString(section, QStringLiteral("Default")) == "1")
            return ProfilePath(root, ini.ReadString(section, QStringLiteral("Path")),
                               ini.ReadString(section, QStringLiteral("IsRelative"), QStringLiteral("1")) ==
                                   "1");
    return {};
}

bool IsHostAddress(const QString &text)
{
    in_addr wanted{};
    if (inet_pton(AF_INET, text.toLatin1().constData(), &wanted) != 1)
        return false;
    if ((ntohl(wanted.s_addr) >> 24) == 127)
        return true;
    ifaddrs *list = nullptr;
    if (getifaddrs(&list) != 0)
        return false;
    bool found = false;
    for (const ifaddrs *entry = list; entry && !found; entry = entry->ifa_next)
        found = entry->ifa_addr && entry->ifa_addr->sa_family == AF_INET &&
                reinterpret_cast<const sockaddr_in *>(entry->ifa_addr)->sin_addr.s_addr == wanted.s_addr;
    freeifaddrs(list);
    return found;
}

bool IsLiveProcess(pid_t pid) { return pid > 0 && (kill(pid, 0) == 0 || errno == EPERM); }

} // namespace

QString FirefoxProfilesRoot()
{
    const QString legacy = QDir::home().filePath(QStringLiteral(".mozilla/firefox"));
    if (QFileInfo(legacy).isDir())
        return legacy;
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || QDir::isRelativePath(config))
        config = QDir::home().filePath(QStringLiteral(".config"));
    return QDir(config).filePath(QStringLiteral("mozilla/firefox"));
}

QString FirefoxProfileDir()
{
    const QString root = FirefoxProfilesRoot();
    QString dir = InstallDefault(root, QStringLiteral("profiles.ini"), QStringLiteral("Install"));
    if (dir.isEmpty())
        dir = InstallDefault(root, QStringLiteral("installs.ini"), QString());
    if (dir.isEmpty())
        dir = MarkedDefault(root);
    return !dir.isEmpty() && QFileInfo(dir).isDir() ? QDir::cleanPath(dir) : QString();
}

bool FirefoxHoldsProfile(const QString &profileDir)
{
    const QByteArray lock = QDir(profileDir).filePath(QStringLiteral("lock")).toLocal8Bit();
    char target[PATH_MAX];
    const ssize_t size = readlink(lock.constData(), target, sizeof target - 1);
    if (size <= 0)
        return false;
    const QString text = QString::fromLocal8Bit(target, size);
    const qsizetype separator = text.lastIndexOf(QLatin1String(":+"));
    bool isNumber = false;
    const long pid = separator < 0 ? 0 : text.mid(separator + 2).toLong(&isNumber);
    return isNumber && IsHostAddress(text.left(separator)) && IsLiveProcess(static_cast<pid_t>(pid));
}
