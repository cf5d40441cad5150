#include "platform/networkmanager/AdapterKeys.h"
#include "platform/registry/Registry.h"
#include "support/FakeNMBus.h"
#include "support/TestRoot.h"

#include <gtest/gtest.h>

TEST(AdapterKeys, NetworkAddressMustBeTwelveHexDigitsOfAUnicastAddress)
{
    for (const char *good : {"02AABBCCDDEE", "001122aabbcc", "FEFFFFFFFFFF"})
        EXPECT_EQ(NetworkAddressError(good), "") << good;
    const struct
    {
        const char *text, *reason;
    } table[] = {
        {"02:AA:BB:CC:DD:EE", "twelve"},
        {"02AABBCCDDE", "twelve"},
        {"02AABBCCDDEEF", "twelve"},
        {"02AABBCCDDEG", "twelve"},
        {"", "twelve"},
        {"01AABBCCDDEE", "multicast"},
        {"FFFFFFFFFFFF", "multicast"},
        {"000000000000", "no adapter address"},
    };
    for (const auto &row : table)
        EXPECT_TRUE(NetworkAddressError(row.text).contains(row.reason))
            << row.text << ": " << NetworkAddressError(row.text).toStdString();
}

namespace {

const QString OfficeUuid = QStringLiteral("6d5d1c2e-0000-4000-8000-0000000000a1");
const QString OfficeId = QStringLiteral("{6D5D1C2E-0000-4000-8000-0000000000A1}");
const QString HomeUuid = QStringLiteral("6d5d1c2e-0000-4000-8000-0000000000b2");

// Both keys served from NetworkManager in memory: the static Office profile among forty others
// and Home on DHCP, read the way the adapter list reads them first.
class AdapterKeysTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        FBus->AddElsewhereProfiles(20);
        FOffice =
            FBus->AddProfile(OfficeUuid, "Office",
                             {"manual", {"10.0.0.7"}, {24}, "10.0.0.1", {"10.0.0.53", "10.0.0.54"}, true});
        FBus->AddElsewhereProfiles(20);
        FBus->AddProfile(HomeUuid, "Home");
        FBus->AddProfile("6d5d1c2e-0000-4000-8000-0000000000c3", "Tunnel", {}, "", "vpn");
        MountAdapterKeys(FNM);
        FNM->Profiles();
        FBus->Log.clear();
    }

    void TearDown() override { UnmountAdapterKeys(); }

    // The driver key whose NetCfgInstanceId is id, walked as the adapter list walks them.
    QString DriverKeyOf(const QString &id)
    {
        TRegistry classKey(HKEY_LOCAL_MACHINE);
        EXPECT_TRUE(classKey.OpenKeyReadOnly(AdapterClassKeyPath()));
        for (const QString &name : classKey.GetKeyNames()) {
            TRegistry key(HKEY_LOCAL_MACHINE);
            if (key.OpenKeyReadOnly(AdapterClassKeyPath() + "\\" + name) &&
                key.ReadString("NetCfgInstanceId") == id)
                return name;
        }
        return QString();
    }

    TTestRoot FRoot;
    std::shared_ptr<TFakeNMBus> FBus = std::make_shared<TFakeNMBus>();
    std::shared_ptr<TNMSettings> FNM = std::make_shared<TNMSettings>(FBus);
    QString FOffice;
};

} // namespace

TEST_F(AdapterKeysTest, ADriverKeyIsFoundWithoutReadingTheProfilesAgain)
{
    EXPECT_EQ(DriverKeyOf(OfficeId), "0021") << "numbered by the profile's object path";
    EXPECT_EQ(FBus->Log, QStringList{"ListConnections"});
    TRegistry keys(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(keys.OpenKeyReadOnly(AdapterClassKeyPath()));
    EXPECT_EQ(keys.GetKeyNames().size(), 42) << "no key for the VPN";
    EXPECT_FALSE(keys.KeyExists(AdapterClassKeyPath() + "\\0044"));
}

TEST_F(AdapterKeysTest, NetworkAddressGivesTheProfileItsMacAndTakesItAway)
{
    TRegistry key(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(key.OpenKey(AdapterClassKeyPath() + "\\0021", false));
    EXPECT_FALSE(key.ValueExists("NetworkAddress"));
    EXPECT_THROW(key.WriteString("NetworkAddress", "01AABBCCDDEE"), ERegistryException);
    key.WriteString("NetworkAddress", "02aabbccddee");
    EXPECT_EQ(FBus->Profiles[FOffice]["802-3-ethernet"]["assigned-mac-address"], "02:AA:BB:CC:DD:EE");
    EXPECT_EQ(key.ReadString("NetworkAddress"), "02AABBCCDDEE");
    EXPECT_TRUE(key.DeleteValue("NetworkAddress"));
    EXPECT_FALSE(FBus->Profiles[FOffice]["802-3-ethernet"].contains("assigned-mac-address"));
    EXPECT_EQ(FBus->Count("Update"), 2);
    EXPECT_THROW(key.WriteString("NetCfgInstanceId", "{X}"), ERegistryException);
}

TEST_F(AdapterKeysTest, AnInterfaceKeyReadsItsOwnProfileOnly)
{
    TRegistry office(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(office.OpenKeyReadOnly(TcpipInterfacesKeyPath() + "\\" + OfficeId.toLower()));
    EXPECT_EQ(office.ReadInteger("EnableDHCP"), 0);
    EXPECT_EQ(office.ReadRaw("IPAddress"), TRegValue::FromMultiString({"10.0.0.7"}));
    EXPECT_EQ(office.ReadRaw("SubnetMask"), TRegValue::FromMultiString({"255.255.255.0"}));
    EXPECT_EQ(office.ReadRaw("DefaultGateway"), TRegValue::FromMultiString({"10.0.0.1"}));
    EXPECT_EQ(office.ReadString("NameServer"), "10.0.0.53,10.0.0.54");
    EXPECT_EQ(FBus->Count("ListConnections"), 0);
    EXPECT_LE(FBus->Count("GetSettings"), 6) << "one read per value, whatever the number of profiles";
    EXPECT_THROW(office.WriteString("NameServer", "10.0.0.9"), ERegistryException);

    TRegistry home(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(home.OpenKeyReadOnly(TcpipInterfacesKeyPath() + "\\{" + HomeUuid.toUpper() + "}"));
    EXPECT_EQ(home.ReadInteger("EnableDHCP"), 1);
    EXPECT_EQ(home.ReadRaw("IPAddress"), TRegValue::FromMultiString({}));
    EXPECT_FALSE(TRegistry(HKEY_LOCAL_MACHINE)
                     .KeyExists(TcpipInterfacesKeyPath() + "\\{6D5D1C2E-0000-4000-8000-0000000000C3}"))
        << "no key for the VPN";
}
