#include "scripts/Scripts.h"

#include "scripts/ScriptParser.h"

#include "platform/system/NumberText.h"

#include <array>

namespace pv {
namespace {

constexpr std::array<TScriptEffectRow, 25> kScriptEffects{{
    {100, "Pencil Sketch 1", "PencilSketch1"},
    {101, "Pencil Sketch 2", "PencilSketch2"},
    {102, "Pencil Sketch 3", "PencilSketch3"},
    {103, "Crosshatch", "Crosshatch"},
    {200, "Black & White", "BlackAndWhite"},
    {201, "Stippling", "Stippling"},
    {202, "Felt-tip pen", "FeltTipPen"},
    {300, "Watercolor", "Watercolor"},
    {301, "Watercolor 2", "Watercolor2"},
    {302, "Oil Pastel", "OilPastel"},
    {303, "Watercolor splashes", "WatercolorSplashes"},
    {304, "Impasto brushstrokes", "ImpastoBrushstrokes"},
    {305, "Brushstrokes 2", "Brushstrokes2"},
    {306, "Smooth painting", "SmoothPainting"},
    {307, "Stochastic Painting", "StochasticPainting"},
    {308, "Gouache Painting", "GouachePainting"},
    {400, "Orton filter", "OrtonFilter"},
    {401, "Adjustments", "Adjustments"},
    {402, "Vintage / Sepia", "VintageSepia"},
    {403, "Retro film", "RetroFilm"},
    {404, "LUTs", "LUTs"},
    {500, "Mosaic", "Mosaic"},
    {501, "Cartoon", "Cartoon"},
    {502, "Circles", "Circles"},
    {503, "Triangles", "Triangles"},
}};

// Both names of every row in upper case, made once.
struct UpperNames {
    std::array<QString, kScriptEffects.size()> script, display;
    UpperNames()
    {
        for (size_t i = 0; i < kScriptEffects.size(); ++i) {
            script[i] = AsciiUpperCase(QString::fromUtf8(kScriptEffects[i].ScriptName));
            display[i] = AsciiUpperCase(QString::fromUtf8(kScriptEffects[i].DisplayName));
        }
    }
};

} // namespace

std::span<const TScriptEffectRow> ScriptEffectTable() { return kScriptEffects; }

int EffectIdFromName(const QString& Token)
{
    int number = 0;
    if (TryStrToInt(Token, number))
        return number;
    static const UpperNames names;
    const QString name = AsciiUpperCase(TrimControl(Token));
    for (size_t i = 0; i < kScriptEffects.size(); ++i)
        if (name == names.script[i] || name == names.display[i])
            return kScriptEffects[i].Number;
    return -1;
}

QString EffectDisplayName(int Number)
{
    for (const TScriptEffectRow& row : kScriptEffects)
        if (row.Number == Number)
            return QString::fromUtf8(row.DisplayName);
    return QStringLiteral("Effect ") + QString::number(Number);
}

} // namespace pv
