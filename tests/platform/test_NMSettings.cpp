#include "platform/NMSettings.h"

#include <gtest/gtest.h>

TEST(NMSettings, MasksAndPrefixesConvertBothWays)
{
    const struct { const char *mask; int prefix; } table[] = {
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

TEST(NMSettings, AddressesParseOnlyAsDottedQuads)
{
    quint32 address = 0;
    ASSERT_TRUE(ParseIPv4(" 10.200.0.1 ", address));
    EXPECT_EQ(IPv4Text(address), "10.200.0.1");
    for (const char *bad : {"10.200.0.256", "10.200.0", "10.200.0.1.5", "ten.0.0.1", "", "10.0.0.01"})
        EXPECT_FALSE(ParseIPv4(bad, address)) << bad;
}

TEST(NMSettings, IPv4SettingsRoundTripInTheirNewFormsOnly)
{
    TNMSettingsMap settings;
    settings["ipv4"]["addresses"] = QVariant::fromValue(QList<uint>{1u});
    settings["ipv4"]["dns-data"] = QStringList{"10.0.0.9"};
    TNMIPv4 ipv4{"manual", {"10.0.0.7"}, {24}, "10.0.0.1", {"10.0.0.53", "10.0.0.54"}, true};
    TNMSettings::SetIPv4(settings, ipv4);
    EXPECT_FALSE(settings["ipv4"].contains("addresses")) << "the old form would override the new";
    const TNMIPv4 back = TNMSettings::IPv4Of(settings);
    EXPECT_EQ(back.Method, "manual");
    EXPECT_EQ(back.Addresses, QStringList{"10.0.0.7"});
    EXPECT_EQ(back.Prefixes, QList<int>{24});
    EXPECT_EQ(back.Gateway, "10.0.0.1");
    EXPECT_EQ(back.Dns, (QStringList{"10.0.0.53", "10.0.0.54"}));
    EXPECT_TRUE(back.IgnoreAutoDns);

    TNMSettings::SetIPv4(settings, TNMIPv4{"auto", {}, {}, "", {}, false});
    EXPECT_FALSE(settings["ipv4"].contains("gateway"));
    EXPECT_TRUE(TNMSettings::IPv4Of(settings).Dns.isEmpty());
}

TEST(NMSettings, AssignedMacIsAConcreteAddressOnly)
{
    TNMProfile profile;
    profile.Type = "802-3-ethernet";
    EXPECT_EQ(TNMSettings::AssignedMac(profile), "");
    TNMSettings::SetAssignedMac(profile.Settings, profile.Type, "02:aa:bb:cc:dd:ee");
    EXPECT_EQ(TNMSettings::AssignedMac(profile), "02:AA:BB:CC:DD:EE");
    for (const char *keyword : {"permanent", "preserve", "random", "stable"}) {
        TNMSettings::SetAssignedMac(profile.Settings, profile.Type, keyword);
        EXPECT_EQ(TNMSettings::AssignedMac(profile), "") << keyword;
    }
    profile.Settings[profile.Type]["cloned-mac-address"] = QByteArray::fromHex("0211223344AA");
    profile.Settings[profile.Type].remove("assigned-mac-address");
    EXPECT_EQ(TNMSettings::AssignedMac(profile), "02:11:22:33:44:AA") << "the older byte form";
    TNMSettings::SetAssignedMac(profile.Settings, profile.Type, "");
    EXPECT_EQ(TNMSettings::AssignedMac(profile), "");
}
