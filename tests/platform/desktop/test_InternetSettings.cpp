#include "platform/desktop/InternetSettings.h"

#include "app/ExtRegistry.h"
#include "platform/desktop/GSettingsProxy.h"
#include "support/TestRoot.h"

#include <QProcess>

namespace {

const QString KeyPath = '\\' + InternetSettingsKeyPath();

// The key mounted over a real GSettings store, the keyfile backend's file in the test's own
// $XDG_CONFIG_HOME, which GLib's gsettings tool sees as well.
class InternetSettingsKey : public testing::Test
{
protected:
    void SetUp() override
    {
        WAYFAREL_REQUIRE_LAB(TGSettingsProxy::SchemaInstalled(),
                             "the GSettings schema org.gnome.system.proxy is "
                             "not installed (gsettings-desktop-schemas)");
        InstallDesktopProxy(FStore);
    }
    void TearDown() override { InstallDesktopProxy(nullptr); }

    // A key of the schema as GLib's own tool reads it.
    QString Gsettings(const QString &Schema, const QString &Key) const
    {
        QProcess Process;
        QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
        Env.insert("GSETTINGS_BACKEND", "keyfile");
        Env.insert("XDG_CONFIG_HOME", FRoot.Path() + "/config");
        Process.setProcessEnvironment(Env);
        Process.start("gsettings", {"get", Schema, Key});
        Process.waitForFinished();
        return QString::fromUtf8(Process.readAllStandardOutput()).trimmed();
    }

    TTestRoot FRoot;
    std::shared_ptr<TGSettingsProxy> FStore =
        std::make_shared<TGSettingsProxy>(FRoot.Path() + "/config/glib-2.0/settings/keyfile");
};

} // namespace

TEST_F(InternetSettingsKey, ServesTheStoredSettingInWinINetForm)
{
    ASSERT_TRUE(FStore->Write({true, "http=10.0.0.1:80;socks=10.0.0.5:1080", "<local>;*.corp.test"}))
        << FStore->LastError().toStdString();

    TExtRegistry Registry(HKEY_CURRENT_USER);
    ASSERT_TRUE(Registry.OpenKeyReadOnly(KeyPath));
    EXPECT_EQ(Registry.GetDataType("ProxyEnable"), REG_DWORD);
    EXPECT_EQ(Registry.ReadInteger("ProxyEnable"), 1);
    EXPECT_EQ(Registry.ReadString("ProxyServer"), "http=10.0.0.1:80;socks=10.0.0.5:1080");
    EXPECT_EQ(Registry.ReadString("ProxyOverride"), "<local>;*.corp.test");
    EXPECT_EQ(Registry.GetValueNames(), QStringList({"ProxyEnable", "ProxyServer", "ProxyOverride"}));
    EXPECT_FALSE(Registry.ValueExists("AutoConfigURL"));
}

TEST_F(InternetSettingsKey, WrittenValuesReachTheStore)
{
    ASSERT_TRUE(FStore->Write({true, "http=10.0.0.1:80", ""}));
    TExtRegistry Registry(HKEY_CURRENT_USER);
    ASSERT_TRUE(Registry.OpenKey(KeyPath, false));
    Registry.WriteInteger("ProxyEnable", 0);
    Registry.WriteString("ProxyServer", "10.0.0.9:3128");
    Registry.WriteString("ProxyOverride", "<local>");

    EXPECT_EQ(Gsettings("org.gnome.system.proxy", "mode"), "'none'");
    EXPECT_EQ(Gsettings("org.gnome.system.proxy", "use-same-proxy"), "true");
    EXPECT_EQ(Gsettings("org.gnome.system.proxy.http", "host"), "'10.0.0.9'");
    EXPECT_EQ(Gsettings("org.gnome.system.proxy.https", "port"), "3128");
    EXPECT_TRUE(Gsettings("org.gnome.system.proxy", "ignore-hosts").contains("'127.0.0.0/8'"));
    EXPECT_THROW(Registry.WriteString("AutoConfigURL", "http://wpad/"), ERegistryException);
    EXPECT_THROW(Registry.WriteString("ProxyEnable", "1"), ERegistryException);
}

namespace {

class TUnreadableProxy : public IDesktopProxy
{
public:
    bool Read(TDesktopProxySettings &) override { return false; }
    bool Write(const TDesktopProxySettings &) override { return false; }
    QString LastError() const override { return QStringLiteral("kioslaverc cannot be read"); }
};

} // namespace

TEST(InternetSettings, TheKeyIsThereWhileAReadableStoreIsInstalled)
{
    TTestRoot Root;
    const auto Opens = [] { return TExtRegistry(HKEY_CURRENT_USER).OpenKeyReadOnly(KeyPath); };
    EXPECT_FALSE(Opens());
    InstallDesktopProxy(std::make_shared<TUnreadableProxy>());
    EXPECT_FALSE(Opens());
    EXPECT_NE(InstalledDesktopProxy(), nullptr);
    InstallDesktopProxy(nullptr);
    EXPECT_EQ(InstalledDesktopProxy(), nullptr);
    EXPECT_FALSE(Opens());
}
