// Every effect on a uniform translucent colour: the output is a valid
// premultiplied picture, and where an effect keeps colours it keeps the
// straight colour too, instead of darkening it by the alpha once more or
// turning the picture opaque.

#include "engine/FakeHost.h"
#include "engine/Graphics.h"
#include "engine/U_repository.h"
#include "platform/system/Numbers.h"

#include <gtest/gtest.h>


namespace pv {
namespace {

using namespace test;

struct EffectCase {
    int effect;
    int P[5];
    // The greatest difference allowed between the source's straight colour and
    // the output's mean straight colour; 0 where the colour is not compared
    // (grey pencils, black ink, halftones, marker strokes, glow, sepia, film
    // looks, lookup tables and cartoons change it by design).
    int tolerance;
    // Pixels below alpha 10 get no paint of their own: at alpha 1 only the
    // effect's paper is left, whose colour is its own.
    bool skipsFaintPixels = false;
};

// Desktop defaults, except where a parameter would change the colour by
// design (saturation, brightness, edge accents held neutral).
constexpr EffectCase kEffects[] = {
    {100, {20, 50, 65, 5, 80}, 0},         {101, {10, 40, 30, 0, 30}, 0},
    {102, {20, 80, 30, 25, 0}, 0},         {103, {75, 50, 35, 25, 20}, 0},
    {200, {50, 50, 0, 0, 0}, 0},           {201, {50, 0, 0, 0, 0}, 0},
    {202, {65, 70, 30, 5, 40}, 0},         {203, {10, 0, 100, 50, 60}, 0},
    {300, {30, 40, 40, 100, 20}, 12, true}, {301, {90, 20, 50, 0, 50}, 12},
    {302, {10, 70, 30, 30, 100}, 8, true}, {303, {10, 70, 50, 50, 80}, 8},
    {304, {10, 50, 50, 50, 100}, 8, true}, {305, {50, 30, 25, 50, 70}, 8},
    {306, {35, 0, 0, 0, 0}, 8, true},      {307, {10, 50, 20, 50, 90}, 8, true},
    {308, {70, 25, 25, 50, 30}, 8},        {400, {40, 25, 50, 50, 40}, 0},
    {401, {50, 50, 50, 0, 50}, 4},         {402, {0, 70, 50, 50, 25}, 0},
    {403, {30, 35, 60, 20, 25}, 0},        {404, {100, 50, 50, 50, 50}, 0},
    {500, {20, 20, 80, 35, 25}, 0},        {501, {30, 55, 85, 40, 20}, 0},
    {502, {20, 30, 80, 35, 25}, 0},        {503, {10, 30, 50, 35, 25}, 0},
};

TEST(TranslucentPictures, EveryEffectGivesValidPremultipliedPixelsAndKeepsStraightColour)
{
    constexpr int W = 120, H = 100;
    Form3();
    ASSERT_EQ(std::size(kEffects), EffectCatalogue().size());
    for (const EffectCase& c : kEffects) {
        for (const uint8_t alpha : {uint8_t(200), uint8_t(128), uint8_t(1)}) {
            const uint32_t pixel = PremultiplyColor(MakeColor(alpha, 200, 40, 40));
            const TAlphaColor expected = UnpremultiplyPixel(pixel);
            const ISkSurface dest = SkSurface::MakeRaster(W, H);
            SetRandSeed(17);
            ProcessEffectOnSurface(SolidImage(W, H, pixel), dest, c.effect, c.P[0], c.P[1], c.P[2], c.P[3], c.P[4],
                                   false);
            SkPixmap pm;
            ASSERT_TRUE(dest->peekPixels(pm));
            int invalid = 0;
            double sumA = 0, sumR = 0, sumG = 0, sumB = 0;
            for (int y = 0; y < H; ++y)
                for (int x = 0; x < W; ++x) {
                    const uint32_t p = pm.at(x, y);
                    const uint32_t a = p >> 24;
                    invalid += ColorR(p) > a || ColorG(p) > a || ColorB(p) > a;
                    sumA += a;
                    sumR += ColorR(p);
                    sumG += ColorG(p);
                    sumB += ColorB(p);
                }
            EXPECT_EQ(invalid, 0) << c.effect << " at alpha " << int(alpha);
            const double r = sumA > 0 ? 255 * sumR / sumA : 0, g = sumA > 0 ? 255 * sumG / sumA : 0,
                         b = sumA > 0 ? 255 * sumB / sumA : 0;
            // A picture left fully transparent has no colour to compare.
            if (c.tolerance > 0 && sumA > 0 && !(alpha < 10 && c.skipsFaintPixels)) {
                EXPECT_NEAR(r, ColorR(expected), c.tolerance) << c.effect << " at alpha " << int(alpha);
                EXPECT_NEAR(g, ColorG(expected), c.tolerance) << c.effect << " at alpha " << int(alpha);
                EXPECT_NEAR(b, ColorB(expected), c.tolerance) << c.effect << " at alpha " << int(alpha);
            }
        }
    }
}

} // namespace
} // namespace pv
