#include "shell/Theme.h"

#include "platform/system/TextDecoding.h"
#include "platform/widgets/Control.h"
#include "platform/widgets/DesignColours.h"
#include "shell/Settings.h"

#include <QFile>
#include <QWidget>

#include <algorithm>
#include <atomic>
#include <cmath>

static void InitThemeStyles() { Q_INIT_RESOURCE(themes); }

namespace pv {
namespace {

std::atomic<bool> gLight{false};

constexpr TPalettePair kPalette[14] = {
    {RgbOf(kBackgroundWorkspace), RgbOf(kLightBaseWorkspace), 0.9f},
    {RgbOf(kBackgroundTitleBar), RgbOf(kLightBaseTitleBar), 0.9f},
    {RgbOf(kBackgroundDeep), RgbOf(kLightBaseDeep), 0.9f},
    {RgbOf(kPanelSide), RgbOf(kLightBaseSide), 0.9f},
    {RgbOf(kPanelField), RgbOf(kLightBaseField), 0.9f},
    {RgbOf(kPanelRaised), RgbOf(kLightBaseRaised), 0.95f},
    {RgbOf(kPanelPopup), RgbOf(kLightBasePopup), 0.9f},
    {RgbOf(kPanelRaisedHover), RgbOf(kLightBaseRaisedHover), 0.9f},
    {RgbOf(kBorderPanel), RgbOf(kLightBaseBorderPanel), 0.9f},
    {RgbOf(kBorderOutline), RgbOf(kLightBaseOutline), 0.9f},
    {RgbOf(kBorderOutlineHover), RgbOf(kLightBaseOutlineHover), 0.9f},
    {RgbOf(kBorder), RgbOf(kLightBaseBorder), 0.9f},
    {RgbOf(kTitleBarButtonHover), RgbOf(kLightBaseTitleBarButtonHover), 0.9f},
    {RgbOf(kTextStatus), RgbOf(kLightBaseStatus), 0.9f},
};

// The light colours as used, computed once.
struct TLightColours {
    TAlphaColor rgb[14];
    TLightColours()
    {
        for (int i = 0; i < 14; ++i)
            rgb[i] = PaletteLight(kPalette[i]);
    }
};
const TLightColours& LightColours()
{
    static const TLightColours colours;
    return colours;
}

constexpr TAlphaColor kRgb = 0x00FFFFFFu;
constexpr TAlphaColor kAlpha = 0xFF000000u;

} // namespace

bool IsLightTheme() { return gLight.load(std::memory_order_relaxed); }

void SetLightTheme(bool light)
{
    SetThemeHooks({&IsLightTheme, &ThemeMapColorTo, &ThemeMapTextColorTo});
    gLight.store(light, std::memory_order_relaxed);
}

const TPalettePair (&ThemePalette())[14] { return kPalette; }

TAlphaColor PaletteLight(const TPalettePair& pair) { return ScaleColorRGB(pair.lightBase, pair.factor); }

TAlphaColor ScaleColorRGB(TAlphaColor color, float factor)
{
    const double f = double(factor);
    const auto channel = [&](int shift) {
        const double v = std::nearbyint(double((color >> shift) & 0xFFu) * f);
        return TAlphaColor(std::clamp(v, 0.0, 255.0)) << shift;
    };
    return channel(16) | channel(8) | channel(0);
}

TAlphaColor DarkenColor(TAlphaColor color) { return ScaleColorRGB(color, 0.9f); }

TAlphaColor DarkenColorKeepAlpha(TAlphaColor color) { return (color & kAlpha) | ScaleColorRGB(color, 0.9f); }

TAlphaColor ThemeMapColorTo(TAlphaColor color, bool toLight)
{
    const TAlphaColor rgb = color & kRgb, alpha = color & kAlpha;
    const TLightColours& light = LightColours();
    for (int i = 0; i < 14; ++i) {
        const TAlphaColor from = toLight ? kPalette[i].dark : light.rgb[i];
        if (rgb == from)
            return alpha | (toLight ? light.rgb[i] : kPalette[i].dark);
    }
    const TAlphaColor partial = toLight ? kRgb : 0u;
    if (rgb == partial && alpha != 0 && alpha != kAlpha)
        return alpha | (toLight ? 0u : kRgb);
    return color;
}

TAlphaColor ThemeMapTextColorTo(TAlphaColor color, bool toLight)
{
    const TAlphaColor rgb = color & kRgb, alpha = color & kAlpha;
    if (!toLight) {
        if (rgb == RgbOf(kLightText))
            return alpha | RgbOf(kText);
        if (rgb == RgbOf(kLightTextMuted))
            return alpha | RgbOf(kTextMuted);
        return color;
    }
    if (alpha == 0 || rgb == RgbOf(kLightText) || rgb == RgbOf(kLightTextMuted))
        return color;
    const int r = int((color >> 16) & 0xFFu), g = int((color >> 8) & 0xFFu), b = int(color & 0xFFu);
    if (std::max({r, g, b}) - std::min({r, g, b}) > 40)
        return color;
    const int L = (30 * r + 59 * g + 11 * b) / 100;
    if (L >= 195)
        return alpha | RgbOf(kLightText);
    if (L >= 140)
        return alpha | RgbOf(kLightTextMuted);
    return color;
}

TAlphaColor ThemeMapColor(TAlphaColor color) { return ThemeMapColorTo(color, IsLightTheme()); }

TAlphaColor ThemeMapTextColor(TAlphaColor color) { return ThemeMapTextColorTo(color, IsLightTheme()); }

TAlphaColor ThemePanelColor(TAlphaColor color)
{
    return IsLightTheme() ? (color & kAlpha) | DarkenColor(kLightBaseWorkspace) : color;
}

QString ThemeStyleName() { return IsLightTheme() ? QStringLiteral("MORVANE_LIGHT") : QStringLiteral("MORVANE_DARK"); }

QString ThemeStyleSheet()
{
    InitThemeStyles();
    QFile file(QStringLiteral(":/") + ThemeStyleName());
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QString ThemeFilePath() { return SettingsFolder() + QStringLiteral("/theme.txt"); }

void LoadThemeSetting()
{
    bool light = false;
    try {
        QString s = GetSetting(QStringLiteral("theme"), QString()).toLower().trimmed();
        if (s.isEmpty()) {
            QFile legacy(ThemeFilePath());
            if (legacy.exists() && legacy.open(QIODevice::ReadOnly))
                s = DecodeTextBytes(legacy.readAll()).toLower().trimmed();
        }
        light = s == QLatin1String("light");
    } catch (...) {
        light = false;
    }
    SetLightTheme(light);
}

void SaveThemeSetting()
{
    SetSetting(QStringLiteral("theme"), IsLightTheme() ? QStringLiteral("light") : QStringLiteral("dark"));
}

namespace {

void WalkControls(QWidget* w, bool toLight)
{
    if (auto* c = dynamic_cast<TControl*>(w)) {
        if (c->themeWalkSkip())
            return;
        c->applyTheme(toLight);
    }
    for (QObject* child : w->children())
        if (auto* cw = qobject_cast<QWidget*>(child))
            WalkControls(cw, toLight);
}

} // namespace

void ThemeWalk(QWidget* root, bool toLight)
{
    if (!root)
        return;
    WalkControls(root, toLight);
    root->update();
}

QImage RecolorSignature(const QImage& black, bool toLight)
{
    if (toLight || black.isNull())
        return black;
    uint8_t t[256];
    for (int a = 0; a < 256; ++a)
        t[a] = uint8_t(std::nearbyint(255.0 * std::pow(a / 255.0, 0.72)));
    QImage out = black.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < out.height(); ++y) {
        auto* row = reinterpret_cast<uint32_t*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const uint32_t a = row[x] >> 24;
            if (a != 0) {
                const uint32_t v = t[a];
                row[x] = v << 24 | v << 16 | v << 8 | v;
            }
        }
    }
    return out;
}

} // namespace pv
