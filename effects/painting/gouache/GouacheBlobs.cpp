// One layer of gouache blobs: candidate seeds scored against the painting so
// far, then, highest score first, a blob grown from each seed along spokes,
// shaped by the local edge direction, given an irregular outline, coloured
// with the mean source colour plus a small variation and painted when it
// improves the painting.

#include "effects/painting/gouache/GouacheRun.h"

#include "engine/ImageHelpers.h"
#include "platform/system/Numbers.h"
#include "platform/system/Threads.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace pv {
namespace {

constexpr int kParallelRasterPixels = 4096;
constexpr int kRasterChunkRows = 128;
constexpr int kParallelFillPixels = 32768;
constexpr int kFillChunk = 16384;
constexpr uint32_t kDisplayIntervalMs = 1800;

struct LayerValues {
    int R = 0;
    int64_t U = 0;       // unpainted pixels with paint to receive
    int64_t C = 0;       // seed capacity
    int64_t P = 0;       // pixel budget
    int V = 0;           // coverage penalty
    int Q = 0;           // acceptance percentage
    int probe = 0;       // probe offset
};

// Counts the unpainted pixels (with source alpha) of the layer per block of
// pixel indices, into UBlockStart; returns their number.
int64_t CountUnpainted(GouacheRun& run)
{
    const size_t n = run.count();
    const int blocks = int((n + kGouacheBlockPixels - 1) / kGouacheBlockPixels);
    int64_t* start = run.UBlockStart.data();
    GouacheParallel(
        0, blocks,
        [&](int lo, int hi) {
            for (int b = lo; b < hi; ++b) {
                const size_t i0 = size_t(b) * kGouacheBlockPixels, i1 = std::min(n, i0 + kGouacheBlockPixels);
                int64_t c = 0;
                for (size_t i = i0; i < i1; ++i)
                    c += (run.Coverage[i] == 0 && (run.src[i] >> 24) != 0) ? 1 : 0;
                start[b + 1] = c;
            }
        },
        1024);
    start[0] = 0;
    for (int b = 0; b < blocks; ++b)
        start[b + 1] += start[b];
    return start[blocks];
}

// The pixel index of the k-th unpainted pixel (0-based, in index order).
int32_t NthUnpainted(const GouacheRun& run, int64_t k)
{
    const auto& start = run.UBlockStart;
    const size_t b = size_t(std::upper_bound(start.begin(), start.end(), k) - start.begin()) - 1;
    int64_t left = k - start[b];
    const size_t n = run.count();
    for (size_t i = b * kGouacheBlockPixels; i < n; ++i)
        if (run.Coverage[i] == 0 && (run.src[i] >> 24) != 0 && left-- == 0)
            return int32_t(i);
    return 0;
}

void AddCandidate(GouacheRun& run, const LayerValues& lv, int x, int y)
{
    const int w = run.w, h = run.h;
    const size_t i = size_t(y) * size_t(w) + size_t(x);
    if (run.EdgeMap[i] > run.p.E)
        return;
    const uint32_t s = run.src[i];
    if ((s >> 24) == 0)
        return;
    const bool painted = run.Coverage[i] != 0;
    const uint32_t flat = run.Flat[i];
    const int d = GouacheColourDistance(s, flat);
    if (lv.V < 90 && painted && d < 90)
        return;
    int64_t score = d;
    if (!painted)
        score += 8000;
    if (run.layer == 0)
        score += 3 * int64_t(GouacheLuma(s));
    if (lv.V > 0 && painted) {
        const int r = lv.probe;
        auto cov = [&](int px, int py) { return run.Coverage[size_t(py) * size_t(w) + size_t(px)] != 0 ? 1 : 0; };
        const int probes = cov(x, y) + cov(std::min(x + r, w - 1), y) + cov(std::max(x - r, 0), y) +
                           cov(x, std::min(y + r, h - 1)) + cov(x, std::max(y - r, 0));
        score = std::max<int64_t>(0, score - int64_t(lv.V) * probes);
    }
    if (run.DoClear && GouacheNearWhite(flat) && !GouacheNearWhite(s))
        score += 3000;
    run.keys.push_back(PackGouacheKey(score, int64_t(i)));
}

void CollectCandidates(GouacheRun& run, const LayerValues& lv)
{
    run.keys.clear();
    run.keys.reserve(size_t(lv.C) * 8);
    for (int64_t k = 0; k < 6 * lv.C; ++k) {
        const int x = Random(run.w);
        const int y = Random(run.h);
        AddCandidate(run, lv, x, y);
    }
    if (lv.U > 0)
        for (int64_t k = 0; k < 2 * lv.C; ++k) {
            const int32_t i = NthUnpainted(run, Random(int32_t(lv.U)));
            AddCandidate(run, lv, i % run.w, i / run.w);
        }
    std::sort(run.keys.begin(), run.keys.end());
    run.seedCapacity = std::min<int64_t>(lv.C, int64_t(run.keys.size()));
}

// Direction along the edges near the seed, how strongly oriented the
// neighbourhood is (A) and how flat (phi).
struct LocalStructure {
    float A = 0;
    float phi = 1;
    float dx = 1, dy = 0;
};

LocalStructure MeasureStructure(const GouacheRun& run, int x, int y, uint32_t c0)
{
    const int w = run.w, h = run.h, R = run.R;
    const int step = R >= 8 ? R / 8 : 1;
    int64_t Sxx = 0, Syy = 0, Sxy = 0, n = 0;
    for (int yy = std::max(y - R, 1); yy <= std::min(h - 2, y + R); yy += step) {
        const size_t row = size_t(yy) * size_t(w);
        for (int xx = std::max(x - R, 1); xx <= std::min(w - 2, x + R); xx += step) {
            const size_t i = row + size_t(xx);
            if (GouacheColourDistance(run.src[i], c0) > 180)
                continue;
            const int64_t gx = GouacheLuma(run.src[i + 1]) - GouacheLuma(run.src[i - 1]);
            const int64_t gy = GouacheLuma(run.src[i + size_t(w)]) - GouacheLuma(run.src[i - size_t(w)]);
            Sxx += gx * gx;
            Syy += gy * gy;
            Sxy += gx * gy;
            ++n;
        }
    }
    LocalStructure ls;
    if (n > 16 && Sxx + Syy > 1) {
        const double M = double(Sxx + Syy);
        const double mean = M / double(n);
        ls.phi = float(1.0 - std::clamp((mean - 60.0) / 340.0, 0.0, 1.0));
        const double dxy = double(Sxx - Syy);
        ls.A = float(std::sqrt(dxy * dxy + 4.0 * double(Sxy) * double(Sxy)) / M *
                     std::clamp((mean - 200.0) / 500.0, 0.0, 1.0));
        const float theta = float(0.5 * std::atan2(2.0 * double(Sxy), dxy) + std::numbers::pi / 2);
        ls.dx = std::cos(theta);
        ls.dy = std::sin(theta);
    }
    return ls;
}

// Every spoke's budget is drawn first, in spoke order; then the spokes are
// walked side by side, one step of each in turn, so that their scattered
// pixel reads overlap instead of waiting for one another.
void GrowSpokes(GouacheRun& run, int x, int y, uint32_t c0, const LocalStructure& ls)
{
    const int m = run.QSpokes, R = run.R, E = run.p.E;
    const float A = ls.A;
    const float s0 = 1.0f - 0.45f * A, s1 = 1.0f + 0.9f * A;
    GouacheRun::SpokeWalk* walks = run.SpokeWalks.data();
    int* active = run.SpokeActive.data();
    int live = 0;
    int64_t longest = 0;
    for (int j = 0; j < m; ++j) {
        GouacheRun::SpokeWalk& wk = walks[j];
        wk.cj = run.cosT[size_t(j)];
        wk.sj = run.sinT[size_t(j)];
        const float v = wk.cj * ls.dx + wk.sj * ls.dy;
        const float v2 = v * v;
        wk.sigma = s0 + (s1 - s0) * v2;
        wk.T = Round(double((1.0f - A * (0.6f - 0.45f * v2)) * 180.0f));
        wk.q = A * (0.5f - v2) + 1.0f;
        wk.b = Round(double(float(R + Random(R / 4 + 1)) * wk.sigma));
        wk.walk = wk.b;
        run.SpokeR[size_t(j)] = 2;
        active[live++] = j;
        longest = std::max(longest, wk.walk);
    }
    for (int64_t t = 1; t <= longest && live > 0; ++t) {
        int kept = 0;
        for (int a = 0; a < live; ++a) {
            const int j = active[a];
            GouacheRun::SpokeWalk& wk = walks[j];
            if (t > wk.walk)
                continue;
            const int px = Round(double(float(x) + 0.5f + float(t) * wk.cj));
            const int py = Round(double(float(y) + 0.5f + float(t) * wk.sj));
            if (px < 0 || py < 0 || px >= run.w || py >= run.h)
                continue;
            const size_t i = size_t(py) * size_t(run.w) + size_t(px);
            const int dc = GouacheColourDistance(run.src[i], c0);
            const int ev = run.EdgeMap[i];
            if (dc > wk.T) {
                wk.b -= dc / run.p.c;
            } else if (ev > E / 4) {
                const int64_t ratio = int64_t(ev) * ev / E;
                wk.b -= Round64(double(float(ratio) * float(R) * wk.sigma * wk.q)) / run.p.e;
            }
            wk.b -= 1;
            if (wk.b <= 0)
                continue;
            run.SpokeR[size_t(j)] = int(t);
            active[kept++] = j;
        }
        live = kept;
    }
}

void RoughenOutline(GouacheRun& run, float phi)
{
    int runLeft = 0;
    float factor = 1;
    for (int j = 0; j < run.QSpokes; ++j) {
        if (runLeft == 0) {
            runLeft = Random(4) + 2;
            factor = float(RandomFloat()) * 0.44f + 0.68f;
            if (Random(7) == 0)
                factor += 0.5f;
            factor = (factor - 1.0f) * (1.0f - 0.65f * phi) + 1.0f;
        }
        --runLeft;
        run.SpokeR[size_t(j)] = std::max(2, Round(double(float(run.SpokeR[size_t(j)]) * factor)));
    }
    SmoothCyclicIntArray(run.SpokeR, run.QSpokes, 0.9f * phi + 0.55f);
}

// Pixels within this many spoke steps of a spoke's direction take the exact
// outline: the sector test below and the exact angle may disagree there.
constexpr double kSectorMargin = 1e-3;

// Rasterises row r of the box into idx; its count, covered count and sums go
// into the row tables.
void RasteriseRow(GouacheRun& run, int r, int32_t* idx)
{
    const int y = run.QY0 + r;
    const int oy = y - run.Qsy;
    const int64_t maxR2 = int64_t(run.QMaxR) * run.QMaxR, minR2 = int64_t(run.QMinR) * run.QMinR;
    const float twoPi = float(2 * std::numbers::pi);
    const int m = run.QSpokes;
    const double* sectorCos = run.SectorCos.data();
    const double* sectorSin = run.SectorSin.data();
    int cnt = 0, cov = 0;
    int64_t sr = 0, sg = 0, sb = 0;
    const size_t rowBase = size_t(y) * size_t(run.w);
    // Only the columns inside the longest spoke's circle can belong to the blob.
    const int64_t rest = maxR2 - int64_t(oy) * oy;
    int reach = rest < 0 ? -1 : int(std::sqrt(double(rest)));
    while (reach >= 0 && int64_t(reach) * reach > rest)
        --reach;
    while (int64_t(reach + 1) * (reach + 1) <= rest)
        ++reach;
    const int xFrom = std::max(run.QX0, run.Qsx - reach), xTo = std::min(run.QX1, run.Qsx + reach);
    int j = 0; // sector of the last pixel that needed one
    for (int x = xFrom; x <= xTo; ++x) {
        const int ox = x - run.Qsx;
        const int64_t d2 = int64_t(ox) * ox + int64_t(oy) * oy;
        if (d2 > maxR2)
            continue;
        if (d2 > minR2) {
            // Most pixels are decided by the two spokes around them alone; the
            // exact outline radius is needed only between their lengths and
            // next to a spoke's direction. The sector is followed along the
            // row: side(k) is |v| sin(angle of v - angle of spoke k).
            const double vx = double(ox), vy = double(oy);
            auto side = [&](int k) { return sectorCos[k] * vy - sectorSin[k] * vx; };
            double a = side(j);
            while (a < 0) {
                j = j == 0 ? m - 1 : j - 1;
                a = side(j);
            }
            int j1 = j + 1 == m ? 0 : j + 1;
            double b = side(j1);
            while (b >= 0) {
                j = j1;
                a = b;
                j1 = j1 + 1 == m ? 0 : j1 + 1;
                b = side(j1);
            }
            const double near = run.SectorMargin2 * double(d2);
            bool exact = a * a < near || b * b < near;
            if (!exact) {
                if (d2 > run.SectorOut[size_t(j)])
                    continue;
                exact = d2 > run.SectorIn[size_t(j)];
            }
            if (exact) {
                float alpha = std::atan2(float(oy), float(ox));
                if (alpha < 0)
                    alpha += twoPi;
                const float f = alpha / run.QAngleStep;
                int j = Trunc(f);
                if (j >= run.QSpokes)
                    j = 0;
                const float r0 = float(run.SpokeR[size_t(j)]);
                const float r1 = float(run.SpokeR[size_t((j + 1) % run.QSpokes)]);
                const float rho = r0 + (r1 - r0) * (f - float(j)) + 0.5f;
                if (double(d2) > double(rho) * double(rho))
                    continue;
            }
        }
        const size_t i = rowBase + size_t(x);
        const uint32_t s = run.src[i];
        if ((s >> 24) == 0)
            continue;
        idx[cnt++] = int32_t(i);
        sr += (s >> 16) & 0xFF;
        sg += (s >> 8) & 0xFF;
        sb += s & 0xFF;
        if (run.Coverage[i] != 0)
            ++cov;
    }
    run.RowCnt[size_t(r)] = cnt;
    run.RowCov[size_t(r)] = cov;
    run.RowSumR[size_t(r)] = sr;
    run.RowSumG[size_t(r)] = sg;
    run.RowSumB[size_t(r)] = sb;
}

template <typename T>
void GrowTo(std::vector<T>& v, size_t n)
{
    if (v.size() < n)
        v.resize(n);
}

struct BlobScan {
    int n = 0;
    int covered = 0;
    int64_t sumR = 0, sumG = 0, sumB = 0;
};

BlobScan RasteriseBlob(GouacheRun& run, int x, int y)
{
    const auto [mn, mx] = std::minmax_element(run.SpokeR.begin(), run.SpokeR.begin() + run.QSpokes);
    run.QMaxR = std::max(1, *mx);
    run.QMinR = *mn;
    run.Qsx = x;
    run.Qsy = y;
    run.QX0 = std::max(x - run.QMaxR, 0);
    run.QX1 = std::min(x + run.QMaxR, run.w - 1);
    run.QY0 = std::max(y - run.QMaxR, 0);
    const int y1 = std::min(y + run.QMaxR, run.h - 1);
    run.QBBW = run.QX1 - run.QX0 + 1;
    run.QBBH = y1 - run.QY0 + 1;
    const size_t boxPixels = size_t(run.QBBW) * size_t(run.QBBH);
    for (auto* v : {&run.RowCnt, &run.RowCov})
        GrowTo(*v, size_t(run.QBBH));
    for (auto* v : {&run.RowSumR, &run.RowSumG, &run.RowSumB})
        GrowTo(*v, size_t(run.QBBH));
    // Between the shorter and the longer of a sector's two spokes (plus half
    // a pixel) its outline needs the exact radius.
    for (int j = 0; j < run.QSpokes; ++j) {
        const int64_t s0 = run.SpokeR[size_t(j)], s1 = run.SpokeR[size_t((j + 1) % run.QSpokes)];
        const int64_t inner = std::min(s0, s1), outer = std::max(s0, s1);
        run.SectorIn[size_t(j)] = inner * inner + inner;
        run.SectorOut[size_t(j)] = outer * outer + outer;
    }

    // Rows are rasterised a chunk at a time behind the blob's pixels so far,
    // then move up to join them, one after the other.
    BlobScan scan;
    const size_t W = size_t(run.QBBW);
    for (int c0 = 0; c0 < run.QBBH; c0 += kRasterChunkRows) {
        const int c1 = std::min(run.QBBH, c0 + kRasterChunkRows);
        const size_t base = size_t(scan.n);
        const size_t needed = base + size_t(c1 - c0) * W;
        if (run.BlobPix.size() < needed) {
            run.BlobPix.reserve(std::max(needed, run.BlobPix.size() + run.BlobPix.size() / 2));
            run.BlobPix.resize(needed);
        }
        int32_t* rows = run.BlobPix.data() + base;
        if (boxPixels < size_t(kParallelRasterPixels)) {
            for (int r = c0; r < c1; ++r)
                RasteriseRow(run, r, rows + size_t(r - c0) * W);
        } else {
            GouacheParallel(c0, c1, [&](int lo, int hi) {
                for (int r = lo; r < hi; ++r)
                    RasteriseRow(run, r, rows + size_t(r - c0) * W);
            });
        }
        for (int r = c0; r < c1; ++r) {
            const int cnt = run.RowCnt[size_t(r)];
            const size_t from = base + size_t(r - c0) * W;
            if (from != size_t(scan.n) && cnt > 0)
                std::memmove(run.BlobPix.data() + scan.n, run.BlobPix.data() + from, size_t(cnt) * sizeof(int32_t));
            scan.n += cnt;
            scan.covered += run.RowCov[size_t(r)];
            scan.sumR += run.RowSumR[size_t(r)];
            scan.sumG += run.RowSumG[size_t(r)];
            scan.sumB += run.RowSumB[size_t(r)];
        }
    }
    return scan;
}

bool Acceptable(const GouacheRun& run, const BlobScan& scan, float phi)
{
    const int64_t n = scan.n;
    if (n == 0)
        return false;
    const int64_t p = std::min(run.p.F, 24);
    const int64_t g2 = int64_t(run.p.g) * run.p.g;
    if (6 * n < p * p)
        return false;
    if (n < Round64(double(2.0f * float(g2) * phi)) + 2 * g2)
        return false;
    if (n < 4 * p * p && 4 * n < int64_t(run.QMaxR) * run.QMaxR)
        return false;
    return true;
}

// The blob's colour: its mean, with a little random contrast, brightness and
// hue shift (less in flat regions).
uint32_t BlobColour(const BlobScan& scan, float phi)
{
    const int mR = int(scan.sumR / scan.n), mG = int(scan.sumG / scan.n), mB = int(scan.sumB / scan.n);
    const float delta = 1.0f - 0.75f * phi;
    const float kappa = (float(RandomFloat()) * 0.2f - 0.08f) * delta + 1.0f;
    const float beta = (float(RandomFloat()) * 0.08f - 0.03f) * delta + 1.0f;
    const float eta = (float(RandomFloat()) * 0.12f - 0.06f) * delta;
    const int Y0 = (mR + mG + mB) / 3;
    auto grade = [&](int m) {
        return Clamp(Round(double((float(Y0) + float(m - Y0) * kappa) * beta)), 0, 255);
    };
    const int R1 = grade(mR), G1 = grade(mG), B1 = grade(mB);
    float R2, G2, B2;
    if (eta >= 0) {
        R2 = float(R1) + eta * float(G1 - R1);
        G2 = float(G1) + eta * float(B1 - G1);
        B2 = float(B1) + eta * float(R1 - B1);
    } else {
        R2 = float(R1) - eta * float(B1 - R1);
        G2 = float(G1) - eta * float(R1 - G1);
        B2 = float(B1) - eta * float(G1 - B1);
    }
    auto ch = [](float v) { return uint32_t(Clamp(Round(double(v)), 0, 255)); };
    return 0xFF000000u | (ch(R2) << 16) | (ch(G2) << 8) | ch(B2);
}

bool ImprovesPainting(const GouacheRun& run, const BlobScan& scan, uint32_t colour, int Q)
{
    int64_t before = 0, after = 0;
    for (int k = 0; k < scan.n; ++k) {
        const size_t i = size_t(run.BlobPix[size_t(k)]);
        const uint32_t s = run.src[i];
        before += GouacheColourDistance(run.Flat[i], s);
        after += GouacheColourDistance(colour, s);
    }
    return 100 * after < int64_t(Q) * before;
}

void FillBlob(GouacheRun& run, int n, uint32_t colour)
{
    run.printing.waitUnder(run.QX0, run.QY0, run.QX1, run.QY0 + run.QBBH - 1);
    auto fill = [&](int lo, int hi) {
        for (int k = lo; k < hi; ++k) {
            const size_t i = size_t(run.BlobPix[size_t(k)]);
            run.Work[i] = colour;
            run.Flat[i] = colour;
            run.Coverage[i] = 1;
        }
    };
    if (n < kParallelFillPixels) {
        fill(0, n);
        return;
    }
    const int chunks = (n + kFillChunk - 1) / kFillChunk;
    GouacheParallel(0, chunks, [&](int lo, int hi) {
        for (int c = lo; c < hi; ++c)
            fill(c * kFillChunk, std::min(n, (c + 1) * kFillChunk));
    });
}

void ShowLayerProgress(GouacheRun& run)
{
    run.displayClock = GetTickMs();
    const int64_t byKeys = run.keysTaken * 100 / std::max<int64_t>(int64_t(run.keys.size()), 1);
    const int64_t byPixels = run.paintedCount * 100 / std::max<int64_t>(run.pixelBudget, 1);
    const int percent = int(std::max(byKeys, byPixels));
    const int value = (percent * 90 / 100 + 90 * run.layer) / run.p.L + 5;
    ShowGouacheWork(run);
    if (run.preview) {
        SafeUpdatePreview(run.dest, value);
        return;
    }
    SafeUpdateProgress(value);
    if (TEngineHost* host = EngineHost()) {
        ISkImage snapshot = run.dest->makeImageSnapshot();
        RunOnUIQueued([snapshot = std::move(snapshot)] { ShowIntermediateResult(snapshot, -1); },
                      host->QueuedCallContext());
    }
}

void PaintSeed(GouacheRun& run, const LayerValues& lv, int32_t seedIndex)
{
    const int x = seedIndex % run.w, y = seedIndex / run.w;
    const uint32_t c0 = run.src[size_t(seedIndex)];
    if (run.Coverage[size_t(seedIndex)] != 0) {
        const uint32_t flat = run.Flat[size_t(seedIndex)];
        if (GouacheColourDistance(flat, c0) < 90 && !(GouacheNearWhite(flat) && !GouacheNearWhite(c0)))
            return;
    }
    const LocalStructure ls = MeasureStructure(run, x, y, c0);
    GrowSpokes(run, x, y, c0, ls);
    RoughenOutline(run, ls.phi);
    const BlobScan scan = RasteriseBlob(run, x, y);
    if (!Acceptable(run, scan, ls.phi))
        return;
    const uint32_t colour = BlobColour(scan, ls.phi);
    if (2 * int64_t(scan.covered) > scan.n && !ImprovesPainting(run, scan, colour, lv.Q))
        return;
    FillBlob(run, scan.n, colour);
    if (run.p.StrokeAmp > 0 && run.QMaxR >= 8 && run.R >= 6)
        PaintGouacheStrokes(run, scan.n, colour);
    run.paintedCount += scan.n;
}

} // namespace

