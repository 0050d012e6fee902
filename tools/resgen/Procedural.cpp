#include "tools/resgen/Procedural.h"

#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>

#include <algorithm>

namespace resgen {

uint32_t Hash(int x, int y, uint32_t seed)
{
    uint32_t h = uint32_t(x) * 0x9E3779B1u ^ uint32_t(y) * 0x85EBCA77u ^ seed * 0xC2B2AE3Du;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return h;
}

static inline float Quintic(float t) { return t * t * t * (t * (t * 6 - 15) + 10); }

float ValueNoise(float u, float v, int px, int py, uint32_t seed)
{
    const float fu = std::floor(u), fv = std::floor(v);
    const int iu = int(fu), iv = int(fv);
    const float tu = Quintic(u - fu), tv = Quintic(v - fv);
    const int x0 = WrapIndex(iu, px), x1 = x0 + 1 == px ? 0 : x0 + 1;
    const int y0 = WrapIndex(iv, py), y1 = y0 + 1 == py ? 0 : y0 + 1;
    const float a = LatticeValue(x0, y0, seed), b = LatticeValue(x1, y0, seed);
    const float c = LatticeValue(x0, y1, seed), d = LatticeValue(x1, y1, seed);
    return Mix(Mix(a, b, tu), Mix(c, d, tu), tv);
}

float Fbm(float u, float v, int px, int py, int octaves, float gain, uint32_t seed)
{
    float sum = 0, amp = 1, norm = 0;
    for (int o = 0; o < octaves; ++o) {
        sum += amp * ValueNoise(u, v, px, py, seed + uint32_t(o) * 1013u);
        norm += amp;
        amp *= gain;
        u *= 2;
        v *= 2;
        px *= 2;
        py *= 2;
    }
    return sum / norm;
}

float CellNoise(float u, float v, int px, int py, uint32_t seed)
{
    const int iu = int(std::floor(u)), iv = int(std::floor(v));
    float best = 4.0f;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            const int cx = iu + dx, cy = iv + dy;
            const uint32_t h = Hash(WrapIndex(cx, px), WrapIndex(cy, py), seed);
            const float ox = float(h & 0xFFFF) / 65536.0f, oy = float(h >> 16) / 65536.0f;
            const float ddx = float(cx) + ox - u, ddy = float(cy) + oy - v;
            best = std::min(best, ddx * ddx + ddy * ddy);
        }
    return std::sqrt(best);
}

float Field::mean() const
{
    double s = 0;
    for (float x : v)
        s += x;
    return v.empty() ? 0.0f : float(s / double(v.size()));
}

float Field::deviation() const
{
    const double m = mean();
    double s = 0;
    for (float x : v)
        s += (x - m) * (x - m);
    return v.empty() ? 0.0f : float(std::sqrt(s / double(v.size())));
}

void ForRows(int height, const std::function<void(int)>& body)
{
    tbb::parallel_for(tbb::blocked_range<int>(0, height, 8), [&](const tbb::blocked_range<int>& r) {
        for (int y = r.begin(); y < r.end(); ++y)
            body(y);
    });
}

static void BoxLine(const float* in, float* out, int n, int stride, int radius)
{
    const float k = 1.0f / float(2 * radius + 1);
    float sum = 0;
    for (int i = -radius; i <= radius; ++i)
        sum += in[size_t(WrapIndex(i, n)) * stride];
    for (int i = 0; i < n; ++i) {
        out[size_t(i) * stride] = sum * k;
        sum += in[size_t(WrapIndex(i + radius + 1, n)) * stride] - in[size_t(WrapIndex(i - radius, n)) * stride];
    }
}

void BlurWrapped(Field& f, int radius)
{
    if (radius <= 0)
        return;
    Field tmp(f.w, f.h);
    for (int pass = 0; pass < 3; ++pass) {
        ForRows(f.h, [&](int y) { BoxLine(&f.v[size_t(y) * f.w], &tmp.v[size_t(y) * f.w], f.w, 1, radius); });
        tbb::parallel_for(0, f.w, [&](int x) { BoxLine(&tmp.v[x], &f.v[x], f.h, f.w, radius); });
    }
}

void Splat(Field& f, float cx, float cy, float r, float a)
{
    const int x0 = int(std::floor(cx - r)), x1 = int(std::ceil(cx + r));
    const int y0 = int(std::floor(cy - r)), y1 = int(std::ceil(cy + r));
    const float r2 = r * r;
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            const float d2 = (float(x) - cx) * (float(x) - cx) + (float(y) - cy) * (float(y) - cy);
            if (d2 >= r2)
                continue;
            const float t = 1.0f - d2 / r2;
            f.add(x, y, a * t * t);
        }
}

void StrokeLine(Field& f, float x0, float y0, float x1, float y1, float wid, float a)
{
    const float dx = x1 - x0, dy = y1 - y0;
    const float len2 = std::max(1e-6f, dx * dx + dy * dy);
    const int bx0 = int(std::floor(std::min(x0, x1) - wid)), bx1 = int(std::ceil(std::max(x0, x1) + wid));
    const int by0 = int(std::floor(std::min(y0, y1) - wid)), by1 = int(std::ceil(std::max(y0, y1) + wid));
    for (int y = by0; y <= by1; ++y)
        for (int x = bx0; x <= bx1; ++x) {
            const float px = float(x) - x0, py = float(y) - y0;
            const float t = Clamp01((px * dx + py * dy) / len2);
            const float ex = px - t * dx, ey = py - t * dy;
            const float d2 = (ex * ex + ey * ey) / (wid * wid);
            if (d2 >= 1)
                continue;
            const float k = 1 - d2;
            f.add(x, y, a * k * k);
        }
}

QImage TintedGrey(const Field& grey, Rgb tint)
{
    return MakeOpaque(grey.w, grey.h, [&](int x, int y) {
        const float g = grey.at(x, y);
        return Rgb{tint.r * g, tint.g * g, tint.b * g};
    });
}

float LightAt(const Field& height, int x, int y, float relief)
{
    // Normal (-gx, -gy, 1) against a light from the upper left at 45 degrees
    // elevation, divided by the flat response so flat ground gives 1.
    const float gx = (height.wrapped(x + 1, y) - height.wrapped(x - 1, y)) * 0.5f * relief;
    const float gy = (height.wrapped(x, y + 1) - height.wrapped(x, y - 1)) * 0.5f * relief;
    const float lx = -0.5f, ly = -0.5f, lz = 0.70710678f;
    const float n = 1.0f / std::sqrt(gx * gx + gy * gy + 1.0f);
    const float d = (-gx * lx - gy * ly + lz) * n;
    return std::max(0.0f, d) / lz;
}

} // namespace resgen
