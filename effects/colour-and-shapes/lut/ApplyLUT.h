#pragma once
// LUTs (effect 404): grades the picture through a 3D lookup table, mixes the
// graded colour with the original by an intensity, then optionally adjusts
// brightness, contrast, blur or sharpening and saturation.

#include "effects/colour-and-shapes/colour/ColourAdjust.h"
#include "effects/colour-and-shapes/lut/CubeLUT.h"
#include "engine/Effect.h"

#include <memory>

namespace pv {

struct TLUTEffectParams {
    float intensity;    // clamp(P1 / 100, 0, 1)
    TColourAdjust adjust;
    bool adjustOn;      // P2..P5 neither all 0 nor all 50
};
TLUTEffectParams ComputeLUTEffectParams(int P1, int P2, int P3, int P4, int P5);

// The cache key of a table source. Bytes are keyed by their content (length
// and digest), so equal tables share an entry and a new array can never be
// taken for an old one; a file by its path, size and modification time, so an
// edited file is read again.
QString LUTCacheKey(const TLUTSource& source);

// The table of a source: the cached one when the key matches, else parsed from
// the bytes (or, without bytes, from the file) and cached when valid. Null when
// the source holds no valid table. An unreadable file raises pv::Exception.
std::shared_ptr<const TCubeLUT> LoadLUTCached(const TLUTSource& source);

void ApplyLUT(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4, int P5, bool Preview);

} // namespace pv
