#include "engine/gbk.h"

#include "engine/ascii.h"
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


bool WalkGbk(std::string_view bytes, unsigned char& lead)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = p + bytes.size();
    while (p < end) {
        if (lead != 0) {
            const unsigned trail = *p++;
            if (trail < kFirstTrail || trail > kLastTrail ||
                kGbkDoubleByte[(lead - kFirstLead) * kTrailsPerLead + trail - kFirstTrail] == u'\0')
                return false;
            lead = 0;
        } else if (end - p >= 8 && AllAscii8(p)) {
            p += 8;
        } else {
            const char16_t single = kGbkSingleByte[*p];
            if (single == kUnmapped)
                return false;
            lead = single == kLeadByte ? *p : 0;
            ++p;
        }
    }
    return true;
}

GbkTranscoder::GbkTranscoder(const UnitMap& map) : table_(0x10000, fused::kFallBack), asciiKept_(map.KeepsRange(0, 0x7F))
{
    for (unsigned byte = 0; byte < 0x80; ++byte)
        table_[byte] = EntryFor(kGbkSingleByte[byte], map);
    for (unsigned lead = kFirstLead; lead <= kLastTrail; ++lead) {
        for (unsigned trail = kFirstTrail; trail <= kLastTrail; ++trail) {
            const char16_t unit = kGbkDoubleByte[(lead - kFirstLead) * kTrailsPerLead + trail - kFirstTrail];
            if (unit != u'\0')
                table_[lead << 8 | trail] = EntryFor(unit, map);
        }
    }
}

// A fallback entry writes nothing and is only remembered, so that the loop
// has no branch on it: any fallback sends the whole block to the plain path.
char* GbkTranscoder::Convert(std::string_view bytes, char* out) const
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = p + bytes.size();
    const std::uint32_t* const table = table_.data();
    const bool asciiKept = asciiKept_;
    std::uint32_t flags = 0;
    while (p < end) {
        if (*p < 0x80 && asciiKept) {
            fused::CopyAscii(p, end, out);
            continue;
        }
        // A run of characters that are not ASCII: mostly Chinese.
        do {
            std::uint32_t entry;
            if (*p >= 0x80) {
                if (end - p < 2)
                    return nullptr;
                entry = table[p[0] << 8 | p[1]];
                p += 2;
            } else {
                entry = table[*p++];
            }
            flags |= entry;
            std::memcpy(out, &entry, 4);
            out += fused::Length(entry);
        } while (p < end && (*p >= 0x80 || !asciiKept));
    }
    return flags & fused::kFallBack ? nullptr : out;
}

}  // namespace tavrel
