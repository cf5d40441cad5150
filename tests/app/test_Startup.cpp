#include "app/Startup.h"
#include "platform/registry/Registry.h"
#include "support/TestRoot.h"

#include <QDir>
#include <QFile>
#include <QProcess>
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

// The real program, twice: the second start must end at once with code 0 and leave no trace.
TEST(Startup, SecondInstanceEndsAtOnceTouchingNothing)
{
    TTestRoot root;
    const QString program = QDir(root.Path()).filePath("wayfarel");
    ASSERT_TRUE(QFile::copy(QStringLiteral(WAYFAREL_BIN_DIR) + "/wayfarel", program));
    ASSERT_TRUE(QFile::copy(root.DataFile(), QDir(root.Path()).filePath("qtm.dat")));

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    QProcess first;
    first.setProcessEnvironment(env);
    first.start(program, {});
    ASSERT_TRUE(first.waitForStarted());
    // Wait until the first instance holds the data file, so it is fully up.
    const QString lockPath = QDir(root.Path()).filePath("runtime/Brackwell Wayfarel");
    for (int i = 0; i < 100 && !QFile::exists(lockPath); ++i)
        QThread::msleep(50);
    ASSERT_TRUE(QFile::exists(lockPath));
    QThread::msleep(300);
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
}
