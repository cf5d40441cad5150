#include "platform/desktop/InstanceBus.h"
#include "platform/process/EventWait.h"
#include "support/EventLoop.h"

#include <QDBusConnection>
#include <QEventLoop>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <gtest/gtest.h>
#include <utility>

namespace {

// The window side as a script sets it up: two locations, Home current; a switch it accepts ends
// with Outcome once the test calls EndSwitch.
class TFakeHost : public IInstanceHost
{
public:
    void ShowWindow() override { ++Shown; }
    QString StatusText() const override { return QStringLiteral("Current Location: Home(eth0)"); }
    QString DataFile() const override { return QStringLiteral("/data/qtm.dat"); }
    QList<TLocationEntry> Locations() const override
    {
        return {{false, "OFFICE01", "Office", "{ADAPTER-1}", "Laser"}, {true, "HOME02", "Home", "", ""}};
    }
    bool DescribeLocation(const QString &Location, QList<QStringList> &Records, QString *Error) override
    {
        if (Location != "Office") {
            *Error = "no location " + Location;
            return false;
        }
        Records = {{"Id", "OFFICE01"}, {"IE proxy", "on"}};
        return true;
    }
    bool StartSwitch(const QString &Location, std::function<void(const TSwitchOutcome &)> Ended,
                     QString *Error) override
    {
        Asked.append(Location);
        if (!Refusal.isEmpty()) {
            *Error = Refusal;
            return false;
        }
        FEnded = std::move(Ended);
        return true;
    }
    bool SwitchRunning() const { return bool(FEnded); }
    void EndSwitch() { std::exchange(FEnded, nullptr)(Outcome); }

    int Shown = 0;
    QStringList Asked;
    QString Refusal;
    TSwitchOutcome Outcome;

private:
    std::function<void(const TSwitchOutcome &)> FEnded;
};

// Hears the bus's signal on a connection of its own, as a script would.
class TSignalCatcher : public QObject
{
    Q_OBJECT

public slots:
    void LocationChanged(const QString &Id, const QString &Name) { Heard.append(Id + '=' + Name); }

public:
    QStringList Heard;
};

// A session bus of the suite's own, so the test neither needs nor disturbs the user's.
class InstanceBusTest : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        EventLoopApplication();
        if (QStandardPaths::findExecutable("dbus-daemon").isEmpty())
            return;
        Daemon = new QProcess;
        Daemon->start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
        if (Daemon->waitForReadyRead(5000))
            Address = QString::fromUtf8(Daemon->readLine()).trimmed();
        qputenv("DBUS_SESSION_BUS_ADDRESS", Address.toUtf8());
    }

    static void TearDownTestSuite()
    {
        if (!Daemon)
            return;
        Daemon->kill();
        Daemon->waitForFinished();
        delete Daemon;
        Daemon = nullptr;
    }

    void SetUp() override
    {
        if (Address.isEmpty())
            GTEST_SKIP() << "no dbus-daemon to run a session bus";
    }

    // Runs a D-Bus client program to its end with this process's event loop going, so the
    // object it calls here can answer.
    static QString Run(const QString &Program, const QStringList &Args)
    {
        QProcess Client;
        QEventLoop Loop;
        QObject::connect(&Client, &QProcess::finished, &Loop, &QEventLoop::quit);
        QTimer::singleShot(10000, &Loop, &QEventLoop::quit);
        Client.start(Program, Args);
        Loop.exec();
        return QString::fromUtf8(Client.readAllStandardOutput());
    }

    static QStringList CallArgs(const QString &Method, const QStringList &Args = {})
    {
        return QStringList{"--session", "--print-reply", "--dest=org.brackwell.Wayfarel",
                           "/org/brackwell/Wayfarel", "org.brackwell.Wayfarel." + Method} +
               Args;
    }

    // A call of the interface's Method through dbus-send, printed reply.
    static QString Call(const QString &Method, const QStringList &Args = {})
    {
        return Run("dbus-send", CallArgs(Method, Args));
    }

    // Runs the event loop until Done holds; false when the deadline passes first.
    static bool WaitFor(const std::function<bool()> &Done) { return TEventWait().Until(Done, 20000, 10); }

    void TearDown() override
    {
        QDBusConnection::sessionBus().unregisterService(TInstanceBus::ServiceName);
        QDBusConnection::sessionBus().unregisterObject(TInstanceBus::ObjectPath);
    }

    static inline QProcess *Daemon = nullptr;
    static inline QString Address;
};

} // namespace

TEST_F(InstanceBusTest, ASecondStartActivatesTheRegisteredInstanceAndOthersReadItsStatus)
{
    TFakeHost Host;
    TInstanceBus Bus(&Host);
    QString Error;
    ASSERT_TRUE(Bus.Register(&Error)) << Error.toStdString();

    Call("Activate");
    EXPECT_EQ(Host.Shown, 1);
    EXPECT_TRUE(ActivateRunningInstance(&Error)) << Error.toStdString();
    EXPECT_EQ(Host.Shown, 2);
    Call("Show");
    EXPECT_EQ(Host.Shown, 3);
    const QString Status = Run("dbus-send", {"--session", "--print-reply", "--dest=org.brackwell.Wayfarel",
                                             "/org/brackwell/Wayfarel", "org.freedesktop.DBus.Properties.Get",
                                             "string:org.brackwell.Wayfarel", "string:Status"});
    EXPECT_TRUE(Status.contains("\"Current Location: Home(eth0)\"")) << Status.toStdString();
}

