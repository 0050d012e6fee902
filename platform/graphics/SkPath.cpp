#include "platform/graphics/SkPath.h"

#include <QTransform>

#include <cmath>

namespace pv {

// ---------------------------------------------------------------- SkRRect

namespace {

// Scales all radii by one factor so that adjacent radii fit along every side.
void FitRadii(const SkRect& r, SkVector radii[4])
{
    for (int i = 0; i < 4; ++i) {
        if (!(radii[i].fX > 0 && radii[i].fY > 0) || !std::isfinite(radii[i].fX) || !std::isfinite(radii[i].fY))
            radii[i] = {};
    }
    double scale = 1.0;
    auto limit = [&](double a, double b, double side) {
        if (a + b > side && a + b > 0)
            scale = std::min(scale, side / (a + b));
    };
    limit(radii[0].fX, radii[1].fX, r.width());
    limit(radii[3].fX, radii[2].fX, r.width());
    limit(radii[0].fY, radii[3].fY, r.height());
    limit(radii[1].fY, radii[2].fY, r.height());
    if (scale < 1.0)
        for (int i = 0; i < 4; ++i)
            radii[i] = {float(radii[i].fX * scale), float(radii[i].fY * scale)};
}

} // namespace

SkRRect SkRRect::MakeOval(const SkRect& r)
{
    const SkRect s = r.makeSorted();
    return MakeRectXY(s, s.width() / 2, s.height() / 2);
}

SkRRect SkRRect::MakeRectXY(const SkRect& r, float rx, float ry)
{
    const SkVector radii[4] = {{rx, ry}, {rx, ry}, {rx, ry}, {rx, ry}};
    return MakeRectRadii(r, radii);
}

SkRRect SkRRect::MakeRectRadii(const SkRect& r, const SkVector radii[4])
{
    SkRRect rr{r.makeSorted(), {radii[0], radii[1], radii[2], radii[3]}};
    FitRadii(rr.rect, rr.radii);
    return rr;
}

bool SkRRect::isRect() const
{
    for (const SkVector& v : radii)
        if (v.fX > 0 && v.fY > 0)
            return false;
    return true;
}

// ---------------------------------------------------------------- SkPath

SkPath::SkPath() { path_.setFillRule(Qt::WindingFill); }

SkPath SkPath::Rect(const SkRect& r) { return SkPath().addRect(r); }
SkPath SkPath::Oval(const SkRect& r) { return SkPath().addOval(r); }
SkPath SkPath::Circle(float cx, float cy, float radius) { return SkPath().addCircle(cx, cy, radius); }
SkPath SkPath::RRect(const SkRRect& rr) { return SkPath().addRRect(rr); }
SkPath SkPath::Polygon(const SkPoint* points, int count, bool close) { return SkPath().addPoly(points, count, close); }

SkPath& SkPath::moveTo(float x, float y)
{
    path_.moveTo(x, y);
    return *this;
}

SkPath& SkPath::lineTo(float x, float y)
{
    path_.lineTo(x, y);
    return *this;
}

SkPath& SkPath::quadTo(float x1, float y1, float x2, float y2)
{
    path_.quadTo(x1, y1, x2, y2);
    return *this;
}

SkPath& SkPath::cubicTo(float x1, float y1, float x2, float y2, float x3, float y3)
{
    path_.cubicTo(x1, y1, x2, y2, x3, y3);
    return *this;
}

SkPath& SkPath::close()
{
    path_.closeSubpath();
    return *this;
}

SkPath& SkPath::addRect(const SkRect& r, SkPathDirection dir)
{
    path_.moveTo(r.left, r.top);
    if (dir == SkPathDirection::kCW) {
        path_.lineTo(r.right, r.top);
        path_.lineTo(r.right, r.bottom);
        path_.lineTo(r.left, r.bottom);
    } else {
        path_.lineTo(r.left, r.bottom);
        path_.lineTo(r.right, r.bottom);
        path_.lineTo(r.right, r.top);
    }
    path_.closeSubpath();
    return *this;
}

SkPath& SkPath::addOval(const SkRect& r)
{
    path_.addEllipse(QRectF(r.left, r.top, r.width(), r.height()));
    return *this;
}

SkPath& SkPath::addCircle(float cx, float cy, float radius)
{
    if (radius > 0)
        addOval(SkRect::MakeLTRB(cx - radius, cy - radius, cx + radius, cy + radius));
    return *this;
}

SkPath& SkPath::addRRect(const SkRRect& rr)
{
    const SkRect& r = rr.rect;
    if (rr.isRect())
        return addRect(r);
    // Clockwise from the end of the top-left corner; Qt's arc angles run
    // counter-clockwise, so a clockwise quarter is a sweep of -90.
    const SkVector* k = rr.radii;
    path_.moveTo(r.left + k[0].fX, r.top);
    path_.lineTo(r.right - k[1].fX, r.top);
    if (k[1].fX > 0 && k[1].fY > 0)
        path_.arcTo(QRectF(r.right - 2 * k[1].fX, r.top, 2 * k[1].fX, 2 * k[1].fY), 90, -90);
    path_.lineTo(r.right, r.bottom - k[2].fY);
    if (k[2].fX > 0 && k[2].fY > 0)
        path_.arcTo(QRectF(r.right - 2 * k[2].fX, r.bottom - 2 * k[2].fY, 2 * k[2].fX, 2 * k[2].fY), 0, -90);
    path_.lineTo(r.left + k[3].fX, r.bottom);
    if (k[3].fX > 0 && k[3].fY > 0)
        path_.arcTo(QRectF(r.left, r.bottom - 2 * k[3].fY, 2 * k[3].fX, 2 * k[3].fY), 270, -90);
    path_.lineTo(r.left, r.top + k[0].fY);
    if (k[0].fX > 0 && k[0].fY > 0)
        path_.arcTo(QRectF(r.left, r.top, 2 * k[0].fX, 2 * k[0].fY), 180, -90);
    path_.closeSubpath();
    return *this;
}

SkPath& SkPath::addArc(const SkRect& oval, float startDegrees, float sweepDegrees)
{
    return arcTo(oval, startDegrees, sweepDegrees, true);
}

SkPath& SkPath::arcTo(const SkRect& oval, float startDegrees, float sweepDegrees, bool forceMoveTo)
{
    const QRectF r(oval.left, oval.top, oval.width(), oval.height());
    if (forceMoveTo || path_.elementCount() == 0)
        path_.arcMoveTo(r, -startDegrees);
    path_.arcTo(r, -startDegrees, -sweepDegrees);
    return *this;
}

SkPath& SkPath::addPoly(const SkPoint* points, int count, bool close)
{
    if (!points || count <= 0)
        return *this;
    path_.moveTo(points[0].fX, points[0].fY);
    for (int i = 1; i < count; ++i)
        path_.lineTo(points[i].fX, points[i].fY);
    if (close)
        path_.closeSubpath();
    return *this;
}

SkPath& SkPath::addPath(const SkPath& other)
{
    path_.addPath(other.path_);
    return *this;
}

void SkPath::setFillType(SkPathFillType type)
{
    fillType_ = type;
    path_.setFillRule(type == SkPathFillType::kEvenOdd ? Qt::OddEvenFill : Qt::WindingFill);
}

SkRect SkPath::getBounds() const
{
    const QRectF b = path_.controlPointRect();
    return SkRect::MakeXYWH(float(b.x()), float(b.y()), float(b.width()), float(b.height()));
}

void SkPath::reset()
{
    path_.clear();
    path_.setFillRule(fillType_ == SkPathFillType::kEvenOdd ? Qt::OddEvenFill : Qt::WindingFill);
}

void SkPath::transform(const SkMatrix& m)
{
    if (!m.isIdentity())
        path_ = m.toQTransform().map(path_);
}

SkPath SkPath::makeTransform(const SkMatrix& m) const
{
    SkPath copy = *this;
    copy.transform(m);
    return copy;
}

// ---------------------------------------------------------------- dashes

ISkPathEffect SkDashPathEffect::Make(const float intervals[], int count, float phase)
{
    if (!intervals || count < 2 || count % 2 != 0 || !std::isfinite(phase))
        return nullptr;
    std::vector<float> v(intervals, intervals + count);
    double total = 0;
    for (float x : v) {
        if (!(x >= 0) || !std::isfinite(x))
            return nullptr;
        total += x;
    }
    if (total <= 0)
        return nullptr;
    return std::make_shared<const SkPathEffect>(std::move(v), phase);
}

} // namespace pv
