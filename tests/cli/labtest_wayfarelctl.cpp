// wayfarelctl against the lab's NetworkManager, dnsmasq and cupsd: two stored locations switched
// back and forth, and the refusals that must leave everything as it was.
#include "adapters/IpAddress.h"
#include "app/DBManager.h"
#include "app/ExtRegistry.h"
#include "locations/Location.h"
#include "support/CtlRun.h"
#include "support/Lab.h"
#include "support/NMLab.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSqlQuery>
#include <functional>

namespace {

// Locations here carry no settings modules.
const TModuleTable NoModules;

const QString OfficeId = "0FF1CE0000000000000000000000000A";
const QString HomeId = "H0ME00000000000000000000000000B1";
const QString GoneId = "G0NE00000000000000000000000000C2";
const QString LooseId = "L00SE0000000000000000000000000D3";
const QString BrokenId = "BR0KEN000000000000000000000000E4";

QString AdapterId(const char *UuidKey) { return "{" + TLab::Value(UuidKey).toUpper() + "}"; }

// The MAC in the form the program stores, six dashed upper-case groups.
QString DashedMac(const QString &Mac) { return Mac.toUpper().replace(':', '-'); }

QByteArray FileDigest(const QString &Path)
{
    QFile File(Path);
    if (!File.open(QIODevice::ReadOnly))
        return "absent";
    return QCryptographicHash::hash(File.readAll(), QCryptographicHash::Sha256);
}

// A test world inside the lab: its own data file, registry and HOME, and a CUPS client folder
// of its own, so the user default this test sets is the test's alone (as root, libcups keeps
// it in the client folder, which is /etc/cups unless CUPS_SERVERROOT says otherwise).
class CtlLab : public ::testing::Test
{
protected:
    void SetUp() override
    {
        WAYFAREL_REQUIRE_LAB_UP();
        FHostOptions = FileDigest("/etc/cups/lpoptions");
        ASSERT_TRUE(QDir().mkpath(FRoot.Path() + "/cups"));
        qputenv("CUPS_SERVERROOT", (FRoot.Path() + "/cups").toLocal8Bit());
        qunsetenv("LPDEST");
        qunsetenv("PRINTER");
        InitConnectionString(FRoot.DataFolder());
        SetLocationConnection(GetConnection());
        StoreOffice();
        StoreHome();
        StoreLocation(GoneId, "Gone", "{0BADF00D-0000-0000-0000-000000000000}", "Lab_Home_Inkjet",
                      [](TIPAddress &Ip) {
                          Ip.SetEnableDHCP(true);
                          Ip.SetAutoGetDNS(true);
                      });
        StoreLocation(LooseId, "Loose", "", "Lab_Home_Inkjet");
        CloseConnection();
    }

    void TearDown() override
    {
        CloseConnection();
        qunsetenv("CUPS_SERVERROOT");
        if (!TLab::IsUp())
            return;
        for (const char *Profile : {"STATIC_PROFILE", "DHCP_PROFILE"})
            TLab::Run({"nmcli", "connection", "down", TLab::Value(Profile)});
        TLab::Run({"ip", "neigh", "flush", "dev", TLab::Value("CLIENT_IF")});
        EXPECT_EQ(FileDigest("/etc/cups/lpoptions"), FHostOptions)
            << "the machine's own printer default must stay untouched";
    }

    static void StoreLocation(const QString &Id, const QString &Name, const QString &NetId,
                              const QString &Printer, const std::function<void(TIPAddress &)> &SetIp = {})
    {
        TLocation Location(Id, NoModules);
        Location.SetLocName(Name);
        Location.SetNetId(NetId);
        Location.SetPrinter(Printer);
        Location.Save();
        if (!SetIp)
            return;
        TIPAddress &Ip = *Location.IpAddress();
        SetIp(Ip);
        EXPECT_TRUE(Ip.Save()) << Ip.LastError().toStdString();
    }

