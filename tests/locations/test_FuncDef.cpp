#include "locations/FuncDef.h"

#include "app/DBManager.h"
#include "support/DatabaseTest.h"

#include <QRegularExpression>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

namespace {

// A copy of the shipped data file behind the shared connection; the catalogue is changed
// and inspected with plain SQL on that connection, past TFuncDefine.
class FuncDefTest : public TDatabaseTest
{
protected:
    void TearDown() override
    {
        TDatabaseTest::TearDown();
        TFuncDefine::FreeInstance();
    }

    // Every row as "CODE:enabled:pos", in code order.
    static QStringList Snapshot()
    {
        QSqlQuery Query(GetConnection());
        Query.exec("SELECT FUNC_CODE, FUNC_EANBLED, FUNC_POS FROM FUNC_DEF ORDER BY FUNC_CODE");
        QStringList Rows;
        while (Query.next())
            Rows << QStringLiteral("%1:%2:%3")
                        .arg(Query.value(0).toString(), Query.value(1).toString(), Query.value(2).toString());
        return Rows;
    }

    static QVariant Column(const QString &Code, const QString &Name)
    {
        QSqlQuery Query(GetConnection());
        Query.exec(QStringLiteral("SELECT %1 FROM FUNC_DEF WHERE FUNC_CODE='%2'").arg(Name, Code));
        return Query.next() ? Query.value(0) : QVariant();
    }

    TFuncDefine &Catalogue() { return *TFuncDefine::getInstance(); }
};

std::vector<QString> Codes(const std::vector<std::unique_ptr<TFuncDefine>> &List)
{
    std::vector<QString> Result;
    for (const auto &Row : List)
        Result.push_back(Row->Code());
    return Result;
}

} // namespace

TEST_F(FuncDefTest, InstanceIsProcessWide)
{
    TFuncDefine *First = TFuncDefine::getInstance();
    EXPECT_EQ(TFuncDefine::getInstance(), First);
    EXPECT_TRUE(First->Code().isEmpty());
}

TEST_F(FuncDefTest, ReadsFlagAndPositionOfARow)
{
    Exec("UPDATE FUNC_DEF SET FUNC_EANBLED=0, FUNC_POS=4 WHERE FUNC_CODE='SKYPE'");
    Exec("UPDATE FUNC_DEF SET FUNC_EANBLED=1, FUNC_POS=7 WHERE FUNC_CODE='ICQ'");
    EXPECT_FALSE(Catalogue().IsEnabled("SKYPE"));
    EXPECT_EQ(Catalogue().GetPos("SKYPE"), 4);
    EXPECT_TRUE(Catalogue().IsEnabled("ICQ"));
    EXPECT_EQ(Catalogue().GetPos("ICQ"), 7);
}

TEST_F(FuncDefTest, MissingCodeReadsDisabledWithoutPosition)
{
    EXPECT_FALSE(Catalogue().IsEnabled("NOSUCH"));
    EXPECT_EQ(Catalogue().GetPos("NOSUCH"), -1);
}

TEST_F(FuncDefTest, WritesForAMissingCodeChangeNothing)
{
    const QStringList Before = Snapshot();
    Catalogue().SetEnabled("NOSUCH", true);
    Catalogue().ChangePos("NOSUCH", 3);
    EXPECT_EQ(Snapshot(), Before);
}

TEST_F(FuncDefTest, WritesTouchOnlyTheirRow)
{
    Exec("UPDATE FUNC_DEF SET FUNC_EANBLED=1, FUNC_POS=5 WHERE FUNC_CODE='MSN'");
    QStringList Expected = Snapshot();
    Expected.replace(Expected.indexOf("MSN:1:5"), "MSN:0:2");
    Catalogue().SetEnabled("MSN", false);
    Catalogue().ChangePos("MSN", 2);
    EXPECT_EQ(Snapshot(), Expected);
}

