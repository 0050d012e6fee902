// Smooth painting repaints the picture with one brush mark of the atlas,
// prepared in seven orientations. For every pixel it finds the orientation
// whose stamp, filled with the mean colour under it, best matches the picture
// around the pixel. Strokes are then taken on a grid, the best-matching pixel
// of each window, and drawn worst first so the best matches end on top. Patches
// the strokes missed are filled with their region's colour and bright specks
// removed. Further passes repaint the previous pass's painting the same way.
//
// Every pass starts from a white silhouette of its input, so the erase switch
// and the previous result play no part.
//
// A translucent input is matched and painted in its straight colour as an
// opaque picture on white; the pass's painting then takes the input's alpha.

#include "effects/painting/SmoothPainting.h"

#include "engine/StraightColour.h"
#include "engine/Repository.h"
#include "platform/graphics/PixelMath.h"
#include "platform/system/LargeBuffer.h"
#include "platform/system/Numbers.h"
#include "platform/system/Threads.h"

#include <tbb/enumerable_thread_specific.h>
#include <tbb/task_group.h>

#include <immintrin.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <numbers>

namespace pv {

// ------------------------------------------------------------------ derived values

TemplateMatchingParams ComputeTemplateMatchingParams(int P1, int P2)
{
    TemplateMatchingParams p;
    p.BrushSize = Clamp(P1 / 2, 8, 50);
    p.HalfSize = p.BrushSize / 2;
    p.Passes = Clamp(P2 / 20, 1, 5);
    p.GridStep = std::max(1, p.BrushSize / 10);
    p.TotalWork = double(p.Passes) * 430.0;
    return p;
}

int64_t TemplateMatchingKeptStrokes(int64_t count)
{
    return Round64(double(count) * double(0.95f));
}

SkRect AtlasCellRect(int cell, int cellSide)
{
    const float s = float(cellSide);
    return SkRect::MakeXYWH(s * float(cell % 5), s * float(cell / 5), s, s);
}

const float* AtlasCoverageMatrix()
{
    static const float m[20] = {0, 0, 0, 0, 1, //
                                0, 0, 0, 0, 1, //
                                0, 0, 0, 0, 1, //
                                -0.299f, -0.587f, -0.114f, 0, 1};
    return m;
}

std::vector<ISkImage> CutAtlasStamps(const ISkImage& atlas, int cellSide, const float* coverage)
{
    std::vector<ISkImage> stamps;
    if (!atlas || cellSide <= 0)
        return stamps;
    const ISkSurface surface = SkSurface::MakeRaster(cellSide, cellSide);
    if (!surface)
        return stamps;
    SkPaint paint;
    paint.setAntiAlias(true);
    paint.setColorFilter(SkColorFilters::Matrix(coverage));
    const SkRect dst = SkRect::MakeWH(float(cellSide), float(cellSide));
    for (int k = 0; k < kAtlasMarks; ++k) {
        SkCanvas* canvas = surface->getCanvas();
        canvas->clear(kColorTransparent);
        canvas->drawImageRect(atlas, AtlasCellRect(k, cellSide), dst, SkSamplingOptions::Mitchell(), &paint,
                              SkSrcRectConstraint::kFast);
        canvas->flush();
        stamps.push_back(surface->makeImageSnapshot());
    }
    return stamps;
}

OrientedStamps BuildOrientedStamps(const ISkImage& atlas, int cell, int brushSize)
{
    OrientedStamps out;
    out.BrushSize = brushSize;
    out.HalfSize = brushSize / 2;
    if (!atlas)
        return out;
    const SkRect r = AtlasCellRect(cell);
    const ISkImage cellImage =
        atlas->makeSubset(SkIRect::MakeXYWH(int(r.left), int(r.top), kAtlasCell, kAtlasCell));
    if (!cellImage)
        return out;
    SkPaint paint;
    paint.setAntiAlias(true);
    paint.setColorFilter(SkColorFilters::Matrix(AtlasCoverageMatrix()));
    const float step = 180.0f / 7.0f;
    const float half = float(brushSize) / 2.0f;
    for (int i = 0; i < 7; ++i) {
        const ISkSurface surface = SkSurface::MakeRaster(brushSize, brushSize);
        SkCanvas* canvas = surface->getCanvas();
        canvas->save();
        canvas->translate(half, half);
        canvas->rotate(float(i) * step + 90.0f);
        canvas->translate(-half, -half);
        canvas->drawImageRect(cellImage, SkRect::MakeWH(float(cellImage->width()), float(cellImage->height())),
                              SkRect::MakeWH(float(brushSize), float(brushSize)), SkSamplingOptions::Mitchell(),
                              &paint, SkSrcRectConstraint::kFast);
        canvas->restore();
        canvas->flush();
        out.Images.push_back(surface->makeImageSnapshot());
        SkPixmap pm;
        std::vector<TBrushPixelOffset> offsets;
        if (out.Images.back()->peekPixels(pm))
            for (int y = 0; y < brushSize; ++y)
                for (int x = 0; x < brushSize; ++x) {
                    const uint32_t a = pm.at(x, y) >> 24;
                    if (a >= 10)
                        offsets.push_back({int16_t(x - out.HalfSize), int16_t(y - out.HalfSize), uint8_t(a)});
                }
        out.BrushOffsets.push_back(std::move(offsets));
    }
    return out;
}

// ------------------------------------------------------------------ contrast

std::vector<uint8_t> BuildContrastMap(const SkPixmap& input)
{
    const int w = input.width, h = input.height;
    std::vector<uint8_t> map(size_t(std::max(w, 0)) * size_t(std::max(h, 0)), 0);
    if (w < 3 || h < 3)
        return map;
    ParallelForRange(1, h - 1, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            const uint32_t* up = input.row(y - 1);
            const uint32_t* mid = input.row(y);
            const uint32_t* down = input.row(y + 1);
            uint8_t* out = map.data() + size_t(y) * size_t(w);
            for (int x = 1; x < w - 1; ++x) {
                if ((mid[x] >> 24) < 10)
                    continue;
                int c = 0;
                for (int shift = 0; shift <= 16; shift += 8) {
                    auto v = [shift](uint32_t p) { return int((p >> shift) & 0xFF); };
                    const int sum = v(up[x - 1]) + v(up[x]) + v(up[x + 1]) + v(mid[x - 1]) + v(mid[x + 1]) +
                                    v(down[x - 1]) + v(down[x]) + v(down[x + 1]);
                    c += std::abs(v(mid[x]) - (sum >> 3));
                }
                out[x] = uint8_t(std::min(255, c / 3));
            }
        }
    }, 16);
    return map;
}

// ------------------------------------------------------------------ matching

