#include "base/LargeMemory.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

// Large pages on Windows need a privilege that a user's program does not
// hold, so large buffers come from the ordinary allocator there.

namespace vt {

void* AllocateLarge(std::size_t bytes)
{
    void* data = std::malloc(bytes);
    if (data == nullptr)
        throw std::bad_alloc();
    return data;
}

void* ResizeLarge(void* data, std::size_t /*had*/, std::size_t bytes)
{
    void* grown = std::realloc(data, bytes);
    if (grown == nullptr)
        throw std::bad_alloc();
    return grown;
}

void FreeLarge(void* data, std::size_t /*bytes*/) noexcept
{
    std::free(data);
}

} // namespace vt
