// Every effect on a uniform translucent colour: the output is a valid
// premultiplied picture, and where an effect keeps colours it keeps the
// straight colour too, instead of darkening it by the alpha once more or
// turning the picture opaque; where it changes colours by design, it changes
// them as it does on the opaque picture. And no effect makes a tiny or
// one-pixel-thin opaque picture vanish.

#include "engine/FakeHost.h"
#include "engine/Effect.h"
#include "engine/Repository.h"
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
    // (black ink, halftones, marker strokes, glow, sepia, film looks, lookup
    // tables and cartoons change it by design).
    int tolerance;
    // Pixels below alpha 10 get no paint of their own: at alpha 1 only the
    // effect's paper is left, whose colour is its own.
    bool skipsFaintPixels = false;
    // The tolerance compares with the effect's own result on the opaque
    // picture of the same straight colour instead of with the source.
    bool againstOpaque = false;
    // That opaque picture is the straight colour laid over white paper, as
    // the effect lays a translucent picture before drawing it.
    bool overWhite = false;
};

// Desktop defaults, except where a parameter would change the colour by
// design (saturation, brightness, edge accents held neutral).
constexpr EffectCase kEffects[] = {
    {100, {20, 50, 65, 5, 80}, 0},         {101, {10, 40, 30, 0, 30}, 2, false, true},
    {102, {20, 80, 30, 25, 0}, 2, false, true, true}, {103, {75, 50, 35, 25, 20}, 2, false, true},
    {200, {50, 50, 0, 0, 0}, 0},           {201, {50, 0, 0, 0, 0}, 2, false, true},
    {202, {65, 70, 30, 5, 40}, 4, false, true},         {203, {10, 0, 100, 50, 60}, 0},
    {300, {30, 40, 40, 100, 20}, 12, true}, {301, {90, 20, 50, 0, 50}, 12},
    {302, {10, 70, 30, 30, 100}, 8, true}, {303, {10, 70, 50, 50, 80}, 8},
    {304, {10, 50, 50, 50, 100}, 8, true}, {305, {50, 30, 25, 50, 70}, 8},
    {306, {35, 0, 0, 0, 0}, 8, true},      {307, {10, 50, 20, 50, 90}, 8, true},
    {308, {70, 25, 25, 50, 30}, 8},        {400, {40, 25, 50, 50, 40}, 0},
    {401, {50, 50, 50, 0, 50}, 4},         {402, {0, 70, 50, 50, 25}, 0},
    {403, {30, 35, 60, 20, 25}, 0},        {404, {100, 50, 50, 50, 50}, 0},
    {500, {20, 20, 80, 35, 25}, 4},        {501, {30, 55, 85, 40, 20}, 0},
    {502, {20, 30, 80, 35, 25}, 4},        {503, {10, 30, 50, 35, 25}, 4},
};

struct Outcome {
    int invalid = 0; // pixels whose colour exceeds their alpha
    double alpha = 0, r = 0, g = 0, b = 0; // alpha sum and mean straight colour
};

Outcome RunOnUniformColour(const EffectCase& c, uint32_t pixel)
{
    constexpr int W = 120, H = 100;
    const ISkSurface dest = SkSurface::MakeRaster(W, H);
    SetRandSeed(17);
    ProcessEffectOnSurface(SolidImage(W, H, pixel), dest, c.effect, c.P[0], c.P[1], c.P[2], c.P[3], c.P[4], false);
    SkPixmap pm;
    Outcome out;
    if (!dest->peekPixels(pm)) {
        ADD_FAILURE() << c.effect << ": no pixels";
        return out;
    }
    double sumR = 0, sumG = 0, sumB = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const uint32_t p = pm.at(x, y);
            const uint32_t a = p >> 24;
            out.invalid += ColorR(p) > a || ColorG(p) > a || ColorB(p) > a;
            out.alpha += a;
            sumR += ColorR(p);
            sumG += ColorG(p);
            sumB += ColorB(p);
        }
    if (out.alpha > 0) {
        out.r = 255 * sumR / out.alpha;
        out.g = 255 * sumG / out.alpha;
        out.b = 255 * sumB / out.alpha;
    }
    return out;
}

TEST(TranslucentPictures, EveryEffectGivesValidPremultipliedPixelsAndKeepsStraightColour)
{
    Form3();
    ASSERT_EQ(std::size(kEffects), EffectCatalogue().size());
    for (const EffectCase& c : kEffects) {
        for (const uint8_t alpha : {uint8_t(200), uint8_t(128), uint8_t(1)}) {
            const uint32_t pixel = PremultiplyColor(MakeColor(alpha, 200, 40, 40));
            const Outcome out = RunOnUniformColour(c, pixel);
            EXPECT_EQ(out.invalid, 0) << c.effect << " at alpha " << int(alpha);
            // A picture left fully transparent has no colour to compare; at
            // alpha 1 a pixel's colour is 0 or 255, too coarse to hold the
            // shades of an effect that varies its colours.
            if (c.tolerance == 0 || out.alpha == 0 || (alpha < 10 && (c.skipsFaintPixels || c.againstOpaque)))
                continue;
            const TAlphaColor straight = UnpremultiplyPixel(pixel);
            double r = ColorR(straight), g = ColorG(straight), b = ColorB(straight);
            if (c.againstOpaque) {
                uint32_t twin = straight | 0xFF000000u;
                if (c.overWhite) {
                    const uint32_t a = alpha;
                    auto over = [a](uint32_t v) { return (v * a + 255 * (255 - a) + 127) / 255; };
                    twin = MakeColor(255, over(ColorR(straight)), over(ColorG(straight)), over(ColorB(straight)));
                }
                const Outcome opaque = RunOnUniformColour(c, twin);
                r = opaque.r, g = opaque.g, b = opaque.b;
            }
            EXPECT_NEAR(out.r, r, c.tolerance) << c.effect << " at alpha " << int(alpha);
            EXPECT_NEAR(out.g, g, c.tolerance) << c.effect << " at alpha " << int(alpha);
            EXPECT_NEAR(out.b, b, c.tolerance) << c.effect << " at alpha " << int(alpha);
        }
    }
}

// Strokes that find no room on such pictures once left them fully
// transparent under an "ok": the picture simply vanished from the window. An
// effect either paints something or leaves the picture as it was; one that
// cannot hold the picture at all says so with an error.
TEST(TinyPictures, NoEffectLeavesAnOpaquePictureFullyTransparent)
{
    Form3();
    constexpr struct {
        int w, h;
    } kSizes[] = {{1, 1}, {8, 2000}, {2000, 8}, {96, 96}, {60000, 2}};
    for (const auto size : kSizes) {
        const ISkImage source = DrawingFixture(size.w, size.h);
        for (const EffectCase& c : kEffects) {
            SCOPED_TRACE(testing::Message() << c.effect << " at " << size.w << " x " << size.h);
            const ISkSurface dest = SkSurface::MakeRaster(size.w, size.h);
            SetRandSeed(17);
            try {
                ProcessEffectOnSurface(source, dest, c.effect, c.P[0], c.P[1], c.P[2], c.P[3], c.P[4], false);
            } catch (...) {
                const ErrorDescription error = DescribeError(std::current_exception());
                EXPECT_FALSE(error.message.empty()) << error.className;
                continue;
            }
            SkPixmap pm;
            ASSERT_TRUE(dest->peekPixels(pm));
            EXPECT_TRUE(HasVisiblePixel(pm));
        }
    }
}

} // namespace
} // namespace pv
