#include "app/DBManager.h"
#include "locations/FuncDef.h"
#include "modules/BitCometProxy.h"
#include "modules/FireFoxProxy.h"
#include "modules/FoxMailProxy.h"
#include "modules/ICQProxy.h"
#include "modules/IEProxy.h"
#include "modules/MSNProxy.h"
#include "modules/ProgramModules.h"
#include "modules/SkypeProxy.h"
#include "modules/eMuleProxy.h"
#include "sharing/FolderShare.h"
#include "sharing/NetMapping.h"
#include "support/DatabaseTest.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <functional>

namespace {

const QString LocId = QStringLiteral("MODULEROWSTEST000000000000000001");
const QString OtherLocId = QStringLiteral("MODULEROWSTEST000000000000000002");
const QString NeverStoredId = QStringLiteral("MODULEROWSTEST000000000000000003");

// One module's row: how it is filled, the columns its table holds afterwards (as SQL reads them,
// LOC_ID left out), and the table of the location's other rows that Remove takes first.
struct TModuleRowCase
{
    const char *Name;
    TModuleKind Kind;
    std::function<void(TCustomProxy &)> Fill;
    QString Table;
    QStringList Columns;
    QString RemovedFirst;
};

void PrintTo(const TModuleRowCase &Case, std::ostream *Out) { *Out << Case.Name; }

// A filling written against the module's own class.
template <class TModule>
std::function<void(TCustomProxy &)> Filling(void (*Fill)(TModule &))
{
    return [Fill](TCustomProxy &Module) {
        auto *Typed = dynamic_cast<TModule *>(&Module);
        ASSERT_NE(Typed, nullptr) << "the table makes another class for this kind";
        Fill(*Typed);
    };
}

std::unique_ptr<TCustomProxy> Create(TModuleKind Kind, const QString &Id)
{
    const TModuleDescriptor *Line = FindModule(ProgramModules(), Kind);
    return Line ? Line->Create(Id) : nullptr;
}

class ModuleRows : public TDatabaseTest, public testing::WithParamInterface<TModuleRowCase>
{
protected:
    void SetUp() override
    {
        TDatabaseTest::SetUp();
        // Load and Save touch the row only while the catalogue switches the module on.
        Exec("UPDATE FUNC_DEF SET FUNC_EANBLED=1");
    }
    void TearDown() override
    {
        TDatabaseTest::TearDown();
        TFuncDefine::FreeInstance();
    }

    // Every column of the location's row but LOC_ID, as "COLUMN=value"; empty without a row.
    static QStringList StoredRow(const QString &Table, const QString &Id)
    {
        QSqlQuery Query(GetConnection());
        Query.prepare(QStringLiteral("SELECT * FROM %1 WHERE LOC_ID=?").arg(Table));
        Query.addBindValue(Id);
        EXPECT_TRUE(Query.exec()) << Table.toStdString();
        QStringList Columns;
        if (!Query.next())
            return Columns;
        const QSqlRecord Record = Query.record();
        for (int I = 0; I < Record.count(); ++I)
            if (Record.fieldName(I).compare(QLatin1String("LOC_ID"), Qt::CaseInsensitive) != 0)
                Columns.append(Record.fieldName(I).toUpper() + '=' + Record.value(I).toString());
        return Columns;
    }

