#include "lantools/uGetMacAddress.h"

#include <gtest/gtest.h>

TEST(GetMacAddress, AMalformedTargetGetsNoAnswer)
{
    for (const char *target : {"", "10.0.0", "10.0.0.300", "host.example", "10.0.0.1; reboot"})
        EXPECT_EQ(GetMacAddress("127.0.0.1", target), QString()) << target;
}

TEST(GetHostNameByIp, AMalformedAddressHasNoName) { EXPECT_EQ(GetHostNameByIp("not an address"), QString()); }

TEST(FindUnusedIp, NoCandidateGivesAnEmptyText)
{
    EXPECT_EQ(FindUnusedIp("10.0.0", 20, 10), QString());
    EXPECT_EQ(FindUnusedIp("10.0.0", 256, 300), QString());
}

TEST(LocalSourceAddress, ComesFromTheInstalledQueryUntilItIsRemoved)
{
    SetSourceAddressQuery([] { return QStringLiteral("10.9.8.7"); });
    EXPECT_EQ(LocalSourceAddress(), "10.9.8.7");
    SetSourceAddressQuery({});
    EXPECT_NE(LocalSourceAddress(), "10.9.8.7");
}
