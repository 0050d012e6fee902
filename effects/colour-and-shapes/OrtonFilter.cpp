// Orton filter: the photographers' sandwich of a sharp and a blurred exposure.
// The blurred copy, brightened, is combined with the sharp picture in Screen
// mode, mixed back by the strength, and the result's colours are lifted.

#include "effects/colour-and-shapes/OrtonFilter.h"

#include "platform/graphics/SkImageFilter.h"
#include "platform/system/Numbers.h"

namespace pv {

TOrtonParams ComputeOrtonParams(int P1, int P2, int P3, int P4, int P5)
{
    TOrtonParams p;
    p.sigma = float(P1);
    p.exposure = Clamp(P2, -400, 60000);
    p.strength = Clamp(P3, -30000, 30000);
    p.vibrance = Clamp(P4, -30000, 30000);
    p.shift = (Clamp(P5, -200, 300) - 50) * 2;
    p.shiftFactor = float(p.shift) / 100.0f + 1.0f;
    return p;
}

void OrtonFilterEffect(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4, int P5, bool)
{
    if (!Source || !Dest)
        return;
    SkCanvas* canvas = Dest->getCanvas();
    canvas->save();
    canvas->clear(kColorTransparent);
    canvas->drawImage(Source, 0, 0);
    canvas->restore();
    if (Source->width() == 0 || Source->height() == 0)
        return;

    const TOrtonParams p = ComputeOrtonParams(P1, P2, P3, P4, P5);
    const ISkImage glow = BlurImage(Source, p.sigma, p.sigma, SkTileMode::kClamp);
    SkPixmap sharp, soft;
    if (!glow || !Dest->peekPixels(sharp) || !glow->peekPixels(soft))
        return;
    const int w = std::min(sharp.width, soft.width), h = std::min(sharp.height, soft.height);
    ParallelForRange(0, h, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            uint32_t* row = sharp.row(y);
            const uint32_t* glowRow = soft.row(y);
            for (int x = 0; x < w; ++x)
                if ((row[x] >> 24) > 5)
                    row[x] = OrtonPixel(row[x], glowRow[x], p);
        }
    });
}

PV_REGISTER_EFFECT(400, OrtonFilterEffect);

} // namespace pv
