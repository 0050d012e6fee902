// Comic print renders the picture as four-colour halftone print on white
// paper: the colours are boosted and separated into cyan, magenta, yellow and
// black with partial under-colour removal, each separation is printed as a
// rotated grid of round dots whose size follows the ink, the four screens
// multiply onto each other, and black contour lines are darkened in. Every
// run starts from white paper; the source's transparency is kept.

#include "effects/drawing/ComicPrint.h"

#include "engine/PixelPlanes.h"
#include "platform/graphics/SkImageFilter.h"
#include "platform/system/LargeBuffer.h"
#include "platform/system/Numbers.h"
#include "platform/system/Threads.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace pv {
namespace {

struct Screen {
    float angle;   // radians
    TAlphaColor colour;
    int plane;     // index into the C, M, Y, K planes
};

// In printing order.
constexpr Screen kScreens[4] = {
    {0.0f, 0xFFFFF700u, 2},       // yellow
    {0.2617994f, 0xFF00C8FFu, 0}, // cyan
    {1.3089969f, 0xFFFF0090u, 1}, // magenta
    {0.7853982f, 0xFF141414u, 3}, // black
};

// Dots are rasterised in bands of rows, each band through its own canvas, so
// a screen is drawn in parallel; the bands are fixed, so the picture does not
// depend on the number of threads.
constexpr int kBandRows = 128;

struct Dot {
    float x, y, r;
};

class ScreenRaster {
public:
    ScreenRaster(const SkPixmap& pixels) : pixels_(pixels)
    {
        for (int top = 0; top < pixels.height; top += kBandRows) {
            const int rows = std::min(kBandRows, pixels.height - top);
            bands_.push_back({top, rows, SkSurface::MakeRasterDirect(pixels.row(top), pixels.width, rows, pixels.rowBytes)});
        }
    }

    void clearWhite()
    {
        ParallelForRange(0, pixels_.height, [&](int lo, int hi) {
            for (int y = lo; y < hi; ++y)
                std::fill_n(pixels_.row(y), pixels_.width, 0xFFFFFFFFu);
        }, 16);
    }

    void draw(const std::vector<Dot>& dots, TAlphaColor colour)
    {
        if (dots.empty())
            return;
        SkPaint paint(colour);
        paint.antiAlias = true;
        ParallelFor(0, int(bands_.size()), [&](int b) {
            const Band& band = bands_[size_t(b)];
            const float top = float(band.top), bottom = float(band.top + band.rows);
            SkCanvas* canvas = band.surface->getCanvas();
            for (const Dot& d : dots)
                if (d.y + d.r + 1.0f >= top && d.y - d.r - 1.0f <= bottom)
                    canvas->drawCircle(d.x, d.y - top, d.r, paint);
        });
    }

private:
    struct Band {
        int top, rows;
        ISkSurface surface;
    };
    SkPixmap pixels_;
    std::vector<Band> bands_;
};

// The four separations of the (possibly blurred) picture, C, M, Y, K planes.
std::vector<LargeBuffer<uint8_t>> Separate(const SkPixmap& pm, float inkFactor)
{
    const int w = pm.width, h = pm.height;
    std::vector<LargeBuffer<uint8_t>> planes;
    for (int i = 0; i < 4; ++i)
        planes.emplace_back(size_t(w) * size_t(h));
    ParallelForRange(0, h, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            const uint32_t* s = pm.row(y);
            const size_t row = size_t(y) * size_t(w);
            for (int x = 0; x < w; ++x) {
                const ComicInk ink = ComicSeparatePixel(s[x], inkFactor);
                planes[0][row + size_t(x)] = ink.C;
                planes[1][row + size_t(x)] = ink.M;
                planes[2][row + size_t(x)] = ink.Y;
                planes[3][row + size_t(x)] = ink.K;
            }
        }
    }, 16);
    return planes;
}

