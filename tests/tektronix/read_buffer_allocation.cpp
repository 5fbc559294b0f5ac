#include "read_buffer_allocation.h"

#include <cstdlib>
#include <new>

namespace {
std::size_t failingSize = 0;  // 0: none fails
}

namespace testing_support {
void FailNextArrayAllocationOf(std::size_t size) {
  failingSize = size;
}
}  // namespace testing_support

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  if (failingSize != 0 && size == failingSize) {
    failingSize = 0;
    return nullptr;
  }
  return std::malloc(size == 0 ? 1 : size);
}

void* operator new[](std::size_t size) {
  void* memory = std::malloc(size == 0 ? 1 : size);
  if (memory == nullptr) throw std::bad_alloc();
  return memory;
}

void operator delete[](void* memory) noexcept {
  std::free(memory);
}
void operator delete[](void* memory, std::size_t) noexcept {
  std::free(memory);
}
void operator delete[](void* memory, const std::nothrow_t&) noexcept {
  std::free(memory);
}