namespace {

// The jitter's random source: a hash of pixel, sub-pass and orientation, safe
// to draw from any thread and the same whatever thread draws it.
inline uint32_t JitterHash(uint32_t index, uint32_t salt, uint32_t o)
{
    uint32_t h = index * 0x9E3779B1u ^ (salt * 0x85EBCA77u + o * 0xC2B2AE3Du);
    h ^= h >> 16;
    h *= 0x85EBCA6Bu;
    h ^= h >> 13;
    h *= 0xC2B2AE35u;
    h ^= h >> 16;
    return h;
}

inline int32_t Jitter(int32_t E, uint32_t index, uint32_t salt, uint32_t o)
{
    const uint32_t n = uint32_t(std::max(1, E >> 4));
    return int32_t((uint64_t(JitterHash(index, salt, o)) * n) >> 32);
}

// A stamp laid out for the interior fast path: per stamp row the runs of
// covered columns (for the mean, from row prefix sums) and the same pixels as
// blocks of four with their coverage (for the error, four pixels at a time).
// A run's last block may reach back over columns already counted, or on into
// the stamp's square, with coverage 0 there: an interior pixel's square lies
// inside the picture.
struct StampPlan {
    struct Run {
        int16_t dY, c0, c1; // columns c0..c1 inclusive
    };
    struct Block {
        int16_t dX;
        __m128i w; // coverage of the four pixels, twice each (16-bit)
    };
    struct Row {
        int16_t dY;
        uint32_t blockBegin, blockEnd;
    };
    std::vector<Run> runs;
    std::vector<Block> blocks;
    std::vector<Row> rows;
    // The same rows as blocks of eight for processors with 256-bit integer
    // vectors (empty when the square is narrower than eight).
    struct WideBlock {
        alignas(32) int16_t w[16]; // coverage of the eight pixels, twice each
        int16_t dX;
    };
    std::vector<WideBlock> wideBlocks;
    std::vector<Row> wideRows;
    int count = 0;
    uint64_t reciprocal = 0; // 2^32 / count, rounded up: exact division of sums below 2^20
};

// lastColumn: the square's last column relative to its centre (at least 3).
StampPlan PlanStamp(const std::vector<TBrushPixelOffset>& offsets, int lastColumn)
{
    StampPlan plan;
    plan.count = int(offsets.size());
    if (plan.count > 0)
        plan.reciprocal = (uint64_t(1) << 32) / uint64_t(plan.count) + 1;
    size_t i = 0;
    while (i < offsets.size()) {
        const int dY = offsets[i].dY;
        StampPlan::Row row{int16_t(dY), uint32_t(plan.blocks.size()), 0};
        while (i < offsets.size() && offsets[i].dY == dY) {
            size_t j = i;
            while (j + 1 < offsets.size() && offsets[j + 1].dY == dY && offsets[j + 1].dX == offsets[j].dX + 1)
                ++j;
            const int c0 = offsets[i].dX, c1 = offsets[j].dX;
            plan.runs.push_back({int16_t(dY), int16_t(c0), int16_t(c1)});
            for (int next = c0; next <= c1;) {
                const int start = std::min(next, lastColumn - 3);
                short w[4];
                for (int q = 0; q < 4; ++q) {
                    const int col = start + q;
                    w[q] = col >= next && col <= c1 ? short(offsets[i + size_t(col - c0)].Alpha) : short(0);
                }
                plan.blocks.push_back(
                    {int16_t(start), _mm_setr_epi16(w[0], w[0], w[1], w[1], w[2], w[2], w[3], w[3])});
                next = start + 4;
            }
            i = j + 1;
        }
        row.blockEnd = uint32_t(plan.blocks.size());
        plan.rows.push_back(row);
    }
    return plan;
}

// Adds the blocks of eight: per stamp row, blocks from the first column not
// yet counted, drawn back where they would pass the square's last column.
// side: the square's side (the square spans lastColumn + 1 - side .. lastColumn).
void PlanWideBlocks(const std::vector<TBrushPixelOffset>& offsets, int lastColumn, int side, StampPlan& plan)
{
    if (side < 8)
        return;
    const int first = lastColumn + 1 - side;
    std::vector<int16_t> alpha(static_cast<size_t>(side));
    size_t i = 0;
    while (i < offsets.size()) {
        const int dY = offsets[i].dY;
        std::fill(alpha.begin(), alpha.end(), int16_t(0));
        int lastCovered = first - 1;
        int next = lastColumn + 1;
        for (; i < offsets.size() && offsets[i].dY == dY; ++i) {
            alpha[size_t(offsets[i].dX - first)] = int16_t(offsets[i].Alpha);
            next = std::min(next, int(offsets[i].dX));
            lastCovered = std::max(lastCovered, int(offsets[i].dX));
        }
        StampPlan::Row row{int16_t(dY), uint32_t(plan.wideBlocks.size()), 0};
        while (next <= lastCovered) {
            const int start = std::min(next, lastColumn - 7);
            StampPlan::WideBlock blk{};
            blk.dX = int16_t(start);
            for (int q = 0; q < 8; ++q) {
                const int col = start + q;
                const int16_t a = col >= next ? alpha[size_t(col - first)] : int16_t(0);
                blk.w[2 * q] = blk.w[2 * q + 1] = a;
            }
            plan.wideBlocks.push_back(blk);
            next = start + 8;
            while (next <= lastCovered && alpha[size_t(next - first)] == 0)
                ++next;
        }
        row.blockEnd = uint32_t(plan.wideBlocks.size());
        plan.wideRows.push_back(row);
    }
}

inline int Chan(uint32_t p, int shift) { return int((p >> shift) & 0xFF); }

// The stroke selection reads the scores of four entries from two vectors.
static_assert(sizeof(TMatch) == 8 && offsetof(TMatch, Score) == 0);

// Channel sums of premultiplied pixels and their truncated mean.
struct ColourSum {
    int64_t R = 0, G = 0, B = 0, n = 0;
    void Add(uint32_t p)
    {
        R += Chan(p, 16);
        G += Chan(p, 8);
        B += Chan(p, 0);
        ++n;
    }
    uint32_t OpaqueMean() const { return MakeColor(255, uint8_t(R / n), uint8_t(G / n), uint8_t(B / n)); }
};

// The best candidate of a pixel so far.
struct BestMatch {
    int32_t score = kNoMatch;
    int angle = 0, R = 0, G = 0, B = 0;

    // Takes the candidate when it is better; true when the search may stop
    // (an error below 12 per stamp pixel).
    bool Offer(int32_t E, int o, int mR, int mG, int mB, int stampPixels)
    {
        if (E >= score)
            return false;
        score = E;
        angle = o;
        R = mR;
        G = mG;
        B = mB;
        return int64_t(score) < 12 * int64_t(stampPixels);
    }
    TMatch Entry() const { return {score, uint8_t(angle), uint8_t(R), uint8_t(G), uint8_t(B)}; }
};

// Error of a stamp filled with (mR, mG, mB) over an interior pixel. Summed in
// full: a partial sum's test costs more than the rows it would save (a
// candidate whose error exceeds the best so far loses either way).
inline int32_t InteriorError(const uint32_t* centre, size_t stride, const StampPlan& plan, int mR, int mG, int mB)
{
    // Per pixel |B - mB| + |G - mG| + |R - mR| as bytes summed in pairs
    // (alpha weighs 0), then times the coverage: four pixels at a time.
    const __m128i mean = _mm_set1_epi32(int(uint32_t(mB) | uint32_t(mG) << 8 | uint32_t(mR) << 16));
    const __m128i colourLanes = _mm_set1_epi32(0x00010101);
    __m128i acc = _mm_setzero_si128();
    for (const StampPlan::Row& row : plan.rows) {
        const uint32_t* rp = centre + ptrdiff_t(row.dY) * ptrdiff_t(stride);
        for (uint32_t b = row.blockBegin; b < row.blockEnd; ++b) {
            const StampPlan::Block& blk = plan.blocks[b];
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rp + blk.dX));
            const __m128i diff = _mm_sub_epi8(_mm_max_epu8(v, mean), _mm_min_epu8(v, mean));
            const __m128i d = _mm_maddubs_epi16(diff, colourLanes);
            acc = _mm_add_epi32(acc, _mm_srli_epi32(_mm_madd_epi16(d, blk.w), 5));
        }
    }
    acc = _mm_add_epi32(acc, _mm_shuffle_epi32(acc, _MM_SHUFFLE(1, 0, 3, 2)));
    acc = _mm_add_epi32(acc, _mm_shuffle_epi32(acc, _MM_SHUFFLE(2, 3, 0, 1)));
    return _mm_cvtsi128_si32(acc);
}