// Prints one screen's dots onto the white screen raster, reporting progress
// every 16 lattice rows.
void PrintScreen(const Screen& screen, int slot, const uint8_t* plane, const uint8_t* alpha, int w, int h,
                 const ComicValues& v, ScreenRaster& raster, const ISkSurface& Dest, bool Preview)
{
    const float ca = std::cos(screen.angle), sa = std::sin(screen.angle);
    const float cell = float(v.Cell);
    float uMin = 1e30f, uMax = -1e30f, vMin = 1e30f, vMax = -1e30f;
    for (const auto& [cx, cy] : {std::pair{0, 0}, std::pair{w, 0}, std::pair{0, h}, std::pair{w, h}}) {
        const float u = (float(cx) * ca + float(cy) * sa) / cell;
        const float vv = (-float(cx) * sa + float(cy) * ca) / cell;
        uMin = std::min(uMin, u), uMax = std::max(uMax, u);
        vMin = std::min(vMin, vv), vMax = std::max(vMax, vv);
    }
    const int u0 = int(std::floor(uMin)) - 1, u1 = int(std::ceil(uMax)) + 1;
    const int v0 = int(std::floor(vMin)) - 1, v1 = int(std::ceil(vMax)) + 1;
    const int64_t perRow = int64_t(u1) - u0 + 1;
    const int64_t total = perRow * (int64_t(v1) - v0 + 1);
    std::vector<Dot> dots;
    for (int lv = v0; lv <= v1; ++lv) {
        for (int lu = u0; lu <= u1; ++lu) {
            const float px = float(lu) * cell * ca - float(lv) * cell * sa;
            const float py = float(lu) * cell * sa + float(lv) * cell * ca;
            const int rx = Round(px), ry = Round(py);
            if (rx < -v.Cell || rx >= w + v.Cell || ry < -v.Cell || ry >= h + v.Cell)
                continue;
            const size_t i = size_t(std::clamp(ry, 0, h - 1)) * size_t(w) + size_t(std::clamp(rx, 0, w - 1));
            if (alpha[i] == 0)
                continue;
            const float r = ComicDotRadius(v, plane[i]);
            if (r >= 0.4f)
                dots.push_back({px, py, r});
        }
        if ((lv & 15) == 0) {
            raster.draw(dots, screen.colour);
            dots.clear();
            const int64_t done = (int64_t(lv) - v0 + 1) * perRow;
            ReportEffectProgress(Dest, Preview, std::min(88, Round(22.0 * slot + 22.0 * double(done) / double(total))));
            CheckCancellation();
        }
    }
    raster.draw(dots, screen.colour);
}

// Multiplies one opaque row into another: the screens and the paper are
// opaque, so the blend reduces to the product of the channels.
void MultiplyOpaqueRow(uint32_t* dst, const uint32_t* src, int n)
{
    for (int i = 0; i < n; ++i) {
        const uint32_t s = src[i], d = dst[i];
        uint32_t out = 0xFF000000u;
        for (int shift = 0; shift < 24; shift += 8) {
            const uint32_t v = ((s >> shift) & 0xFF) * ((d >> shift) & 0xFF) + 128;
            out |= ((v + (v >> 8)) >> 8) << shift;
        }
        dst[i] = out;
    }
}

// Shows the composite as the result while the print goes on.
void ShowFeedback(const ISkSurface& composite)
{
    if (EngineHost())
        QueueIntermediateResult(composite->makeImageSnapshot(), -1);
}

} // namespace

ComicValues ComicPrintValues(int P1, int P2, int P3, int P4)
{
    ComicValues v;
    // Spacing and dot sizes from scripts are held to what can be printed: a
    // spacing of at least 4 pixels, dots of at most one cell across their
    // neighbours (larger ones only cover the same paper more slowly).
    v.Cell = int(std::clamp<int64_t>(Round64(0.36 * P1) + 4, 4, 65536));
    v.HalfCell = float(v.Cell) / 2.0f;
    v.LargestDot = float(std::clamp(P3, 0, 200)) / 100.0f;
    v.SmallestDot = std::min(v.LargestDot, float(std::clamp(P2, 0, 200)) / 100.0f);
    v.InkFactor = float(P4) / 50.0f;
    return v;
}

