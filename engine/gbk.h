#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tavrel {

// Windows code page 936 through tables generated from ICU's windows-936-2000
// converter: the same mapping, several times faster than going through ICU.

// Decodes strictly into `text`. On an invalid or truncated sequence returns
// false and sets `badOffset` to where the sequence starts.
bool DecodeGbk(std::string_view bytes, std::u16string& text, std::size_t& badOffset);

// Encodes strictly into `bytes`. Returns the index of the first code unit the
// code page cannot hold, or std::u16string_view::npos when all were encoded.
std::size_t EncodeGbk(std::u16string_view text, std::string& bytes);

// Walks `bytes` as GBK, after the lead byte `lead` left by the bytes before
// (0 for none), which it sets for the bytes after; false at the first byte
// that no GBK character holds.
bool WalkGbk(std::string_view bytes, unsigned char& lead);

class UnitMap;

// GBK to GBK through a unit map in one pass: one table lookup per character,
// on a table built once from the map and the code page.
class GbkTranscoder {
public:
    explicit GbkTranscoder(const UnitMap& map);

    // Writes the conversion of `bytes` from `out` on, which has room for
    // MaxOutput(bytes.size()) bytes, and returns its end; nullptr when some
    // character needs the plain path (an invalid or four-byte sequence, a
    // dropped character or one GBK cannot hold).
    char* Convert(std::string_view bytes, char* out) const;
    static std::size_t MaxOutput(std::size_t inputSize) { return 2 * inputSize + 4; }

private:
    bool ConvertInPlace(std::string_view bytes, char* out) const;

    // An entry per ASCII byte b at [b], and per byte l from 0x80 on and any
    // byte t after it at [l << 8 | t]; the one-byte 0x80 and 0xFF fall back.
    std::vector<std::uint32_t> table_;
    // The output bytes of each two-byte character that stays two bytes, at
    // [l << 8 | t] as they lie in memory; 0 for every other.
    std::vector<std::uint16_t> pairs_;
    bool asciiKept_;
};

}  // namespace tavrel