    static void StoreOffice()
    {
        StoreLabOffice(OfficeId, NoModules, "Lab_Office_Laser", [](TIPAddress &Ip) {
            Ip.SetMainDNS(TLab::Value("PEER_IP"));
            Ip.SetAutoRepair(true);
            Ip.SetGWMacAddr(DashedMac(TLab::Value("PEER_MAC")));
        });
    }

    static void StoreHome() { StoreLabHome(HomeId, NoModules, "Lab_Home_Inkjet"); }

    TCtlRun Ctl(const QStringList &Args) { return RunCtl(QStringList{"--data", FRoot.DataFolder()} + Args); }

    static QString CurrentLocId()
    {
        TExtRegistry Registry(HKEY_LOCAL_MACHINE);
        return Registry.OpenKeyReadOnly("\\SOFTWARE\\Brackwell\\Portolan")
                   ? Registry.ReadStringDef("CurrentLocId", "none")
                   : QStringLiteral("none");
    }

    static QString DefaultPrinter() { return TLab::Run({"lpstat", "-d"}).Output.trimmed(); }

    static QString LinkAddresses()
    {
        return TLab::Run({"ip", "-o", "-4", "addr", "show", TLab::Value("CLIENT_IF")}).Output;
    }

    static QString ActiveProfile()
    {
        return TLab::Run(
                   {"nmcli", "-t", "-g", "GENERAL.CONNECTION", "device", "show", TLab::Value("CLIENT_IF")})
            .Output.trimmed();
    }

    static QString ProfileSetting(const char *Profile, const char *Setting)
    {
        return TLab::Run({"nmcli", "-g", Setting, "connection", "show", TLab::Value(Profile)})
            .Output.trimmed();
    }

    void ExpectOffice(const TCtlRun &Run)
    {
        EXPECT_EQ(Run.Code, 0) << Run.Err.toStdString();
        EXPECT_EQ(Run.Out, OfficeId + "\tOffice\n");
        EXPECT_EQ(ActiveProfile(), TLab::Value("STATIC_PROFILE"));
        EXPECT_TRUE(LinkAddresses().contains("inet " + TLab::Value("STATIC_IP") + "/24"))
            << LinkAddresses().toStdString();
        EXPECT_EQ(ProfileSetting("STATIC_PROFILE", "ipv4.gateway"), TLab::Value("PEER_IP"));
        EXPECT_EQ(ProfileSetting("STATIC_PROFILE", "ipv4.dns"), TLab::Value("PEER_IP"));
        const QString Binding = TLab::Value("PEER_MAC").toLower() + " PERMANENT";
        EXPECT_TRUE(TLab::WaitFor(
            [&] {
                return TLab::Run(
                           {"ip", "neigh", "show", TLab::Value("PEER_IP"), "dev", TLab::Value("CLIENT_IF")})
                    .Output.contains(Binding);
            },
            5000))
            << "the gateway's static binding";
        EXPECT_EQ(DefaultPrinter(), "system default destination: Lab_Office_Laser");
        EXPECT_EQ(CurrentLocId(), OfficeId);
    }

    void ExpectHome(const TCtlRun &Run)
    {
        EXPECT_EQ(Run.Code, 0) << Run.Err.toStdString();
        EXPECT_EQ(Run.Out, HomeId + "\tHome\n");
        EXPECT_EQ(ActiveProfile(), TLab::Value("DHCP_PROFILE"));
        const QRegularExpression Leased(R"(inet 10\.200\.0\.(\d+)/24)");
        QRegularExpressionMatch Match;
        EXPECT_TRUE(TLab::WaitFor([&] { return (Match = Leased.match(LinkAddresses())).hasMatch(); }, 15000))
            << LinkAddresses().toStdString();
        EXPECT_GE(Match.captured(1).toInt(), TLab::Value("DHCP_FIRST").section('.', 3).toInt());
        EXPECT_LE(Match.captured(1).toInt(), TLab::Value("DHCP_LAST").section('.', 3).toInt());
        EXPECT_EQ(DefaultPrinter(), "system default destination: Lab_Home_Inkjet");
        EXPECT_EQ(CurrentLocId(), HomeId);
    }

