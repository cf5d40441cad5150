#include "adapters/IpAddress.h"

#include "adapters/NetMgr.h"
#include "adapters/Network.h"
#include "app/DBManager.h"
#include "base/Exceptions.h"
#include "platform/registry/Registry.h"
#include "support/DatabaseTest.h"
#include "support/FakeNetwork.h"

#include <QMap>
#include <QSqlQuery>
#include <QVariant>
#include <functional>

namespace {

const QString LocA = QStringLiteral("A1B2C3D4E5F6G7H8I9J0KLMNOPQRSTUV");
const QString LocB = QStringLiteral("ZYXWVUTSRQPONMLKJIHGFEDCBA098765");

class IpAddressTest : public TDatabaseTest
{
protected:
    static int RowCount(const QString &LocId)
    {
        QSqlQuery Query(GetConnection());
        Query.prepare("SELECT COUNT(*) FROM IP_ADDR WHERE LOC_ID=?");
        Query.addBindValue(LocId);
        return Query.exec() && Query.next() ? Query.value(0).toInt() : -1;
    }

    static QVariant Column(const QString &LocId, const QString &Name)
    {
        QSqlQuery Query(GetConnection());
        Query.prepare(QStringLiteral("SELECT %1 FROM IP_ADDR WHERE LOC_ID=?").arg(Name));
        Query.addBindValue(LocId);
        return Query.exec() && Query.next() ? Query.value(0) : QVariant();
    }

