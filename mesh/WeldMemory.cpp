// Memory of the weld: whether its arrays can be sized, and how the system backs them.
#include <climits>
#include <cstddef>
#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

#include "mesh/RvFileIO.h"
#include "mesh/RvFileIOInternal.h"

namespace {

constexpr std::uintptr_t kLargePage = std::uintptr_t{1} << 21;

std::uintptr_t LargePageDown(std::uintptr_t address) { return address & ~(kLargePage - 1); }
std::uintptr_t LargePageUp(std::uintptr_t address) { return LargePageDown(address + kLargePage - 1); }

}  // namespace

bool RvWeldArraysFit(int numTris) {
    if (numTris > INT_MAX / 3) return false;
    const std::size_t corners = static_cast<std::size_t>(numTris) * 3;
    return corners <= SIZE_MAX / sizeof(RvTangentPointD);
}

void RvPreferLargePages(void* p, std::size_t bytes) {
#if defined(MADV_HUGEPAGE)
    // Only whole large pages inside the array are advised.
    const std::uintptr_t begin = LargePageUp(reinterpret_cast<std::uintptr_t>(p));
    const std::uintptr_t end = LargePageDown(reinterpret_cast<std::uintptr_t>(p) + bytes);
    if (begin < end) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)p;
    (void)bytes;
#endif
}

void RvBackPagesAhead(void* p, std::size_t bytes, std::size_t wanted, std::uintptr_t* done) {
#if defined(MADV_POPULATE_WRITE)
    const std::uintptr_t base = reinterpret_cast<std::uintptr_t>(p);
    // Pages of the system's smallest size end the array: a partial one is not asked for.
    const std::uintptr_t end = (base + bytes) & ~std::uintptr_t{4095};
    if (*done == 0) *done = LargePageUp(base);
    std::uintptr_t want = LargePageUp(base + (wanted < bytes ? wanted : bytes));
    want = want < end ? want : end;
    if (want <= *done) return;
    madvise(reinterpret_cast<void*>(*done), want - *done, MADV_POPULATE_WRITE);
    *done = want;
#else
    (void)p;
    (void)bytes;
    (void)wanted;
    (void)done;
#endif
}
