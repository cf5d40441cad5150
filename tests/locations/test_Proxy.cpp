#include "locations/Proxy.h"

#include "app/DBManager.h"
#include "base/Exceptions.h"
#include "locations/FakeModule.h"
#include "locations/FuncDef.h"
#include "support/DatabaseTest.h"

#include <QSqlQuery>

namespace {

// A module that fills in none of the operations.
class TBareProxy : public TCustomProxy
{
public:
    explicit TBareProxy(const QString &LocId) : TCustomProxy(LocId) {}
};

// A module that loads a row and follows the IE switch of the catalogue.
class TLoadingProxy : public TCustomProxy
{
public:
    explicit TLoadingProxy(const QString &LocId) : TCustomProxy(LocId) {}

    bool IsEnabled() override { return TFuncDefine::getInstance()->IsIEEnabled(); }
    void SetIsEnabled(bool Value) override { TFuncDefine::getInstance()->SetIsIEEnabled(Value); }

    QString LoadedFor;

protected:
    void Load() override
    {
        LoadedFor = FLocId;
        FEnableProxy = true;
    }
};

int IeFlag()
{
    QSqlQuery Query(GetConnection());
    Query.exec("SELECT FUNC_EANBLED FROM FUNC_DEF WHERE FUNC_CODE='IE'");
    return Query.next() ? Query.value(0).toInt() : -1;
}

void SetIeFlag(int Value)
{
    QSqlQuery Query(GetConnection());
    ASSERT_TRUE(
        Query.exec(QStringLiteral("UPDATE FUNC_DEF SET FUNC_EANBLED=%1 WHERE FUNC_CODE='IE'").arg(Value)));
}

} // namespace

TEST(CustomProxy, BaseOperationsAreAbstract)
{
    TBareProxy Module("LOC1");
    EXPECT_THROW(Module.ChangeTo(), EAbstractError);
    EXPECT_THROW(Module.Save(), EAbstractError);
    EXPECT_THROW(Module.Import("{NET}"), EAbstractError);
    EXPECT_THROW(Module.IsEnabled(), EAbstractError);
    EXPECT_THROW(Module.SetIsEnabled(true), EAbstractError);
    EXPECT_THROW(TCustomProxy::IsInstalled(), EAbstractError);
    EXPECT_THROW(TCustomProxy::Create<TBareProxy>("LOC1"), EAbstractError);
}

TEST(CustomProxy, CreateLoadsTheModuleOfTheLocation)
{
    const std::unique_ptr<TLoadingProxy> Module = TCustomProxy::Create<TLoadingProxy>("LOC7");
    EXPECT_EQ(Module->LoadedFor, "LOC7");
    EXPECT_EQ(Module->LocId(), "LOC7");
    EXPECT_TRUE(Module->EnableProxy());
    Module->SetLocId("LOC8");
    Module->SetEnableProxy(false);
    EXPECT_EQ(Module->LocId(), "LOC8");
    EXPECT_FALSE(Module->EnableProxy());
}

namespace {

class CustomProxyCatalogue : public TDatabaseTest
{
protected:
    void TearDown() override
    {
        TDatabaseTest::TearDown();
        TFuncDefine::FreeInstance();
    }
};

} // namespace

TEST_F(CustomProxyCatalogue, IsEnabledAsksTheCatalogueEveryTime)
{
    const std::unique_ptr<TLoadingProxy> Module = TCustomProxy::Create<TLoadingProxy>("LOC1");

    SetIeFlag(1);
    EXPECT_TRUE(Module->IsEnabled());
    SetIeFlag(0);
    EXPECT_FALSE(Module->IsEnabled());
    Module->SetIsEnabled(true);
    EXPECT_EQ(IeFlag(), 1);
}

namespace {

// The shared part of every module, seen through a fake that stores its row in the real tables.
class ModuleBase : public CustomProxyCatalogue
{
protected:
    void SetUp() override
    {
        CustomProxyCatalogue::SetUp();
        ResetFakeModules();
        Exec("UPDATE FUNC_DEF SET FUNC_EANBLED=1");
    }

