#include "engine/StraightColour.h"

#include "engine/Effect.h"
#include "platform/graphics/SkCanvas.h"
#include "platform/graphics/SkPaint.h"

#include <algorithm>

namespace pv {

StraightPicture MakeStraightPicture(const SkPixmap& picture)
{
    StraightPicture out;
    const int w = std::max(0, picture.width), h = std::max(0, picture.height);
    out.pixels = LargeBuffer<uint32_t>(size_t(w) * size_t(h));
    out.map = SkPixmap{reinterpret_cast<uint8_t*>(out.pixels.data()), w, h, size_t(w) * 4};
    ParallelForRange(0, h, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            const uint32_t* in = picture.row(y);
            uint32_t* o = out.map.row(y);
            for (int x = 0; x < w; ++x)
                o[x] = UnpremultiplyPixel(in[x]);
        }
    }, 16);
    return out;
}

void GiveSourceAlpha(const SkPixmap& source, const SkPixmap& canvas)
{
    const int w = std::min(source.width, canvas.width), h = std::min(source.height, canvas.height);
    ParallelForRange(0, h, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            const uint32_t* s = source.row(y);
            uint32_t* d = canvas.row(y);
            for (int x = 0; x < w; ++x) {
                const uint32_t a = s[x] >> 24;
                const uint32_t straight = UnpremultiplyPixel(d[x]) & 0x00FFFFFFu;
                d[x] = a == 255 ? (0xFF000000u | straight) : PremultiplyColor((a << 24) | straight);
            }
        }
    }, 16);
}

void ScaleBySourceAlpha(const ISkImage& source, const ISkSurface& canvas)
{
    if (!source || !canvas)
        return;
    SkPaint paint;
    paint.blendMode = SkBlendMode::kDstIn;
    canvas->getCanvas()->drawImage(source, 0, 0, SkSamplingOptions(), &paint);
}

ISkSurface CopyWithSourceAlpha(const SkPixmap& source, const ISkSurface& canvas)
{
    SkPixmap from, to;
    if (!canvas || !canvas->peekPixels(from))
        return nullptr;
    const ISkSurface copy = SkSurface::MakeRaster(from.width, from.height);
    if (!copy || !copy->peekPixels(to))
        return nullptr;
    for (int y = 0; y < from.height; ++y)
        std::copy_n(from.row(y), from.width, to.row(y));
    GiveSourceAlpha(source, to);
    return copy;
}

} // namespace pv
