#pragma once
// Automatic enhancement: a one-step improvement of a photograph without
// parameters: smoother blue skies, tones stretched between the darkest and
// brightest 0.2 % through a gentle S-curve, richer dark and middle tones and
// more local contrast.

#include "platform/graphics/SkImage.h"

#include <array>
#include <cstdint>

namespace pv {

// A new picture of the same size; Image itself when it is empty or its pixels
// cannot be read. Runs on the calling thread, spreading its loops over the
// shared pool. Running out of memory raises std::bad_alloc.
ISkImage AutoEnhanceImage(const ISkImage& Image);

// The derived values, for tests.
using TLuminanceHistogram = std::array<int64_t, 256>;
// Levels where the running sum from below / above first reaches
// Round(0.002 * pixels) (at least 1); 0 and 255 when they meet or cross.
void AutoEnhanceLevels(const TLuminanceHistogram& histogram, int64_t pixels, int& black, int& white);
// The tone curve between the black and white points, with the correction that
// keeps bright pictures from getting brighter.
std::array<uint8_t, 256> AutoEnhanceCurve(const TLuminanceHistogram& histogram, int64_t pixels, int black,
                                          int white);
// The S-curve alone.
std::array<uint8_t, 256> AutoEnhanceToneCurve(int black, int white);

} // namespace pv