ComicInk ComicSeparatePixel(uint32_t pixel, float k)
{
    const uint32_t a = pixel >> 24;
    if (a == 0)
        return {};
    float ch[3] = {float((pixel >> 16) & 0xFF), float((pixel >> 8) & 0xFF), float(pixel & 0xFF)};
    if (a < 255)
        for (float& c : ch)
            c = std::clamp(c * 255.0f / float(a), 0.0f, 255.0f);
    const float l = 0.299f * ch[0] + 0.587f * ch[1] + 0.114f * ch[2];
    for (float& c : ch)
        c = std::clamp((l * 10000.0f + (c - l) * 14500.0f) / 10000.0f, 0.0f, 255.0f);
    const float K = 1.0f - std::max({ch[0], ch[1], ch[2]}) / 255.0f;
    // Held to the byte's range before rounding: extreme ink factors reach far
    // beyond int's range.
    auto byte = [](float value) { return uint8_t(Round(std::clamp(value * 255.0f, 0.0f, 255.0f))); };
    ComicInk ink;
    if (K >= 0.999f) {
        ink.K = 255;
        return ink;
    }
    const float u = std::clamp(0.65f - 0.15f * k, 0.25f, 0.75f);
    const float k2 = K * u;
    float cmy[3];
    for (int i = 0; i < 3; ++i) {
        cmy[i] = (1.0f - ch[i] / 255.0f - k2) / (1.0f - k2);
        if (k < 1.0f)
            cmy[i] *= k;
        else if (k > 1.0f)
            cmy[i] = std::min(1.0f, cmy[i] * k);
    }
    ink.C = byte(cmy[0]);
    ink.M = byte(cmy[1]);
    ink.Y = byte(cmy[2]);
    ink.K = byte(K);
    return ink;
}

float ComicDotRadius(const ComicValues& v, int planeValue)
{
    float t = float(planeValue) / 255.0f;
    if (t > 0)
        t = std::pow(t, 0.75f);
    return std::max(v.HalfCell * v.LargestDot * std::pow(t, 0.75f), v.HalfCell * v.SmallestDot);
}

ComicContour ComicContourValues(int P5, int Cell)
{
    ComicContour c;
    c.Settings.Strength = P5;
    c.Settings.BlurSigma = 1.0f + float(P5) / 100.0f;
    c.Settings.WindowRadius = std::max(6, Cell);
    c.Settings.ShortestChain = std::max(5, Round(0.6 * Cell));
    ContourLineStyle& s = c.Style;
    s.Term = P5 / 5;
    s.Slope = 150;
    s.Offset = 30;
    s.Scaled = false;
    const int t0 = P5 <= 25 ? 0 : int(std::min(12.0, double(Round64((double(P5) - 20.0) / 20.0 * Cell / 9.0))));
    s.BaseThickness = t0;
    s.GreatestThickness = t0 + std::max(1, t0 / 2);
    s.ShiftTowardDark = false;
    s.EdgeHalo = 0.65;
    s.DiagonalHalo = 0.3;
    s.DiscReach = 1.0f;
    return c;
}

