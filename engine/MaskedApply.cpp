#include "engine/MaskedApply.h"

#include "engine/ApplyCustomTexture.h"
#include "engine/Effect.h"
#include "platform/graphics/SkCanvas.h"
#include "platform/graphics/SkImage.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <cmath>
#include <cstring>
#include <new>

namespace pv {

SkIRect MaskCoverageBounds(const QImage& mask)
{
    if (mask.isNull() || mask.format() != QImage::Format_Alpha8)
        return {};
    const int w = mask.width(), h = mask.height();
    // Rows in parallel, each task joining into its own result under a lock
    // only once: the union is the same for any split.
    std::mutex lock;
    SkIRect bounds;
    ParallelForRange(
        0, h,
        [&](int lo, int hi) {
            SkIRect local;
            for (int y = lo; y < hi; ++y) {
                const uchar* row = mask.constScanLine(y);
                int first = 0;
                while (first < w && row[first] == 0)
                    ++first;
                if (first == w)
                    continue;
                int last = w - 1;
                while (row[last] == 0)
                    --last;
                local.join(SkIRect::MakeLTRB(first, y, last + 1, y + 1));
            }
            if (!local.isEmpty()) {
                std::lock_guard guard(lock);
                bounds.join(local);
            }
        },
        16);
    return bounds;
}

SkIRect ManualBrushRegion(const SkIRect& maskBounds, int w, int h)
{
    SkIRect r = maskBounds;
    if (w <= 0 || h <= 0 || !r.intersect(SkIRect::MakeWH(w, h)))
        return {};
    const float gx = float(w) * 0.01f + 4.0f, gy = float(h) * 0.01f + 4.0f;
    const int x0 = std::max(0, int(std::floor(float(r.left) - gx)));
    const int y0 = std::max(0, int(std::floor(float(r.top) - gy)));
    const int x1 = std::min(w, int(std::ceil(float(r.right) + gx)));
    const int y1 = std::min(h, int(std::ceil(float(r.bottom) + gy)));
    return SkIRect::MakeLTRB(x0, y0, x1, y1);
}

namespace {

inline uint32_t Div255(uint32_t v) { return (v + 128 + ((v + 128) >> 8)) >> 8; }

} // namespace

ISkImage BlendThroughMask(const ISkImage& base, const ISkImage& part, const QImage& mask, const SkIRect& region,
                          float opacity)
{
    SkPixmap b, p;
    if (!base || !part || !base->peekPixels(b) || !part->peekPixels(p) || region.isEmpty() ||
        mask.format() != QImage::Format_Alpha8 || mask.width() != b.width || mask.height() != b.height ||
        p.width != region.width() || p.height != region.height() ||
        !SkIRect::MakeWH(b.width, b.height).contains(region))
        return nullptr;
    QImage out(b.width, b.height, QImage::Format_ARGB32_Premultiplied);
    if (out.isNull())
        throw std::bad_alloc();
    const uint32_t op = uint32_t(std::clamp(std::lround(opacity * 255.0f), 0L, 255L));
    const int w = b.width;
    ParallelForRange(0, b.height, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            const uint32_t* src = b.row(y);
            auto* dst = reinterpret_cast<uint32_t*>(out.scanLine(y));
            std::memcpy(dst, src, size_t(w) * 4);
            if (y < region.top || y >= region.bottom || op == 0)
                continue;
            const uint32_t* e = p.row(y - region.top);
            const uchar* m = mask.constScanLine(y) + region.left;
            uint32_t* d = dst + region.left;
            for (int x = 0; x < region.width(); ++x) {
                const uint32_t k = Div255(uint32_t(m[x]) * op);
                if (k == 0)
                    continue;
                const uint32_t ep = e[x], bp = d[x];
                const uint32_t sa = Div255((ep >> 24) * k);
                const uint32_t inv = 255 - sa;
                uint32_t px = 0;
                for (int s = 0; s < 32; s += 8) {
                    const uint32_t c = Div255(((ep >> s) & 255) * k) + Div255(((bp >> s) & 255) * inv);
                    px |= std::min<uint32_t>(c, 255) << s;
                }
                d[x] = px;
            }
        }
    });
    return SkImage::MakeFromRaster(std::move(out));
}

ISkImage ApplyEffectThroughMask(const TMaskedEffectRun& run)
{
    const ISkImage& base = run.Base;
    const ISkImage& source = run.Source;
    if (!base || !source)
        return nullptr;
    const int w = source->width(), h = source->height();
    const SkIRect region = ManualBrushRegion(run.MaskBounds, w, h);
    if (base->width() != w || base->height() != h || run.Mask.width() != w || run.Mask.height() != h ||
        region.isEmpty())
        return nullptr;
    const ISkImage sourcePart = source->makeSubset(region);
    const ISkSurface surface = SkSurface::MakeRaster(region.width(), region.height());
    if (!sourcePart || !surface)
        throw std::bad_alloc();
    surface->getCanvas()->drawImage(sourcePart, 0, 0);
    surface->getCanvas()->flush();
    // The base picture is this thread's alone, and it goes whatever the effect does.
    struct BaseForThisRun {
        explicit BaseForThisRun(ISkImage image) { SetEffectBaseImage(std::move(image)); }
        ~BaseForThisRun() { SetEffectBaseImage(nullptr); }
    } baseForThisRun(base->makeSubset(region));
    ProcessEffectOnSurface(sourcePart, surface, run.EffectNumber, run.P[0], run.P[1], run.P[2], run.P[3], run.P[4],
                           false);
    ISkImage part = surface->makeImageSnapshot();
    if (run.Texture && !run.Texture->isNull())
        ApplyCustomTexture(part, run.Texture, run.TextureStrength, run.TextureScale);
    return BlendThroughMask(base, part, run.Mask, region, run.Opacity);
}

} // namespace pv
