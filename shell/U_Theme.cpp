#include "shell/U_Theme.h"

namespace pv {

// Only the dark theme exists so far: its design colours are used as they are.
bool IsLightTheme() { return false; }

TAlphaColor ThemeMapColor(TAlphaColor color) { return color; }

TAlphaColor ThemeMapTextColor(TAlphaColor color) { return color; }

} // namespace pv
