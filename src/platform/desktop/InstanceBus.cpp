#include "platform/desktop/InstanceBus.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusReply>
#include <QFileInfo>
#include <algorithm>

namespace {

const int ActivateTimeoutMs = 5000;
const int QueryTimeoutMs = 10000;
// A switch waits for connections to come up and for network drives; the program keeps its own
// limits on each step, so this only catches a program that hangs.
const int SwitchTimeoutMs = 10 * 60 * 1000;

void Tell(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

void RegisterBusTypes()
{
    qDBusRegisterMetaType<TLocationEntry>();
    qDBusRegisterMetaType<QList<TLocationEntry>>();
    qDBusRegisterMetaType<QList<QStringList>>();
}

// A call to the running program; false, with the reason in Error, when it did not answer.
bool CallInstance(const QString &method, const QVariantList &args, int timeoutMs, QDBusMessage &reply,
                  QString *error)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        Tell(error, QStringLiteral("no session bus: %1").arg(bus.lastError().message()));
        return false;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(TInstanceBus::ServiceName, TInstanceBus::ObjectPath,
                                                       TInstanceBus::ServiceName, method);
    call.setArguments(args);
    reply = bus.call(call, QDBus::Block, timeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage)
        return true;
    Tell(error, QStringLiteral("the running Wayfarel did not answer: %1").arg(reply.errorMessage()));
    return false;
}

// A location's id or name as a call passes it: printable and not too long. False, with the
// reason in Error, otherwise.
bool IsLocationKey(const QString &key, QString &error)
{
    const bool printable = std::none_of(key.cbegin(), key.cend(), [](QChar character) {
        return character.category() == QChar::Other_Control;
    });
    if (printable && key.size() <= TInstanceBus::MaxKeyLength)
        return true;
    error = QStringLiteral("a location's id or name is printable text of at most %1 characters")
                .arg(TInstanceBus::MaxKeyLength);
    return false;
}

} // namespace

QDBusArgument &operator<<(QDBusArgument &argument, const TLocationEntry &entry)
{
    argument.beginStructure();
    argument << entry.Current << entry.Id << entry.Name << entry.AdapterId << entry.Printer;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, TLocationEntry &entry)
{
    argument.beginStructure();
    argument >> entry.Current >> entry.Id >> entry.Name >> entry.AdapterId >> entry.Printer;
    argument.endStructure();
    return argument;
}

const QString TInstanceBus::ServiceName = QStringLiteral("org.brackwell.Wayfarel");
const QString TInstanceBus::ObjectPath = QStringLiteral("/org/brackwell/Wayfarel");

TInstanceBus::TInstanceBus(IInstanceHost *host, QObject *parent) : QObject(parent), FHost(host)
{
    RegisterBusTypes();
}

bool TInstanceBus::Register(QString *error)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        Tell(error, QStringLiteral("no session bus: %1").arg(bus.lastError().message()));
        return false;
    }
    if (!bus.registerObject(ObjectPath, this,
                            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties |
                                QDBusConnection::ExportAllSignals)) {
        Tell(error, QStringLiteral("cannot offer %1 on the session bus").arg(ObjectPath));
        return false;
    }
    if (!bus.registerService(ServiceName)) {
        bus.unregisterObject(ObjectPath);
        Tell(error, QStringLiteral("the name %1 is taken: %2").arg(ServiceName, bus.lastError().message()));
        return false;
    }
    return true;
}

QString TInstanceBus::Status() const { return FHost ? FHost->StatusText() : QString(); }

QString TInstanceBus::DataFile() const { return FHost ? FHost->DataFile() : QString(); }

void TInstanceBus::AnnounceLocation(const QString &id, const QString &name)
{
    emit LocationChanged(id, name);
}

void TInstanceBus::Activate()
{
    if (FHost)
        FHost->ShowWindow();
}

void TInstanceBus::Show() { Activate(); }

QList<TLocationEntry> TInstanceBus::List() { return FHost ? FHost->Locations() : QList<TLocationEntry>(); }

QString TInstanceBus::Current(QString &name)
{
    for (const TLocationEntry &entry : List())
        if (entry.Current) {
            name = entry.Name;
            return entry.Id;
        }
    return QString();
}