    static int RowsOf(const QString &Table, const QString &Id)
    {
        QSqlQuery Query(GetConnection());
        Query.prepare(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE LOC_ID=?").arg(Table));
        Query.addBindValue(Id);
        return Query.exec() && Query.next() ? Query.value(0).toInt() : -1;
    }
};

} // namespace

// Save, reload, compare, remove: the row holds every field, comes back whole, and goes with
// the location while another location's row stays.
TEST_P(ModuleRows, ComeBackWithTheLocationAndGoWithIt)
{
    const TModuleRowCase &Case = GetParam();
    const auto Filled = Create(Case.Kind, LocId);
    ASSERT_NE(Filled, nullptr);
    Case.Fill(*Filled);
    ASSERT_TRUE(Filled->Save()) << Filled->LastError().toStdString();
    EXPECT_EQ(StoredRow(Case.Table, LocId), Case.Columns);

    const auto Loaded = Create(Case.Kind, LocId);
    EXPECT_EQ(Loaded->StoredFields(), Filled->StoredFields());

    const auto Other = Create(Case.Kind, OtherLocId);
    Case.Fill(*Other);
    ASSERT_TRUE(Other->Save());
    if (!Case.RemovedFirst.isEmpty()) {
        Exec(QStringLiteral("INSERT INTO %1 (ID, LOC_ID) VALUES ('MODULEROWSTESTITEM', '%2')")
                 .arg(Case.RemovedFirst, LocId));
    }

    ASSERT_TRUE(Loaded->Remove()) << Loaded->LastError().toStdString();
    EXPECT_EQ(RowsOf(Case.Table, LocId), 0);
    if (!Case.RemovedFirst.isEmpty()) {
        EXPECT_EQ(RowsOf(Case.RemovedFirst, LocId), 0);
    }
    EXPECT_EQ(StoredRow(Case.Table, OtherLocId), Case.Columns);
    EXPECT_EQ(Create(Case.Kind, LocId)->StoredFields(), Create(Case.Kind, NeverStoredId)->StoredFields())
        << "a removed location's module starts from the defaults";
}

INSTANTIATE_TEST_SUITE_P(
    EveryModule, ModuleRows,
    testing::Values(TModuleRowCase{"IE",
                                   TModuleKind::IE,
                                   Filling<TIEProxy>([](TIEProxy &Module) {
                                       Module.SetEnableProxy(true);
                                       Module.SetHttp("10.0.0.1:80");
                                       Module.SetSecure("10.0.0.2:443");
                                       Module.SetFtp("10.0.0.3:21");
                                       Module.SetGopher("10.0.0.4:70");
                                       Module.SetSocket("10.0.0.5:1080");
                                       Module.SetShareProxy(true);
                                       Module.SetNoProxies("<Local>;*.corp.test");
                                   }),
                                   "IE_PROXY",
                                   {"ENABLE_PROXY=1", "HTTP=10.0.0.1:80", "SECURE=10.0.0.2:443",
                                    "FTP=10.0.0.3:21", "GOPHER=10.0.0.4:70", "SOCKTS=10.0.0.5:1080",
                                    "SHARE_PROXY_SETTINGS=1", "NO_PROXIES_ON=<Local>;*.corp.test"},
                                   {}},
                    TModuleRowCase{"Firefox",
                                   TModuleKind::Firefox,
                                   Filling<TFireFoxProxy>([](TFireFoxProxy &Module) {
                                       Module.SetProxyType(3);
                                       Module.SetHttp("proxy.lan:3128");
                                       Module.SetSecure("tls.lan:8443");
                                       Module.SetFtp("ftp.lan:21");
                                       Module.SetGopher("go.lan:70");
                                       Module.SetSocket("socks.lan:1080");
                                       Module.SetShareProxy(true);
                                       Module.SetNoProxies("localhost, .corp.test");
                                       Module.SetAutoSeetings("http://wpad.test/p.pac");
                                       Module.SetSocksType(2);
                                   }),
                                   "FIREFOX_PROXY",
                                   {"PROXY_TYPE=3", "HTTP=proxy.lan:3128", "SECURE=tls.lan:8443",
                                    "FTP=ftp.lan:21", "GOPHER=go.lan:70", "SOCKTS=socks.lan:1080",
                                    "SHARE_PROXY_SETTINGS=1", "NO_PROXIES_ON=localhost, .corp.test",
                                    "AUTO_SETTINGS=http://wpad.test/p.pac", "SOCKS_TYPE=2"},
                                   {}},
                    TModuleRowCase{"FolderShares",
                                   TModuleKind::FolderShare,
                                   Filling<TFolderShareProxy>([](TFolderShareProxy &Module) {
                                       Module.SetEnableProxy(true);
                                   }),
                                   "FS_PROXY",
                                   {"ENABLE_PROXY=1"},
                                   "FOLDER_SHARE"},
                    TModuleRowCase{"NetworkDrives",
                                   TModuleKind::NetMapping,
                                   Filling<TNetMappingProxy>([](TNetMappingProxy &Module) {
                                       Module.SetEnableProxy(true);
                                   }),
                                   "MAPPING_PROXY",
                                   {"ENABLE_PROXY=1"},
                                   "NET_MAPPING"},
                    TModuleRowCase{"Foxmail",
                                   TModuleKind::Foxmail,
                                   Filling<TFoxMailProxy>([](TFoxMailProxy &Module) {
                                       Module.SetEnableProxy(true);
                                       Module.SetProxyType(2);
                                       Module.SetServer("10.0.0.7");
                                       Module.SetPort(1080);
                                       Module.SetUser("alice");
                                       Module.SetPwd("secret");
                                   }),
                                   "FOXMAIL_PROXY",
                                   {"ENABLE_PROXY=1", "PROXY_TYPE=2", "PROXY_SERVER=10.0.0.7",
                                    "PROXY_PORT=1080", "PROXY_USER=alice", "PROXY_PWD=secret"},
                                   {}},
                    TModuleRowCase{"MSN",
                                   TModuleKind::MSN,
                                   Filling<TMSNProxy>([](TMSNProxy &Module) {
                                       Module.SetEnableProxy(true);
                                       Module.SetSocket4Server("10.0.0.9");
                                       Module.SetSocket4Port(1081);
                                   }),
                                   "MSN_PROXY",
                                   {"ENABLE_PROXY=1", "SOCKET4_SERVER=10.0.0.9", "SOCKET4_PORT=1081"},
                                   {}},
                    TModuleRowCase{"ICQ",
                                   TModuleKind::ICQ,
                                   Filling<TICQProxy>([](TICQProxy &Module) {
                                       Module.SetEnableProxy(true);
                                       Module.SetServer("ab");
                                       Module.SetPort(5190);
                                       Module.SetProxyType(4);
                                       Module.SetProxyServer("cd");
                                       Module.SetProxyPort(1080);
                                       Module.SetIsNeedAuth(true);
                                       Module.SetUser("u");
                                       Module.SetPwd("p");
                                   }),
                                   "ICQ_PROXY",
                                   {"ENABLE_PROXY=1", "SERVER=ab", "PORT=5190", "PROXY_TYPE=4",
                                    "PROXY_SERVER=cd", "PROXY_PORT=1080", "NEED_AUTH=1", "PROXY_USER=u",
                                    "PROXY_PWD=p"},
                                   {}},
                    TModuleRowCase{"Skype",
                                   TModuleKind::Skype,
                                   Filling<TSkypeProxy>([](TSkypeProxy &Module) {
                                       Module.SetEnableProxy(true);
                                       Module.SetProxyType(2);
                                       Module.SetServer("10.0.0.5");
                                       Module.SetPort(3128);
                                       Module.SetUser("alice");
                                       Module.SetPwd("secret");
                                   }),
                                   "SKYPE_PROXY",
                                   {"ENABLE_PROXY=1", "PROXY_TYPE=2", "PROXY_SERVER=10.0.0.5",
                                    "PROXY_PORT=3128", "PROXY_USER=alice", "PROXY_PWD=secret"},
                                   {}},
                    TModuleRowCase{"eMule",
                                   TModuleKind::EMule,
                                   Filling<TeMuleProxy>([](TeMuleProxy &Module) {
                                       Module.SetEnableProxy(true);
                                       Module.SetProxyType(3);
                                       Module.SetServer("10.0.0.9");
                                       Module.SetPort(1080);
                                       Module.SetEnablePWD(true);
                                       Module.SetUser("u");
                                       Module.SetPwd("p");
                                   }),
                                   "EMULE_PROXY",
                                   {"ENABLE_PROXY=1", "PROXY_TYPE=3", "PROXY_SERVER=10.0.0.9",
                                    "PROXY_PORT=1080", "ENABLE_PWD=1", "PROXY_USER=u", "PROXY_PWD=p"},
                                   {}},
                    TModuleRowCase{"BitComet",
                                   TModuleKind::BitComet,
                                   Filling<TBitCometProxy>([](TBitCometProxy &Module) {
                                       Module.SetEnableProxy(true);
                                       Module.SetProxyType(3);
                                       Module.SetServer("10.0.0.5");
                                       Module.SetPort(1080);
                                       Module.SetEnablePWD(true);
                                       Module.SetUser("bob");
                                       Module.SetPwd("p&w");
                                   }),
                                   "BITCOMET_PROXY",
                                   {"ENABLE_PROXY=1", "PROXY_TYPE=3", "PROXY_SERVER=10.0.0.5",
                                    "PROXY_PORT=1080", "ENABLE_PWD=1", "PROXY_USER=bob", "PROXY_PWD=p&w"},
                                   {}}),
    [](const testing::TestParamInfo<TModuleRowCase> &Info) { return std::string(Info.param.Name); });
