#pragma once

#include "engine/converter.h"
#include "engine/fused.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace tavrel {

// Strict UTF-8 and UTF-16 (without byte-order marks). Decoders replace `text`
// with the decoded units and return the offset of the first byte of an
// invalid, overlong, surrogate or truncated sequence, or npos. Encoders append
// to `bytes` and return the index of the first unit they cannot encode (a lone
// surrogate), or npos.
std::size_t DecodeUtf8(std::string_view bytes, std::u16string& text);
std::size_t EncodeUtf8(std::u16string_view text, std::string& bytes);
std::size_t DecodeUtf16(std::string_view bytes, bool bigEndian, std::u16string& text);
std::size_t EncodeUtf16(std::u16string_view text, bool bigEndian, std::string& bytes);

inline constexpr char32_t kBadUtf8 = 0xFFFFFFFF;

// The code point of the well-formed UTF-8 sequence at `p` (of at most
// `available` bytes) and its length; kBadUtf8 for an ill-formed, overlong,
// surrogate or truncated one.
char32_t DecodeUtf8Sequence(const unsigned char* p, std::size_t available, unsigned& length);

// The same, quick for ASCII and for three bytes (most Chinese).
inline char32_t DecodeUtf8Char(const unsigned char* p, const unsigned char* end, unsigned& length)
{
    if (*p < 0x80) {
        length = 1;
        return *p;
    }
    if ((*p & 0xF0) == 0xE0 && end - p >= 4) {
        // Three bytes read as one word: lead, then two continuation bytes.
        std::uint32_t word;
        std::memcpy(&word, p, 4);
        const char32_t c = (word & 0x0F) << 12 | (word >> 2 & 0xFC0) | (word >> 16 & 0x3F);
        length = 3;
        return (word & 0xC0C000) != 0x808000 || c < 0x800 || (c >= 0xD800 && c <= 0xDFFF) ? kBadUtf8 : c;
    }
    return DecodeUtf8Sequence(p, static_cast<std::size_t>(end - p), length);
}

// Whether a UTF-16 unit that is not a surrogate takes three bytes in UTF-8.
inline bool IsThreeByteUnit(char16_t unit)
{
    return unit >= 0x800 && (unit < 0xD800 || unit > 0xDFFF);
}

// Bit i set when byte i of the `window` bytes (up to 64) at `p` starts a
// three-byte character.
std::uint64_t ThreeByteLeads(const unsigned char* p, std::size_t window);

// The code point of the well-formed three-byte sequence at `p`.
inline char16_t DecodeThreeBytes(const unsigned char* p)
{
    return static_cast<char16_t>((p[0] & 0x0Fu) << 12 | (p[1] & 0x3Fu) << 6 | (p[2] & 0x3Fu));
}

// UTF-8 to UTF-8 through a unit map in one pass: decoding, the lookup and
// encoding fused through a table built once for the map.
class Utf8Transcoder {
public:
    explicit Utf8Transcoder(const UnitMap& map);

    // Writes the conversion of `bytes` from `out` on, which has room for
    // MaxOutput(bytes.size()) bytes, and returns its end; nullptr when some
    // character needs the plain path (invalid input, a dropped or surrogate
    // result).
    char* Convert(std::string_view bytes, char* out) const;
    static std::size_t MaxOutput(std::size_t inputSize) { return 3 * inputSize + 4; }

    // Writes the conversion of the character `c` (not a surrogate), whose
    // UTF-8 is at `utf8`, and moves `to` past it; false when it needs the
    // plain path, which writes nothing.
    bool Put(char32_t c, const unsigned char* utf8, char*& to) const
    {
        return c < 0x10000 ? fused::Put(table_[c], to) : PutSupplementary(c, utf8, to);
    }
    bool KeepsAscii() const { return asciiKept_; }

    // Writes the conversion of `bytes` from `out` on, which has room for
    // bytes.size() bytes, when it has the input's length, every character
    // becoming one of its own length, and calls `each(offset, code)` for
    // every character of three bytes, in order; false when it may not, or
    // some character needs another path.
    template <class Each>
    bool ConvertInPlace(std::string_view bytes, char* out, Each each) const;

private:
    bool PutSupplementary(char32_t c, const unsigned char* utf8, char*& to) const;
    // Whether the map keeps the length of every character and `bytes` are
    // well-formed.
    bool InPlaceApplies(std::string_view bytes) const;

    const UnitMap& map_;
    std::vector<std::uint32_t> table_;  // per BMP code point
    bool asciiKept_;
    // Whether the map keeps every character of one, two or four bytes, so
    // that only three-byte ones can change.
    bool onlyThreeByteChange_;
};

// When only three-byte characters can change and each becomes another of
// three bytes, well-formed UTF-8 is copied and those replaced in place: 64
// bytes at a time, their leads found by bit arithmetic, with no branch on
// the kind of character, which mixed text would take wrongly at almost
// every change.
template <class Each>
bool Utf8Transcoder::ConvertInPlace(std::string_view bytes, char* out, Each each) const
{
    if (bytes.empty() || !InPlaceApplies(bytes))
        return bytes.empty();
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t size = bytes.size();
    std::memcpy(out, in, size);
    const std::uint32_t* const table = table_.data();
    unsigned allThreeBytes = 1;
    for (std::size_t at = 0; at < size; at += 64) {
        std::uint64_t leads = ThreeByteLeads(in + at, std::min<std::size_t>(64, size - at));
        while (leads != 0) {
            const std::size_t i = at + static_cast<std::size_t>(std::countr_zero(leads));
            leads &= leads - 1;
            const char16_t code = DecodeThreeBytes(in + i);
            const std::uint32_t entry = table[code];
            allThreeBytes &= (entry >> 24) == 3;
            out[i] = static_cast<char>(entry);
            out[i + 1] = static_cast<char>(entry >> 8);
            out[i + 2] = static_cast<char>(entry >> 16);
            each(i, code);
        }
    }
    return allThreeBytes != 0;
}

// UTF-16 to UTF-16 of the same byte order through a unit map in one pass.
class Utf16Transcoder {
public:
    Utf16Transcoder(const UnitMap& map, bool bigEndian);

    // As Utf8Transcoder::Convert.
    char* Convert(std::string_view bytes, char* out) const;
    static std::size_t MaxOutput(std::size_t inputSize) { return inputSize + 4; }

    // Whether the map leaves surrogates alone, so pairs pass through whole.
    static bool Applies(const UnitMap& map);

private:
    const UnitMap& map_;
    bool bigEndian_;
};

}  // namespace tavrel
