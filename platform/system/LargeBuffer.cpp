#include "platform/system/LargeBuffer.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace pv {
namespace {
// Below a few huge pages the system allocator serves as well.
constexpr size_t kMappedFrom = size_t(4) << 20;
constexpr size_t kHugePage = size_t(2) << 20;
}

void* AllocateLarge(size_t bytes)
{
    if (bytes < kMappedFrom) {
        void* p = std::calloc(1, bytes);
        if (!p)
            throw std::bad_alloc();
        return p;
    }
    // Mapped with room to start on a huge-page boundary; the slack is returned.
    const size_t mapped = bytes + kHugePage;
    void* raw = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED)
        throw std::bad_alloc();
    const auto start = reinterpret_cast<uintptr_t>(raw);
    const uintptr_t aligned = (start + kHugePage - 1) & ~uintptr_t(kHugePage - 1);
    if (aligned > start)
        munmap(raw, aligned - start);
    const uintptr_t end = start + mapped, used = aligned + bytes;
    if (end > used)
        munmap(reinterpret_cast<void*>(used), end - used);
    // Advice only: without huge pages the memory works the same.
    madvise(reinterpret_cast<void*>(aligned), bytes, MADV_HUGEPAGE);
    return reinterpret_cast<void*>(aligned);
}

void FreeLarge(void* p, size_t bytes)
{
    if (!p)
        return;
    if (bytes < kMappedFrom)
        std::free(p);
    else
        munmap(p, bytes);
}

} // namespace pv
