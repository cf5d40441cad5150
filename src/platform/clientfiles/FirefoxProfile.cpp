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

QString ProfilePath(const QString &Root, const QString &Path, bool Relative)
{
    if (Path.isEmpty())
        return {};
    return Relative && QDir::isRelativePath(Path) ? QDir(Root).filePath(Path) : Path;
}

// The profile named by the first install section of Ini that names one; Prefix picks the
// install sections (profiles.ini mixes them with the profile sections, installs.ini has only
// them).
QString InstallDefault(const QString &Root, const QString &FileName, const QString &Prefix)
{
    TIniFile Ini(QDir(Root).filePath(FileName), Qt::CaseSensitive);
    if (!Ini.Load())
        return {};
    for (const QString &Section : Ini.Sections())
        if (Section.startsWith(Prefix))
            if (const QString Path = Ini.ReadString(Section, QStringLiteral("Default")); !Path.isEmpty())
                return ProfilePath(Root, Path, true);
    return {};
}

QString MarkedDefault(const QString &Root)
{
    TIniFile Ini(QDir(Root).filePath(QStringLiteral("profiles.ini")), Qt::CaseSensitive);
    if (!Ini.Load())
        return {};
    for (const QString &Section : Ini.Sections())
        if (Section.startsWith(QLatin1String("Profile")) &&
            Ini.ReadString(Section, QStringLiteral("Default")) == "1")
            return ProfilePath(Root, Ini.ReadString(Section, QStringLiteral("Path")),
                               Ini.ReadString(Section, QStringLiteral("IsRelative"), QStringLiteral("1")) ==
                                   "1");
    return {};
}

bool IsHostAddress(const QString &Text)
{
    in_addr Wanted{};
    if (inet_pton(AF_INET, Text.toLatin1().constData(), &Wanted) != 1)
        return false;
    if ((ntohl(Wanted.s_addr) >> 24) == 127)
        return true;
    ifaddrs *List = nullptr;
    if (getifaddrs(&List) != 0)
        return false;
    bool Found = false;
    for (const ifaddrs *Entry = List; Entry && !Found; Entry = Entry->ifa_next)
        Found = Entry->ifa_addr && Entry->ifa_addr->sa_family == AF_INET &&
                reinterpret_cast<const sockaddr_in *>(Entry->ifa_addr)->sin_addr.s_addr == Wanted.s_addr;
    freeifaddrs(List);
    return Found;
}

bool IsLiveProcess(pid_t Pid) { return Pid > 0 && (kill(Pid, 0) == 0 || errno == EPERM); }

} // namespace

QString FirefoxProfilesRoot()
{
    const QString Legacy = QDir::home().filePath(QStringLiteral(".mozilla/firefox"));
    if (QFileInfo(Legacy).isDir())
        return Legacy;
    QString Config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (Config.isEmpty() || QDir::isRelativePath(Config))
        Config = QDir::home().filePath(QStringLiteral(".config"));
    return QDir(Config).filePath(QStringLiteral("mozilla/firefox"));
}

QString FirefoxProfileDir()
{
    const QString Root = FirefoxProfilesRoot();
    QString Dir = InstallDefault(Root, QStringLiteral("profiles.ini"), QStringLiteral("Install"));
    if (Dir.isEmpty())
        Dir = InstallDefault(Root, QStringLiteral("installs.ini"), QString());
    if (Dir.isEmpty())
        Dir = MarkedDefault(Root);
    return !Dir.isEmpty() && QFileInfo(Dir).isDir() ? QDir::cleanPath(Dir) : QString();
}

bool FirefoxHoldsProfile(const QString &ProfileDir)
{
    const QByteArray Lock = QDir(ProfileDir).filePath(QStringLiteral("lock")).toLocal8Bit();
    char Target[PATH_MAX];
    const ssize_t Size = readlink(Lock.constData(), Target, sizeof Target - 1);
    if (Size <= 0)
        return false;
    const QString Text = QString::fromLocal8Bit(Target, Size);
    const qsizetype Separator = Text.lastIndexOf(QLatin1String(":+"));
    bool IsNumber = false;
    const long Pid = Separator < 0 ? 0 : Text.mid(Separator + 2).toLong(&IsNumber);
    return IsNumber && IsHostAddress(Text.left(Separator)) && IsLiveProcess(static_cast<pid_t>(Pid));
}
