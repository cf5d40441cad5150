#include "adapters/Network.h"
#include "adapters/WMI.h"
#include "platform/networkmanager/AdapterKeys.h"
#include "platform/registry/Registry.h"
#include "support/TestRoot.h"

#include <gtest/gtest.h>

namespace {

// A class whose instances and method results the test sets; it records the last method call.
class TFakeProvider : public IWmiProvider
{
public:
    explicit TFakeProvider(const QString &className) : FClassName(className) {}

    QString ClassName() const override { return FClassName; }
    QList<TWmiObject> Instances() override
    {
        if (!Failure.isEmpty())
            throw EWmiError(Failure);
        return Objects;
    }
    // Every instance, as a provider that cannot narrow the query down gives them.
    QList<TWmiObject> InstancesWhere(const QString &property, const QVariant &literal) override
    {
        Where = property + "=" + literal.toString();
        return Instances();
    }
    TWmiObject ExecMethod(const TWmiObject &instance, const QString &method,
                          const TWmiObject &inParams) override
    {
        Methods.append(method);
        Method = method;
        InParams = inParams;
        Target = instance.Property("SettingID").toString();
        if (!MethodFailure.isEmpty())
            throw EWmiError(MethodFailure);
        return TWmiObject("__PARAMETERS").Add("ReturnValue", ReturnValue);
    }

    TWmiObject &Add()
    {
        Objects.append(TWmiObject(FClassName));
        return Objects.last();
    }

    QList<TWmiObject> Objects;
    QString Failure, MethodFailure;
    int ReturnValue = 0;
    QString Method, Target, Where;
    QStringList Methods;
    TWmiObject InParams;

private:
    QString FClassName;
};

// Registers fake classes for one test and puts the built-in ones back afterwards.
class WmiTest : public ::testing::Test
{
protected:
    void TearDown() override { TWmiProviders::Reset(); }

    std::shared_ptr<TFakeProvider> Fake(const QString &className)
    {
        auto provider = std::make_shared<TFakeProvider>(className);
        TWmiProviders::Register(provider);
        return provider;
    }

    // Test_Thing with three instances: a, B and an instance with Null and array values.
    std::shared_ptr<TFakeProvider> Things()
    {
        auto things = Fake("Test_Thing");
        things->Add().Add("Name", "a").Add("Index", 1).Add("Flag", false).Add("Tags", QStringList{"x", "y"});
        things->Add().Add("Name", "B").Add("Index", 2).Add("Flag", true).Add("Tags", QStringList{"z"});
        things->Add()
            .Add("Name", "it's")
            .Add("Index", 3)
            .Add("Flag", QVariant())
            .Add("Tags", QVariant(), true);
        return things;
    }

    std::shared_ptr<TFakeProvider> Configuration(const QVariant &dns,
                                                 const QString &mac = "00:1a:2B:3c:4D:5e")
    {
        auto config = Fake("Win32_NetworkAdapterConfiguration");
        config->Add()
            .Add("DefaultIPGateway", QStringList{"10.0.0.1"})
            .Add("DHCPEnabled", true)
            .Add("DNSServerSearchOrder", dns)
            .Add("InterfaceIndex", 3)
            .Add("IPAddress", QStringList{"10.0.0.7", "10.0.0.8"})
            .Add("IPSubnet", QStringList{"255.255.255.0", "255.255.0.0"})
            .Add("MACAddress", mac)
            .Add("SettingID", "{A}");
        return config;
    }
};

} // namespace

TEST_F(WmiTest, QueryTextEndsWithABlankAndAddsTheConditionAfterIt)
{
    EXPECT_EQ(WmiQueryText("Win32_Printer", ""), "SELECT * FROM Win32_Printer ");
    EXPECT_EQ(WmiQueryText("Win32_Printer", "Default=True"),
              "SELECT * FROM Win32_Printer WHERE Default=True");
}

