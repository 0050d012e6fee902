#include "engine/EffectParameters.h"

#include "engine/Effect.h"
#include "engine/EffectCatalogue.h"

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

void InitializeParameters(TParameterTable& table)
{
    for (const EffectInfo& effect : EffectCatalogue()) {
        TParameters& slot = *ParamsSlot(table, effect.number);
        QString* names[5] = {&slot.Name1, &slot.Name2, &slot.Name3, &slot.Name4, &slot.Name5};
        for (int k = 0; k < 5; ++k) {
            *names[k] = QString::fromLatin1(effect.slots[size_t(k)].caption);
            slot.SetValue(k + 1, effect.slots[size_t(k)].value);
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