    static void FillStatic(TIPAddress &Ip)
    {
        Ip.SetEnableDHCP(false);
        Ip.SetIPAddr("192.168.7.20");
        Ip.SetSubnetMask("255.255.255.0");
        Ip.SetGateWay("192.168.7.1");
        Ip.SetAutoGetDNS(false);
        Ip.SetMainDNS("192.168.7.2");
        Ip.SetSubDNS("9.9.9.9");
        Ip.SetMacAddr("02-11-22-33-44-55");
        Ip.SetGWMacAddr("02-AA-BB-CC-DD-EE");
        Ip.SetAutoRepair(true);
        Ip.SetInterval(30);
    }
};

TEST_F(IpAddressTest, NewObjectHasEmptyTextsFalseFlagsAndUnsetMacs)
{
    const TIPAddress Ip(LocA);
    EXPECT_EQ(Ip.LocId(), LocA);
    EXPECT_FALSE(Ip.EnableDHCP());
    EXPECT_FALSE(Ip.AutoGetDNS());
    EXPECT_FALSE(Ip.AutoRepair());
    EXPECT_EQ(Ip.Interval(), 0);
    for (const QString &Text :
         {Ip.NetId(), Ip.NetName(), Ip.IPAddr(), Ip.SubnetMask(), Ip.GateWay(), Ip.MainDNS(), Ip.SubDNS()})
        EXPECT_TRUE(Text.isEmpty()) << Text.toStdString();
    EXPECT_EQ(Ip.MacAddr(), "00-00-00-00-00-00");
    EXPECT_EQ(Ip.GWMacAddr(), "00-00-00-00-00-00");
}

struct TAddressProperty
{
    const char *Name;
    std::function<void(TIPAddress &, const QString &)> Write;
    std::function<QString(const TIPAddress &)> Read;
};

const TAddressProperty AddressProperties[] = {
    {"IPAddr", &TIPAddress::SetIPAddr, &TIPAddress::IPAddr},
    {"SubnetMask", &TIPAddress::SetSubnetMask, &TIPAddress::SubnetMask},
    {"GateWay", &TIPAddress::SetGateWay, &TIPAddress::GateWay},
    {"MainDNS", &TIPAddress::SetMainDNS, &TIPAddress::MainDNS},
    {"SubDNS", &TIPAddress::SetSubDNS, &TIPAddress::SubDNS},
};

TEST_F(IpAddressTest, AddressWritersStoreTheZeroAddressAsEmptyAndAnythingElseUnchanged)
{
    const struct
    {
        QString Written;
        QString Stored;
    } Cases[] = {
        {"0.0.0.0", ""},
        {"  0.0.0.0 ", ""},
        {"\t0.0.0.0", ""},
        {"10.0.0.1", "10.0.0.1"},
        {" 10.0.0.1 ", " 10.0.0.1 "},
        {"0.0.0.00", "0.0.0.00"},
        {"00.0.0.0", "00.0.0.0"},
        {"", ""},
        {"not an address", "not an address"},
    };
    for (const auto &Property : AddressProperties) {
        for (const auto &Case : Cases) {
            TIPAddress Ip(LocA);
            Property.Write(Ip, "1.2.3.4");
            Property.Write(Ip, Case.Written);
            EXPECT_EQ(Property.Read(Ip), Case.Stored)
                << Property.Name << " <- '" << Case.Written.toStdString() << "'";
        }
    }
}

TEST_F(IpAddressTest, MacReadersGiveTheUnsetMacOnlyForAnEmptyField)
{
    const struct
    {
        QString Written;
        QString Read;
    } Cases[] = {
        {"", "00-00-00-00-00-00"},
        {"02-11-22-33-44-55", "02-11-22-33-44-55"},
        {"aa-bb-cc-dd-ee-ff", "aa-bb-cc-dd-ee-ff"},
        {" ", " "},
        {"000000000000", "000000000000"},
    };
    for (const auto &Case : Cases) {
        TIPAddress Ip(LocA);
        Ip.SetMacAddr(Case.Written);
        Ip.SetGWMacAddr(Case.Written);
        EXPECT_EQ(Ip.MacAddr(), Case.Read) << Case.Written.toStdString();
        EXPECT_EQ(Ip.GWMacAddr(), Case.Read) << Case.Written.toStdString();
    }
}

TEST_F(IpAddressTest, SaveInsertsOneRowThenUpdatesIt)
{
    TIPAddress Ip(LocA);
    FillStatic(Ip);
    ASSERT_TRUE(Ip.Save()) << Ip.LastError().toStdString();
    EXPECT_EQ(RowCount(LocA), 1);

    Ip.SetEnableDHCP(true);
    Ip.SetIPAddr("0.0.0.0");
    Ip.SetAutoRepair(false);
    Ip.SetInterval(5);
    ASSERT_TRUE(Ip.Save()) << Ip.LastError().toStdString();
    EXPECT_EQ(RowCount(LocA), 1);

    const TIPAddress Loaded(LocA);
    EXPECT_TRUE(Loaded.EnableDHCP());
    EXPECT_EQ(Loaded.IPAddr(), "");
    EXPECT_EQ(Loaded.SubnetMask(), "255.255.255.0");
    EXPECT_EQ(Loaded.GateWay(), "192.168.7.1");
    EXPECT_FALSE(Loaded.AutoGetDNS());
    EXPECT_EQ(Loaded.MainDNS(), "192.168.7.2");
    EXPECT_EQ(Loaded.SubDNS(), "9.9.9.9");
    EXPECT_EQ(Loaded.MacAddr(), "02-11-22-33-44-55");
    EXPECT_EQ(Loaded.GWMacAddr(), "02-AA-BB-CC-DD-EE");
    EXPECT_FALSE(Loaded.AutoRepair());
    EXPECT_EQ(Loaded.Interval(), 5);
}

TEST_F(IpAddressTest, SaveOfANewObjectStoresTheUnsetMacsAndEmptyTexts)
{
    TIPAddress Ip(LocA);
    ASSERT_TRUE(Ip.Save()) << Ip.LastError().toStdString();
    EXPECT_EQ(Column(LocA, "MAC_ADDR").toString(), "00-00-00-00-00-00");
    EXPECT_EQ(Column(LocA, "GWMAC_ADDR").toString(), "00-00-00-00-00-00");
    const QVariant Address = Column(LocA, "IP_ADDR");
    EXPECT_FALSE(Address.isNull());
    EXPECT_EQ(Address.toString(), "");
    EXPECT_EQ(Column(LocA, "ENABLE_DHCP").toInt(), 0);
}

TEST_F(IpAddressTest, SaveTouchesOnlyItsOwnLocation)
{
    TIPAddress A(LocA);
    FillStatic(A);
    ASSERT_TRUE(A.Save());
    TIPAddress B(LocB);
    B.SetEnableDHCP(true);
    ASSERT_TRUE(B.Save());

    EXPECT_EQ(TIPAddress(LocA).IPAddr(), "192.168.7.20");
    EXPECT_FALSE(TIPAddress(LocA).EnableDHCP());
    EXPECT_TRUE(TIPAddress(LocB).EnableDHCP());
}

TEST_F(IpAddressTest, StoredZeroAddressesLoadAsEmpty)
{
    Exec("INSERT INTO IP_ADDR (LOC_ID, IP_ADDR, SUBNET_MASK, GATE_WAY, MAIN_DNS, SUB_DNS)"
         " VALUES ('" +
         LocA + "', '0.0.0.0', ' 0.0.0.0', '0.0.0.0 ', '0.0.0.0', '8.8.8.8')");
    const TIPAddress Ip(LocA);
    EXPECT_EQ(Ip.IPAddr(), "");
    EXPECT_EQ(Ip.SubnetMask(), "");
    EXPECT_EQ(Ip.GateWay(), "");
    EXPECT_EQ(Ip.MainDNS(), "");
    EXPECT_EQ(Ip.SubDNS(), "8.8.8.8");
}

TEST_F(IpAddressTest, RowWithNullAndOddTextsLoadsWithoutFailing)
{
    Exec("INSERT INTO IP_ADDR (LOC_ID, ENABLE_DHCP, IP_ADDR, SUBNET_MASK, GATE_WAY, AUTO_DNS,"
         " MAIN_DNS, SUB_DNS, MAC_ADDR, GWMAC_ADDR, AUTO_REPAIR, REPAIR_INTERVAL) VALUES ('" +
         LocA +
         "', 1, NULL, 'mask''with\"quotes', '', 1, 'zweiter Server ✓', NULL,"
         " '', NULL, 1, 'not a number')");
    const TIPAddress Ip(LocA);
    EXPECT_TRUE(Ip.EnableDHCP());
    EXPECT_EQ(Ip.IPAddr(), "");
    EXPECT_EQ(Ip.SubnetMask(), "mask'with\"quotes");
    EXPECT_EQ(Ip.GateWay(), "");
    EXPECT_TRUE(Ip.AutoGetDNS());
    EXPECT_EQ(Ip.MainDNS(), QString::fromUtf8("zweiter Server ✓"));
    EXPECT_EQ(Ip.SubDNS(), "");
    EXPECT_EQ(Ip.MacAddr(), "00-00-00-00-00-00");
    EXPECT_EQ(Ip.GWMacAddr(), "00-00-00-00-00-00");
    EXPECT_TRUE(Ip.AutoRepair());
    EXPECT_EQ(Ip.Interval(), 0);
}

TEST_F(IpAddressTest, LoadFindsTheRowWhateverTheLetterCaseOfTheId)
{
    Exec("INSERT INTO IP_ADDR (LOC_ID, IP_ADDR) VALUES ('" + LocA.toLower() + "', '10.1.1.1')");
    EXPECT_EQ(TIPAddress(LocA).IPAddr(), "10.1.1.1");
}

TEST_F(IpAddressTest, RemoveDeletesOnlyItsOwnRow)
{
    TIPAddress A(LocA);
    ASSERT_TRUE(A.Save());
    TIPAddress B(LocB);
    ASSERT_TRUE(B.Save());

    EXPECT_TRUE(A.Remove()) << A.LastError().toStdString();
    EXPECT_EQ(RowCount(LocA), 0);
    EXPECT_EQ(RowCount(LocB), 1);
    EXPECT_TRUE(A.Remove()) << "a second delete finds nothing and still succeeds";
}

TEST_F(IpAddressTest, RemoveRefusesAnIdHoldingAQuote)
{
    TIPAddress B(LocB);
    ASSERT_TRUE(B.Save());
    TIPAddress Odd(QStringLiteral("X' OR '1'='1"));
    EXPECT_FALSE(Odd.Remove());
    EXPECT_FALSE(Odd.LastError().isEmpty());
    EXPECT_EQ(RowCount(LocB), 1);
}

TEST_F(IpAddressTest, WithoutAConnectionDefaultsStayAndSaveAndRemoveSucceed)
{
    TIPAddress Saved(LocA);
    FillStatic(Saved);
    ASSERT_TRUE(Saved.Save());
    LoseConnection();

    TIPAddress Ip(LocA);
    EXPECT_EQ(Ip.IPAddr(), "");
    EXPECT_TRUE(Ip.Save());
    EXPECT_TRUE(Ip.Remove());
}

TEST_F(IpAddressTest, DatabaseErrorMakesSaveAndRemoveFailAndLoadRaise)
{
    TIPAddress Ip(LocA);
    Exec("DROP TABLE IP_ADDR");

    EXPECT_FALSE(Ip.Save());
    EXPECT_TRUE(Ip.LastError().contains("IP_ADDR")) << Ip.LastError().toStdString();
    EXPECT_FALSE(Ip.Remove());
    EXPECT_THROW(TIPAddress{LocA}, EWayfarelError);
}

struct TCheckCase
{
    const char *Name;
    std::function<void(TIPAddress &)> Edit;
    QStringList Mentions; // one per reason expected
};

const TCheckCase CheckCases[] = {
    {"a valid static location", [](TIPAddress &) {}, {}},
    {"gateway out of range", [](TIPAddress &Ip) { Ip.SetGateWay("999.1.1.1"); }, {"Gateway \"999.1.1.1\""}},
    {"DNS server that is no address", [](TIPAddress &Ip) { Ip.SetSubDNS("zz-zz"); }, {"\"zz-zz\""}},
    {"MAC that is no MAC", [](TIPAddress &Ip) { Ip.SetMacAddr("zz-zz"); }, {"MAC address \"zz-zz\""}},
    {"multicast MAC", [](TIPAddress &Ip) { Ip.SetMacAddr("03-00-00-00-00-01"); }, {"\"03-00-00-00-00-01\""}},
    {"gateway MAC that is no MAC with the binding on",
     [](TIPAddress &Ip) { Ip.SetGWMacAddr("zz-zz"); },
     {"Gateway MAC address \"zz-zz\""}},
    {"gateway MAC that is no MAC with the binding off",
     [](TIPAddress &Ip) {
         Ip.SetAutoRepair(false);
         Ip.SetGWMacAddr("zz-zz");
     },
     {}},
    {"unset and undashed MACs",
     [](TIPAddress &Ip) {
         Ip.SetMacAddr("000000000000");
         Ip.SetGWMacAddr("02aabbccddee");
     },
     {}},
    {"address and mask both bad",
     [](TIPAddress &Ip) {
         Ip.SetIPAddr("10.0.0.300");
         Ip.SetSubnetMask("255.0.255.0");
     },
     {"IP address \"10.0.0.300\"", "Subnet mask \"255.0.255.0\""}},
    {"no static address", [](TIPAddress &Ip) { Ip.SetIPAddr("0.0.0.0"); }, {"IP address \"\""}},
    {"loopback address", [](TIPAddress &Ip) { Ip.SetIPAddr("127.0.0.5"); }, {"\"127.0.0.5\""}},
    {"no gateway without the binding",
     [](TIPAddress &Ip) {
         Ip.SetAutoRepair(false);
         Ip.SetGateWay("");
     },
     {}},
    {"no gateway to bind", [](TIPAddress &Ip) { Ip.SetGateWay(""); }, {"Gateway \"\""}},
    {"DHCP leaves the address fields unused",
     [](TIPAddress &Ip) {
         Ip.SetEnableDHCP(true);
         Ip.SetAutoRepair(false);
         Ip.SetIPAddr("x");
         Ip.SetSubnetMask("y");
         Ip.SetGateWay("z");
     },
     {}},
    {"DHCP still binds the gateway it names",
     [](TIPAddress &Ip) {
         Ip.SetEnableDHCP(true);
         Ip.SetGateWay("zz");
     },
     {"Gateway \"zz\""}},
    {"automatic DNS leaves the servers unused",
     [](TIPAddress &Ip) {
         Ip.SetEnableDHCP(true);
         Ip.SetAutoGetDNS(true);
         Ip.SetMainDNS("zz");
     },
     {}},
    // Nothing hands a static address its servers: the connection would have none.
    {"automatic DNS without DHCP", [](TIPAddress &Ip) { Ip.SetAutoGetDNS(true); }, {"only with DHCP"}},
    {"every field bad",
     [](TIPAddress &Ip) {
         Ip.SetIPAddr("a");
         Ip.SetSubnetMask("b");
         Ip.SetGateWay("c");
         Ip.SetMainDNS("d");
         Ip.SetSubDNS("e");
         Ip.SetMacAddr("f");
         Ip.SetGWMacAddr("g");
     },
     {"\"a\"", "\"b\"", "\"c\"", "\"d\"", "\"e\"", "\"f\"", "\"g\""}},
};

TEST_F(IpAddressTest, CheckGivesOneReasonPerMalformedFieldTheAdapterStepUses)
{
    for (const TCheckCase &Case : CheckCases) {
        SCOPED_TRACE(Case.Name);
        TIPAddress Ip(LocA);
        FillStatic(Ip);
        Case.Edit(Ip);
        QStringList Reasons{"earlier reason"};
        EXPECT_EQ(Ip.Check(&Reasons), Case.Mentions.isEmpty());
        ASSERT_EQ(Reasons.size(), Case.Mentions.size() + 1) << Reasons.join(" | ").toStdString();
        EXPECT_EQ(Reasons.first(), "earlier reason");
        for (const QString &Mention : Case.Mentions)
            EXPECT_TRUE(Reasons.join(" | ").contains(Mention)) << Mention.toStdString();
    }
}

// A connection whose state the test sets; it refuses to be connected when told to.
class TFakeConnection : public INetConnection
{
public:
    TFakeConnection(const QString &Guid, TDeviceState State)
        : FProps{Guid, "Fake " + Guid, "fake0", static_cast<quint32>(State)}
    {}