    TTestRoot FRoot;
    QByteArray FHostOptions;
};

} // namespace

TEST_F(CtlLab, SwitchesBetweenOfficeAndHomeBackAndForth)
{
    ExpectOffice(Ctl({"switch", "Office"}));
    ExpectHome(Ctl({"switch", "Home"}));
    ExpectOffice(Ctl({"switch", OfficeId}));
    ExpectHome(Ctl({"switch", HomeId}));

    const TCtlRun List = Ctl({"list"});
    EXPECT_EQ(List.Code, 0) << List.Err.toStdString();
    EXPECT_TRUE(List.Out.contains("*\t" + HomeId + "\tHome\t")) << List.Out.toStdString();
    EXPECT_EQ(Ctl({"current"}).Out, HomeId + "\tHome\n");
}

// Each refusal is checked after a good switch to Office: nothing of it may move.
TEST_F(CtlLab, RefusedSwitchChangesNothing)
{
    ExpectOffice(Ctl({"switch", "Office"}));
    const struct
    {
        const char *Location;
        const char *Says;
    } Cases[] = {
        {"Nowhere", "no location \"Nowhere\""},
        {"Loose", "has no adapter"},
    };
    for (const auto &Case : Cases) {
        SCOPED_TRACE(Case.Location);
        const TCtlRun Run = Ctl({"switch", Case.Location});
        EXPECT_EQ(Run.Code, 1);
        EXPECT_TRUE(Run.Err.contains(Case.Says)) << Run.Err.toStdString();
        EXPECT_EQ(Run.Out, "");
        EXPECT_EQ(CurrentLocId(), OfficeId);
        EXPECT_EQ(DefaultPrinter(), "system default destination: Lab_Office_Laser");
        EXPECT_EQ(ActiveProfile(), TLab::Value("STATIC_PROFILE"));
    }
}

// --verbose tells what each step changed: the printer, the connection, the gateway binding.
TEST_F(CtlLab, VerboseSwitchSaysWhatEachStepChanged)
{
    ExpectHome(Ctl({"switch", "Home"}));
    const TCtlRun ToOffice = Ctl({"switch", "--verbose", "Office"});
    EXPECT_EQ(ToOffice.Code, 0) << ToOffice.Err.toStdString();
    const QString Link = TLab::Value("CLIENT_IF");
    for (const QString &Said :
         {QStringLiteral("wayfarelctl: printer: done (default printer \"Lab_Office_Laser\")"),
          QStringLiteral("wayfarelctl: adapter: done (connection \"%1\" ").arg(TLab::Value("STATIC_PROFILE")),
          QStringLiteral("activated"),
          QStringLiteral("gateway %1 bound to %2 on %3")
              .arg(TLab::Value("PEER_IP"), DashedMac(TLab::Value("PEER_MAC")), Link)})
        EXPECT_TRUE(ToOffice.Err.contains(Said)) << Said.toStdString() << "\n" << ToOffice.Err.toStdString();
}

// A location whose adapter has gone still applies its printer and modules, then fails naming the
// adapter step; --verbose tells every step as it ends.
TEST_F(CtlLab, MissingAdapterFailsItsStepAfterTheOthersRan)
{
    ExpectOffice(Ctl({"switch", "Office"}));
    const TCtlRun Run = Ctl({"switch", "--verbose", "Gone"});
    EXPECT_EQ(Run.Code, 1);
    EXPECT_TRUE(Run.Err.contains("wayfarelctl: check: done")) << Run.Err.toStdString();
    EXPECT_TRUE(Run.Err.contains("wayfarelctl: printer: done")) << Run.Err.toStdString();
    EXPECT_TRUE(
        Run.Err.contains("wayfarelctl: adapter: failed: Adapter \"{0BADF00D-0000-0000-0000-000000000000}\" "
                         "not found"))
        << Run.Err.toStdString();
    EXPECT_TRUE(Run.Err.contains("switching to \"Gone\" failed: adapter: ")) << Run.Err.toStdString();
    EXPECT_EQ(CurrentLocId(), OfficeId);
    EXPECT_EQ(DefaultPrinter(), "system default destination: Lab_Home_Inkjet");
    EXPECT_EQ(ActiveProfile(), TLab::Value("STATIC_PROFILE"));
}