TEST_F(WmiTest, EveryWhereFormSelectsItsInstance)
{
    Things();
    const struct
    {
        const char *condition, *name;
    } table[] = {
        {"", "a"},
        {"Name='B'", "B"},
        {"name='b'", "B"}, // property names and texts ignore
                           // letter case
        {"NAME=\"a\"", "a"},
        {"Name='it\\'s'", "it's"}, // an escaped quote
        {"Index=2", "B"},
        {"Index = 3", "it's"},
        {"Index='2'", "B"},
        {"Flag=True", "B"},
        {"Flag=false", "a"},
        {"Name='c'", ""},
        {"Tags='x'", ""}, // an array in a condition fails the
                          // query
        {"Flag=NULL", ""},
        {"Missing=1", ""}, // unknown property: the query fails
        {"Name=c", ""},    // an unquoted text is no literal
        {"Name", ""},
    };
    for (const auto &row : table)
        EXPECT_EQ(WmiQueryValue("Test_Thing", "Name", row.condition), row.name) << row.condition;
}

TEST_F(WmiTest, ValueTextsFollowTheirType)
{
    Things();
    EXPECT_EQ(WmiQueryValue("Test_Thing", "Tags", "Index=1"), "x") << "element 0 of an array";
    EXPECT_EQ(WmiQueryValue("Test_Thing", "Flag", "Index=2"), "True");
    EXPECT_EQ(WmiQueryValue("Test_Thing", "Index", "Name='B'"), "2");
    EXPECT_EQ(WmiQueryValue("Test_Thing", "Flag", "Index=3"), "") << "Null";
    EXPECT_EQ(WmiQueryValue("Test_Thing", "Tags", "Index=3"), "") << "Null array";
    EXPECT_EQ(WmiQueryValue("test_thing", "name", "index=2"), "B") << "class names ignore case too";
}

TEST_F(WmiTest, QueriesThatFailGiveEmptyNoneOrFalse)
{
    auto things = Things();
    things->Failure = "facility down";
    QList<QStringList> list{{"stale"}};
    EXPECT_EQ(WmiQueryValue("Test_Thing", "Name", ""), "");
    EXPECT_EQ(WmiQueryObject("Test_Thing", ""), nullptr);
    EXPECT_FALSE(WmiQueryObjects("Test_Thing", "", list));
    EXPECT_TRUE(list.isEmpty()) << "the list is cleared first";

    EXPECT_EQ(WmiQueryValue("No_Such_Class", "Name", ""), "");
    EXPECT_EQ(WmiQueryObject("No_Such_Class", ""), nullptr);
    EXPECT_FALSE(WmiQueryObjects("No_Such_Class", "", list));
    EXPECT_EQ(WmiQueryValue("Test_Thing", "Name", "Name='a' AND Index=1"), "");
}

TEST_F(WmiTest, QueryObjectGivesTheFirstInstanceOrNone)
{
    Things();
    const TWmiObjectPtr object = WmiQueryObject("Test_Thing", "Flag=True");
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->Property("Name").toString(), "B");
    EXPECT_EQ(WmiQueryObject("Test_Thing", "Index=9"), nullptr);
}

TEST_F(WmiTest, QueryObjectsListsEveryInstanceWithoutItsArrays)
{
    Things();
    QList<QStringList> list;
    ASSERT_TRUE(WmiQueryObjects("Test_Thing", "", list));
    ASSERT_EQ(list.size(), 3);
    EXPECT_EQ(list.at(0), (QStringList{"Name:a", "Index:1", "Flag:False"}));
    EXPECT_EQ(list.at(2), (QStringList{"Name:it's", "Index:3", "Flag:"}));
    ASSERT_TRUE(WmiQueryObjects("Test_Thing", "Index=9", list));
    EXPECT_TRUE(list.isEmpty());
}

