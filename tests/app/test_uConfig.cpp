#include "app/uConfig.h"
#include "support/TestRoot.h"

#include <gtest/gtest.h>

// The singleton keeps its key for the life of the process, so one test root serves the
// whole suite.
class ConfigTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { Root = new TTestRoot; }
    static void TearDownTestSuite() { delete Root; }

    static void StoreSkin(const QString &value)
    {
        TRegistry reg;
        reg.SetRootKey(HKEY_CURRENT_USER);
        ASSERT_TRUE(reg.OpenKey("SOFTWARE\\Brackwell\\Wayfarel", true));
        reg.WriteString("Skinname", value);
    }

    static TTestRoot *Root;
};

TTestRoot *ConfigTest::Root = nullptr;

TEST_F(ConfigTest, SkinnameDefaultsToAcrylAndKeepsWhatIsWritten)
{
    TConfig *config = TConfig::GetConfig();
    EXPECT_EQ(config->Skinname(), "Acryl");
    config->SetSkinname("Golden");
    EXPECT_EQ(config->Skinname(), "Golden");

    TRegistry reg;
    reg.SetRootKey(HKEY_CURRENT_USER);
    ASSERT_TRUE(reg.OpenKeyReadOnly("\\SOFTWARE\\Brackwell\\Wayfarel"));
    EXPECT_EQ(reg.ReadString("Skinname"), "Golden");
}

TEST_F(ConfigTest, EmptySkinnameReadsAsAcryl)
{
    StoreSkin("");
    EXPECT_EQ(TConfig::GetConfig()->Skinname(), "Acryl");
}

TEST_F(ConfigTest, AnotherProcessesChangeIsSeen)
{
    StoreSkin("MacOS");
    EXPECT_EQ(TConfig::GetConfig()->Skinname(), "MacOS");
}

TEST_F(ConfigTest, AutomaticSwitchingIsOffUntilSwitchedOn)
{
    TConfig *config = TConfig::GetConfig();
    EXPECT_FALSE(config->AutoSwitch());
    config->SetAutoSwitch(true);
    EXPECT_TRUE(config->AutoSwitch());
    TRegistry reg;
    reg.SetRootKey(HKEY_CURRENT_USER);
    ASSERT_TRUE(reg.OpenKeyReadOnly("\\SOFTWARE\\Brackwell\\Wayfarel"));
    EXPECT_EQ(reg.ReadInteger("AutoSwitch"), 1);
    config->SetAutoSwitch(false);
    EXPECT_FALSE(config->AutoSwitch());
}