void ComicPrintHalftone(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4, int P5,
                        bool Preview)
{
    if (!Source || !Dest || Source->width() < 2 || Source->height() < 2)
        return;
    CheckCancellation();
    SkPixmap src;
    if (!Source->peekPixels(src) || !src.valid())
        return;
    const int w = src.width, h = src.height;
    const size_t W = size_t(w), n = W * size_t(h);
    const LargeBuffer<uint8_t> alpha = AlphaPlane(src);
    CheckCancellation();

    const ComicValues v = ComicPrintValues(P1, P2, P3, P4);
    std::vector<LargeBuffer<uint8_t>> planes;
    {
        const ISkImage separationSource = v.Cell > 8 ? BlurImage(Source, float(v.Cell) / 6.0f,
                                                                 float(v.Cell) / 6.0f, SkTileMode::kClamp)
                                                     : Source;
        SkPixmap sep;
        if (!separationSource || !separationSource->peekPixels(sep))
            return;
        CheckCancellation();
        planes = Separate(sep, v.InkFactor);
    }
    CheckCancellation();

    // Printing: each screen on white, multiplied onto the paper.
    const ISkSurface composite = SkSurface::MakeRaster(w, h);
    SkPixmap comp;
    if (!composite || !composite->peekPixels(comp))
        return;
    {
        const ISkSurface screenSurface = SkSurface::MakeRaster(w, h);
        SkPixmap screenPixels;
        if (!screenSurface || !screenSurface->peekPixels(screenPixels))
            return;
        ScreenRaster raster(screenPixels);
        ParallelForRange(0, h, [&](int lo, int hi) {
            for (int y = lo; y < hi; ++y)
                std::fill_n(comp.row(y), w, 0xFFFFFFFFu);
        }, 16);
        for (int slot = 0; slot < 4; ++slot) {
            const Screen& screen = kScreens[slot];
            if (v.InkFactor < 0.1f && screen.plane != 3)
                continue;
            raster.clearWhite();
            PrintScreen(screen, slot, planes[size_t(screen.plane)].data(), alpha.data(), w, h, v, raster, Dest, Preview);
            ParallelForRange(0, h, [&](int lo, int hi) {
                for (int y = lo; y < hi; ++y)
                    MultiplyOpaqueRow(comp.row(y), screenPixels.row(y), w);
            }, 16);
            if (!Preview)
                ShowFeedback(composite);
        }
    }
    planes.clear();

    BlurPixmap(comp, 0.4f, 0.4f, SkTileMode::kClamp);
    CheckCancellation();

    if (P5 > 0) {
        const ComicContour contour = ComicContourValues(P5, v.Cell);
        LargeBuffer<uint8_t> mask(n);
        {
            const ContourEdges edges = ExtractContourEdges(Source, contour.Settings);
            DrawContourLines(edges, contour.Style, mask.data());
        }
        ParallelForRange(0, h, [&](int lo, int hi) {
            for (int y = lo; y < hi; ++y) {
                uint32_t* p = comp.row(y);
                const size_t row = size_t(y) * W;
                for (int x = 0; x < w; ++x) {
                    const uint32_t m = mask[row + size_t(x)];
                    if (m == 0 || alpha[row + size_t(x)] == 0)
                        continue;
                    const uint32_t c = p[x], keep = 255 - m;
                    p[x] = (c & 0xFF000000u) | ((((c >> 16) & 0xFF) * keep / 255) << 16) |
                           ((((c >> 8) & 0xFF) * keep / 255) << 8) | ((c & 0xFF) * keep / 255);
                }
            }
        }, 16);
        ReportEffectProgress(Dest, Preview, 95);
    }

    CheckCancellation();
    // The paper takes the source's alpha; the printed picture is opaque, so a
    // translucent pixel is premultiplied here.
    SkCanvas* canvas = Dest->getCanvas();
    canvas->clear(kColorTransparent);
    SkPixmap dst;
    if (!Dest->peekPixels(dst))
        return;
    const int dw = std::min(w, dst.width), dh = std::min(h, dst.height);
    ParallelForRange(0, dh, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            const uint32_t* p = comp.row(y);
            uint32_t* d = dst.row(y);
            const size_t row = size_t(y) * W;
            for (int x = 0; x < dw; ++x) {
                const uint32_t a = alpha[row + size_t(x)];
                const uint32_t c = p[x];
                d[x] = a == 255 ? c
                       : a == 0 ? 0u
                                : PremultiplyTruncating(a, (c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF);
            }
        }
    }, 16);

    ReportEffectFinished(Dest, Preview);
}

PV_REGISTER_EFFECT(203, ComicPrintHalftone);

} // namespace pv
