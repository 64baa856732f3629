#pragma once

#include <cstddef>
#include <memory>
#include <new>

// Memory for the few large buffers that a whole base or table fills: the
// texts that the repeat check keeps, a table read whole. Each page of memory
// costs a fault when it is first touched, which on a virtual machine takes
// longer than filling the page; where the system has pages of 2 MiB, these
// buffers ask for them, so that a full base costs tens of faults instead of
// tens of thousands. Smaller buffers come from the ordinary allocator.

namespace vt {

/** The smallest buffer, in bytes, taken from the system directly. */
inline constexpr std::size_t LargeMemoryThreshold = std::size_t(1) << 20;

/** `bytes` bytes (not zeroed; at least LargeMemoryThreshold), aligned for any
 *  type. Throws std::bad_alloc when the system has no room. */
void* AllocateLarge(std::size_t bytes);
/** The same memory with room for `bytes` bytes, keeping the first
 *  min(`had`, `bytes`) of them; `data` was taken for `had` bytes. Throws
 *  std::bad_alloc and keeps `data` when the system has no room. */
void* ResizeLarge(void* data, std::size_t had, std::size_t bytes);
/** Gives back what AllocateLarge or ResizeLarge took for `bytes` bytes. */
void FreeLarge(void* data, std::size_t bytes) noexcept;

/** An allocator for the standard containers that takes buffers of at least
 *  LargeMemoryThreshold bytes through AllocateLarge. */
template <class T> struct LargeAllocator
{
    using value_type = T;

    LargeAllocator() noexcept = default;
    template <class U> LargeAllocator(const LargeAllocator<U>&) noexcept {}

    T* allocate(std::size_t n)
    {
        if (n > std::size_t(-1) / sizeof(T))
            throw std::bad_array_new_length();
        const std::size_t bytes = n * sizeof(T);
        if (bytes < LargeMemoryThreshold)
            return std::allocator<T>().allocate(n);
        return static_cast<T*>(AllocateLarge(bytes));
    }
    void deallocate(T* data, std::size_t n) noexcept
    {
        if (n * sizeof(T) < LargeMemoryThreshold)
            std::allocator<T>().deallocate(data, n);
        else
            FreeLarge(data, n * sizeof(T));
    }
    template <class U> bool operator==(const LargeAllocator<U>&) const noexcept { return true; }
};

} // namespace vt
