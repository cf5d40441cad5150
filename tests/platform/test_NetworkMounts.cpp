#include "QtPrint.h"
#include "platform/NetworkMounts.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

// GIO without GVFS, as in a session without a bus: only local files are served. Set before
// GIO picks its file system layer, which it does once per process.
class NetworkMountsWithoutGvfs : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        qputenv("GIO_USE_VFS", "local");
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    }
};

} // namespace

TEST_F(NetworkMountsWithoutGvfs, MountSaysWhatIsMissing)
{
    TGioNetworkMounts mounts(2000);
    EXPECT_FALSE(mounts.Mount("smb://127.0.0.1/Docs", {}));
    EXPECT_EQ(mounts.LastError(),
              "Cannot mount smb://127.0.0.1/Docs: GVFS does not serve this kind of location "
              "here (it needs a session bus and the GVFS backends)");
}

TEST_F(NetworkMountsWithoutGvfs, NothingRemoteIsListedAndNothingCanBeUnmounted)
{
    TGioNetworkMounts mounts(2000);
    QList<TNetworkMount> listed;
    ASSERT_TRUE(mounts.List(listed)) << mounts.LastError().toStdString();
    EXPECT_TRUE(listed.isEmpty());
    EXPECT_FALSE(mounts.Unmount("smb://127.0.0.1/Docs", false));
    EXPECT_THAT(mounts.LastError().toStdString(),
                testing::StartsWith("Cannot unmount smb://127.0.0.1/Docs: "));
}