TEST_F(WmiTest, PropertyHelpersHandleNoneNullArraysAndUnknownNames)
{
    auto things = Things();
    const TWmiObject &a = things->Objects.at(0);
    const TWmiObject &nulls = things->Objects.at(2);
    EXPECT_EQ(WmiPropertyText(nullptr, "Name"), "");
    EXPECT_EQ(WmiPropertyText(&a, ""), "");
    EXPECT_EQ(WmiPropertyText(&a, "TAGS"), "x");
    EXPECT_THROW(WmiPropertyText(&a, "Missing"), EWmiError);

    QStringList list{"kept"};
    WmiPropertyList(&a, "Name", &list);
    EXPECT_EQ(list, QStringList{"kept"}) << "not an array";
    WmiPropertyList(&nulls, "Tags", &list);
    EXPECT_EQ(list, QStringList{"kept"}) << "Null array";
    WmiPropertyList(&a, "Tags", &list);
    EXPECT_EQ(list, (QStringList{"x", "y"}));
    WmiPropertyList(&a, "Tags", nullptr);
    EXPECT_THROW(WmiPropertyList(&a, "Missing", &list), EWmiError);

    QStringList lines{"before"};
    WmiObjectToStrings(&a, &lines);
    EXPECT_EQ(lines, (QStringList{"before", "Name:a", "Index:1", "Flag:False"}));
    WmiObjectToStrings(nullptr, &lines);
    EXPECT_EQ(lines.size(), 4);
}

TEST_F(WmiTest, DefaultPrinterIsTheInstanceMarkedDefault)
{
    auto printers = Fake("Win32_Printer");
    printers->Add().Add("Default", false).Add("Name", "Office");
    printers->Add().Add("Default", false).Add("Name", "Home");
    EXPECT_EQ(GetDefaultPrinterName(), "") << "no default printer";
    printers->Objects[1].Add("Default", true);
    EXPECT_EQ(GetDefaultPrinterName(), "Home");
    printers->Failure = "CUPS down";
    EXPECT_EQ(GetDefaultPrinterName(), "");
}

TEST_F(WmiTest, AdapterConfigurationReadsItsFieldsOnce)
{
    auto config = Configuration(QStringList{"10.0.0.53", "10.0.0.54"});
    TNetworkAdapterConfiguration adapter("{A}");
    EXPECT_EQ(adapter.IpAddress(), "10.0.0.7");
    EXPECT_EQ(adapter.SubNet(), "255.255.255.0");
    EXPECT_EQ(adapter.Gateway(), "10.0.0.1");
    EXPECT_TRUE(adapter.DHCPEnabled());
    EXPECT_EQ(adapter.Dns1(), "10.0.0.53");
    EXPECT_EQ(adapter.Dns2(), "10.0.0.54");
    EXPECT_EQ(adapter.MACAddress(), "00-1a-2B-3c-4D-5e") << "colons become dashes, letters unchanged";
    config->Objects[0].Add("IPAddress", QStringList{"10.9.9.9"});
    EXPECT_EQ(adapter.IpAddress(), "10.0.0.7");
}

TEST_F(WmiTest, AdapterConfigurationDnsFromNullOneOrTwoServers)
{
    const struct
    {
        QVariant dns;
        const char *dns1, *dns2;
    } table[] = {
        {QVariant(), "", ""},
        {QStringList{"10.0.0.53"}, "10.0.0.53", ""},
        {QStringList{"10.0.0.53", "10.0.0.54", "10.0.0.55"}, "10.0.0.53", "10.0.0.54"},
    };
    for (const auto &row : table) {
        Configuration(row.dns);
        TNetworkAdapterConfiguration adapter("{A}");
        EXPECT_EQ(adapter.Dns1(), row.dns1) << row.dns1;
        EXPECT_EQ(adapter.Dns2(), row.dns2) << row.dns2;
    }
}

TEST_F(WmiTest, AdapterConfigurationOfAnUnknownAdapterCannotBeCreated)
{
    Configuration(QVariant());
    for (const char *id : {"{B}", ""}) {
        try {
            TNetworkAdapterConfiguration adapter(id);
            FAIL() << "no exception for " << id;
        } catch (const EWayfarelError &e) {
            EXPECT_EQ(e.Message(), "Adapter not found!");
        }
    }
    TWmiProviders::Unregister("Win32_NetworkAdapterConfiguration");
    EXPECT_THROW(TNetworkAdapterConfiguration("{A}"), EWayfarelError);
}