[[gnu::target("avx2")]] inline int32_t SumLanes(__m256i acc)
{
    __m128i sum = _mm_add_epi32(_mm256_castsi256_si128(acc), _mm256_extracti128_si256(acc, 1));
    sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, _MM_SHUFFLE(1, 0, 3, 2)));
    sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, _MM_SHUFFLE(2, 3, 0, 1)));
    return int32_t(_mm_cvtsi128_si32(sum));
}

// The same error eight pixels at a time.
[[gnu::target("avx2")]] int32_t InteriorErrorWide(const uint32_t* centre, size_t stride, const StampPlan& plan,
                                                  int mR, int mG, int mB)
{
    const __m256i mean = _mm256_set1_epi32(int(uint32_t(mB) | uint32_t(mG) << 8 | uint32_t(mR) << 16));
    const __m256i colourLanes = _mm256_set1_epi32(0x00010101);
    __m256i acc = _mm256_setzero_si256();
    for (const StampPlan::Row& row : plan.wideRows) {
        const uint32_t* rp = centre + ptrdiff_t(row.dY) * ptrdiff_t(stride);
        for (uint32_t b = row.blockBegin; b < row.blockEnd; ++b) {
            const StampPlan::WideBlock& blk = plan.wideBlocks[b];
            const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(rp + blk.dX));
            const __m256i diff = _mm256_sub_epi8(_mm256_max_epu8(v, mean), _mm256_min_epu8(v, mean));
            const __m256i d = _mm256_maddubs_epi16(diff, colourLanes);
            const __m256i w = _mm256_load_si256(reinterpret_cast<const __m256i*>(blk.w));
            acc = _mm256_add_epi32(acc, _mm256_srli_epi32(_mm256_madd_epi16(d, w), 5));
        }
    }
    return SumLanes(acc);
}

// Row prefix sums of B, G, R (lanes 0..2) for a range of input rows.
struct alignas(16) Sum4 {
    uint32_t v[4];
};

struct PrefixRows {
    std::vector<Sum4> sums; // (w + 1) per row
    int firstRow = 0, w = 0;
    const Sum4* row(int y) const { return sums.data() + size_t(y - firstRow) * size_t(w + 1); }
};

inline __m128i Load(const Sum4& s) { return _mm_load_si128(reinterpret_cast<const __m128i*>(s.v)); }

void BuildPrefix(const SkPixmap& input, int y0, int y1, PrefixRows& out)
{
    const int w = input.width;
    out.firstRow = y0;
    out.w = w;
    const size_t need = size_t(std::max(0, y1 - y0)) * size_t(w + 1);
    if (out.sums.size() < need)
        out.sums.resize(need);
    for (int y = y0; y < y1; ++y) {
        const uint32_t* src = input.row(y);
        Sum4* dst = out.sums.data() + size_t(y - y0) * size_t(w + 1);
        __m128i acc = _mm_setzero_si128();
        _mm_store_si128(reinterpret_cast<__m128i*>(dst[0].v), acc);
        for (int x = 0; x < w; ++x) {
            acc = _mm_add_epi32(acc, _mm_cvtepu8_epi32(_mm_cvtsi32_si128(int(src[x] & 0x00FFFFFFu))));
            _mm_store_si128(reinterpret_cast<__m128i*>(dst[x + 1].v), acc);
        }
    }
}

struct MatchContext {
    const SkPixmap* input;
    const OrientedStamps* stamps;
    const std::vector<uint8_t>* contrast;
    std::vector<StampPlan> plans;
    uint32_t salt;
    TMatch* table;
};

void MatchBorderPixel(const MatchContext& mc, int x, int y, const int* cands, int nc, TMatch& m)
{
    const SkPixmap& in = *mc.input;
    const int w = in.width, h = in.height;
    const uint32_t index = uint32_t(y) * uint32_t(w) + uint32_t(x);
    BestMatch best;
    for (int ci = 0; ci < nc; ++ci) {
        const int o = cands[ci];
        const auto& offs = mc.stamps->BrushOffsets[size_t(o)];
        if (offs.empty())
            continue;
        ColourSum sum;
        for (const TBrushPixelOffset& p : offs) {
            const int px = x + p.dX, py = y + p.dY;
            if (px >= 0 && py >= 0 && px < w && py < h)
                sum.Add(in.at(px, py));
        }
        if (sum.n == 0)
            continue;
        const int k = int(sum.n);
        const uint32_t mean = sum.OpaqueMean();
        const int mR = Chan(mean, 16), mG = Chan(mean, 8), mB = Chan(mean, 0);
        int32_t E = 0;
        for (const TBrushPixelOffset& p : offs) {
            const int px = x + p.dX, py = y + p.dY;
            if (px < 0 || py < 0 || px >= w || py >= h) {
                E += (int(p.Alpha) * 255) >> 5;
            } else {
                const uint32_t v = in.at(px, py);
                const int d = std::abs(Chan(v, 16) - mR) + std::abs(Chan(v, 8) - mG) + std::abs(Chan(v, 0) - mB);
                E += (d * int(p.Alpha)) >> 5;
            }
            if (E > best.score)
                break;
        }
        E += Jitter(E, index, mc.salt, uint32_t(o));
        if (best.Offer(E, o, mR, mG, mB, k))
            break;
    }
    m = best.Entry();
}

// The candidate orientations of a pixel, in the order they are tried.
int Candidates(const SkPixmap& in, const std::vector<uint8_t>& contrast, int x, int y, int* out)
{
    const int w = in.width, h = in.height;
    const int c = contrast[size_t(y) * size_t(w) + size_t(x)];
    if (c > 30 && x > 0 && x < w - 1 && y > 0 && y < h - 1) {
        auto s = [&](int px, int py) {
            const uint32_t v = in.at(px, py);
            return Chan(v, 16) + Chan(v, 8) + Chan(v, 0);
        };
        const int gx = s(x + 1, y) - s(x - 1, y);
        const int gy = s(x, y + 1) - s(x, y - 1);
        if (std::abs(gx) > 5 || std::abs(gy) > 5) {
            constexpr float kPi = std::numbers::pi_v<float>;
            float theta = std::atan2(float(gy), float(gx)) + kPi / 2.0f;
            if (theta < 0)
                theta += 2.0f * kPi;
            else if (theta >= 2.0f * kPi)
                theta -= 2.0f * kPi;
            const int d = Round(double(theta * 7.0f / kPi)) % 7;
            out[0] = (d + 5) % 7;
            out[1] = (d + 6) % 7;
            out[2] = d;
            out[3] = (d + 1) % 7;
            out[4] = (d + 2) % 7;
            return 5;
        }
    }
    if (c > 15) {
        out[0] = 0;
        out[1] = 2;
        out[2] = 4;
        out[3] = 6;
        return 4;
    }
    for (int i = 0; i < 7; ++i)
        out[i] = i;
    return 7;
}

} // namespace

