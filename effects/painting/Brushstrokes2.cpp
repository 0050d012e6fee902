// Brushstrokes 2 paints the picture with short curved strokes of three
// bristle-brush masks, from large to small. Each stroke follows the direction
// of the source's edges under its start, carries a patch of jittered source
// colours, and goes where the canvas still differs most from the source (tiles
// of 32 x 32 pixels weighted by their error). In trial mode a stroke is taken
// back when it brings the pixels it covered no closer to the source. On an
// erased canvas a coarse underpainting at half size is laid first. The result
// is sharpened and its saturation changed.
//
// A translucent source is painted in its straight colour, as an opaque
// picture, and takes the source's alpha at the end.
//
// The run draws from the process-wide generator in one fixed order, so a seed
// repeats a painting. That sequence is one path by nature: how many draws a
// patch pixel takes depends on the values drawn before it. Only the draws
// follow it; the patches, the underpainting's rows and strokes whose tiles do
// not meet are painted on the shared pool, each pixel seeing its strokes in
// the sequence's order, so the painting does not depend on the thread count.

#include "effects/painting/Brushstrokes2.h"

#include "engine/StraightColour.h"
#include "engine/ImageHelpers.h"
#include "engine/SharpenSurface.h"
#include "engine/Repository.h"
#include "engine/VibrancePop.h"
#include "platform/system/LargeBuffer.h"
#include "platform/system/Numbers.h"
#include "platform/system/Threads.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include <smmintrin.h>
#include <tbb/enumerable_thread_specific.h>
#include <tbb/parallel_invoke.h>

namespace pv {

// ------------------------------------------------------------------ derived values

OllivanderParams ComputeOllivanderParams(int P1, int P2, int P3, int P4, [[maybe_unused]] int P5)
{
    OllivanderParams p;
    p.lengthDivisor = std::max(1, 28 - P1 / 10);
    // A script's huge P2 would make a run endless: the factor stops growing at P2 = 200.
    p.strokeFactor = int(2 * int64_t(std::min(P2, 200)) / 25 + 1);
    p.rejectBelow = 255 - 2 * int64_t(P2);
    p.acceptFactor = float(P3) / 256.0f + 1.0f;
    p.saturation = int(std::clamp<int64_t>(2 * int64_t(P4) - 100, -100, 100));
    p.saturate = P4 != 128 && p.saturation != 0;
    return p;
}

int64_t OllivanderAttempts(int w, int h, int strokeFactor, int multiplier)
{
    return int64_t(w) * int64_t(h) * int64_t(strokeFactor) / 48400 * int64_t(multiplier);
}

void OllivanderTiles::BuildWeights()
{
    running.resize(error.size());
    total = 0;
    for (size_t i = 0; i < error.size(); ++i) {
        const int64_t e = error[i];
        total += rejected[i] > 20 ? e / (rejected[i] / 20 + 1) : std::max<int64_t>(1, e);
        running[i] = total;
    }
}

int OllivanderTiles::Pick(RunRandom& random) const
{
    const int count = int(running.size());
    if (total <= 0)
        return random(count);
    const int64_t r = int64_t(random.Float() * double(total));
    int lo = 0, hi = count - 1;
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (running[size_t(mid)] < r)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

void LoadOllivanderBrushes(BrushMaskData brushes[3])
{
    TForm3& repository = Form3();
    const TRepositoryImage* images[3] = {&repository.PaintBrushSim, &repository.PaintBrushSim2,
                                         &repository.PaintBrushSim3};
    const char* files[3] = {"PaintBrushSim.png", "PaintBrushSim2.png", "PaintBrushSim3.png"};
    for (int i = 0; i < 3; ++i) {
        const QImage bitmap = images[i]->bitmap();
        LoadBrushMask(bitmap.isNull() ? nullptr : &bitmap, brushes[i].alpha, brushes[i].w, brushes[i].h,
                      QString::fromLatin1(files[i]));
    }
}

// ------------------------------------------------------------------ the run

namespace {

inline int Channel(uint32_t c, int shift) { return int((c >> shift) & 0xFF); }
inline int ColourDistance(uint32_t a, uint32_t b)
{
    return std::abs(Channel(a, 16) - Channel(b, 16)) + std::abs(Channel(a, 8) - Channel(b, 8)) +
           std::abs(Channel(a, 0) - Channel(b, 0));
}

// One stamp pixel: the patch colour P laid with mask value m, then mixed into D
// at the stroke's opacity; the pixel becomes opaque.
inline uint32_t Lay(uint32_t D, uint32_t P, uint32_t m, uint32_t alpha)
{
    uint32_t out = 0xFF000000u;
    for (int shift = 0; shift <= 16; shift += 8) {
        const uint32_t d = (D >> shift) & 0xFF, p = (P >> shift) & 0xFF;
        const uint32_t a = (d * (255 - m) + p * m) / 255;
        out |= ((d * (255 - alpha) + a * alpha) / 255) << shift;
    }
    return out;
}

// One attempt that survived the placement tests: everything it needs to be
// laid on the canvas. Within a round the attempts depend only on the source,
// the edge field, the tile weights of the round and the generator, never on
// the canvas, so they can be planned ahead of the strokes that use them.
struct StrokePlan {
    int cx = 0, cy = 0;
    uint32_t opacity = 1;
    const BrushMaskData* brush = nullptr;
    std::vector<SkIPoint> stamps; // top-left corners, in order
    std::vector<uint32_t> patch;  // brush width x brush height
    // What the patch is painted from: the box's top-left corner, the
    // generator's seed before its first pixel, the centre bias, and whether
    // part of the box lies outside the picture.
    int x0 = 0, y0 = 0;
    uint32_t patchSeed = 0;
    int bias = 0;
    bool clipped = false;
};

// Scratch of the stroke being laid: the canvas under its box before it, which
// of the box's pixels it covered, one row of its mask.
struct StrokeScratch {
    std::vector<uint32_t> before;
    std::vector<uint8_t> cover;
    std::vector<uint8_t> maskRow;
};

struct StrokeRun {
    int w = 0, h = 0;
    bool preview = false;
    bool hasAlpha = false;
    bool doClear = true;
    bool trial = false;
    int P3 = 0, P5 = 0;
    OllivanderParams p;
    RunRandom random;

    SkPixmap src; // the source copy
    LargeBuffer<uint32_t> srcPixels;
    ISkSurface dest;
    SkPixmap destMap;
    LargeBuffer<uint8_t> length; // edge strength, 0..255
    LargeBuffer<float> angle;    // stroke direction, radians
    OllivanderTiles tiles;
    BrushMaskData brushes[3];
    const BrushMaskData* brush = nullptr;

    std::vector<uint32_t> patch;
    int patchStride = 0;
    // Per thread: the scratch of the strokes it lays.
    tbb::enumerable_thread_specific<StrokeScratch> scratch;
    // Per tile: the wave of the current batch that last touched it.
    std::vector<int> tileWave;
    std::vector<int> waveOf;
    // Two batches of planned strokes: one being laid, the next being drawn.
    std::vector<StrokePlan> plans[2];

    size_t index(int x, int y) const { return size_t(y) * size_t(w) + size_t(x); }
    bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < w && y < h; }
    int tileOf(int x, int y) const { return (y / 32) * tiles.tilesX + x / 32; }
};

// Edge directions from a 3 x 3 gradient of the strongest channel. Weak edges
// get a random direction, drawn pixel by pixel in row order.
void BuildEdgeField(StrokeRun& run)
{
    const int w = run.w, h = run.h;
    run.length = LargeBuffer<uint8_t>(size_t(w) * size_t(h));
    run.angle = LargeBuffer<float>(size_t(w) * size_t(h));
    ParallelForRange(1, h - 1, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            if (y % 64 == 0)
                CheckCancellation();
            const uint32_t* up = run.src.row(y - 1);
            const uint32_t* mid = run.src.row(y);
            const uint32_t* down = run.src.row(y + 1);
            for (int x = 1; x < w - 1; ++x) {
                int gx = 0, gy = 0;
                for (int shift = 16; shift >= 0; shift -= 8) {
                    auto c = [shift](const uint32_t* row, int i) { return Channel(row[i], shift); };
                    const int cy = 3 * c(up, x - 1) + 10 * c(up, x) + 3 * c(up, x + 1) - 3 * c(down, x - 1) -
                                   10 * c(down, x) - 3 * c(down, x + 1);
                    const int cx = 3 * c(up, x - 1) + 10 * c(mid, x - 1) + 3 * c(down, x - 1) - 3 * c(up, x + 1) -
                                   10 * c(mid, x + 1) - 3 * c(down, x + 1);
                    if (shift == 16 || std::abs(cy) > std::abs(gy))
                        gy = cy;
                    if (shift == 16 || std::abs(cx) > std::abs(gx))
                        gx = cx;
                }
                const size_t i = run.index(x, y);
                const int len = (std::abs(gx) + std::abs(gy)) / 32;
                run.length[i] = uint8_t(len);
                if (len >= 5)
                    run.angle[i] = std::atan2(float(gy), float(gx)) + 1.5707f;
            }
        }
    }, 16);
    for (int y = 1; y < h - 1; ++y)
        for (int x = 1; x < w - 1; ++x) {
            const size_t i = run.index(x, y);
            if (run.length[i] < 5)
                run.angle[i] = float(run.random.Float() * 6.28);
        }
    ReportEffectProgress(run.dest, run.preview, 5);
}

