#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

// Eight UTF-16 code units at a time, one to a lane: the compilers' vector
// types, which the vector instructions of the machine carry out (two 64-bit
// words where it has none). Loads and stores go through memcpy, so any
// address will do.

namespace vt {

using Units8 = std::uint16_t __attribute__((vector_size(16)));
inline constexpr std::size_t VectorUnits = 8;

inline Units8 LoadUnits8(const void* at) noexcept
{
    Units8 v;
    std::memcpy(&v, at, sizeof v);
    return v;
}

inline void StoreUnits8(void* at, Units8 v) noexcept
{
    std::memcpy(at, &v, sizeof v);
}

/** The first lane of a comparison's result (each lane all ones or all
 *  zeros) that is set, or VectorUnits when none is. */
inline std::size_t FirstSetLane(Units8 mask) noexcept
{
    std::uint64_t low;
    std::uint64_t high;
    std::memcpy(&low, &mask, sizeof low);
    std::memcpy(&high, reinterpret_cast<const unsigned char*>(&mask) + sizeof low, sizeof high);
    if (low != 0)
        return static_cast<std::size_t>(std::countr_zero(low)) / 16;
    if (high != 0)
        return 4 + static_cast<std::size_t>(std::countr_zero(high)) / 16;
    return VectorUnits;
}

/** Where `unit` first stands in the `size` units at `text`, or `size` when
 *  it stands nowhere there. */
inline std::size_t FindUnit(const char16_t* text, std::size_t size, char16_t unit) noexcept
{
    std::size_t i = 0;
    for (; i + VectorUnits <= size; i += VectorUnits) {
        const auto found = reinterpret_cast<Units8>(LoadUnits8(text + i) == static_cast<std::uint16_t>(unit));
        const std::size_t lane = FirstSetLane(found);
        if (lane < VectorUnits)
            return i + lane;
    }
    while (i < size && text[i] != unit)
        ++i;
    return i;
}

} // namespace vt
