#pragma once
// The window's choice of a built-in lookup table for the LUT effect.

#include <QString>

namespace pv {

class TForm1;

// Puts the first built-in table into the window's table source (bytes and
// name; the file path stays) and restarts the live preview. A missing or
// damaged archive changes nothing.
void InitEmbeddedLUTs(TForm1& form);

// Puts the built-in table of that name (letter case ignored) into the window's
// table source, with the name as the archive stores it, clears the file path
// and restarts the live preview. False, changing nothing, when there is no
// such table.
bool LoadEmbeddedLUT(TForm1& form, const QString& AName);

} // namespace pv