void ComputeTileErrors(StrokeRun& run)
{
    OllivanderTiles& tiles = run.tiles;
    ParallelFor(0, tiles.tilesY, [&](int ty) {
        for (int tx = 0; tx < tiles.tilesX; ++tx) {
            int64_t e = 0;
            for (int y = ty * 32; y < std::min(run.h, ty * 32 + 32); ++y) {
                const uint32_t* d = run.destMap.row(y);
                const uint32_t* s = run.src.row(y);
                for (int x = tx * 32; x < std::min(run.w, tx * 32 + 32); ++x)
                    e += ColourDistance(d[x], s[x]);
            }
            const size_t t = size_t(ty) * size_t(tiles.tilesX) + size_t(tx);
            tiles.error[t] = e;
            tiles.rejected[t] = 0;
        }
    });
}

void QueueDisplay(const ISkSurface& surface)
{
    TEngineHost* host = EngineHost();
    if (!host)
        return;
    ISkImage snap = surface->makeImageSnapshot();
    RunOnUIQueued([snap = std::move(snap)] { ShowIntermediateResult(snap, -1); }, host->QueuedCallContext());
}

// k steps of the generator at once: s -> mul * s + add.
struct GeneratorSteps {
    uint32_t mul = 1, add = 0;
    constexpr GeneratorSteps Then() const { return {mul * 134775813u, add * 134775813u + 1u}; }
    constexpr uint32_t Apply(uint32_t s) const { return mul * s + add; }
};
constexpr GeneratorSteps kStep1 = GeneratorSteps{}.Then();
constexpr GeneratorSteps kStep2 = kStep1.Then();
constexpr GeneratorSteps kStep3 = kStep2.Then();
constexpr GeneratorSteps kStep5 = kStep3.Then().Then();
constexpr GeneratorSteps kStep6 = kStep5.Then();

// x mod 3 = 0, by the inverse of 3 modulo 2^32.
inline bool DivisibleBy3(int32_t x) { return uint32_t(x) * 0xAAAAAAABu <= 0x55555555u; }

// Scale(s, 150) < k exactly when s is below this.
constexpr uint64_t CentreLimit(int k)
{
    return k <= 0 ? 0 : k >= 150 ? (uint64_t(1) << 32) : ((uint64_t(k) << 32) + 149) / 150;
}

