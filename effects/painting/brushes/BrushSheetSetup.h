#pragma once
// Fills the repository's working brush sheet before a stamped-brush effect
// runs: the user's imported sheet when the effect's switch is on, else the
// built-in sheet of the effect. Installed as the engine's brush-sheet set-up
// when the painting effects are linked in, so the desktop program and headless
// runs (no main window: the built-in sheets) use it alike.

namespace pv {

// UI thread. Effects 302, 303, 304 and 307; other numbers change nothing.
void BrushSheetSetup(int effectNumber);

} // namespace pv
