// Watercolor 2 paints the picture as flat washes. Random seed pixels grow
// square rings outward while the colour stays close to the seed's; the
// connected part of what a seed gathered is filled with its average colour,
// shifted by a small random tint and by the grain of the watercolour paper,
// and small holes inside it are closed. What no wash covers is filled from the
// source. Brightness, dark accents along the source's edges and saturation
// follow.
//
// Colours are worked on straight (not premultiplied): translucent pixels get
// the wash colour at their own alpha, so the result stays a valid
// premultiplied picture; opaque pictures are unaffected by this.
//
// Growth only ever looks at pixels that are still unpainted (or too
// transparent, which end a run of accepted pixels): two bit sets, one by rows
// and one by columns, list them, so a ring passing over painted paper costs
// nothing and the late, very tolerant seeds stay cheap.

#include "effects/painting/watercolor/Watercolor2.h"

#include "engine/Repository.h"
#include "platform/system/LargeBuffer.h"
#include "platform/system/Numbers.h"
#include "platform/system/Threads.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <limits>
#include <mutex>

namespace pv {

// ------------------------------------------------------------------ derived values

RegionGrowingParams ComputeRegionGrowingParams(int P1, [[maybe_unused]] int P2, int P3, int P4, int P5)
{
    RegionGrowingParams p;
    p.seedingLimit = Round64(1.4 * double(P1));
    const int64_t shift = Round64(2.55 * double(P3)) - 127;
    p.brighten = shift != 0;
    p.brightness = int(std::clamp<int64_t>(shift, -255, 255));
    const float strength = float(P4) / 50.0f;
    p.edges = double(strength) > 0.01;
    // Edge values are bytes: a cap above 255 (P4 > 196) lets them saturate at 255.
    p.edgeCap = int(std::clamp<int64_t>(Round64(65.0 * double(P4) / 50.0), 0, 255));
    const int64_t s = 2 * int64_t(P5) - 100;
    p.saturate = s != 0;
    p.saturation = float(double(s) / 100.0 + 1.0);
    return p;
}

int RegionGrowingTolerance(int P2, int r, int64_t n, bool preview)
{
    const int64_t floorPart = int64_t(uint32_t(P2) >> 3);
    const int64_t t = std::max(floorPart, int64_t(P2) - r) + 1 + (int64_t(P2) + 1) * n / (preview ? 32 : 512);
    return int(std::clamp<int64_t>(t, std::numeric_limits<int>::min(), 766));
}

WatercolorPaperGrid WatercolorPaperFrom(const ISkImage& picture)
{
    WatercolorPaperGrid paper;
    SkPixmap pm;
    if (!picture || !picture->peekPixels(pm) || pm.width <= 0 || pm.height <= 0)
        return paper;
    const int xMax = std::min(pm.width - 1, 1023), yMax = std::min(pm.height - 1, 767);
    int64_t sum = 0;
    for (int y = 0; y <= yMax; ++y) {
        const uint32_t* row = pm.row(y);
        for (int x = 0; x <= xMax; ++x) {
            const uint8_t red = ColorR(UnpremultiplyPixel(row[x]));
            paper.bytes[size_t(x) * 768 + size_t(y)] = red;
            sum += red;
        }
    }
    paper.mean = (xMax > 0 && yMax > 0) ? int(sum / (int64_t(xMax + 1) * (yMax + 1))) : 128;
    paper.loaded = true;
    return paper;
}

const WatercolorPaperGrid& LoadWatercolorPaper()
{
    static const WatercolorPaperGrid paper = WatercolorPaperFrom(Form3().VCLwatercolortexture.image());
    return paper;
}

// ------------------------------------------------------------------ the run

namespace {

// Per-pixel state bits.
constexpr uint8_t kPainted = 1;
constexpr uint8_t kMark1 = 2;      // accepted by ring growth
constexpr uint8_t kMark2 = 4;      // reached by the connectivity search
constexpr uint8_t kMarks = kMark1 | kMark2;
constexpr uint8_t kSolid = 8;      // source alpha at least 128
constexpr uint8_t kSeedable = 16;  // solid and not near white

constexpr uint32_t kDisplayIntervalMs = 500;

inline int Channel(uint32_t c, int shift) { return int((c >> shift) & 0xFF); }
inline int ColourDistance(uint32_t a, uint32_t b)
{
    return std::abs(Channel(a, 16) - Channel(b, 16)) + std::abs(Channel(a, 8) - Channel(b, 8)) +
           std::abs(Channel(a, 0) - Channel(b, 0));
}
// A straight colour written at alpha a.
inline uint32_t AtAlpha(int r, int g, int b, uint8_t a)
{
    const uint32_t c = MakeColor(a, uint8_t(r), uint8_t(g), uint8_t(b));
    return a == 255 ? c : PremultiplyColor(c);
}

struct GrowRun {
    int w = 0, h = 0;
    bool preview = false;
    bool doClear = true;
    bool hasTransparency = false;
    int P2 = 0;
    RegionGrowingParams p;
    const WatercolorPaperGrid* paper = nullptr;