TEST_F(FuncDefTest, CodesCompareCaseInsensitively)
{
    Exec("UPDATE FUNC_DEF SET FUNC_EANBLED=1, FUNC_POS=6 WHERE FUNC_CODE='EMULE'");
    EXPECT_TRUE(Catalogue().IsEnabled("eMule"));
    EXPECT_EQ(Catalogue().GetPos("eMule"), 6);
    Catalogue().SetEnabled("eMule", false);
    Catalogue().ChangePos("eMule", 3);
    EXPECT_EQ(Column("EMULE", "FUNC_EANBLED").toInt(), 0);
    EXPECT_EQ(Column("EMULE", "FUNC_POS").toInt(), 3);
}

TEST_F(FuncDefTest, WithoutOpenConnectionReadsEnabledAndWritesNothing)
{
    Exec("UPDATE FUNC_DEF SET FUNC_EANBLED=0, FUNC_POS=2 WHERE FUNC_CODE='IE'");
    const QStringList Before = Snapshot();
    LoseConnection();

    EXPECT_TRUE(Catalogue().IsEnabled("IE"));
    EXPECT_TRUE(Catalogue().IsEnabled("NOSUCH"));
    EXPECT_EQ(Catalogue().GetPos("IE"), -1);
    Catalogue().SetEnabled("IE", true);
    Catalogue().ChangePos("IE", 9);
    std::vector<std::unique_ptr<TFuncDefine>> List;
    Catalogue().GetFuncs(&List, false);
    EXPECT_TRUE(List.empty());

    Reconnect();
    EXPECT_EQ(Snapshot(), Before);
}

TEST_F(FuncDefTest, DatabaseErrorReadsDisabledAndIsSwallowed)
{
    Exec("UPDATE FUNC_DEF SET FUNC_EANBLED=1, FUNC_POS=2 WHERE FUNC_CODE='IE'");
    const QStringList Before = Snapshot();
    Exec("ALTER TABLE FUNC_DEF RENAME TO FUNC_DEF_AWAY");
    EXPECT_FALSE(Catalogue().IsEnabled("IE"));
    EXPECT_EQ(Catalogue().GetPos("IE"), -1);
    EXPECT_NO_THROW(Catalogue().SetEnabled("IE", false));
    EXPECT_NO_THROW(Catalogue().ChangePos("IE", 4));
    std::vector<std::unique_ptr<TFuncDefine>> List;
    Catalogue().GetFuncs(&List, true);
    EXPECT_TRUE(List.empty());

    Exec("ALTER TABLE FUNC_DEF_AWAY RENAME TO FUNC_DEF");
    EXPECT_EQ(Snapshot(), Before) << "the failed writes reached no row";
    EXPECT_TRUE(Catalogue().IsEnabled("IE")) << "the catalogue reads the table again once it is back";
}

TEST_F(FuncDefTest, GetFuncsListsEnabledOrDisabledRowsByPosition)
{
    Exec("UPDATE FUNC_DEF SET FUNC_EANBLED=0, FUNC_POS=0");
    Exec("UPDATE FUNC_DEF SET FUNC_EANBLED=1, FUNC_POS=3 WHERE FUNC_CODE='IE'");
    Exec("UPDATE FUNC_DEF SET FUNC_EANBLED=1, FUNC_POS=1 WHERE FUNC_CODE='SKYPE'");
    Exec("UPDATE FUNC_DEF SET FUNC_EANBLED=1, FUNC_POS=2 WHERE FUNC_CODE='BITCOMET'");
    Exec("UPDATE FUNC_DEF SET FUNC_POS=5 WHERE FUNC_CODE='MSN'");
    Exec("UPDATE FUNC_DEF SET FUNC_POS=4 WHERE FUNC_CODE='ICQ'");

    std::vector<std::unique_ptr<TFuncDefine>> Enabled;
    Catalogue().GetFuncs(&Enabled, true);
    EXPECT_EQ(Codes(Enabled), (std::vector<QString>{"SKYPE", "BITCOMET", "IE"}));
    ASSERT_EQ(Enabled.size(), 3u);
    EXPECT_EQ(Enabled[2]->Name(), Column("IE", "FUNC_NAME").toString());
    EXPECT_TRUE(Enabled[2]->Enabled());
    EXPECT_EQ(Enabled[2]->Index(), 3);

    std::vector<std::unique_ptr<TFuncDefine>> Disabled;
    Catalogue().GetFuncs(&Disabled, false);
    const std::vector<QString> DisabledCodes = Codes(Disabled);
    ASSERT_EQ(DisabledCodes.size(), 6u);
    EXPECT_EQ(DisabledCodes[4], "ICQ");
    EXPECT_EQ(DisabledCodes[5], "MSN");
    for (const auto &Row : Disabled) {
        EXPECT_FALSE(Row->Enabled()) << Row->Code().toStdString();
        EXPECT_NE(Row->Code(), "IE");
    }
}

