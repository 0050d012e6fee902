#include "platform/graphics/RasterAlloc.h"

#include <gtest/gtest.h>

namespace pv {
namespace {

TEST(RasterAlloc, ZeroFilledWritablePackedAndAligned)
{
    for (auto [w, h] : {std::pair{1, 1}, {3, 7}, {1500, 1000}}) {
        QImage image = NewRasterImage(w, h);
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.format(), QImage::Format_ARGB32_Premultiplied);
        EXPECT_EQ(image.bytesPerLine(), qsizetype(w) * 4);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(image.constBits()) % 64, 0u);
        for (int y = 0; y < h; y += std::max(1, h / 7))
            for (int x = 0; x < w; x += std::max(1, w / 5))
                ASSERT_EQ(image.pixel(x, y), 0u);
        const uchar* before = image.constBits();
        image.setPixel(w - 1, h - 1, 0xFF112233u);
        EXPECT_EQ(image.constBits(), before) << "writing must not copy the raster";
        EXPECT_EQ(image.pixel(w - 1, h - 1), 0xFF112233u);
    }
}

TEST(RasterAlloc, RefusesEmptyAndAbsurdSizes)
{
    EXPECT_TRUE(NewRasterImage(0, 5).isNull());
    EXPECT_TRUE(NewRasterImage(5, -1).isNull());
    EXPECT_TRUE(NewRasterImage(2147483647, 2147483647).isNull());
}

} // namespace
} // namespace pv
