#include "overlays/ResizeBoxes.h"

#include <gtest/gtest.h>

#include <cmath>

namespace pv {
namespace {

using B = TResizeBoxes;

struct SyncCase {
    const char* name;
    int width, height;
    bool lock;
    B::Box edited;
    double value;
    int widthPx, heightPx, widthPc, heightPc;
};

class ResizeSync : public ::testing::TestWithParam<SyncCase> {};

TEST_P(ResizeSync, BoxesFollowTheEditedOne)
{
    const SyncCase& c = GetParam();
    B boxes;
    boxes.SetInitialSize(c.width, c.height);
    boxes.SetLock(c.lock);
    boxes.Sync(c.edited, c.value);
    EXPECT_EQ(boxes.Value(B::WidthPx), c.widthPx);
    EXPECT_EQ(boxes.Value(B::HeightPx), c.heightPx);
    EXPECT_EQ(boxes.Value(B::WidthPc), c.widthPc);
    EXPECT_EQ(boxes.Value(B::HeightPc), c.heightPc);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ResizeSync,
    ::testing::Values(
        SyncCase{"LockWidthPercent", 4000, 2000, true, B::WidthPc, 50, 2000, 1000, 50, 50},
        // Rounded, not truncated: 3000 * 0.5 is 1500 whatever the ratio's precision.
        SyncCase{"LockWidthPercentRounds", 4000, 3000, true, B::WidthPc, 50, 2000, 1500, 50, 50},
        SyncCase{"LockHeightPercent", 4000, 3000, true, B::HeightPc, 25, 1000, 750, 25, 25},
        SyncCase{"LockWidthPixels", 4000, 2000, true, B::WidthPx, 1000, 1000, 500, 25, 25},
        SyncCase{"LockHeightPixels", 4000, 2000, true, B::HeightPx, 500, 1000, 500, 25, 25},
        SyncCase{"LockOddRatioRounds", 333, 100, true, B::WidthPx, 100, 100, 30, 30, 30},
        SyncCase{"FreeWidthPixels", 4000, 2000, false, B::WidthPx, 1000, 1000, 2000, 25, 100},
        SyncCase{"FreeHeightPercent", 4000, 2000, false, B::HeightPc, 50, 4000, 1000, 100, 50},
        SyncCase{"FreeWidthPercent", 4000, 2000, false, B::WidthPc, 10, 400, 2000, 10, 100},
        // With the lock on neither side passes 20000: the percentage stops at 500.
        SyncCase{"LockPercentHeldToLargestSize", 4000, 3000, true, B::WidthPc, 1000, 20000, 15000, 500, 500},
        SyncCase{"LockPixelsHeldByTheOtherSide", 1000, 4000, true, B::WidthPx, 20000, 5000, 20000, 500, 500},
        SyncCase{"FreeBoxKeepsItsOwnRange", 4000, 3000, false, B::WidthPc, 1000, 20000, 3000, 1000, 100},
        // A picture of height 0 uses the ratio 1.
        SyncCase{"NoHeightRatioOne", 300, 0, true, B::WidthPx, 150, 150, 150, 50, 50}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ResizeBoxes, OpensAtTheSizeAndHundredPercentLocked)
{
    B boxes;
    boxes.SetInitialSize(4000, 3000);
    EXPECT_TRUE(boxes.Lock());
    EXPECT_EQ(boxes.NewWidth(), 4000);
    EXPECT_EQ(boxes.NewHeight(), 3000);
    EXPECT_EQ(boxes.Value(B::WidthPc), 100);
    EXPECT_EQ(boxes.Value(B::HeightPc), 100);
}

TEST(ResizeBoxes, LockOnAgainMakesTheHeightFollowTheWidth)
{
    B boxes;
    boxes.SetInitialSize(4000, 2000);
    boxes.SetLock(false);
    boxes.Sync(B::WidthPx, 1000);
    EXPECT_EQ(boxes.NewHeight(), 2000);
    boxes.SetLock(true);
    EXPECT_EQ(boxes.NewWidth(), 1000);
    EXPECT_EQ(boxes.NewHeight(), 500);
    EXPECT_EQ(boxes.Value(B::HeightPc), 25);
}

TEST(ResizeBoxes, NotANumberChangesNothing)
{
    B boxes;
    boxes.SetInitialSize(400, 300);
    boxes.Sync(B::WidthPx, std::nan(""));
    EXPECT_EQ(boxes.NewWidth(), 400);
    EXPECT_EQ(boxes.NewHeight(), 300);
}

} // namespace
} // namespace pv
