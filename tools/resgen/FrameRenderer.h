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

using HeightFn = std::function<float(const BorderPoint&, Material&)>;
using ShadeFn = std::function<Rgba(const BorderPoint&, Vec3 normal, float height, const Material&)>;

// Heights are in pixels, so slopes are real slopes.
QImage RenderFrame(const FrameGeometry& g, const HeightFn& height, const ShadeFn& shade);

// Profile pieces (t and widths as shares of the border, heights in pixels).
float Bead(float t, float centre, float radius, float height);
float Ramp(float t, float t0, float t1, float h0, float h1);
// A smooth step in height from h0 to h1 between t0 and t1.
float Ease(float t, float t0, float t1, float h0, float h1);

} // namespace resgen
