#include "workspace/preview/PreviewBoxGeometry.h"

#include <gtest/gtest.h>

namespace pv {
namespace {

TEST(PreviewBoxGeometry, RegionStaysInsideTheSource)
{
    // 225 box at 500 %: a 45-pixel region of a 1000 x 800 picture.
    const double r = 225 / 5.0;
    EXPECT_EQ(ClampPreviewStart({2000, 2000}, 1000, 800, r, r), QPoint(955, 755));
    EXPECT_EQ(ClampPreviewStart({-30, -1}, 1000, 800, r, r), QPoint(0, 0));
    EXPECT_EQ(ClampPreviewStart({400, 300}, 1000, 800, r, r), QPoint(400, 300));
    // At 25 % a small picture is smaller than the region: it starts at 0.
    EXPECT_EQ(ClampPreviewStart({50, 50}, 150, 120, 900, 900), QPoint(0, 0));
}

TEST(PreviewBoxGeometry, DragFollowsThePointerAndStopsAtTheEdges)
{
    const double r = 225 / 5.0;
    // Moving the pointer 50 box pixels left at 500 % moves the region 10 pixels right.
    EXPECT_EQ(DragPreviewStart({100, 100}, {-50, 0}, 5.0f, 1000, 800, r, r), QPoint(110, 100));
    EXPECT_EQ(DragPreviewStart({950, 750}, {-500, -500}, 5.0f, 1000, 800, r, r), QPoint(955, 755));
    EXPECT_EQ(DragPreviewStart({10, 10}, {500, 500}, 5.0f, 1000, 800, r, r), QPoint(0, 0));
    // A picture smaller than the region cannot be dragged.
    EXPECT_EQ(DragPreviewStart({0, 0}, {-40, -40}, 0.25f, 150, 120, 900, 900), QPoint(0, 0));
}

TEST(PreviewBoxGeometry, ZoomSteps)
{
    EXPECT_FLOAT_EQ(WheelPreviewZoom(1.0f, 120), 1.1f);
    EXPECT_FLOAT_EQ(WheelPreviewZoom(2.0f, -120), 2.0f * (1.0f / 1.1f));
    EXPECT_FLOAT_EQ(WheelPreviewZoom(4.9f, 120), 5.0f);
    EXPECT_FLOAT_EQ(WheelPreviewZoom(0.26f, -120), 0.25f);
    EXPECT_FLOAT_EQ(ZoomInPreview(1.0f), 1.2f);
    EXPECT_FLOAT_EQ(ZoomOutPreview(1.2f), 1.0f);
    float z = 1.0f;
    for (int i = 0; i < 20; ++i)
        z = ZoomInPreview(z);
    EXPECT_FLOAT_EQ(z, 5.0f);
    for (int i = 0; i < 40; ++i)
        z = ZoomOutPreview(z);
    EXPECT_FLOAT_EQ(z, 0.25f);
}

} // namespace
} // namespace pv
