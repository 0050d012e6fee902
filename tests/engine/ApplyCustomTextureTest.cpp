#include "FakeHost.h"

#include "engine/ApplyCustomTexture.h"
#include "platform/system/Numbers.h"

#include <gtest/gtest.h>

#include <cmath>

namespace pv {
namespace {

using test::AllPixels;
using test::ImageFromPixels;

// Greys 0 100 / 200 40: mean 340 div 4 = 85.
QImage SmallTexture()
{
    QImage texture(2, 2, QImage::Format_RGB32);
    texture.setPixel(0, 0, qRgb(0, 0, 0));
    texture.setPixel(1, 0, qRgb(100, 100, 100));
    texture.setPixel(0, 1, qRgb(200, 200, 200));
    texture.setPixel(1, 1, qRgb(40, 40, 40));
    return texture;
}

// Seed 16 makes the offset draw Random(2) = 1.
constexpr uint32_t kSeedForOffsetOne = 16;

TEST(ApplyCustomTexture, BitmapToGrayArray)
{
    QImage bitmap(3, 1, QImage::Format_ARGB32);
    bitmap.setPixel(0, 0, qRgba(255, 0, 0, 255));   // 76.245
    bitmap.setPixel(1, 0, qRgba(0, 255, 0, 128));   // straight colour: 149.685
    bitmap.setPixel(2, 0, qRgba(10, 20, 200, 255)); // 2.99 + 11.74 + 22.8 = 37.53
    T2DIntArray grid;
    int mean = 0;
    BitmapToGrayArray(&bitmap, grid, mean);
    EXPECT_EQ(grid, (T2DIntArray{{76, 150, 38}}));
    EXPECT_EQ(mean, 88);

    const QImage empty;
    BitmapToGrayArray(&empty, grid, mean);
    EXPECT_TRUE(grid.empty());
    EXPECT_EQ(mean, 128);
}

TEST(ApplyCustomTexture, GreySumDoesNotOverflow)
{
    // 2902 x 2902 white pixels sum to 2 147 509 020, beyond 32 bits.
    QImage white(2902, 2902, QImage::Format_RGB32);
    white.fill(0xFFFFFFFFu);
    T2DIntArray grid;
    int mean = 0;
    BitmapToGrayArray(&white, grid, mean);
    EXPECT_EQ(mean, 255);
}

TEST(ApplyCustomTexture, HandCheckedShifts)
{
    const QImage texture = SmallTexture();
    struct Case {
        const char* name;
        int w, h;
        float scale;
        std::vector<uint32_t> before, after;
    };
    const Case cases[] = {
        // Scale 1, offset 1: pixel (x, y) meets texel ((x + 1) mod 2, (y + 1) mod 2), so t = 40, 200 / 100, 0 and
        // delta = 0.5 x (85 - t) = 22.5, -57.5 / -7.5, 42.5; 128 + delta lands on halves, rounded to even.
        // The translucent pixel (alpha 0x40) goes 48 + 22.5 -> 70 and clamps to its alpha; the transparent one stays.
        {"scale 1", 3, 2, 1.0f,
         {0xFF808080u, 0xFF808080u, 0x40303030u, 0xFF808080u, 0xFF808080u, 0x00000000u},
         {0xFF969696u, 0xFF464646u, 0x40404040u, 0xFF787878u, 0xFFAAAAAAu, 0x00000000u}},
        // Scale 2, tile 4: u = ((x + 1) mod 4) / 2 = 0.5, 1, 1.5, 0 and v = 0.5 blend the texels bilinearly:
        // t = 85, 70, 85, 100 -> 128, 135.5, 128, 120.5 -> 128, 136, 128, 120.
        {"scale 2", 4, 1, 2.0f,
         {0xFF808080u, 0xFF808080u, 0xFF808080u, 0xFF808080u},
         {0xFF808080u, 0xFF888888u, 0xFF808080u, 0xFF787878u}},
    };
    for (const Case& c : cases) {
        ISkImage image = ImageFromPixels(c.w, c.h, c.before);
        const ISkImage original = image;
        SetRandSeed(kSeedForOffsetOne);
        ApplyCustomTexture(image, &texture, 50, c.scale);
        ASSERT_NE(image, original) << c.name;
        EXPECT_EQ(AllPixels(image), c.after) << c.name;
        EXPECT_EQ(RandSeed(), kSeedForOffsetOne * 134775813u + 1u) << "exactly one draw";
    }
}

TEST(ApplyCustomTexture, CasesThatChangeNothing)
{
    const QImage texture = SmallTexture();
    const std::vector<uint32_t> opaque{0xFF808080u, 0xFF102030u, 0xFFFFFFFFu, 0xFF000000u};
    const std::vector<uint32_t> transparent(4, 0u);
    struct Case {
        const char* name;
        const std::vector<uint32_t>& pixels;
        int strength;
        float scale;
    };
    for (const Case& c : {Case{"strength 0", opaque, 0, 1.0f}, Case{"transparent picture", transparent, 100, 1.0f}}) {
        ISkImage image = ImageFromPixels(2, 2, c.pixels);
        const ISkImage original = image;
        ApplyCustomTexture(image, &texture, c.strength, c.scale);
        EXPECT_NE(image, original) << c.name << ": replaced by a copy";
        EXPECT_EQ(AllPixels(image), c.pixels) << c.name;
    }
    const QImage empty;
    for (const auto& [tex, scale] : {std::pair{&texture, 0.0f}, std::pair{&texture, -1.0f}, std::pair{&texture, NAN},
                                     std::pair{&empty, 1.0f}, std::pair{static_cast<const QImage*>(nullptr), 1.0f}}) {
        ISkImage image = ImageFromPixels(2, 2, opaque);
        const ISkImage original = image;
        SetRandSeed(7);
        ApplyCustomTexture(image, tex, 50, scale);
        EXPECT_EQ(image, original) << "scale " << scale;
        EXPECT_EQ(RandSeed(), 7u) << "no draw when nothing happens";
    }
    ISkImage none;
    ApplyCustomTexture(none, &texture, 50, 1.0f);
    EXPECT_EQ(none, nullptr);
}

TEST(ApplyCustomTexture, TileSize)
{
    EXPECT_EQ(TextureTileSize(1024, 0.5f), 512);
    EXPECT_EQ(TextureTileSize(1024, 2.0f), 2048);
    EXPECT_EQ(TextureTileSize(3, 0.1f), 1);  // below one pixel
    EXPECT_EQ(TextureTileSize(5, 0.5f), 2);  // 2.5 rounds to even
}

} // namespace
} // namespace pv
