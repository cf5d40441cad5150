#include "adapters/NetMgr.h"
#include "adapters/SystemBackends.h"
#include "adapters/WMI.h"
#include "app/ExtRegistry.h"
#include "platform/desktop/InternetSettings.h"
#include "platform/networkmanager/AdapterKeys.h"
#include "support/Errors.h"
#include "support/TestRoot.h"

#include <QDBusConnection>
#include <gtest/gtest.h>

namespace {

const char *const SystemClasses[] = {"Win32_NetworkAdapterConfiguration", "Win32_NetworkAdapter",
                                     "Win32_Printer"};

// A bus nobody listens on: the system as it is where NetworkManager does not run.
class SystemBackendsTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        RemoveSystemBackends();
        QDBusConnection::disconnectFromBus(QStringLiteral("nobus"));
    }

    static QDBusConnection NoBus()
    {
        return QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/wayfarel-bus"),
                                             QStringLiteral("nobus"));
    }

    static bool KeysMounted()
    {
        return TExtRegistry(HKEY_LOCAL_MACHINE).KeyExists(AdapterClassKeyPath()) &&
               TExtRegistry(HKEY_LOCAL_MACHINE).KeyExists(TcpipInterfacesKeyPath());
    }

    TTestRoot FRoot;
};

} // namespace

TEST_F(SystemBackendsTest, NothingIsThereUntilInstalled)
{
    RemoveSystemBackends();
    EXPECT_EQ(ErrorOf<EWayfarelError>([] { TNetManager::GetInstance(); }),
              "Error Create ConnectionManager Instance!");
    for (const char *className : SystemClasses)
        EXPECT_EQ(TWmiProviders::Find(className), nullptr) << className;
    EXPECT_FALSE(KeysMounted());
    EXPECT_EQ(InstalledDesktopProxy(), nullptr);
}

TEST_F(SystemBackendsTest, InstalledTheyServeUntilRemoved)
{
    InstallSystemBackends(NoBus());
    EXPECT_EQ(TNetManager::GetInstance().Source(), "kernel") << "no NetworkManager on that bus";
    for (const char *className : SystemClasses)
        EXPECT_NE(TWmiProviders::Find(className), nullptr) << className;
    EXPECT_TRUE(KeysMounted());
    EXPECT_NE(InstalledDesktopProxy(), nullptr);

    RemoveSystemBackends();
    EXPECT_THROW(TNetManager::GetInstance(), EWayfarelError);
    EXPECT_EQ(TWmiProviders::Find("Win32_NetworkAdapter"), nullptr);
    EXPECT_FALSE(KeysMounted());
    EXPECT_EQ(InstalledDesktopProxy(), nullptr);
}