// The strokes of one row of underpainting blocks: their colours and stamps,
// and the generator's seed at the start of every stamp row, so the rows can be
// laid apart from the sequence that drew them.
struct UnderBatch {
    struct Stroke {
        uint32_t colour = 0, alpha = 0;
        int firstStamp = 0, stampCount = 0;
    };
    std::vector<Stroke> strokes;
    std::vector<SkIPoint> stamps;   // top-left corners, in order
    std::vector<uint32_t> rowSeeds; // brush height per stamp
    int top = 0, bottom = 0;        // rows of the layer the batch touches
};

// The draws of block row by, in the order the strokes lay them: per stroke its
// drift, opacity, colour and length, per stamp its drift, per covered pixel
// the colour jitter (one or two draws, only the seed is kept here).
void DrawUnderBatch(StrokeRun& run, int by, int hw, int hh, const std::vector<std::vector<int>>& maskColumns,
                    UnderBatch& batch)
{
    const int w = run.w, h = run.h;
    const BrushMaskData& brush = *run.brush;
    const int BW = brush.w, BH = brush.h;
    RunRandom& rnd = run.random;
    batch.strokes.clear();
    batch.stamps.clear();
    batch.rowSeeds.clear();
    batch.top = hh;
    batch.bottom = 0;
    for (int bx = 0; bx <= hw / 40; ++bx) {
        CheckCancellation();
        const int x0 = 40 * bx, y0 = 40 * by;
        double theta = run.angle[run.index(std::clamp(BW / 2 + x0 / 2, 1, w - 2), std::clamp(BH / 2 + y0 / 2, 1, h - 2))];
        double drift = rnd.Float() * 0.005 - 0.0025;
        const uint32_t alpha = uint32_t(std::clamp(rnd(run.P5 / 10) + 15, 0, 255));
        const uint32_t C = run.src.row(std::clamp((BH / 2 + y0) * 2, 0, h - 1))[std::clamp((BW / 2 + x0) * 2, 0, w - 1)];
        if (run.hasAlpha && (C >> 24) == 0)
            continue;
        int steps = rnd((hw + hh) / 128);
        steps += rnd(20);
        steps += 10;
        batch.strokes.push_back({C, alpha, int(batch.stamps.size()), steps + 1});
        uint32_t seed = rnd.seed;
        for (int k = 0; k <= steps; ++k) {
            const int sx = x0 + int(std::floor(k * std::cos(theta)));
            const int sy = y0 + int(std::floor(k * std::sin(theta)));
            rnd.seed = seed;
            if (rnd(100) >= 75)
                drift += rnd.Float() * 0.003 - 0.0015;
            seed = rnd.seed;
            theta += drift;
            batch.stamps.push_back({sx, sy});
            batch.top = std::min(batch.top, std::max(0, sy));
            batch.bottom = std::max(batch.bottom, std::min(hh, sy + BH));
            const int pxLo = std::max(0, -sx), pxHi = std::min(BW, hw - sx);
            for (int py = 0; py < BH; ++py) {
                batch.rowSeeds.push_back(seed);
                const int y = sy + py;
                if (y < 0 || y >= hh || pxLo >= pxHi)
                    continue;
                const std::vector<int>& columns = maskColumns[size_t(py)];
                const auto first = std::lower_bound(columns.begin(), columns.end(), pxLo);
                if (run.hasAlpha) {
                    const uint32_t* srcRow = run.src.row(std::clamp(2 * y, 0, h - 1));
                    for (auto c = first; c != columns.end() && *c < pxHi; ++c) {
                        if ((srcRow[std::clamp(2 * (sx + *c), 0, w - 1)] >> 24) == 0)
                            continue;
                        const uint32_t s1 = RunRandom::Next(seed);
                        seed = DivisibleBy3(RunRandom::Scale(s1, *c + py + 1)) ? RunRandom::Next(s1) : s1;
                    }
                } else {
                    for (auto c = first; c != columns.end() && *c < pxHi; ++c) {
                        const uint32_t s1 = RunRandom::Next(seed);
                        seed = DivisibleBy3(RunRandom::Scale(s1, *c + py + 1)) ? RunRandom::Next(s1) : s1;
                    }
                }
            }
        }
        rnd.seed = seed;
    }
}

// Lays the rows [lo, hi) of a batch's strokes on the layer, stroke after
// stroke and stamp after stamp, each row from its recorded seed.
void LayUnderBatch(const StrokeRun& run, const UnderBatch& batch, int lo, int hi, int hw, std::vector<uint32_t>& under)
{
    const int w = run.w, h = run.h;
    const BrushMaskData& brush = *run.brush;
    const int BW = brush.w, BH = brush.h;
    for (const UnderBatch::Stroke& stroke : batch.strokes) {
        const uint32_t C = stroke.colour;
        for (int k = stroke.firstStamp; k < stroke.firstStamp + stroke.stampCount; ++k) {
            const int sx = batch.stamps[size_t(k)].fX, sy = batch.stamps[size_t(k)].fY;
            const int py0 = std::max(0, lo - sy), py1 = std::min(BH, hi - sy);
            for (int py = py0; py < py1; ++py) {
                const int y = sy + py;
                uint32_t seed = batch.rowSeeds[size_t(k) * size_t(BH) + size_t(py)];
                const uint8_t* mask = brush.alpha.data() + size_t(py) * size_t(BW);
                uint32_t* row = under.data() + size_t(y) * size_t(hw);
                const uint32_t* srcRow = run.src.row(std::clamp(2 * y, 0, h - 1));
                for (int px = std::max(0, -sx); px < BW && sx + px < hw; ++px) {
                    const uint32_t m = mask[px];
                    if (m == 0)
                        continue;
                    const int x = sx + px;
                    if (run.hasAlpha && (srcRow[std::clamp(2 * x, 0, w - 1)] >> 24) == 0)
                        continue;
                    // j = -Random(10) when Random(px + py + 1) mod 3 = 0, else 15.
                    const uint32_t s1 = RunRandom::Next(seed), s2 = RunRandom::Next(s1);
                    const bool dark = RunRandom::Scale(s1, px + py + 1) % 3 == 0;
                    const int j = dark ? -RunRandom::Scale(s2, 10) : 15;
                    seed = dark ? s2 : s1;
                    const uint32_t c = MakeColor(255, ClampToByte(Channel(C, 16) + j), ClampToByte(Channel(C, 8) + j),
                                                 ClampToByte(Channel(C, 0) + j));
                    row[x] = Lay(row[x], c, m, stroke.alpha);
                }
            }
        }
    }
}

