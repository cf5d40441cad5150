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

void Tell(QString *Error, const QString &Text)
{
    if (Error)
        *Error = Text;
}

void RegisterBusTypes()
{
    qDBusRegisterMetaType<TLocationEntry>();
    qDBusRegisterMetaType<QList<TLocationEntry>>();
    qDBusRegisterMetaType<QList<QStringList>>();
}

// A call to the running program; false, with the reason in Error, when it did not answer.
bool CallInstance(const QString &Method, const QVariantList &Args, int TimeoutMs, QDBusMessage &Reply,
                  QString *Error)
{
    QDBusConnection Bus = QDBusConnection::sessionBus();
    if (!Bus.isConnected()) {
        Tell(Error, QStringLiteral("no session bus: %1").arg(Bus.lastError().message()));
        return false;
    }
    QDBusMessage Call = QDBusMessage::createMethodCall(TInstanceBus::ServiceName, TInstanceBus::ObjectPath,
                                                       TInstanceBus::ServiceName, Method);
    Call.setArguments(Args);
    Reply = Bus.call(Call, QDBus::Block, TimeoutMs);
    if (Reply.type() == QDBusMessage::ReplyMessage)
        return true;
    Tell(Error, QStringLiteral("the running Wayfarel did not answer: %1").arg(Reply.errorMessage()));
    return false;
}

// A location's id or name as a call passes it: printable and not too long. False, with the
// reason in Error, otherwise.
bool IsLocationKey(const QString &Key, QString &Error)
{
    const bool Printable = std::none_of(Key.cbegin(), Key.cend(),
                                        [](QChar Char) { return Char.category() == QChar::Other_Control; });
    if (Printable && Key.size() <= TInstanceBus::MaxKeyLength)
        return true;
    Error = QStringLiteral("a location's id or name is printable text of at most %1 characters")
                .arg(TInstanceBus::MaxKeyLength);
    return false;
}

} // namespace

QDBusArgument &operator<<(QDBusArgument &Argument, const TLocationEntry &Entry)
{
    Argument.beginStructure();
    Argument << Entry.Current << Entry.Id << Entry.Name << Entry.AdapterId << Entry.Printer;
    Argument.endStructure();
    return Argument;
}

const QDBusArgument &operator>>(const QDBusArgument &Argument, TLocationEntry &Entry)
{
    Argument.beginStructure();
    Argument >> Entry.Current >> Entry.Id >> Entry.Name >> Entry.AdapterId >> Entry.Printer;
    Argument.endStructure();
    return Argument;
}

const QString TInstanceBus::ServiceName = QStringLiteral("org.brackwell.Wayfarel");
const QString TInstanceBus::ObjectPath = QStringLiteral("/org/brackwell/Wayfarel");

TInstanceBus::TInstanceBus(IInstanceHost *Host, QObject *parent) : QObject(parent), FHost(Host)
{
    RegisterBusTypes();
}

