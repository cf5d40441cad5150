#include "platform/InstanceBus.h"
#include "support/EventLoop.h"

#include <QDBusConnection>
#include <QEventLoop>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

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

    static inline QProcess *Daemon = nullptr;
    static inline QString Address;
};

} // namespace

TEST_F(InstanceBusTest, ASecondStartActivatesTheRegisteredInstanceAndOthersReadItsStatus)
{
    int Activations = 0;
    TInstanceBus Bus([&Activations] { ++Activations; },
                     [] { return QStringLiteral("Current Location: Home(eth0)"); });
    QString Error;
    ASSERT_TRUE(Bus.Register(&Error)) << Error.toStdString();

    Run("dbus-send", {"--session", "--print-reply", "--dest=org.brackwell.Wayfarel",
                      "/org/brackwell/Wayfarel", "org.brackwell.Wayfarel.Activate"});
    EXPECT_EQ(Activations, 1);
    EXPECT_TRUE(ActivateRunningInstance(&Error)) << Error.toStdString();
    EXPECT_EQ(Activations, 2);
    const QString Status = Run("dbus-send", {"--session", "--print-reply", "--dest=org.brackwell.Wayfarel",
                                             "/org/brackwell/Wayfarel", "org.freedesktop.DBus.Properties.Get",
                                             "string:org.brackwell.Wayfarel", "string:Status"});
    EXPECT_TRUE(Status.contains("\"Current Location: Home(eth0)\"")) << Status.toStdString();

    QDBusConnection::sessionBus().unregisterService(TInstanceBus::ServiceName);
    QDBusConnection::sessionBus().unregisterObject(TInstanceBus::ObjectPath);
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
    TInstanceBus Bus({}, {});
    QString Error;
    EXPECT_FALSE(Bus.Register(&Error));
    EXPECT_TRUE(Error.contains("taken")) << Error.toStdString();
    Other.unregisterService(TInstanceBus::ServiceName);
    QDBusConnection::disconnectFromBus("other-instance");
}