TEST_F(InstanceBusTest, ListCurrentAndDescribeAnswerWithTheHostsLocations)
{
    TFakeHost Host;
    TInstanceBus Bus(&Host);
    ASSERT_TRUE(Bus.Register());

    const QString List = Call("List").simplified();
    EXPECT_TRUE(
        List.contains(R"(struct { boolean false string "OFFICE01" string "Office" string "{ADAPTER-1}" )"
                      R"(string "Laser" } struct { boolean true string "HOME02" string "Home" string "" )"
                      R"(string "" })"))
        << List.toStdString();
    EXPECT_TRUE(Call("Current").simplified().endsWith(R"(string "HOME02" string "Home")"))
        << Call("Current").toStdString();
    const QString Office = Call("Describe", {"string:Office"}).simplified();
    EXPECT_TRUE(Office.contains(R"(int32 0 array [ array [ string "Id" string "OFFICE01" ] )"
                                R"(array [ string "IE proxy" string "on" ] ] string "")"))
        << Office.toStdString();
    const QString Nowhere = Call("Describe", {"string:Nowhere"}).simplified();
    EXPECT_TRUE(Nowhere.contains(R"(int32 1 array [ ] string "no location Nowhere")"))
        << Nowhere.toStdString();
}

// The reply comes once the switch has ended; the bus answers other calls meanwhile.
TEST_F(InstanceBusTest, SwitchAnswersWithTheOutcomeWhenTheSwitchHasEnded)
{
    TFakeHost Host;
    Host.Outcome = {0, "OFFICE01", "Office", {"adapter: done"}, {"printer: not found"}, ""};
    TInstanceBus Bus(&Host);
    ASSERT_TRUE(Bus.Register());

    QProcess Client;
    Client.start("dbus-send", CallArgs("Switch", {"string:office"}));
    ASSERT_TRUE(WaitFor([&] { return Host.SwitchRunning(); }));
    EXPECT_EQ(Host.Asked, QStringList{"office"});
    EXPECT_TRUE(Call("Current").contains("HOME02")) << "the bus answers other calls meanwhile";
    EXPECT_EQ(Client.state(), QProcess::Running) << "no answer before the switch has ended";

    Host.EndSwitch();
    ASSERT_TRUE(WaitFor([&] { return Client.state() == QProcess::NotRunning; }));
    const QString Reply = QString::fromUtf8(Client.readAllStandardOutput()).simplified();
    EXPECT_TRUE(
        Reply.contains(R"(int32 0 string "OFFICE01" string "Office" array [ string "adapter: done" ] )"
                       R"(array [ string "printer: not found" ] string "")"))
        << Reply.toStdString();
}

TEST_F(InstanceBusTest, ARefusedOrMalformedSwitchAnswersAtOnceWithTheReason)
{
    TFakeHost Host;
    TInstanceBus Bus(&Host);
    ASSERT_TRUE(Bus.Register());
    Host.Refusal = "another switch is running";
    EXPECT_TRUE(Call("Switch", {"string:Home"}).contains(R"(string "another switch is running")"));
    EXPECT_TRUE(Call("Switch", {"string:Home"}).contains("int32 1"));

    const QString Long(TInstanceBus::MaxKeyLength + 1, 'x');
    for (const QString &Malformed : {Long, QString("Ho\x01me"), QString("Ho\nme")}) {
        const QString Reply = Call("Switch", {"string:" + Malformed});
        EXPECT_TRUE(Reply.contains("int32 1")) << Reply.toStdString();
        EXPECT_TRUE(Reply.contains("printable text")) << Reply.toStdString();
    }
    EXPECT_EQ(Host.Asked, (QStringList{"Home", "Home"}));
    EXPECT_TRUE(Call("Describe", {"string:" + Long}).contains("printable text"));
    EXPECT_TRUE(Call("Switch", {"int32:3"}).isEmpty()) << "a call of the wrong signature is not served";
}

TEST_F(InstanceBusTest, AMadeLocationIsAnnouncedToListeners)
{
    TInstanceBus Bus(nullptr);
    ASSERT_TRUE(Bus.Register());
    QDBusConnection Listener = QDBusConnection::connectToBus(Address, "listener");
    TSignalCatcher Catcher;
    ASSERT_TRUE(Listener.connect(TInstanceBus::ServiceName, TInstanceBus::ObjectPath,
                                 TInstanceBus::ServiceName, "LocationChanged", &Catcher,
                                 SLOT(LocationChanged(QString, QString))));
    Bus.AnnounceLocation("HOME02", "Home");
    EXPECT_TRUE(WaitFor([&] { return !Catcher.Heard.isEmpty(); }));
    EXPECT_EQ(Catcher.Heard, QStringList{"HOME02=Home"});
    QDBusConnection::disconnectFromBus("listener");
}

TEST_F(InstanceBusTest, WithoutARunningInstanceActivationFailsWithTheReason)
{
    QString Error;
    EXPECT_FALSE(ActivateRunningInstance(&Error));
    EXPECT_FALSE(Error.isEmpty());
}

TEST_F(InstanceBusTest, TheNameHeldByAnotherConnectionIsNotTaken)
{
    QDBusConnection Other = QDBusConnection::connectToBus(Address, "other-instance");
    ASSERT_TRUE(Other.registerService(TInstanceBus::ServiceName));
    TInstanceBus Bus(nullptr);
    QString Error;
    EXPECT_FALSE(Bus.Register(&Error));
    EXPECT_TRUE(Error.contains("taken")) << Error.toStdString();
    Other.unregisterService(TInstanceBus::ServiceName);
    QDBusConnection::disconnectFromBus("other-instance");
}

#include "test_InstanceBus.moc"
