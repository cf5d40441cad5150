#include "platform/networkmanager/NetConnection.h"

#include "platform/kernel/KernelConnections.h"
#include "platform/networkmanager/NMConnections.h"

#include <QFile>

QString AdapterIdFromUuid(const QUuid &uuid)
{
    if (uuid.isNull())
        return QString();
    return uuid.toString(QUuid::WithBraces).toUpper();
}

QString InterfaceDescription(const QString &interfaceName, int ifIndex, const QString &udevDataDir)
{
    QFile db(udevDataDir + "/n" + QString::number(ifIndex));
    if (ifIndex > 0 && db.open(QIODevice::ReadOnly)) {
        QString model;
        for (const QByteArray &line : db.readAll().split('\n')) {
            if (line.startsWith("E:ID_MODEL_FROM_DATABASE="))
                return QString::fromUtf8(line.mid(25)).trimmed();
            if (line.startsWith("E:ID_MODEL="))
                model = QString::fromUtf8(line.mid(11)).trimmed();
        }
        if (!model.isEmpty())
            return model;
    }
    return interfaceName;
}

std::unique_ptr<INetConnectionManager> CreateNetConnectionManager(const std::shared_ptr<TNMSettings> &nm)
{
    if (nm->IsRunning())
        return std::make_unique<TNMConnectionManager>(nm);
    return std::make_unique<TKernelConnectionManager>();
}

bool IsMovingState(quint32 deviceState)
{
    const auto state = static_cast<TDeviceState>(deviceState);
    return (state >= TDeviceState::Prepare && state < TDeviceState::Activated) ||
           state == TDeviceState::Deactivating || state == TDeviceState::Failed;
}

QString NotSwitchableReason()
{
    return QStringLiteral("NetworkManager is not running; this adapter cannot be switched");
}