void MatchPixels(const SkPixmap& input, const OrientedStamps& stamps, const std::vector<uint8_t>& contrast,
                 uint32_t salt, TMatch* table)
{
    const int w = input.width, h = input.height;
    const int H = stamps.HalfSize, BS = stamps.BrushSize;
    MatchContext mc{&input, &stamps, &contrast, {}, salt, table};
    const bool wide = BS >= 8 && __builtin_cpu_supports("avx2");
    for (const auto& offs : stamps.BrushOffsets) {
        mc.plans.push_back(PlanStamp(offs, BS - 1 - H));
        if (wide)
            PlanWideBlocks(offs, BS - 1 - H, BS, mc.plans.back());
    }
    const size_t stride = input.rowBytes / 4;
    // Each run as its first and one-past-last prefix sums relative to the
    // centre pixel's (prefix rows hold w + 1 sums).
    struct RunSpan {
        ptrdiff_t begin, end;
    };
    std::vector<std::vector<RunSpan>> runSpans;
    for (const StampPlan& plan : mc.plans) {
        std::vector<RunSpan> spans;
        for (const StampPlan::Run& r : plan.runs)
            spans.push_back({ptrdiff_t(r.dY) * ptrdiff_t(w + 1) + r.c0, ptrdiff_t(r.dY) * ptrdiff_t(w + 1) + r.c1 + 1});
        runSpans.push_back(std::move(spans));
    }
    tbb::enumerable_thread_specific<PrefixRows> prefixes;
    // Few rows per prefix block: each thread holds its block and the stamp's
    // reach above and below it.
    constexpr int kRowsPerPrefix = 16;

    ParallelForRange(0, h, [&](int lo, int hi) {
        PrefixRows& prefix = prefixes.local();
        for (int y0 = lo; y0 < hi; y0 += kRowsPerPrefix) {
            const int y1 = std::min(hi, y0 + kRowsPerPrefix);
            const int p0 = std::max(0, y0 - H), p1 = std::min(h, y1 + (BS - 1 - H));
            BuildPrefix(input, p0, p1, prefix);
            for (int y = y0; y < y1; ++y) {
                const uint32_t* row = input.row(y);
                const bool interiorRow = y >= H && y < h - H;
                for (int x = 0; x < w; ++x) {
                    TMatch& m = table[size_t(y) * size_t(w) + size_t(x)];
                    if ((row[x] >> 24) < 10) {
                        m.Score = kNoMatch;
                        continue;
                    }
                    int cands[7];
                    const int nc = Candidates(input, contrast, x, y, cands);
                    if (!interiorRow || x < H || x >= w - H) {
                        MatchBorderPixel(mc, x, y, cands, nc, m);
                        continue;
                    }
                    const uint32_t index = uint32_t(y) * uint32_t(w) + uint32_t(x);
                    BestMatch best;
                    for (int ci = 0; ci < nc; ++ci) {
                        const int o = cands[ci];
                        const StampPlan& plan = mc.plans[size_t(o)];
                        if (plan.count == 0)
                            continue;
                        __m128i sum = _mm_setzero_si128();
                        const Sum4* at = prefix.row(y) + x;
                        for (const RunSpan& r : runSpans[size_t(o)])
                            sum = _mm_add_epi32(sum, _mm_sub_epi32(Load(at[r.end]), Load(at[r.begin])));
                        const uint32_t sB = uint32_t(_mm_cvtsi128_si32(sum));
                        const uint32_t sG = uint32_t(_mm_extract_epi32(sum, 1));
                        const uint32_t sR = uint32_t(_mm_extract_epi32(sum, 2));
                        const int mB = int((sB * plan.reciprocal) >> 32);
                        const int mG = int((sG * plan.reciprocal) >> 32);
                        const int mR = int((sR * plan.reciprocal) >> 32);
                        int32_t E = wide ? InteriorErrorWide(row + x, stride, plan, mR, mG, mB)
                                         : InteriorError(row + x, stride, plan, mR, mG, mB);
                        E += Jitter(E, index, salt, uint32_t(o));
                        if (best.Offer(E, o, mR, mG, mB, plan.count))
                            break;
                    }
                    m = best.Entry();
                }
            }
        }
    }, 8);
}

// ------------------------------------------------------------------ stroke selection

std::vector<uint64_t> SelectStrokeKeys(TMatch* table, int w, int h, int halfSize, int gridStep)
{
    const int H = halfSize, step = std::max(1, gridStep);
    std::vector<uint64_t> keys;
    if (w <= 0 || h <= 0)
        return keys;
    keys.reserve(size_t(w) * size_t(h) / (size_t(step) * size_t(step)) + 16);
    // Per column the lowest score of the window's rows and its (first) row;
    // as (score << 32 | row) the lowest key is also the first in scan order.
    std::vector<int32_t> colScore(static_cast<size_t>(w)), colRow(static_cast<size_t>(w));
    auto columnMinimum = [&](int x, int r0, int r1) {
        int32_t s = kNoMatch, row = -1;
        for (int r = r0; r <= r1; ++r) {
            const int32_t v = table[size_t(r) * size_t(w) + size_t(x)].Score;
            if (v < s) {
                s = v;
                row = r;
            }
        }
        colScore[size_t(x)] = s;
        colRow[size_t(x)] = row;
    };
    const int g0 = -(H / step);
    const int gyEnd = (h + H) / step, gxEnd = (w + H) / step;
    // The column minima slide down with the window: a column whose minimum
    // row left the window is scanned again, the rows that entered are merged
    // in (a later row wins only when lower, as in a scan). Taken pixels keep
    // their column current through columnMinimum.
    int prevR0 = 0, prevR1 = -1;
    for (int gy = g0; gy <= gyEnd; ++gy) {
        const int r0 = std::max(0, gy * step - H), r1 = std::min(h - 1, gy * step + H);
        if (r0 > r1)
            continue;
        int firstNew = r0;
        if (prevR1 >= r0 && prevR0 <= r0) {
            for (int x = 0; x < w; ++x)
                if (colRow[size_t(x)] >= 0 && colRow[size_t(x)] < r0)
                    columnMinimum(x, r0, prevR1);
            firstNew = prevR1 + 1;
        } else {
            std::fill(colScore.begin(), colScore.end(), kNoMatch);
            std::fill(colRow.begin(), colRow.end(), -1);
        }
        prevR0 = r0;
        prevR1 = r1;
        for (int r = firstNew; r <= r1; ++r) {
            const TMatch* row = table + size_t(r) * size_t(w);
            const __m128i rv = _mm_set1_epi32(r);
            int x = 0;
            for (; x + 4 <= w; x += 4) {
                __m128i* cs = reinterpret_cast<__m128i*>(colScore.data() + x);
                __m128i* cr = reinterpret_cast<__m128i*>(colRow.data() + x);
                // The scores of four entries: the even 32-bit words of two vectors.
                const __m128 pair0 = _mm_loadu_ps(reinterpret_cast<const float*>(row + x));
                const __m128 pair1 = _mm_loadu_ps(reinterpret_cast<const float*>(row + x + 2));
                const __m128i v = _mm_castps_si128(_mm_shuffle_ps(pair0, pair1, _MM_SHUFFLE(2, 0, 2, 0)));
                const __m128i c = _mm_loadu_si128(cs);
                const __m128i lower = _mm_cmplt_epi32(v, c);
                _mm_storeu_si128(cs, _mm_blendv_epi8(c, v, lower));
                _mm_storeu_si128(cr, _mm_blendv_epi8(_mm_loadu_si128(cr), rv, lower));
            }
            for (; x < w; ++x)
                if (row[x].Score < colScore[size_t(x)]) {
                    colScore[size_t(x)] = row[x].Score;
                    colRow[size_t(x)] = r;
                }
        }
        for (int gx = g0; gx <= gxEnd; ++gx) {
            const int c0 = std::max(0, gx * step - H), c1 = std::min(w - 1, gx * step + H);
            uint64_t best = ~uint64_t(0);
            int bestX = -1;
            // Row-major scan order: the lower row wins a tie, then the left column.
            for (int x = c0; x <= c1; ++x) {
                const uint64_t key = (uint64_t(uint32_t(colScore[size_t(x)])) << 32) | uint32_t(colRow[size_t(x)]);
                if (key < best) {
                    best = key;
                    bestX = x;
                }
            }
            if (bestX < 0 || int32_t(best >> 32) >= kNoMatch)
                continue;
            const size_t index = size_t(uint32_t(best)) * size_t(w) + size_t(bestX);
            keys.push_back((best & 0xFFFFFFFF00000000ull) | uint64_t(index));
            table[index].Score = kNoMatch;
            columnMinimum(bestX, r0, r1);
        }
    }
    return keys;
}