    LargeBuffer<uint32_t> src;   // smoothed source, straight colour
    LargeBuffer<uint8_t> alpha;  // source alpha
    LargeBuffer<uint8_t> flags;
    // Pixels that growth must look at (unpainted, or below alpha 128), by rows and by columns.
    LargeBuffer<uint64_t> rowBits, colBits;
    size_t rowWords = 0, colWords = 0;
    std::vector<int32_t> list, queue;
    ISkSurface work;
    SkPixmap workMap;
    int64_t painted = 0;
    uint32_t lastDisplay = 0;

    size_t index(int x, int y) const { return size_t(y) * size_t(w) + size_t(x); }

    void paint(int x, int y, int r, int g, int b, int offset)
    {
        const size_t i = index(x, y);
        workMap.row(y)[x] = AtAlpha(std::clamp(r + offset, 0, 254), std::clamp(g + offset, 0, 254),
                                    std::clamp(b + offset, 0, 254), alpha[i]);
        flags[i] |= kPainted;
        rowBits[size_t(y) * rowWords + size_t(x >> 6)] &= ~(uint64_t(1) << (x & 63));
        colBits[size_t(x) * colWords + size_t(y >> 6)] &= ~(uint64_t(1) << (y & 63));
        ++painted;
    }
};

// Colour-similar smoothing over 5 x 5 on straight colour; pixels below alpha
// 128 are kept.
void SmoothSource(GrowRun& run, const SkPixmap& source)
{
    const int w = run.w, h = run.h;
    LargeBuffer<uint32_t> straight(size_t(w) * size_t(h));
    ParallelForRange(0, h, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            const uint32_t* in = source.row(y);
            for (int x = 0; x < w; ++x) {
                const size_t i = run.index(x, y);
                straight[i] = UnpremultiplyPixel(in[x]);
                run.alpha[i] = uint8_t(in[x] >> 24);
            }
        }
    }, 16);
    ParallelForRange(0, h, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y)
            for (int x = 0; x < w; ++x) {
                const size_t i = run.index(x, y);
                const uint32_t c = straight[i];
                if (run.alpha[i] < 128) {
                    run.src[i] = c;
                    continue;
                }
                int64_t sr = 0, sg = 0, sb = 0;
                int count = 0;
                for (int yy = std::max(0, y - 2); yy <= std::min(h - 1, y + 2); ++yy)
                    for (int xx = std::max(0, x - 2); xx <= std::min(w - 1, x + 2); ++xx) {
                        const size_t j = run.index(xx, yy);
                        const uint32_t q = straight[j];
                        if (run.alpha[j] < 128 || ColourDistance(q, c) > 35)
                            continue;
                        sr += Channel(q, 16);
                        sg += Channel(q, 8);
                        sb += Channel(q, 0);
                        ++count;
                    }
                run.src[i] = MakeColor(uint8_t(c >> 24), uint8_t(sr / count), uint8_t(sg / count),
                                       uint8_t(sb / count));
                uint8_t f = kSolid;
                if (Channel(run.src[i], 16) < 250 || Channel(run.src[i], 8) < 250 || Channel(run.src[i], 0) < 250)
                    f |= kSeedable;
                run.flags[i] = f;
            }
    }, 8);
}

