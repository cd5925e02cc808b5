#include "engine/utf.h"

#include "engine/fused.h"
#include "engine/utf8_check.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace tavrel {

namespace {

constexpr std::size_t npos = std::string_view::npos;

bool IsContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

bool IsSurrogate(char32_t unit)
{
    return unit >= 0xD800 && unit <= 0xDFFF;
}

bool IsHighSurrogate(char32_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(char32_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// UTF-8 of a code point that is not a surrogate, as a fused entry.
std::uint32_t Utf8Entry(char32_t c)
{
    if (c < 0x80)
        return fused::Entry(c, 1);
    if (c < 0x800)
        return fused::Entry((0xC0 | c >> 6) | (0x80 | (c & 0x3F)) << 8, 2);
    return fused::Entry((0xE0 | c >> 12) | (0x80 | (c >> 6 & 0x3F)) << 8 | (0x80 | (c & 0x3F)) << 16, 3);
}

char16_t Swap(char16_t unit)
{
    return static_cast<char16_t>(unit << 8 | unit >> 8);
}

char16_t LoadUnit(const char* at, bool bigEndian)
{
    char16_t unit;
    std::memcpy(&unit, at, 2);
    return bigEndian ? Swap(unit) : unit;
}

void StoreUnit(char* at, char16_t unit, bool bigEndian)
{
    if (bigEndian)
        unit = Swap(unit);
    std::memcpy(at, &unit, 2);
}

}  // namespace

char32_t DecodeUtf8Sequence(const unsigned char* s, std::size_t available, unsigned& length)
{
    const unsigned lead = s[0];
    unsigned low = 0x80, high = 0xBF;
    char32_t codePoint = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0F;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return kBadUtf8;
    }
    if (available < length || s[1] < low || s[1] > high)
        return kBadUtf8;
    codePoint = codePoint << 6 | (s[1] & 0x3F);
    for (unsigned k = 2; k < length; ++k) {
        if (!IsContinuation(s[k]))
            return kBadUtf8;
        codePoint = codePoint << 6 | (s[k] & 0x3F);
    }
    return codePoint;
}

std::size_t DecodeUtf8(std::string_view bytes, std::u16string& text)
{
    text.resize(bytes.size());
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t size = bytes.size();
    char16_t* out = text.data();
    std::size_t i = 0;
    while (i < size) {
        if (s[i] < 0x80) {
            *out++ = s[i++];
            continue;
        }
        unsigned length = 0;
        const char32_t c = DecodeUtf8Sequence(s + i, size - i, length);
        if (c == kBadUtf8)
            return i;
        if (c >= 0x10000) {
            *out++ = static_cast<char16_t>(0xD7C0 + (c >> 10));
            *out++ = static_cast<char16_t>(0xDC00 | (c & 0x3FF));
        } else {
            *out++ = static_cast<char16_t>(c);
        }
        i += length;
    }
    text.resize(static_cast<std::size_t>(out - text.data()));
    return npos;
}

std::size_t EncodeUtf8(std::u16string_view text, std::string& bytes)
{
    const std::size_t start = bytes.size();
    bytes.resize(start + 3 * text.size() + 1);
    char* out = bytes.data() + start;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t unit = text[i];
        if (!IsSurrogate(unit)) {
            const std::uint32_t entry = Utf8Entry(unit);
            std::memcpy(out, &entry, 3);
            out += fused::Length(entry);
            continue;
        }
        if (!IsHighSurrogate(unit) || i + 1 == text.size() || !IsLowSurrogate(text[i + 1])) {
            bytes.resize(static_cast<std::size_t>(out - bytes.data()));
            return i;
        }
        const char32_t c = 0x10000 + ((unit - 0xD800) << 10) + (text[++i] - 0xDC00);
        *out++ = static_cast<char>(0xF0 | c >> 18);
        *out++ = static_cast<char>(0x80 | (c >> 12 & 0x3F));
        *out++ = static_cast<char>(0x80 | (c >> 6 & 0x3F));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    }
    bytes.resize(static_cast<std::size_t>(out - bytes.data()));
    return npos;
}

std::size_t DecodeUtf16(std::string_view bytes, bool bigEndian, std::u16string& text)
{
    const std::size_t units = bytes.size() / 2;
    text.resize(units);
    for (std::size_t i = 0; i < units; ++i) {
        const char16_t unit = LoadUnit(bytes.data() + 2 * i, bigEndian);
        text[i] = unit;
        if (!IsSurrogate(unit))
            continue;
        if (!IsHighSurrogate(unit) || i + 1 == units || !IsLowSurrogate(LoadUnit(bytes.data() + 2 * i + 2, bigEndian)))
            return 2 * i;
        ++i;
        text[i] = LoadUnit(bytes.data() + 2 * i, bigEndian);
    }
    return bytes.size() % 2 ? bytes.size() - 1 : npos;
}

std::size_t EncodeUtf16(std::u16string_view text, bool bigEndian, std::string& bytes)
{
    const std::size_t start = bytes.size();
    bytes.resize(start + 2 * text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (IsSurrogate(unit)) {
            if (!IsHighSurrogate(unit) || i + 1 == text.size() || !IsLowSurrogate(text[i + 1])) {
                bytes.resize(start + 2 * i);
                return i;
            }
            StoreUnit(bytes.data() + start + 2 * i, unit, bigEndian);
            ++i;
        }
        StoreUnit(bytes.data() + start + 2 * i, text[i], bigEndian);
    }
    return npos;
}