std::vector<uint32_t> SortStrokesWorstFirst(std::vector<uint64_t>& keys)
{
    // Keys are unique (each holds its pixel), so any sort gives the same
    // order. A least-significant-digit radix sort over the bits the keys use,
    // score above index, in fixed chunks: the counts and the scatter of each
    // chunk run side by side and the result does not depend on the threads.
    const size_t n = keys.size();
    std::vector<uint32_t> out(n);
    if (n == 0)
        return out;
    constexpr int kDigitBits = 11;
    constexpr size_t kDigits = size_t(1) << kDigitBits;
    const size_t chunkSize = std::max<size_t>(size_t(1) << 16, (n + 63) / 64);
    const int chunks = int((n + chunkSize - 1) / chunkSize);
    auto chunkRange = [&](int c) {
        return std::pair<size_t, size_t>{size_t(c) * chunkSize, std::min(n, size_t(c + 1) * chunkSize)};
    };
    std::vector<uint64_t> maxima(size_t(chunks) * 2, 0);
    ParallelFor(0, chunks, [&](int c) {
        const auto [lo, hi] = chunkRange(c);
        uint64_t s = 0, i = 0;
        for (size_t k = lo; k < hi; ++k) {
            s = std::max(s, keys[k] >> 32);
            i = std::max(i, keys[k] & 0xFFFFFFFFu);
        }
        maxima[size_t(c) * 2] = s;
        maxima[size_t(c) * 2 + 1] = i;
    });
    uint64_t maxScore = 0, maxIndex = 0;
    for (int c = 0; c < chunks; ++c) {
        maxScore = std::max(maxScore, maxima[size_t(c) * 2]);
        maxIndex = std::max(maxIndex, maxima[size_t(c) * 2 + 1]);
    }
    auto bitsOf = [](uint64_t v) { return v == 0 ? 0 : 64 - std::countl_zero(v); };
    const int indexBits = std::max(1, bitsOf(maxIndex));
    const int totalBits = bitsOf(maxScore) + indexBits;
    const uint64_t indexMask = (uint64_t(1) << indexBits) - 1;
    // Compact keys, complemented so that ascending digits give worst first.
    const uint64_t topMask = totalBits >= 64 ? ~uint64_t(0) : (uint64_t(1) << totalBits) - 1;
    LargeBuffer<uint64_t> other(n);
    uint64_t* src = other.data();
    uint64_t* dst = keys.data();
    ParallelFor(0, chunks, [&](int c) {
        const auto [lo, hi] = chunkRange(c);
        for (size_t k = lo; k < hi; ++k)
            src[k] = ~(((keys[k] >> 32) << indexBits) | (keys[k] & indexMask)) & topMask;
    });
    std::vector<uint32_t> counts(size_t(chunks) * kDigits);
    const int passes = (totalBits + kDigitBits - 1) / kDigitBits;
    for (int pass = 0; pass < passes; ++pass) {
        const int shift = pass * kDigitBits;
        const bool last = pass == passes - 1;
        ParallelFor(0, chunks, [&](int c) {
            const auto [lo, hi] = chunkRange(c);
            uint32_t* count = counts.data() + size_t(c) * kDigits;
            std::fill_n(count, kDigits, 0u);
            for (size_t k = lo; k < hi; ++k)
                ++count[(src[k] >> shift) & (kDigits - 1)];
        });
        // Per digit, the chunks in order; the digits in order.
        uint32_t offset = 0;
        bool single = false;
        for (size_t d = 0; d < kDigits; ++d)
            for (int c = 0; c < chunks; ++c) {
                uint32_t& cell = counts[size_t(c) * kDigits + d];
                single = single || cell == n;
                const uint32_t v = cell;
                cell = offset;
                offset += v;
            }
        if (single && !last)
            continue; // every key has the same digit here: the order stands
        ParallelFor(0, chunks, [&](int c) {
            const auto [lo, hi] = chunkRange(c);
            uint32_t* next = counts.data() + size_t(c) * kDigits;
            if (last) {
                for (size_t k = lo; k < hi; ++k)
                    out[next[(src[k] >> shift) & (kDigits - 1)]++] = uint32_t(~src[k] & indexMask);
            } else {
                for (size_t k = lo; k < hi; ++k)
                    dst[next[(src[k] >> shift) & (kDigits - 1)]++] = src[k];
            }
        });
        std::swap(src, dst);
    }
    return out;
}

std::vector<uint32_t> SelectStrokes(TMatch* table, int w, int h, int halfSize, int gridStep)
{
    std::vector<uint64_t> keys = SelectStrokeKeys(table, w, h, halfSize, gridStep);
    return SortStrokesWorstFirst(keys);
}

// ------------------------------------------------------------------ stroke drawing

