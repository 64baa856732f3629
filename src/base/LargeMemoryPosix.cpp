#include "base/LargeMemory.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include <sys/mman.h>

namespace vt {

namespace {

// The size of a large page on the machines the program runs on.
constexpr std::size_t LargePage = std::size_t(2) << 20;

std::size_t Rounded(std::size_t bytes)
{
    return (bytes + LargePage - 1) / LargePage * LargePage;
}

void AskForLargePages([[maybe_unused]] void* data, [[maybe_unused]] std::size_t bytes) noexcept
{
#ifdef MADV_HUGEPAGE
    // Only advice: without large pages the memory works all the same.
    ::madvise(data, bytes, MADV_HUGEPAGE);
#endif
}

} // namespace

void* AllocateLarge(std::size_t bytes)
{
    const std::size_t size = Rounded(bytes);
    if (size < bytes)
        throw std::bad_alloc();
    // One large page more, so that the buffer can start on a large page's
    // boundary; what lies outside it goes back at once.
    void* mapped =
        ::mmap(nullptr, size + LargePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        throw std::bad_alloc();
    auto* start = static_cast<unsigned char*>(mapped);
    const std::size_t lead = (LargePage - reinterpret_cast<std::uintptr_t>(start) % LargePage) % LargePage;
    if (lead > 0)
        ::munmap(start, lead);
    if (LargePage - lead > 0)
        ::munmap(start + lead + size, LargePage - lead);
    AskForLargePages(start + lead, size);
    return start + lead;
}

void* ResizeLarge(void* data, std::size_t had, std::size_t bytes)
{
    const std::size_t from = Rounded(had);
    const std::size_t to = Rounded(bytes);
    if (to < bytes)
        throw std::bad_alloc();
    if (to == from)
        return data;
#ifdef MREMAP_MAYMOVE
    // The pages move with their mapping, without a copy.
    void* moved = ::mremap(data, from, to, MREMAP_MAYMOVE);
    if (moved == MAP_FAILED)
        throw std::bad_alloc();
    AskForLargePages(moved, to);
    return moved;
#else
    void* grown = AllocateLarge(bytes);
    std::memcpy(grown, data, std::min(had, bytes));
    FreeLarge(data, had);
    return grown;
#endif
}

void FreeLarge(void* data, std::size_t bytes) noexcept
{
    if (data != nullptr)
        ::munmap(data, Rounded(bytes));
}

} // namespace vt
