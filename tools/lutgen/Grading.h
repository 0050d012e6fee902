#pragma once
// The colour operations the built-in looks are made of, on display-encoded
// colour in 0..1.

#include <utility>
#include <vector>

namespace lutgen {

struct RGB {
    double r = 0, g = 0, b = 0;
};
inline RGB operator+(RGB a, RGB b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline RGB operator-(RGB a, RGB b) { return {a.r - b.r, a.g - b.g, a.b - b.b}; }
inline RGB operator*(RGB a, double k) { return {a.r * k, a.g * k, a.b * k}; }

double Luma(RGB c);
double Smoothstep(double lo, double hi, double x);
RGB Clamp01(RGB c);

// A tone curve through control points (x ascending, both ends included),
// monotone between them (Fritsch-Carlson cubic).
class Curve {
public:
    Curve(std::vector<std::pair<double, double>> points);
    double operator()(double x) const;

private:
    std::vector<double> x_, y_, m_;
};

RGB ApplyCurve(RGB c, const Curve& all);
RGB ApplyCurves(RGB c, const Curve& red, const Curve& green, const Curve& blue);
// The curve applied to luminance only; colour keeps its ratios.
RGB ApplyLumaCurve(RGB c, const Curve& curve);

RGB Saturate(RGB c, double amount);
// Saturation raised most where colour is weak.
RGB Vibrance(RGB c, double amount);
// Channel gains in linear light (white balance).
RGB WhiteBalance(RGB c, double r, double g, double b);
// Tints added to the shadows and to the highlights.
RGB SplitTone(RGB c, RGB shadows, RGB highlights);

struct HSV {
    double h = 0, s = 0, v = 0; // h in degrees 0..360
};
HSV ToHSV(RGB c);
RGB FromHSV(HSV c);
// 1 at `centre`, falling smoothly to 0 at `width` degrees away (hue wraps).
double HueWeight(double hue, double centre, double width);

} // namespace lutgen
