#include "adapters/NetMgr.h"
#include "adapters/Network.h"
#include "adapters/WMI.h"
#include "base/Exceptions.h"
#include "platform/kernel/KernelConnections.h"
#include "platform/networkmanager/NMSettings.h"

#include <QDBusConnection>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A connection whose answers the test sets, counting what it was asked to do.
class TFakeConnection : public INetConnection
{
public:
    explicit TFakeConnection(const QString &guid, quint32 state)
        : Props{guid, "Name " + guid, "eth-" + guid, state}
    {}

    bool GetProperties(TNetConProperties &props) override
    {
        if (!PropertiesOk)
            return Failed("properties unreadable");
        props = Props;
        return true;
    }
    bool Connect() override
    {
        ++Connects;
        return ConnectOk || Failed("connect refused");
    }
    bool Disconnect() override
    {
        ++Disconnects;
        return DisconnectOk || Failed("disconnect refused");
    }
    bool Apply(const TConnectionSettings &, int, TConnectionOutcome &) override
    {
        return ApplyOk || Failed("settings refused");
    }
    bool WaitUntilSettled(int timeoutMs) override
    {
        SettleTimeoutMs = timeoutMs;
        return Settles || Failed("still coming up");
    }
    QString LastError() const override { return Error; }

    bool Failed(const QString &reason)
    {
        Error = reason;
        return false;
    }

    TNetConProperties Props;
    bool PropertiesOk = true, ConnectOk = true, DisconnectOk = true, ApplyOk = true, Settles = true;
    int Connects = 0, Disconnects = 0, SettleTimeoutMs = 0;
    QString Error;
};

class TFakeManager : public INetConnectionManager
{
public:
    explicit TFakeManager(TNetConnections connections) : FConnections(std::move(connections)) {}
    QString Source() const override { return QStringLiteral("fake"); }
    TNetConnections EnumConnections() override { return FConnections; }
    QString LastError() const override { return QString(); }

private:
    TNetConnections FConnections;
};

std::shared_ptr<TFakeConnection> Fake(const QString &guid, quint32 state = 30)
{
    return std::make_shared<TFakeConnection>(guid, state);
}

std::unique_ptr<TNetManager> ManagerOf(TNetConnections connections)
{
    return std::make_unique<TNetManager>(std::make_unique<TFakeManager>(std::move(connections)));
}

} // namespace

TEST(NetworkStatus, EveryDeviceStateMapsToItsStatus)
{
    const struct
    {
        TDeviceState state;
        TStatus status;
    } table[] = {
        {TDeviceState::Unknown, nsUnkown},      {TDeviceState::Unmanaged, nsDisable},
        {TDeviceState::Unavailable, nsOff},     {TDeviceState::Disconnected, nsDisable},
        {TDeviceState::Prepare, nsNotWorking},  {TDeviceState::Config, nsNotWorking},
        {TDeviceState::NeedAuth, nsNotWorking}, {TDeviceState::IpConfig, nsNotWorking},
        {TDeviceState::IpCheck, nsNotWorking},  {TDeviceState::Secondaries, nsNotWorking},
        {TDeviceState::Activated, nsWorking},   {TDeviceState::Deactivating, nsNotWorking},
        {TDeviceState::Failed, nsNotWorking},
    };
    for (const auto &row : table)
        EXPECT_EQ(StatusFromDeviceState(static_cast<quint32>(row.state)), row.status)
            << "device state " << static_cast<quint32>(row.state);
    EXPECT_EQ(StatusFromDeviceState(65), nsNotWorking) << "a state this build does not know";
}

TEST(AdapterId, IsTheUuidInUpperCaseWithinBraces)
{
    EXPECT_EQ(AdapterIdFromUuid(QUuid("304776b2-9ac0-4e9c-b60f-25bfc6236d66")),
              "{304776B2-9AC0-4E9C-B60F-25BFC6236D66}");
    EXPECT_EQ(AdapterIdFromUuid(QUuid("not a uuid")), QString());
}

TEST(NetWork, TakesIdNameAndDescriptionFromTheConnection)
{
    TNetWork network(Fake("{A}"));
    EXPECT_EQ(network.Id(), "{A}");
    EXPECT_EQ(network.Name(), "Name {A}");
    EXPECT_EQ(network.Description(), "eth-{A}");
}

