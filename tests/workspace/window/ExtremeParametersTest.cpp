#include "engine/Effect.h"
#include "engine/Repository.h"
#include "platform/graphics/SkImage.h"

#include <QElapsedTimer>
#include <QImage>
#include <gtest/gtest.h>

#include <climits>

namespace pv {
namespace {

// Values from scripts and the command line at the ends of the 32-bit range:
// every effect still finishes, in about the time of its slider-maximum run.
class ExtremeParameters : public ::testing::TestWithParam<int> {};

TEST_P(ExtremeParameters, EveryEffectFinishes)
{
    const int effect = GetParam();
    ASSERT_NE(FindEffect(effect)->proc, nullptr);
    QImage img(64, 48, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            img.setPixel(x, y, qRgb(x * 4, y * 5, (x * y) % 256));
    const ISkImage source = SkImage::MakeFromRaster(std::move(img));
    Form3(); // the built-in pictures, as the command line has them
    for (const int v : {INT_MAX, INT_MIN}) {
        const ISkSurface dest = SkSurface::MakeRaster(64, 48);
        QElapsedTimer timer;
        timer.start();
        ProcessEffectOnSurface(source, dest, effect, v, v, v, v, v, false);
        // A sanity bound, far above what these take (the slowest, whose
        // extremes are its slider maxima, takes seconds on a busy machine);
        // an endless run never meets it.
        EXPECT_LT(timer.elapsed(), 240000) << effect << " with " << v;
    }
}

INSTANTIATE_TEST_SUITE_P(AllEffects, ExtremeParameters,
                         ::testing::Values(100, 101, 102, 103, 200, 201, 202, 203, 300, 301, 302, 303, 304, 305, 306,
                                           307, 308, 400, 401, 402, 403, 404, 500, 501, 502, 503));

} // namespace
} // namespace pv