// A malformed location is refused with every reason before anything on the system changes.
TEST_F(CtlLab, MalformedLocationIsRefusedBeforeAnyStep)
{
    SetLocationConnection(GetConnection());
    StoreLocation(BrokenId, "Broken", AdapterId("STATIC_UUID"), "Lab_Office_Laser", [](TIPAddress &Ip) {
        Ip.SetIPAddr("10.200.0.256");
        Ip.SetSubnetMask("255.255.255.0");
        Ip.SetGateWay("999.1.1.1");
        Ip.SetMacAddr("zz-zz");
    });
    CloseConnection();
    ExpectHome(Ctl({"switch", "Home"}));
    const TCtlRun Run = Ctl({"switch", "--verbose", "Broken"});
    EXPECT_EQ(Run.Code, 1);
    EXPECT_TRUE(Run.Err.contains("switching to \"Broken\" failed: check: nothing was changed: "))
        << Run.Err.toStdString();
    for (const char *Reason : {"\"10.200.0.256\"", "\"999.1.1.1\"", "\"zz-zz\""})
        EXPECT_TRUE(Run.Err.contains(Reason)) << Reason;
    EXPECT_FALSE(Run.Err.contains("printer: ")) << "no step after the check ran";
    EXPECT_EQ(Run.Out, "");
    EXPECT_EQ(CurrentLocId(), HomeId);
    EXPECT_EQ(DefaultPrinter(), "system default destination: Lab_Home_Inkjet");
    EXPECT_EQ(ActiveProfile(), TLab::Value("DHCP_PROFILE"));
}

TEST_F(CtlLab, AdaptersListsTheLabProfiles)
{
    const TCtlRun Run = Ctl({"adapters"});
    ASSERT_EQ(Run.Code, 0) << Run.Err.toStdString();
    EXPECT_TRUE(Run.Out.contains(AdapterId("STATIC_UUID") + "\t" + TLab::Value("STATIC_PROFILE") + "\t" +
                                 TLab::Value("CLIENT_IF") + "\tdisabled\tswitchable\n"))
        << Run.Out.toStdString();
    EXPECT_TRUE(Run.Out.contains(AdapterId("DHCP_UUID") + "\t" + TLab::Value("DHCP_PROFILE")))
        << Run.Out.toStdString();
}

