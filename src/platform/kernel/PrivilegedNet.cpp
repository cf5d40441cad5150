#include "platform/kernel/PrivilegedNet.h"

#include "base/Capabilities.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <linux/capability.h>
#include <unistd.h>

namespace {

QMutex InstalledLock;
std::shared_ptr<const IPrivilegedNet> Installed;

QString ColonMac(const QString &MacAddress)
{
    return QString(MacAddress).replace(QLatin1Char('-'), QLatin1Char(':'));
}

void SetError(QString *Error, const QString &Reason)
{
    if (Error)
        *Error = Reason;
}

} // namespace

TCommand ArpBindCommand(const QString &IpAddress, const QString &MacAddress, const QString &Interface)
{
    return {QStringLiteral("ip"),
            {QStringLiteral("neigh"), QStringLiteral("replace"), IpAddress, QStringLiteral("lladdr"),
             ColonMac(MacAddress), QStringLiteral("dev"), Interface, QStringLiteral("nud"),
             QStringLiteral("permanent"), QStringLiteral("protocol"), QString::number(OwnNeighbourProtocol)}};
}

TCommand ArpUnbindCommand(const QString &IpAddress, const QString &Interface)
{
    return {QStringLiteral("ip"),
            {QStringLiteral("neigh"), QStringLiteral("del"), IpAddress, QStringLiteral("dev"), Interface}};
}

std::optional<TCommand> TDirectNet::BindCommand(const QString &IpAddress, const QString &MacAddress,
                                                const QString &Interface, QString *) const
{
    return ArpBindCommand(IpAddress, MacAddress, Interface);
}

std::optional<TCommand> TDirectNet::UnbindCommand(const QString &IpAddress, const QString &Interface,
                                                  QString *) const
{
    return ArpUnbindCommand(IpAddress, Interface);
}

std::optional<TCommand> TDirectNet::ProbeCommand(const QString &, int, const QStringList &) const
{
    return std::nullopt;
}

THelperNet::THelperNet(QStringList Helpers) : FHelpers(std::move(Helpers)) {}

std::optional<TCommand> THelperNet::BindCommand(const QString &IpAddress, const QString &MacAddress,
                                                const QString &Interface, QString *Error) const
{
    if (HasEffectiveCapability(CAP_NET_ADMIN))
        return TDirectNet::BindCommand(IpAddress, MacAddress, Interface, Error);
    return HelperCommand({QLatin1String(NeighbourAddOperation), Interface, IpAddress, ColonMac(MacAddress)},
                         Error);
}

std::optional<TCommand> THelperNet::UnbindCommand(const QString &IpAddress, const QString &Interface,
                                                  QString *Error) const
{
    if (HasEffectiveCapability(CAP_NET_ADMIN))
        return TDirectNet::UnbindCommand(IpAddress, Interface, Error);
    return HelperCommand({QLatin1String(NeighbourDeleteOperation), Interface, IpAddress}, Error);
}

std::optional<TCommand> THelperNet::ProbeCommand(const QString &Interface, int DeadlineMs,
                                                 const QStringList &Targets) const
{
    const QStringList arguments =
        QStringList{QLatin1String(ArpProbeOperation), Interface, QString::number(DeadlineMs)} + Targets;
    return HelperCommand(arguments, nullptr);
}

QStringList THelperNet::DefaultHelpers()
{
    const QString name = QLatin1String(NetHelperName);
    QStringList helpers;
    if (QCoreApplication::instance())
        helpers << QCoreApplication::applicationDirPath() + QLatin1Char('/') + name;
    helpers << QStringLiteral(WAYFAREL_HELPER_INSTALL_DIR "/") + name;
    return helpers;
}

// Execute permission is what the helper's group grants: a user outside it may not run it.
QString THelperNet::UsableHelper(QString *Error) const
{
    for (const QString &helper : FHelpers) {
        if (!QFileInfo(helper).isFile())
            continue;
        if (::access(QFile::encodeName(helper).constData(), X_OK) == 0)
            return helper;
        SetError(Error, QStringLiteral("needs CAP_NET_ADMIN: this user may not run %1; add the user to the "
                                       "netdev group")
                            .arg(helper));
        return {};
    }
    SetError(Error, QStringLiteral("needs CAP_NET_ADMIN: %1 is not installed, and the program does not hold "
                                   "the capability itself")
                        .arg(QLatin1String(NetHelperName)));
    return {};
}

std::optional<TCommand> THelperNet::HelperCommand(const QStringList &Arguments, QString *Error) const
{
    const QString helper = UsableHelper(Error);
    if (helper.isEmpty())
        return std::nullopt;
    return TCommand{helper, Arguments};
}

void InstallPrivilegedNet(std::shared_ptr<const IPrivilegedNet> Net)
{
    QMutexLocker locker(&InstalledLock);
    Installed = std::move(Net);
}

std::shared_ptr<const IPrivilegedNet> PrivilegedNet()
{
    QMutexLocker locker(&InstalledLock);
    if (!Installed)
        Installed = std::make_shared<TDirectNet>();
    return Installed;
}
