#include "engine/block_codec.h"

#include "engine/gbk.h"
#include "engine/icu_converter.h"
#include "engine/utf.h"

#include <algorithm>

namespace tavrel {

namespace {

constexpr std::size_t npos = std::string_view::npos;

// ICU takes at most 2 GiB in one call; blocks are far smaller, whole files
// need not be.
constexpr std::size_t kIcuChunk = std::size_t{1} << 26;

const char* IcuName(Encoding encoding)
{
    return encoding == Encoding::Big5 ? "windows-950-2000" : "gb18030";
}

bool IsLegacyMultibyte(Encoding encoding)
{
    return encoding == Encoding::Gbk || encoding == Encoding::Gb18030 || encoding == Encoding::Big5;
}

std::size_t DecodeWithIcu(std::string_view bytes, Encoding encoding, std::u16string& text)
{
    ConverterPtr converter = OpenStrictConverter(IcuName(encoding));
    text.resize(bytes.size() + 1);
    const char* source = bytes.data();
    const char* const end = bytes.data() + bytes.size();
    UChar* target = reinterpret_cast<UChar*>(text.data());
    UErrorCode status = U_ZERO_ERROR;
    do {
        const char* const limit = source + std::min<std::size_t>(kIcuChunk, static_cast<std::size_t>(end - source));
        UChar* const targetLimit = reinterpret_cast<UChar*>(text.data()) + text.size();
        ucnv_toUnicode(converter.get(), &target, targetLimit, &source, limit, nullptr, limit == end, &status);
    } while (U_SUCCESS(status) && source != end);
    if (U_FAILURE(status)) {
        char invalid[32];
        int8_t invalidLength = sizeof invalid;
        UErrorCode ignored = U_ZERO_ERROR;
        ucnv_getInvalidChars(converter.get(), invalid, &invalidLength, &ignored);
        return static_cast<std::size_t>(source - bytes.data()) - static_cast<std::size_t>(invalidLength);
    }
    text.resize(static_cast<std::size_t>(target - reinterpret_cast<UChar*>(text.data())));
    return npos;
}

std::size_t EncodeWithIcu(std::u16string_view text, Encoding encoding, std::string& bytes)
{
    ConverterPtr converter = OpenStrictConverter(IcuName(encoding));
    const std::size_t start = bytes.size();
    bytes.resize(start + 4 * text.size() + 4);
    const auto* const begin = reinterpret_cast<const UChar*>(text.data());
    const UChar* const end = begin + text.size();
    const UChar* source = begin;
    char* target = bytes.data() + start;
    UErrorCode status = U_ZERO_ERROR;
    do {
        const UChar* const limit = source + std::min<std::size_t>(kIcuChunk, static_cast<std::size_t>(end - source));
        ucnv_fromUnicode(converter.get(), &target, bytes.data() + bytes.size(), &source, limit, nullptr,
                         limit == end, &status);
    } while (U_SUCCESS(status) && source != end);
    if (U_FAILURE(status)) {
        UChar invalid[8];
        int8_t invalidLength = 8;
        UErrorCode ignored = U_ZERO_ERROR;
        ucnv_getInvalidUChars(converter.get(), invalid, &invalidLength, &ignored);
        bytes.resize(start);
        return static_cast<std::size_t>(source - begin) - static_cast<std::size_t>(invalidLength);
    }
    bytes.resize(static_cast<std::size_t>(target - bytes.data()));
    return npos;
}

// A byte below 0x30 is a character of its own in GBK, GB18030 and Big5:
// their trail bytes are 0x40 and above, GB18030's digits 0x30 to 0x39.
bool IsLoneByte(unsigned char byte)
{
    return byte < 0x30;
}

// The length a character of GBK, GB18030 or Big5 starting with `bytes`
// needs, whether or not that many bytes are there. A lead byte and a digit
// start a four-byte GB18030 sequence, which GBK and Big5 lack but which
// must not be cut either: it turns a GBK file into GB18030.
std::size_t LegacyLength(std::string_view bytes)
{
    const auto lead = static_cast<unsigned char>(bytes[0]);
    if (lead < 0x81 || lead == 0xFF)
        return 1;
    const auto second = bytes.size() > 1 ? static_cast<unsigned char>(bytes[1]) : 0;
    return second >= 0x30 && second <= 0x39 ? 4 : 2;
}

std::size_t Utf8Length(unsigned char lead)
{
    return lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
}

// Looks for a lone byte near the end; text without one for that long (rare:
// no ASCII punctuation, space or line end) is walked from the start.
std::size_t LegacyBoundary(std::string_view bytes)
{
    constexpr std::size_t kLookBack = 65536;
    const std::size_t stop = bytes.size() > kLookBack ? bytes.size() - kLookBack : 0;
    for (std::size_t i = bytes.size(); i > stop; --i) {
        if (IsLoneByte(static_cast<unsigned char>(bytes[i - 1])))
            return i;
    }
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::size_t length = LegacyLength(bytes.substr(i));
        if (i + length > bytes.size())
            break;
        i += length;
    }
    return i;
}

// Backs up over at most three continuation bytes to the last lead byte and
// cuts before it when its character is not complete.
std::size_t Utf8Boundary(std::string_view bytes)
{
    std::size_t lead = bytes.size();
    while (lead > 0 && bytes.size() - lead < 3 && (static_cast<unsigned char>(bytes[lead - 1]) & 0xC0) == 0x80)
        --lead;
    if (lead == 0)
        return bytes.size();
    --lead;
    return lead + Utf8Length(static_cast<unsigned char>(bytes[lead])) > bytes.size() ? lead : bytes.size();
}

std::size_t Utf16Boundary(std::string_view bytes, bool bigEndian)
{
    std::size_t boundary = bytes.size() & ~std::size_t{1};
    if (boundary == 0)
        return 0;
    const auto high = static_cast<unsigned char>(bytes[boundary - (bigEndian ? 2 : 1)]);
    return high >= 0xD8 && high <= 0xDB ? boundary - 2 : boundary;
}

}  // namespace

