#include "locations/Proxy.h"

#include "app/DBManager.h"
#include "base/Exceptions.h"
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
