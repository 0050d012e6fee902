#include "platform/graphics/Resample.h"

#include "platform/graphics/SkImage.h"

#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>
#include <tbb/partitioner.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#ifdef __SSE4_1__
#include <smmintrin.h>
#endif

namespace pv {
namespace {

// One premultiplied pixel as four floats in memory order (B, G, R, A).
using Float4 = float __attribute__((vector_size(16)));
using Byte4 = uint8_t __attribute__((vector_size(4)));

constexpr int64_t kMaxResultPixels = int64_t(1) << 30;

inline Float4 ToFloat4(uint32_t pixel)
{
#ifdef __SSE4_1__
    return Float4(_mm_cvtepi32_ps(_mm_cvtepu8_epi32(_mm_cvtsi32_si128(int(pixel)))));
#else
    Byte4 bytes;
    std::memcpy(&bytes, &pixel, 4);
    return __builtin_convertvector(bytes, Float4);
#endif
}

// The filter taps of one axis: output i reads count[i] source pixels starting
// at first[i], with weights[i * stride ...] (normalised to sum 1).
struct AxisTaps {
    int stride = 1;
    int lo = 0, hi = 0; // source pixels any output reads
    std::vector<int> first;
    std::vector<int> count;
    std::vector<float> weights;
};

AxisTaps BuildAxisTaps(int outCount, double dstStart, double dstLen, double srcStart, double srcLen, int lo, int hi,
                       float B, float C)
{
    AxisTaps taps;
    taps.first.resize(size_t(outCount));
    taps.count.assign(size_t(outCount), 1);
    const double scale = srcLen / dstLen;
    const double offset = srcStart - dstStart;
    const auto clampIndex = [lo, hi](double v) { return int(std::clamp(v, double(lo), double(hi - 1))); };

    if (scale == 1.0 && offset == std::floor(offset)) {
        // Scale 1 at a whole-pixel offset: the cubic kernel would still blur
        // (its value at distance 1 is B / 6), so copy exactly instead.
        taps.weights.assign(size_t(outCount), 1.0f);
        for (int i = 0; i < outCount; ++i)
            taps.first[size_t(i)] = clampIndex(i + offset);
    } else {
        // Shrinking widens the kernel by the scale factor; it never needs to be
        // wider than the whole source.
        const double filterScale = std::clamp(scale, 1.0, double(hi - lo));
        const double support = 2.0 * filterScale;
        taps.stride = int(std::min(std::ceil(2.0 * support) + 3.0, double(hi - lo)));
        taps.weights.assign(size_t(outCount) * size_t(taps.stride), 0.0f);
        std::vector<double> bucket(size_t(taps.stride));
        for (int i = 0; i < outCount; ++i) {
            const double centre = srcStart + (i + 0.5 - dstStart) * scale;
            float* w = taps.weights.data() + size_t(i) * size_t(taps.stride);
            if (!(centre > lo - support) || !(centre < hi + support)) {
                // Every tap lies beyond one edge and repeats that edge pixel.
                taps.first[size_t(i)] = centre < lo ? lo : hi - 1;
                w[0] = 1.0f;
                continue;
            }
            const int64_t a = int64_t(std::floor(centre - support));
            const int64_t b = int64_t(std::ceil(centre + support));
            const int first = clampIndex(double(a));
            const int last = clampIndex(double(b));
            std::fill(bucket.begin(), bucket.end(), 0.0);
            double sum = 0;
            for (int64_t j = a; j <= b; ++j) {
                const double v = CubicFilter((double(j) + 0.5 - centre) / filterScale, B, C);
                bucket[size_t(clampIndex(double(j)) - first)] += v;
                sum += v;
            }
            int start = 0, end = last - first + 1;
            while (end > start + 1 && bucket[size_t(end - 1)] == 0.0)
                --end;
            while (start + 1 < end && bucket[size_t(start)] == 0.0)
                ++start;
            taps.first[size_t(i)] = first + start;
            taps.count[size_t(i)] = end - start;
            if (sum == 0.0 || !std::isfinite(sum)) {
                // Only possible for degenerate B and C: fall back to the nearest pixel.
                taps.first[size_t(i)] = clampIndex(std::floor(centre));
                taps.count[size_t(i)] = 1;
                w[0] = 1.0f;
                continue;
            }
            for (int k = start; k < end; ++k)
                w[k - start] = float(bucket[size_t(k)] / sum);
        }
    }
    taps.lo = INT_MAX;
    taps.hi = INT_MIN;
    for (int i = 0; i < outCount; ++i) {
        taps.lo = std::min(taps.lo, taps.first[size_t(i)]);
        taps.hi = std::max(taps.hi, taps.first[size_t(i)] + taps.count[size_t(i)]);
    }
    return taps;
}

// Premultiplied pixel from four rounded, clamped channels: colour never above alpha.
inline uint32_t StorePixel(const float* v)
{
    const float a = std::clamp(v[3], 0.0f, 255.0f);
    const auto channel = [a](float c) { return uint32_t(std::clamp(c, 0.0f, a) + 0.5f); };
    return (uint32_t(a + 0.5f) << 24) | (channel(v[2]) << 16) | (channel(v[1]) << 8) | channel(v[0]);
}

// Output rows [begin, end): every source row the band needs is filtered
// horizontally once and added straight into the output rows it feeds, so the
// band holds only its own accumulators. Each output's sum runs over its taps in
// the same order whatever the band, so the result never depends on banding.
void ResampleBand(const SkPixmap& src, const SkPixmap& dst, const AxisTaps& hx, const AxisTaps& vy, int begin,
                  int end)
{
    int rowLo = INT_MAX, rowHi = INT_MIN;
    for (int y = begin; y < end; ++y) {
        rowLo = std::min(rowLo, vy.first[size_t(y)]);
        rowHi = std::max(rowHi, vy.first[size_t(y)] + vy.count[size_t(y)]);
    }
    const size_t outFloats = size_t(dst.width) * 4;
    std::vector<float> acc(size_t(end - begin) * outFloats, 0.0f);
    std::vector<float> filtered(outFloats);
    std::vector<Float4> line(size_t(hx.hi - hx.lo));

    for (int sy = rowLo; sy < rowHi; ++sy) {
        const uint32_t* s = src.row(sy) + hx.lo;
        for (size_t x = 0; x < line.size(); ++x)
            line[x] = ToFloat4(s[x]);
        for (int x = 0; x < dst.width; ++x) {
            const float* w = hx.weights.data() + size_t(x) * size_t(hx.stride);
            const Float4* p = line.data() + (hx.first[size_t(x)] - hx.lo);
            const int n = hx.count[size_t(x)];
            Float4 sum = w[0] * p[0];
            for (int k = 1; k < n; ++k)
                sum += w[k] * p[k];
            std::memcpy(filtered.data() + size_t(x) * 4, &sum, sizeof sum);
        }
        for (int y = begin; y < end; ++y) {
            const int k = sy - vy.first[size_t(y)];
            if (k < 0 || k >= vy.count[size_t(y)])
                continue;
            const float wk = vy.weights[size_t(y) * size_t(vy.stride) + size_t(k)];
            float* out = acc.data() + size_t(y - begin) * outFloats;
            for (size_t i = 0; i < outFloats; ++i)
                out[i] += wk * filtered[i];
        }
    }

    for (int y = begin; y < end; ++y) {
        const float* v = acc.data() + size_t(y - begin) * outFloats;
        uint32_t* d = dst.row(y);
        for (int x = 0; x < dst.width; ++x)
            d[x] = StorePixel(v + size_t(x) * 4);
    }
}

bool Finite(const SkRect& r)
{
    return std::isfinite(r.left) && std::isfinite(r.top) && std::isfinite(r.right) && std::isfinite(r.bottom);
}

int ClampToRange(double v, int lo, int hi) { return int(std::clamp(v, double(lo), double(hi))); }

} // namespace

double CubicFilter(double x, float B, float C)
{
    const double b = B, c = C;
    x = std::fabs(x);
    if (x < 1.0)
        return ((12.0 - 9.0 * b - 6.0 * c) * x * x * x + (-18.0 + 12.0 * b + 6.0 * c) * x * x + (6.0 - 2.0 * b)) / 6.0;
    if (x < 2.0)
        return ((-b - 6.0 * c) * x * x * x + (6.0 * b + 30.0 * c) * x * x + (-12.0 * b - 48.0 * c) * x +
                (8.0 * b + 24.0 * c)) /
               6.0;
    return 0.0;
}

bool ResampleCubic(const SkPixmap& src, const SkRect& srcRect, const SkPixmap& dst, const SkRect& dstRect, float B,
                   float C)
{
    if (!src.valid() || !dst.valid() || !Finite(srcRect) || !Finite(dstRect) || srcRect.isEmpty() ||
        dstRect.isEmpty())
        return false;
    // Taps stay inside the source rectangle rounded out to whole pixels.
    const int x0 = ClampToRange(std::floor(srcRect.left), 0, src.width);
    const int x1 = ClampToRange(std::ceil(srcRect.right), 0, src.width);
    const int y0 = ClampToRange(std::floor(srcRect.top), 0, src.height);
    const int y1 = ClampToRange(std::ceil(srcRect.bottom), 0, src.height);
    if (x1 <= x0 || y1 <= y0)
        return false;

    const AxisTaps hx = BuildAxisTaps(dst.width, dstRect.left, dstRect.width(), srcRect.left, srcRect.width(), x0, x1,
                                      B, C);
    const AxisTaps vy = BuildAxisTaps(dst.height, dstRect.top, dstRect.height(), srcRect.top, srcRect.height(), y0,
                                      y1, B, C);
    // Bands of up to 64 rows: few enough source rows are filtered twice where
    // bands meet, and enough bands remain to keep every core busy.
    const int grain = std::clamp(dst.height / 32, 1, 64);
    tbb::parallel_for(
        tbb::blocked_range<int>(0, dst.height, size_t(grain)),
        [&](const tbb::blocked_range<int>& r) { ResampleBand(src, dst, hx, vy, r.begin(), r.end()); },
        tbb::simple_partitioner());
    return true;
}

ISkImage ResampleImageCubic(const ISkImage& image, int width, int height, float B, float C)
{
    SkPixmap src;
    if (!image || !image->peekPixels(src) || width <= 0 || height <= 0 || int64_t(width) * height > kMaxResultPixels)
        return nullptr;
    QImage out(width, height, QImage::Format_ARGB32_Premultiplied);
    if (out.isNull())
        throw std::bad_alloc();
    const SkPixmap dst{out.bits(), width, height, size_t(out.bytesPerLine())};
    ResampleCubic(src, SkRect::MakeWH(float(src.width), float(src.height)), dst,
                  SkRect::MakeWH(float(width), float(height)), B, C);
    return std::make_shared<const SkImage>(std::move(out), image->isOpaque());
}

} // namespace pv
