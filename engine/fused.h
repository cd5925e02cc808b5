#pragma once

#include "engine/ascii.h"

#include <cstdint>
#include <cstring>

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

// Copies the run of ASCII at `p`, eight bytes at a time while it lasts, for
// a map that keeps ASCII as it is.
inline void CopyAscii(const unsigned char*& p, const unsigned char* end, char*& out)
{
    while (end - p >= 8) {
        if (!AllAscii8(p))
            break;
        std::memcpy(out, p, 8);
        out += 8;
        p += 8;
    }
    while (p < end && *p < 0x80)
        *out++ = static_cast<char>(*p++);
}

}  // namespace fused

}  // namespace tavrel
