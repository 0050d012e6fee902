// Lifts the colours of a finished painting: dull colours gain more saturation
// than vivid ones, skin tones are spared most of the change, and the result is
// mixed with the original colour.

#include "engine/VibrancePop.h"

#include "platform/system/Numbers.h"
#include "platform/system/Threads.h"

#include <algorithm>
#include <cmath>

namespace pv {

VibranceFactors MakeVibranceFactors(int Vibrance, int Saturation, int Contrast, int SkinProtect, int Mix)
{
    return {static_cast<float>(Clamp(Vibrance, -100, 100) / 100.0),
            static_cast<float>(Clamp(Saturation, -100, 100) / 100.0),
            static_cast<float>(Clamp(Contrast, -100, 100) / 100.0),
            static_cast<float>(Clamp(SkinProtect, 0, 100) / 100.0), static_cast<float>(Clamp(Mix, 0, 100) / 100.0)};
}

uint32_t VibrancePixel(uint32_t pixel, const VibranceFactors& f)
{
    const uint32_t A = pixel >> 24;
    const float R = float((pixel >> 16) & 0xFF), G = float((pixel >> 8) & 0xFF), B = float(pixel & 0xFF);
    float r, g, b;
    if (A > 0 && A < 255) {
        const float fa = float(A);
        r = R * 255.0f / fa / 255.0f;
        g = G * 255.0f / fa / 255.0f;
        b = B * 255.0f / fa / 255.0f;
    } else {
        r = R / 255.0f;
        g = G / 255.0f;
        b = B / 255.0f;
    }

    const float L = 0.299f * r + 0.587f * g + 0.114f * b;
    const float mx = std::max(r, std::max(g, b));
    const float mn = std::min(r, std::min(g, b));
    const float c = mx - mn;
    const float dull = std::max(0.0f, 1.0f - c);
    const float wv = dull * std::sqrt(dull);
    float S = (1.0f + 2.0f * f.v * wv) * std::max(0.0f, 1.0f + f.s);
    const float base = f.k != 0.0f ? (L - 0.5f) * (1.0f + 0.8f * f.k) + 0.5f : L;

    if (f.p > 0.0f) {
        float H = 0.0f;
        if (c != 0.0f) {
            if (mx == r)
                H = 60.0f * (g - b) / c;
            else if (mx == g)
                H = 60.0f * ((b - r) / c + 2.0f);
            else
                H = 60.0f * ((r - g) / c + 4.0f);
            if (H < 0.0f)
                H += 360.0f;
        }
        float d = std::fabs(H - 35.0f);
        if (d > 180.0f)
            d = 360.0f - d;
        const float near = std::max(0.0f, 1.0f - d / 30.0f);
        const float ws = near * near;
        S = (S - 1.0f) * (1.0f - 0.7f * f.p * ws) + 1.0f;
    }

    auto channel = [&](float x) {
        const float graded = std::clamp(base + S * (x - L), 0.0f, 1.0f);
        const float mixed = std::clamp((1.0f - f.m) * x + f.m * graded, 0.0f, 1.0f);
        int v = Round(255.0f * mixed);
        if (A < 255)
            v = v * int(A) / 255;
        return uint32_t(std::clamp(v, 0, 255));
    };
    return (A << 24) | (channel(r) << 16) | (channel(g) << 8) | channel(b);
}

namespace {

// Grades in rows (in may equal out: every pixel depends only on itself) and
// clears whatever of out lies beyond in, as a clear-and-draw would.
void Grade(const SkPixmap& in, const SkPixmap& out, const VibranceFactors& f)
{
    const int w = std::min(in.width, out.width), h = std::min(in.height, out.height);
    ParallelForRange(0, out.height, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            uint32_t* o = out.row(y);
            if (y >= h) {
                std::fill(o, o + out.width, 0u);
                continue;
            }
            const uint32_t* p = in.row(y);
            for (int x = 0; x < w; ++x)
                o[x] = VibrancePixel(p[x], f);
            std::fill(o + w, o + out.width, 0u);
        }
    }, 8);
}

void RequestRedraw()
{
    if (EngineHost())
        RunOnUISync([] {
            if (TEngineHost* host = EngineHost())
                host->RedrawCanvas();
        });
}

} // namespace

void VibrancePop(const ISkImage& Image, const ISkSurface& Dest, int Vibrance, int Saturation, int Contrast,
                 int SkinProtect, int Mix, bool /*Preview*/)
{
    SkPixmap in, out;
    if (!Image || !Dest || Image->width() < 1 || Image->height() < 1 || !Image->peekPixels(in) ||
        !Dest->peekPixels(out))
        return;
    // Image is a separate picture (a snapshot), so Dest is written in place.
    Grade(in, out, MakeVibranceFactors(Vibrance, Saturation, Contrast, SkinProtect, Mix));
    RequestRedraw();
}

void VibrancePopInPlace(const ISkSurface& Dest, int Vibrance, int Saturation, int Contrast, int SkinProtect, int Mix,
                        bool /*Preview*/)
{
    SkPixmap pm;
    if (!Dest || !Dest->peekPixels(pm) || !pm.valid())
        return;
    Grade(pm, pm, MakeVibranceFactors(Vibrance, Saturation, Contrast, SkinProtect, Mix));
    RequestRedraw();
}

} // namespace pv
