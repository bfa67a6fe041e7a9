#include "AllocationMeter.h"

#include <atomic>
#include <cstddef>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define METER_ASAN 1
#endif
#if __has_feature(memory_sanitizer) || __has_feature(thread_sanitizer)
#define METER_NONE 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) && !defined(METER_ASAN)
#define METER_ASAN 1
#endif
#if !defined(METER_ASAN) && !defined(METER_NONE) && !defined(__GLIBC__)
#define METER_NONE 1
#endif

namespace {

// Bytes held since the meter started (may go below zero when older blocks are freed), the
// peak of that, and the largest single block. Plain atomics: the hooks must not allocate.
std::atomic<bool> g_counting{false};
std::atomic<int64_t> g_held{0};
std::atomic<int64_t> g_peak{0};
std::atomic<int64_t> g_largest{0};

void RaiseTo(std::atomic<int64_t>& value, int64_t candidate) {
    int64_t seen = value.load(std::memory_order_relaxed);
    while (candidate > seen && !value.compare_exchange_weak(seen, candidate)) {
    }
}

void Allocated(size_t size) {
    if (!g_counting.load(std::memory_order_relaxed)) return;
    const auto bytes = static_cast<int64_t>(size);
    RaiseTo(g_peak, g_held.fetch_add(bytes) + bytes);
    RaiseTo(g_largest, bytes);
}

void Released(size_t size) {
    if (g_counting.load(std::memory_order_relaxed)) g_held.fetch_sub(static_cast<int64_t>(size));
}

}  // namespace

#if defined(METER_ASAN)

extern "C" {
int __sanitizer_install_malloc_and_free_hooks(void (*malloc_hook)(const volatile void*, size_t),
                                              void (*free_hook)(const volatile void*));
size_t __sanitizer_get_allocated_size(const volatile void* pointer);
}

namespace {

void MallocHook(const volatile void*, size_t size) { Allocated(size); }
// Called before the block is released, so its size can still be asked for.
void FreeHook(const volatile void* pointer) {
    if (pointer) Released(__sanitizer_get_allocated_size(pointer));
}

bool InstallHooks() {
    static const bool installed = __sanitizer_install_malloc_and_free_hooks(MallocHook, FreeHook);
    return installed;
}

}  // namespace

bool AllocationMeter::Available() { return InstallHooks(); }

#elif !defined(METER_NONE)

#include <malloc.h>

#include <cerrno>

// The GNU C library's own allocator under its exported second names; the functions below
// replace malloc and its relatives for the whole test executable and count what they hand out.
extern "C" {
void* __libc_malloc(size_t size);
void __libc_free(void* pointer);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* pointer, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
}

namespace {

void* Counted(void* pointer) {
    if (pointer) Allocated(malloc_usable_size(pointer));
    return pointer;
}

}  // namespace

extern "C" {

void* malloc(size_t size) noexcept { return Counted(__libc_malloc(size)); }

void free(void* pointer) noexcept {
    if (pointer) Released(malloc_usable_size(pointer));
    __libc_free(pointer);
}

void* calloc(size_t count, size_t size) noexcept { return Counted(__libc_calloc(count, size)); }

void* realloc(void* pointer, size_t size) noexcept {
    const size_t old = pointer ? malloc_usable_size(pointer) : 0;
    void* moved = __libc_realloc(pointer, size);
    if (moved || size == 0) Released(old);
    return Counted(moved);
}

void* memalign(size_t alignment, size_t size) noexcept {
    return Counted(__libc_memalign(alignment, size));
}

void* aligned_alloc(size_t alignment, size_t size) noexcept { return memalign(alignment, size); }

int posix_memalign(void** result, size_t alignment, size_t size) noexcept {
    void* pointer = memalign(alignment, size);
    if (!pointer) return ENOMEM;
    *result = pointer;
    return 0;
}

}  // extern "C"

bool AllocationMeter::Available() { return true; }

#else

bool AllocationMeter::Available() { return false; }

#endif

AllocationMeter::AllocationMeter() {
    g_held = 0;
    g_peak = 0;
    g_largest = 0;
    g_counting = Available();
}

AllocationMeter::~AllocationMeter() { g_counting = false; }

uint64_t AllocationMeter::PeakBytes() const { return static_cast<uint64_t>(g_peak.load()); }

uint64_t AllocationMeter::LargestBytes() const { return static_cast<uint64_t>(g_largest.load()); }