bool TInstanceBus::Register(QString *Error)
{
    QDBusConnection Bus = QDBusConnection::sessionBus();
    if (!Bus.isConnected()) {
        Tell(Error, QStringLiteral("no session bus: %1").arg(Bus.lastError().message()));
        return false;
    }
    if (!Bus.registerObject(ObjectPath, this,
                            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties |
                                QDBusConnection::ExportAllSignals)) {
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

QString TInstanceBus::Status() const { return FHost ? FHost->StatusText() : QString(); }

QString TInstanceBus::DataFile() const { return FHost ? FHost->DataFile() : QString(); }

void TInstanceBus::AnnounceLocation(const QString &Id, const QString &Name)
{
    emit LocationChanged(Id, Name);
}

void TInstanceBus::Activate()
{
    if (FHost)
        FHost->ShowWindow();
}

void TInstanceBus::Show() { Activate(); }

QList<TLocationEntry> TInstanceBus::List() { return FHost ? FHost->Locations() : QList<TLocationEntry>(); }

QString TInstanceBus::Current(QString &Name)
{
    for (const TLocationEntry &Entry : List())
        if (Entry.Current) {
            Name = Entry.Name;
            return Entry.Id;
        }
    return QString();
}

int TInstanceBus::Describe(const QString &Location, QList<QStringList> &Records, QString &Error)
{
    if (!FHost) {
        Error = QStringLiteral("the program has not loaded its locations yet");
        return 1;
    }
    return IsLocationKey(Location, Error) && FHost->DescribeLocation(Location, Records, &Error) ? 0 : 1;
}

int TInstanceBus::Switch(const QString &Location, QString &Id, QString &Name, QStringList &Steps,
                         QStringList &Warnings, QString &Error)
{
    Q_UNUSED(Steps);
    Q_UNUSED(Warnings);
    Q_UNUSED(Id);
    Q_UNUSED(Name);
    if (!FHost) {
        Error = QStringLiteral("the program cannot switch yet");
        return 1;
    }
    if (!IsLocationKey(Location, Error))
        return 1;
    // The reply waits for the switch; meanwhile the bus goes on serving other calls.
    const bool Called = calledFromDBus();
    QDBusMessage Request = Called ? message() : QDBusMessage();
    QDBusConnection Connection = Called ? connection() : QDBusConnection::sessionBus();
    const auto Answer = [Request, Connection](const TSwitchOutcome &Outcome) mutable {
        if (Request.type() == QDBusMessage::MethodCallMessage)
            Connection.send(Request.createReply(
                {Outcome.Status, Outcome.Id, Outcome.Name, Outcome.Steps, Outcome.Warnings, Outcome.Error}));
    };
    if (!FHost->StartSwitch(Location, Answer, &Error))
        return 1;
    if (Called)
        setDelayedReply(true);
    return 0;
}

bool ActivateRunningInstance(QString *Error)
{
    QDBusMessage Reply;
    return CallInstance(QStringLiteral("Activate"), {}, ActivateTimeoutMs, Reply, Error);
}

bool RunningInstanceHolds(const QString &DataFile)
{
    QDBusConnection Bus = QDBusConnection::sessionBus();
    if (!Bus.isConnected() || !Bus.interface()->isServiceRegistered(TInstanceBus::ServiceName))
        return false;
    QDBusMessage Get = QDBusMessage::createMethodCall(TInstanceBus::ServiceName, TInstanceBus::ObjectPath,
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    Get.setArguments({TInstanceBus::ServiceName, QStringLiteral("DataFile")});
    const QDBusReply<QDBusVariant> Held = Bus.call(Get, QDBus::Block, QueryTimeoutMs);
    if (!Held.isValid())
        return false;
    const QString Path = QFileInfo(Held.value().variant().toString()).canonicalFilePath();
    return !Path.isEmpty() && Path == QFileInfo(DataFile).canonicalFilePath();
}

bool RunningInstanceLocations(QList<TLocationEntry> &Entries, QString *Error)
{
    RegisterBusTypes();
    QDBusMessage Reply;
    if (!CallInstance(QStringLiteral("List"), {}, QueryTimeoutMs, Reply, Error))
        return false;
    Entries = qdbus_cast<QList<TLocationEntry>>(Reply.arguments().value(0));
    return true;
}

bool RunningInstanceCurrent(QString &Id, QString &Name, QString *Error)
{
    QDBusMessage Reply;
    if (!CallInstance(QStringLiteral("Current"), {}, QueryTimeoutMs, Reply, Error))
        return false;
    Id = Reply.arguments().value(0).toString();
    Name = Reply.arguments().value(1).toString();
    return true;
}

bool RunningInstanceRecords(const QString &Location, QList<QStringList> &Records, QString *Error)
{
    RegisterBusTypes();
    QDBusMessage Reply;
    if (!CallInstance(QStringLiteral("Describe"), {Location}, QueryTimeoutMs, Reply, Error))
        return false;
    if (Reply.arguments().value(0).toInt() != 0) {
        Tell(Error, Reply.arguments().value(2).toString());
        return false;
    }
    Records = qdbus_cast<QList<QStringList>>(Reply.arguments().value(1));
    return true;
}

bool RunningInstanceSwitch(const QString &Location, TSwitchOutcome &Outcome, QString *Error)
{
    QDBusMessage Reply;
    if (!CallInstance(QStringLiteral("Switch"), {Location}, SwitchTimeoutMs, Reply, Error))
        return false;
    const QVariantList Fields = Reply.arguments();
    Outcome = {Fields.value(0).toInt(),        Fields.value(1).toString(),     Fields.value(2).toString(),
               Fields.value(3).toStringList(), Fields.value(4).toStringList(), Fields.value(5).toString()};
    return true;
}
