#include "engine/gbk.h"

#include "engine/converter.h"
#include "engine/fused.h"

#include <cstdint>
#include <cstring>

namespace tavrel {

namespace {

#include "gbk_tables.inc"

constexpr char16_t kLeadByte = 0xFFFE;
constexpr std::uint16_t kUnmapped = 0xFFFF;
constexpr unsigned kFirstLead = 0x81;
constexpr unsigned kFirstTrail = 0x40;
constexpr unsigned kLastTrail = 0xFE;
constexpr unsigned kTrailsPerLead = kLastTrail - kFirstTrail + 1;

constexpr std::size_t kDoubleBytes = (kLastTrail + 1 - kFirstLead) * kTrailsPerLead;

// The GBK bytes of the unit a decoded character becomes, as a fused entry.
std::uint32_t EntryFor(char16_t decoded, const UnitMap& map)
{
    if (map.Drops(decoded))
        return fused::kFallBack;
    const std::uint16_t code = kGbkEncode[map[decoded]];
    if (code == kUnmapped)
        return fused::kFallBack;
    if (code < 0x100)
        return fused::Entry(code, 1);
    return fused::Entry(static_cast<std::uint32_t>(code >> 8 | (code & 0xFF) << 8), 2);
}

}  // namespace

bool DecodeGbk(std::string_view bytes, std::u16string& text, std::size_t& badOffset)
{
    text.resize(bytes.size());
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t size = bytes.size();
    char16_t* out = text.data();
    std::size_t length = 0;
    for (std::size_t i = 0; i < size;) {
        const char16_t single = kGbkSingleByte[in[i]];
        if (single != kLeadByte) {
            out[length++] = single;
            ++i;
            continue;
        }
        const unsigned trail = i + 1 < size ? in[i + 1] : 0;
        const char16_t unit = trail >= kFirstTrail && trail <= kLastTrail
                                  ? kGbkDoubleByte[(in[i] - kFirstLead) * kTrailsPerLead + trail - kFirstTrail]
                                  : u'\0';
        if (unit == u'\0') {
            badOffset = i;
            return false;
        }
        out[length++] = unit;
        i += 2;
    }
    text.resize(length);
    return true;
}

std::size_t EncodeGbk(std::u16string_view text, std::string& bytes)
{
    const std::size_t start = bytes.size();
    bytes.resize(start + 2 * text.size());
    char* out = bytes.data() + start;
    std::size_t length = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::uint16_t code = kGbkEncode[text[i]];
        if (code < 0x100) {
            out[length++] = static_cast<char>(code);
        } else if (code != kUnmapped) {
            out[length++] = static_cast<char>(code >> 8);
            out[length++] = static_cast<char>(code & 0xFF);
        } else {
            bytes.resize(start + length);
            return i;
        }
    }
    bytes.resize(start + length);
    return std::u16string_view::npos;
}


GbkTranscoder::GbkTranscoder(const UnitMap& map)
    : single_(256), double_(kDoubleBytes), asciiKept_(map.KeepsRange(0, 0x7F))
{
    for (unsigned byte = 0; byte < 256; ++byte) {
        const char16_t unit = kGbkSingleByte[byte];
        single_[byte] = unit == kLeadByte || unit == kUnmapped ? fused::kFallBack : EntryFor(unit, map);
    }
    for (std::size_t pair = 0; pair < kDoubleBytes; ++pair) {
        const char16_t unit = kGbkDoubleByte[pair];
        double_[pair] = unit == u'\0' ? fused::kFallBack : EntryFor(unit, map);
    }
}

char* GbkTranscoder::Convert(std::string_view bytes, char* out) const
{
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t size = bytes.size();
    std::size_t i = 0;
    while (i < size) {
        if (asciiKept_ && size - i >= 8) {
            std::uint64_t eight;
            std::memcpy(&eight, in + i, 8);
            if (fused::AllAscii(eight)) {
                std::memcpy(out, &eight, 8);
                out += 8;
                i += 8;
                continue;
            }
        }
        std::uint32_t entry = single_[in[i]];
        std::size_t length = 1;
        if (entry & fused::kFallBack) {
            const unsigned trail = i + 1 < size ? in[i + 1] : 0;
            if (in[i] < kFirstLead || trail < kFirstTrail || trail > kLastTrail)
                return nullptr;
            entry = double_[(in[i] - kFirstLead) * kTrailsPerLead + trail - kFirstTrail];
            length = 2;
        }
        if (entry & fused::kFallBack)
            return nullptr;
        std::memcpy(out, &entry, 4);
        out += fused::Length(entry);
        i += length;
    }
    return out;
}

}  // namespace tavrel
