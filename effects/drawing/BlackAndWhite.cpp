// Black & white ink turns the picture into pure black ink on white paper: an
// adaptive threshold against the local and the global brightness decides the
// fills, a second pass inks edges and thin dark lines, and an optional
// clean-up removes speckles and simplifies the shapes. Every pixel ends black
// or white, and transparent parts stay transparent.

#include "effects/drawing/BlackAndWhite.h"

#include "engine/PixelPlanes.h"
#include "platform/system/LargeBuffer.h"
#include "platform/system/Numbers.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <utility>

namespace pv {
namespace {

constexpr uint8_t kWhite = 1;
constexpr uint8_t kBlack = 0;

// Runs body(lo, hi) over the rows in blocks between progress rows: every
// block starts by checking for cancellation and reporting percent(y).
template <typename Percent, typename Body>
void ProgressRows(const ISkSurface& Dest, bool Preview, int h, Percent percent, Body&& body)
{
    const int step = std::max(1, h / 20);
    for (int y0 = 0; y0 < h; y0 += step) {
        CheckCancellation();
        ReportEffectProgress(Dest, Preview, percent(y0));
        ParallelForRange(y0, std::min(h, y0 + step), body);
    }
}

// G3: the 3 x 3 mean of the luma (transparent pixels count as white).
LargeBuffer<uint8_t> BlurredGrey(const SkPixmap& src, int w, int h)
{
    const size_t W = size_t(w);
    LargeBuffer<uint8_t> grey(W * size_t(h));
    {
        LargeBuffer<uint8_t> luma(W * size_t(h));
        ParallelForRange(0, h, [&](int lo, int hi) {
            for (int y = lo; y < hi; ++y) {
                const uint32_t* s = src.row(y);
                uint8_t* o = luma.data() + size_t(y) * W;
                for (int x = 0; x < w; ++x)
                    o[x] = (s[x] >> 24) >= 10 ? uint8_t(Luma1000(s[x])) : uint8_t(255);
            }
        }, 16);
        LargeBuffer<uint16_t> rows(W * size_t(h));
        ClampedRowSums(luma.data(), w, h, 1, rows.data());
        luma.reset();
        ParallelForRange(0, h, [&](int lo, int hi) {
            std::vector<uint32_t> sums(W);
            for (int y = lo; y < hi; ++y) {
                ClampedColumnSums(rows.data(), w, h, 1, y, sums.data());
                uint8_t* o = grey.data() + size_t(y) * W;
                for (int x = 0; x < w; ++x)
                    o[x] = uint8_t(sums[size_t(x)] / 9);
            }
        }, 16);
    }
    return grey;
}

// Pass 3 weights a 7 x 7 neighbourhood with 7 - |dx| - |dy|, which splits into
// (4 - |dx|) + (3 - |dy|): a triangle along the row summed over the column,
// plus a box along the row weighted by a triangle over the column.
int64_t SimplifyIteration(const uint8_t* snap, uint8_t* out, int w, int h, const InkValues& v, uint8_t* tri,
                          uint8_t* box)
{
    const size_t W = size_t(w);
    ParallelForRange(0, h, [&](int lo, int hi) {
        // The row padded with three repeated pixels on each side; the
        // triangle 1 2 3 4 3 2 1 is a box of four summed over four places.
        std::vector<uint8_t> padded(W + 6);
        std::vector<uint8_t> four(W + 3);
        for (int y = lo; y < hi; ++y) {
            const uint8_t* s = snap + size_t(y) * W;
            std::fill_n(padded.begin(), 3, s[0]);
            std::copy_n(s, W, padded.begin() + 3);
            std::fill_n(padded.begin() + 3 + std::ptrdiff_t(W), 3, s[W - 1]);
            const uint8_t* p = padded.data();
            for (size_t x = 0; x < W + 3; ++x)
                four[x] = uint8_t(p[x] + p[x + 1] + p[x + 2] + p[x + 3]);
            uint8_t* t = tri + size_t(y) * W;
            uint8_t* b = box + size_t(y) * W;
            for (size_t x = 0; x < W; ++x) {
                t[x] = uint8_t(four[x] + four[x + 1] + four[x + 2] + four[x + 3]);
                b[x] = uint8_t(four[x] + p[x + 4] + p[x + 5] + p[x + 6]);
            }
        }
    }, 16);
    // Ws is 255 times the weighted count of white pixels (0..175): the two
    // limits become limits on the count.
    const int blackAtMost = v.TurnBlackAt < 0 ? -1 : int(std::min<int64_t>(175, v.TurnBlackAt / 255));
    const int whiteAtLeast = v.TurnWhiteAt <= 0 ? 0 : int(std::min<int64_t>(176, (v.TurnWhiteAt + 254) / 255));
    std::atomic<int64_t> changed{0};
    ParallelForRange(0, h, [&](int lo, int hi) {
        std::vector<int16_t> white(W);
        int64_t local = 0;
        for (int y = lo; y < hi; ++y) {
            std::fill(white.begin(), white.end(), int16_t(0));
            for (int dy = -3; dy <= 3; ++dy) {
                const uint8_t* t = tri + size_t(std::clamp(y + dy, 0, h - 1)) * W;
                const uint8_t* b = box + size_t(std::clamp(y + dy, 0, h - 1)) * W;
                const int weight = 3 - std::abs(dy);
                for (size_t x = 0; x < W; ++x)
                    white[x] = int16_t(white[x] + t[x] + weight * b[x]);
            }
            const uint8_t* s = snap + size_t(y) * W;
            uint8_t* o = out + size_t(y) * W;
            int rowChanged = 0;
            for (size_t x = 0; x < W; ++x) {
                const uint8_t next = s[x] == kWhite ? uint8_t(white[x] > blackAtMost) : uint8_t(white[x] >= whiteAtLeast);
                rowChanged += next != s[x];
                o[x] = next;
            }
            local += rowChanged;
        }
        changed += local;
    }, 8);
    return changed.load();
}

// Speckle clean-up in place, row by row: later pixels see the new values of
// earlier ones, so this pass stays sequential.
void RemoveSpeckles(uint8_t* out, int w, int h)
{
    const size_t W = size_t(w);
    for (int y = 0; y < h; ++y) {
        const uint8_t* rows[3] = {out + size_t(std::max(0, y - 1)) * W, out + size_t(y) * W,
                                  out + size_t(std::min(h - 1, y + 1)) * W};
        uint8_t* o = out + size_t(y) * W;
        for (int x = 0; x < w; ++x) {
            const int xl = std::max(0, x - 1), xr = std::min(w - 1, x + 1);
            int black = 0;
            for (const uint8_t* r : rows)
                black += (r[xl] == kBlack) + (r[x] == kBlack) + (r[xr] == kBlack);
            o[x] = black < 5 ? kWhite : kBlack;
        }
    }
}

} // namespace

InkValues BlackAndWhiteInkValues(int P1, int P2, int P3, int P4)
{
    InkValues v;
    // 2.55 P as the exact decimal product: 50 gives 127.5, which rounds to 128
    // (2.55 held as a binary fraction is slightly less and would give 127).
    auto scaled = [](int p) { return Round64(double(p) * 255.0 / 100.0); };
    v.Detail = scaled(P1);
    v.Darkness = scaled(P2);
    v.Simplify = scaled(P3);
    v.EdgeLimit = 5 * (v.Darkness - 15);
    v.MeanOffset = 2 * (int64_t(P4) - 50);
    v.TurnBlackAt = 160 * v.Simplify;
    v.TurnWhiteAt = 160 * (255 - v.Simplify);
    v.Simplification = P3 > 0;
    return v;
}

int InkSimplifyIterations(bool Preview) { return Preview ? 3 : 15; }

int64_t InkFillThreshold(int64_t Sum81, int c, int64_t Tm, int64_t Detail)
{
    const int64_t n = (Sum81 - c) / 20;
    return (n + Tm + 192 - Detail) / 6;
}

int64_t InkGlobalMean(const uint8_t* grey, int w, int h)
{
    if (w <= 0 || h <= 0)
        return 0;
    const int step = std::max(1, h / 50);
    int64_t sum = 0, count = 0;
    for (int k = 0; k <= std::min(49, h - 1); ++k) {
        const uint8_t* row = grey + size_t(std::min(h - 1, k * step)) * size_t(w);
        for (int x = 0; x < w; ++x)
            sum += row[x];
        count += w;
    }
    return sum / count;
}

void blackandwhiteInk(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4, int,
                      bool Preview)
{
    if (!Source)
        return;
    CheckCancellation();
    SkPixmap src, dst;
    if (!Source->peekPixels(src) || !src.valid() || !Dest || !Dest->peekPixels(dst))
        return;
    const int w = std::min(src.width, dst.width), h = std::min(src.height, dst.height);
    if (w <= 0 || h <= 0)
        return;
    const size_t W = size_t(w);
    const InkValues v = BlackAndWhiteInkValues(P1, P2, P3, P4);

    const LargeBuffer<uint8_t> grey = BlurredGrey(src, w, h);
    const int64_t Tm = InkGlobalMean(grey.data(), w, h) + v.MeanOffset;
    LargeBuffer<uint8_t> out(W * size_t(h));

    // Pass 1, fills: the pixel against four times the mean of its 80 neighbours and the global mean.
    {
        LargeBuffer<uint16_t> rows(W * size_t(h));
        ClampedRowSums(grey.data(), w, h, 4, rows.data());
        ProgressRows(Dest, Preview, h, [&](int y) { return Round(30.0 * y / h); }, [&](int lo, int hi) {
            std::vector<uint32_t> sums(W);
            for (int y = lo; y < hi; ++y) {
                ClampedColumnSums(rows.data(), w, h, 4, y, sums.data());
                const uint8_t* g = grey.data() + size_t(y) * W;
                uint8_t* o = out.data() + size_t(y) * W;
                for (size_t x = 0; x < W; ++x)
                    o[x] = InkFillThreshold(sums[x], g[x], Tm, v.Detail) < g[x] ? kWhite : kBlack;
            }
        });
    }
    // Pass 2, edges: a pixel clearly darker than its surroundings gets ink.
    {
        LargeBuffer<uint16_t> rows(W * size_t(h));
        ClampedRowSums(grey.data(), w, h, 2, rows.data());
        ProgressRows(Dest, Preview, h, [&](int y) { return Round(30.0 * y / h) + 30; }, [&](int lo, int hi) {
            std::vector<uint32_t> sums(W);
            for (int y = lo; y < hi; ++y) {
                ClampedColumnSums(rows.data(), w, h, 2, y, sums.data());
                const uint8_t* g = grey.data() + size_t(y) * W;
                const uint8_t* below = grey.data() + size_t(std::min(h - 1, y + 2)) * W;
                uint8_t* o = out.data() + size_t(y) * W;
                for (size_t x = 0; x < W; ++x) {
                    const int64_t e = 3 * (31 * int64_t(g[x]) - int64_t(sums[x]) - 4 * int64_t(below[x]));
                    if (e < v.EdgeLimit)
                        o[x] = kBlack;
                }
            }
        });
    }

    // Pass 3, simplification.
    uint8_t* result = out.data();
    LargeBuffer<uint8_t> other;
    if (v.Simplification && !IsEffectCancelled()) {
        const int iterations = InkSimplifyIterations(Preview);
        other = LargeBuffer<uint8_t>(W * size_t(h));
        LargeBuffer<uint8_t> tri(W * size_t(h)), box(W * size_t(h));
        uint8_t* snap = out.data();
        uint8_t* next = other.data();
        for (int k = 1; k <= iterations; ++k) {
            CheckCancellation();
            const int64_t changed = SimplifyIteration(snap, next, w, h, v, tri.data(), box.data());
            result = next;
            if (changed <= 10)
                break;
            std::swap(snap, next);
            ReportEffectProgress(Dest, Preview, Round(40.0 * k / iterations) + 60);
        }
        tri.reset();
        box.reset();
        if (!Preview)
            RemoveSpeckles(result, w, h);
    }

    // Alpha follows the source; a transparent pixel carries no colour.
    Dest->getCanvas()->clear(kColorTransparent);
    if (!Dest->peekPixels(dst))
        return;
    ParallelForRange(0, h, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            const uint32_t* s = src.row(y);
            const uint8_t* r = result + size_t(y) * W;
            uint32_t* d = dst.row(y);
            for (int x = 0; x < w; ++x)
                d[x] = (s[x] >> 24) < 10 ? 0u : (r[x] == kWhite ? 0xFFFFFFFFu : 0xFF000000u);
        }
    }, 16);

    if (!Preview)
        SafeUpdateProgress(100);
    ReportEffectFinished(Dest, Preview);
}

PV_REGISTER_EFFECT(200, blackandwhiteInk);

} // namespace pv
