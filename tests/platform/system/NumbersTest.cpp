#include "platform/system/Numbers.h"

#include <gtest/gtest.h>

namespace pv {
namespace {

TEST(Round, HalvesGoToEven)
{
    const std::pair<double, int> cases[] = {{0.5, 0}, {1.5, 2}, {2.5, 2}, {-0.5, 0}, {-1.5, -2}, {2.4999, 2}, {2.6, 3}};
    for (auto [value, expected] : cases)
        EXPECT_EQ(Round(value), expected) << value;
}

TEST(Random, FollowsTheLinearCongruentialSequence)
{
    SetRandSeed(0);
    EXPECT_EQ(Random(100), 0); // seed 1: (1 * 100) >> 32
    EXPECT_EQ(RandSeed(), 1u);
    EXPECT_EQ(Random(1 << 30), static_cast<int32_t>((uint64_t(134775814u) << 30) >> 32));
    EXPECT_EQ(RandSeed(), 134775814u);

    SetRandSeed(0xFFFFFFFFu);
    const uint32_t next = 0xFFFFFFFFu * 134775813u + 1u;
    EXPECT_DOUBLE_EQ(RandomFloat(), next / 4294967296.0);

    SetRandSeed(42);
    EXPECT_EQ(Random(0), 0);
    EXPECT_EQ(Random(-5), 0);
    EXPECT_EQ(RandSeed(), (42u * 134775813u + 1u) * 134775813u + 1u) << "every draw advances the seed";
}

TEST(Random, StaysInRange)
{
    SetRandSeed(1969);
    for (int i = 0; i < 1000; ++i) {
        const int v = Random(7);
        ASSERT_GE(v, 0);
        ASSERT_LT(v, 7);
        const double f = RandomFloat();
        ASSERT_GE(f, 0.0);
        ASSERT_LT(f, 1.0);
    }
}

} // namespace
} // namespace pv
