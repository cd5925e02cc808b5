#include "engine/gbk.h"

#include "engine/ascii.h"
#include "engine/converter.h"
#include "engine/fused.h"

#include <algorithm>
#include <bit>
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

// The unit of the two-byte character of a lead byte and the byte after it,
// or 0 when they are none.
char16_t PairUnit(unsigned lead, unsigned trail)
{
    return trail >= kFirstTrail && trail <= kLastTrail
               ? kGbkDoubleByte[(lead - kFirstLead) * kTrailsPerLead + trail - kFirstTrail]
               : u'\0';
}

// Bit i set when byte i of the 64 at `p` is above 0x7F.
std::uint64_t HighBytes(const unsigned char* p)
{
    std::uint64_t high = 0;
    for (unsigned word = 0; word < 8; ++word) {
        std::uint64_t bytes;
        std::memcpy(&bytes, p + 8 * word, 8);
        // The top bit of each byte, gathered into the top byte by the product.
        high |= (((bytes & 0x8080808080808080ull) >> 7) * 0x0102040810204080ull >> 56) << (8 * word);
    }
    return high;
}

// The leads among high bytes: a run of them reads lead, trail, lead... from
// its first byte, and a lead that ends a run takes the next byte as its
// trail. The runs that start at an even bit are found by adding their first
// bits, which carries through each such run and clears it.
std::uint64_t Leads(std::uint64_t high)
{
    constexpr std::uint64_t kEven = 0x5555555555555555ull;
    const std::uint64_t starts = high & ~(high << 1);
    const std::uint64_t fromEven = high & ~(high + (starts & kEven));
    return (fromEven & kEven) | (high & ~fromEven & ~kEven);
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
        const char16_t unit = PairUnit(in[i], i + 1 < size ? in[i + 1] : 0);
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
            if (PairUnit(lead, *p++) == u'\0')
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

GbkTranscoder::GbkTranscoder(const UnitMap& map)
    : table_(0x10000, fused::kFallBack), pairs_(0x10000, 0), asciiKept_(map.KeepsRange(0, 0x7F))
{
    for (unsigned byte = 0; byte < 0x80; ++byte)
        table_[byte] = EntryFor(kGbkSingleByte[byte], map);
    for (unsigned lead = kFirstLead; lead <= kLastTrail; ++lead) {
        for (unsigned trail = kFirstTrail; trail <= kLastTrail; ++trail) {
            const char16_t unit = PairUnit(lead, trail);
            if (unit == u'\0')
                continue;
            const std::uint32_t entry = EntryFor(unit, map);
            table_[lead << 8 | trail] = entry;
            if (fused::Length(entry) == 2)
                pairs_[lead << 8 | trail] = static_cast<std::uint16_t>(entry);
        }
    }
}

// When every character keeps its length (ASCII as it is, each two-byte
// character another), the output is a copy of the input with the pairs
// replaced: 64 bytes at a time, their leads found by bit arithmetic and each
// pair looked up, with no branch on the kind of character, which in text
// that mixes ASCII and Chinese is taken wrongly at almost every change.
bool GbkTranscoder::ConvertInPlace(std::string_view bytes, char* out) const
{
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t size = bytes.size();
    if (size == 0)
        return true;
    std::memcpy(out, in, size);
    const std::uint16_t* const pairs = pairs_.data();
    std::uint64_t trailFirst = 0;  // 1 when the window starts with the trail of a lead before it
    std::uint16_t missing = 1;     // 0 once some pair has no pair entry
    for (std::size_t at = 0; at < size; at += 64) {
        const std::size_t window = std::min<std::size_t>(64, size - at);
        const std::uint64_t high = fused::WindowMask(
            in + at, window, [](const unsigned char* p) { return HighBytes(p); },
            [](unsigned char byte) { return byte >= 0x80; });
        std::uint64_t leads = Leads(high & ~trailFirst);
        trailFirst = leads >> 63;
        if (at + window == size && (leads >> (window - 1) & 1))
            return false;  // a lead cut off by the end
        while (leads != 0) {
            const std::size_t i = at + static_cast<std::size_t>(std::countr_zero(leads));
            leads &= leads - 1;
            const std::uint16_t pair = pairs[in[i] << 8 | in[i + 1]];
            missing = pair == 0 ? 0 : missing;
            std::memcpy(out + i, &pair, 2);
        }
    }
    return missing != 0;
}

// A fallback entry writes nothing and is only remembered, so that the loop
// has no branch on it: any fallback sends the whole block to the plain path.
char* GbkTranscoder::Convert(std::string_view bytes, char* out) const
{
    if (asciiKept_ && ConvertInPlace(bytes, out))
        return out + bytes.size();
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