void InitBits(GrowRun& run)
{
    run.rowWords = (size_t(run.w) + 63) / 64;
    run.colWords = (size_t(run.h) + 63) / 64;
    run.rowBits = LargeBuffer<uint64_t>(run.rowWords * size_t(run.h));
    run.colBits = LargeBuffer<uint64_t>(run.colWords * size_t(run.w));
    auto fill = [](uint64_t* words, size_t count, int bits) {
        std::fill_n(words, count, ~uint64_t(0));
        if (bits % 64 != 0)
            words[count - 1] = (uint64_t(1) << (bits % 64)) - 1;
    };
    for (int y = 0; y < run.h; ++y)
        fill(run.rowBits.data() + size_t(y) * run.rowWords, run.rowWords, run.w);
    for (int x = 0; x < run.w; ++x)
        fill(run.colBits.data() + size_t(x) * run.colWords, run.colWords, run.h);
}

// One side of a ring: pixels from..to (inclusive) along a row or a column,
// visited through the side's bit set. Returns the longest run of accepted
// pixels; painted pixels neither lengthen nor reset a run.
template <bool Column>
int ScanSide(GrowRun& run, int line, int from, int to, uint32_t seedColour, int tolerance)
{
    const uint64_t* words = Column ? run.colBits.data() + size_t(line) * run.colWords
                                   : run.rowBits.data() + size_t(line) * run.rowWords;
    int length = 0, longest = 0;
    for (int wi = from >> 6; wi <= to >> 6; ++wi) {
        uint64_t bits = words[wi];
        if (wi == from >> 6)
            bits &= ~uint64_t(0) << (from & 63);
        if (wi == to >> 6 && (to & 63) != 63)
            bits &= (uint64_t(2) << (to & 63)) - 1;
        while (bits) {
            const int pos = wi * 64 + std::countr_zero(bits);
            bits &= bits - 1;
            const size_t i = Column ? run.index(line, pos) : run.index(pos, line);
            const uint8_t f = run.flags[i];
            if (!(f & kSolid)) {
                length = 0;
                continue;
            }
            if (ColourDistance(run.src[i], seedColour) < tolerance) {
                if (!(f & kMarks)) {
                    run.flags[i] = uint8_t(f | kMark1);
                    run.list.push_back(int32_t(i));
                }
                longest = std::max(longest, ++length);
            } else {
                length = 0;
            }
        }
    }
    return longest;
}

void ClearMarks(GrowRun& run)
{
    for (int32_t i : run.list)
        run.flags[size_t(i)] &= uint8_t(~kMarks);
    run.list.clear();
}

// Paints the unpainted solid pixels of the region's bounding box (two pixels
// in from its border) that have at least 8 region pixels around them in 5 x 5.
void FillHoles(GrowRun& run, int left, int top, int right, int bottom, int x, int y, int r, int g, int b)
{
    if (right - left < 4 || bottom - top < 4)
        return;
    const int bw = right - left + 1;
    std::vector<int> columns(size_t(bw), 0);
    auto addRow = [&](int yy, int sign) {
        const uint8_t* f = run.flags.data() + run.index(left, yy);
        for (int i = 0; i < bw; ++i)
            columns[size_t(i)] += (f[i] & kMark2) ? sign : 0;
    };
    for (int yy = top; yy <= top + 4; ++yy)
        addRow(yy, 1);
    for (int py = top + 2; py <= bottom - 2; ++py) {
        if (py > top + 2) {
            addRow(py - 3, -1);
            addRow(py + 2, 1);
        }
        int window = columns[0] + columns[1] + columns[2] + columns[3] + columns[4];
        for (int px = left + 2; px <= right - 2; ++px) {
            if (px > left + 2)
                window += columns[size_t(px + 2 - left)] - columns[size_t(px - 3 - left)];
            const uint8_t f = run.flags[run.index(px, py)];
            if ((f & (kSolid | kPainted)) == kSolid && window >= 8)
                run.paint(px, py, r, g, b, run.paper->Offset(int64_t(x) + r + px, int64_t(y) + r + py));
        }
    }
}

