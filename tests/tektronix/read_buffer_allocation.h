// Makes the next allocation of the driver's read buffer fail, as on a host out of memory. The
// test executable that links read_buffer_allocation.cpp replaces the array forms of operator
// new and delete.
#pragma once

#include <cstddef>

namespace testing_support {

// The next nothrow array allocation of `size` bytes gives null.
void FailNextArrayAllocationOf(std::size_t size);

}  // namespace testing_support