    bool GetProperties(TNetConProperties &Props) override
    {
        Props = FProps;
        return true;
    }
    bool Connect() override
    {
        ++Connects;
        return ConnectOk;
    }
    bool Disconnect() override { return true; }
    // A connection on its way up is refused as NetworkManager's is; any other is activated.
    bool Apply(const TConnectionSettings &, int, TConnectionOutcome &Outcome) override
    {
        Outcome = {FProps.DeviceState, "activated", "fake0"};
        if (IsMovingState(FProps.DeviceState))
            return false;
        ++Connects;
        return ConnectOk;
    }
    QString LastError() const override { return ConnectOk ? QString() : "no carrier"; }

    bool ConnectOk = true;
    int Connects = 0;

private:
    TNetConProperties FProps;
};

class TFakeManager : public INetConnectionManager
{
public:
    explicit TFakeManager(TNetConnections Connections) : FConnections(std::move(Connections)) {}
    QString Source() const override { return "fake"; }
    TNetConnections EnumConnections() override { return FConnections; }
    QString LastError() const override { return {}; }

private:
    TNetConnections FConnections;
};

// One interface key with its values, served at the key's own path.
class TInterfaceKey : public IRegistryProvider
{
public:
    bool KeyExists(const QString &Path) override { return Path.isEmpty(); }
    QStringList KeyNames(const QString &) override { return {}; }
    QStringList ValueNames(const QString &) override { return Values.keys(); }
    std::optional<TRegValue> ReadValue(const QString &, const QString &Name) override
    {
        for (auto It = Values.cbegin(); It != Values.cend(); ++It)
            if (It.key().compare(Name, Qt::CaseInsensitive) == 0)
                return It.value();
        return std::nullopt;
    }
    void WriteValue(const QString &, const QString &, const TRegValue &) override
    {
        throw ERegistryException("read-only");
    }
    void DeleteValue(const QString &, const QString &) override {}

