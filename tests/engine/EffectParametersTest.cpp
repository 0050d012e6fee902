#include "engine/EffectParameters.h"

#include <gtest/gtest.h>

namespace pv {
namespace {

struct DefaultCase {
    int effect;
    int k;
    const char* name;
    int value;
};

TEST(EffectParameters, DefaultsMatchTheTable)
{
    TParameterTable table{};
    InitializeParameters(table);
    const DefaultCase cases[] = {
        {100, 1, "edge threshold", 20},   {100, 5, "color intensity", 80}, {101, 3, "number of strokes", 30},
        {102, 2, "stroke length", 80},    {103, 5, "line weight", 20},     {200, 3, "simplification", 0},
        {200, 4, "", 0},                  {201, 1, "darkening", 50},       {201, 2, "", 0},
        {202, 4, "stroke width", 5},      {203, 3, "max dot size", 100},   {300, 1, "iterations", 30},
        {300, 4, "opacity", 100},         {301, 1, "density", 90},         {302, 2, "max brush size", 70},
        {303, 5, "opacity", 80},          {304, 2, "max brush size", 50},  {305, 3, "abstraction", 25},
        {306, 1, "max brush size", 35},   {306, 2, "iterations", 0},       {306, 3, "", 0},
        {307, 4, "precision", 50},        {308, 5, "contours", 30},        {400, 3, "strength of effect", 50},
        {401, 5, "blur/sharpen", 52},     {402, 1, "color intensity", 0},  {403, 2, "warmth", 35},
        {404, 1, "intensity", 100},       {500, 4, "color tolerance", 35}, {501, 3, "edge darkness", 85},
        {502, 2, "min disc size", 30},    {503, 3, "max triangle size", 50},
    };
    for (const DefaultCase& c : cases) {
        const TParameters* slot = ParamsSlot(table, c.effect);
        ASSERT_NE(slot, nullptr);
        EXPECT_EQ(slot->Name(c.k), QString::fromLatin1(c.name)) << c.effect << " P" << c.k;
        EXPECT_EQ(slot->Value(c.k), c.value) << c.effect << " P" << c.k;
    }
}

TEST(EffectParameters, EveryEffectIsFilledAndNothingElse)
{
    TParameterTable table{};
    // A marker in a slot that is no effect must survive.
    table[1][4].Value1 = 77;
    InitializeParameters(table);
    int filled = 0;
    for (int category = 0; category < 10; ++category)
        for (int index = 0; index < 20; ++index)
            if (!table[category][index].Name1.isEmpty())
                ++filled;
    EXPECT_EQ(filled, 26);
    for (const TEffectCategory& c : EffectCategories())
        for (int i = 0; i < c.items.size(); ++i)
            EXPECT_FALSE(ParamsSlot(table, c.category * 100 + i)->Name1.isEmpty()) << c.category * 100 + i;
    EXPECT_EQ(table[1][4].Value1, 77);
    EXPECT_EQ(ParamsSlot(table, -1), nullptr);
    EXPECT_EQ(ParamsSlot(table, 1000), nullptr);
}

TEST(EffectParameters, ListsHoldTheTwentySixEffects)
{
    const auto& c = EffectCategories();
    EXPECT_EQ(c[0].caption, QStringLiteral("      Sketch && Drawing"));
    EXPECT_EQ(c[1].caption, QStringLiteral("      Pen && Ink"));
    EXPECT_EQ(c[2].caption, QStringLiteral("      Painting"));
    EXPECT_EQ(c[3].caption, QStringLiteral("      Photo lab"));
    EXPECT_EQ(c[4].caption, QStringLiteral("      Stylize"));
    EXPECT_EQ(c[0].items, QStringList({"Pencil Sketch 1", "Pencil Sketch 2", "Pencil Sketch 3", "Crosshatch"}));
    EXPECT_EQ(c[1].items, QStringList({"Black & white", "Stippling", "Felt-tip pen", "Comic Print"}));
    EXPECT_EQ(c[2].items, QStringList({"Watercolor", "Watercolor 2", "Oil pastel", "Watercolor splashes",
                                       "Impasto brushstrokes", "Brushstrokes 2", "Smooth painting",
                                       "Stochastic painting", "Gouache Painting"}));
    EXPECT_EQ(c[3].items, QStringList({"Orton filter", "Adjustments", "Vintage / Sepia", "Retro film", "LUTs"}));
    EXPECT_EQ(c[4].items, QStringList({"Mosaic", "Cartoon", "Circles", "Triangles"}));
}

TEST(EffectParameters, DisplayNames)
{
    const std::pair<int, const char*> cases[] = {
        {100, "Pencil Sketch 1"}, {200, "Black & White"}, {203, "Comic print"},     {302, "Oil Pastel"},
        {307, "Stochastic Painting"}, {308, "Gouache Painting"}, {404, "LUTs"},   {501, "Cartoon"},
        {503, "Triangles"},       {900, "Brushstrokes Frame"}, {-1, "Unknown Effect"}, {309, "Unknown Effect"},
        {0, "Unknown Effect"},
    };
    for (const auto& [effect, name] : cases)
        EXPECT_EQ(EffectListName(effect), QString::fromUtf8(name)) << effect;
}

} // namespace
} // namespace pv
