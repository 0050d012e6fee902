#include "platform/graphics/PolygonFill.h"

#include "platform/graphics/PixelMath.h"

#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>

#include <emmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace pv {
namespace {

// Polygons covering more pixels than this are blended over several threads.
constexpr int64_t kParallelArea = 64 * 1024;

// Adds the signed area one edge contributes to every cell it crosses: after a
// running sum along a row, each cell holds the pixel's covered fraction.
// Coordinates are relative to the cell grid; x is clamped to [0, w]. Every
// cell written is marked in the row's bit set, so a row is later walked from
// edge to edge without reading the cells in between.
struct CellGrid {
    float* cells;
    uint64_t* marks;
    int stride;      // cells per row
    int markStride;  // 64-bit words per row
    int w, h;

    void add(int y, int x, float v) const
    {
        cells[size_t(y) * size_t(stride) + size_t(x)] += v;
        marks[size_t(y) * size_t(markStride) + size_t(x >> 6)] |= uint64_t(1) << (x & 63);
    }
};

void AccumulateEdge(const CellGrid& g, float x0, float y0, float x1, float y1)
{
    if (y0 == y1)
        return;
    float dir = 1.0f;
    if (y0 > y1) {
        std::swap(x0, x1);
        std::swap(y0, y1);
        dir = -1.0f;
    }
    const float dxdy = (x1 - x0) / (y1 - y0);
    const int rowBegin = std::max(0, int(std::floor(y0)));
    const int rowEnd = std::min(g.h, int(std::ceil(y1)));
    const float fw = float(g.w);
    for (int y = rowBegin; y < rowEnd; ++y) {
        const float top = std::max(float(y), y0);
        const float bottom = std::min(float(y + 1), y1);
        const float d = (bottom - top) * dir;
        if (d == 0.0f)
            continue;
        float xa = std::clamp(x0 + (top - y0) * dxdy, 0.0f, fw);
        float xb = std::clamp(x0 + (bottom - y0) * dxdy, 0.0f, fw);
        const float xl = std::min(xa, xb), xr = std::max(xa, xb);
        const float xlFloor = std::floor(xl);
        const int il = int(xlFloor);
        const float xrCeil = std::ceil(xr);
        const int ir = std::max(int(xrCeil), il + 1);
        if (ir == il + 1) {
            const float mid = 0.5f * (xa + xb) - xlFloor;
            g.add(y, il, d - d * mid);
            g.add(y, il + 1, d * mid);
            continue;
        }
        const float s = 1.0f / (xr - xl);
        const float fl = xl - xlFloor;
        const float a0 = 0.5f * s * (1.0f - fl) * (1.0f - fl);
        const float fr = xr - xrCeil + 1.0f;
        const float am = 0.5f * s * fr * fr;
        g.add(y, il, d * a0);
        if (ir == il + 2) {
            g.add(y, il + 1, d * (1.0f - a0 - am));
        } else {
            const float a1 = s * (1.5f - fl);
            g.add(y, il + 1, d * (a1 - a0));
            for (int x = il + 2; x < ir - 1; ++x)
                g.add(y, x, d * s);
            const float a2 = a1 + float(ir - il - 3) * s;
            g.add(y, ir - 1, d * (1.0f - a2 - am));
        }
        g.add(y, ir, d * am);
    }
}

// Long interior runs of large patches are written past the cache: the pixels
// are replaced, not read, and will not be read again soon.
void FillOpaque(uint32_t* px, int n, uint32_t colour)
{
    constexpr int kStreamFrom = 256;
    if (n < kStreamFrom) {
        std::fill(px, px + n, colour);
        return;
    }
    while ((reinterpret_cast<uintptr_t>(px) & 15) != 0) {
        *px++ = colour;
        --n;
    }
    const __m128i v = _mm_set1_epi32(int(colour));
    int i = 0;
    for (; i + 4 <= n; i += 4)
        _mm_stream_si128(reinterpret_cast<__m128i*>(px + i), v);
    for (; i < n; ++i)
        px[i] = colour;
}

// Turns the written cells of one row into coverage and blends the colour over
// the pixels, leaving cells and marks zero for the next polygon. Between two
// written cells the coverage is constant, so whole runs are filled (or
// skipped) at once.
void BlendRow(const CellGrid& g, int y, uint32_t* px, uint32_t colour)
{
    float* cells = g.cells + size_t(y) * size_t(g.stride);
    uint64_t* marks = g.marks + size_t(y) * size_t(g.markStride);
    auto apply = [&](int from, int to, float acc) {
        to = std::min(to, g.w);
        if (from >= to)
            return;
        const auto a8 = uint32_t(std::nearbyint(std::min(1.0f, std::fabs(acc)) * 255.0f));
        if (a8 == 255 && (colour >> 24) == 255) {
            FillOpaque(px + from, to - from, colour);
        } else if (a8 != 0) {
            for (int i = from; i < to; ++i)
                px[i] = px::SrcOverCoverage(colour, px[i], a8);
        }
    };
    float acc = 0.0f;
    int runStart = -1;
    for (int word = 0; word < g.markStride; ++word) {
        uint64_t bits = marks[word];
        marks[word] = 0;
        while (bits) {
            const int x = word * 64 + __builtin_ctzll(bits);
            bits &= bits - 1;
            if (runStart >= 0)
                apply(runStart, x, acc);
            acc += cells[x];
            cells[x] = 0.0f;
            runStart = x;
        }
    }
    if (runStart >= 0)
        apply(runStart, runStart + 1, acc);
}

} // namespace

