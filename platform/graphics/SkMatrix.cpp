#include "platform/graphics/SkMatrix.h"

#include <QTransform>

#include <cmath>
#include <numbers>

namespace pv {

SkMatrix SkMatrix::RotateRad(float radians)
{
    double s = std::sin(double(radians)), c = std::cos(double(radians));
    // Exact quarter turns keep axis-aligned drawing axis-aligned.
    if (std::abs(s) < 1e-12)
        s = 0;
    if (std::abs(c) < 1e-12)
        c = 0;
    return MakeAll(float(c), float(-s), 0, float(s), float(c), 0);
}

SkMatrix SkMatrix::RotateDeg(float degrees)
{
    const double d = std::fmod(double(degrees), 360.0);
    // Whole quarter turns exactly, so that 90 degrees is no sub-pixel drift.
    if (d == 0)
        return I();
    if (d == 90 || d == -270)
        return MakeAll(0, -1, 0, 1, 0, 0);
    if (d == 180 || d == -180)
        return MakeAll(-1, 0, 0, 0, -1, 0);
    if (d == 270 || d == -90)
        return MakeAll(0, 1, 0, -1, 0, 0);
    return RotateRad(float(d * std::numbers::pi / 180.0));
}

SkMatrix SkMatrix::RotateDeg(float degrees, SkPoint pivot)
{
    SkMatrix m = Translate(pivot.fX, pivot.fY);
    m.preConcat(RotateDeg(degrees));
    m.preTranslate(-pivot.fX, -pivot.fY);
    return m;
}

SkMatrix SkMatrix::RectToRect(const SkRect& src, const SkRect& dst)
{
    if (src.isEmpty())
        return I();
    const float sx = dst.width() / src.width();
    const float sy = dst.height() / src.height();
    return MakeAll(sx, 0, dst.left - src.left * sx, 0, sy, dst.top - src.top * sy);
}

SkMatrix SkMatrix::Concat(const SkMatrix& a, const SkMatrix& b)
{
    const float* x = a.v_;
    const float* y = b.v_;
    return MakeAll(x[0] * y[0] + x[1] * y[3], x[0] * y[1] + x[1] * y[4], x[0] * y[2] + x[1] * y[5] + x[2],
                   x[3] * y[0] + x[4] * y[3], x[3] * y[1] + x[4] * y[4], x[3] * y[2] + x[4] * y[5] + x[5]);
}

bool SkMatrix::isIdentity() const
{
    return v_[0] == 1 && v_[1] == 0 && v_[2] == 0 && v_[3] == 0 && v_[4] == 1 && v_[5] == 0;
}

bool SkMatrix::isIntegerTranslate() const
{
    return isTranslate() && v_[2] == std::floor(v_[2]) && v_[5] == std::floor(v_[5]) && std::abs(v_[2]) < 1e9f &&
           std::abs(v_[5]) < 1e9f;
}

bool SkMatrix::isFinite() const
{
    for (float v : v_)
        if (!std::isfinite(v))
            return false;
    return true;
}

SkMatrix& SkMatrix::preConcat(const SkMatrix& other)
{
    *this = Concat(*this, other);
    return *this;
}

SkMatrix& SkMatrix::postConcat(const SkMatrix& other)
{
    *this = Concat(other, *this);
    return *this;
}

bool SkMatrix::invert(SkMatrix* inverse) const
{
    const double a = v_[0], b = v_[1], c = v_[2], d = v_[3], e = v_[4], f = v_[5];
    const double det = a * e - b * d;
    if (!std::isfinite(det) || std::abs(det) < 1e-30)
        return false;
    const double inv = 1.0 / det;
    const SkMatrix m = MakeAll(float(e * inv), float(-b * inv), float((b * f - c * e) * inv), float(-d * inv),
                               float(a * inv), float((c * d - a * f) * inv));
    if (!m.isFinite())
        return false;
    if (inverse)
        *inverse = m;
    return true;
}

SkRect SkMatrix::mapRect(const SkRect& r) const
{
    const SkPoint p[4] = {mapXY(r.left, r.top), mapXY(r.right, r.top), mapXY(r.right, r.bottom), mapXY(r.left, r.bottom)};
    SkRect out{p[0].fX, p[0].fY, p[0].fX, p[0].fY};
    for (const SkPoint& q : p) {
        out.left = std::min(out.left, q.fX), out.top = std::min(out.top, q.fY);
        out.right = std::max(out.right, q.fX), out.bottom = std::max(out.bottom, q.fY);
    }
    return out;
}

float SkMatrix::mapRadius(float radius) const
{
    const double det = double(v_[0]) * v_[4] - double(v_[1]) * v_[3];
    return float(radius * std::sqrt(std::abs(det)));
}

QTransform SkMatrix::toQTransform() const
{
    // QTransform(m11, m12, m21, m22, dx, dy) maps x' = m11 x + m21 y + dx, y' = m12 x + m22 y + dy.
    return QTransform(v_[0], v_[3], v_[1], v_[4], v_[2], v_[5]);
}

SkMatrix SkMatrix::FromQTransform(const QTransform& t)
{
    return MakeAll(float(t.m11()), float(t.m21()), float(t.dx()), float(t.m12()), float(t.m22()), float(t.dy()));
}

bool SkMatrix::operator==(const SkMatrix& o) const
{
    for (int i = 0; i < 6; ++i)
        if (v_[i] != o.v_[i])
            return false;
    return true;
}

} // namespace pv
