#include "tools/resgen/FrameRenderer.h"

#include <algorithm>

namespace resgen {

bool InOpening(const FrameGeometry& g, int x, int y)
{
    return x >= g.left && x < g.w - g.right && y >= g.top && y < g.h - g.bottom;
}

BorderPoint Locate(const FrameGeometry& g, int x, int y)
{
    const float fx = float(x) + 0.5f, fy = float(y) + 0.5f;
    const float dl = fx / float(g.left), dr = (float(g.w) - fx) / float(g.right);
    const float dt = fy / float(g.top), db = (float(g.h) - fy) / float(g.bottom);
    BorderPoint p{};
    p.x = x;
    p.y = y;
    Side side;
    if (g.joint == Joint::Butt) {
        // Top and bottom pieces run the full width; the sides sit between them.
        if (y < g.top)
            side = Side::Top;
        else if (y >= g.h - g.bottom)
            side = Side::Bottom;
        else
            side = dl < dr ? Side::Left : Side::Right;
    } else {
        const float m = std::min({dl, dr, dt, db});
        side = m == dt ? Side::Top : m == db ? Side::Bottom : m == dl ? Side::Left : Side::Right;
    }
    p.side = side;
    switch (side) {
    case Side::Top: p.t = dt; p.thickness = float(g.top); p.along = fx; break;
    case Side::Right: p.t = dr; p.thickness = float(g.right); p.along = fy; break;
    case Side::Bottom: p.t = db; p.thickness = float(g.bottom); p.along = float(g.w) - fx; break;
    case Side::Left: p.t = dl; p.thickness = float(g.left); p.along = float(g.h) - fy; break;
    }
    p.t = std::min(p.t, 1.0f);
    p.across = p.t * p.thickness;
    return p;
}

Vec3 Normalised(Vec3 v)
{
    const float n = 1.0f / std::sqrt(Dot(v, v));
    return {v.x * n, v.y * n, v.z * n};
}

Vec3 LightDirection() { return Normalised({-0.55f, -0.7f, 1.0f}); }

float Diffuse(Vec3 n) { return std::max(0.0f, Dot(n, LightDirection())); }

float Specular(Vec3 n, float shininess)
{
    const Vec3 l = LightDirection();
    const Vec3 halfway = Normalised({l.x, l.y, l.z + 1});
    return std::pow(std::max(0.0f, Dot(n, halfway)), shininess);
}

float Reflection(Vec3 n)
{
    // Mirror the view ray (looking straight down) about the normal.
    const float rx = 2 * n.z * n.x, ry = 2 * n.z * n.y;
    const float toWindow = -(0.55f * rx + 0.83f * ry); // > 0 towards the upper left
    const float window = std::exp(-((toWindow - 0.55f) * (toWindow - 0.55f)) / 0.08f);
    return Clamp01(0.5f + 0.42f * toWindow + 0.35f * window);
}

float Bead(float t, float centre, float radius, float height)
{
    const float d = (t - centre) / radius;
    return d * d >= 1 ? 0 : height * std::sqrt(1 - d * d);
}

float Ramp(float t, float t0, float t1, float h0, float h1)
{
    return h0 + (h1 - h0) * Clamp01((t - t0) / (t1 - t0));
}

float Ease(float t, float t0, float t1, float h0, float h1)
{
    return h0 + (h1 - h0) * Smoothstep(t0, t1, t);
}

} // namespace resgen
