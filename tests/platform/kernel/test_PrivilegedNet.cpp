#include "platform/kernel/PrivilegedNet.h"

#include "base/Capabilities.h"
#include "support/TestRoot.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <linux/capability.h>

namespace {

// A stand-in for the helper: only its existence and mode matter, it is never run.
QString MakeHelper(const QTemporaryDir &Dir, QFile::Permissions Mode)
{
    const QString path = Dir.filePath(NetHelperName);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !file.setPermissions(Mode))
        return {};
    return path;
}

constexpr QFile::Permissions OwnerOnly = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
constexpr QFile::Permissions Everyone = OwnerOnly | QFile::ReadOther | QFile::ExeOther;

} // namespace

TEST(PrivilegedNet, AProcessWithTheCapabilityActsItself)
{
    ASSERT_TRUE(HasEffectiveCapability(CAP_NET_ADMIN)) << "the suite runs as root";
    const THelperNet net({"/nonexistent/" + QString(NetHelperName)});
    QString error;
    EXPECT_EQ(net.BindCommand("10.0.0.1", "02-00-00-00-00-01", "eth0", &error),
              ArpBindCommand("10.0.0.1", "02-00-00-00-00-01", "eth0"));
    EXPECT_EQ(net.UnbindCommand("10.0.0.1", "eth0", &error), ArpUnbindCommand("10.0.0.1", "eth0"));
    EXPECT_EQ(error, "");
}

TEST(PrivilegedNet, WithoutTheCapabilityTheFirstHelperThatExistsRuns)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QFile::setPermissions(dir.path(), Everyone));
    const QString helper = MakeHelper(dir, Everyone);
    ASSERT_FALSE(helper.isEmpty());
    const int failures = RunUnprivileged([&] {
        if (HasEffectiveCapability(CAP_NET_ADMIN))
            return 1;
        const THelperNet net({"/nonexistent/" + QString(NetHelperName), helper});
        const auto bind = net.BindCommand("10.0.0.1", "02-00-00-00-00-01", "eth0", nullptr);
        const auto unbind = net.UnbindCommand("10.0.0.1", "eth0", nullptr);
        const auto probe = net.ProbeCommand("eth0", 650, {"10.0.0.1", "10.0.0.2"});
        int wrong = 0;
        wrong |= bind != TCommand{helper, {"neigh-add", "eth0", "10.0.0.1", "02:00:00:00:00:01"}} ? 2 : 0;
        wrong |= unbind != TCommand{helper, {"neigh-del", "eth0", "10.0.0.1"}} ? 4 : 0;
        wrong |= probe != TCommand{helper, {"arp-probe", "eth0", "650", "10.0.0.1", "10.0.0.2"}} ? 8 : 0;
        return wrong;
    });
    EXPECT_EQ(failures, 0) << "1: still capable, 2: bind, 4: unbind, 8: probe";
}

TEST(PrivilegedNet, WithoutTheCapabilityOrAHelperToRunTheReasonSaysWhatIsMissing)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QFile::setPermissions(dir.path(), Everyone));
    const QString rootsOnly = MakeHelper(dir, OwnerOnly);
    ASSERT_FALSE(rootsOnly.isEmpty());
    const struct
    {
        QString Helper;
        QString Reason;
    } cases[] = {
        {rootsOnly,
         "needs CAP_NET_ADMIN: this user may not run " + rootsOnly + "; add the user to the netdev group"},
        {"/nonexistent/" + QString(NetHelperName),
         "needs CAP_NET_ADMIN: wayfarel-nethelper is not installed, and the program does not hold the "
         "capability itself"},
    };
    for (const auto &c : cases) {
        QTemporaryDir out;
        ASSERT_TRUE(out.isValid());
        ASSERT_TRUE(QFile::setPermissions(out.path(), Everyone | QFile::WriteOther));
        const QString said = out.filePath("reason");
        const int code = RunUnprivileged([&] {
            const THelperNet net({c.Helper});
            QString reason;
            const bool none = !net.BindCommand("10.0.0.1", "02-00-00-00-00-01", "eth0", &reason) &&
                              !net.ProbeCommand("eth0", 650, {"10.0.0.1"});
            QFile file(said);
            return none && file.open(QIODevice::WriteOnly) && file.write(reason.toUtf8()) >= 0 ? 0 : 1;
        });
        ASSERT_EQ(code, 0) << c.Helper.toStdString();
        QFile file(said);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(QString::fromUtf8(file.readAll()), c.Reason);
    }
}

TEST(PrivilegedNet, NothingInstalledMeansActingDirectly)
{
    InstallPrivilegedNet(nullptr);
    EXPECT_EQ(PrivilegedNet()->BindCommand("10.0.0.1", "02:00:00:00:00:01", "eth0", nullptr),
              ArpBindCommand("10.0.0.1", "02:00:00:00:00:01", "eth0"));
    EXPECT_FALSE(PrivilegedNet()->ProbeCommand("eth0", 650, {"10.0.0.1"}).has_value());
}
