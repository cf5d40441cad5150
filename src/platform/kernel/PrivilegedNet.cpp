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

QString ColonMac(const QString &macAddress)
{
    return QString(macAddress).replace(QLatin1Char('-'), QLatin1Char(':'));
}

void SetError(QString *error, const QString &reason)
{
    if (error)
        *error = reason;
}

} // namespace

TCommand ArpBindCommand(const QString &ipAddress, const QString &macAddress, const QString &interface)
{
    return {QStringLiteral("ip"),
            {QStringLiteral("neigh"), QStringLiteral("replace"), ipAddress, QStringLiteral("lladdr"),
             ColonMac(macAddress), QStringLiteral("dev"), interface, QStringLiteral("nud"),
             QStringLiteral("permanent"), QStringLiteral("protocol"), QString::number(OwnNeighbourProtocol)}};
}

TCommand ArpUnbindCommand(const QString &ipAddress, const QString &interface)
{
    return {QStringLiteral("ip"),
            {QStringLiteral("neigh"), QStringLiteral("del"), ipAddress, QStringLiteral("dev"), interface}};
}

std::optional<TCommand> TDirectNet::BindCommand(const QString &ipAddress, const QString &macAddress,
                                                const QString &interface, QString *) const
{
    return ArpBindCommand(ipAddress, macAddress, interface);
}

std::optional<TCommand> TDirectNet::UnbindCommand(const QString &ipAddress, const QString &interface,
                                                  QString *) const
{
    return ArpUnbindCommand(ipAddress, interface);
}

std::optional<TCommand> TDirectNet::ProbeCommand(const QString &, int, const QStringList &) const
{
    return std::nullopt;
}

THelperNet::THelperNet(QStringList helpers) : FHelpers(std::move(helpers)) {}

std::optional<TCommand> THelperNet::BindCommand(const QString &ipAddress, const QString &macAddress,
                                                const QString &interface, QString *error) const
{
    if (HasEffectiveCapability(CAP_NET_ADMIN))
        return TDirectNet::BindCommand(ipAddress, macAddress, interface, error);
    return HelperCommand({QLatin1String(NeighbourAddOperation), interface, ipAddress, ColonMac(macAddress)},
                         error);
}

std::optional<TCommand> THelperNet::UnbindCommand(const QString &ipAddress, const QString &interface,
                                                  QString *error) const
{
    if (HasEffectiveCapability(CAP_NET_ADMIN))
        return TDirectNet::UnbindCommand(ipAddress, interface, error);
    return HelperCommand({QLatin1String(NeighbourDeleteOperation), interface, ipAddress}, error);
}

std::optional<TCommand> THelperNet::ProbeCommand(const QString &interface, int deadlineMs,
                                                 const QStringList &targets) const
{
    const QStringList arguments =
        QStringList{QLatin1String(ArpProbeOperation), interface, QString::number(deadlineMs)} + targets;
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
QString THelperNet::UsableHelper(QString *error) const
{
    for (const QString &helper : FHelpers) {
        if (!QFileInfo(helper).isFile())
            continue;
        if (::access(QFile::encodeName(helper).constData(), X_OK) == 0)
            return helper;
        SetError(error, QStringLiteral("needs CAP_NET_ADMIN: this user may not run %1; add the user to the "
                                       "netdev group")
                            .arg(helper));
        return {};
    }
    SetError(error, QStringLiteral("needs CAP_NET_ADMIN: %1 is not installed, and the program does not hold "
                                   "the capability itself")
                        .arg(QLatin1String(NetHelperName)));
    return {};
}

std::optional<TCommand> THelperNet::HelperCommand(const QStringList &arguments, QString *error) const
{
    const QString helper = UsableHelper(error);
    if (helper.isEmpty())
        return std::nullopt;
    return TCommand{helper, arguments};
}

void InstallPrivilegedNet(std::shared_ptr<const IPrivilegedNet> net)
{
    QMutexLocker locker(&InstalledLock);
    Installed = std::move(net);
}

std::shared_ptr<const IPrivilegedNet> PrivilegedNet()
{
    QMutexLocker locker(&InstalledLock);
    if (!Installed)
        Installed = std::make_shared<TDirectNet>();
    return Installed;
}
