#include "platform/system/Numbers.h"

#include <atomic>
#include <chrono>

namespace pv {
namespace {

std::atomic<uint32_t> gSeed{0};

uint32_t NextSeed()
{
    uint32_t old = gSeed.load(std::memory_order_relaxed);
    uint32_t next;
    do {
        next = old * 134775813u + 1u;
    } while (!gSeed.compare_exchange_weak(old, next, std::memory_order_relaxed));
    return next;
}

} // namespace

uint32_t RandSeed() { return gSeed.load(std::memory_order_relaxed); }
void SetRandSeed(uint32_t seed) { gSeed.store(seed, std::memory_order_relaxed); }

void Randomize()
{
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    SetRandSeed(static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count()));
}

int32_t Random(int32_t n)
{
    const uint32_t seed = NextSeed();
    if (n <= 0)
        return 0;
    return static_cast<int32_t>((static_cast<uint64_t>(seed) * static_cast<uint32_t>(n)) >> 32);
}

double RandomFloat()
{
    return static_cast<double>(NextSeed()) / 4294967296.0;
}

} // namespace pv
