#pragma once

#include "engine/ascii.h"

#include <cstdint>
#include <cstring>
#include <string_view>

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

// 0 for a fallback entry.
inline constexpr unsigned Length(std::uint32_t entry)
{
    return entry >> 24 & 0x7F;
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

// Writes `entry`'s bytes at `out` and moves past them; false for a fallback
// entry, which writes nothing.
inline bool Put(std::uint32_t entry, char*& out)
{
    if (entry & kFallBack)
        return false;
    std::memcpy(out, &entry, 4);
    out += Length(entry);
    return true;
}

// A mask of the bytes of a window of up to 64 from `p` that pass a test:
// `whole` gives it for a full window at once, `byte` tests one byte at a time
// in a last, shorter window.
template <class Whole, class Byte>
std::uint64_t WindowMask(const unsigned char* p, std::size_t window, Whole whole, Byte byte)
{
    if (window == 64)
        return whole(p);
    std::uint64_t mask = 0;
    for (std::size_t i = 0; i < window; ++i)
        mask |= std::uint64_t{byte(p[i])} << i;
    return mask;
}

// Converts `bytes` into `out`: runs of ASCII copied as they are when the map
// keeps ASCII, every other character through `step(p, out)`, which converts
// the one character at `p`, moves both past it and says whether it could.
// Returns the end of the output, or nullptr when a step could not.
template <class Step>
char* Transcode(std::string_view bytes, char* out, bool asciiKept, Step step)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = p + bytes.size();
    while (p < end) {
        if (*p < 0x80 && asciiKept) {
            CopyAscii(p, end, out);
            continue;
        }
        // A run of characters that are not ASCII: mostly Chinese.
        do {
            if (!step(p, out))
                return nullptr;
        } while (p < end && (*p >= 0x80 || !asciiKept));
    }
    return out;
}

}  // namespace fused

}  // namespace tavrel
