#include "lantools/uGetMacAddress.h"

#include <gtest/gtest.h>

TEST(MacToText, UpperCaseZeroPaddedGroupsJoinedByDashes)
{
    const struct { QByteArray Bytes; const char *Text; } cases[] = {
        {QByteArray::fromHex("000c290abb01"), "00-0C-29-0A-BB-01"},
        {QByteArray::fromHex("001a2b3c4d5e"), "00-1A-2B-3C-4D-5E"},
        {QByteArray::fromHex("ffffffffffff"), "FF-FF-FF-FF-FF-FF"},
        {QByteArray::fromHex("000000000000"), "00-00-00-00-00-00"},
        {QByteArray::fromHex("0102030405"), ""},
        {QByteArray::fromHex("01020304050607"), ""},
        {QByteArray(), ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(MacToText(c.Bytes), QString(c.Text)) << c.Bytes.toHex().constData();
}

TEST(GetMacAddress, AMalformedTargetGetsNoAnswer)
{
    for (const char *target : {"", "10.0.0", "10.0.0.300", "host.example", "10.0.0.1; reboot"})
        EXPECT_EQ(GetMacAddress("127.0.0.1", target), QString()) << target;
}

TEST(GetHostNameByIp, AMalformedAddressHasNoName)
{
    EXPECT_EQ(GetHostNameByIp("not an address"), QString());
}

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
