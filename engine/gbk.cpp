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

// Fused entries for every lead byte and every byte after it.
constexpr std::size_t kPairTable = (kLastTrail + 1 - kFirstLead) << 8;

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
    : single_(256), pairs_(kPairTable, fused::kFallBack), asciiKept_(map.KeepsRange(0, 0x7F))
{
    for (unsigned byte = 0; byte < 256; ++byte) {
        const char16_t unit = kGbkSingleByte[byte];
        single_[byte] = unit == kLeadByte || unit == kUnmapped ? fused::kFallBack : EntryFor(unit, map);
    }
    for (unsigned lead = kFirstLead; lead <= kLastTrail; ++lead) {
        for (unsigned trail = kFirstTrail; trail <= kLastTrail; ++trail) {
            const char16_t unit = kGbkDoubleByte[(lead - kFirstLead) * kTrailsPerLead + trail - kFirstTrail];
            if (unit != u'\0')
                pairs_[(lead - kFirstLead) << 8 | trail] = EntryFor(unit, map);
        }
    }
}

char* GbkTranscoder::Convert(std::string_view bytes, char* out) const
{
    const auto* const end = reinterpret_cast<const unsigned char*>(bytes.data()) + bytes.size();
    return fused::Transcode(bytes, out, asciiKept_, [&](const unsigned char*& p, char*& to) {
        std::uint32_t entry;
        if (static_cast<unsigned>(*p - kFirstLead) < kLastTrail + 1 - kFirstLead) {
            if (end - p < 2)
                return false;
            entry = pairs_[static_cast<unsigned>(*p - kFirstLead) << 8 | p[1]];
            p += 2;
        } else {
            entry = single_[*p++];
        }
        return fused::Put(entry, to);
    });
}

}  // namespace tavrel
