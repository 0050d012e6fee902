#include "platform/graphics/MaskBlitter.h"

#include "platform/graphics/GraphicsParallel.h"
#include "platform/graphics/PixelMath.h"

#include <algorithm>
#include <cstring>

namespace pv {

void BlitCoverage(const RasterTarget& t, const CoverageMask& mask, const SkShader* shader, const SkMatrix& deviceToLocal,
                  TAlphaColor color, const RasterPaint& paint)
{
    SkIRect area = mask.bounds;
    if (!area.intersect(t.bounds) || !(paint.alpha > 0))
        return;
    // Without a shader the source is one colour: filter it once.
    uint32_t constant = 0;
    if (!shader) {
        const __m128 c = _mm_mul_ps(px::Premul(px::Load1(color)), _mm_set1_ps(std::min(paint.alpha, 1.0f)));
        constant = px::Store1(c);
        if (paint.colorFilter)
            constant = paint.colorFilter->filterPixel(constant);
    }
    auto rows = [&](int lo, int hi) {
        uint32_t src[kSpanChunk];
        uint8_t cov[kSpanChunk];
        for (int y = lo; y < hi; ++y) {
            uint32_t* dst = t.row(y);
            for (int xs = area.left; xs < area.right; xs += kSpanChunk) {
                const int n = std::min(kSpanChunk, area.right - xs);
                const uint8_t* c = nullptr;
                if (mask.base || t.clip) {
                    if (mask.base)
                        std::memcpy(cov, mask.row(y) + xs, size_t(n));
                    else
                        std::fill_n(cov, n, uint8_t(255));
                    ApplyClipCoverage(t.clip, xs, y, n, cov);
                    c = cov;
                }
                if (shader) {
                    shader->shadeSpan(deviceToLocal, xs, y, n, std::min(paint.alpha, 1.0f), src);
                    FinishSpan(paint, dst + xs, src, c, n);
                } else {
                    BlendSpanConst(paint.mode, dst + xs, constant, c, n);
                }
            }
        }
    };
    const int64_t pixels = int64_t(area.width()) * area.height();
    if (pixels < 65536)
        rows(area.top, area.bottom);
    else
        GraphicsParallelFor(area.top, area.bottom, std::max(1, 16384 / area.width()), rows);
}

} // namespace pv