// The coarse first layer: blocks of 40 pixels at half size, each one stroke of
// the large brush in the source colour under it. One row of blocks is drawn
// from the generator while the one before it is laid, in bands of layer rows
// on the pool; every pixel sees the strokes in the same order as one after the
// other would lay them.
void Underpaint(StrokeRun& run)
{
    const int w = run.w, h = run.h;
    int hw = w / 2, hh = h / 2;
    if (hw < 10 || hh < 10) {
        hw = w;
        hh = h;
    }
    std::vector<uint32_t> under(size_t(hw) * size_t(hh), 0xFFFFFFFFu);
    const BrushMaskData& brush = *run.brush;
    std::vector<std::vector<int>> maskColumns(size_t(brush.h));
    for (int py = 0; py < brush.h; ++py)
        for (int px = 0; px < brush.w; ++px)
            if (brush.alpha[size_t(py) * size_t(brush.w) + size_t(px)] != 0)
                maskColumns[size_t(py)].push_back(px);
    const int rows = hh / 40;
    UnderBatch batches[2];
    auto lay = [&](const UnderBatch& batch) {
        ParallelForRange(batch.top, batch.bottom, [&](int lo, int hi) { LayUnderBatch(run, batch, lo, hi, hw, under); }, 4);
    };
    const bool preview = ThreadIsPreview;
    const int generation = ThreadPreviewGeneration;
    const int runId = ThreadRunId;
    DrawUnderBatch(run, 0, hw, hh, maskColumns, batches[0]);
    for (int by = 0; by <= rows; ++by) {
        if (by % 4 == 0) {
            CheckCancellation();
            ReportEffectProgress(run.dest, run.preview, Round(15.0 * by / (rows + 1)) + 5);
        }
        const UnderBatch& current = batches[by & 1];
        if (by == rows) {
            lay(current);
            break;
        }
        SharedPool().execute([&] {
            tbb::parallel_invoke(
                [&] {
                    PreviewScope scope(preview, generation, runId);
                    DrawUnderBatch(run, by + 1, hw, hh, maskColumns, batches[(by + 1) & 1]);
                },
                [&] {
                    PreviewScope scope(preview, generation, runId);
                    lay(current);
                });
        });
    }
    CheckCancellation();
    const ISkImage layer = SkImage::MakeRasterCopy(under.data(), hw, hh, size_t(hw) * 4);
    run.dest->getCanvas()->drawImageRect(layer, SkRect::MakeWH(float(w), float(h)), SkSamplingOptions::Linear());
    if (!run.preview)
        QueueDisplay(run.dest);
}

// Draws one attempt of round t. False when a placement test drops it.
bool PlanAttempt(StrokeRun& run, int t, StrokePlan& plan)
{
    RunRandom& rnd = run.random;
    const int w = run.w, h = run.h;
    const BrushMaskData& brush = *run.brush;
    const int BW = brush.w, BH = brush.h;
    const bool guided = rnd(100) < 90;
    int x0, y0;
    if (guided) {
        const int tile = run.tiles.Pick(rnd);
        x0 = (tile % run.tiles.tilesX) * 32 + rnd(32) - BW / 2;
        y0 = (tile / run.tiles.tilesX) * 32 + rnd(32) - BH / 2;
    } else {
        x0 = rnd(w - 1) - BW / 2;
        y0 = rnd(h - 1) - BH / 2;
    }
    const int cx = x0 + BW / 2, cy = y0 + BH / 2;
    const bool inside = run.inside(cx, cy);
    const int len = inside ? run.length[run.index(cx, cy)] : 0;
    if (guided) {
        if (t > 50 && inside && len < rnd(t / 8))
            return false;
    } else {
        if (rnd(290) < run.p.rejectBelow)
            return false;
        if (t > 50 && (!inside || len < rnd(t / 4)))
            return false;
    }

    double theta = (cx >= 1 && cx < w - 1 && cy >= 1 && cy < h - 1) ? double(run.angle[run.index(cx, cy)])
                                                                      : rnd.Float() * 6.28;
    const int bias = rnd(100) < 70 ? -50 : 100;
    double drift = rnd.Float() * 0.009 - 0.0045;
    int steps = 10;
    if (inside) {
        const int d = run.p.lengthDivisor;
        steps = rnd((500 - t) / d);
        steps = std::max(8, std::min(150, steps + 2 * len / d));
    }
    int opacity = rnd(run.P5 / 2 + t / 30);
    opacity = std::clamp(opacity + run.P5 / 8, 1, 255);

    // The colour patch's draws; the patch itself is painted later from the
    // seed (FillPatch), as the draws need no picture.
    const int nearCentre = run.P3 / 5 + 80;
    const int pxLo = std::max(0, -x0), pxHi = std::min(BW, w - x0);
    const int pyLo = std::max(0, -y0), pyHi = std::min(BH, h - y0);
    plan.x0 = x0;
    plan.y0 = y0;
    plan.bias = bias;
    plan.patchSeed = rnd.seed;
    plan.clipped = pxLo > 0 || pyLo > 0 || pxHi < BW || pyHi < BH;
    // Per pixel two or three draws lead to the centre test and three more
    // follow unless it passes: the four possible next seeds are steps of the
    // generator from this one, and only the dark test (which needs the pixel's
    // number) lies on the sequence's path; the centre test is one comparison.
    const uint64_t centreBelow = CentreLimit(nearCentre - bias);
    uint32_t seed = rnd.seed;
    for (int py = pyLo; py < pyHi; ++py)
        for (int px = pxLo; px < pxHi; ++px) {
            const uint32_t s1 = RunRandom::Next(seed);
            const uint32_t light3 = kStep2.Apply(seed), dark3 = kStep3.Apply(seed);
            const uint32_t lightNext = uint64_t(light3) < centreBelow ? light3 : kStep5.Apply(seed);
            const uint32_t darkNext = uint64_t(dark3) < centreBelow ? dark3 : kStep6.Apply(seed);
            seed = DivisibleBy3(RunRandom::Scale(s1, px + py + 1)) ? darkNext : lightNext;
        }
    rnd.seed = seed;

    plan.stamps.clear();
    for (int k = 0; k <= steps; ++k) {
        plan.stamps.push_back({x0 + int(std::floor(k * std::cos(theta))), y0 + int(std::floor(k * std::sin(theta)))});
        if (run.trial) {
            if (rnd(100) > 80)
                drift += rnd.Float() * 0.003 - 0.0015;
        } else if (rnd(100) > 85) {
            drift += rnd.Float() * 0.002 - 0.001;
        }
        theta += drift;
    }
    plan.cx = cx;
    plan.cy = cy;
    plan.opacity = uint32_t(opacity);
    plan.brush = &brush;
    return true;
}

