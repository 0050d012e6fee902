#include "GraphicsTestUtil.h"

#include "platform/graphics/SkBlur.h"
#include "platform/graphics/SkImageFilter.h"

#include <gtest/gtest.h>

#include <cmath>

namespace pv {
namespace {

using test::Alpha;
using test::MakeConstant;
using test::MakeImage;
using test::PixelAt;

// Sigmas on both sides of the switch from the exact kernel to three boxes,
// with odd and even box sizes.
const float kSigmas[] = {0.6f, 1.5f, 2.0f, 4.0f, 5.0f, 12.0f};

TEST(SkBlur, ConstantPictureStaysConstantWithClampedEdges)
{
    for (uint32_t value : {0xFF336699u, 0x80402010u}) {
        const ISkImage image = MakeConstant(37, 23, value);
        for (float sigma : kSigmas) {
            const ISkImage out = BlurImage(image, sigma, sigma, SkTileMode::kClamp);
            for (int y = 0; y < 23; ++y)
                for (int x = 0; x < 37; ++x)
                    ASSERT_EQ(PixelAt(out, x, y), value) << "sigma " << sigma << " at " << x << "," << y;
        }
    }
}

TEST(SkBlur, DecalEdgesLoseEnergy)
{
    const ISkImage image = MakeConstant(41, 41, 0xFFFFFFFFu);
    for (float sigma : {1.5f, 3.0f}) {
        const ISkImage out = BlurImage(image, sigma, sigma, SkTileMode::kDecal);
        EXPECT_EQ(PixelAt(out, 20, 20), 0xFFFFFFFFu);
        // An edge pixel keeps the half of the kernel over the picture plus
        // half of its centre weight; a corner pixel that share squared.
        const double f = 0.5 + 0.5 / (sigma * std::sqrt(2 * 3.14159265358979));
        EXPECT_NEAR(Alpha(PixelAt(out, 20, 0)), 255 * f, 6) << sigma;
        EXPECT_NEAR(Alpha(PixelAt(out, 0, 0)), 255 * f * f, 6) << sigma;
    }
}

TEST(SkBlur, ImpulseSpreadsSymmetricallyAndKeepsItsEnergy)
{
    const int n = 41, c = 20;
    // A 3 x 3 block of full white keeps the sums above rounding noise.
    const ISkImage impulse =
        MakeImage(n, n, [&](int x, int y) { return std::abs(x - c) <= 1 && std::abs(y - c) <= 1 ? 0xFFFFFFFFu : 0u; });
    // Up to sigma 5: beyond, the spread-out values fall below one step of 8 bits.
    for (float sigma : {0.6f, 1.5f, 2.0f, 4.0f, 5.0f}) {
        const ISkImage out = BlurImage(impulse, sigma, sigma, SkTileMode::kDecal);
        double sum = 0;
        for (int y = 0; y < n; ++y)
            for (int x = 0; x < n; ++x) {
                const uint32_t p = PixelAt(out, x, y);
                sum += Alpha(p);
                ASSERT_EQ(p, PixelAt(out, 2 * c - x, y)) << sigma;
                ASSERT_EQ(p, PixelAt(out, x, 2 * c - y)) << sigma;
                // Rows and columns round at different passes: the transposed
                // picture may differ by one.
                ASSERT_LE(test::ChannelDiff(p, PixelAt(out, y, x)), 1) << sigma;
            }
        EXPECT_NEAR(sum / (9 * 255.0), 1.0, 0.02) << sigma;
    }
}

TEST(SkBlur, LargeSigmaIsCloseToTheExactGaussian)
{
    // A step from black to white along x; the blurred step is the Gaussian's
    // cumulative distribution.
    const int w = 301, edge = 150;
    const float sigma = 20.0f;
    const ISkImage step = MakeImage(w, 3, [&](int x, int) { return x >= edge ? 0xFFFFFFFFu : 0xFF000000u; });
    const ISkImage out = BlurImage(step, sigma, 0, SkTileMode::kClamp);
    int worst = 0;
    for (int x = 60; x < w - 60; ++x) {
        const double t = (x - edge + 0.5) / sigma;
        const double expected = 255.0 * 0.5 * (1.0 + std::erf(t / std::sqrt(2.0)));
        worst = std::max(worst, int(std::lround(std::abs((PixelAt(out, x, 1) & 0xFF) - expected))));
    }
    EXPECT_LE(worst, 4);
}

TEST(SkBlur, InPlaceBlurEqualsBlurIntoNewPicture)
{
    const ISkImage image =
        MakeImage(45, 32, [](int x, int y) { return ((x * 7 + y * 13) % 5 == 0) ? 0xFF20A040u : 0x40100804u; });
    for (float sigma : {1.2f, 4.0f, 9.0f})
        for (SkTileMode tile : {SkTileMode::kClamp, SkTileMode::kDecal, SkTileMode::kMirror}) {
            const ISkImage expected = BlurImage(image, sigma, sigma * 0.5f, tile);
            const ISkSurface s = SkSurface::MakeRaster(45, 32);
            s->getCanvas()->drawImage(image, 0, 0, SkSamplingOptions(), nullptr);
            SkPixmap pm;
            s->peekPixels(pm);
            BlurPixmap(pm, sigma, sigma * 0.5f, tile);
            for (int y = 0; y < 32; ++y)
                for (int x = 0; x < 45; ++x)
                    ASSERT_EQ(pm.at(x, y), PixelAt(expected, x, y)) << sigma << " tile " << int(tile);
        }
}

TEST(SkBlur, BoxSizesFollowTheSigma)
{
    // d = floor(sigma * 3 sqrt(2 pi) / 4 + 0.5): 5 -> 9 (odd, centred), 4 -> 8 (even: two leaning boxes and one of 9).
    const BoxWindows odd = BlurBoxWindows(5.0f);
    EXPECT_EQ(odd.lo[0], -4);
    EXPECT_EQ(odd.hi[2], 4);
    const BoxWindows even = BlurBoxWindows(4.0f);
    EXPECT_EQ(even.hi[0] - even.lo[0] + 1, 8);
    EXPECT_EQ(even.lo[0] + even.hi[0], -1);
    EXPECT_EQ(even.lo[1] + even.hi[1], 1);
    EXPECT_EQ(even.hi[2] - even.lo[2] + 1, 9);
    EXPECT_TRUE(BlurBoxWindows(0.0f).empty);
}

} // namespace
} // namespace pv
