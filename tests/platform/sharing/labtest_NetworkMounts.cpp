#include "platform/QtPrint.h"
#include "platform/sharing/NetworkMounts.h"
#include "platform/sharing/UserShares.h"
#include "support/Lab.h"
#include "support/SambaLab.h"

#include <QFile>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

// smbd in the lab's client namespace serves two usershares; GVFS runs under a session bus of
// the test's own, with a private HOME and runtime folder, as a desktop session would run it.

namespace {

QString ReadText(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll())
                                          : QStringLiteral("(unreadable)");
}

// The listed mount of share on 127.0.0.1; empty when it is not mounted.
TNetworkMount FindMount(TGioNetworkMounts &mounts, const QString &share)
{
    QList<TNetworkMount> listed;
    EXPECT_TRUE(mounts.List(listed)) << mounts.LastError().toStdString();
    for (const TNetworkMount &mount : listed) {
        if (mount.Uri.compare("smb://127.0.0.1/" + share + '/', Qt::CaseInsensitive) == 0)
            return mount;
    }
    return {};
}

class NetworkMounts : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        if (!TLab::IsUp())
            return;
        FRoot = new TTestRoot;
        FSamba = new TSambaLab(FRoot->Path() + "/samba");
        FReady = FSamba->Start() && AddShares();
    }
    static void TearDownTestSuite()
    {
        delete FSamba;
        delete FRoot;
        FSamba = nullptr;
        FRoot = nullptr;
    }
    void SetUp() override
    {
        WAYFAREL_REQUIRE_LAB_UP();
        ASSERT_TRUE(FReady) << FSetupError.toStdString() << FSamba->Error().toStdString();
    }

    static inline TTestRoot *FRoot = nullptr;
    static inline TSambaLab *FSamba = nullptr;
    static inline bool FReady = false;
    static inline QString FSetupError;

private:
    static bool AddShares()
    {
        TNetUserShares shares;
        if (!shares.Add("Public",
                        FSamba->MakeFolder("public", {{"hello.txt", "hello from the public share\n"}}),
                        "files for everyone")) {
            FSetupError = "usershare Public: " + shares.LastError();
            return false;
        }
        if (RunWithInput("net", {"usershare", "add", "--", "Private",
                                 FSamba->MakeFolder("private", {{"secret.txt", "only with a password\n"}}),
                                 "for root", "S-1-1-0:F", "guest_ok=n"}) != 0) {
            FSetupError = "usershare Private could not be added";
            return false;
        }
        return true;
    }
};

} // namespace

TEST_F(NetworkMounts, AGuestMountShowsTheSharesFilesUntilItIsUnmounted)
{
    TGioNetworkMounts mounts;
    ASSERT_TRUE(mounts.Mount("smb://127.0.0.1/Public", {})) << mounts.LastError().toStdString();
    const TNetworkMount mount = FindMount(mounts, "Public");
    ASSERT_FALSE(mount.Uri.isEmpty()) << "not listed after mounting";
    EXPECT_EQ(ReadText(mount.LocalPath + "/hello.txt"), "hello from the public share\n")
        << mount.LocalPath.toStdString();
    EXPECT_TRUE(mounts.Mount("smb://127.0.0.1/Public", {}))
        << "mounted already counts as done: " << mounts.LastError().toStdString();

    ASSERT_TRUE(mounts.Unmount("smb://127.0.0.1/Public", false)) << mounts.LastError().toStdString();
    EXPECT_TRUE(FindMount(mounts, "Public").Uri.isEmpty());
    EXPECT_FALSE(mounts.Unmount("smb://127.0.0.1/Public", false));
    EXPECT_THAT(mounts.LastError().toStdString(), testing::HasSubstr("not mounted"));
}

TEST_F(NetworkMounts, APasswordShareTakesItsUserAndRefusesGuestsAndWrongPasswords)
{
    TGioNetworkMounts mounts;
    EXPECT_FALSE(mounts.Mount("smb://127.0.0.1/Private", {}));
    EXPECT_THAT(mounts.LastError().toStdString(),
                testing::StartsWith("Cannot mount smb://127.0.0.1/Private: "));

    EXPECT_FALSE(mounts.Mount("smb://127.0.0.1/Private", {"root", "", "wrong"}));
    EXPECT_EQ(mounts.LastError(),
              "Cannot mount smb://127.0.0.1/Private: the server refused the user name or password");

    ASSERT_TRUE(mounts.Mount("smb://127.0.0.1/Private", {"root", "WORKGROUP", TSambaLab::Password}))
        << mounts.LastError().toStdString();
    const TNetworkMount mount = FindMount(mounts, "Private");
    EXPECT_EQ(ReadText(mount.LocalPath + "/secret.txt"), "only with a password\n");
    EXPECT_TRUE(mounts.Unmount("smb://127.0.0.1/Private", true)) << mounts.LastError().toStdString();
}

TEST_F(NetworkMounts, AShareTheServerDoesNotHaveFailsWithGvfsReason)
{
    TGioNetworkMounts mounts;
    EXPECT_FALSE(mounts.Mount("smb://127.0.0.1/Nothing", {}));
    EXPECT_THAT(mounts.LastError().toStdString(),
                testing::StartsWith("Cannot mount smb://127.0.0.1/Nothing: "));
    EXPECT_TRUE(FindMount(mounts, "Nothing").Uri.isEmpty());
}

TEST_F(NetworkMounts, AServerThatNeverAnswersIsGivenUpAfterTheTimeout)
{
    // A listener that takes connections and never speaks.
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(445);
    ::inet_pton(AF_INET, "127.0.0.2", &address.sin_addr);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 4), 0);

    TGioNetworkMounts mounts(1500);
    EXPECT_FALSE(mounts.Mount("smb://127.0.0.2/Silent", {}));
    EXPECT_EQ(mounts.LastError(), "Mounting smb://127.0.0.2/Silent did not finish within 1.5 s");
    const int connection = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    EXPECT_GE(connection, 0) << "the mount was waiting on the silent server, not failing elsewhere";
    if (connection >= 0)
        ::close(connection);
    ::close(listener);
}