// The colour patch of a planned stroke: the source near each pixel, or at the
// centre, jittered. Pixels outside the picture are left to KeepOutsidePixels.
void FillPatch(const StrokeRun& run, StrokePlan& plan)
{
    const int w = run.w, h = run.h;
    const int BW = plan.brush->w, BH = plan.brush->h;
    const int x0 = plan.x0, y0 = plan.y0, bias = plan.bias;
    const int centreX = std::clamp(plan.cx, 0, w - 1), centreY = std::clamp(plan.cy, 0, h - 1);
    const int nearCentre = run.P3 / 5 + 80;
    plan.patch.resize(size_t(BW) * size_t(BH));
    uint32_t seed = plan.patchSeed;
    for (int py = 0; py < BH; ++py) {
        const int y = y0 + py;
        if (y < 0 || y >= h)
            continue;
        uint32_t* patch = plan.patch.data() + size_t(py) * size_t(BW);
        // Samples come from a few rows around this one: ask for the rows ahead.
        const uint32_t* ahead = run.src.row(std::min(h - 1, y + 4));
        for (int px = std::max(0, x0); px < std::min(w, x0 + BW); px += 16)
            __builtin_prefetch(ahead + px);
        for (int px = 0; px < BW; ++px) {
            const int x = x0 + px;
            if (x < 0 || x >= w)
                continue;
            // The draws of the rule below, with the next seeds chosen without
            // branches: j = -Random(20) when Random(px + py + 1) mod 3 = 0, else
            // 25; the centre when Random(150) + bias < nearCentre; else an offset
            // of Random(7) - 3 per axis when Random(100) < P3, else Random(3) - 1.
            const uint32_t s1 = RunRandom::Next(seed);
            const uint32_t s2 = RunRandom::Next(s1);
            const bool dark = RunRandom::Scale(s1, px + py + 1) % 3 == 0;
            const int j = dark ? -RunRandom::Scale(s2, 20) : 25;
            const uint32_t s3 = RunRandom::Next(dark ? s2 : s1);
            const uint32_t s4 = RunRandom::Next(s3);
            const uint32_t s5 = RunRandom::Next(s4);
            const uint32_t s6 = RunRandom::Next(s5);
            const bool centre = RunRandom::Scale(s3, 150) + bias < nearCentre;
            const bool wide = RunRandom::Scale(s4, 100) < run.P3;
            const int dx = wide ? RunRandom::Scale(s5, 7) - 3 : RunRandom::Scale(s5, 3) - 1;
            const int dy = wide ? RunRandom::Scale(s6, 7) - 3 : RunRandom::Scale(s6, 3) - 1;
            const int sx = centre ? centreX : x + dx;
            const int sy = centre ? centreY : y + dy;
            seed = centre ? s3 : s6;
            const uint32_t s = run.src.row(std::clamp(sy, 0, h - 1))[std::clamp(sx, 0, w - 1)];
            patch[px] = MakeColor(255, ClampToByte(Channel(s, 16) + j), ClampToByte(Channel(s, 8) + j),
                                  ClampToByte(Channel(s, 0) + j));
        }
    }
}

// Pixels of a patch outside the picture keep what the strokes planned before
// it left there; run.patch holds that history. A patch wholly inside the
// picture replaces all of it, so only the last such patch is copied, when a
// clipped patch or the end of the batch needs it.
void KeepOutsidePixels(StrokeRun& run, std::vector<StrokePlan>& plans, int count)
{
    const StrokePlan* pending = nullptr;
    auto settle = [&] {
        if (!pending)
            return;
        const int BW = pending->brush->w, BH = pending->brush->h;
        for (int py = 0; py < BH; ++py)
            std::copy_n(pending->patch.data() + size_t(py) * size_t(BW), BW,
                        run.patch.data() + size_t(py) * size_t(run.patchStride));
        pending = nullptr;
    };
    for (int i = 0; i < count; ++i) {
        StrokePlan& plan = plans[size_t(i)];
        if (!plan.clipped) {
            pending = &plan;
            continue;
        }
        settle();
        const int BW = plan.brush->w, BH = plan.brush->h;
        for (int py = 0; py < BH; ++py) {
            const bool rowInside = plan.y0 + py >= 0 && plan.y0 + py < run.h;
            uint32_t* mine = plan.patch.data() + size_t(py) * size_t(BW);
            uint32_t* kept = run.patch.data() + size_t(py) * size_t(run.patchStride);
            for (int px = 0; px < BW; ++px) {
                if (rowInside && plan.x0 + px >= 0 && plan.x0 + px < run.w)
                    kept[px] = mine[px];
                else
                    mine[px] = kept[px];
            }
        }
    }
    settle();
}

