#include "base/LargeMemory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

using namespace vt;

namespace {

// A byte pattern that tells every offset of a few megabytes apart.
std::uint8_t PatternAt(std::size_t at)
{
    return static_cast<std::uint8_t>((at * 2654435761u) >> 13);
}

TEST(LargeMemory, ResizingKeepsTheBytesThatStillFit)
{
    struct Case
    {
        std::size_t from;
        std::size_t to;
    };
    // Within one large page, across several, and back down.
    const Case cases[] = {{LargeMemoryThreshold, LargeMemoryThreshold + 1},
                          {LargeMemoryThreshold, std::size_t(9) << 20},
                          {std::size_t(9) << 20, std::size_t(3) << 20},
                          {(std::size_t(5) << 20) + 7, (std::size_t(5) << 20) + 4000}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.from) + " -> " + std::to_string(c.to));
        auto* data = static_cast<std::uint8_t*>(AllocateLarge(c.from));
        for (std::size_t at = 0; at < c.from; ++at)
            data[at] = PatternAt(at);
        data = static_cast<std::uint8_t*>(ResizeLarge(data, c.from, c.to));
        const std::size_t kept = std::min(c.from, c.to);
        std::size_t wrong = 0;
        for (std::size_t at = 0; at < kept; ++at)
            wrong += data[at] != PatternAt(at);
        EXPECT_EQ(wrong, 0u);
        // All of the new size is there to be written.
        std::memset(data, 0xA5, c.to);
        FreeLarge(data, c.to);
    }
}

TEST(LargeMemory, ContainersKeepTheirContentAcrossTheThreshold)
{
    // Growing one unit at a time moves the content from the ordinary
    // allocator to large buffers and between large buffers.
    std::basic_string<char16_t, std::char_traits<char16_t>, LargeAllocator<char16_t>> units;
    std::vector<std::uint64_t, LargeAllocator<std::uint64_t>> words;
    const std::size_t count = 3 * LargeMemoryThreshold / sizeof(char16_t);
    for (std::size_t k = 0; k < count; ++k) {
        units.push_back(static_cast<char16_t>(PatternAt(k) | 0x400));
        words.push_back(k * 3);
    }
    std::size_t wrong = 0;
    for (std::size_t k = 0; k < count; ++k)
        wrong += units[k] != static_cast<char16_t>(PatternAt(k) | 0x400) || words[k] != k * 3;
    EXPECT_EQ(wrong, 0u);
    units.shrink_to_fit();
    words.clear();
    words.shrink_to_fit();
    EXPECT_EQ(units.size(), count);
    EXPECT_EQ(units[count - 1], static_cast<char16_t>(PatternAt(count - 1) | 0x400));
}

} // namespace
