#include "tools/lutgen/Grading.h"

#include <algorithm>
#include <cmath>

namespace lutgen {

double Luma(RGB c) { return 0.2126 * c.r + 0.7152 * c.g + 0.0722 * c.b; }

double Smoothstep(double lo, double hi, double x)
{
    const double t = std::clamp((x - lo) / (hi - lo), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

RGB Clamp01(RGB c) { return {std::clamp(c.r, 0.0, 1.0), std::clamp(c.g, 0.0, 1.0), std::clamp(c.b, 0.0, 1.0)}; }

Curve::Curve(std::vector<std::pair<double, double>> points)
{
    for (const auto& [x, y] : points) {
        x_.push_back(x);
        y_.push_back(y);
    }
    const size_t n = x_.size();
    std::vector<double> d(n - 1);
    for (size_t i = 0; i + 1 < n; ++i)
        d[i] = (y_[i + 1] - y_[i]) / (x_[i + 1] - x_[i]);
    m_.resize(n);
    m_[0] = d[0];
    m_[n - 1] = d[n - 2];
    for (size_t i = 1; i + 1 < n; ++i)
        m_[i] = d[i - 1] * d[i] <= 0 ? 0 : (d[i - 1] + d[i]) / 2;
    for (size_t i = 0; i + 1 < n; ++i) {
        if (d[i] == 0) {
            m_[i] = m_[i + 1] = 0;
            continue;
        }
        const double a = m_[i] / d[i], b = m_[i + 1] / d[i];
        const double s = a * a + b * b;
        if (s > 9) {
            const double t = 3 / std::sqrt(s);
            m_[i] = t * a * d[i];
            m_[i + 1] = t * b * d[i];
        }
    }
}

double Curve::operator()(double x) const
{
    if (x <= x_.front())
        return y_.front() + (x - x_.front()) * m_.front();
    if (x >= x_.back())
        return y_.back() + (x - x_.back()) * m_.back();
    const size_t i = size_t(std::upper_bound(x_.begin(), x_.end(), x) - x_.begin()) - 1;
    const double h = x_[i + 1] - x_[i], t = (x - x_[i]) / h;
    const double t2 = t * t, t3 = t2 * t;
    return (2 * t3 - 3 * t2 + 1) * y_[i] + (t3 - 2 * t2 + t) * h * m_[i] + (-2 * t3 + 3 * t2) * y_[i + 1] +
           (t3 - t2) * h * m_[i + 1];
}

RGB ApplyCurve(RGB c, const Curve& all) { return {all(c.r), all(c.g), all(c.b)}; }

RGB ApplyCurves(RGB c, const Curve& red, const Curve& green, const Curve& blue)
{
    return {red(c.r), green(c.g), blue(c.b)};
}

RGB ApplyLumaCurve(RGB c, const Curve& curve)
{
    const double y = Luma(c);
    const double target = curve(y);
    if (y < 1e-4)
        return c + RGB{target - y, target - y, target - y};
    RGB out = c * (target / y);
    // A channel pushed past white gives its excess to the others, so bright
    // colours turn lighter instead of changing hue.
    const double top = std::max({out.r, out.g, out.b});
    if (top > 1) {
        const double k = (1 - target) / std::max(top - target, 1e-6);
        out = RGB{target, target, target} + (out - RGB{target, target, target}) * k;
    }
    return out;
}

RGB Saturate(RGB c, double amount)
{
    const double y = Luma(c);
    return RGB{y, y, y} + (c - RGB{y, y, y}) * amount;
}

RGB Vibrance(RGB c, double amount)
{
    const double sat = std::max({c.r, c.g, c.b}) - std::min({c.r, c.g, c.b});
    return Saturate(c, 1 + amount * (1 - sat) * (1 - sat));
}

namespace {

double ToLinear(double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); }
double FromLinear(double v)
{
    v = std::max(v, 0.0);
    return v <= 0.0031308 ? v * 12.92 : 1.055 * std::pow(v, 1 / 2.4) - 0.055;
}

} // namespace

RGB WhiteBalance(RGB c, double r, double g, double b)
{
    return {FromLinear(ToLinear(c.r) * r), FromLinear(ToLinear(c.g) * g), FromLinear(ToLinear(c.b) * b)};
}

RGB SplitTone(RGB c, RGB shadows, RGB highlights)
{
    const double y = std::clamp(Luma(c), 0.0, 1.0);
    const double ws = 1 - Smoothstep(0.0, 0.6, y), wh = Smoothstep(0.4, 1.0, y);
    return c + shadows * ws + highlights * wh;
}

HSV ToHSV(RGB c)
{
    const double mx = std::max({c.r, c.g, c.b}), mn = std::min({c.r, c.g, c.b}), d = mx - mn;
    HSV o;
    o.v = mx;
    o.s = mx > 0 ? d / mx : 0;
    if (d <= 0)
        return o;
    if (mx == c.r)
        o.h = 60 * std::fmod((c.g - c.b) / d + 6, 6);
    else if (mx == c.g)
        o.h = 60 * ((c.b - c.r) / d + 2);
    else
        o.h = 60 * ((c.r - c.g) / d + 4);
    return o;
}

RGB FromHSV(HSV c)
{
    const double h = std::fmod(std::fmod(c.h, 360) + 360, 360) / 60;
    const double s = std::clamp(c.s, 0.0, 1.0);
    const int i = int(h) % 6;
    const double f = h - std::floor(h);
    const double p = c.v * (1 - s), q = c.v * (1 - s * f), t = c.v * (1 - s * (1 - f));
    switch (i) {
    case 0: return {c.v, t, p};
    case 1: return {q, c.v, p};
    case 2: return {p, c.v, t};
    case 3: return {p, q, c.v};
    case 4: return {t, p, c.v};
    default: return {c.v, p, q};
    }
}

double HueWeight(double hue, double centre, double width)
{
    double d = std::fabs(std::fmod(hue - centre + 540, 360) - 180);
    return 1 - Smoothstep(0, width, d);
}

} // namespace lutgen
