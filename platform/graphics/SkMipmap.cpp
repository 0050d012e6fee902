#include "platform/graphics/SkMipmap.h"

#include "platform/graphics/GraphicsParallel.h"
#include "platform/graphics/RasterAlloc.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace pv {

namespace {

inline uint32_t Average4(uint32_t a, uint32_t b, uint32_t c, uint32_t d)
{
    // Two channels per 32-bit lane pair at a time, with room for the carries.
    const uint64_t m = 0x00FF00FF00FF00FFull;
    auto spread = [m](uint32_t p) { return (uint64_t(p) | (uint64_t(p) << 24)) & m; };
    const uint64_t sum = spread(a) + spread(b) + spread(c) + spread(d) + 0x0002000200020002ull;
    const uint64_t q = (sum >> 2) & m;
    return uint32_t(q | (q >> 24));
}

void Halve(const SkPixmap& src, const SkPixmap& dst)
{
    GraphicsParallelFor(0, dst.height, std::max(1, 65536 / std::max(1, dst.width)), [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            const uint32_t* r0 = src.row(std::min(2 * y, src.height - 1));
            const uint32_t* r1 = src.row(std::min(2 * y + 1, src.height - 1));
            uint32_t* out = dst.row(y);
            for (int x = 0; x < dst.width; ++x) {
                const int x0 = std::min(2 * x, src.width - 1), x1 = std::min(2 * x + 1, src.width - 1);
                out[x] = Average4(r0[x0], r0[x1], r1[x0], r1[x1]);
            }
        }
    });
}

SkPixmap PixmapOf(const QImage& img)
{
    return {const_cast<uint8_t*>(img.constBits()), img.width(), img.height(), size_t(img.bytesPerLine())};
}

} // namespace

SkMipmap::SkMipmap(const SkPixmap& base)
{
    SkPixmap prev = base;
    while (prev.width > 1 || prev.height > 1) {
        QImage next = NewRasterImage(std::max(1, prev.width / 2), std::max(1, prev.height / 2),
                                     QImage::Format_ARGB32_Premultiplied, false);
        if (next.isNull())
            throw std::bad_alloc();
        levels_.push_back(std::move(next));
        const SkPixmap dst = PixmapOf(levels_.back());
        Halve(prev, dst);
        prev = dst;
    }
}

SkPixmap SkMipmap::level(int k) const
{
    if (k < 1 || k > levelCount())
        return {};
    return PixmapOf(levels_[size_t(k - 1)]);
}

int SkMipmap::LevelForScale(float scale, int levelCount)
{
    if (!(scale > 0) || scale >= 1.0f || !std::isfinite(scale))
        return 0;
    // Nearest level in log2 terms, so a quarter-size drawing reads level 2.
    const int level = int(std::floor(std::log2(1.0 / double(scale)) + 0.5));
    return std::clamp(level, 0, levelCount);
}

} // namespace pv