TEST_F(FuncDefTest, GetFuncsAppendsToTheList)
{
    std::vector<std::unique_ptr<TFuncDefine>> List;
    List.push_back(std::make_unique<TFuncDefine>("KEPT", "kept", true, 0));
    Catalogue().GetFuncs(&List, true);
    const size_t AfterFirst = List.size();
    ASSERT_GT(AfterFirst, 1u);
    Catalogue().GetFuncs(&List, true);
    ASSERT_EQ(List.size(), 2 * AfterFirst - 1);
    EXPECT_EQ(List.front()->Code(), "KEPT");
    for (size_t i = 1; i < AfterFirst; ++i)
        EXPECT_EQ(List[i]->Code(), List[i + AfterFirst - 1]->Code());
    EXPECT_NO_THROW(Catalogue().GetFuncs(nullptr, true));
}

namespace {

struct ModuleProperty
{
    const char *Code;
    bool (TFuncDefine::*Read)() const;
    void (TFuncDefine::*Write)(bool);
};

void PrintTo(const ModuleProperty &Property, std::ostream *Out) { *Out << Property.Code; }

class FuncDefPropertyTest : public FuncDefTest, public testing::WithParamInterface<ModuleProperty>
{};

} // namespace

TEST_P(FuncDefPropertyTest, ReadsAndWritesItsOwnCode)
{
    const ModuleProperty &Property = GetParam();
    const QString Code = Property.Code;
    Exec("UPDATE FUNC_DEF SET FUNC_EANBLED=1");
    QStringList Expected = Snapshot();
    const qsizetype Row = Expected.indexOf(QRegularExpression(Code + ":.*"));
    ASSERT_GE(Row, 0);
    Expected[Row].replace(Code + ":1:", Code + ":0:");

    (Catalogue().*Property.Write)(false);
    EXPECT_EQ(Snapshot(), Expected);
    EXPECT_FALSE((Catalogue().*Property.Read)());

    Exec(QStringLiteral("UPDATE FUNC_DEF SET FUNC_EANBLED=1 WHERE FUNC_CODE='%1'").arg(Code));
    EXPECT_TRUE((Catalogue().*Property.Read)());
}

INSTANTIATE_TEST_SUITE_P(
    Modules, FuncDefPropertyTest,
    testing::Values(
        ModuleProperty{"IE", &TFuncDefine::IsIEEnabled, &TFuncDefine::SetIsIEEnabled},
        ModuleProperty{"FIREFOX", &TFuncDefine::IsFirefoxEnabled, &TFuncDefine::SetIsFirefoxEnabled},
        ModuleProperty{"MSN", &TFuncDefine::IsMSNEnabled, &TFuncDefine::SetIsMSNEnabled},
        ModuleProperty{"ICQ", &TFuncDefine::IsICQEnabled, &TFuncDefine::SetIsICQEnabled},
        ModuleProperty{"SKYPE", &TFuncDefine::IsSkypeEnabled, &TFuncDefine::SetIsSkypeEnabled},
        ModuleProperty{"FOXMAIL", &TFuncDefine::IsFoxmailEnabled, &TFuncDefine::SetIsFoxmailEnabled},
        ModuleProperty{"SHARE", &TFuncDefine::IsShareEnabled, &TFuncDefine::SetIsShareEnabled},
        ModuleProperty{"EMULE", &TFuncDefine::IsEMuleEnabled, &TFuncDefine::SetIsEMuleEnabled},
        ModuleProperty{"BITCOMET", &TFuncDefine::IsBitCometEnabled, &TFuncDefine::SetIsBitCometEnabled}),
    [](const testing::TestParamInfo<ModuleProperty> &Info) { return std::string(Info.param.Code); });
