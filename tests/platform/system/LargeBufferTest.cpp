#include "platform/system/LargeBuffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

namespace pv {
namespace {

TEST(LargeBuffer, ZeroFilledSmallAndLargeAndMovable)
{
    // Below and above the size at which memory is mapped (with huge-page advice).
    for (size_t count : {size_t(1000), size_t(3) << 20}) {
        LargeBuffer<uint32_t> a(count);
        ASSERT_EQ(a.size(), count);
        EXPECT_TRUE(std::all_of(a.data(), a.data() + count, [](uint32_t v) { return v == 0; }));
        a[count - 1] = 7;
        LargeBuffer<uint32_t> b(std::move(a));
        EXPECT_TRUE(a.empty());
        EXPECT_EQ(b[count - 1], 7u);
        a = std::move(b);
        EXPECT_EQ(a[count - 1], 7u);
    }
    EXPECT_TRUE(LargeBuffer<uint8_t>(0).empty());
}

TEST(LargeBuffer, ImpossibleSizeIsAnAllocationError)
{
    EXPECT_THROW(LargeBuffer<uint64_t>(size_t(1) << 60), std::bad_alloc);
}

} // namespace
} // namespace pv
