#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

namespace tavrel {

// Whether the eight bytes at `bytes` are all ASCII.
inline bool AllAscii8(const void* bytes)
{
    std::uint64_t word;
    std::memcpy(&word, bytes, sizeof word);
    return (word & 0x8080808080808080ull) == 0;
}

// Whether no byte is above 0x7F, looked at eight bytes at a time.
inline bool IsAscii(std::string_view bytes)
{
    std::size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        if (!AllAscii8(bytes.data() + i))
            return false;
    }
    for (; i < bytes.size(); ++i) {
        if (static_cast<unsigned char>(bytes[i]) > 0x7F)
            return false;
    }
    return true;
}

}  // namespace tavrel
