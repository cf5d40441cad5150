#include "locations/LocationRules.h"

#include "app/DBManager.h"
#include "locations/Location.h"
#include "support/DatabaseTest.h"

#include <QSqlQuery>

namespace {

const QString IdA = "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA1";
const QString IdB = "BBBBBBBBBBBBBBBBBBBBBBBBBBBBBBB2";

struct TParseCase
{
    const char *Name;
    QStringList Words;
    bool Ok;
    TLocationRule Expected;
};

class ParseRuleTest : public testing::TestWithParam<TParseCase>
{};

TEST_P(ParseRuleTest, ReadsOrRefuses)
{
    const TParseCase &Case = GetParam();
    TLocationRule Rule{TRuleKind::Adapter, "untouched", {}};
    QString Error;
    EXPECT_EQ(ParseRule(Case.Words, Rule, &Error), Case.Ok) << Error.toStdString();
    EXPECT_EQ(Error.isEmpty(), Case.Ok);
    const TLocationRule Expected =
        Case.Ok ? Case.Expected : TLocationRule{TRuleKind::Adapter, "untouched", {}};
    EXPECT_EQ(Rule, Expected);
    if (Case.Ok) {
        TLocationRule Again;
        EXPECT_TRUE(ParseRule(RuleWords(Rule), Again));
        EXPECT_EQ(Again, Rule);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Words, ParseRuleTest,
    testing::Values(
        TParseCase{"MacWithColons",
                   {"gateway-mac", "00:1a:2b:3c:4d:5e"},
                   true,
                   {TRuleKind::GatewayMac, "00-1A-2B-3C-4D-5E", {}}},
        TParseCase{"KindInCapitals",
                   {"GATEWAY-MAC", "001A2B3C4D5E"},
                   true,
                   {TRuleKind::GatewayMac, "00-1A-2B-3C-4D-5E", {}}},
        TParseCase{"SsidOnly", {"ssid", "Office Net"}, true, {TRuleKind::Ssid, "Office Net", {}}},
        TParseCase{"SsidWithBssid",
                   {"ssid", "Office", "aa:bb:cc:dd:ee:ff"},
                   true,
                   {TRuleKind::Ssid, "Office", "AA-BB-CC-DD-EE-FF"}},
        TParseCase{"DhcpServer", {"dhcp-server", "10.0.0.1"}, true, {TRuleKind::DhcpServer, "10.0.0.1", {}}},
        TParseCase{"Domain", {"domain", "corp.example"}, true, {TRuleKind::Domain, "corp.example", {}}},
        TParseCase{"Adapter", {"adapter", "eth0"}, true, {TRuleKind::Adapter, "eth0", {}}},
        TParseCase{"BadMac", {"gateway-mac", "00-1A-2B"}, false, {}},
        TParseCase{"BadDhcpServer", {"dhcp-server", "server.lan"}, false, {}},
        TParseCase{"BadBssid", {"ssid", "Office", "nope"}, false, {}},
        TParseCase{"BssidOnlyAfterSsid", {"domain", "lan", "AA-BB-CC-DD-EE-FF"}, false, {}},
        TParseCase{"UnknownKind", {"vlan", "7"}, false, {}}, TParseCase{"NoValue", {"domain"}, false, {}},
        TParseCase{"BlankValue", {"adapter", "  "}, false, {}}),
    [](const testing::TestParamInfo<TParseCase> &Info) { return std::string(Info.param.Name); });

class LocationRulesTest : public TDatabaseTest
{
protected:
    static int Rows(const QString &Table)
    {
        QSqlQuery Query(QStringLiteral("SELECT COUNT(*) FROM %1").arg(Table), LocationConnection());
        return Query.next() ? Query.value(0).toInt() : -1;
    }
};

TEST_F(LocationRulesTest, SavedRulesComeBackInOrderWithTheirFlag)
{
    const QList<TLocationRule> Rules{{TRuleKind::Ssid, "Office", "AA-BB-CC-DD-EE-FF"},
                                     {TRuleKind::GatewayMac, "00-1A-2B-3C-4D-5E", {}},
                                     {TRuleKind::Domain, "corp.example", {}}};
    TLocationRules Saved(IdA);
    Saved.SetRules(Rules);
    Saved.SetAutomatic(true);
    ASSERT_TRUE(Saved.Save()) << Saved.LastError().toStdString();

    TLocationRules Loaded(IdA);
    ASSERT_TRUE(Loaded.Load()) << Loaded.LastError().toStdString();
    EXPECT_EQ(Loaded.Rules(), Rules);
    EXPECT_TRUE(Loaded.Automatic());

    Saved.SetRules({Rules.at(1)});
    Saved.SetAutomatic(false);
    ASSERT_TRUE(Saved.Save());
    ASSERT_TRUE(Loaded.Load());
    EXPECT_EQ(Loaded.Rules(), QList<TLocationRule>{Rules.at(1)});
    EXPECT_FALSE(Loaded.Automatic());
}

TEST_F(LocationRulesTest, NothingStoredIsNoRulesAndNotAutomatic)
{
    TLocationRules Rules(IdB);
    Rules.SetRules({{TRuleKind::Adapter, "eth0", {}}});
    Rules.SetAutomatic(true);
    ASSERT_TRUE(Rules.Load());
    EXPECT_TRUE(Rules.Rules().isEmpty());
    EXPECT_FALSE(Rules.Automatic());
}

TEST_F(LocationRulesTest, RemovingALocationRemovesItsRulesOnly)
{
    for (const QString &Id : {IdA, IdB}) {
        Exec(QStringLiteral("INSERT INTO LOCATION (LOC_ID, LOC_NAME) VALUES ('%1', 'n')").arg(Id));
        TLocationRules Rules(Id);
        Rules.SetRules({{TRuleKind::Adapter, "eth0", {}}});
        Rules.SetAutomatic(true);
        ASSERT_TRUE(Rules.Save());
    }
    const TModuleTable NoModules;
    TLocation Location(IdA, NoModules);
    ASSERT_TRUE(Location.Remove());
    EXPECT_EQ(Rows("LOC_RULE"), 1);
    EXPECT_EQ(Rows("LOC_AUTO"), 1);
    TLocationRules Kept(IdB);
    ASSERT_TRUE(Kept.Load());
    EXPECT_EQ(Kept.Rules().size(), 1);
}

TEST_F(LocationRulesTest, AFailedSaveLeavesTheStoredRules)
{
    TLocationRules Rules(IdA);
    Rules.SetRules({{TRuleKind::Domain, "lan", {}}});
    ASSERT_TRUE(Rules.Save());
    Exec("CREATE TRIGGER NO_AUTO BEFORE INSERT ON LOC_AUTO BEGIN SELECT RAISE(ABORT, 'refused'); END");
    Exec("DELETE FROM LOC_AUTO");
    Rules.SetRules({{TRuleKind::Domain, "other", {}}});
    EXPECT_FALSE(Rules.Save());
    EXPECT_FALSE(Rules.LastError().isEmpty());
    TLocationRules Loaded(IdA);
    ASSERT_TRUE(Loaded.Load());
    EXPECT_EQ(Loaded.Rules(), (QList<TLocationRule>{{TRuleKind::Domain, "lan", {}}}));
}

TEST_F(LocationRulesTest, ADataFileWithoutTheTablesSaysSo)
{
    Exec("DROP TABLE LOC_RULE");
    TLocationRules Rules(IdA);
    EXPECT_FALSE(Rules.Load());
    EXPECT_TRUE(Rules.LastError().contains("LOC_RULE")) << Rules.LastError().toStdString();
}

} // namespace