namespace {

// A stamp pixel as the colour filter sees it (0..1 lanes), zero where empty.
struct alignas(16) Lanes {
    float v[4];
};

// Four pixels of a tinted stamp over `dest`: per pixel exactly
// px::Store1(colour * lanes) drawn source-over (a zero stamp pixel leaves its
// pixel as it is; an opaque one replaces it).
inline void DrawFour(__m128 colour, const Lanes* lanes, uint32_t* dest)
{
    const __m128 scale = _mm_set1_ps(255.0f);
    auto tint = [&](int q) {
        return _mm_cvtps_epi32(_mm_mul_ps(_mm_mul_ps(colour, _mm_load_ps(lanes[q].v)), scale));
    };
    const __m128i s = _mm_packus_epi16(_mm_packs_epi32(tint(0), tint(1)), _mm_packs_epi32(tint(2), tint(3)));
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dest));
    // 255 - source alpha for every channel, in 16-bit lanes.
    const __m128i alphaOf = _mm_setr_epi8(3, -1, 3, -1, 3, -1, 3, -1, 7, -1, 7, -1, 7, -1, 7, -1);
    const __m128i alphaOfHi = _mm_setr_epi8(11, -1, 11, -1, 11, -1, 11, -1, 15, -1, 15, -1, 15, -1, 15, -1);
    const __m128i full = _mm_set1_epi16(255), half = _mm_set1_epi16(128);
    auto over = [&](__m128i dw, __m128i ia) {
        const __m128i v = _mm_add_epi16(_mm_mullo_epi16(dw, ia), half);
        return _mm_srli_epi16(_mm_add_epi16(v, _mm_srli_epi16(v, 8)), 8);
    };
    const __m128i lo = over(_mm_cvtepu8_epi16(d), _mm_sub_epi16(full, _mm_shuffle_epi8(s, alphaOf)));
    const __m128i hi = over(_mm_unpackhi_epi8(d, _mm_setzero_si128()), _mm_sub_epi16(full, _mm_shuffle_epi8(s, alphaOfHi)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dest), _mm_add_epi8(s, _mm_packus_epi16(lo, hi)));
}

} // namespace

void DrawStrokes(const StrokeDrawing& d, const uint32_t* strokes, size_t count, const SkPixmap& dest,
                 const std::function<bool(double)>& afterBand)
{
    const OrientedStamps& st = *d.stamps;
    const int w = d.w, h = d.h, BS = st.BrushSize, H = st.HalfSize;
    if (w <= 0 || h <= 0 || st.Images.empty())
        return;
    std::vector<std::vector<Lanes>> lanes(st.Images.size());
    std::vector<std::vector<uint32_t>> raw(st.Images.size());
    // Per stamp row the first and last painted column (an empty row: first > last).
    std::vector<std::vector<std::pair<int, int>>> spans(st.Images.size());
    for (size_t o = 0; o < st.Images.size(); ++o) {
        SkPixmap pm;
        lanes[o].assign(size_t(BS) * size_t(BS), Lanes{});
        raw[o].assign(size_t(BS) * size_t(BS), 0u);
        spans[o].assign(size_t(BS), {BS, -1});
        if (!st.Images[o]->peekPixels(pm))
            continue;
        for (int y = 0; y < BS; ++y)
            for (int x = 0; x < BS; ++x) {
                raw[o][size_t(y * BS + x)] = pm.at(x, y);
                _mm_store_ps(lanes[o][size_t(y * BS + x)].v, px::Load1(pm.at(x, y)));
                if (pm.at(x, y) != 0) {
                    spans[o][size_t(y)].first = std::min(spans[o][size_t(y)].first, x);
                    spans[o][size_t(y)].second = x;
                }
            }
    }

    constexpr int kTile = 64;
    const int tilesX = (w + kTile - 1) / kTile, tilesY = (h + kTile - 1) / kTile;
    struct Box {
        int x0, y0, x1, y1; // inclusive, clipped to the picture
    };
    auto boxOf = [&](uint32_t index) {
        const int x = int(index % uint32_t(w)), y = int(index / uint32_t(w));
        return Box{std::max(0, x - H), std::max(0, y - H), std::min(w - 1, x - H + BS - 1),
                   std::min(h - 1, y - H + BS - 1)};
    };
    // Strokes per tile, in list order: a counting sort over fixed chunks of
    // the list, counted and placed side by side (chunk by chunk within a
    // tile). Tiles list the strokes by their place in the list, a group of
    // bands at a time.
    const size_t chunkSize = std::max<size_t>(size_t(1) << 15, (count + 63) / 64);
    const int chunks = int((count + chunkSize - 1) / chunkSize);
    // Tiles share no pixels: the bands go to the pool a few at a time, with
    // no wait between one band and the next inside a group.
    const int bandsPerGroup = std::max(1, tilesY / 8);
    const size_t groupTilesMost = size_t(bandsPerGroup) * size_t(tilesX);
    std::vector<uint32_t> place(size_t(chunks) * groupTilesMost), start(groupTilesMost + 1);
    LargeBuffer<uint32_t> entries;
    for (int gy0 = 0; gy0 < tilesY; gy0 += bandsPerGroup) {
        const int gy1 = std::min(tilesY, gy0 + bandsPerGroup);
        const size_t firstTile = size_t(gy0) * size_t(tilesX), groupTiles = size_t(gy1 - gy0) * size_t(tilesX);
        auto forTilesOf = [&](int c, auto&& visit) {
            const size_t lo = size_t(c) * chunkSize, hi = std::min(count, lo + chunkSize);
            for (size_t i = lo; i < hi; ++i) {
                const int y = int(strokes[i] / uint32_t(w));
                const int ty0 = std::max(gy0, std::max(0, y - H) / kTile);
                const int ty1 = std::min(gy1 - 1, std::min(h - 1, y - H + BS - 1) / kTile);
                if (ty0 > ty1)
                    continue;
                const Box b = boxOf(strokes[i]);
                for (int ty = ty0; ty <= ty1; ++ty)
                    for (int tx = b.x0 / kTile; tx <= b.x1 / kTile; ++tx)
                        visit(size_t(ty - gy0) * size_t(tilesX) + size_t(tx), uint32_t(i));
            }
        };
        ParallelFor(0, chunks, [&](int c) {
            uint32_t* n = place.data() + size_t(c) * groupTilesMost;
            std::fill_n(n, groupTiles, 0u);
            forTilesOf(c, [n](size_t t, uint32_t) { ++n[t]; });
        });
        uint32_t offset = 0;
        for (size_t t = 0; t < groupTiles; ++t) {
            start[t] = offset;
            for (int c = 0; c < chunks; ++c) {
                uint32_t& cell = place[size_t(c) * groupTilesMost + t];
                const uint32_t n = cell;
                cell = offset;
                offset += n;
            }
        }
        start[groupTiles] = offset;
        if (entries.size() < offset)
            entries = LargeBuffer<uint32_t>(offset);
        ParallelFor(0, chunks, [&](int c) {
            uint32_t* next = place.data() + size_t(c) * groupTilesMost;
            forTilesOf(c, [&entries, next](size_t t, uint32_t stroke) { entries[next[t]++] = stroke; });
        });

        ParallelFor(int(firstTile), int(firstTile + groupTiles), [&](int tile) {
            const int ty = tile / tilesX, tx = tile % tilesX;
            const size_t t = size_t(tile) - firstTile;
            const int tx0 = tx * kTile, ty0 = ty * kTile;
            const int tx1 = std::min(w, tx0 + kTile) - 1, ty1 = std::min(h, ty0 + kTile) - 1;
            for (uint32_t e = start[t]; e < start[t + 1]; ++e) {
                const uint32_t place = entries[e], index = strokes[place];
                const TStrokeMatch m = d.strokeMatches ? d.strokeMatches[place]
                                                       : TStrokeMatch{d.table[index].BrushAngle, d.table[index].R,
                                                                      d.table[index].G, d.table[index].B};
                const int X = int(index % uint32_t(w)) - H, Y = int(index / uint32_t(w)) - H;
                const int x0 = std::max(X, tx0), x1 = std::min(X + BS - 1, tx1);
                const int y0 = std::max(Y, ty0), y1 = std::min(Y + BS - 1, ty1);
                const __m128 colour = px::Load1(MakeColor(255, m.R, m.G, m.B));
                const Lanes* sl = lanes[m.BrushAngle].data();
                const uint32_t* sr = raw[m.BrushAngle].data();
                const std::pair<int, int>* span = spans[m.BrushAngle].data();
                for (int y = y0; y <= y1; ++y) {
                    uint32_t* row = dest.row(y);
                    // The stamp pixel under x is at so + x (so itself may be negative).
                    const ptrdiff_t so = ptrdiff_t(y - Y) * BS - X;
                    const int xa = std::max(x0, X + span[y - Y].first), xb = std::min(x1, X + span[y - Y].second);
                    // A group may reach past the span onto the stamp row's
                    // empty pixels, which draw nothing, but not past the tile.
                    const int groupEnd = std::min(x1, X + BS - 1);
                    int x = xa;
                    for (; x <= xb && x + 3 <= groupEnd; x += 4)
                        DrawFour(colour, sl + (so + x), row + x);
                    for (; x <= xb; ++x) {
                        if (sr[so + x] == 0)
                            continue;
                        const uint32_t s = px::Store1(_mm_mul_ps(colour, _mm_load_ps(sl[so + x].v)));
                        if (s == 0)
                            continue;
                        row[x] = (s >> 24) == 255 ? s : px::SrcOverCoverage(s, row[x], 255);
                    }
                }
            }
        });
        if (afterBand && !afterBand(double(gy1) / double(tilesY)))
            return;
    }
}

