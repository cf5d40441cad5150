// The WMI classes against the lab: NetworkManager's profiles on the lab link and its cupsd.
#include "adapters/NetMgr.h"
#include "adapters/Network.h"
#include "adapters/WMI.h"
#include "platform/printing/Printers.h"
#include "support/EventLoop.h"
#include "support/NMLab.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <net/if.h>

namespace {

QString AdapterId(const char *uuidKey) { return NMLab::StandingId(uuidKey); }

QString Condition(const char *uuidKey) { return "SettingID='" + AdapterId(uuidKey) + "'"; }

int LinkIndex() { return static_cast<int>(if_nametoindex(TLab::Value("CLIENT_IF").toLatin1().constData())); }

// Queries with both lab profiles down at the start and the end.
class WmiLab : public ::testing::Test
{
protected:
    void SetUp() override
    {
        WAYFAREL_REQUIRE_LAB_UP();
        EventLoopApplication();
        NMLab::RestoreLink();
        FList = std::make_unique<TNetWorkList>();
    }

    void TearDown() override
    {
        FList.reset();
        if (TLab::IsUp())
            NMLab::RestoreLink();
    }

    TNetWork &Network(const char *uuidKey)
    {
        TNetWork *network = FList->GetNetWork(AdapterId(uuidKey));
        if (!network)
            throw EWayfarelError("lab profile missing from the list");
        return *network;
    }

    std::unique_ptr<TNetWorkList> FList;
};

} // namespace

TEST_F(WmiLab, NetworkAdapterGivesTheLinksIndexForEveryProfile)
{
    for (const char *uuid : {"STATIC_UUID", "DHCP_UUID"}) {
        const QString guid = "GUID='" + AdapterId(uuid) + "'";
        EXPECT_EQ(WmiQueryValue("Win32_NetworkAdapter", "InterfaceIndex", guid).toInt(), LinkIndex()) << uuid;
        EXPECT_EQ(WmiQueryValue("Win32_NetworkAdapter", "MACAddress", guid),
                  TLab::Value("CLIENT_MAC").toUpper());
        EXPECT_EQ(Network(uuid).DevIndex(), LinkIndex());
    }
    EXPECT_EQ(WmiQueryValue("Win32_NetworkAdapter", "InterfaceIndex",
                            "GUID='{00000000-0000-0000-0000-000000000000}'"),
              "");
}

TEST_F(WmiLab, ActiveStaticProfileShowsWhatTheLinkHas)
{
    ASSERT_TRUE(Network("STATIC_UUID").Enable()) << Network("STATIC_UUID").LastError().toStdString();
    const TWmiObjectPtr config =
        WmiQueryObject("Win32_NetworkAdapterConfiguration", Condition("STATIC_UUID"));
    ASSERT_NE(config, nullptr);
    QStringList dns;
    WmiPropertyList(config.get(), "DNSServerSearchOrder", &dns);
    EXPECT_EQ(WmiPropertyText(config.get(), "IPAddress"), TLab::Value("STATIC_IP"));
    EXPECT_EQ(WmiPropertyText(config.get(), "IPSubnet"), "255.255.255.0");
    EXPECT_EQ(WmiPropertyText(config.get(), "DefaultIPGateway"), TLab::Value("PEER_IP"));
    EXPECT_EQ(WmiPropertyText(config.get(), "DHCPEnabled"), "False");
    EXPECT_EQ(dns, QStringList{TLab::Value("PEER_IP")});
    EXPECT_EQ(WmiPropertyText(config.get(), "MACAddress"), TLab::Value("CLIENT_MAC").toUpper());
    EXPECT_EQ(WmiPropertyText(config.get(), "InterfaceIndex").toInt(), LinkIndex());

    TNetworkAdapterConfiguration adapter(AdapterId("STATIC_UUID"));
    EXPECT_EQ(adapter.IpAddress(), TLab::Value("STATIC_IP"));
    EXPECT_EQ(adapter.Gateway(), TLab::Value("PEER_IP"));
    EXPECT_FALSE(adapter.DHCPEnabled());
    EXPECT_EQ(adapter.Dns1(), TLab::Value("PEER_IP"));
    EXPECT_EQ(adapter.Dns2(), "");
    EXPECT_EQ(adapter.MACAddress(), TLab::Value("CLIENT_MAC").toUpper().replace(':', '-'));

    TNetWork &office = Network("STATIC_UUID");
    EXPECT_EQ(office.Ip(), TLab::Value("STATIC_IP"));
    EXPECT_EQ(office.GetCurrentMAC(), TLab::Value("CLIENT_MAC").toUpper());
    EXPECT_EQ(Network("DHCP_UUID").Ip(), TLab::Value("STATIC_IP")) << "the same link";
}

TEST_F(WmiLab, ActiveDhcpProfileShowsItsLease)
{
    ASSERT_TRUE(Network("DHCP_UUID").Enable()) << Network("DHCP_UUID").LastError().toStdString();
    TNetworkAdapterConfiguration adapter(AdapterId("DHCP_UUID"));
    EXPECT_TRUE(adapter.DHCPEnabled());
    const QString ip = adapter.IpAddress();
    EXPECT_TRUE(ip.startsWith("10.200.0.1")) << ip.toStdString();
    EXPECT_GE(ip.section('.', 3).toInt(), TLab::Value("DHCP_FIRST").section('.', 3).toInt());
    EXPECT_LE(ip.section('.', 3).toInt(), TLab::Value("DHCP_LAST").section('.', 3).toInt());
    EXPECT_EQ(adapter.SubNet(), "255.255.255.0");
    EXPECT_EQ(adapter.Gateway(), TLab::Value("PEER_IP"));
    EXPECT_EQ(adapter.Dns1(), TLab::Value("PEER_IP"));
    EXPECT_EQ(Network("DHCP_UUID").Ip(), ip);
}

