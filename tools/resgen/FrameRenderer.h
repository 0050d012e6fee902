#pragma once
// Drawing of decorative frames: a border of four mouldings around a
// transparent rectangular opening. Each moulding has a profile (height across
// the border) that continues along its length, so the frame can be stretched
// along its edges as a nine-patch without changing its look; corners are
// mitred (or butt-jointed) and may carry ornaments of their own.

#include "tools/resgen/Procedural.h"

#include <QImage>

namespace resgen {

enum class Side { Top, Right, Bottom, Left };
enum class Joint { Mitre, Butt };

struct FrameGeometry {
    int w, h; // picture size
    int left, top, right, bottom; // border thickness on each side
    Joint joint = Joint::Mitre;
};

// Where a border pixel lies on its moulding.
struct BorderPoint {
    Side side;
    float t; // 0 at the outer edge, 1 at the opening
    float across; // pixels from the outer edge
    float along; // pixels along the moulding, from its start (clockwise)
    float thickness; // of this side
    int x, y; // the pixel
};

bool InOpening(const FrameGeometry& g, int x, int y);
BorderPoint Locate(const FrameGeometry& g, int x, int y);

struct Vec3 {
    float x, y, z;
};
inline float Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3 Normalised(Vec3 v);

// The light comes from the upper left and somewhat from the front.
Vec3 LightDirection();
float Diffuse(Vec3 n);
float Specular(Vec3 n, float shininess);
// Brightness of the surroundings reflected by a mirror-like surface: a bright
// window above left, a dark room below right. 0..1, about 0.55 on flat ground.
float Reflection(Vec3 n);

struct Rgba {
    float r, g, b, a; // straight colour 0..255, alpha 0..1
};

// What the height pass found out about a pixel and hands to the shading pass,
// so that costly patterns (wood grain, a paper's edge) are worked out once.
struct Material {
    float a = 0, b = 0;
};

// Per-pixel storage for the border only (the opening holds most of the
// picture and needs none): whole rows above and below the opening, the left
// and right pieces beside it.
template <class T>
class BorderStore {
public:
    explicit BorderStore(const FrameGeometry& g) : g_(g), rowStart_(size_t(g.h) + 1)
    {
        size_t n = 0;
        for (int y = 0; y < g.h; ++y) {
            rowStart_[size_t(y)] = n;
            n += (y < g.top || y >= g.h - g.bottom) ? size_t(g.w) : size_t(g.left + g.right);
        }
        rowStart_[size_t(g.h)] = n;
        data_.resize(n);
    }
    // Only for border pixels.
    T& at(int x, int y)
    {
        const size_t base = rowStart_[size_t(y)];
        if (rowStart_[size_t(y) + 1] - base == size_t(g_.w) || x < g_.left)
            return data_[base + size_t(x)];
        return data_[base + size_t(g_.left + x - (g_.w - g_.right))];
    }

private:
    FrameGeometry g_;
    std::vector<size_t> rowStart_;
    std::vector<T> data_;
};

// Calls body(x) for the border pixels of row y, left to right.
template <class Body>
void ForBorderPixels(const FrameGeometry& g, int y, const Body& body)
{
    const bool full = y < g.top || y >= g.h - g.bottom;
    for (int x = 0; x < (full ? g.w : g.left); ++x)
        body(x);
    if (!full)
        for (int x = g.w - g.right; x < g.w; ++x)
            body(x);
}

// Draws a frame from height(point, material&) -> pixels and
// shade(point, normal, height, material) -> Rgba. Heights are in pixels, so
// slopes are real slopes.
template <class HeightFn, class ShadeFn>
QImage RenderFrame(const FrameGeometry& g, const HeightFn& height, const ShadeFn& shade)
{
    BorderStore<float> heights(g);
    BorderStore<Material> materials(g);
    ForRows(g.h, [&](int y) {
        ForBorderPixels(g, y, [&](int x) { heights.at(x, y) = height(Locate(g, x, y), materials.at(x, y)); });
    });
    QImage img(g.w, g.h, QImage::Format_ARGB32);
    img.fill(0);
    ForRows(g.h, [&](int y) {
        auto* row = reinterpret_cast<uint32_t*>(img.scanLine(y));
        ForBorderPixels(g, y, [&](int x) {
            // Slopes to the neighbouring border pixels; the opening and the
            // picture's edge repeat the pixel itself.
            const float here = heights.at(x, y);
            auto at = [&](int xx, int yy) {
                if (xx < 0 || yy < 0 || xx >= g.w || yy >= g.h || InOpening(g, xx, yy))
                    return here;
                return heights.at(xx, yy);
            };
            const Vec3 n = Normalised({-0.5f * (at(x + 1, y) - at(x - 1, y)), -0.5f * (at(x, y + 1) - at(x, y - 1)), 1});
            const Rgba c = shade(Locate(g, x, y), n, here, materials.at(x, y));
            const uint8_t a = ToByte(255 * c.a);
            row[x] = (uint32_t(a) << 24) | (uint32_t(ToByte(c.r)) << 16) | (uint32_t(ToByte(c.g)) << 8) | ToByte(c.b);
        });
    });
    return img;
}

// Profile pieces (t and widths as shares of the border, heights in pixels).
float Bead(float t, float centre, float radius, float height);
float Ramp(float t, float t0, float t1, float h0, float h1);
// A smooth step in height from h0 to h1 between t0 and t1.
float Ease(float t, float t0, float t1, float h0, float h1);

} // namespace resgen