int TInstanceBus::Describe(const QString &location, QList<QStringList> &records, QString &error)
{
    if (!FHost) {
        error = QStringLiteral("the program has not loaded its locations yet");
        return 1;
    }
    return IsLocationKey(location, error) && FHost->DescribeLocation(location, records, &error) ? 0 : 1;
}

int TInstanceBus::Switch(const QString &location, QString &id, QString &name, QStringList &steps,
                         QStringList &warnings, QString &error)
{
    Q_UNUSED(steps);
    Q_UNUSED(warnings);
    Q_UNUSED(id);
    Q_UNUSED(name);
    if (!FHost) {
        error = QStringLiteral("the program cannot switch yet");
        return 1;
    }
    if (!IsLocationKey(location, error))
        return 1;
    // The reply waits for the switch; meanwhile the bus goes on serving other calls.
    const bool called = calledFromDBus();
    QDBusMessage request = called ? message() : QDBusMessage();
    QDBusConnection bus = called ? connection() : QDBusConnection::sessionBus();
    const auto answer = [request, bus](const TSwitchOutcome &outcome) mutable {
        if (request.type() == QDBusMessage::MethodCallMessage)
            bus.send(request.createReply(
                {outcome.Status, outcome.Id, outcome.Name, outcome.Steps, outcome.Warnings, outcome.Error}));
    };
    if (!FHost->StartSwitch(location, answer, &error))
        return 1;
    if (called)
        setDelayedReply(true);
    return 0;
}

bool ActivateRunningInstance(QString *error)
{
    QDBusMessage reply;
    return CallInstance(QStringLiteral("Activate"), {}, ActivateTimeoutMs, reply, error);
}

bool RunningInstanceHolds(const QString &dataFile)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(TInstanceBus::ServiceName))
        return false;
    QDBusMessage get = QDBusMessage::createMethodCall(TInstanceBus::ServiceName, TInstanceBus::ObjectPath,
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get.setArguments({TInstanceBus::ServiceName, QStringLiteral("DataFile")});
    const QDBusReply<QDBusVariant> held = bus.call(get, QDBus::Block, QueryTimeoutMs);
    if (!held.isValid())
        return false;
    const QString path = QFileInfo(held.value().variant().toString()).canonicalFilePath();
    return !path.isEmpty() && path == QFileInfo(dataFile).canonicalFilePath();
}

bool RunningInstanceLocations(QList<TLocationEntry> &entries, QString *error)
{
    RegisterBusTypes();
    QDBusMessage reply;
    if (!CallInstance(QStringLiteral("List"), {}, QueryTimeoutMs, reply, error))
        return false;
    entries = qdbus_cast<QList<TLocationEntry>>(reply.arguments().value(0));
    return true;
}

bool RunningInstanceCurrent(QString &id, QString &name, QString *error)
{
    QDBusMessage reply;
    if (!CallInstance(QStringLiteral("Current"), {}, QueryTimeoutMs, reply, error))
        return false;
    id = reply.arguments().value(0).toString();
    name = reply.arguments().value(1).toString();
    return true;
}

bool RunningInstanceRecords(const QString &location, QList<QStringList> &records, QString *error)
{
    RegisterBusTypes();
    QDBusMessage reply;
    if (!CallInstance(QStringLiteral("Describe"), {location}, QueryTimeoutMs, reply, error))
        return false;
    if (reply.arguments().value(0).toInt() != 0) {
        Tell(error, reply.arguments().value(2).toString());
        return false;
    }
    records = qdbus_cast<QList<QStringList>>(reply.arguments().value(1));
    return true;
}

bool RunningInstanceSwitch(const QString &location, TSwitchOutcome &outcome, QString *error)
{
    QDBusMessage reply;
    if (!CallInstance(QStringLiteral("Switch"), {location}, SwitchTimeoutMs, reply, error))
        return false;
    const QVariantList fields = reply.arguments();
    outcome = {fields.value(0).toInt(),        fields.value(1).toString(),     fields.value(2).toString(),
               fields.value(3).toStringList(), fields.value(4).toStringList(), fields.value(5).toString()};
    return true;
}