void PolygonFiller::fill(const SkPixmap& dst, const float* xy, int count, uint32_t colour)
{
    if (!dst.valid() || !xy || count < 3 || (colour >> 24) == 0)
        return;
    float minX = xy[0], maxX = xy[0], minY = xy[1], maxY = xy[1];
    for (int i = 1; i < count; ++i) {
        minX = std::min(minX, xy[2 * i]);
        maxX = std::max(maxX, xy[2 * i]);
        minY = std::min(minY, xy[2 * i + 1]);
        maxY = std::max(maxY, xy[2 * i + 1]);
    }
    if (!(minX < maxX && minY < maxY)) // also rejects NaN
        return;
    const int left = int(std::max(0.0f, std::floor(std::max(minX, -1.0f))));
    const int top = int(std::max(0.0f, std::floor(std::max(minY, -1.0f))));
    const int right = int(std::min(float(dst.width), std::ceil(std::min(maxX, float(dst.width) + 1.0f))));
    const int bottom = int(std::min(float(dst.height), std::ceil(std::min(maxY, float(dst.height) + 1.0f))));
    if (right <= left || bottom <= top)
        return;
    const int w = right - left, h = bottom - top;
    CellGrid g;
    g.stride = w + 2;
    g.markStride = (g.stride + 63) / 64;
    g.w = w;
    g.h = h;
    const size_t needed = size_t(g.stride) * size_t(h);
    if (cells_.size() < needed)
        cells_.resize(needed, 0.0f);
    const size_t markWords = size_t(g.markStride) * size_t(h);
    if (marks_.size() < markWords)
        marks_.resize(markWords, 0);
    g.cells = cells_.data();
    g.marks = marks_.data();

    const float ox = float(left), oy = float(top);
    for (int i = 0; i < count; ++i) {
        const int j = i + 1 == count ? 0 : i + 1;
        AccumulateEdge(g, xy[2 * i] - ox, xy[2 * i + 1] - oy, xy[2 * j] - ox, xy[2 * j + 1] - oy);
    }

    // Edge pixels lie on a new cache line in every row: ask for the lines a
    // few rows ahead while blending this one. (Inlined on purpose: the
    // compiler drops calls to a function whose only effect is a prefetch.)
    constexpr int kAhead = 12;
    auto prefetchRow = [&](int y) __attribute__((always_inline)) {
        const uint64_t* m = g.marks + size_t(y) * size_t(g.markStride);
        const uint32_t* row = dst.row(top + y) + left;
        for (int word = 0; word < g.markStride; ++word)
            if (m[word]) {
                __builtin_prefetch(row + std::min(w - 1, word * 64 + __builtin_ctzll(m[word])), 1);
                break;
            }
        for (int word = g.markStride - 1; word >= 0; --word)
            if (m[word]) {
                __builtin_prefetch(row + std::min(w - 1, word * 64 + 63 - __builtin_clzll(m[word])), 1);
                break;
            }
    };
    auto rows = [&](int lo, int hi) {
        for (int y = lo; y < std::min(hi, lo + kAhead); ++y)
            prefetchRow(y);
        for (int y = lo; y < hi; ++y) {
            if (y + kAhead < hi)
                prefetchRow(y + kAhead);
            BlendRow(g, y, dst.row(top + y) + left, colour);
        }
    };
    if (int64_t(w) * h >= kParallelArea && h >= 32) {
        tbb::parallel_for(tbb::blocked_range<int>(0, h, 8), [&](const tbb::blocked_range<int>& r) {
            rows(r.begin(), r.end());
            _mm_sfence();
        });
    } else {
        rows(0, h);
    }
    _mm_sfence();
}

} // namespace pv