    static int Rows(const QString &Table)
    {
        QSqlQuery Query(GetConnection());
        Query.exec(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE LOC_ID='LOC1'").arg(Table));
        return Query.next() ? Query.value(0).toInt() : -1;
    }
};

} // namespace

TEST_F(ModuleBase, SwitchedOffOrUninstalledModulesSucceedWithoutApplying)
{
    const struct
    {
        const char *Case;
        bool Enabled;
        bool Installed;
        bool Applies;
    } Cases[] = {
        {"on and installed", true, true, true},
        {"switched off", false, true, false},
        {"client missing", true, false, false},
    };
    for (const auto &Case : Cases) {
        SCOPED_TRACE(Case.Case);
        FakeJournal().clear();
        SetIeFlag(Case.Enabled);
        TFakeIE::Installed = Case.Installed;
        const auto Module = TCustomProxy::Create<TFakeIE>("LOC1");
        TFakeIE::ApplyFails = true;
        EXPECT_EQ(Module->SkipsChange(), !Case.Applies);
        EXPECT_EQ(Module->ChangeTo(), !Case.Applies) << "a skipped module succeeds";
        EXPECT_EQ(FakeJournal().size(), Case.Applies ? 1 : 0);
        TFakeIE::ApplyFails = false;
    }
}

TEST_F(ModuleBase, RowIsSavedLoadedAndRemovedThroughItsBinding)
{
    {
        const auto Module = TCustomProxy::Create<TFakeIE>("LOC1");
        Module->SetEnableProxy(true);
        Module->Server = "10.0.0.8:8080";
        ASSERT_TRUE(Module->Save()) << Module->LastError().toStdString();
    }
    const auto Loaded = TCustomProxy::Create<TFakeIE>("LOC1");
    EXPECT_TRUE(Loaded->EnableProxy());
    EXPECT_EQ(Loaded->Server, "10.0.0.8:8080");
    const QList<QPair<QString, QString>> Shown{{"ENABLE_PROXY", "yes"}, {"HTTP", "10.0.0.8:8080"}};
    EXPECT_EQ(Loaded->StoredFields(), Shown);

    Exec("INSERT INTO FOLDER_SHARE (ID, LOC_ID, SHARE_NAME) VALUES ('S1', 'LOC1', 'docs')");
    const auto Share = TCustomProxy::Create<TFakeShare>("LOC1");
    ASSERT_TRUE(Share->Save());
    ASSERT_EQ(Rows("FS_PROXY"), 1);
    EXPECT_TRUE(Loaded->Remove());
    EXPECT_TRUE(Share->Remove());
    EXPECT_EQ(Rows("IE_PROXY"), 0);
    EXPECT_EQ(Rows("FS_PROXY"), 0);
    EXPECT_EQ(Rows("FOLDER_SHARE"), 0) << "the list of shares goes with the switch row";
}

TEST_F(ModuleBase, SwitchedOffModuleNeitherLoadsNorSaves)
{
    Exec("INSERT INTO IE_PROXY (LOC_ID, ENABLE_PROXY, HTTP) VALUES ('LOC1', 1, 'stored:80')");
    SetIeFlag(0);
    const auto Module = TCustomProxy::Create<TFakeIE>("LOC1");
    EXPECT_FALSE(Module->EnableProxy()) << "defaults stay while switched off";
    EXPECT_TRUE(Module->Server.isEmpty());
    Module->Server = "changed:80";
    EXPECT_TRUE(Module->Save());
    EXPECT_TRUE(Module->Import("{NET}"));
    EXPECT_TRUE(FakeJournal().isEmpty()) << "nothing imported";
    SetIeFlag(1);
    EXPECT_EQ(TCustomProxy::Create<TFakeIE>("LOC1")->Server, "stored:80");
}

TEST_F(ModuleBase, DatabaseErrorsFailWithTheirText)
{
    const auto Module = TCustomProxy::Create<TFakeIE>("LOC1");
    Exec("DROP TABLE IE_PROXY");
    EXPECT_FALSE(Module->Save());
    EXPECT_FALSE(Module->LastError().isEmpty());
    EXPECT_FALSE(Module->Remove());
    EXPECT_FALSE(Module->LastError().isEmpty());
}