    QMap<QString, TRegValue> Values;
};

const QString DisabledId = QStringLiteral("{0A1B2C3D-0000-4000-8000-00000000D15A}");
const QString ConnectingId = QStringLiteral("{0A1B2C3D-0000-4000-8000-0000000C0111}");
const QString InterfacesKey =
    QStringLiteral("SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\");

// Adapters of a fake connection manager as the list Change and Import look in, and the
// stored interface settings of the disabled one served by a provider.
class IpAddressAdapterTest : public IpAddressTest
{
protected:
    void SetUp() override
    {
        IpAddressTest::SetUp();
        FDisabled = std::make_shared<TFakeConnection>(DisabledId, TDeviceState::Disconnected);
        FConnecting = std::make_shared<TFakeConnection>(ConnectingId, TDeviceState::IpConfig);
        FManager = std::make_unique<TNetManager>(
            std::make_unique<TFakeManager>(TNetConnections{FDisabled, FConnecting}));
        FList = std::make_unique<TNetWorkList>(*FManager);
        FKey = std::make_shared<TInterfaceKey>();
        TRegistry::Mount(HKEY_LOCAL_MACHINE, InterfacesKey + DisabledId, FKey);
    }

    void TearDown() override
    {
        TRegistry::Unmount(HKEY_LOCAL_MACHINE, InterfacesKey + DisabledId);
        IpAddressTest::TearDown();
    }

    // Loopback addresses, so the gateway MAC lookup of the import never leaves this machine.
    void StoreStatic(const QString &NameServer)
    {
        FKey->Values["EnableDHCP"] = TRegValue::FromDword(0);
        FKey->Values["IPAddress"] = TRegValue::FromMultiString({"127.9.8.7", "127.9.8.8"});
        FKey->Values["SubnetMask"] = TRegValue::FromMultiString({"255.255.0.0", "255.0.0.0"});
        FKey->Values["DefaultGateway"] = TRegValue::FromMultiString({"127.9.0.1"});
        FKey->Values["NameServer"] = TRegValue::FromString(REG_SZ, NameServer);
    }

    std::shared_ptr<TFakeConnection> FDisabled;
    std::shared_ptr<TFakeConnection> FConnecting;
    std::unique_ptr<TNetManager> FManager;
    std::unique_ptr<TNetWorkList> FList;
    std::shared_ptr<TInterfaceKey> FKey;
};

TEST_F(IpAddressAdapterTest, ChangeOfAnUnknownAdapterFailsWithoutTouchingAny)
{
    TIPAddress Ip(LocA);
    Ip.SetNetId("{00000000-0000-0000-0000-000000000000}");
    EXPECT_FALSE(Ip.Change(*FList));
    EXPECT_TRUE(Ip.LastError().contains("{00000000-0000-0000-0000-000000000000}"))
        << Ip.LastError().toStdString();
    EXPECT_EQ(FDisabled->Connects + FConnecting->Connects, 0);
    EXPECT_TRUE(Ip.NetName().isEmpty());
}

TEST_F(IpAddressAdapterTest, ChangeRefusesAnAdapterThatIsNotWorking)
{
    TIPAddress Ip(LocA);
    Ip.SetNetId(ConnectingId.toLower());
    Ip.SetEnableDHCP(true);
    Ip.SetAutoGetDNS(true);
    EXPECT_FALSE(Ip.Change(*FList));
    EXPECT_TRUE(Ip.LastError().contains("not working")) << Ip.LastError().toStdString();
    EXPECT_EQ(FConnecting->Connects, 0);
}

TEST_F(IpAddressAdapterTest, ChangeFailsWithTheReasonWhenADisabledAdapterCannotBeEnabled)
{
    FDisabled->ConnectOk = false;
    TIPAddress Ip(LocA);
    Ip.SetNetId(DisabledId);
    Ip.SetEnableDHCP(true);
    Ip.SetAutoGetDNS(true);
    EXPECT_FALSE(Ip.Change(*FList));
    EXPECT_EQ(FDisabled->Connects, 1);
    EXPECT_TRUE(Ip.LastError().contains("no carrier")) << Ip.LastError().toStdString();
}

TEST_F(IpAddressAdapterTest, ImportOfADisabledAdapterReadsItsStoredSettings)
{
    const struct
    {
        QString NameServer;
        QString Main;
        QString Sub;
    } Cases[] = {
        {"10.9.0.53,10.9.0.54", "10.9.0.53", "10.9.0.54"},
        {"10.9.0.53 10.9.0.54", "10.9.0.53", "10.9.0.54"},
        {"10.9.0.53, 10.9.0.54", "10.9.0.53", "10.9.0.54"},
        {"10.9.0.53", "10.9.0.53", ""},
    };
    for (const auto &Case : Cases) {
        SCOPED_TRACE(Case.NameServer.toStdString());
        StoreStatic(Case.NameServer);
        ASSERT_TRUE(TIPAddress(LocA).Remove());
        TIPAddress Ip(LocA);
        ASSERT_TRUE(Ip.Import(DisabledId, *FList)) << Ip.LastError().toStdString();
        const TIPAddress Stored(LocA);
        EXPECT_FALSE(Stored.EnableDHCP());
        EXPECT_EQ(Stored.IPAddr(), "127.9.8.7");
        EXPECT_EQ(Stored.SubnetMask(), "255.255.0.0");
        EXPECT_EQ(Stored.GateWay(), "127.9.0.1");
        EXPECT_FALSE(Stored.AutoGetDNS());
        EXPECT_EQ(Stored.MainDNS(), Case.Main);
        EXPECT_EQ(Stored.SubDNS(), Case.Sub);
        EXPECT_EQ(Stored.MacAddr(), "00-00-00-00-00-00");
        EXPECT_FALSE(Stored.AutoRepair());
    }
    EXPECT_EQ(FDisabled->Connects, 0) << "an import never enables the adapter";
}

TEST_F(IpAddressAdapterTest, ImportOfADisabledDhcpAdapterWithoutServersGetsAutomaticDns)
{
    FKey->Values["EnableDHCP"] = TRegValue::FromDword(1);
    FKey->Values["NameServer"] = TRegValue::FromString(REG_SZ, "");
    TIPAddress Ip(LocA);
    Ip.SetAutoRepair(true);
    Ip.SetMacAddr("02-11-22-33-44-55");
    ASSERT_TRUE(Ip.Import(DisabledId, *FList)) << Ip.LastError().toStdString();
    EXPECT_TRUE(Ip.EnableDHCP());
    EXPECT_TRUE(Ip.AutoGetDNS());
    EXPECT_TRUE(Ip.IPAddr().isEmpty());
    EXPECT_TRUE(Ip.GateWay().isEmpty());
    EXPECT_EQ(Ip.MacAddr(), "00-00-00-00-00-00");
    EXPECT_FALSE(Ip.AutoRepair());
    EXPECT_EQ(RowCount(LocA), 1);
}

TEST_F(IpAddressAdapterTest, MessagesQuoteAHugeStoredValueAtABoundedLength)
{
    const QString Huge(10000, QLatin1Char('7'));
    TIPAddress Ip(LocA);
    FillStatic(Ip);
    Ip.SetNetId(Huge);
    Ip.SetGateWay(Huge);
    QStringList Reasons;
    EXPECT_FALSE(Ip.Check(&Reasons));
    EXPECT_FALSE(Ip.Change(*FList));
    Reasons << Ip.LastError();
    EXPECT_FALSE(Ip.Import(Huge, *FList));
    Reasons << Ip.LastError();
    for (const QString &Reason : Reasons) {
        EXPECT_TRUE(Reason.contains("(10000 characters)")) << Reason.left(200).toStdString();
        EXPECT_LT(Reason.size(), 200) << Reason.left(200).toStdString();
    }
}

TEST_F(IpAddressAdapterTest, FailedImportSavesNothing)
{
    TIPAddress Unknown(LocA);
    EXPECT_FALSE(Unknown.Import("{00000000-0000-0000-0000-000000000000}", *FList));
    EXPECT_FALSE(Unknown.LastError().isEmpty());

    TRegistry::Unmount(HKEY_LOCAL_MACHINE, InterfacesKey + DisabledId);
    TIPAddress NoKey(LocA);
    EXPECT_FALSE(NoKey.Import(DisabledId, *FList));
    EXPECT_TRUE(NoKey.LastError().contains(DisabledId)) << NoKey.LastError().toStdString();

    FKey->Values["NameServer"] = TRegValue::FromDword(7);
    TRegistry::Mount(HKEY_LOCAL_MACHINE, InterfacesKey + DisabledId, FKey);
    TIPAddress Unreadable(LocA);
    EXPECT_FALSE(Unreadable.Import(DisabledId, *FList));
    EXPECT_FALSE(Unreadable.LastError().isEmpty());

    EXPECT_EQ(RowCount(LocA), 0);
}

} // namespace

namespace {

// The switch path on the in-memory NetworkManager: Office is static and active, Home is DHCP and
// down, both on the same device.
class IpAddressSwitchTest : public IpAddressTest
{
protected:
    TIPAddress StaticOn(const QString &NetId, const QString &Mac = TIPAddress::UnsetMac)
    {
        TIPAddress Ip(LocA);
        Ip.SetNetId(NetId);
        Ip.SetIPAddr("10.0.0.9");
        Ip.SetSubnetMask("255.255.255.0");
        Ip.SetGateWay("10.0.0.1");
        Ip.SetMainDNS("10.0.0.53");
        Ip.SetMacAddr(Mac);
        return Ip;
    }

