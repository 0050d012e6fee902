#include "platform/widgets/Control.h"

#include "platform/widgets/DesignColours.h"
#include "platform/widgets/TabNav.h"

#include <QMetaMethod>

#include <QWidget>

#include <atomic>
#include <cstring>

namespace pv {
namespace {
std::atomic<double> gUiZoom{1.0};
}

double UiZoom() { return gUiZoom.load(); }
void SetUiZoom(double zoom) { gUiZoom = zoom > 0 ? zoom : 1.0; }

QFont InterFont(double designPixelSize, int weight)
{
    QFont font(QStringLiteral("Inter"));
    font.setPixelSize(std::max(1, DpI(designPixelSize)));
    font.setWeight(QFont::Weight(weight));
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

namespace {
TThemeHooks gThemeHooks;

bool IsTextGrey(TAlphaColor c) { return RgbOf(c) == RgbOf(kText) || RgbOf(c) == RgbOf(kLightText); }
} // namespace

void SetThemeHooks(const TThemeHooks& hooks) { gThemeHooks = hooks; }

namespace {
TTranslateHook gTranslateHook = nullptr;
}

void SetTranslateHook(TTranslateHook hook) { gTranslateHook = hook; }

QString TranslateForDisplay(const QString& english) { return gTranslateHook ? gTranslateHook(english) : english; }

bool ControlsLight() { return gThemeHooks.isLight && gThemeHooks.isLight(); }

TAlphaColor TControl::ThemeColour(ColourKind kind, TAlphaColor design, TAlphaColor lightDesign, bool light)
{
    if (!light)
        return design;
    switch (kind) {
    case ColourKind::Fill:
        return gThemeHooks.fillTo ? gThemeHooks.fillTo(design, true) : design;
    case ColourKind::Text:
        return gThemeHooks.textTo ? gThemeHooks.textTo(design, true) : design;
    case ColourKind::Icon:
        return IsTextGrey(design) && gThemeHooks.textTo ? gThemeHooks.textTo(design, true) : design;
    case ColourKind::Styled:
        return lightDesign;
    case ColourKind::Fixed:
        break;
    }
    return design;
}

TAlphaColor TControl::colour(const char* role) const
{
    for (const ColourSlot& s : colours_)
        if (std::strcmp(s.role, role) == 0)
            return s.value;
    return kColorTransparent;
}

TAlphaColor TControl::designColour(const char* role) const
{
    for (const ColourSlot& s : colours_)
        if (std::strcmp(s.role, role) == 0)
            return s.design;
    return kColorTransparent;
}

void TControl::setColour(const char* role, TAlphaColor design)
{
    const bool light = ControlsLight();
    ColourSlot* slot = nullptr;
    for (ColourSlot& s : colours_)
        if (std::strcmp(s.role, role) == 0)
            slot = &s;
    if (!slot) {
        colours_.push_back({role, ColourKind::Fill, design, design, design});
        slot = &colours_.back();
    }
    if (light && slot->kind != ColourKind::Styled && slot->kind != ColourKind::Fixed) {
        // Code that passed its colour through the theme already hands in the
        // light form: keep the dark partner as the design.
        const auto fillBack = gThemeHooks.fillTo ? gThemeHooks.fillTo(design, false) : design;
        const auto textBack = gThemeHooks.textTo ? gThemeHooks.textTo(design, false) : design;
        if (slot->kind == ColourKind::Fill && fillBack != design && (design >> 24) == 0xFFu)
            design = fillBack;
        else if (slot->kind != ColourKind::Fill && textBack != design)
            design = textBack;
    }
    const TAlphaColor value = ThemeColour(slot->kind, design, slot->lightDesign, light);
    slot->design = design;
    if (slot->kind == ColourKind::Styled)
        slot->lightDesign = design;
    if (slot->value != value) {
        slot->value = value;
        coloursChanged();
    }
}

void TControl::applyTheme(bool light)
{
    for (ColourSlot& s : colours_)
        s.value = ThemeColour(s.kind, s.design, s.lightDesign, light);
    coloursChanged();
}

void TControl::noteFocus(bool in, Qt::FocusReason reason)
{
    keyboardFocus_ = in && (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
                            reason == Qt::ShortcutFocusReason);
    // A window that draws one ring around the focused control keeps the
    // controls' own marks off, so only one mark shows.
    QWidget* w = widget();
    if (w && WindowDrawsFocusRing(w->window()))
        keyboardFocus_ = false;
    if (w)
        w->update();
}

void TControl::setStyledColour(const char* role, TAlphaColor dark, TAlphaColor light)
{
    const TAlphaColor shown = ControlsLight() ? light : dark;
    for (ColourSlot& s : colours_)
        if (std::strcmp(s.role, role) == 0) {
            s = {s.role, ColourKind::Styled, dark, light, shown};
            coloursChanged();
            return;
        }
    colours_.push_back({role, ColourKind::Styled, dark, light, shown});
    coloursChanged();
}

void TControl::noteConnection(const QMetaMethod& signal, int delta)
{
    const QByteArray name = signal.name();
    if (name == "clicked" || name == "headerClicked")
        clickHandlers_ = std::max(0, clickHandlers_ + delta);
}

void TControl::addColour(const char* role, ColourKind kind, TAlphaColor design)
{
    colours_.push_back({role, kind, design, design, ThemeColour(kind, design, design, ControlsLight())});
}

void TControl::addStyledColour(const char* role, TAlphaColor dark, TAlphaColor light)
{
    colours_.push_back({role, ColourKind::Styled, dark, light, ControlsLight() ? light : dark});
}

void TControl::setFittedFont(double pixels, bool wrap)
{
    Q_UNUSED(wrap);
    if (QWidget* w = widget()) {
        QFont f = w->font();
        f.setPixelSize(std::max(1, int(pixels + 0.5)));
        w->setFont(f);
        w->updateGeometry();
        w->update();
    }
}

void TControl::coloursChanged()
{
    if (QWidget* w = widget())
        w->update();
}

void TControl::setText(const QString& english)
{
    sourceText_ = english;
    setDisplayText(translatable_ ? TranslateForDisplay(english) : english);
}

void TControl::setDisplayText(const QString& shown)
{
    if (text_ == shown)
        return;
    text_ = shown;
    textChanged();
}

void TControl::textChanged()
{
    if (QWidget* w = widget()) {
        w->updateGeometry();
        w->update();
    }
}

std::vector<TControl*> ControlsUnder(QWidget* root)
{
    std::vector<TControl*> out;
    if (!root)
        return out;
    if (auto* c = dynamic_cast<TControl*>(root))
        out.push_back(c);
    for (QObject* child : root->children())
        if (auto* w = qobject_cast<QWidget*>(child)) {
            std::vector<TControl*> sub = ControlsUnder(w);
            out.insert(out.end(), sub.begin(), sub.end());
        }
    return out;
}

} // namespace pv
