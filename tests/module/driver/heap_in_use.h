// Bytes the process has allocated and not freed, from the allocator in use: AddressSanitizer's
// when the tests run under it, glibc's otherwise.
#pragma once

#include <cstddef>

#if defined(__SANITIZE_ADDRESS__)
#define GPIBSCOPE_ASAN_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define GPIBSCOPE_ASAN_HEAP 1
#endif
#endif

#if defined(GPIBSCOPE_ASAN_HEAP)
// The sanitizer runtime's own count (declared here: GCC installs no sanitizer headers).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
inline size_t HeapInUse() {
  return __sanitizer_get_current_allocated_bytes();
}
// The sanitizer counts every thread's blocks.
inline void CountOneHeapForEveryThread() {}
#else
#include <malloc.h>
// glibc's count of the main heap only.
inline size_t HeapInUse() {
  return mallinfo2().uordblks;
}
// Threads started from now on allocate from the main heap too, not from heaps of their own.
inline void CountOneHeapForEveryThread() {
  mallopt(M_ARENA_MAX, 1);
}
#endif

// Growth allowed between two readings after a warm-up: less than one byte per call of a run
// of a thousand, so a call that keeps even one small block shows.
constexpr size_t kHeapTolerance = 512;
