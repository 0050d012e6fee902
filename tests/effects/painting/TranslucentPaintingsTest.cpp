// Paintings of translucent pictures without a window (headless runs and
// scripts): the canvas start looks at the run's own source, and the paintings
// that mix colours as opaque ones keep the straight colour and the alpha.

#include "StampedPaintingsFixture.h"

#include "engine/Effect.h"

#include <gtest/gtest.h>

#include <cstdlib>


namespace pv {
namespace {

using namespace test;

std::vector<uint32_t> Painted(int effect, const ISkImage& source, const int (&P)[5])
{
    const ISkSurface dest = SkSurface::MakeRaster(source->width(), source->height());
    SetRandSeed(11);
    ProcessEffectOnSurface(source, dest, effect, P[0], P[1], P[2], P[3], P[4], false);
    return SurfacePixels(dest);
}

TEST(TranslucentPaintings, FullyTransparentPictureStaysTransparentWithoutAWindow)
{
    // No main window, so no window source to test: the start must look at
    // the run's source, or it clears to opaque white.
    const struct {
        int effect;
        int P[5];
    } cases[] = {
        {302, {10, 70, 30, 30, 100}},
        {303, {10, 70, 50, 50, 80}},
        {304, {10, 50, 50, 50, 100}},
        {307, {10, 50, 20, 50, 90}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CountDifferent(Painted(c.effect, SolidImage(120, 110, 0u), c.P), 0u), 0) << c.effect;
}

TEST(TranslucentPaintings, HalfTransparentPhotoIsPaintedAsTheOpaqueOneAtHalfAlpha)
{
    // A photo at alpha 128 is painted exactly as the opaque photo of its
    // straight colours, with the same seed, and takes alpha 128: a painting
    // that took premultiplied bytes for colours would come out half as
    // bright, or opaque.
    const struct {
        int effect;
        int P[5];
    } cases[] = {
        {305, {50, 30, 25, 60, 70}},
        {306, {35, 0, 0, 0, 0}},
        {307, {10, 50, 20, 50, 90}},
        {308, {70, 25, 25, 50, 30}},
    };
    // The opaque twin of the translucent photo: its straight colours, opaque.
    const ISkImage half = StampTestPhoto(96, 72, 128);
    std::vector<uint32_t> twin = AllPixels(half);
    for (uint32_t& p : twin)
        p = 0xFF000000u | UnpremultiplyPixel(p);
    const ISkImage opaque = ImageFromPixels(96, 72, twin);
    for (const auto& c : cases) {
        const std::vector<uint32_t> painted = Painted(c.effect, half, c.P);
        const std::vector<uint32_t> reference = Painted(c.effect, opaque, c.P);
        ASSERT_EQ(painted.size(), reference.size());
        int64_t wrongAlpha = 0, wrongColour = 0;
        for (size_t i = 0; i < painted.size(); ++i) {
            wrongAlpha += (painted[i] >> 24) != 128;
            // Premultiplied at alpha 128, the reference's colour rounds to the painted bytes.
            const uint32_t expected = PremultiplyColor((128u << 24) | (reference[i] & 0x00FFFFFFu));
            for (int shift = 0; shift <= 16; shift += 8)
                wrongColour += std::abs(int((painted[i] >> shift) & 0xFF) - int((expected >> shift) & 0xFF)) > 1;
        }
        EXPECT_EQ(wrongAlpha, 0) << c.effect;
        EXPECT_EQ(wrongColour, 0) << c.effect;
    }
}

} // namespace
} // namespace pv
