#include "engine/EffectParameters.h"

#include "engine/Effect.h"

namespace pv {

int TParameters::Value(int k) const
{
    switch (k) {
    case 1: return Value1;
    case 2: return Value2;
    case 3: return Value3;
    case 4: return Value4;
    case 5: return Value5;
    default: return 0;
    }
}

const QString& TParameters::Name(int k) const
{
    static const QString none;
    switch (k) {
    case 1: return Name1;
    case 2: return Name2;
    case 3: return Name3;
    case 4: return Name4;
    case 5: return Name5;
    default: return none;
    }
}

void TParameters::SetValue(int k, int value)
{
    switch (k) {
    case 1: Value1 = value; break;
    case 2: Value2 = value; break;
    case 3: Value3 = value; break;
    case 4: Value4 = value; break;
    case 5: Value5 = value; break;
    default: break;
    }
}

TParameters* ParamsSlot(TParameterTable& table, int effectNumber)
{
    if (effectNumber < 0)
        return nullptr;
    const int category = effectNumber / 100, index = effectNumber % 100;
    if (category >= int(table.size()) || index >= int(table[0].size()))
        return nullptr;
    return &table[category][index];
}

const TParameters* ParamsSlot(const TParameterTable& table, int effectNumber)
{
    return ParamsSlot(const_cast<TParameterTable&>(table), effectNumber);
}

namespace {

struct DefaultSlot {
    const char* name;
    int value;
};
struct DefaultRow {
    int effect;
    DefaultSlot p[5];
};

// "" marks a slot without a parameter.
constexpr DefaultRow kDefaults[] = {
    {100, {{"edge threshold", 20}, {"edge darkness", 50}, {"brightness", 65}, {"contrast", 5}, {"color intensity", 80}}},
    {101, {{"min stroke size", 10}, {"max stroke size", 40}, {"number of strokes", 30}, {"color intensity", 0}, {"quality", 30}}},
    {102, {{"iterations", 20}, {"stroke length", 80}, {"blending", 30}, {"contrast", 25}, {"color intensity", 0}}},
    {103, {{"density", 75}, {"contours", 50}, {"contrast", 35}, {"stroke length", 25}, {"line weight", 20}}},
    {200, {{"level of details", 50}, {"lighten/darken", 50}, {"simplification", 0}, {"", 0}, {"", 0}}},
    {201, {{"darkening", 50}, {"", 0}, {"", 0}, {"", 0}, {"", 0}}},
    {202, {{"stroke density", 65}, {"stroke opacity", 70}, {"stroke length", 30}, {"stroke width", 5}, {"edge intensity", 40}}},
    {203, {{"dot spacing", 10}, {"min dot size", 0}, {"max dot size", 100}, {"color intensity", 50}, {"contours", 60}}},
    {300, {{"iterations", 30}, {"brush complexity", 40}, {"brush size", 40}, {"opacity", 100}, {"edge intensity", 20}}},
    {301, {{"density", 90}, {"region threshold", 20}, {"brightness", 60}, {"edge intensity", 20}, {"saturation", 55}}},
    {302, {{"min brush size", 10}, {"max brush size", 70}, {"iterations", 30}, {"quality", 30}, {"opacity", 100}}},
    {303, {{"min brush size", 10}, {"max brush size", 70}, {"iterations", 50}, {"quality", 50}, {"opacity", 80}}},
    {304, {{"min brush size", 10}, {"max brush size", 50}, {"iterations", 50}, {"quality", 50}, {"opacity", 100}}},
    {305, {{"brush size", 50}, {"iterations", 30}, {"abstraction", 25}, {"saturation", 60}, {"opacity", 70}}},
    {306, {{"max brush size", 35}, {"iterations", 0}, {"", 0}, {"", 0}, {"", 0}}},
    {307, {{"min brush size", 10}, {"max brush size", 50}, {"iterations", 20}, {"precision", 50}, {"opacity", 90}}},
    {308, {{"iterations", 70}, {"brush size", 25}, {"precision", 25}, {"strength", 50}, {"contours", 30}}},
    {400, {{"glow radius", 40}, {"exposure", 25}, {"strength of effect", 50}, {"vibrance", 50}, {"darken/lighten", 40}}},
    {401, {{"luminosity", 52}, {"contrast", 52}, {"vibrance", 55}, {"structure", 15}, {"blur/sharpen", 52}}},
    {402, {{"color intensity", 0}, {"strength of effect", 70}, {"vignette", 50}, {"grain", 50}, {"blur", 25}}},
    {403, {{"saturation", 30}, {"warmth", 35}, {"contrast", 60}, {"grain", 20}, {"vignette", 25}}},
    {404, {{"intensity", 100}, {"luminosity", 50}, {"contrast", 50}, {"blur/sharpen", 50}, {"saturation", 50}}},
    {500, {{"iterations", 20}, {"min dot size", 20}, {"max dot size", 80}, {"color tolerance", 35}, {"quality", 25}}},
    {501, {{"smoothing", 30}, {"edge detail", 55}, {"edge darkness", 85}, {"color intensity", 40}, {"edge thickness", 20}}},
    {502, {{"iterations", 20}, {"min disc size", 30}, {"max disc size", 80}, {"color tolerance", 35}, {"quality", 25}}},
    {503, {{"iterations", 10}, {"min triangle size", 30}, {"max triangle size", 50}, {"color tolerance", 35}, {"quality", 25}}},
};

} // namespace

void InitializeParameters(TParameterTable& table)
{
    for (const DefaultRow& row : kDefaults) {
        TParameters& slot = *ParamsSlot(table, row.effect);
        QString* names[5] = {&slot.Name1, &slot.Name2, &slot.Name3, &slot.Name4, &slot.Name5};
        for (int k = 0; k < 5; ++k) {
            *names[k] = QString::fromLatin1(row.p[k].name);
            slot.SetValue(k + 1, row.p[k].value);
        }
    }
}

QString EffectListName(int effectNumber) { return EffectMessageName(effectNumber); }

const std::array<TEffectCategory, 5>& EffectCategories()
{
    static const std::array<TEffectCategory, 5> categories = [] {
        std::array<TEffectCategory, 5> c{{
            {1, QStringLiteral("      Sketch && Drawing"), {}},
            {2, QStringLiteral("      Pen && Ink"), {}},
            {3, QStringLiteral("      Painting"), {}},
            {4, QStringLiteral("      Photo lab"), {}},
            {5, QStringLiteral("      Stylize"), {}},
        }};
        for (const EffectInfo& e : EffectCatalogue())
            c[e.number / 100 - 1].items << QString::fromUtf8(e.listName);
        return c;
    }();
    return categories;
}

} // namespace pv