// ------------------------------------------------------------------ filling and specks

namespace {

inline int Brightness(uint32_t p) { return (Chan(p, 16) + Chan(p, 8) + Chan(p, 0)) / 3; }

} // namespace

void FillWhitePixels(const SkPixmap& input, const SkPixmap& canvas)
{
    const int w = input.width, h = input.height;
    std::vector<uint8_t> mask(size_t(w) * size_t(h), 0), visited(size_t(w) * size_t(h), 0);
    ParallelForRange(0, h, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            const uint32_t* in = input.row(y);
            const uint32_t* cv = canvas.row(y);
            uint8_t* mk = mask.data() + size_t(y) * size_t(w);
            for (int x = 0; x < w; ++x)
                mk[x] = (in[x] >> 24) >= 10 && Brightness(cv[x]) - Brightness(in[x]) > 15;
        }
    }, 16);
    std::vector<uint32_t> region, stack;
    for (int y0 = 0; y0 < h; ++y0)
        for (int x0 = 0; x0 < w; ++x0) {
            const size_t seed = size_t(y0) * size_t(w) + size_t(x0);
            if (!mask[seed] || visited[seed])
                continue;
            region.clear();
            stack.clear();
            stack.push_back(uint32_t(seed));
            visited[seed] = 1;
            while (!stack.empty()) {
                const uint32_t p = stack.back();
                stack.pop_back();
                region.push_back(p);
                const int x = int(p % uint32_t(w)), y = int(p / uint32_t(w));
                const int nx[4] = {x - 1, x + 1, x, x};
                const int ny[4] = {y, y, y - 1, y + 1};
                for (int k = 0; k < 4; ++k) {
                    if (nx[k] < 0 || ny[k] < 0 || nx[k] >= w || ny[k] >= h)
                        continue;
                    const size_t q = size_t(ny[k]) * size_t(w) + size_t(nx[k]);
                    const int dx = nx[k] - x0, dy = ny[k] - y0;
                    if (!mask[q] || visited[q] || dx * dx + dy * dy > 625)
                        continue;
                    visited[q] = 1;
                    stack.push_back(uint32_t(q));
                }
            }
            ColourSum sum;
            for (const uint32_t p : region) {
                const uint32_t v = input.at(int(p % uint32_t(w)), int(p / uint32_t(w)));
                if ((v >> 24) > 10)
                    sum.Add(v);
            }
            if (sum.n == 0)
                continue;
            const uint32_t colour = sum.OpaqueMean();
            for (const uint32_t p : region)
                canvas.at(int(p % uint32_t(w)), int(p / uint32_t(w))) = colour;
        }
}

void RemoveBrightSpecks(const SkPixmap& canvas)
{
    const int w = canvas.width, h = canvas.height;
    for (int y = 1; y < h - 1; ++y) {
        const uint32_t* up = canvas.row(y - 1);
        uint32_t* mid = canvas.row(y);
        const uint32_t* down = canvas.row(y + 1);
        for (int x = 1; x < w - 1; ++x) {
            const uint32_t p = mid[x];
            if ((p >> 24) < 10)
                continue;
            const int b = Brightness(p);
            const uint32_t nb[8] = {up[x - 1], up[x], up[x + 1], mid[x - 1], mid[x + 1], down[x - 1], down[x], down[x + 1]};
            ColourSum sum;
            int k = 0;
            for (const uint32_t q : nb) {
                if ((q >> 24) < 10)
                    continue;
                sum.Add(q);
                k += Brightness(q) < b - 30;
            }
            if (k >= 6)
                mid[x] = sum.OpaqueMean();
        }
    }
}

// ------------------------------------------------------------------ the run

namespace {

constexpr int kFirstCell = 26, kLaterCell = 36;

struct SmoothRun {
    ISkSurface dest;
    // The pass's input while a translucent one is painted in straight colour.
    const SkPixmap* alphaSource = nullptr;
    bool preview = false;
    int generation = 0;
    double done = 0, totalWork = 430;
    uint32_t lastDisplay = 0;

    static bool Cancelled()
    {
        const TEngineHost* host = EngineHost();
        return host && host->Cancel.load();
    }

    void UpdateProgress(int v)
    {
        v = Clamp(v, 0, 101);
        if (preview) {
            SafeUpdatePreview(dest, v);
            return;
        }
        if (!EngineHost())
            return;
        RunOnUISync([v] {
            TEngineHost* host = EngineHost();
            if (host && !host->Cancel.load())
                host->UpdateProgressBar(v);
        });
    }
    void Report() { UpdateProgress(Round(done / totalWork * 100.0)); }
    void Add(double work)
    {
        done += work;
        Report();
    }

    // Shows the canvas as the intermediate result of a full render (at most
    // once a second unless forced).
    void UpdateDisplay(bool force)
    {
        if (preview || !EngineHost())
            return;
        if (!force && GetTickMs() - lastDisplay <= 1000)
            return;
        dest->getCanvas()->flush();
        const ISkImage snap = Snapshot();
        RunOnUISync([&snap] {
            TEngineHost* host = EngineHost();
            if (host && !host->Cancel.load())
                ShowIntermediateResult(snap, -1);
        });
        lastDisplay = GetTickMs();
    }

    // The canvas as it would look finished: with the input's alpha given to a
    // straight-colour painting.
    ISkImage Snapshot() const
    {
        if (!alphaSource)
            return dest->makeImageSnapshot();
        const ISkSurface shown = CopyWithSourceAlpha(*alphaSource, dest);
        return shown ? shown->makeImageSnapshot() : dest->makeImageSnapshot();
    }