// Lay for n pixels at once; m holds each pixel's mask value (0 leaves it alone).
void LayRow(uint32_t* dst, const uint32_t* patch, const uint8_t* m, int n, uint32_t alpha)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i k255 = _mm_set1_epi16(255);
    const __m128i kDiv = _mm_set1_epi16(short(0x8081));
    const __m128i keep = _mm_set1_epi16(short(255 - alpha));
    const __m128i take = _mm_set1_epi16(short(alpha));
    const __m128i opaque = _mm_set1_epi32(int(0xFF000000u));
    // Exact x div 255 for 16-bit x.
    auto div255 = [&](__m128i x) { return _mm_srli_epi16(_mm_mulhi_epu16(x, kDiv), 7); };
    auto lay = [&](__m128i d, __m128i p, __m128i mm) {
        const __m128i a = div255(_mm_add_epi16(_mm_mullo_epi16(d, _mm_sub_epi16(k255, mm)), _mm_mullo_epi16(p, mm)));
        return div255(_mm_add_epi16(_mm_mullo_epi16(d, keep), _mm_mullo_epi16(a, take)));
    };
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        uint32_t m4;
        std::memcpy(&m4, m + i, 4);
        if (m4 == 0)
            continue;
        const __m128i D = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
        const __m128i P = _mm_loadu_si128(reinterpret_cast<const __m128i*>(patch + i));
        const __m128i m16 = _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(m4)), zero);
        const __m128i mPairs = _mm_unpacklo_epi16(m16, m16);
        const __m128i mLo = _mm_unpacklo_epi32(mPairs, mPairs);
        const __m128i mHi = _mm_unpackhi_epi32(mPairs, mPairs);
        const __m128i lo = lay(_mm_unpacklo_epi8(D, zero), _mm_unpacklo_epi8(P, zero), mLo);
        const __m128i hi = lay(_mm_unpackhi_epi8(D, zero), _mm_unpackhi_epi8(P, zero), mHi);
        const __m128i stamped = _mm_andnot_si128(_mm_cmpeq_epi32(_mm_cvtepu8_epi32(_mm_cvtsi32_si128(int(m4))), zero), opaque);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_or_si128(_mm_packus_epi16(lo, hi), stamped));
    }
    for (; i < n; ++i)
        if (m[i] != 0)
            dst[i] = Lay(dst[i], patch[i], m[i], alpha);
}

// Calls f(x, y, before, now, source) for every pixel a trial stroke covered in
// the box [left, left + bw) x [top, bottom).
template <typename F>
void ForEachCovered(const StrokeRun& run, const StrokeScratch& scratch, int left, int top, int bottom, int bw, F&& f)
{
    for (int y = top; y < bottom; ++y) {
        const uint8_t* cover = scratch.cover.data() + size_t(y - top) * size_t(bw);
        const uint32_t* old = scratch.before.data() + size_t(y - top) * size_t(bw);
        const uint32_t* now = run.destMap.row(y) + left;
        const uint32_t* q = run.src.row(y) + left;
        for (int i = 0; i < bw; ++i)
            if (cover[i])
                f(left + i, y, old[i], now[i], q[i]);
    }
}

// Lays a planned stroke; in trial mode keeps it only when it brings the
// pixels it covered closer to the source, and lets the tiles learn either way.
void ApplyStroke(StrokeRun& run, const StrokePlan& plan, StrokeScratch& scratch)
{
    const BrushMaskData& brush = *plan.brush;
    const int BW = brush.w, BH = brush.h;
    int left = run.w, top = run.h, right = 0, bottom = 0; // covered box, [left, right) x [top, bottom)
    for (const SkIPoint& s : plan.stamps) {
        left = std::min(left, std::max(0, s.fX));
        top = std::min(top, std::max(0, s.fY));
        right = std::max(right, std::min(run.w, s.fX + BW));
        bottom = std::max(bottom, std::min(run.h, s.fY + BH));
    }
    if (left >= right || top >= bottom)
        return;
    const int bw = right - left, bh = bottom - top;
    const bool trial = run.trial;
    if (trial) {
        scratch.before.resize(size_t(bw) * size_t(bh));
        scratch.cover.assign(size_t(bw) * size_t(bh), 0);
        for (int y = top; y < bottom; ++y)
            std::copy_n(run.destMap.row(y) + left, bw, scratch.before.data() + size_t(y - top) * size_t(bw));
    }
    scratch.maskRow.resize(size_t(BW));
    for (const SkIPoint& s : plan.stamps) {
        const int px0 = std::max(0, -s.fX), px1 = std::min(BW, run.w - s.fX);
        const int py0 = std::max(0, -s.fY), py1 = std::min(BH, run.h - s.fY);
        if (px0 >= px1)
            continue;
        for (int py = py0; py < py1; ++py) {
            const int y = s.fY + py;
            const uint8_t* m = brush.alpha.data() + size_t(py) * size_t(BW);
            if (run.hasAlpha) {
                // Pixels the source leaves fully transparent take no paint.
                const uint32_t* srcRow = run.src.row(y) + s.fX;
                for (int px = px0; px < px1; ++px)
                    scratch.maskRow[size_t(px)] = (srcRow[px] >> 24) == 0 ? 0 : m[px];
                m = scratch.maskRow.data();
            }
            LayRow(run.destMap.row(y) + s.fX + px0, plan.patch.data() + size_t(py) * size_t(BW) + px0, m + px0,
                   px1 - px0, plan.opacity);
            if (trial) {
                uint8_t* cover = scratch.cover.data() + size_t(y - top) * size_t(bw) + size_t(s.fX + px0 - left);
                for (int px = px0; px < px1; ++px)
                    cover[px - px0] |= m[px];
            }
        }
    }
    if (!trial)
        return;

    int64_t errOld = 0, errNew = 0;
    ForEachCovered(run, scratch, left, top, bottom, bw, [&](int, int, uint32_t old, uint32_t now, uint32_t q) {
        errOld += 32 * ColourDistance(old, q);
        errNew += 32 * ColourDistance(now, q);
    });
    if (errOld == 0 && errNew == 0) {
        bool any = false;
        for (uint8_t c : scratch.cover)
            any |= c != 0;
        if (!any)
            return; // nothing was stamped
    }
    const bool centreInside = run.inside(plan.cx, plan.cy);
    if (double(errNew) * double(run.p.acceptFactor) >= double(errOld)) {
        for (int y = top; y < bottom; ++y)
            std::copy_n(scratch.before.data() + size_t(y - top) * size_t(bw), bw, run.destMap.row(y) + left);
        if (centreInside)
            ++run.tiles.rejected[size_t(run.tileOf(plan.cx, plan.cy))];
        return;
    }
    ForEachCovered(run, scratch, left, top, bottom, bw, [&](int x, int y, uint32_t old, uint32_t now, uint32_t q) {
        int64_t& e = run.tiles.error[size_t(run.tileOf(x, y))];
        e = std::max<int64_t>(0, e + ColourDistance(now, q) - ColourDistance(old, q));
    });
    if (centreInside)
        run.tiles.rejected[size_t(run.tileOf(plan.cx, plan.cy))] = 0;
}

