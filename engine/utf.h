#pragma once

#include "engine/converter.h"

#include <cstdint>
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

private:
    const UnitMap& map_;
    std::vector<std::uint32_t> table_;  // per BMP code point
    bool asciiKept_;
};

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
