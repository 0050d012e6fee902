#pragma once
// The effect numbering as the window uses it: names of effects in messages,
// the five effect lists, and the parameter table filled with every effect's
// slider captions and default values from the effect catalogue.

#include <QString>
#include <QStringList>

#include <array>

namespace pv {

// One effect's five parameter slots: values and slider captions (an empty
// caption leaves the slider disabled and its value 0).
struct TParameters {
    int Value1 = 0, Value2 = 0, Value3 = 0, Value4 = 0, Value5 = 0;
    QString Name1, Name2, Name3, Name4, Name5;

    int Value(int k) const; // k = 1..5
    const QString& Name(int k) const;
    void SetValue(int k, int value);
    bool operator==(const TParameters&) const = default;
};

// Indexed [category][position]; effect n lives at [n / 100][n % 100].
using TParameterTable = std::array<std::array<TParameters, 20>, 10>;

// The slot of an effect number, or null when the number lies outside the table.
TParameters* ParamsSlot(TParameterTable& table, int effectNumber);
const TParameters* ParamsSlot(const TParameterTable& table, int effectNumber);

// Writes every effect's default captions and values; other slots are untouched.
void InitializeParameters(TParameterTable& table);

// The name of an effect in messages ("Unknown Effect" for other numbers;
// 900 is the brush-stroke frame).
QString EffectListName(int effectNumber);

// The five effect lists: caption as stored (a doubled ampersand shows one)
// and the English items in list order (category c holds c*100 + index).
struct TEffectCategory {
    int category; // 1..5
    QString caption;
    QStringList items;
};
const std::array<TEffectCategory, 5>& EffectCategories();

} // namespace pv
