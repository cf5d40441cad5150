#include "platform/InstanceBus.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>

namespace {

const int ActivateTimeoutMs = 5000;

void Tell(QString *Error, const QString &Text)
{
    if (Error)
        *Error = Text;
}

} // namespace

const QString TInstanceBus::ServiceName = QStringLiteral("org.brackwell.Wayfarel");
const QString TInstanceBus::ObjectPath = QStringLiteral("/org/brackwell/Wayfarel");

TInstanceBus::TInstanceBus(std::function<void()> OnActivate, std::function<QString()> StatusText,
                           QObject *parent)
    : QObject(parent), FOnActivate(std::move(OnActivate)), FStatusText(std::move(StatusText))
{}

bool TInstanceBus::Register(QString *Error)
{
    QDBusConnection Bus = QDBusConnection::sessionBus();
    if (!Bus.isConnected()) {
        Tell(Error, QStringLiteral("no session bus: %1").arg(Bus.lastError().message()));
        return false;
    }
    if (!Bus.registerObject(ObjectPath, this,
                            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties)) {
        Tell(Error, QStringLiteral("cannot offer %1 on the session bus").arg(ObjectPath));
        return false;
    }
    if (!Bus.registerService(ServiceName)) {
        Bus.unregisterObject(ObjectPath);
        Tell(Error, QStringLiteral("the name %1 is taken: %2").arg(ServiceName, Bus.lastError().message()));
        return false;
    }
    return true;
}

QString TInstanceBus::Status() const { return FStatusText ? FStatusText() : QString(); }

void TInstanceBus::Activate()
{
    if (FOnActivate)
        FOnActivate();
}

bool ActivateRunningInstance(QString *Error)
{
    QDBusConnection Bus = QDBusConnection::sessionBus();
    if (!Bus.isConnected()) {
        Tell(Error, QStringLiteral("no session bus: %1").arg(Bus.lastError().message()));
        return false;
    }
    const QDBusMessage Call =
        QDBusMessage::createMethodCall(TInstanceBus::ServiceName, TInstanceBus::ObjectPath,
                                       TInstanceBus::ServiceName, QStringLiteral("Activate"));
    const QDBusMessage Reply = Bus.call(Call, QDBus::Block, ActivateTimeoutMs);
    if (Reply.type() == QDBusMessage::ReplyMessage)
        return true;
    Tell(Error, Reply.errorMessage());
    return false;
}