TEST_F(WmiTest, DnsServerListHoldsTheServersThatAreSet)
{
    auto config = Configuration(QVariant());
    TNetworkAdapterConfiguration adapter("{A}");
    const struct
    {
        const char *server1, *server2;
        QVariant sent;
    } table[] = {
        {"10.0.0.53", "10.0.0.54", QStringList{"10.0.0.53", "10.0.0.54"}},
        {"10.0.0.53", "", QStringList{"10.0.0.53"}},
        {"", "10.0.0.54", QStringList{"10.0.0.54"}},
        {"", "", QVariant()}, // no list: back to automatic servers
    };
    for (const auto &row : table) {
        EXPECT_EQ(adapter.SetDNSServerSearchOrder(row.server1, row.server2), 0);
        EXPECT_EQ(config->Method, "SetDNSServerSearchOrder");
        EXPECT_EQ(config->Target, "{A}");
        EXPECT_EQ(config->InParams.HasProperty("DNSServerSearchOrder"), row.sent.isValid())
            << row.server1 << "/" << row.server2;
        if (row.sent.isValid()) {
            EXPECT_EQ(config->InParams.Property("DNSServerSearchOrder"), row.sent);
        }
    }
}

TEST_F(WmiTest, EnableStaticSendsOneElementArraysAndReportsTheResult)
{
    auto config = Configuration(QVariant());
    TNetworkAdapterConfiguration adapter("{A}");
    EXPECT_EQ(adapter.EnableStatic("10.0.0.9", "255.255.255.0"), 0);
    EXPECT_EQ(config->Method, "EnableStatic");
    EXPECT_EQ(config->InParams.Property("IPAddress"), QStringList{"10.0.0.9"});
    EXPECT_EQ(config->InParams.Property("SubnetMask"), QStringList{"255.255.255.0"});
    EXPECT_TRUE(adapter.LastError().isEmpty());

    config->ReturnValue = wrvInvalidIPAddress;
    EXPECT_EQ(adapter.EnableStatic("10.0.0.300", "255.255.255.0"), wrvInvalidIPAddress);
    EXPECT_TRUE(adapter.LastError().contains("10.0.0.300")) << adapter.LastError().toStdString();
    config->ReturnValue = wrvInvalidSubnetMask;
    EXPECT_EQ(adapter.EnableStatic("10.0.0.9", "255.0.255.0"), wrvInvalidSubnetMask);
    EXPECT_TRUE(adapter.LastError().contains("255.0.255.0"));

    config->MethodFailure = "NetworkManager refused";
    EXPECT_NE(adapter.EnableStatic("10.0.0.9", "255.255.255.0"), 0) << "a failure is never success";
    EXPECT_EQ(adapter.LastError(), "NetworkManager refused");
}

TEST_F(WmiTest, GatewayAndDnsResultsAreZeroWithTheReasonKept)
{
    auto config = Configuration(QVariant());
    TNetworkAdapterConfiguration adapter("{A}");
    EXPECT_EQ(adapter.SetGateways("10.0.0.1"), 0);
    EXPECT_EQ(config->InParams.Property("DefaultIPGateway"), QStringList{"10.0.0.1"});
    config->ReturnValue = wrvInvalidGateway;
    EXPECT_EQ(adapter.SetGateways("10.0.0"), 0);
    EXPECT_TRUE(adapter.LastError().contains("10.0.0"));
    config->ReturnValue = 0;
    config->MethodFailure = "gone";
    EXPECT_EQ(adapter.SetDNSServerSearchOrder("10.0.0.53", ""), 0);
    EXPECT_EQ(adapter.LastError(), "gone");
}

TEST_F(WmiTest, EnableDHCPRaisesWhenTheCallFails)
{
    auto config = Configuration(QVariant());
    TNetworkAdapterConfiguration adapter("{A}");
    EXPECT_NO_THROW(adapter.EnableDHCP());
    EXPECT_EQ(config->Method, "EnableDHCP");
    EXPECT_FALSE(config->InParams.HasProperty("IPAddress"));
    config->MethodFailure = "no such profile";
    EXPECT_THROW(adapter.EnableDHCP(), EWmiError);
}

TEST_F(WmiTest, AConditionIsHandedToTheProviderAndStillChecked)
{
    auto things = Things();
    EXPECT_EQ(WmiQueryValue("Test_Thing", "Name", "Index=2"), "B");
    EXPECT_EQ(things->Where, "Index=2");
    EXPECT_EQ(WmiQueryValue("Test_Thing", "Name", "name='it\\'s'"), "it's");
    EXPECT_EQ(things->Where, "name=it's");
}

