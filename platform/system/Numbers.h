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

// The process-wide generator's sequence drawn by one thread without an atomic
// update per draw: takes the seed when made and hands it back when destroyed.
// For loops that draw millions of numbers; the sequence is the one Random and
// RandomFloat give while no other thread draws meanwhile.
class SequentialRandom {
public:
    SequentialRandom() : seed_(RandSeed()) {}
    ~SequentialRandom() { SetRandSeed(seed_); }
    SequentialRandom(const SequentialRandom&) = delete;
    SequentialRandom& operator=(const SequentialRandom&) = delete;

    int32_t Random(int32_t n)
    {
        seed_ = seed_ * 134775813u + 1u;
        if (n <= 0)
            return 0;
        return static_cast<int32_t>((static_cast<uint64_t>(seed_) * static_cast<uint32_t>(n)) >> 32);
    }
    double RandomFloat()
    {
        seed_ = seed_ * 134775813u + 1u;
        return static_cast<double>(seed_) / 4294967296.0;
    }
    // The seed, and the generator's step and scaling by themselves: a loop
    // can follow the sequence ahead of its draws to prefetch what they will read.
    uint32_t Seed() const { return seed_; }
    static uint32_t Step(uint32_t seed) { return seed * 134775813u + 1u; }
    static int32_t Scaled(uint32_t seed, int32_t n)
    {
        return n <= 0 ? 0 : static_cast<int32_t>((static_cast<uint64_t>(seed) * static_cast<uint32_t>(n)) >> 32);
    }

    // Jumps over draws whose combined step is seed -> a seed + c.
    void Jump(uint32_t a, uint32_t c) { seed_ = a * seed_ + c; }

    // What the k-th next Random(n) would return (k = 1 is the next draw),
    // without drawing: lets a loop prefetch what it will read next.
    int32_t Ahead(int k, int32_t n) const
    {
        uint32_t seed = seed_;
        for (int i = 0; i < k; ++i)
            seed = seed * 134775813u + 1u;
        return n <= 0 ? 0 : static_cast<int32_t>((static_cast<uint64_t>(seed) * static_cast<uint32_t>(n)) >> 32);
    }

private:
    uint32_t seed_;
};

} // namespace pv
