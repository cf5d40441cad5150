#include "platform/desktop/InstanceLock.h"
#include "support/TestRoot.h"

#include <gtest/gtest.h>

TEST(InstanceLock, OnlyOneHolderAtATime)
{
    TTestRoot root;
    TInstanceLock first("Brackwell Wayfarel");
    ASSERT_TRUE(first.Acquired());

    TInstanceLock second("Brackwell Wayfarel");
    EXPECT_FALSE(second.Acquired());
    EXPECT_TRUE(second.HeldElsewhere());

    first.Release();
    TInstanceLock third("Brackwell Wayfarel");
    EXPECT_TRUE(third.Acquired());
}

TEST(InstanceLock, AFolderWithoutWriteAccessDoesNotPretendAnotherInstance)
{
    TTestRoot root;
    qputenv("XDG_RUNTIME_DIR", "/proc");
    TInstanceLock lock("Brackwell Wayfarel");
    EXPECT_FALSE(lock.HeldElsewhere());
}
