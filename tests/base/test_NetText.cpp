#include "base/NetText.h"

#include <gtest/gtest.h>

TEST(NetText, MasksAndPrefixesConvertBothWays)
{
    const struct
    {
        const char *mask;
        int prefix;
    } table[] = {
        {"255.255.255.0", 24}, {"255.255.255.255", 32}, {"255.0.0.0", 8},
        {"255.255.254.0", 23}, {"128.0.0.0", 1},        {"0.0.0.0", 0},
    };
    for (const auto &row : table) {
        EXPECT_EQ(MaskToPrefix(row.mask), row.prefix) << row.mask;
        EXPECT_EQ(PrefixToMask(row.prefix), row.mask) << row.prefix;
    }
    for (const char *noMask : {"255.0.255.0", "255.255.255.1", "0.255.255.255", "255.255.255", "", "x"})
        EXPECT_EQ(MaskToPrefix(noMask), -1) << noMask;
}

TEST(NetText, AddressesParseOnlyAsDottedQuads)
{
    const auto address = ParseIpv4(" 10.200.0.1 ");
    ASSERT_TRUE(address);
    EXPECT_EQ(Ipv4Text(*address), "10.200.0.1");
    for (const char *bad :
         {"10.200.0.256", "10.200.0", "10.200.0.1.5", "ten.0.0.1", "", "10.0.0.01", "999.1.1.1"})
        EXPECT_FALSE(ParseIpv4(bad)) << bad;
}

TEST(NetText, HostAddressesAreUnicastAndNotLoopbackOrUnspecified)
{
    for (const char *host : {"10.200.0.1", " 192.168.1.1 ", "1.0.0.1", "223.255.255.254"})
        EXPECT_TRUE(IsHostAddress(host)) << host;
    for (const char *other :
         {"0.0.0.0", "0.1.2.3", "127.0.0.1", "224.0.0.1", "255.255.255.255", "999.1.1.1", "zz-zz", ""})
        EXPECT_FALSE(IsHostAddress(other)) << other;
}

TEST(NetText, MacBytesBecomeUpperCasePairs)
{
    const struct
    {
        QByteArray Bytes;
        const char *Dashed;
    } cases[] = {
        {QByteArray::fromHex("000c290abb01"), "00-0C-29-0A-BB-01"},
        {QByteArray::fromHex("ffffffffffff"), "FF-FF-FF-FF-FF-FF"},
        {QByteArray::fromHex("0102030405"), ""},
        {QByteArray::fromHex("01020304050607"), ""},
        {QByteArray(), ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(MacFromBytes(c.Bytes, '-'), QString(c.Dashed)) << c.Bytes.toHex().constData();
    EXPECT_EQ(MacFromBytes(QByteArray::fromHex("001a2b3c4d5e"), ':'), "00:1A:2B:3C:4D:5E");
}

TEST(NetText, MacFormsConvertThroughTheirDigits)
{
    for (const char *form : {"00-1a-2B-3c-4D-5e", "00:1A:2B:3C:4D:5E", " 001A2B3C4D5E "}) {
        EXPECT_EQ(MacDigits(form), "001A2B3C4D5E") << form;
        EXPECT_TRUE(IsMacText(form)) << form;
    }
    EXPECT_EQ(MacFromDigits("001a2b3c4d5e", ':'), "00:1A:2B:3C:4D:5E");
    EXPECT_EQ(MacFromDigits("001A2B", ':'), "");
    for (const char *bad : {"zz-zz", "00-1A-2B-3C-4D", "00-1A:2B-3C-4D-5E", "00-1A-2B-3C-4D-5E-6F", ""})
        EXPECT_FALSE(IsMacText(bad)) << bad;
}

TEST(NetText, UnsetMacIsEmptyOrAllZerosInAnyForm)
{
    for (const char *unset : {"", "00-00-00-00-00-00", "000000000000", "00:00:00:00:00:00"})
        EXPECT_TRUE(IsUnsetMac(unset)) << unset;
    for (const char *set : {"00-00-00-00-00-01", "02:57:46:00:00:10"})
        EXPECT_FALSE(IsUnsetMac(set)) << set;
}

TEST(NetText, AProxyAddressTheEditorLeftUntouchedNamesNoServer)
{
    for (const char *unset : {"", ":", "0.0.0.0:"})
        EXPECT_TRUE(IsUnsetProxyAddress(unset)) << unset;
    for (const char *set : {"0.0.0.0:8080", "10.0.0.1:", "proxy.lan:3128", "proxy.lan", "0.0.0.0"})
        EXPECT_FALSE(IsUnsetProxyAddress(set)) << set;
}

TEST(NetText, QuotedValuesAreCutToABoundedLength)
{
    EXPECT_EQ(QuotedValue("10.0.0.1"), "\"10.0.0.1\"");
    const QString flood(10000, QLatin1Char('x'));
    const QString quoted = QuotedValue(flood);
    EXPECT_LT(quoted.size(), 100);
    EXPECT_TRUE(quoted.endsWith("...\" (10000 characters)")) << quoted.toStdString();
}
