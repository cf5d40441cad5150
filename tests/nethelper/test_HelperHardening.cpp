#include "nethelper/HelperPrivileges.h"

#include "base/NetHelperProtocol.h"
#include "support/TestRoot.h"
#include "support/TestUser.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct TOperationCase
{
    const char *Name;
    QStringList Args;
    const char *Missing;
};

void PrintTo(const TOperationCase &Case, std::ostream *out) { *out << Case.Name; }

// The built helper, which carries no file capabilities, run by the user nobody in a network
// namespace of the test's own whose link w0 (10.77.0.1/24) passes every check of the arguments,
// so the only thing left to refuse is the missing capability.
class HelperUnprivileged : public testing::TestWithParam<TOperationCase>
{
protected:
    void SetUp() override
    {
        WAYFAREL_REQUIRE_LAB(::geteuid() == 0, "root is needed to make a namespace and run as nobody");
        FNamespace = QStringLiteral("wfl-hh-%1").arg(::getpid());
        for (const char *command :
             {"netns add NS", "-n NS link add w0 type veth peer name w1",
              "-n NS addr add 10.77.0.1/24 dev w0", "-n NS link set w0 up", "-n NS link set w1 up"})
            ASSERT_TRUE(RunsOk(QStringList{"ip"} + QString(command).replace("NS", FNamespace).split(' ')))
                << command;
        // nobody must reach the helper: a copy in a folder open to others.
        ASSERT_TRUE(FBin.isValid());
        ASSERT_TRUE(QFile::setPermissions(FBin.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                           QFile::ExeOwner | QFile::ReadOther |
                                                           QFile::ExeOther));
        ASSERT_TRUE(QFile::copy(QStringLiteral(WAYFAREL_BIN_DIR "/") + NetHelperName, Helper()));
    }
    void TearDown() override
    {
        if (!FNamespace.isEmpty())
            RunsOk({"ip", "netns", "del", FNamespace});
    }

    QString Helper() const { return FBin.filePath(QString::fromLatin1(NetHelperName)); }

    QString FNamespace;
    QTemporaryDir FBin;
};

} // namespace

TEST_P(HelperUnprivileged, AnswersWhichCapabilityIsMissing)
{
    const TOperationCase &operation = GetParam();
    const TUserRun run = RunAsUser("nobody", {}, QStringList{Helper()} + operation.Args, FNamespace);
    EXPECT_EQ(run.Code, heNoPrivilege) << run.Err.toStdString();
    EXPECT_EQ(run.Err, QStringLiteral("wayfarel-nethelper: needs %1: the helper must carry the file "
                                      "capabilities cap_net_admin,cap_net_raw+ep\n")
                           .arg(QLatin1String(operation.Missing)));
    EXPECT_TRUE(run.Out.isEmpty()) << run.Out.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    EveryOperation, HelperUnprivileged,
    testing::Values(
        TOperationCase{
            "NeighbourAdd", {NeighbourAddOperation, "w0", "10.77.0.9", "02:57:46:00:00:09"}, "CAP_NET_ADMIN"},
        TOperationCase{"NeighbourDelete", {NeighbourDeleteOperation, "w0", "10.77.0.9"}, "CAP_NET_ADMIN"},
        TOperationCase{"ArpProbe", {ArpProbeOperation, "w0", "500", "10.77.0.9"}, "CAP_NET_RAW"}),
    [](const testing::TestParamInfo<TOperationCase> &info) { return std::string(info.param.Name); });

namespace {

struct TKeptCase
{
    const char *Name;
    int Capability;
    const char *Sets; // as /proc/self/status writes CapPrm and CapEff
};

void PrintTo(const TKeptCase &Case, std::ostream *out) { *out << Case.Name; }

class HelperPrivileges : public testing::TestWithParam<TKeptCase>
{};

// The lines of /proc/self/status that tell what a process may still do.
std::vector<std::string> PrivilegeLines()
{
    std::vector<std::string> lines;
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        for (const char *key : {"NoNewPrivs:", "CapInh:", "CapPrm:", "CapEff:", "CapAmb:"})
            if (line.starts_with(key))
                lines.push_back(line);
    return lines;
}

} // namespace

// What the helper does first, done in a child of root's: afterwards exec can grant nothing, only
// the one capability is left, and a descriptor the parent left open is gone.
TEST_P(HelperPrivileges, ADroppedProcessKeepsOnlyItsCapabilityAndNoInheritedDescriptor)
{
    WAYFAREL_REQUIRE_LAB(::geteuid() == 0, "root is needed to hold capabilities to give up");
    const TKeptCase &kept = GetParam();
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const std::string report = QFile::encodeName(folder.filePath("report")).toStdString();
    const int inherited = ::open("/dev/null", O_RDONLY);
    ASSERT_GE(inherited, 0);

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const bool dropped = ForbidNewPrivileges() && KeepOnlyCapabilities({kept.Capability});
        CloseInheritedDescriptors();
        const bool closed = ::fcntl(inherited, F_GETFD) == -1 && errno == EBADF;
        std::ofstream out(report);
        out << (dropped ? "dropped" : "not dropped") << '\n' << (closed ? "closed" : "still open") << '\n';
        for (const std::string &line : PrivilegeLines())
            out << line << '\n';
        out.close();
        ::_exit(out ? 0 : 1);
    }
    ::close(inherited);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    std::vector<std::string> lines;
    std::ifstream in(report);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    const std::string sets = kept.Sets;
    EXPECT_EQ(lines,
              (std::vector<std::string>{"dropped", "closed", "CapInh:\t0000000000000000", "CapPrm:\t" + sets,
                                        "CapEff:\t" + sets, "CapAmb:\t0000000000000000", "NoNewPrivs:\t1"}));
}

INSTANTIATE_TEST_SUITE_P(EveryCapability, HelperPrivileges,
                         testing::Values(TKeptCase{"NetAdmin", CAP_NET_ADMIN, "0000000000001000"},
                                         TKeptCase{"NetRaw", CAP_NET_RAW, "0000000000002000"}),
                         [](const testing::TestParamInfo<TKeptCase> &info) {
                             return std::string(info.param.Name);
                         });
