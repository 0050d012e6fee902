#include "platform/graphics/ResampleNearest.h"

#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace pv {
namespace {

bool Finite(const SkRect& r)
{
    return std::isfinite(r.left) && std::isfinite(r.top) && std::isfinite(r.right) && std::isfinite(r.bottom);
}

// Source index of every output position along one axis.
std::vector<int> AxisIndices(int outCount, double dstStart, double dstLen, double srcStart, double srcLen, int lo,
                             int hi)
{
    std::vector<int> index(static_cast<size_t>(outCount));
    const double scale = srcLen / dstLen;
    for (int i = 0; i < outCount; ++i) {
        const double s = std::floor(srcStart + (i + 0.5 - dstStart) * scale);
        index[size_t(i)] = int(std::clamp(s, double(lo), double(hi - 1)));
    }
    return index;
}

} // namespace

bool ResampleNearest(const SkPixmap& src, const SkRect& srcRect, const SkPixmap& dst, const SkRect& dstRect)
{
    if (!src.valid() || !dst.valid() || !Finite(srcRect) || !Finite(dstRect) || srcRect.isEmpty() ||
        dstRect.isEmpty())
        return false;
    const int x0 = int(std::clamp(std::floor(double(srcRect.left)), 0.0, double(src.width)));
    const int x1 = int(std::clamp(std::ceil(double(srcRect.right)), 0.0, double(src.width)));
    const int y0 = int(std::clamp(std::floor(double(srcRect.top)), 0.0, double(src.height)));
    const int y1 = int(std::clamp(std::ceil(double(srcRect.bottom)), 0.0, double(src.height)));
    if (x1 <= x0 || y1 <= y0)
        return false;
    const std::vector<int> xs = AxisIndices(dst.width, dstRect.left, dstRect.width(), srcRect.left, srcRect.width(),
                                            x0, x1);
    const std::vector<int> ys = AxisIndices(dst.height, dstRect.top, dstRect.height(), srcRect.top,
                                            srcRect.height(), y0, y1);
    tbb::parallel_for(tbb::blocked_range<int>(0, dst.height, 16), [&](const tbb::blocked_range<int>& r) {
        for (int y = r.begin(); y < r.end(); ++y) {
            const uint32_t* s = src.row(ys[size_t(y)]);
            uint32_t* d = dst.row(y);
            for (int x = 0; x < dst.width; ++x)
                d[x] = s[xs[size_t(x)]];
        }
    });
    return true;
}

} // namespace pv
