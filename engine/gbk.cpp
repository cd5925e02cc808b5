#include "engine/gbk.h"

#include <cstdint>

namespace tavrel {

namespace {

#include "gbk_tables.inc"

constexpr char16_t kLeadByte = 0xFFFE;
constexpr std::uint16_t kUnmapped = 0xFFFF;
constexpr unsigned kFirstLead = 0x81;
constexpr unsigned kFirstTrail = 0x40;
constexpr unsigned kLastTrail = 0xFE;
constexpr unsigned kTrailsPerLead = kLastTrail - kFirstTrail + 1;

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

}  // namespace tavrel