void PaintGouacheLayer(GouacheRun& run, int layer)
{
    CheckCancellation();
    run.layer = layer;
    const int L = run.p.L;
    LayerValues lv;
    lv.R = run.R = GouacheLayerRadius(run.p.B, layer);
    run.QSpokes = std::clamp(run.R, 16, 64);
    run.QAngleStep = float(2 * std::numbers::pi / run.QSpokes);
    run.SpokeR.assign(size_t(run.QSpokes), 0);
    run.cosT.resize(size_t(run.QSpokes));
    run.sinT.resize(size_t(run.QSpokes));
    for (auto* v : {&run.SectorCos, &run.SectorSin})
        v->resize(size_t(run.QSpokes));
    for (auto* v : {&run.SectorIn, &run.SectorOut})
        v->resize(size_t(run.QSpokes));
    run.SpokeWalks.resize(size_t(run.QSpokes));
    run.SpokeActive.resize(size_t(run.QSpokes));
    for (int j = 0; j < run.QSpokes; ++j) {
        const double angle = double(j) * double(run.QAngleStep);
        run.cosT[size_t(j)] = float(std::cos(angle));
        run.sinT[size_t(j)] = float(std::sin(angle));
        run.SectorCos[size_t(j)] = std::cos(angle);
        run.SectorSin[size_t(j)] = std::sin(angle);
    }
    run.SectorMargin2 = std::pow(std::sin(kSectorMargin * double(run.QAngleStep)), 2);

    lv.U = CountUnpainted(run);
    lv.C = GouacheSeedCapacity(run.w, run.h, lv.R, lv.U, run.p.S);
    lv.P = lv.C * (int64_t(lv.R) * lv.R / 2);
    lv.V = GouacheCoveragePenalty(L, layer);
    lv.Q = GouacheAcceptancePercent(L, layer);
    lv.probe = lv.R / 2;
    run.pixelBudget = lv.P;

    CollectCandidates(run, lv);

    run.paintedCount = 0;
    run.keysTaken = 0;
    for (auto it = run.keys.rbegin(); it != run.keys.rend() && run.paintedCount < lv.P; ++it) {
        if (run.keysTaken % 256 == 0)
            CheckCancellation();
        if (GetTickMs() - run.displayClock > kDisplayIntervalMs)
            ShowLayerProgress(run);
        ++run.keysTaken;
        PaintSeed(run, lv, int32_t(GouacheKeyIndex(*it)));
    }
    run.printing.wait();
}

} // namespace pv