    // The preview box follows the sub-passes; a preview that a newer run has
    // made stale leaves the box to that run.
    void ShowInPreviewBox()
    {
        if (!preview || !EngineHost())
            return;
        const ISkImage snap = Snapshot();
        const int gen = generation;
        RunOnUISync([&snap, gen] { ShowPreviewBoxIfCurrent(snap, gen); });
    }
};

// The white silhouette of the input: white with the input's alpha.
void DrawSilhouette(const SkPixmap& input, const SkPixmap& canvas)
{
    const ISkColorFilter white = SkColorFilters::Blend(kColorWhite, SkBlendMode::kSrcIn);
    ParallelForRange(0, input.height, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            uint32_t* out = canvas.row(y);
            std::copy_n(input.row(y), input.width, out);
            white->filterSpan(out, input.width);
        }
    }, 16);
}

// The matching of the next sub-pass, which reads only the pass's input, runs
// on the pool while this thread draws the current one's strokes. It starts
// once they are selected (on this thread alone: each window's pick depends on
// the pixels the windows before it took) and have their matches copied out,
// so one table serves every sub-pass.
class MatchAhead {
public:
    MatchAhead() = default;
    MatchAhead(const MatchAhead&) = delete;
    MatchAhead& operator=(const MatchAhead&) = delete;
    ~MatchAhead()
    {
        try {
            Wait();
        } catch (...) {
            // Leaving on another failure: that one reaches the caller.
        }
    }

    void Start(std::function<void()> match)
    {
        const bool preview = ThreadIsPreview;
        const int generation = ThreadPreviewGeneration, runId = ThreadRunId;
        running_ = true;
        SharedPool().execute([&] {
            group_.run([match = std::move(match), preview, generation, runId] {
                PreviewScope scope(preview, generation, runId);
                match();
            });
        });
    }
    void Wait()
    {
        if (!running_)
            return;
        running_ = false;
        SharedPool().execute([&] { group_.wait(); });
    }

private:
    tbb::task_group group_;
    bool running_ = false;
};

// One sub-pass's strokes, from its finished match table. The strokes' matches
// are copied out once they are sorted: `afterSelection` may then refill the
// table while they are drawn.
void RunPass(SmoothRun& run, int w, int h, const SkPixmap& canvas, const OrientedStamps& stamps, TMatch* table,
             const std::function<void()>& afterSelection)
{
    run.Add(8 + 40); // the contrast and the match
    std::vector<uint64_t> keys = SelectStrokeKeys(table, w, h, stamps.HalfSize, std::max(1, stamps.BrushSize / 10));
    run.Add(20);
    std::vector<uint32_t> strokes = SortStrokesWorstFirst(keys);
    keys = {};
    run.Add(8);
    const size_t count = strokes.size();
    const size_t keep = size_t(TemplateMatchingKeptStrokes(int64_t(count)));
    const size_t first = keep < count ? count - keep : 0;
    const uint32_t* drawn = strokes.data() + first;
    const size_t n = count - first;
    LargeBuffer<TStrokeMatch> matches(n);
    ParallelForRange(0, int(n), [&](int lo, int hi) {
        for (int k = lo; k < hi; ++k) {
            const TMatch& m = table[drawn[k]];
            matches[size_t(k)] = {m.BrushAngle, m.R, m.G, m.B};
        }
    }, 4096);
    afterSelection();
    StrokeDrawing drawing{&stamps, table, w, h};
    drawing.strokeMatches = matches.data();
    const double base = run.done;
    DrawStrokes(drawing, drawn, n, canvas, [&](double fraction) {
        if (SmoothRun::Cancelled())
            return false;
        run.UpdateProgress(Round((base + fraction * 24.0) / run.totalWork * 100.0));
        run.UpdateDisplay(false);
        return true;
    });
    run.Add(24);
    run.UpdateDisplay(true);
}

} // namespace

void TemplateMatching(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int /*P3*/, int /*P4*/,
                      int /*P5*/, bool Preview)
{
    if (SmoothRun::Cancelled())
        return;
    if (!Source || !Dest)
        return;
    ISkImage atlas;
    RunOnUISync([&atlas] { atlas = Form3().TemplateMatchingBrushes.image(); });
    if (!atlas)
        return;

    const TemplateMatchingParams p = ComputeTemplateMatchingParams(P1, P2);
    const int w = Source->width(), h = Source->height();
    SmoothRun run;
    run.dest = Dest;
    run.preview = Preview;
    run.generation = ThreadPreviewGeneration;
    run.totalWork = p.TotalWork;
    // The match table: a sub-pass's strokes take their matches with them, so
    // the next sub-pass refills it while they are drawn.
    LargeBuffer<TMatch> table(size_t(w) * size_t(h));
    run.lastDisplay = GetTickMs();
    run.UpdateProgress(0);

    ISkImage input = Source;
    for (int pass = 1; pass <= p.Passes; ++pass) {
        if (SmoothRun::Cancelled())
            break;
        SkPixmap original, in, canvas;
        if (!input->peekPixels(original) || !original.valid())
            return;
        Dest->getCanvas()->clear(kColorTransparent);
        Dest->getCanvas()->flush();
        if (!Dest->peekPixels(canvas) || canvas.width < w || canvas.height < h)
            return;
        StraightPicture straight;
        in = original;
        if (HasTranslucentPixel(original)) {
            // Opaque white is the straight silhouette: with the input's alpha
            // it becomes white at that alpha.
            straight = MakeStraightPicture(original);
            in = straight.map;
            run.alphaSource = &original;
            for (int y = 0; y < h; ++y)
                std::fill_n(canvas.row(y), w, 0xFFFFFFFFu);
        } else {
            DrawSilhouette(in, canvas);
        }
        run.UpdateDisplay(true);

        // The first sub-pass's brush mark, then the later ones'.
        const OrientedStamps stampSets[2] = {BuildOrientedStamps(atlas, kFirstCell, p.BrushSize),
                                             BuildOrientedStamps(atlas, kLaterCell, p.BrushSize)};
        const std::vector<uint8_t> contrast = BuildContrastMap(in);
        auto match = [&, pass](int sub) {
            MatchPixels(in, stampSets[sub == 1 ? 0 : 1], contrast, uint32_t(pass * 4 + sub),
                        table.data());
        };
        match(1);
        for (int sub = 1; sub <= 4; ++sub) {
            if (SmoothRun::Cancelled())
                break;
            if (sub == 2) {
                FillWhitePixels(in, canvas);
                run.Add(20);
                run.UpdateDisplay(true);
            }
            MatchAhead next;
            RunPass(run, w, h, canvas, stampSets[sub == 1 ? 0 : 1], table.data(), [&next, &match, sub] {
                if (sub < 4)
                    next.Start([&match, sub] { match(sub + 1); });
            });
            next.Wait();
            run.ShowInPreviewBox();
        }
        RemoveBrightSpecks(canvas);
        if (run.alphaSource) {
            GiveSourceAlpha(original, canvas);
            run.alphaSource = nullptr;
        }
        run.Add(10);
        if (pass < p.Passes)
            input = Dest->makeImageSnapshot();
    }
    if (EngineHost()) {
        run.UpdateDisplay(true);
        run.UpdateProgress(101);
    }
}

PV_REGISTER_EFFECT(306, TemplateMatching);

} // namespace pv
