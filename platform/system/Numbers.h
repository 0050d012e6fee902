#pragma once
// Arithmetic helpers with the exact semantics the pixel code relies on, and the
// process-wide pseudo-random generator.

#include <cmath>
#include <cstdint>

namespace pv {

// Round to nearest, halves to even (never std::round, which rounds halves away).
inline int Round(double v) { return static_cast<int>(std::nearbyint(v)); }
inline int64_t Round64(double v) { return static_cast<int64_t>(std::nearbyint(v)); }

// Truncating conversion (Delphi's Trunc).
inline int Trunc(double v) { return static_cast<int>(v); }

inline uint8_t ClampToByte(int v) { return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); }

template <typename T>
constexpr T Clamp(T v, T lo, T hi) { return v < lo ? lo : (v > hi ? hi : v); }

// Logical right shift of a 32-bit value.
inline uint32_t Shr(uint32_t v, unsigned n) { return v >> n; }

// The process-wide linear congruential generator: seed := seed * 134775813 + 1
// (mod 2^32). The seed is updated atomically by compare-and-swap, so one drawing
// thread sees exactly the classic sequence.
uint32_t RandSeed();
void SetRandSeed(uint32_t seed);
// Reseeds from the clock.
void Randomize();
// 0 .. n-1 as (seed * n) >> 32 on unsigned 32-bit values; 0 for n <= 0.
int32_t Random(int32_t n);
// [0, 1) as seed / 2^32.
double RandomFloat();

} // namespace pv
