#include "platform/sharing/UserShares.h"

#include <QFileInfo>
#include <QMutex>
#include <QStandardPaths>

namespace {

QMutex GInstalledLock;
std::shared_ptr<IUserShares> GInstalled;

// What a refusal of net means, by the words net uses for it.
struct TNetMeaning
{
    const char *Says;
    const char *Means;
};

const TNetMeaning NetMeanings[] = {
    {"cannot stat path", "the folder is missing"},
    {"is not a directory", "the folder is missing"},
    {"is not an absolute path", "the folder is missing"},
    {"maximum number of allowed usershares", "the share limit is reached"},
    {"usershares are currently disabled", "usershares are not allowed here"},
    {"cannot open usershare directory", "usershares are not allowed here"},
    {"contains invalid characters", "Samba refuses the name"},
    {"File name too long", "Samba refuses the name"},
};

// net's own words on one line, led by what they mean where that is known.
QString Explained(const QString &said)
{
    const QString oneLine = said.simplified();
    for (const TNetMeaning &meaning : NetMeanings) {
        if (oneLine.contains(QLatin1String(meaning.Says)))
            return QStringLiteral("%1 (%2)").arg(QLatin1String(meaning.Means), oneLine);
    }
    return oneLine;
}

// What net said about a failure: its error text, else its exit status.
QString NetFailure(const TProcessResult &net)
{
    if (!net.Finished && QStandardPaths::findExecutable(QStringLiteral("net")).isEmpty())
        return QStringLiteral("Samba is not installed (there is no net command): %1").arg(net.Error);
    if (!net.Finished)
        return QStringLiteral("net did not finish: %1").arg(net.Error);
    const QString error = QString::fromLocal8Bit(net.StdErr).trimmed();
    if (!error.isEmpty())
        return Explained(error);
    const QString output = QString::fromLocal8Bit(net.StdOut).trimmed();
    if (!output.isEmpty())
        return Explained(output);
    return QStringLiteral("net ended with status %1").arg(net.ExitCode);
}

} // namespace

QList<TUserShare> ParseUserShareInfo(const QString &output)
{
    QList<TUserShare> shares;
    for (const QString &line : output.split('\n')) {
        if (line.startsWith('[') && line.endsWith(']')) {
            shares.append(TUserShare{line.mid(1, line.size() - 2), {}, {}, {}, false});
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (shares.isEmpty() || equals < 0)
            continue;
        const QString key = line.left(equals);
        const QString value = line.mid(equals + 1);
        TUserShare &share = shares.last();
        if (key == QLatin1String("path"))
            share.Path = value;
        else if (key == QLatin1String("comment"))
            share.Comment = value;
        else if (key == QLatin1String("usershare_acl"))
            share.Acl = value.endsWith(',') ? value.chopped(1) : value;
        else if (key == QLatin1String("guest_ok"))
            share.GuestOk = value == QLatin1String("y");
    }
    return shares;
}

void InstallUserShares(std::shared_ptr<IUserShares> shares)
{
    QMutexLocker locker(&GInstalledLock);
    GInstalled = std::move(shares);
}

std::shared_ptr<IUserShares> InstalledUserShares()
{
    QMutexLocker locker(&GInstalledLock);
    return GInstalled;
}

TNetUserShares::TNetUserShares(const QString &smbConf, std::shared_ptr<IProcessRunner> runner)
    : FSmbConf(smbConf), FRunner(std::move(runner))
{}

bool TNetUserShares::List(QList<TUserShare> &shares)
{
    QString output;
    if (!RunUserShare(QStringLiteral("info"), {}, &output))
        return false;
    shares = ParseUserShareInfo(output);
    return true;
}

bool TNetUserShares::Add(const QString &name, const QString &path, const QString &comment)
{
    return RunUserShare(QStringLiteral("add"),
                        {name, path, comment, QStringLiteral("S-1-1-0:R"), QStringLiteral("guest_ok=y")});
}

bool TNetUserShares::Delete(const QString &name) { return RunUserShare(QStringLiteral("delete"), {name}); }

// net has no command for the access list alone: the share is added again over itself.
bool TNetUserShares::SetAcl(const QString &name, const QString &acl)
{
    std::optional<TUserShare> share;
    if (!Info(name, share))
        return false;
    if (!share)
        return Fail(QStringLiteral("There is no share %1").arg(name));
    return RunUserShare(QStringLiteral("add"),
                        {share->Name, share->Path, share->Comment, acl,
                         share->GuestOk ? QStringLiteral("guest_ok=y") : QStringLiteral("guest_ok=n")});
}

bool TNetUserShares::Info(const QString &name, std::optional<TUserShare> &share)
{
    QString output;
    if (!RunUserShare(QStringLiteral("info"), {name}, &output))
        return false;
    const QList<TUserShare> shares = ParseUserShareInfo(output);
    share = shares.isEmpty() ? std::nullopt : std::optional<TUserShare>(shares.first());
    return true;
}

// The one place that starts net: an argument vector, never a shell. "--" keeps a name or comment
// that begins with "-" from being taken for an option.
bool TNetUserShares::RunUserShare(const QString &verb, const QStringList &arguments, QString *output)
{
    // net silently falls back to the computer's own configuration when it cannot load this one.
    if (!FSmbConf.isEmpty() && !QFileInfo::exists(FSmbConf))
        return Fail(QStringLiteral("The Samba configuration %1 does not exist").arg(FSmbConf));
    QStringList command;
    if (!FSmbConf.isEmpty())
        command << QStringLiteral("-s") << FSmbConf;
    command << QStringLiteral("usershare") << verb;
    if (!arguments.isEmpty())
        command << QStringLiteral("--") << arguments;
    const TProcessResult net = FRunner->Run(QStringLiteral("net"), command, CommandTimeoutMs);
    if (!net.Succeeded())
        return Fail(NetFailure(net));
    if (output)
        *output = QString::fromLocal8Bit(net.StdOut);
    return true;
}

bool TNetUserShares::Fail(const QString &reason)
{
    FLastError = reason;
    return false;
}
