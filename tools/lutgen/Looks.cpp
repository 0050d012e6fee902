// Each look is a grade of display colour, written as a photographer would set
// it up: white balance, tone curves, split toning, selective hue work and
// saturation. The lattice samples it; the program interpolates between.

#include "tools/lutgen/Looks.h"

#include <algorithm>
#include <cmath>

namespace lutgen {
namespace {

// Selective hue work fades out toward grey, whose hue means nothing.
double ColourWeight(const HSV& h) { return Smoothstep(0.04, 0.25, h.s) * Smoothstep(0.02, 0.12, h.v); }

// Clean, neutral-cool and crisp: deep blacks, clear whites, restrained colour.
RGB Architecture(RGB c)
{
    static const Curve crisp({{0, 0}, {0.15, 0.11}, {0.5, 0.5}, {0.85, 0.9}, {1, 1}});
    c = WhiteBalance(c, 0.97, 1.0, 1.04);
    c = ApplyCurve(c, crisp);
    c = SplitTone(c, {-0.012, 0.0, 0.018}, {0.0, 0.0, 0.006});
    return Saturate(c, 0.86);
}

// A cool, moody blue cast: blue shadows, muted warm colours.
RGB Blues(RGB c)
{
    static const Curve tone({{0, 0.02}, {0.25, 0.22}, {0.5, 0.5}, {0.75, 0.78}, {1, 0.98}});
    c = WhiteBalance(c, 0.86, 0.97, 1.18);
    HSV h = ToHSV(Clamp01(c));
    const double warm = HueWeight(h.h, 30, 50) * ColourWeight(h);
    h.s *= 1 - 0.35 * warm;
    c = FromHSV(h);
    c = ApplyCurve(c, tone);
    c = SplitTone(c, {-0.03, 0.0, 0.06}, {-0.01, 0.01, 0.025});
    return Saturate(c, 0.95);
}

// Teal and orange: skin and warm tones pushed toward orange, the rest of the
// colours toward teal, shadows teal and highlights warm.
RGB TealOrange(RGB c, double saturation, double split, const Curve& tone)
{
    HSV h = ToHSV(Clamp01(c));
    const double w = ColourWeight(h);
    const double greens = HueWeight(h.h, 120, 60) * w, blues = HueWeight(h.h, 215, 45) * w;
    const double skin = HueWeight(h.h, 28, 30) * w;
    h.h += greens * (170 - h.h) * 0.45 + blues * (190 - h.h) * 0.4;
    h.h += skin * (30 - h.h) * 0.5;
    c = FromHSV(h);
    c = ApplyCurve(c, tone);
    c = SplitTone(c, RGB{-0.045, 0.012, 0.05} * split, RGB{0.05, 0.015, -0.045} * split);
    return Saturate(c, saturation);
}

RGB CinematicSaturation(RGB c)
{
    static const Curve tone({{0, 0.01}, {0.25, 0.21}, {0.5, 0.5}, {0.75, 0.8}, {1, 0.98}});
    return TealOrange(c, 1.22, 1.25, tone);
}

RGB Cinematic(RGB c)
{
    static const Curve tone({{0, 0.045}, {0.25, 0.22}, {0.5, 0.5}, {0.75, 0.78}, {1, 0.95}});
    return TealOrange(c, 0.85, 1.0, tone);
}

// Skies: blue turned toward cyan, deeper and clearer; everything else nearly
// untouched.
RGB CyanSkies(RGB c)
{
    HSV h = ToHSV(Clamp01(c));
    const double sky = HueWeight(h.h, 215, 45) * ColourWeight(h);
    h.h += sky * (192 - h.h) * 0.55;
    h.s = std::min(1.0, h.s * (1 + 0.4 * sky));
    h.v *= 1 - 0.1 * sky;
    c = FromHSV(h);
    static const Curve tone({{0, 0}, {0.25, 0.24}, {0.5, 0.51}, {0.75, 0.77}, {1, 1}});
    return Vibrance(ApplyCurve(c, tone), 0.12);
}

// A print stock: soft toe and shoulder, slightly lifted and cool blacks, warm
// highlights, rich reds.
RGB FilmPrint(RGB c)
{
    static const Curve red({{0, 0.03}, {0.25, 0.22}, {0.5, 0.52}, {0.75, 0.8}, {1, 0.97}});
    static const Curve green({{0, 0.03}, {0.25, 0.21}, {0.5, 0.5}, {0.75, 0.78}, {1, 0.96}});
    static const Curve blue({{0, 0.05}, {0.25, 0.22}, {0.5, 0.48}, {0.75, 0.74}, {1, 0.92}});
    HSV h = ToHSV(Clamp01(c));
    const double w = ColourWeight(h);
    h.s = std::min(1.0, h.s * (1 + 0.12 * HueWeight(h.h, 0, 35) * w - 0.12 * HueWeight(h.h, 120, 50) * w));
    c = ApplyCurves(FromHSV(h), red, green, blue);
    return Saturate(c, 1.05);
}

// Faded matte film: milky blacks with a green-teal cast, creamy highlights,
// quiet colour.
RGB FilmTone1(RGB c)
{
    static const Curve tone({{0, 0.085}, {0.2, 0.2}, {0.5, 0.5}, {0.8, 0.8}, {1, 0.94}});
    c = ApplyCurve(c, tone);
    c = SplitTone(c, {-0.012, 0.022, 0.01}, {0.022, 0.014, -0.022});
    return Saturate(c, 0.8);
}

// Warm faded film: magenta-tinged shadows, yellow highlights, soft contrast.
RGB FilmTone2(RGB c)
{
    static const Curve red({{0, 0.04}, {0.25, 0.26}, {0.5, 0.55}, {0.75, 0.8}, {1, 0.98}});
    static const Curve green({{0, 0.02}, {0.25, 0.22}, {0.5, 0.5}, {0.75, 0.77}, {1, 0.95}});
    static const Curve blue({{0, 0.08}, {0.25, 0.23}, {0.5, 0.44}, {0.75, 0.66}, {1, 0.85}});
    c = ApplyCurves(c, red, green, blue);
    c = SplitTone(c, {0.02, -0.01, 0.02}, {0.0, 0.0, 0.0});
    return Saturate(c, 0.9);
}

// Low evening sun: warm white balance, golden highlights, glowing mid-tones.
RGB GoldenHour(RGB c)
{
    static const Curve glow({{0, 0}, {0.25, 0.26}, {0.5, 0.55}, {0.75, 0.8}, {1, 0.98}});
    c = WhiteBalance(c, 1.14, 1.02, 0.8);
    c = ApplyCurve(c, glow);
    c = SplitTone(c, {0.01, 0.0, -0.01}, {0.035, 0.02, -0.035});
    return Saturate(c, 1.1);
}

// Tone compression: open shadows, held highlights, then colour restored.
RGB HDRNatural(RGB c)
{
    static const Curve tone({{0, 0}, {0.1, 0.15}, {0.3, 0.36}, {0.5, 0.53}, {0.75, 0.76}, {0.9, 0.88}, {1, 0.97}});
    return Vibrance(ApplyLumaCurve(c, tone), 0.25);
}

RGB HDR(RGB c)
{
    static const Curve tone({{0, 0.02}, {0.1, 0.2}, {0.3, 0.42}, {0.5, 0.57}, {0.75, 0.76}, {0.9, 0.86}, {1, 0.94}});
    static const Curve punch({{0, 0}, {0.35, 0.32}, {0.65, 0.68}, {1, 1}});
    c = ApplyLumaCurve(c, tone);
    c = ApplyCurve(c, punch);
    return Vibrance(c, 0.4);
}

// The slide film's saturated reds and deep blues, warm yellows and contrast.
RGB Kodachrome(RGB c)
{
    static const Curve contrast({{0, 0}, {0.2, 0.15}, {0.5, 0.5}, {0.8, 0.86}, {1, 1}});
    c = WhiteBalance(c, 1.04, 1.0, 0.94);
    HSV h = ToHSV(Clamp01(c));
    const double w = ColourWeight(h);
    const double reds = HueWeight(h.h, 0, 30) * w, yellows = HueWeight(h.h, 52, 25) * w;
    const double greens = HueWeight(h.h, 110, 45) * w, blues = HueWeight(h.h, 220, 40) * w;
    h.s = std::min(1.0, h.s * (1 + 0.25 * reds + 0.1 * yellows + 0.15 * blues));
    h.h += reds * -4 + greens * (95 - h.h) * 0.2;
    h.v *= 1 - 0.1 * blues - 0.04 * reds;
    c = ApplyCurve(FromHSV(h), contrast);
    return Saturate(c, 1.12);
}

RGB Grey(double y) { return {y, y, y}; }

// Black and white through a red filter: dark skies, bright skin, hard contrast.
RGB MonochromeArtistic(RGB c)
{
    static const Curve contrast({{0, 0}, {0.2, 0.1}, {0.5, 0.5}, {0.8, 0.92}, {1, 1}});
    return Grey(contrast(0.6 * c.r + 0.35 * c.g + 0.05 * c.b));
}

// Neutral black and white with a gentle curve.
RGB MonochromeBalanced(RGB c)
{
    static const Curve gentle({{0, 0.01}, {0.25, 0.23}, {0.5, 0.5}, {0.75, 0.78}, {1, 1}});
    return Grey(gentle(0.299 * c.r + 0.587 * c.g + 0.114 * c.b));
}

// An old toned print: faded blacks, brown shadows, cream highlights.
RGB MonochromeVintage(RGB c)
{
    static const Curve fade({{0, 0.07}, {0.25, 0.27}, {0.5, 0.5}, {0.75, 0.74}, {1, 0.93}});
    const double y = fade(0.33 * c.r + 0.5 * c.g + 0.17 * c.b);
    const RGB toned{y * 1.05, y * 0.99, y * 0.86};
    return SplitTone(toned, {0.035, 0.012, -0.02}, {0.02, 0.01, -0.03});
}

// Flattering skin: a touch warm, soft contrast, calmer reds and oranges,
// slightly lighter skin, quieter backgrounds.
RGB Portrait(RGB c)
{
    static const Curve soft({{0, 0.02}, {0.25, 0.26}, {0.5, 0.52}, {0.75, 0.77}, {1, 0.98}});
    c = WhiteBalance(c, 1.04, 1.0, 0.96);
    HSV h = ToHSV(Clamp01(c));
    const double w = ColourWeight(h);
    const double skin = HueWeight(h.h, 25, 25) * w;
    h.s *= 1 - 0.1 * skin - 0.06 * (1 - skin) * w;
    h.v = std::min(1.0, h.v * (1 + 0.04 * skin));
    c = ApplyCurve(FromHSV(h), soft);
    return SplitTone(c, {0.008, 0.0, 0.006}, {0.01, 0.005, -0.006});
}

// Deep, rich colour: strong vibrance, saturation and a firm curve.
RGB RichColors(RGB c)
{
    static const Curve firm({{0, 0}, {0.1, 0.07}, {0.5, 0.5}, {0.9, 0.93}, {1, 1}});
    c = ApplyCurve(c, firm);
    return Saturate(Vibrance(c, 0.35), 1.14);
}

// Bright and airy: opened mid-tones, soft highlights, lively colour.
RGB VibrantLight(RGB c)
{
    static const Curve bright({{0, 0.02}, {0.25, 0.32}, {0.5, 0.6}, {0.75, 0.83}, {1, 0.99}});
    c = ApplyLumaCurve(c, bright);
    c = SplitTone(c, {0.0, 0.0, 0.01}, {0.006, 0.004, -0.004});
    return Saturate(Vibrance(c, 0.45), 1.05);
}

constexpr Look kLooks[] = {
    {"Architecture", 33, Architecture},
    {"Blues", 33, Blues},
    {"Cinematic saturation", 32, CinematicSaturation},
    {"Cinematic", 33, Cinematic},
    {"Cyan skies", 33, CyanSkies},
    {"Film print", 33, FilmPrint},
    {"Film tone 1", 25, FilmTone1},
    {"Film tone 2", 25, FilmTone2},
    {"Golden hour", 32, GoldenHour},
    {"HDR natural", 32, HDRNatural},
    {"HDR", 32, HDR},
    {"Kodachrome", 32, Kodachrome},
    {"Monochrome artistic", 32, MonochromeArtistic},
    {"Monochrome balanced", 32, MonochromeBalanced},
    {"Monochrome vintage", 32, MonochromeVintage},
    {"Portrait", 32, Portrait},
    {"Rich colors", 33, RichColors},
    {"Vibrant light", 32, VibrantLight},
};

} // namespace

std::span<const Look> BuiltInLooks() { return kLooks; }

} // namespace lutgen