TEST_F(WmiLab, InactiveProfilesShowTheirSavedSettingsAndTheLinkItsOwn)
{
    TNetworkAdapterConfiguration office(AdapterId("STATIC_UUID"));
    EXPECT_EQ(office.IpAddress(), TLab::Value("STATIC_IP"));
    EXPECT_EQ(office.SubNet(), "255.255.255.0");
    EXPECT_EQ(office.Gateway(), TLab::Value("PEER_IP"));
    EXPECT_EQ(office.Dns1(), TLab::Value("PEER_IP"));
    TNetworkAdapterConfiguration home(AdapterId("DHCP_UUID"));
    EXPECT_TRUE(home.DHCPEnabled());
    EXPECT_EQ(home.IpAddress(), "");
    EXPECT_EQ(home.Dns1(), "");
    EXPECT_EQ(Network("STATIC_UUID").Ip(), "") << "no profile is active: the link has no address";
    EXPECT_EQ(Network("STATIC_UUID").GetCurrentMAC(), TLab::Value("CLIENT_MAC").toUpper());
}

// A profile that no device can take has no interface index: it must not answer with the data of
// another such profile, which a query by index 0 would find.
TEST_F(WmiLab, AProfileWithoutADeviceHasNoAddressAndNoMac)
{
    TNMLabProfile first("wfl-nowhere-a", {"ipv4.method", "manual", "ipv4.addresses", "10.9.9.9/24"},
                        "wflnone");
    TNMLabProfile second("wfl-nowhere-b", {"ipv4.method", "auto"}, "wflnone");
    ASSERT_TRUE(first.IsMade() && second.IsMade())
        << first.Error().toStdString() << second.Error().toStdString();
    ASSERT_TRUE(Network("STATIC_UUID").Enable());
    TNetManager::GetInstance().Refresh();
    TNetWorkList list;
    for (const TNMLabProfile *profile : {&first, &second}) {
        TNetWork *network = list.GetNetWork(profile->Id());
        ASSERT_NE(network, nullptr) << profile->Name().toStdString();
        EXPECT_EQ(network->DevIndex(), 0);
        EXPECT_EQ(network->Ip(), "") << profile->Name().toStdString();
        EXPECT_EQ(network->GetCurrentMAC(), "") << profile->Name().toStdString();
    }
    EXPECT_EQ(Network("STATIC_UUID").Ip(), TLab::Value("STATIC_IP")) << "the active one still answers";
}

namespace {

// The lab's cupsd with a HOME of its own for the user's lpoptions. CUPS reads HOME once per
// thread, so the suite sets it before the first CUPS call and every test empties it.
class PrinterLab : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        FHome = new QTemporaryDir;
        FSaved = {qgetenv("HOME"), qgetenv("CUPS_SERVERROOT")};
        qputenv("HOME", FHome->path().toLocal8Bit());
        qputenv("CUPS_SERVERROOT", FHome->path().toLocal8Bit());
    }

    static void TearDownTestSuite()
    {
        qputenv("HOME", FSaved.first);
        qputenv("CUPS_SERVERROOT", FSaved.second);
        delete FHome;
    }

    void SetUp() override
    {
        WAYFAREL_REQUIRE_LAB_UP();
        QDir(FHome->path() + "/.cups").removeRecursively();
    }

    static QStringList Queues() { return TLab::Value("PRINTERS").split(','); }

    static inline QTemporaryDir *FHome = nullptr;
    static inline QPair<QByteArray, QByteArray> FSaved;
};

} // namespace

TEST_F(PrinterLab, WithoutADefaultTheNameIsEmpty)
{
    QList<TPrinterInfo> printers;
    QString reason;
    ASSERT_TRUE(InstalledPrinters(printers, &reason)) << reason.toStdString();
    QStringList names;
    for (const TPrinterInfo &printer : printers) {
        names.append(printer.Name);
        EXPECT_FALSE(printer.Default) << printer.Name.toStdString();
    }
    names.sort();
    QStringList expected = Queues();
    expected.sort();
    EXPECT_EQ(names, expected);
    EXPECT_EQ(GetDefaultPrinterName(), "");
    EXPECT_EQ(DefaultPrinterName(), "");
    QList<QStringList> objects;
    ASSERT_TRUE(WmiQueryObjects("Win32_Printer", "", objects));
    EXPECT_EQ(objects.size(), Queues().size());
}

TEST_F(PrinterLab, TheChosenDefaultIsTheUsersDefaultDestination)
{
    for (const QString &queue : Queues()) {
        QString reason;
        ASSERT_TRUE(SetDefaultPrinter(queue, &reason)) << reason.toStdString();
        EXPECT_EQ(GetDefaultPrinterName(), queue);
        EXPECT_EQ(WmiQueryValue("Win32_Printer", "Name", "Default=True"), queue);
        const auto lpstat = TLab::Run({"lpstat", "-d"});
        EXPECT_TRUE(lpstat.Output.contains(queue)) << "lpstat agrees: " << lpstat.Output.toStdString();
    }
    EXPECT_TRUE(QFile::exists(FHome->path() + "/.cups/lpoptions")) << "kept in the user's own options";
}

TEST_F(PrinterLab, AnUnknownQueueIsRefusedAndTheDefaultStays)
{
    ASSERT_TRUE(SetDefaultPrinter(Queues().first()));
    for (const char *name : {"No_Such_Queue", ""}) {
        QString reason;
        EXPECT_FALSE(SetDefaultPrinter(name, &reason)) << name;
        EXPECT_TRUE(reason.contains(name)) << reason.toStdString();
        EXPECT_EQ(GetDefaultPrinterName(), Queues().first());
    }
}