TEST_F(WmiTest, ChangesAreStagedAndReachTheAdapterTogether)
{
    auto config = Configuration(QVariant());
    TNetworkAdapterConfiguration adapter("{A}");
    ASSERT_EQ(adapter.EnableStatic("10.0.0.9", "255.255.255.0"), 0);
    adapter.SetGateways("10.0.0.1");
    adapter.SetDNSServerSearchOrder("10.0.0.53", "10.0.0.54");
    EXPECT_EQ(config->Methods, QStringList({"EnableStatic", "SetGateways", "SetDNSServerSearchOrder"}))
        << "each change is checked at once";

    ASSERT_TRUE(adapter.ApplyChanges()) << adapter.LastError().toStdString();
    EXPECT_EQ(config->Methods.last(), TNetworkAdapterConfiguration::ApplyChangesMethod());
    EXPECT_EQ(config->Target, "{A}");
    const TWmiObject &staged = config->InParams;
    EXPECT_EQ(staged.Property("DHCPEnabled"), false);
    EXPECT_EQ(staged.Property("IPAddress"), QStringList{"10.0.0.9"});
    EXPECT_EQ(staged.Property("SubnetMask"), QStringList{"255.255.255.0"});
    EXPECT_EQ(staged.Property("DefaultIPGateway"), QStringList{"10.0.0.1"});
    EXPECT_EQ(staged.Property("DNSServerSearchOrder"), QStringList({"10.0.0.53", "10.0.0.54"}));

    config->Methods.clear();
    EXPECT_TRUE(adapter.ApplyChanges());
    EXPECT_TRUE(config->Methods.isEmpty()) << "nothing left to apply";
}

TEST_F(WmiTest, ARefusedChangeIsNotStaged)
{
    auto config = Configuration(QVariant());
    TNetworkAdapterConfiguration adapter("{A}");
    config->ReturnValue = wrvInvalidIPAddress;
    EXPECT_EQ(adapter.EnableStatic("10.0.0.300", "255.255.255.0"), wrvInvalidIPAddress);
    config->ReturnValue = wrvInvalidGateway;
    adapter.SetGateways("10.0.0");
    config->ReturnValue = 0;
    config->MethodFailure = "gone";
    adapter.SetDNSServerSearchOrder("10.0.0.53", "");
    config->MethodFailure.clear();
    config->Methods.clear();
    EXPECT_TRUE(adapter.ApplyChanges());
    EXPECT_TRUE(config->Methods.isEmpty());
}

TEST_F(WmiTest, DhcpDropsAStagedGatewayAndAutomaticDnsIsStagedAsNoList)
{
    auto config = Configuration(QVariant());
    TNetworkAdapterConfiguration adapter("{A}");
    adapter.SetGateways("10.0.0.1");
    adapter.EnableDHCP();
    adapter.SetDNSServerSearchOrder("", "");
    ASSERT_TRUE(adapter.ApplyChanges());
    const TWmiObject &staged = config->InParams;
    EXPECT_EQ(staged.Property("DHCPEnabled"), true);
    EXPECT_FALSE(staged.Property("DefaultIPGateway").isValid());
    EXPECT_TRUE(staged.HasProperty("DNSServerSearchOrder"));
    EXPECT_FALSE(staged.Property("DNSServerSearchOrder").isValid()) << "back to automatic servers";
    EXPECT_FALSE(staged.HasProperty("IPAddress"));
}

TEST_F(WmiTest, ARefusedApplyKeepsTheStageAndSaysWhy)
{
    auto config = Configuration(QVariant());
    TNetworkAdapterConfiguration adapter("{A}");
    adapter.SetGateways("10.0.0.1");
    config->MethodFailure = "connection 'Office' refused the settings";
    EXPECT_FALSE(adapter.ApplyChanges());
    EXPECT_EQ(adapter.LastError(), "connection 'Office' refused the settings");
    config->MethodFailure.clear();
    config->ReturnValue = wrvUnknownFailure;
    EXPECT_FALSE(adapter.ApplyChanges());
    EXPECT_FALSE(adapter.LastError().isEmpty());
    config->ReturnValue = 0;
    EXPECT_TRUE(adapter.ApplyChanges());
    EXPECT_EQ(config->InParams.Property("DefaultIPGateway"), QStringList{"10.0.0.1"});
}

