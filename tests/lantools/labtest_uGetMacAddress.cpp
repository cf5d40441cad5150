#include "lantools/uGetMacAddress.h"

#include "lantools/ScanLab.h"

#include <QElapsedTimer>
#include <thread>

#include <linux/capability.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The first live and the first silent address of the segment.
QString LiveAddress() { return ScanAddress(3); }
QString SilentAddress() { return ScanAddress(4); }

class GetMacAddressLab : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (TLab::IsUp()) {
            ASSERT_TRUE(EnterScanNamespace());
        }
        SetSourceAddressQuery([] { return TLab::Value("SCAN_IP"); });
    }
    void TearDown() override { SetSourceAddressQuery({}); }
};

// Drops CAP_NET_RAW from this process for good; only for a forked child.
bool DropRawSocketCapability()
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (syscall(SYS_capget, &header, data) != 0)
        return false;
    for (auto &set : data) {
        set.effective &= ~CAP_TO_MASK(CAP_NET_RAW);
        set.permitted &= ~CAP_TO_MASK(CAP_NET_RAW);
    }
    return syscall(SYS_capset, &header, data) == 0;
}

} // namespace

TEST_F(GetMacAddressLab, ALiveHostAnswersWithItsMacAndASilentOneCostsFarLessThanTheKernel)
{
    WAYFAREL_REQUIRE_LAB_UP();
    const auto hosts = ScanHosts();
    EXPECT_EQ(GetMacAddress(TLab::Value("SCAN_IP"), LiveAddress()), hosts.value(LiveAddress()).Mac);

    // The kernel's own resolution gives up after about three seconds.
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(GetMacAddress(TLab::Value("SCAN_IP"), SilentAddress()), QString());
    EXPECT_LT(timer.elapsed(), 2000);
}

TEST_F(GetMacAddressLab, WithoutAHeldSourceTheRouteChoosesTheLink)
{
    WAYFAREL_REQUIRE_LAB_UP();
    EXPECT_EQ(GetMacAddress("", LiveAddress()), ScanHosts().value(LiveAddress()).Mac);
}

TEST_F(GetMacAddressLab, OwnAddressAnswersWithTheInterfaceMac)
{
    WAYFAREL_REQUIRE_LAB_UP();
    const QString own = TLab::Value("SCAN_IP");
    EXPECT_EQ(GetMacAddress(own, own), ScanHosts().value(own).Mac);
}

TEST_F(GetMacAddressLab, HostNamesComeFromTheHostsFileOnly)
{
    WAYFAREL_REQUIRE_LAB_UP();
    const auto hosts = ScanHosts();
    int named = 0;
    for (auto it = hosts.cbegin(); it != hosts.cend(); ++it) {
        EXPECT_EQ(GetHostNameByIp(it.key()), it->Name) << it.key().toStdString();
        named += it->Name.isEmpty() ? 0 : 1;
    }
    EXPECT_GT(named, 0);
}

TEST_F(GetMacAddressLab, FindUnusedIpReturnsTheFirstSilentAddress)
{
    WAYFAREL_REQUIRE_LAB_UP();
    const QString prefix = TLab::Value("SCAN_PREFIX");
    EXPECT_EQ(FindUnusedIp(prefix, 3, 10), ScanAddress(4));
    EXPECT_EQ(FindUnusedIp(prefix, 1, 10), ScanAddress(1));
    EXPECT_EQ(FindUnusedIp(prefix, 17, 17), QString()) << "every candidate answers";
    for (const auto &[first, last] : {std::pair{0, 0}, std::pair{255, 300}})
        EXPECT_EQ(FindUnusedIp(prefix, first, last), QString())
            << "no host address in " << first << "-" << last;
}

TEST_F(GetMacAddressLab, AHostThatAnswersLateIsFoundAndNeverOfferedAsUnused)
{
    WAYFAREL_REQUIRE_LAB_UP();
    const auto late = LateScanHosts();
    ASSERT_FALSE(late.isEmpty());
    const auto hosts = ScanHosts();
    const QString prefix = TLab::Value("SCAN_PREFIX");
    for (auto it = late.cbegin(); it != late.cend(); ++it) {
        SCOPED_TRACE(QString("%1 answers after %2 ms").arg(it.key()).arg(it.value()).toStdString());
        const int octet = it.key().section('.', 3).toInt();
        const QString next = ScanAddress(octet + 1);
        ASSERT_FALSE(hosts.contains(next)) << "the address after a late host is silent";
        EXPECT_EQ(GetMacAddress(TLab::Value("SCAN_IP"), it.key()), hosts.value(it.key()).Mac);
        EXPECT_EQ(FindUnusedIp(prefix, octet, octet), QString());
        EXPECT_EQ(FindUnusedIp(prefix, octet, octet + 1), next);
    }
}

TEST_F(GetMacAddressLab, WithoutRawSocketsTheKernelResolvesAndSaysSoOnce)
{
    WAYFAREL_REQUIRE_LAB_UP();
    int channel[2];
    int errors[2];
    ASSERT_EQ(pipe(channel), 0);
    ASSERT_EQ(pipe(errors), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        dup2(errors[1], STDERR_FILENO);
        if (!DropRawSocketCapability())
            _exit(2);
        // A new thread, so no raw socket opened before the fork is reused.
        QByteArray answer;
        std::thread([&] {
            answer = (GetMacAddress("", LiveAddress()) + '|' + GetMacAddress("", SilentAddress()) + '|' +
                      GetMacAddress("", ScanAddress(5)))
                         .toLatin1();
        }).join();
        _exit(write(channel[1], answer.constData(), answer.size()) == answer.size() ? 0 : 3);
    }
    close(channel[1]);
    close(errors[1]);
    int status = 0;
    waitpid(child, &status, 0);
    char buffer[256] = {};
    const ssize_t length = read(channel[0], buffer, sizeof buffer - 1);
    char message[1024] = {};
    const ssize_t messageLength = read(errors[0], message, sizeof message - 1);
    close(channel[0]);
    close(errors[0]);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    ASSERT_GT(length, 0);
    EXPECT_EQ(QString::fromLatin1(buffer, length), ScanHosts().value(LiveAddress()).Mac + "||");
    const QString warning = QString::fromLocal8Bit(message, std::max<ssize_t>(messageLength, 0));
    EXPECT_EQ(warning.count("CAP_NET_RAW"), 1) << warning.toStdString();
}
