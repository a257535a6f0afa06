#include "platform/singleinstance.h"

#include <gtest/gtest.h>

TEST(SingleInstance, SecondCopyIsRefusedUntilTheFirstEnds)
{
    auto first = std::make_unique<SingleInstance>();
    EXPECT_FALSE(first->anotherIsRunning());
    {
        SingleInstance second;
        EXPECT_TRUE(second.anotherIsRunning());
    }
    first.reset();
    SingleInstance third;
    EXPECT_FALSE(third.anotherIsRunning());
}
