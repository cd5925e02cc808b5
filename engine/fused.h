#pragma once

#include <cstdint>

namespace tavrel {

// One entry of a fused conversion table: what a whole input character turns
// into, as up to three output bytes (stored little-endian, so an entry can be
// copied to the output as it is) and their count. A flagged entry means the
// fused path cannot handle the character; the caller then takes the plain
// path, which knows why.
namespace fused {

inline constexpr std::uint32_t kFallBack = 0x80000000u;

inline constexpr std::uint32_t Entry(std::uint32_t bytes, unsigned length)
{
    return bytes | static_cast<std::uint32_t>(length) << 24;
}

inline constexpr unsigned Length(std::uint32_t entry)
{
    return entry >> 24;
}

// Whether all eight bytes are ASCII.
inline bool AllAscii(std::uint64_t eightBytes)
{
    return (eightBytes & 0x8080808080808080ull) == 0;
}

}  // namespace fused

}  // namespace tavrel