// The tiles a planned stroke may read or change: those under its box.
struct TileBox {
    int tx0 = 0, ty0 = 0, tx1 = -1, ty1 = -1; // inclusive
};
TileBox TilesOf(const StrokeRun& run, const StrokePlan& plan)
{
    const int BW = plan.brush->w, BH = plan.brush->h;
    int left = run.w, top = run.h, right = 0, bottom = 0;
    for (const SkIPoint& s : plan.stamps) {
        left = std::min(left, std::max(0, s.fX));
        top = std::min(top, std::max(0, s.fY));
        right = std::max(right, std::min(run.w, s.fX + BW));
        bottom = std::max(bottom, std::min(run.h, s.fY + BH));
    }
    if (left >= right || top >= bottom)
        return {};
    return {left / 32, top / 32, (right - 1) / 32, (bottom - 1) / 32};
}

// Lays a batch of planned strokes. A stroke reads and changes only the canvas
// under its box and the tiles there, so strokes whose tiles do not meet
// commute: each stroke goes into the wave after the last one that touched any
// of its tiles, and the strokes of a wave are laid together. Every tile sees
// its strokes in plan order, so the canvas and the tiles end as if laid one
// after the other.
void ApplyBatch(StrokeRun& run, std::vector<StrokePlan>& plans, int count)
{
    std::vector<int>& wave = run.waveOf;
    wave.assign(size_t(count), 0);
    int waves = 0;
    std::vector<TileBox> boxes(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const TileBox b = TilesOf(run, plans[size_t(i)]);
        boxes[size_t(i)] = b;
        int level = 0;
        for (int ty = b.ty0; ty <= b.ty1; ++ty)
            for (int tx = b.tx0; tx <= b.tx1; ++tx)
                level = std::max(level, run.tileWave[size_t(ty) * size_t(run.tiles.tilesX) + size_t(tx)]);
        for (int ty = b.ty0; ty <= b.ty1; ++ty)
            for (int tx = b.tx0; tx <= b.tx1; ++tx)
                run.tileWave[size_t(ty) * size_t(run.tiles.tilesX) + size_t(tx)] = level + 1;
        wave[size_t(i)] = level;
        waves = std::max(waves, level + 1);
    }
    for (const TileBox& b : boxes)
        for (int ty = b.ty0; ty <= b.ty1; ++ty)
            for (int tx = b.tx0; tx <= b.tx1; ++tx)
                run.tileWave[size_t(ty) * size_t(run.tiles.tilesX) + size_t(tx)] = 0;
    // Strokes by wave, in plan order within a wave.
    std::vector<int> start(size_t(waves) + 1, 0), order(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        ++start[size_t(wave[size_t(i)]) + 1];
    for (int l = 0; l < waves; ++l)
        start[size_t(l) + 1] += start[size_t(l)];
    {
        std::vector<int> fill(start.begin(), start.end() - 1);
        for (int i = 0; i < count; ++i)
            order[size_t(fill[size_t(wave[size_t(i)])]++)] = i;
    }
    for (int l = 0; l < waves; ++l) {
        const int lo = start[size_t(l)], hi = start[size_t(l) + 1];
        if (hi - lo == 1) {
            ApplyStroke(run, plans[size_t(order[size_t(lo)])], run.scratch.local());
            continue;
        }
        ParallelForRange(lo, hi, [&](int a, int b) {
            StrokeScratch& scratch = run.scratch.local();
            for (int k = a; k < b; ++k)
                ApplyStroke(run, plans[size_t(order[size_t(k)])], scratch);
        });
    }
}

// The attempts of round t. Planning (the generator's long sequence and the
// colour patches) and laying strokes (the canvas) touch separate state, so
// while one batch of plans is laid the next is drawn; the result is the same
// as one attempt after the other.
void PaintRound(StrokeRun& run, int t, int64_t attempts)
{
    if (attempts <= 0)
        return;
    const int64_t batch = std::clamp<int64_t>(attempts / 4, 16, 512);
    std::vector<StrokePlan>* plans = run.plans;
    int counts[2] = {0, 0};
    auto plan = [&](int64_t from, int slot) {
        int& count = counts[slot];
        count = 0;
        for (int64_t s = from; s < std::min(attempts, from + batch); ++s) {
            if (s % 25 == 0)
                CheckCancellation();
            if (plans[slot].size() <= size_t(count))
                plans[slot].emplace_back();
            if (PlanAttempt(run, t, plans[slot][size_t(count)]))
                ++count;
        }
        ParallelForRange(0, count, [&](int lo, int hi) {
            for (int i = lo; i < hi; ++i)
                FillPatch(run, plans[slot][size_t(i)]);
        });
        KeepOutsidePixels(run, plans[slot], count);
    };
    auto apply = [&](int slot) {
        ApplyBatch(run, plans[slot], counts[slot]);
    };
    const bool preview = ThreadIsPreview;
    const int generation = ThreadPreviewGeneration;
    const int runId = ThreadRunId;
    plan(0, 0);
    int slot = 0;
    for (int64_t next = batch; next < attempts; next += batch, slot ^= 1) {
        SharedPool().execute([&] {
            tbb::parallel_invoke(
                [&] {
                    PreviewScope scope(preview, generation, runId);
                    plan(next, slot ^ 1);
                },
                [&] {
                    PreviewScope scope(preview, generation, runId);
                    apply(slot);
                });
        });
    }
    apply(slot);
}

void PaintStrokes(StrokeRun& run)
{
    CheckCancellation();
    ComputeTileErrors(run);
    run.tiles.BuildWeights();
    int maxW = 0, maxH = 0;
    for (const BrushMaskData& b : run.brushes) {
        maxW = std::max(maxW, b.w);
        maxH = std::max(maxH, b.h);
    }
    run.patchStride = maxW;
    run.patch.assign(size_t(maxW) * size_t(maxH), 0u);
    int multiplier = 1;
    for (int t = 0; t <= 500; ++t) {
        if (t == 50)
            run.brush = &run.brushes[1];
        if (t == 400) {
            run.brush = &run.brushes[2];
            multiplier = 12;
        }
        if (run.doClear && t == 15)
            run.trial = true;
        if (t == 5 || t == 10 || t == 15 || t == 50 || t == 200 || t == 400)
            ComputeTileErrors(run);
        run.tiles.BuildWeights();
        CheckCancellation();
        if (t % 5 == 0) {
            ReportEffectProgress(run.dest, run.preview, Round(t * 80.0 / 500.0) + 20);
            if (!run.preview && t % 10 == 0)
                QueueDisplay(run.dest);
        }
        // Attempts 0..n of the round.
        PaintRound(run, t, OllivanderAttempts(run.w, run.h, run.p.strokeFactor, multiplier) + 1);
    }
}

} // namespace

