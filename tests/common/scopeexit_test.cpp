// The cleanup of a scope runs once, whether the scope ends normally or by an exception.
#include "common/scopeexit.h"

#include <gtest/gtest.h>

#include <stdexcept>

TEST(ScopeExit, RunsOnceAtTheEndAndWhenAnExceptionLeaves)
{
    int runs = 0;
    {
        const common::ScopeExit count([&runs] { ++runs; });
        EXPECT_EQ(runs, 0);
    }
    EXPECT_EQ(runs, 1);
    try {
        const common::ScopeExit count([&runs] { ++runs; });
        throw std::runtime_error("stop");
    } catch (const std::runtime_error &) {
        EXPECT_EQ(runs, 2);
    }
    EXPECT_EQ(runs, 2);
}
