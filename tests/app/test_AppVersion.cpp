#include "app/AppVersion.h"

#include <gtest/gtest.h>

TEST(AppVersion, FourDecimalNumbersFromTheBuildVersion)
{
    const struct
    {
        const char *Version;
        const char *Text;
    } Cases[] = {
        {"0.1.0", "0.1.0.0"},
        {"2", "2.0.0.0"},
        {"1.2.3.4", "1.2.3.4"},
        {"01.002.3", "1.2.3.0"},
        {"65535.0.0.1", "65535.0.0.1"},
        {"65536.0", ""},
        {"1.2.3.4.5", ""},
        {"1.2-rc", ""},
        {"", ""},
        {"1..2", ""},
    };
    for (const auto &Case : Cases)
        EXPECT_EQ(FourPartVersion(Case.Version), Case.Text) << Case.Version;
}

TEST(AppVersion, TheProgramsVersionIsTheBuildsInFourParts)
{
    EXPECT_EQ(GetAppVersion(), FourPartVersion(WAYFAREL_VERSION));
    EXPECT_EQ(GetAppVersion().count('.'), 3);
}