TEST(NetWork, ConnectionWithoutPropertiesCannotBeCreated)
{
    auto connection = Fake("{A}");
    connection->PropertiesOk = false;
    try {
        TNetWork network(connection);
        FAIL() << "no exception";
    } catch (const EWayfarelError &e) {
        EXPECT_EQ(e.Message(), "Can not get Adapter Properties!");
    }
}

TEST(NetWork, StatusIsAskedEachTimeAndUnknownWhenUnreadable)
{
    auto connection = Fake("{A}", 100);
    TNetWork network(connection);
    EXPECT_EQ(network.Status(), nsWorking);
    connection->Props.DeviceState = 20;
    EXPECT_EQ(network.Status(), nsOff);
    connection->PropertiesOk = false;
    EXPECT_EQ(network.Status(), nsUnkown);
}

TEST(NetWork, FailedSwitchKeepsTheReasonAndSuccessClearsIt)
{
    auto connection = Fake("{A}");
    TNetWork network(connection);
    connection->ConnectOk = false;
    EXPECT_FALSE(network.Enable());
    EXPECT_EQ(network.LastError(), "connect refused");
    EXPECT_TRUE(network.Disable());
    EXPECT_TRUE(network.LastError().isEmpty());

    connection->ApplyOk = false;
    TConnectionOutcome outcome;
    EXPECT_FALSE(network.Apply({}, outcome));
    EXPECT_EQ(network.LastError(), "settings refused");
}

TEST(NetWork, RestartEnablesOnlyAfterASuccessfulDisable)
{
    auto connection = Fake("{A}");
    TNetWork network(connection);
    EXPECT_TRUE(network.Restart());
    EXPECT_EQ(connection->Connects, 1);

    connection->DisconnectOk = false;
    EXPECT_FALSE(network.Restart());
    EXPECT_EQ(connection->Connects, 1) << "Enable must not run after a failed Disable";
    EXPECT_EQ(network.LastError(), "disconnect refused");

    connection->DisconnectOk = true;
    connection->ConnectOk = false;
    EXPECT_FALSE(network.Restart());
}

TEST(NetWork, WaitUntilSettledAsksTheConnectionAndKeepsItsReason)
{
    auto connection = Fake("{A}");
    TNetWork network(connection);
    EXPECT_TRUE(network.WaitUntilSettled(1234));
    EXPECT_EQ(connection->SettleTimeoutMs, 1234);
    connection->Settles = false;
    EXPECT_FALSE(network.WaitUntilSettled(10));
    EXPECT_EQ(network.LastError(), "still coming up");
}

// Win32_NetworkAdapter with one adapter whose index the test sets, counting the queries.
class TIndexProvider : public IWmiProvider
{
public:
    QString ClassName() const override { return QStringLiteral("Win32_NetworkAdapter"); }
    QList<TWmiObject> Instances() override
    {
        ++Queries;
        return {TWmiObject(ClassName()).Add("GUID", "{A}").Add("InterfaceIndex", Index)};
    }
    int Index = 0, Queries = 0;
};

TEST(NetWork, DevIndexIsAskedOfWmiUntilKnownThenKept)
{
    auto provider = std::make_shared<TIndexProvider>();
    TWmiProviders::Register(provider);
    TNetWork network(Fake("{A}"));
    EXPECT_EQ(network.DevIndex(), 0);
    EXPECT_EQ(network.DevIndex(), 0);
    provider->Index = 7;
    EXPECT_EQ(network.DevIndex(), 7);
    provider->Index = 9;
    EXPECT_EQ(network.DevIndex(), 7);
    EXPECT_EQ(provider->Queries, 3);
    EXPECT_EQ(TNetWork(Fake("{B}")).DevIndex(), 0) << "an adapter WMI does not know";
    TWmiProviders::Reset();
}

TEST(NetWorkList, KeepsTheManagersOrderAndFindsIdsIgnoringCase)
{
    auto manager = ManagerOf({Fake("{BBBB-2}"), Fake("{AAAA-1}"), Fake("{CCCC-3}")});
    TNetWorkList list(*manager);
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Strings(0), "{BBBB-2}");
    EXPECT_EQ(list.Strings(1), "{AAAA-1}");
    EXPECT_EQ(list.Strings(2), "{CCCC-3}");
    EXPECT_EQ(list.GetNetWork("{aaaa-1}"), list.Objects(1));
    EXPECT_EQ(list.GetNetWork("{DDDD-4}"), nullptr);
}

