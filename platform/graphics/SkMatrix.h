#pragma once
// Affine transforms of the graphics layer: x' = scaleX x + skewX y + transX,
// y' = skewY x + scaleY y + transY. The 2D library's matrix is 3 x 3; the
// perspective row is always (0, 0, 1) here because no drawing needs it.

#include "platform/graphics/SkTypes.h"

class QTransform;

namespace pv {

class SkMatrix {
public:
    constexpr SkMatrix() = default;
    static constexpr SkMatrix I() { return {}; }
    static constexpr SkMatrix Translate(float dx, float dy) { return MakeAll(1, 0, dx, 0, 1, dy); }
    static constexpr SkMatrix Scale(float sx, float sy) { return MakeAll(sx, 0, 0, 0, sy, 0); }
    // Rotation by degrees; positive turns clockwise on screen (y points down).
    static SkMatrix RotateDeg(float degrees);
    static SkMatrix RotateDeg(float degrees, SkPoint pivot);
    static SkMatrix RotateRad(float radians);
    static constexpr SkMatrix Skew(float kx, float ky) { return MakeAll(1, kx, 0, ky, 1, 0); }
    static constexpr SkMatrix MakeAll(float scaleX, float skewX, float transX, float skewY, float scaleY, float transY)
    {
        SkMatrix m;
        m.v_[0] = scaleX, m.v_[1] = skewX, m.v_[2] = transX;
        m.v_[3] = skewY, m.v_[4] = scaleY, m.v_[5] = transY;
        return m;
    }
    // The matrix mapping src onto dst (scale and translate; src must not be empty).
    static SkMatrix RectToRect(const SkRect& src, const SkRect& dst);
    // a * b: applies b first, then a.
    static SkMatrix Concat(const SkMatrix& a, const SkMatrix& b);

    float getScaleX() const { return v_[0]; }
    float getSkewX() const { return v_[1]; }
    float getTranslateX() const { return v_[2]; }
    float getSkewY() const { return v_[3]; }
    float getScaleY() const { return v_[4]; }
    float getTranslateY() const { return v_[5]; }
    float operator[](int i) const { return v_[i]; }

    bool isIdentity() const;
    bool isTranslate() const { return v_[0] == 1 && v_[1] == 0 && v_[3] == 0 && v_[4] == 1; }
    // Only scale and translation: rectangles stay axis-aligned rectangles.
    bool isScaleTranslate() const { return v_[1] == 0 && v_[3] == 0; }
    // A translation by whole pixels: drawing through it copies pixels unchanged.
    bool isIntegerTranslate() const;
    bool isFinite() const;

    // this = this * other (other applies first).
    SkMatrix& preConcat(const SkMatrix& other);
    // this = other * this (other applies last).
    SkMatrix& postConcat(const SkMatrix& other);
    SkMatrix& preTranslate(float dx, float dy) { return preConcat(Translate(dx, dy)); }
    SkMatrix& preScale(float sx, float sy) { return preConcat(Scale(sx, sy)); }
    SkMatrix& preRotate(float degrees) { return preConcat(RotateDeg(degrees)); }
    SkMatrix& postTranslate(float dx, float dy) { return postConcat(Translate(dx, dy)); }

    // False (leaving *inverse alone) when the matrix cannot be inverted.
    bool invert(SkMatrix* inverse) const;

    SkPoint mapXY(float x, float y) const
    {
        return {v_[0] * x + v_[1] * y + v_[2], v_[3] * x + v_[4] * y + v_[5]};
    }
    SkPoint mapPoint(SkPoint p) const { return mapXY(p.fX, p.fY); }
    // Maps a vector (no translation).
    SkVector mapVector(float dx, float dy) const { return {v_[0] * dx + v_[1] * dy, v_[3] * dx + v_[4] * dy}; }
    // Bounding box of the mapped rectangle.
    SkRect mapRect(const SkRect& r) const;
    // Average length a unit distance takes after mapping (sqrt of the area factor).
    float mapRadius(float radius) const;

    QTransform toQTransform() const;
    static SkMatrix FromQTransform(const QTransform& t);

    bool operator==(const SkMatrix& o) const;

private:
    float v_[6] = {1, 0, 0, 0, 1, 0};
};

} // namespace pv