Utf8Transcoder::Utf8Transcoder(const UnitMap& map)
    : map_(map),
      table_(0x10000),
      asciiKept_(map.KeepsRange(0, 0x7F)),
      onlyThreeByteChange_(map.KeepsRange(0, 0x7FF) && map.KeepsRange(0xD800, 0xDFFF))
{
    for (char32_t c = 0; c < 0x10000; ++c) {
        const char16_t unit = static_cast<char16_t>(c);
        table_[c] = map.Drops(unit) || IsSurrogate(map[unit]) ? fused::kFallBack : Utf8Entry(map[unit]);
    }
}

char* Utf8Transcoder::Convert(std::string_view bytes, char* out) const
{
    if (ConvertInPlace(bytes, out, [](std::size_t, char16_t) {}))
        return out + bytes.size();
    const auto* const end = reinterpret_cast<const unsigned char*>(bytes.data()) + bytes.size();
    return fused::Transcode(bytes, out, asciiKept_, [&](const unsigned char*& p, char*& to) {
        unsigned length = 0;
        const char32_t c = DecodeUtf8Char(p, end, length);
        if (c == kBadUtf8 || !Put(c, p, to))
            return false;
        p += length;
        return true;
    });
}

namespace {

// Bit i set when byte i of the 64 at `p` starts a three-byte character
// (E0-EF): a byte whose top half, less 0xE, is zero, found exactly per byte.
std::uint64_t ThreeByteLeads(const unsigned char* p)
{
    constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
    std::uint64_t leads = 0;
    for (unsigned word = 0; word < 8; ++word) {
        std::uint64_t bytes;
        std::memcpy(&bytes, p + 8 * word, 8);
        const std::uint64_t z = ((bytes >> 4) & 0x0F0F0F0F0F0F0F0Full) ^ 0x0E0E0E0E0E0E0E0Eull;
        const std::uint64_t zero = ~(((z & kLow7) + kLow7) | z | kLow7);
        leads |= ((zero >> 7) * 0x0102040810204080ull >> 56) << (8 * word);
    }
    return leads;
}

}  // namespace

std::uint64_t ThreeByteLeads(const unsigned char* p, std::size_t window)
{
    return fused::WindowMask(p, window, [](const unsigned char* whole) { return ThreeByteLeads(whole); },
                             [](unsigned char byte) { return (byte >> 4) == 0xE; });
}

bool Utf8Transcoder::InPlaceApplies(std::string_view bytes) const
{
    Utf8Validator validator;
    return onlyThreeByteChange_ && validator.Feed(bytes) && validator.Status() == Utf8Status::Valid;
}

// A supplementary character passes through when the map keeps both its units.
bool Utf8Transcoder::PutSupplementary(char32_t c, const unsigned char* utf8, char*& to) const
{
    const char16_t high = static_cast<char16_t>(0xD7C0 + (c >> 10));
    const char16_t low = static_cast<char16_t>(0xDC00 | (c & 0x3FF));
    if (map_[high] != high || map_[low] != low || map_.Drops(high) || map_.Drops(low))
        return false;
    std::memcpy(to, utf8, 4);
    to += 4;
    return true;
}

Utf16Transcoder::Utf16Transcoder(const UnitMap& map, bool bigEndian) : map_(map), bigEndian_(bigEndian)
{
}

bool Utf16Transcoder::Applies(const UnitMap& map)
{
    if (!map.KeepsRange(0xD800, 0xDFFF))
        return false;
    for (char32_t unit = 0; unit < 0x10000; ++unit) {
        if (IsSurrogate(map[static_cast<char16_t>(unit)]) && !IsSurrogate(unit))
            return false;
    }
    return true;
}

namespace {

// Whether every surrogate in the units stands in a pair, high then low.
bool SurrogatesPaired(const char* bytes, std::size_t units, bool bigEndian)
{
    for (std::size_t i = 0; i < units; ++i) {
        const char16_t unit = LoadUnit(bytes + 2 * i, bigEndian);
        if (!IsSurrogate(unit))
            continue;
        if (!IsHighSurrogate(unit) || i + 1 == units || !IsLowSurrogate(LoadUnit(bytes + 2 * i + 2, bigEndian)))
            return false;
        ++i;
    }
    return true;
}

// Maps every unit, surrogates included (the map keeps them), and tells
// whether any surrogate was seen; no branch in the loop.
template <bool bigEndian>
bool MapUnitsSeeingSurrogates(const char* in, std::size_t units, char* out, const char16_t* map)
{
    unsigned surrogates = 0;
    for (std::size_t i = 0; i < units; ++i) {
        char16_t unit;
        std::memcpy(&unit, in + 2 * i, 2);
        if constexpr (bigEndian)
            unit = Swap(unit);
        surrogates |= (unit & 0xF800u) == 0xD800u;
        char16_t mapped = map[unit];
        if constexpr (bigEndian)
            mapped = Swap(mapped);
        std::memcpy(out + 2 * i, &mapped, 2);
    }
    return surrogates != 0;
}

}  // namespace

char* Utf16Transcoder::Convert(std::string_view bytes, char* out) const
{
    const std::size_t units = bytes.size() / 2;
    if (bytes.size() % 2)
        return nullptr;
    if (map_.DropsAny()) {
        char* o = out;
        for (std::size_t i = 0; i < units; ++i) {
            const char16_t unit = LoadUnit(bytes.data() + 2 * i, bigEndian_);
            if (!map_.Drops(unit)) {
                StoreUnit(o, map_[unit], bigEndian_);
                o += 2;
            }
        }
        return SurrogatesPaired(bytes.data(), units, bigEndian_) ? o : nullptr;
    }
    const bool surrogates = bigEndian_ ? MapUnitsSeeingSurrogates<true>(bytes.data(), units, out, map_.Data())
                                       : MapUnitsSeeingSurrogates<false>(bytes.data(), units, out, map_.Data());
    if (surrogates && !SurrogatesPaired(bytes.data(), units, bigEndian_))
        return nullptr;
    return out + 2 * units;
}

}  // namespace tavrel
