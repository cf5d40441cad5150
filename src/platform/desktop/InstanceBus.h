#pragma once

#include <QDBusContext>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class QDBusArgument;

// One location as the running program lists it: current mark, id, name, adapter id, printer.
struct TLocationEntry
{
    bool Current = false;
    QString Id;
    QString Name;
    QString AdapterId;
    QString Printer;
};
Q_DECLARE_METATYPE(TLocationEntry)
QDBusArgument &operator<<(QDBusArgument &argument, const TLocationEntry &entry);
const QDBusArgument &operator>>(const QDBusArgument &argument, TLocationEntry &entry);

// What a switch came to, in the terms wayfarelctl prints: its exit status (0 switched), the
// location, each step's text, the warnings of a switch that went through and the error of one
// that did not.
struct TSwitchOutcome
{
    int Status = 1;
    QString Id;
    QString Name;
    QStringList Steps;
    QStringList Warnings;
    QString Error;
};

// What the running program offers on the bus; the window side implements it.
class IInstanceHost
{
public:
    virtual ~IInstanceHost() = default;
    virtual void ShowWindow() = 0;
    virtual QString StatusText() const = 0;
    // The absolute path of the data file the program holds.
    virtual QString DataFile() const = 0;
    virtual QList<TLocationEntry> Locations() const = 0;
    // The settings of the location with that id or name as "field, value" records; false, with
    // the reason in Error, when there is no such location.
    virtual bool DescribeLocation(const QString &location, QList<QStringList> &records, QString *error) = 0;
    // Starts a switch to the location with that id or name as one started in the window, and
    // calls Ended once with its outcome. False, with the reason in Error, when it cannot start:
    // no such location, or a switch runs already.
    virtual bool StartSwitch(const QString &location, std::function<void(const TSwitchOutcome &)> ended,
                             QString *error) = 0;
};

// The running program on the session bus, under the name "org.brackwell.Wayfarel" and the path
// "/org/brackwell/Wayfarel": a second start asks it to come to the front (Activate, Show),
// scripts read its status bar (Status), its locations (List, Current) and switch (Switch), and
// hear of every switch that made a location current (LocationChanged). The session bus takes
// calls from the same user only.
class TInstanceBus : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.brackwell.Wayfarel")
    Q_PROPERTY(QString Status READ Status)
    Q_PROPERTY(QString DataFile READ DataFile)

public:
    static const QString ServiceName;
    static const QString ObjectPath;
    // The longest location id or name a call may pass.
    static const int MaxKeyLength = 1024;

    // Host may be null: then the object only answers Activate and Show, with nothing to do.
    explicit TInstanceBus(IInstanceHost *host, QObject *parent = nullptr);

    // Offers the object on the session bus; false, with the reason in Error, when there is no
    // session bus or another process holds the name.
    bool Register(QString *error = nullptr);
    QString Status() const;
    QString DataFile() const;
    // Tells the bus that a switch made the location current.
    void AnnounceLocation(const QString &id, const QString &name);

public slots:
    void Activate();
    void Show();
    QList<TLocationEntry> List();
    // Id and name of the current location; both empty when there is none.
    QString Current(QString &name);
    // The location's settings as "field, value" records; exit status 0, else 1 and the reason.
    int Describe(const QString &location, QList<QStringList> &records, QString &error);
    // Answers when the switch has ended (the window's own messages may still be up): the
    // outcome's fields in order, the exit status first.
    int Switch(const QString &location, QString &id, QString &name, QStringList &steps, QStringList &warnings,
               QString &error);

signals:
    void LocationChanged(const QString &id, const QString &name);

private:
    IInstanceHost *FHost;
};

// Asks the instance that runs already to show its window; false, with the reason in Error, when
// none answers within a few seconds.
bool ActivateRunningInstance(QString *error = nullptr);

// The client side for wayfarelctl. True when a running program owns the bus name and holds the
// data file at DataFile (compared as canonical paths).
bool RunningInstanceHolds(const QString &dataFile);
// The running program's locations; false, with the reason in Error, when it does not answer.
bool RunningInstanceLocations(QList<TLocationEntry> &entries, QString *error = nullptr);
// The running program's current location; Id stays empty when there is none.
bool RunningInstanceCurrent(QString &id, QString &name, QString *error = nullptr);
// The settings of a location as the running program shows them; false, with the reason in Error,
// when it does not answer or has no such location.
bool RunningInstanceRecords(const QString &location, QList<QStringList> &records, QString *error = nullptr);
// A switch run by the running program, waited for; false, with the reason in Error, when the
// program does not answer (a refused or failed switch is an outcome, not a false).
bool RunningInstanceSwitch(const QString &location, TSwitchOutcome &outcome, QString *error = nullptr);
