#pragma once
// Paths, rounded rectangles and dash patterns of the graphics layer. A path
// is kept as a QPainterPath (Qt rasterises it); the fill rule defaults to
// winding as in the 2D library (QPainterPath's own default is even-odd).

#include "platform/graphics/SkMatrix.h"
#include "platform/graphics/SkTypes.h"

#include <QPainterPath>

#include <memory>
#include <vector>

namespace pv {

enum class SkPathFillType { kWinding, kEvenOdd };
enum class SkPathDirection { kCW, kCCW };

// A rectangle with elliptic corners; radii[0..3] are the top-left, top-right,
// bottom-right and bottom-left corners (x and y radius each).
struct SkRRect {
    SkRect rect;
    SkVector radii[4];

    static SkRRect MakeRect(const SkRect& r) { return {r.makeSorted(), {}}; }
    static SkRRect MakeOval(const SkRect& r);
    // Every corner with radii (rx, ry), scaled down together when they do not fit.
    static SkRRect MakeRectXY(const SkRect& r, float rx, float ry);
    // Per-corner radii, scaled down together when they do not fit.
    static SkRRect MakeRectRadii(const SkRect& r, const SkVector radii[4]);
    const SkRect& getBounds() const { return rect; }
    bool isRect() const;
};

class SkPath {
public:
    SkPath();
    static SkPath Rect(const SkRect& r);
    static SkPath Oval(const SkRect& r);
    static SkPath Circle(float cx, float cy, float radius);
    static SkPath RRect(const SkRRect& rr);
    static SkPath Polygon(const SkPoint* points, int count, bool close);

    SkPath& moveTo(float x, float y);
    SkPath& lineTo(float x, float y);
    SkPath& quadTo(float x1, float y1, float x2, float y2);
    SkPath& cubicTo(float x1, float y1, float x2, float y2, float x3, float y3);
    SkPath& close();
    SkPath& moveTo(SkPoint p) { return moveTo(p.fX, p.fY); }
    SkPath& lineTo(SkPoint p) { return lineTo(p.fX, p.fY); }

    SkPath& addRect(const SkRect& r, SkPathDirection dir = SkPathDirection::kCW);
    SkPath& addOval(const SkRect& r);
    SkPath& addCircle(float cx, float cy, float radius);
    SkPath& addRRect(const SkRRect& rr);
    // An arc of the oval, angles in degrees clockwise from the x axis (y down).
    SkPath& addArc(const SkRect& oval, float startDegrees, float sweepDegrees);
    // Continues the contour along an arc (line to its start first unless forceMoveTo).
    SkPath& arcTo(const SkRect& oval, float startDegrees, float sweepDegrees, bool forceMoveTo);
    SkPath& addPoly(const SkPoint* points, int count, bool close);
    SkPath& addPath(const SkPath& other);

    void setFillType(SkPathFillType type);
    SkPathFillType getFillType() const { return fillType_; }
    bool isEmpty() const { return path_.elementCount() == 0; }
    // Bounds of the control points.
    SkRect getBounds() const;
    void reset();
    void transform(const SkMatrix& m);
    SkPath makeTransform(const SkMatrix& m) const;
    void offset(float dx, float dy) { transform(SkMatrix::Translate(dx, dy)); }

    const QPainterPath& qpath() const { return path_; }

private:
    QPainterPath path_;
    SkPathFillType fillType_ = SkPathFillType::kWinding;
};

// A path effect applied before stroking. The only one the program needs is the
// dash: intervals alternate on and off lengths in the drawing's own units
// (absolute lengths, not multiples of the stroke width).
class SkPathEffect {
public:
    const std::vector<float>& intervals() const { return intervals_; }
    float phase() const { return phase_; }
    SkPathEffect(std::vector<float> intervals, float phase) : intervals_(std::move(intervals)), phase_(phase) {}

private:
    std::vector<float> intervals_;
    float phase_;
};
using ISkPathEffect = std::shared_ptr<const SkPathEffect>;

struct SkDashPathEffect {
    // Null when the count is odd or below 2, or an interval is negative or not
    // finite, or all are zero (the 2D library's rules).
    static ISkPathEffect Make(const float intervals[], int count, float phase);
};

} // namespace pv
