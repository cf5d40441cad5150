#include "app/Startup.h"
#include "platform/registry/Registry.h"
#include "support/TestRoot.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <gtest/gtest.h>

namespace {

QByteArray Contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<absent>");
}

// Everything the program could leave behind: both hives and the data file.
QList<QByteArray> Traces(const TTestRoot &root)
{
    const QDir registry(root.RegistryDir());
    return {Contents(registry.filePath("HKEY_LOCAL_MACHINE.reg")),
            Contents(registry.filePath("HKEY_CURRENT_USER.reg")),
            Contents(QDir(root.Path()).filePath("qtm.dat"))};
}

void StoreDefaultUI(int value)
{
    TRegistry reg;
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(reg.OpenKey("\\SOFTWARE\\Brackwell\\Wayfarel", true));
    reg.WriteInteger("DefaultUI", value);
}

} // namespace

TEST(Startup, MissingDefaultUIReadsAsMainWindowAndIsNotCreated)
{
    TTestRoot root;
    EXPECT_EQ(ReadDefaultUI(), duMainUI);
    TRegistry reg;
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(reg.OpenKeyReadOnly("SOFTWARE\\Brackwell\\Wayfarel"));
    EXPECT_FALSE(reg.ValueExists("DefaultUI"));
}

TEST(Startup, DefaultUIRoundTrip)
{
    TTestRoot root;
    for (int value : {int(duPanelUI), int(duMainUI), 3, 0}) {
        ASSERT_TRUE(WriteDefaultUI(value));
        EXPECT_EQ(ReadDefaultUI(), value);
    }
}

TEST(Startup, DefaultUIOfTheWrongTypeReadsAsMainWindow)
{
    TTestRoot root;
    StoreDefaultUI(2);
    TRegistry reg;
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(reg.OpenKey("SOFTWARE\\Brackwell\\Wayfarel", false));
    reg.WriteString("DefaultUI", "2");
    EXPECT_EQ(ReadDefaultUI(), duMainUI);
}

TEST(Startup, UnwritableRegistryRefusesToStoreTheChoice)
{
    TTestRoot root;
    qputenv("WAYFAREL_REGISTRY", "/proc/wayfarel-registry");
    EXPECT_FALSE(WriteDefaultUI(duPanelUI));
    EXPECT_EQ(ReadDefaultUI(), duMainUI);
}

// The real program, twice: the second start must end with code 0 and leave no trace.
TEST(Startup, SecondInstanceEndsAtOnceTouchingNothing)
{
    TTestRoot root;
    const QString program = QDir(root.Path()).filePath("wayfarel");
    ASSERT_TRUE(QFile::copy(QStringLiteral(WAYFAREL_BIN_DIR) + "/wayfarel", program));
    ASSERT_TRUE(QFile::copy(root.DataFile(), QDir(root.Path()).filePath("qtm.dat")));

    // A session bus of the test's own: the first instance answers on it once its event loop runs.
    if (QStandardPaths::findExecutable("dbus-daemon").isEmpty())
        GTEST_SKIP() << "no dbus-daemon to run a session bus";
    QProcess bus;
    bus.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
    ASSERT_TRUE(bus.waitForReadyRead(10000));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("DBUS_SESSION_BUS_ADDRESS", QString::fromUtf8(bus.readLine()).trimmed());
    QProcess first;
    first.setProcessEnvironment(env);
    first.start(program, {});
    ASSERT_TRUE(first.waitForStarted());
    const auto answersOnTheBus = [&] {
        QProcess status;
        status.setProcessEnvironment(env);
        status.start("dbus-send", {"--session", "--print-reply", "--dest=org.brackwell.Wayfarel",
                                   "/org/brackwell/Wayfarel", "org.freedesktop.DBus.Properties.Get",
                                   "string:org.brackwell.Wayfarel", "string:Status"});
        return status.waitForFinished(30000) && status.exitCode() == 0;
    };
    const QDeadlineTimer deadline(60000);
    while (!answersOnTheBus() && !deadline.hasExpired())
        QThread::msleep(50);
    ASSERT_TRUE(answersOnTheBus()) << "the first instance is up";
    const QList<QByteArray> before = Traces(root);

    QProcess second;
    second.setProcessEnvironment(env);
    second.start(program, {});
    ASSERT_TRUE(second.waitForFinished(5000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(Traces(root), before);
    EXPECT_EQ(first.state(), QProcess::Running);

    first.terminate();
    first.waitForFinished(5000);
    bus.kill();
    bus.waitForFinished();
}