    void SetUp() override
    {
        IpAddressTest::SetUp();
        FNetwork = std::make_unique<TFakeNetwork>();
    }

    void TearDown() override
    {
        FNetwork.reset();
        IpAddressTest::TearDown();
    }

    bool Change(TIPAddress &Ip)
    {
        FNetwork->Bus->Log.clear();
        const TNetWorkList Adapters;
        return Ip.Change(Adapters);
    }

    QVariantMap Ethernet(const QString &Profile) const
    {
        return FNetwork->Bus->Profiles.value(Profile).value("802-3-ethernet");
    }

    std::unique_ptr<TFakeNetwork> FNetwork;
};

TEST_F(IpAddressSwitchTest, OneSaveAndOneReapplyOrActivationBringTheSettingsAndTheMac)
{
    const struct
    {
        const char *Case;
        QString NetId;
        QString Mac;
        int Activations;
        int Reapplies;
    } Cases[] = {
        {"active connection, new address", TFakeNetwork::OfficeId, TIPAddress::UnsetMac, 0, 1},
        {"connection down: it comes up with the new settings", TFakeNetwork::HomeId, TIPAddress::UnsetMac, 1,
         0},
        {"active connection, new MAC: activated again, once", TFakeNetwork::OfficeId, "02-11-22-33-44-55", 1,
         0},
        {"connection down, new MAC", TFakeNetwork::HomeId, "02-11-22-33-44-55", 1, 0},
    };
    for (const auto &Case : Cases) {
        SCOPED_TRACE(Case.Case);
        FNetwork.reset();
        FNetwork = std::make_unique<TFakeNetwork>();
        TIPAddress Ip = StaticOn(Case.NetId, Case.Mac);
        ASSERT_TRUE(Change(Ip)) << Ip.LastError().toStdString();
        EXPECT_EQ(FNetwork->Bus->Count("Update"), 1) << FNetwork->Bus->Log.join(' ').toStdString();
        EXPECT_EQ(FNetwork->Bus->Count("ActivateConnection"), Case.Activations);
        EXPECT_EQ(FNetwork->Bus->Count("Reapply"), Case.Reapplies);
        EXPECT_EQ(FNetwork->Bus->Count("DeactivateConnection"), 0);
        const QString Profile = Case.NetId == TFakeNetwork::OfficeId ? FNetwork->Office : FNetwork->Home;
        const TNMIPv4 Saved = FNetwork->Bus->IPv4At(Profile);
        EXPECT_EQ(Saved.Method, "manual");
        EXPECT_EQ(Saved.Addresses, QStringList{"10.0.0.9"});
        EXPECT_EQ(Saved.Dns, QStringList{"10.0.0.53"});
        EXPECT_EQ(Ethernet(Profile).value("assigned-mac-address").toString(),
                  Case.Mac == TIPAddress::UnsetMac ? QString() : QString("02:11:22:33:44:55"));
    }
}

TEST_F(IpAddressSwitchTest, SettingsTheConnectionRunsWithAlreadyChangeNothing)
{
    TIPAddress Ip = StaticOn(TFakeNetwork::OfficeId);
    ASSERT_TRUE(Change(Ip)) << Ip.LastError().toStdString();
    ASSERT_TRUE(Change(Ip)) << Ip.LastError().toStdString();
    EXPECT_EQ(FNetwork->Bus->Count("Update") + FNetwork->Bus->Count("Reapply") +
                  FNetwork->Bus->Count("ActivateConnection"),
              0)
        << FNetwork->Bus->Log.join(' ').toStdString();
    EXPECT_FALSE(Ip.Changes().join(' ').contains("connection")) << Ip.Changes().join(' ').toStdString();
}

// The user's private address setting is theirs: a location without a MAC of its own leaves it.
TEST_F(IpAddressSwitchTest, LocationWithoutAMacKeepsARandomOrStableDeviceAddress)
{
    for (const char *Privacy : {"random", "stable"}) {
        FNetwork->Bus->Profiles[FNetwork->Office]["802-3-ethernet"]["assigned-mac-address"] = Privacy;
        TIPAddress Ip = StaticOn(TFakeNetwork::OfficeId);
        ASSERT_TRUE(Change(Ip)) << Ip.LastError().toStdString();
        EXPECT_EQ(Ethernet(FNetwork->Office).value("assigned-mac-address").toString(), Privacy);
    }
}

TEST_F(IpAddressSwitchTest, MalformedSettingsReachNoConnection)
{
    TIPAddress Ip = StaticOn(TFakeNetwork::HomeId);
    Ip.SetSubnetMask("255.0.255.0");
    EXPECT_FALSE(Change(Ip));
    EXPECT_TRUE(Ip.LastError().contains("255.0.255.0")) << Ip.LastError().toStdString();
    EXPECT_EQ(FNetwork->Bus->Count("Update") + FNetwork->Bus->Count("ActivateConnection"), 0);
    EXPECT_EQ(FNetwork->Bus->IPv4At(FNetwork->Home).Method, "auto");
}

} // namespace
