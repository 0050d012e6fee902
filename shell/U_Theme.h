#pragma once
// The theme: every window is designed in the dark theme and passes its design
// colours through these functions, so a theme switch only has to change what
// they return.

#include "platform/graphics/SkTypes.h"

namespace pv {

// True while the light theme is active (false at program start).
bool IsLightTheme();

// The colour of a fill or stroke designed for the dark theme, in the current theme.
TAlphaColor ThemeMapColor(TAlphaColor color);
// The colour of a text or icon designed for the dark theme, in the current theme.
TAlphaColor ThemeMapTextColor(TAlphaColor color);

} // namespace pv
