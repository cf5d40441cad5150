#include "platform/AdapterKeys.h"

#include <gtest/gtest.h>

TEST(AdapterKeys, NetworkAddressMustBeTwelveHexDigitsOfAUnicastAddress)
{
    for (const char *good : {"02AABBCCDDEE", "001122aabbcc", "FEFFFFFFFFFF"})
        EXPECT_EQ(NetworkAddressError(good), "") << good;
    const struct
    {
        const char *text, *reason;
    } table[] = {
        {"02:AA:BB:CC:DD:EE", "twelve"},
        {"02AABBCCDDE", "twelve"},
        {"02AABBCCDDEEF", "twelve"},
        {"02AABBCCDDEG", "twelve"},
        {"", "twelve"},
        {"01AABBCCDDEE", "multicast"},
        {"FFFFFFFFFFFF", "multicast"},
        {"000000000000", "no adapter address"},
    };
    for (const auto &row : table)
        EXPECT_TRUE(NetworkAddressError(row.text).contains(row.reason))
            << row.text << ": " << NetworkAddressError(row.text).toStdString();
}