// Grows, checks and paints the region of one seed.
void GrowRegion(GrowRun& run, int x, int y, int64_t n)
{
    const int w = run.w, h = run.h;
    const size_t seed = run.index(x, y);
    const uint32_t seedColour = run.src[seed];
    run.flags[seed] |= kMark1;
    run.list.push_back(int32_t(seed));

    const int ringMax = std::max({x, w - x - 1, y, h - y - 1});
    int last = 0;
    for (int r = 1; r <= ringMax; ++r) {
        last = r;
        const int t = RegionGrowingTolerance(run.P2, r, n, run.preview);
        const int x0 = std::max(0, x - r), x1 = std::min(w - 1, x + r);
        const int y0 = std::max(0, y - r), y1 = std::min(h - 1, y + r);
        int total = 0;
        if (y - r >= 0)
            total += ScanSide<false>(run, y - r, x0, x1, seedColour, t);
        if (y + r < h)
            total += ScanSide<false>(run, y + r, x0, x1, seedColour, t);
        if (x - r >= 0)
            total += ScanSide<true>(run, x - r, y0, y1, seedColour, t);
        if (x + r < w)
            total += ScanSide<true>(run, x + r, y0, y1, seedColour, t);
        if ((r < 20 && total <= 3) || (r >= 20 && total <= 10))
            break;
    }
    if (last < 8) {
        ClearMarks(run);
        return;
    }

    // The part connected to the seed.
    run.queue.clear();
    run.flags[seed] = uint8_t((run.flags[seed] & ~kMarks) | kMark2);
    run.queue.push_back(int32_t(seed));
    int left = x, right = x, top = y, bottom = y;
    int64_t sr = 0, sg = 0, sb = 0;
    for (size_t head = 0; head < run.queue.size(); ++head) {
        const int i = run.queue[head];
        const int py = i / w, px = i % w;
        left = std::min(left, px);
        right = std::max(right, px);
        top = std::min(top, py);
        bottom = std::max(bottom, py);
        const uint32_t c = run.src[size_t(i)];
        sr += Channel(c, 16);
        sg += Channel(c, 8);
        sb += Channel(c, 0);
        auto visit = [&](int j) {
            uint8_t& f = run.flags[size_t(j)];
            if ((f & kMarks) == kMark1) {
                f = uint8_t((f & ~kMarks) | kMark2);
                run.queue.push_back(j);
            }
        };
        if (py > 0)
            visit(i - w);
        if (py < h - 1)
            visit(i + w);
        if (px > 0)
            visit(i - 1);
        if (px < w - 1)
            visit(i + 1);
    }
    const int64_t count = int64_t(run.queue.size());
    if (count < 4) {
        ClearMarks(run);
        return;
    }

    const int tint = Random(24) - 8;
    const int r = std::clamp(int(sr / count) + tint, 0, 254);
    const int g = std::clamp(int(sg / count) + tint, 0, 254);
    const int b = std::clamp(int(sb / count) + tint, 0, 254);
    for (int32_t i : run.queue) {
        const int py = i / w, px = i % w;
        run.paint(px, py, r, g, b, run.paper->Offset(int64_t(x) + r + px, int64_t(y) + r + py));
    }
    FillHoles(run, left, top, right, bottom, x, y, r, g, b);
    ClearMarks(run);
}

void ReportSeeding(GrowRun& run)
{
    CheckCancellation();
    const int64_t area = std::max<int64_t>(1, int64_t(run.w) * run.h);
    const int percent = int(std::min<int64_t>(84, run.painted * 85 / area));
    if (run.preview) {
        SafeUpdatePreview(run.work, percent);
        return;
    }
    SafeUpdateProgress(percent);
    if (!EngineHost())
        return;
    // A snapshot of the whole picture costs milliseconds: shown at most twice a second.
    const uint32_t now = GetTickMs();
    if (now - run.lastDisplay < kDisplayIntervalMs)
        return;
    run.lastDisplay = now;
    const ISkImage snap = run.work->makeImageSnapshot();
    RunOnUISync([&] {
        const TEngineHost* host = EngineHost();
        if (host && !host->Cancel.load())
            ShowIntermediateResult(snap, -1);
    });
}