void Ollivander(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4, int P5, bool Preview)
{
    if (!Source || !Dest)
        return;
    CheckCancellation();
    StrokeRun run;
    SkPixmap source;
    if (!Source->peekPixels(source) || !source.valid())
        return;
    run.w = source.width;
    run.h = source.height;
    if (run.w <= 9 || run.h <= 9)
        return;
    // The strokes sample the source all over the picture: a copy on large
    // pages saves an address translation miss on nearly every patch row.
    run.srcPixels = LargeBuffer<uint32_t>(size_t(run.w) * size_t(run.h));
    run.src = SkPixmap{reinterpret_cast<uint8_t*>(run.srcPixels.data()), run.w, run.h, size_t(run.w) * 4};
    run.hasAlpha = ImageHasTranslucentPixel(Source);
    // Translucent sources are painted in straight colour (alpha kept).
    ParallelForRange(0, run.h, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            if (run.hasAlpha)
                std::transform(source.row(y), source.row(y) + run.w, run.src.row(y), UnpremultiplyPixel);
            else
                std::copy_n(source.row(y), run.w, run.src.row(y));
        }
    }, 32);
    CheckCancellation();

    run.preview = Preview;
    run.dest = Dest;
    if (Preview) {
        Dest->getCanvas()->clear(kColorTransparent);
        run.doClear = true;
    } else {
        const CanvasStart start = StartEffectCanvas(
            Dest, CanvasStartOptions{ClearRule::InputTest, run.hasAlpha, kColorWhite, KeepMode::DrawBase});
        run.doClear = start.DoClear;
    }
    if (!Dest->peekPixels(run.destMap) || run.destMap.width < run.w || run.destMap.height < run.h)
        return;
    // A kept translucent canvas is painted on in straight colour too.
    if (run.hasAlpha && !run.doClear)
        ParallelForRange(0, run.h, [&](int lo, int hi) {
            for (int y = lo; y < hi; ++y) {
                uint32_t* d = run.destMap.row(y);
                for (int x = 0; x < run.w; ++x)
                    d[x] = 0xFF000000u | UnpremultiplyPixel(d[x]);
            }
        }, 16);

    CheckCancellation();
    run.trial = !run.doClear;
    run.p = ComputeOllivanderParams(P1, P2, P3, P4, P5);
    run.P3 = P3;
    run.P5 = P5;
    run.tiles.tilesX = (run.w + 31) / 32;
    run.tiles.tilesY = (run.h + 31) / 32;
    const size_t tileCount = size_t(run.tiles.tilesX) * size_t(run.tiles.tilesY);
    run.tiles.error.assign(tileCount, 0);
    run.tiles.rejected.assign(tileCount, 0);
    run.tiles.running.assign(tileCount, 0);
    run.tileWave.assign(tileCount, 0);

    // The run draws from its own copy of the generator and hands the seed back.
    run.random.seed = RandSeed();
    struct SeedBack {
        RunRandom& r;
        ~SeedBack() { SetRandSeed(r.seed); }
    } seedBack{run.random};

    CheckCancellation();
    BuildEdgeField(run);

    CheckCancellation();
    LoadOllivanderBrushes(run.brushes);
    run.brush = &run.brushes[0];
    CheckCancellation();

    if (run.doClear) {
        Underpaint(run);
        if (!Dest->peekPixels(run.destMap))
            return;
    }
    PaintStrokes(run);

    CheckCancellation();
    SharpenSurface(nullptr, Dest, run.doClear ? 40 : 10);
    if (run.p.saturate)
        VibrancePopInPlace(Dest, 0, run.p.saturation, 0, 0, 100, false);
    if (run.hasAlpha) {
        if (!Dest->peekPixels(run.destMap))
            return;
        GiveSourceAlpha(run.src, run.destMap);
    }
    ReportEffectFinished(Dest, Preview);
}

PV_REGISTER_EFFECT(305, Ollivander);

} // namespace pv