TEST(NetWorkList, DuplicateIdsAreKeptAndTheFirstIsFound)
{
    auto manager = ManagerOf({Fake("{A}"), Fake("{A}")});
    TNetWorkList list(*manager);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_NE(list.Objects(0), list.Objects(1));
    EXPECT_EQ(list.GetNetWork("{a}"), list.Objects(0));
}

TEST(NetWorkList, AddedEntryIsOwnedAndClearObjectsFreesEntriesKeepingLines)
{
    auto manager = ManagerOf({Fake("{A}")});
    TNetWorkList list(*manager);
    auto extra = Fake("{B}");
    list.AddNetWork("{B}", std::make_unique<TNetWork>(extra));
    EXPECT_EQ(extra.use_count(), 2) << "the list's entry holds the connection";
    list.ClearObjects();
    EXPECT_EQ(extra.use_count(), 1) << "ClearObjects freed the entry";
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Strings(1), "{B}");
    EXPECT_EQ(list.GetNetWork("{B}"), nullptr);
}

TEST(NetWorkList, RereadingReplacesTheEntries)
{
    auto manager = ManagerOf({Fake("{A}")});
    TNetWorkList list(*manager);
    list.AddNetWork("{B}", std::make_unique<TNetWork>(Fake("{B}")));
    list.ReadNetWorks();
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Strings(0), "{A}");
}

TEST(NetManager, WithoutNetworkManagerOnTheBusTheKernelInterfacesAreUsed)
{
    const QDBusConnection noBus = QDBusConnection::connectToBus(
        QStringLiteral("unix:path=/nonexistent/wayfarel-bus"), QStringLiteral("nobus"));
    EXPECT_EQ(CreateNetConnectionManager(TNMSettings::OnBus(noBus))->Source(), "kernel");
    QDBusConnection::disconnectFromBus(QStringLiteral("nobus"));
}

TEST(NetManager, WithoutABackendCannotBeCreated)
{
    try {
        TNetManager manager(nullptr);
        FAIL() << "no exception";
    } catch (const EWayfarelError &e) {
        EXPECT_EQ(e.Message(), "Error Create ConnectionManager Instance!");
    }
}

TEST(NetManager, TheProcessWideManagerComesFromTheFactoryOnce)
{
    int made = 0;
    TNetManager::ReleaseInstance();
    TNetManager::SetBackendFactory([&] {
        ++made;
        return std::make_unique<TFakeManager>(TNetConnections{Fake("{A}")});
    });
    TNetWorkList first;
    TNetWorkList second;
    EXPECT_EQ(&TNetManager::GetInstance(), &TNetManager::GetInstance());
    EXPECT_EQ(made, 1);
    EXPECT_EQ(first.Strings(0), "{A}");
    TNetManager::ReleaseInstance();
    TNetManager::SetBackendFactory(nullptr);
}

// A /sys/class/net of the test's making.
class KernelConnections : public ::testing::Test
{
protected:
    void AddInterface(const QString &name, int index, int type = 1, const char *flags = "0x1003",
                      const char *carrier = "1")
    {
        QDir dir(FRoot.path());
        dir.mkpath(name);
        Write(name + "/ifindex", QByteArray::number(index));
        Write(name + "/type", QByteArray::number(type));
        Write(name + "/flags", flags);
        Write(name + "/carrier", carrier);
    }
    void Write(const QString &path, const QByteArray &text)
    {
        QFile file(QDir(FRoot.path()).filePath(path));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text + "\n");
    }

    QTemporaryDir FRoot, FUdev;
};

TEST_F(KernelConnections, ListsEthernetLinksByIndexSkippingLoopbackBridgesAndOthers)
{
    AddInterface("lo", 1, 772);
    AddInterface("wlan0", 5);
    AddInterface("eth1", 3);
    AddInterface("br0", 4);
    QDir(FRoot.path()).mkpath("br0/bridge");
    AddInterface("tun0", 6, 65534);
    TNetManager manager(std::make_unique<TKernelConnectionManager>(FRoot.path(), FUdev.path()));
    TNetWorkList list(manager);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Objects(0)->Name(), "eth1");
    EXPECT_EQ(list.Objects(1)->Name(), "wlan0");
}