void SeedRegions(GrowRun& run)
{
    const int64_t seeds = (int64_t(run.w) + run.h) * 100;
    const int64_t unit = std::max<int64_t>(1, int64_t(run.w) * run.h / 140);
    run.lastDisplay = GetTickMs();
    for (int64_t n = 0; n <= seeds; ++n) {
        if (n % 256 == 0)
            ReportSeeding(run);
        int x = 0, y = 0;
        bool found = false;
        for (int t = 0; t < 501 && !found; ++t) {
            x = Random(run.w);
            y = Random(run.h);
            const uint8_t f = run.flags[run.index(x, y)];
            found = (f & (kSeedable | kPainted)) == kSeedable;
        }
        if (!found || run.painted / unit > run.p.seedingLimit)
            break;
        GrowRegion(run, x, y, n);
    }
}

// Whatever no region covered is taken from the source (erased canvas only).
void FillLeftovers(GrowRun& run)
{
    ParallelForRange(0, run.h, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            uint32_t* out = run.workMap.row(y);
            for (int x = 0; x < run.w; ++x) {
                const size_t i = run.index(x, y);
                if ((run.flags[i] & (kSolid | kPainted)) != kSolid)
                    continue;
                const uint32_t c = run.src[i];
                const int o = run.paper->Offset(x, y);
                out[x] = AtAlpha(std::clamp(Channel(c, 16) + o, 0, 254), std::clamp(Channel(c, 8) + o, 0, 254),
                                 std::clamp(Channel(c, 0) + o, 0, 254), run.alpha[i]);
            }
        }
    }, 16);
}

// Edge values of the smoothed source (bytes, 0 along the border).
LargeBuffer<uint8_t> EdgeMap(const GrowRun& run)
{
    const int w = run.w, h = run.h;
    LargeBuffer<uint8_t> edges(size_t(w) * size_t(h));
    ParallelForRange(1, h - 1, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y)
            for (int x = 1; x < w - 1; ++x) {
                const size_t i = run.index(x, y);
                if (run.alpha[i] < 128 || run.alpha[i - 1] < 128 || run.alpha[i + 1] < 128 ||
                    run.alpha[i - size_t(w)] < 128 || run.alpha[i + size_t(w)] < 128)
                    continue;
                int sum = 0;
                for (int shift = 0; shift <= 16; shift += 8) {
                    auto c = [&](int dx, int dy) { return Channel(run.src[run.index(x + dx, y + dy)], shift); };
                    const int gx = c(1, -1) + 2 * c(1, 0) + c(1, 1) - c(-1, -1) - 2 * c(-1, 0) - c(-1, 1);
                    const int gy = c(-1, 1) + 2 * c(0, 1) + c(1, 1) - c(-1, -1) - 2 * c(0, -1) - c(1, -1);
                    sum += std::abs(gx) + std::abs(gy);
                }
                const uint32_t s = run.src[i];
                int e = sum / 6;
                e = e * (356 - (Channel(s, 16) + Channel(s, 8) + Channel(s, 0)) / 3) / 256;
                edges[i] = uint8_t(std::min(e, run.p.edgeCap));
            }
    }, 16);
    return edges;
}

