#include "platform/NMSettings.h"

#include <gtest/gtest.h>

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