TEST_F(KernelConnections, IdIsAStableGuidOfNameAndPermanentMac)
{
    const QString id = TKernelConnection::StableGuid("eth0", "00:11:22:33:44:55");
    const QRegularExpression form("^\\{[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}\\}$");
    EXPECT_TRUE(form.match(id).hasMatch()) << id.toStdString();
    EXPECT_EQ(TKernelConnection::StableGuid("eth0", "00:11:22:33:44:55"), id);
    EXPECT_EQ(TKernelConnection::StableGuid("eth0", "00:aa:bb:cc:dd:ee"),
              TKernelConnection::StableGuid("eth0", "00:AA:BB:CC:DD:EE"));
    EXPECT_NE(TKernelConnection::StableGuid("eth1", "00:11:22:33:44:55"), id);
    EXPECT_NE(TKernelConnection::StableGuid("eth0", "00:11:22:33:44:56"), id);
}

// No driver answers for these names, as in a sandbox: the kernel's own word that the current
// address is the burnt-in one keeps the id the driver's answer would give.
TEST_F(KernelConnections, IdStaysTheSameWhenTheDriverCannotBeAsked)
{
    const struct
    {
        const char *AssignType;
        QString Permanent;
    } Cases[] = {{"0", "02:AA:BB:CC:DD:EE"}, {"1", ""}, {"3", ""}};
    for (const auto &Case : Cases) {
        SCOPED_TRACE(Case.AssignType);
        QDir(FRoot.filePath("wflnodrv0")).removeRecursively();
        AddInterface("wflnodrv0", 2);
        Write("wflnodrv0/address", "02:aa:bb:cc:dd:ee");
        Write("wflnodrv0/addr_assign_type", Case.AssignType);
        TNetManager manager(std::make_unique<TKernelConnectionManager>(FRoot.path(), FUdev.path()));
        TNetWorkList list(manager);
        ASSERT_EQ(list.Count(), 1);
        EXPECT_EQ(list.Objects(0)->Id(), TKernelConnection::StableGuid("wflnodrv0", Case.Permanent));
    }
}

TEST_F(KernelConnections, StatusFollowsLinkFlagsAndCarrier)
{
    AddInterface("eth0", 2);
    TNetManager manager(std::make_unique<TKernelConnectionManager>(FRoot.path(), FUdev.path()));
    TNetWorkList list(manager);
    ASSERT_EQ(list.Count(), 1);
    TNetWork &link = *list.Objects(0);
    EXPECT_EQ(link.Status(), nsWorking);
    Write("eth0/carrier", "0");
    EXPECT_EQ(link.Status(), nsOff);
    Write("eth0/flags", "0x1002");
    EXPECT_EQ(link.Status(), nsDisable);
    QDir(FRoot.filePath("eth0")).removeRecursively();
    EXPECT_EQ(link.Status(), nsUnkown);
}

TEST_F(KernelConnections, DescriptionIsTheUdevProductElseTheName)
{
    AddInterface("eth0", 2);
    AddInterface("eth1", 3);
    QFile db(QDir(FUdev.path()).filePath("n3"));
    ASSERT_TRUE(db.open(QIODevice::WriteOnly));
    db.write("I:1\nE:ID_MODEL=Model\nE:ID_MODEL_FROM_DATABASE=Intel I219-V\n");
    db.close();
    TNetManager manager(std::make_unique<TKernelConnectionManager>(FRoot.path(), FUdev.path()));
    TNetWorkList list(manager);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Objects(0)->Description(), "eth0");
    EXPECT_EQ(list.Objects(1)->Description(), "Intel I219-V");
}

TEST_F(KernelConnections, SwitchingFailsWithAReasonAndChangesNothing)
{
    AddInterface("eth0", 2, 1, "0x1002", "0");
    TNetManager manager(std::make_unique<TKernelConnectionManager>(FRoot.path(), FUdev.path()));
    TNetWorkList list(manager);
    TNetWork &link = *list.Objects(0);
    EXPECT_FALSE(link.Enable());
    EXPECT_FALSE(link.LastError().isEmpty());
    EXPECT_FALSE(link.Restart());
    TConnectionOutcome outcome;
    EXPECT_FALSE(link.Apply({{"auto", {}, {}, {}, {}, false}, {}}, outcome));
    EXPECT_EQ(link.LastError(), "NetworkManager is not running; this adapter cannot be switched");
    EXPECT_EQ(link.Status(), nsDisable);
}

TEST_F(KernelConnections, MissingInterfaceFolderGivesAnEmptyListWithAReason)
{
    TKernelConnectionManager backend(FRoot.filePath("absent"), FUdev.path());
    EXPECT_TRUE(backend.EnumConnections().empty());
    EXPECT_FALSE(backend.LastError().isEmpty());
}