// Brightness, edge accents and saturation, pixel by pixel in that order.
// Translucent pixels are worked on in straight colour and premultiplied again.
void FinishColours(GrowRun& run, const LargeBuffer<uint8_t>* edges)
{
    const int w = run.w, h = run.h;
    const RegionGrowingParams& p = run.p;
    ParallelForRange(0, h, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            uint32_t* out = run.workMap.row(y);
            for (int x = 0; x < w; ++x) {
                const size_t i = run.index(x, y);
                if (!run.doClear && !(run.flags[i] & kPainted))
                    continue;
                int accent = 0;
                if (edges && x >= 1 && y >= 1 && x < w - 1 && y < h - 1 && (*edges)[i] >= 8) {
                    int neighbours = 0;
                    for (int dy = -1; dy <= 1; ++dy)
                        for (int dx = -1; dx <= 1; ++dx)
                            neighbours += (dx != 0 || dy != 0) && (*edges)[run.index(x + dx, y + dy)] >= 8;
                    if (neighbours >= 3)
                        accent = (*edges)[i];
                }
                const uint32_t pixel = out[x];
                const uint8_t a = uint8_t(pixel >> 24);
                const bool tone = a >= 10;
                if (!(tone && (p.brighten || p.saturate)) && accent == 0)
                    continue;
                const uint32_t c = a == 255 ? pixel : UnpremultiplyPixel(pixel);
                int ch[3] = {Channel(c, 16), Channel(c, 8), Channel(c, 0)};
                if (tone && p.brighten)
                    for (int& v : ch)
                        v = std::clamp(v + p.brightness, 0, 255);
                for (int& v : ch)
                    v = std::max(0, v - accent);
                if (tone && p.saturate) {
                    const float l = 0.299f * float(ch[0]) + 0.587f * float(ch[1]) + 0.114f * float(ch[2]);
                    for (int& v : ch)
                        v = std::clamp(Round(double(l + (float(v) - l) * p.saturation)), 0, 255);
                }
                out[x] = AtAlpha(ch[0], ch[1], ch[2], a);
            }
        }
    }, 8);
}

} // namespace

void RegionGrowing(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4, int P5,
                   bool Preview)
{
    if (!Source || !Dest)
        return;
    CheckCancellation();
    GrowRun run;
    run.paper = &LoadWatercolorPaper();
    run.p = ComputeRegionGrowingParams(P1, P2, P3, P4, P5);
    run.P2 = P2;
    run.preview = Preview;

    SkPixmap source;
    if (!Source->peekPixels(source) || !source.valid())
        return;
    run.w = source.width;
    run.h = source.height;
    if (run.w < 4 || run.h < 4)
        return;
    const size_t area = size_t(run.w) * size_t(run.h);
    run.src = LargeBuffer<uint32_t>(area);
    run.alpha = LargeBuffer<uint8_t>(area);
    run.flags = LargeBuffer<uint8_t>(area);
    run.hasTransparency = ImageHasTranslucentPixel(Source);
    CheckCancellation();
    SmoothSource(run, source);

    run.work = SkSurface::MakeRaster(run.w, run.h);
    if (!run.work)
        return;
    const TAlphaColor background = run.hasTransparency ? kColorTransparent : kColorWhite;
    if (Preview) {
        run.work->getCanvas()->clear(background);
    } else {
        const CanvasStart start =
            StartEffectCanvas(run.work, CanvasStartOptions{ClearRule::InputTest, run.hasTransparency, background,
                                                           KeepMode::DrawBase});
        run.doClear = start.DoClear;
    }
    if (!run.work->peekPixels(run.workMap))
        return;
    InitBits(run);

    SeedRegions(run);
    run.rowBits.reset();
    run.colBits.reset();
    run.list = {};
    run.queue = {};

    CheckCancellation();
    ReportEffectProgress(run.work, Preview, 85);
    if (run.doClear)
        FillLeftovers(run);
    CheckCancellation();
    LargeBuffer<uint8_t> edges;
    if (run.p.edges)
        edges = EdgeMap(run);
    FinishColours(run, run.p.edges ? &edges : nullptr);
    ReportEffectProgress(run.work, Preview, 90);

    SkPixmap out;
    if (!Dest->peekPixels(out) || out.width < run.w || out.height < run.h)
        return;
    ParallelForRange(0, run.h, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y)
            std::copy_n(run.workMap.row(y), run.w, out.row(y));
    }, 32);
    ReportEffectFinished(Dest, Preview);
}

PV_REGISTER_EFFECT(301, RegionGrowing);

} // namespace pv
