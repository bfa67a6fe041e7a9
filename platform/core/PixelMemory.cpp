#include "PixelMemory.h"

#include <cstdint>
#include <cstdlib>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace pixelmemory {

namespace {

// Below this a block gains little: its pages are few, and small blocks come from the heap.
constexpr size_t kHugePageMinimum = size_t{4} << 20;

}  // namespace

void* Allocate(size_t bytes) {
    void* block = std::calloc(1, bytes ? bytes : 1);
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    if (block && bytes >= kHugePageMinimum) {
        // From the start of the block's first page: the advice takes whole pages. Pages the
        // allocator has touched already keep their size; a refusal changes nothing.
        const uintptr_t page = uintptr_t(sysconf(_SC_PAGESIZE));
        const uintptr_t first = reinterpret_cast<uintptr_t>(block);
        const uintptr_t start = first & ~(page - 1);
        madvise(reinterpret_cast<void*>(start), first + bytes - start, MADV_HUGEPAGE);
    }
#endif
    return block;
}

}  // namespace pixelmemory