std::size_t DecodeBlock(std::string_view bytes, Encoding encoding, std::u16string& text)
{
    switch (encoding) {
    case Encoding::Gbk: {
        std::size_t badOffset = 0;
        return DecodeGbk(bytes, text, badOffset) ? npos : badOffset;
    }
    case Encoding::Utf8:
    case Encoding::Utf8Bom:
        return DecodeUtf8(bytes, text);
    case Encoding::Utf16LE:
    case Encoding::Utf16BE:
        return DecodeUtf16(bytes, encoding == Encoding::Utf16BE, text);
    case Encoding::Gb18030:
    case Encoding::Big5:
        return DecodeWithIcu(bytes, encoding, text);
    }
    return 0;
}

std::size_t EncodeBlock(std::u16string_view text, Encoding encoding, std::string& bytes)
{
    switch (encoding) {
    case Encoding::Gbk:
        return EncodeGbk(text, bytes);
    case Encoding::Utf8:
    case Encoding::Utf8Bom:
        return EncodeUtf8(text, bytes);
    case Encoding::Utf16LE:
    case Encoding::Utf16BE:
        return EncodeUtf16(text, encoding == Encoding::Utf16BE, bytes);
    case Encoding::Gb18030:
    case Encoding::Big5:
        return EncodeWithIcu(text, encoding, bytes);
    }
    return 0;
}

bool StartsWithFourByteGb18030(std::string_view bytes)
{
    if (bytes.size() < 4)
        return false;
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto digit = [](unsigned char byte) { return byte >= 0x30 && byte <= 0x39; };
    const auto lead = [](unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; };
    if (!digit(b[1]) || !digit(b[3]) || !lead(b[0]) || !lead(b[2]))
        return false;
    std::u16string text;
    return DecodeWithIcu(bytes.substr(0, 4), Encoding::Gb18030, text) == npos;
}

std::size_t CharacterBoundary(std::string_view bytes, Encoding encoding)
{
    if (IsLegacyMultibyte(encoding))
        return LegacyBoundary(bytes);
    if (IsUtf16(encoding))
        return Utf16Boundary(bytes, encoding == Encoding::Utf16BE);
    return Utf8Boundary(bytes);
}

std::size_t CharacterLength(std::string_view bytes, Encoding encoding)
{
    if (IsLegacyMultibyte(encoding))
        return std::min(LegacyLength(bytes), bytes.size());
    if (IsUtf16(encoding)) {
        const std::size_t high = encoding == Encoding::Utf16BE ? 0 : 1;
        const bool pair = bytes.size() >= 4 && (static_cast<unsigned char>(bytes[high]) & 0xFC) == 0xD8;
        return std::min<std::size_t>(pair ? 4 : 2, bytes.size());
    }
    return std::min(Utf8Length(static_cast<unsigned char>(bytes[0])), bytes.size());
}

}  // namespace tavrel
