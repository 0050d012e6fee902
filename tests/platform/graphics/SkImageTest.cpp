#include "platform/graphics/SkCanvas.h"
#include "platform/graphics/SkImage.h"

#include <gtest/gtest.h>

namespace pv {
namespace {

TEST(SkImage, IdsAreUniqueAndSnapshotsAreDeepCopies)
{
    const ISkSurface surface = SkSurface::MakeRaster(3, 2);
    ASSERT_NE(surface, nullptr);
    surface->getCanvas()->clear(0xFF102030u);
    const ISkImage first = surface->makeImageSnapshot();
    SkPixmap pm;
    ASSERT_TRUE(surface->peekPixels(pm));
    pm.at(1, 1) = 0xFFFFFFFFu; // effects keep writing through row pointers
    const ISkImage second = surface->makeImageSnapshot();

    EXPECT_NE(first->uniqueID(), second->uniqueID());
    SkPixmap a, b;
    first->peekPixels(a);
    second->peekPixels(b);
    EXPECT_EQ(a.at(1, 1), 0xFF102030u);
    EXPECT_EQ(b.at(1, 1), 0xFFFFFFFFu);
}

TEST(SkImage, ReadPixelsClipsAndUnpremultiplies)
{
    const uint32_t pixels[4] = {0x80400000u, 0xFF00FF00u, 0x00000000u, 0xFF0000FFu};
    const ISkImage image = SkImage::MakeRasterCopy(pixels, 2, 2, 8);
    uint32_t out[4] = {};
    ASSERT_TRUE(image->readPixels(out, 8, 0, 0, 2, 2, SkAlphaType::Unpremul));
    EXPECT_EQ(out[0], 0x80800000u);
    EXPECT_EQ(out[1], 0xFF00FF00u);
    EXPECT_EQ(out[2], 0u);

    uint32_t one = 0;
    ASSERT_TRUE(image->readPixels(&one, 4, 1, 1, 5, 5)); // clipped to the picture
    EXPECT_EQ(one, 0xFF0000FFu);
    EXPECT_FALSE(image->readPixels(&one, 4, 2, 2, 1, 1));
}

TEST(SkImage, SubsetIsClippedOrNull)
{
    const ISkSurface surface = SkSurface::MakeRaster(4, 4);
    const ISkImage image = surface->makeImageSnapshot();
    const ISkImage part = image->makeSubset(SkIRect::MakeXYWH(-2, 1, 4, 10));
    ASSERT_NE(part, nullptr);
    EXPECT_EQ(part->width(), 2);
    EXPECT_EQ(part->height(), 3);
    EXPECT_EQ(image->makeSubset(SkIRect::MakeXYWH(5, 5, 2, 2)), nullptr);
}

TEST(SkSurface, RefusesEmptyAndAbsurdSizes)
{
    EXPECT_EQ(SkSurface::MakeRaster(0, 10), nullptr);
    EXPECT_EQ(SkSurface::MakeRaster(-1, 10), nullptr);
    EXPECT_EQ(SkSurface::MakeRaster(2147483647, 2147483647), nullptr);
}

TEST(SkSurface, DirectSurfaceWritesIntoCallerMemory)
{
    uint32_t memory[6] = {};
    const ISkSurface surface = SkSurface::MakeRasterDirect(memory, 3, 2, 12);
    ASSERT_NE(surface, nullptr);
    surface->getCanvas()->clear(kColorWhite);
    for (uint32_t p : memory)
        EXPECT_EQ(p, 0xFFFFFFFFu);
}

TEST(SkCanvas, DrawImageBlendsSourceOver)
{
    const ISkSurface surface = SkSurface::MakeRaster(2, 1);
    surface->getCanvas()->clear(0xFF0000FFu);
    const uint32_t half[1] = {0x80800000u}; // half-transparent red, premultiplied
    surface->getCanvas()->drawImage(SkImage::MakeRasterCopy(half, 1, 1, 4), 1, 0);
    SkPixmap pm;
    surface->peekPixels(pm);
    EXPECT_EQ(pm.at(0, 0), 0xFF0000FFu);
    const uint32_t p = pm.at(1, 0);
    EXPECT_EQ(p >> 24, 0xFFu);
    EXPECT_NEAR(int((p >> 16) & 0xFF), 0x80, 1);
    EXPECT_NEAR(int(p & 0xFF), 0x7F, 1);
}

TEST(Colors, PremultiplyAndBack)
{
    EXPECT_EQ(PremultiplyColor(0x80FF0000u), 0x80800000u);
    EXPECT_EQ(UnpremultiplyPixel(0x80800000u), 0x80FF0000u);
    EXPECT_EQ(UnpremultiplyPixel(0x00000000u), 0u);
    EXPECT_EQ(PremultiplyColor(0xFF123456u), 0xFF123456u);
}

} // namespace
} // namespace pv
