#pragma once
// Whether the window's automatic enhancement may start.

#include <QString>

namespace pv {

enum class TEnhanceStart { Start, NoImage, EffectRunning, AlreadyRunning };

TEnhanceStart CheckEnhanceStart(bool hasSource, bool hasResult, bool effectRunning, bool enhanceRunning);
// The message a refusal shows (as written, never translated); empty for
// Start and for a second start while one runs (its entry is disabled).
QString EnhanceRefusalMessage(TEnhanceStart check);

} // namespace pv