// What a switch gives the desktop proxy and Firefox's profile, an import takes back.
TEST_F(CtlLab, ProxiesImportBackWhatTheSwitchSet)
{
    const QDir Firefox(QDir::home().filePath(".mozilla/firefox"));
    ASSERT_TRUE(Firefox.mkpath("p1.default-esr"));
    for (const auto &[Name, Text] :
         {std::pair{"profiles.ini", "[Profile0]\nName=default-esr\nIsRelative=1\n"
                                    "Path=p1.default-esr\n\n[Install3B6073811A6ABF12]\n"
                                    "Default=p1.default-esr\n"},
          std::pair{"p1.default-esr/prefs.js", "user_pref(\"browser.startup\", 1);\n"}}) {
        QFile File(Firefox.filePath(Name));
        ASSERT_TRUE(File.open(QIODevice::WriteOnly));
        File.write(Text);
    }
    SetLocationConnection(GetConnection());
    for (const QString &Row :
         {"INSERT INTO IE_PROXY (LOC_ID, ENABLE_PROXY, HTTP, SECURE, NO_PROXIES_ON) VALUES "
          "('" +
              OfficeId + "', 1, '10.200.0.1:3128', '10.200.0.1:3129', '<local>;*.lab')",
          "INSERT INTO FIREFOX_PROXY (LOC_ID, PROXY_TYPE, HTTP, SECURE, NO_PROXIES_ON) VALUES "
          "('" +
              OfficeId + "', 3, '10.200.0.1:8080', '10.200.0.1:8443', 'localhost')"})
        ASSERT_TRUE(QSqlQuery(GetConnection()).exec(Row)) << Row.toStdString();
    CloseConnection();

    ExpectOffice(Ctl({"switch", "Office"}));
    const TCtlRun Import = Ctl({"import", "Back", TLab::Value("STATIC_PROFILE")});
    ASSERT_EQ(Import.Code, 0) << Import.Err.toStdString();
    const QStringList Lines = Ctl({"show", "Back"}).Lines();
    for (const char *Expected :
         {"IE proxy ENABLE_PROXY\tyes", "IE proxy HTTP\t10.200.0.1:3128", "IE proxy SECURE\t10.200.0.1:3129",
          "IE proxy NO_PROXIES_ON\t<local>;*.lab", "Firefox proxy PROXY_TYPE\t3",
          "Firefox proxy HTTP\t10.200.0.1:8080", "Firefox proxy SECURE\t10.200.0.1:8443"})
        EXPECT_TRUE(Lines.contains(QString(Expected))) << Expected << "\n" << Lines.join('\n').toStdString();
}

TEST_F(CtlLab, ImportStoresTheRunningAdapterAndTheDefaultPrinter)
{
    ExpectOffice(Ctl({"switch", "Office"}));
    const TCtlRun Import = Ctl({"import", "Imported office", TLab::Value("STATIC_PROFILE")});
    ASSERT_EQ(Import.Code, 0) << Import.Err.toStdString();
    EXPECT_EQ(Import.Err, "") << "no warning: the adapter's settings were imported";
    const QStringList Record = Import.Out.trimmed().split('\t');
    ASSERT_EQ(Record.size(), 2) << Import.Out.toStdString();
    EXPECT_EQ(Record.at(0).size(), 32);
    EXPECT_EQ(Record.at(1), "Imported office");

    const TCtlRun Show = Ctl({"show", Record.at(0)});
    ASSERT_EQ(Show.Code, 0) << Show.Err.toStdString();
    const QStringList Lines = Show.Out.split('\n');
    for (const QString &Expected : QStringList{
             "Name\tImported office", "Description\tImported office", "Adapter\t" + AdapterId("STATIC_UUID"),
             "Printer\tLab_Office_Laser", "DHCP\tno", "IP address\t" + TLab::Value("STATIC_IP"),
             "Subnet mask\t255.255.255.0", "Gateway\t" + TLab::Value("PEER_IP"), "Automatic DNS\tno",
             "DNS 1\t" + TLab::Value("PEER_IP"), "Gateway MAC\t" + DashedMac(TLab::Value("PEER_MAC")),
             "Gateway binding\tno", "Current\tno"})
        EXPECT_TRUE(Lines.contains(Expected)) << Expected.toStdString() << "\n" << Show.Out.toStdString();

    TExtRegistry Registry(HKEY_LOCAL_MACHINE);
    QStringList Ids;
    ASSERT_TRUE(Registry.OpenKeyReadOnly("\\SOFTWARE\\Brackwell\\Portolan"));
    Registry.ReadStrings("LocIds", Ids);
    EXPECT_TRUE(Ids.contains(Record.at(0))) << "the mirror lists the new location";
    EXPECT_EQ(Ids.size(), 5);
}

TEST_F(CtlLab, ImportOfAnUnknownAdapterStoresNothing)
{
    const TCtlRun Run = Ctl({"import", "Nothing", "no-such-adapter"});
    EXPECT_EQ(Run.Code, 1);
    EXPECT_TRUE(Run.Err.contains("no adapter \"no-such-adapter\"")) << Run.Err.toStdString();
    const TCtlRun List = Ctl({"list"});
    EXPECT_EQ(List.Out.count('\n'), 4) << List.Out.toStdString();
}
