#pragma once
// The theme: every window is designed in the dark theme and passes its design
// colours through these functions, so a theme switch only has to change what
// they return. The colour functions are pure and safe on any thread; the
// light flag is atomic because effect workers read it.

#include "platform/graphics/SkTypes.h"

#include <QImage>
#include <QString>

class QWidget;

namespace pv {

// True while the light theme is active (false at program start).
bool IsLightTheme();
// Sets the flag (and lets the widget kit follow it); ApplyTheme and
// LoadThemeSetting are its callers.
void SetLightTheme(bool light);

// The palette: (dark colour, light colour as used) for each of the 14 pairs.
struct TPalettePair {
    TAlphaColor dark, lightBase;
    float factor;
};
const TPalettePair (&ThemePalette())[14];
TAlphaColor PaletteLight(const TPalettePair& pair);

// R, G and B times factor, rounded half to even; alpha 0.
TAlphaColor ScaleColorRGB(TAlphaColor color, float factor);
TAlphaColor DarkenColor(TAlphaColor color);
TAlphaColor DarkenColorKeepAlpha(TAlphaColor color);

// A fill or stroke colour mapped to the light (or back to the dark) palette.
TAlphaColor ThemeMapColorTo(TAlphaColor color, bool toLight);
// A text or icon colour mapped between the dark and light text greys.
TAlphaColor ThemeMapTextColorTo(TAlphaColor color, bool toLight);
// The colour of a fill or stroke designed for the dark theme, in the current theme.
TAlphaColor ThemeMapColor(TAlphaColor color);
// The colour of a text or icon designed for the dark theme, in the current theme.
TAlphaColor ThemeMapTextColor(TAlphaColor color);
TAlphaColor ThemePanelColor(TAlphaColor color);

// "MORVANE_LIGHT" or "MORVANE_DARK", and that style's text (a style sheet
// for the standard controls).
QString ThemeStyleName();
QString ThemeStyleSheet();

// The legacy theme file beside the settings.
QString ThemeFilePath();
// The stored choice: "theme" (read trimmed, in any case), else the legacy
// file, else dark.
void LoadThemeSetting();
void SaveThemeSetting();

// Shows every custom control under root in the given theme (controls marked
// to be skipped keep their colours, and so do their children), and restyles
// the standard controls under root.
void ThemeWalk(QWidget* root, bool toLight);

// The signature as designed (black strokes) coloured for a theme: in the dark
// theme every stroke pixel of alpha a becomes white with alpha t[a] =
// round(255 * (a / 255)^0.72).
QImage RecolorSignature(const QImage& black, bool toLight);

} // namespace pv
