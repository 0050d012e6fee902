#pragma once
// Deterministic building blocks of the picture generator: a private random
// generator, tileable lattice noise, float fields and parallel row loops.
// Nothing here reads the clock or depends on the number of threads.

#include <QImage>

#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

namespace resgen {

constexpr float kPi = 3.14159265358979f;

// SplitMix64: small, fast and of good quality for scattering marks.
class Rng {
public:
    explicit Rng(uint64_t seed) : state_(seed) {}
    uint64_t next()
    {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // [0, 1)
    float uniform() { return float(next() >> 40) * (1.0f / 16777216.0f); }
    float range(float lo, float hi) { return lo + (hi - lo) * uniform(); }
    int below(int n) { return n <= 0 ? 0 : int((next() >> 33) % uint64_t(n)); }

private:
    uint64_t state_;
};

uint32_t Hash(int x, int y, uint32_t seed);
// [0, 1) from a lattice point.
inline float LatticeValue(int x, int y, uint32_t seed) { return float(Hash(x, y, seed) >> 8) * (1.0f / 16777216.0f); }

inline int WrapIndex(int i, int n)
{
    if ((n & (n - 1)) == 0) // powers of two, the common case, need no division
        return i & (n - 1);
    const int r = i % n;
    return r < 0 ? r + n : r;
}

// Value noise in [0, 1) with quintic smoothing, periodic with px lattice cells
// along u and py along v, so a picture sampling u = x * px / W tiles seamlessly.
float ValueNoise(float u, float v, int px, int py, uint32_t seed);
// Sum of octaves, each doubling the frequency (and period) and scaling the
// amplitude by gain; normalised to about [0, 1).
float Fbm(float u, float v, int px, int py, int octaves, float gain, uint32_t seed);
// Cellular (Worley) distance to the nearest feature point, one point per
// lattice cell, periodic like ValueNoise. Roughly 0..1.
float CellNoise(float u, float v, int px, int py, uint32_t seed);

// A float picture (one value per pixel), row-major.
struct Field {
    int w = 0, h = 0;
    std::vector<float> v;
    Field() = default;
    Field(int width, int height, float fill = 0.0f) : w(width), h(height), v(size_t(width) * height, fill) {}
    float& at(int x, int y) { return v[size_t(y) * w + x]; }
    float at(int x, int y) const { return v[size_t(y) * w + x]; }
    float wrapped(int x, int y) const { return at(WrapIndex(x, w), WrapIndex(y, h)); }
    void add(int x, int y, float a) { v[size_t(WrapIndex(y, h)) * w + WrapIndex(x, w)] += a; }
    float mean() const;
    float deviation() const;
};

// Runs body(y) for every row, in parallel; each row must be independent.
void ForRows(int height, const std::function<void(int)>& body);

// Blurs a field with wrap-around (three box passes approximate a Gaussian).
void BlurWrapped(Field& f, int radius);

// Splat a soft round dab of value a into the field (wrapping), radius r.
void Splat(Field& f, float cx, float cy, float r, float a);

// A line of width wid from (x0, y0) to (x1, y1) added with a soft profile (wraps).
void StrokeLine(Field& f, float x0, float y0, float x1, float y1, float wid, float a);

inline float Smoothstep(float e0, float e1, float x)
{
    float t = (x - e0) / (e1 - e0);
    t = t < 0 ? 0 : (t > 1 ? 1 : t);
    return t * t * (3 - 2 * t);
}
inline float Clamp01(float x) { return x < 0 ? 0 : (x > 1 ? 1 : x); }
inline float Mix(float a, float b, float t) { return a + (b - a) * t; }
inline uint8_t ToByte(float v)
{
    const float c = v < 0 ? 0 : (v > 255 ? 255 : v);
    return uint8_t(int(c + 0.5f));
}

struct Rgb {
    float r, g, b;
};
inline Rgb MixRgb(Rgb a, Rgb b, float t) { return {Mix(a.r, b.r, t), Mix(a.g, b.g, t), Mix(a.b, b.b, t)}; }
inline Rgb Scale(Rgb a, float k) { return {a.r * k, a.g * k, a.b * k}; }

// An opaque picture whose pixel (x, y) is colour(x, y) (0..255 channels).
template <class ColourFn>
QImage MakeOpaque(int w, int h, const ColourFn& colour)
{
    QImage img(w, h, QImage::Format_RGB32);
    ForRows(h, [&](int y) {
        auto* row = reinterpret_cast<uint32_t*>(img.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const Rgb c = colour(x, y);
            row[x] = 0xFF000000u | (uint32_t(ToByte(c.r)) << 16) | (uint32_t(ToByte(c.g)) << 8) | ToByte(c.b);
        }
    });
    return img;
}

// An opaque grey picture from a tint and a field of brightness (0..255).
QImage TintedGrey(const Field& grey, Rgb tint);

// Light on a height field: 1 on flat ground, brighter on slopes facing the
// upper-left light, darker on the others. relief scales the slopes.
float LightAt(const Field& height, int x, int y, float relief);

} // namespace resgen