namespace {

// Driver keys the test lays out: subkey name -> NetCfgInstanceId and NetworkAddress.
class TFakeClassKey : public IRegistryProvider
{
public:
    struct TKey
    {
        QString Name, InstanceId, Address;
    };

    bool KeyExists(const QString &path) override { return path.isEmpty() || Find(path); }
    QStringList KeyNames(const QString &path) override
    {
        QStringList names;
        if (path.isEmpty())
            for (const TKey &key : Keys)
                names.append(key.Name);
        return names;
    }
    QStringList ValueNames(const QString &) override { return {}; }
    std::optional<TRegValue> ReadValue(const QString &path, const QString &name) override
    {
        const TKey *key = Find(path);
        if (key && name == "NetCfgInstanceId")
            return TRegValue::FromString(REG_SZ, key->InstanceId);
        if (key && name == "NetworkAddress" && !key->Address.isEmpty())
            return TRegValue::FromString(REG_SZ, key->Address);
        return std::nullopt;
    }
    void WriteValue(const QString &path, const QString &name, const TRegValue &value) override
    {
        Writes.append(path + ":" + name + "=" + value.AsString());
        Find(path)->Address = value.AsString();
    }
    void DeleteValue(const QString &path, const QString &name) override
    {
        Writes.append(path + ":-" + name);
        Find(path)->Address.clear();
    }

    TKey *Find(const QString &path)
    {
        for (TKey &key : Keys)
            if (key.Name == path)
                return &key;
        return nullptr;
    }

    QList<TKey> Keys;
    QStringList Writes;
};

class NetWorkMac : public WmiTest
{
protected:
    void SetUp() override
    {
        FClassKey->Keys = {{"0000", "{OTHER}", ""}, {"0001", "{A}", ""}};
        TRegistry::Mount(HKEY_LOCAL_MACHINE, AdapterClassKeyPath(), FClassKey);
        auto adapters = Fake("Win32_NetworkAdapter");
        adapters->Add().Add("GUID", "{A}").Add("InterfaceIndex", 3);
        Configuration(QVariant(), "00:11:22:33:44:55");
    }
    void TearDown() override
    {
        TRegistry::Unmount(HKEY_LOCAL_MACHINE, AdapterClassKeyPath());
        WmiTest::TearDown();
    }

    class TConnection : public INetConnection
    {
    public:
        explicit TConnection(const QString &id) : FId(id) {}
        bool GetProperties(TNetConProperties &props) override
        {
            props.Guid = FId;
            return true;
        }
        bool Connect() override { return true; }
        bool Disconnect() override { return true; }
        bool Apply(const TConnectionSettings &, int, TConnectionOutcome &) override { return false; }
        QString LastError() const override { return QString(); }

    private:
        QString FId;
    };

    TNetWork Adapter(const QString &id = "{A}") { return TNetWork(std::make_shared<TConnection>(id)); }

    TTestRoot FRoot;
    std::shared_ptr<TFakeClassKey> FClassKey = std::make_shared<TFakeClassKey>();
};

} // namespace

TEST_F(NetWorkMac, CurrentMacAndIpComeFromTheConfigurationOfTheInterfaceIndex)
{
    TNetWork network = Adapter();
    EXPECT_EQ(network.DevIndex(), 3);
    EXPECT_EQ(network.GetCurrentMAC(), "00:11:22:33:44:55");
    EXPECT_EQ(network.Ip(), "10.0.0.7");
    EXPECT_EQ(Adapter("{B}").Ip(), "") << "an adapter WMI does not know";
}

// A profile no device can take has index 0, which other such profiles share.
TEST_F(NetWorkMac, AnAdapterWithoutADeviceHasNoAddressAndNoMac)
{
    auto config = Fake("Win32_NetworkAdapterConfiguration");
    config->Add()
        .Add("InterfaceIndex", 0)
        .Add("IPAddress", QStringList{"10.9.9.9"})
        .Add("MACAddress", "02:00:00:00:00:99")
        .Add("SettingID", "{C}");
    TNetWork network = Adapter("{B}");
    EXPECT_EQ(network.DevIndex(), 0);
    EXPECT_EQ(network.Ip(), "");
    EXPECT_EQ(network.GetCurrentMAC(), "");
    EXPECT_EQ(config->Where, "") << "not even asked";
}

