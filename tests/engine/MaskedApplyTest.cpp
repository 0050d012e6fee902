#include "engine/Effect.h"
#include "engine/MaskedApply.h"
#include "platform/graphics/SkImage.h"

#include <gtest/gtest.h>

namespace pv {
namespace {

ISkImage Flat(int w, int h, uint32_t pixel)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(pixel);
    return SkImage::MakeFromRaster(std::move(img));
}

QImage Coverage(int w, int h, const SkIRect& painted, uchar value)
{
    QImage mask(w, h, QImage::Format_Alpha8);
    mask.fill(0);
    for (int y = painted.top; y < painted.bottom; ++y)
        for (int x = painted.left; x < painted.right; ++x)
            mask.scanLine(y)[x] = value;
    return mask;
}

uint32_t At(const ISkImage& image, int x, int y)
{
    SkPixmap pm;
    return image->peekPixels(pm) ? pm.at(x, y) : 0;
}

TEST(MaskedApply, RegionGrowsByOnePercentAndFourPixelsAndStaysOnThePicture)
{
    const struct {
        SkIRect bounds;
        int w, h;
        SkIRect region;
    } cases[] = {
        {SkIRect::MakeLTRB(400, 300, 500, 400), 1000, 800, SkIRect::MakeLTRB(386, 288, 514, 412)},
        {SkIRect::MakeLTRB(5, 5, 20, 20), 1000, 800, SkIRect::MakeLTRB(0, 0, 34, 32)},
        {SkIRect::MakeLTRB(990, 790, 1200, 900), 1000, 800, SkIRect::MakeLTRB(976, 778, 1000, 800)},
        {SkIRect::MakeLTRB(1200, 900, 1300, 1000), 1000, 800, SkIRect()}, // misses the picture
    };
    for (const auto& c : cases)
        EXPECT_EQ(ManualBrushRegion(c.bounds, c.w, c.h), c.region);
}

TEST(MaskedApply, MaskBoundsHoldEveryCoveredPixel)
{
    EXPECT_TRUE(MaskCoverageBounds(Coverage(50, 40, {}, 0)).isEmpty());
    QImage mask = Coverage(50, 40, SkIRect::MakeLTRB(10, 7, 20, 9), 3);
    mask.scanLine(30)[44] = 1;
    EXPECT_EQ(MaskCoverageBounds(mask), SkIRect::MakeLTRB(10, 7, 45, 31));
}

TEST(MaskedApply, OpacityAndCoverageScaleTheEffectOverTheResult)
{
    const ISkImage base = Flat(40, 30, 0xFF000000u);
    const SkIRect region = SkIRect::MakeLTRB(10, 10, 30, 20);
    const ISkImage part = Flat(region.width(), region.height(), 0xFFC8C8C8u); // grey 200
    QImage mask = Coverage(40, 30, SkIRect::MakeLTRB(10, 10, 20, 20), 255);
    for (int y = 10; y < 20; ++y)
        mask.scanLine(y)[25] = 128; // a soft edge
    const struct {
        float opacity;
        int x;
        uint32_t expected;
    } cases[] = {
        {1.0f, 15, 0xFFC8C8C8u}, // fully covered, full opacity: the effect
        {0.5f, 15, 0xFF646464u}, // half of it over black
        {0.5f, 25, 0xFF323232u}, // less towards the soft edge
        {1.0f, 22, 0xFF000000u}, // inside the region, outside the stroke: the result
        {1.0f, 5, 0xFF000000u},  // outside the region
    };
    for (const auto& c : cases) {
        const ISkImage out = BlendThroughMask(base, part, mask, region, c.opacity);
        ASSERT_TRUE(out);
        EXPECT_EQ(At(out, c.x, 15), c.expected) << c.opacity << " at " << c.x;
    }
    // Translucent pixels stay valid premultiplied ones.
    const ISkImage clear = Flat(40, 30, 0x00000000u);
    const ISkImage translucent = Flat(region.width(), region.height(), 0x80808080u);
    const uint32_t p = At(BlendThroughMask(clear, translucent, mask, region, 0.7f), 15, 15);
    EXPECT_LE((p >> 16) & 255, p >> 24);
    // Parts that do not fit give nothing.
    EXPECT_FALSE(BlendThroughMask(base, part, mask, SkIRect::MakeLTRB(10, 10, 31, 20), 1));
}

TEST(MaskedApply, TheSameBlendOnOneWorkerAndOnMany)
{
    QImage noise(300, 200, QImage::Format_ARGB32_Premultiplied);
    QImage mask(300, 200, QImage::Format_Alpha8);
    uint32_t s = 7;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 300; ++x) {
            s = s * 134775813u + 1;
            reinterpret_cast<uint32_t*>(noise.scanLine(y))[x] = 0xFF000000u | (s >> 8);
            mask.scanLine(y)[x] = uchar(s >> 24);
        }
    const ISkImage base = SkImage::MakeFromRaster(std::move(noise));
    const SkIRect region = SkIRect::MakeLTRB(20, 30, 280, 190);
    const ISkImage part = base->makeSubset(SkIRect::MakeLTRB(0, 0, region.width(), region.height()));
    SetSharedPoolWorkers(1);
    const ISkImage one = BlendThroughMask(base, part, mask, region, 0.8f);
    SetSharedPoolWorkers(8);
    const ISkImage many = BlendThroughMask(base, part, mask, region, 0.8f);
    SetSharedPoolWorkers(0);
    EXPECT_EQ(one->qimage(), many->qimage());
}

} // namespace
} // namespace pv