TEST_F(NetWorkMac, OpenAdapterKeyFindsTheDriverKeyByExactInstanceId)
{
    TNetWork network = Adapter();
    const auto key = network.OpenAdapterKey(true);
    ASSERT_NE(key, nullptr);
    EXPECT_TRUE(key->CurrentPath().endsWith("\\0001")) << key->CurrentPath().toStdString();
    EXPECT_EQ(Adapter("{a}").OpenAdapterKey(true), nullptr) << "the id compares case-sensitively";
}

TEST_F(NetWorkMac, IsMACChangedComparesNormalisedAddresses)
{
    const struct
    {
        const char *stored, *newMac;
        bool changed;
    } table[] = {
        {"001122AABBCC", "00-11-22-aa-bb-cc", false}, // dashed lower case equals the stored digits
        {"001122AABBCC", " 001122aabbcc ", false},
        {"001122AABBCC", "00:11:22:AA:BB:CC", false},
        {"001122AABBCC", "00-11-22-AA-BB-CD", true},
        {"001122AABBCC", "   ", false},   // empty after trimming
        {"", "00-11-22-33-44-55", false}, // no override: the hardware address
        {"", "00-00-00-00-00-00", true},
        {"000000000000", "00-11-22-33-44-55", false}, // zeros stand for no override
    };
    for (const auto &row : table) {
        FClassKey->Keys[1].Address = row.stored;
        EXPECT_EQ(Adapter().IsMACChanged(row.newMac), row.changed) << row.stored << " vs " << row.newMac;
    }
}

TEST_F(NetWorkMac, ChangeMACWritesDeletesOrLeavesTheDriverValue)
{
    const struct
    {
        const char *stored, *newMac;
        bool result;
        const char *write, *after;
    } table[] = {
        {"", "02-AA-BB-CC-DD-EE", true, "0001:NetworkAddress=02AABBCCDDEE", "02AABBCCDDEE"},
        {"", "02:aa:bb:cc:dd:ee", true, "0001:NetworkAddress=02AABBCCDDEE", "02AABBCCDDEE"},
        {"02AABBCCDDEE", "00-00-00-00-00-00", true, "0001:-NetworkAddress", ""},
        {"", "00-00-00-00-00-00", true, "", ""}, // nothing to delete, still a change
        {"02AABBCCDDEE", "02-aa-bb-cc-dd-ee", false, "", "02AABBCCDDEE"},
        {"", "", false, "", ""},
    };
    for (const auto &row : table) {
        FClassKey->Keys[1].Address = row.stored;
        FClassKey->Writes.clear();
        EXPECT_EQ(Adapter().ChangeMAC(row.newMac), row.result) << row.newMac;
        EXPECT_EQ(FClassKey->Writes.join(','), row.write) << row.newMac;
        EXPECT_EQ(FClassKey->Keys[1].Address, row.after) << row.newMac;
    }
}

TEST_F(NetWorkMac, AdapterWithoutDriverKeyChangesNothing)
{
    FClassKey->Keys.removeAt(1);
    EXPECT_FALSE(Adapter().ChangeMAC("02-AA-BB-CC-DD-EE"));
    EXPECT_TRUE(FClassKey->Writes.isEmpty());
}

TEST_F(NetWorkMac, WithoutTheClassKeyANewAddressRaisesAndADeleteIsSilent)
{
    TRegistry::Unmount(HKEY_LOCAL_MACHINE, AdapterClassKeyPath());
    TNetWork network = Adapter();
    const auto key = network.OpenAdapterKey(false);
    ASSERT_NE(key, nullptr) << "an accessor without an open key";
    EXPECT_FALSE(key->ValueExists("NetworkAddress"));
    EXPECT_THROW(network.ChangeMAC("02-AA-BB-CC-DD-EE"), ERegistryException);
    EXPECT_TRUE(network.ChangeMAC("00-00-00-00-00-00")) << "the delete finds nothing and says nothing";
}
