#include "engine/codec.h"

#include "engine/errors.h"
#include "engine/gbk.h"

#include <unicode/ucnv.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <memory>

namespace tavrel {

namespace {

struct ConverterCloser {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

// Leaves the error code as ICU set it, so that conversion stops at the first
// bad sequence. ICU's own stop callback is not used because on encoding it
// silently skips default-ignorable characters such as U+200B and U+FEFF.
void FailToUnicode(const void*, UConverterToUnicodeArgs*, const char*, int32_t,
                   UConverterCallbackReason, UErrorCode*)
{
}

void FailFromUnicode(const void*, UConverterFromUnicodeArgs*, const UChar*, int32_t, UChar32,
                     UConverterCallbackReason, UErrorCode*)
{
}

// ICU's name of a Unicode encoding; GBK has a codec of its own.
const char* IcuName(Encoding encoding)
{
    switch (encoding) {
    case Encoding::Utf16LE:
        return "UTF-16LE";
    case Encoding::Utf16BE:
        return "UTF-16BE";
    default:
        return "UTF-8";
    }
}

ConverterPtr OpenConverter(Encoding encoding)
{
    UErrorCode status = U_ZERO_ERROR;
    ConverterPtr converter(ucnv_open(IcuName(encoding), &status));
    if (U_FAILURE(status))
        throw std::runtime_error(std::string("ICU converter unavailable: ") + IcuName(encoding));
    ucnv_setToUCallBack(converter.get(), FailToUnicode, nullptr, nullptr, nullptr, &status);
    ucnv_setFromUCallBack(converter.get(), FailFromUnicode, nullptr, nullptr, nullptr, &status);
    return converter;
}

// Decodes `bytes` in a Unicode encoding; on a bad sequence returns false and
// its offset.
bool DecodeWithIcu(std::string_view bytes, Encoding encoding, std::u16string& text, std::size_t& badOffset)
{
    ConverterPtr converter = OpenConverter(encoding);
    text.resize(bytes.size() + 1);
    const char* source = bytes.data();
    UChar* target = reinterpret_cast<UChar*>(text.data());
    UErrorCode status = U_ZERO_ERROR;
    ucnv_toUnicode(converter.get(), &target, target + text.size(), &source,
                   source + bytes.size(), nullptr, true, &status);
    if (U_FAILURE(status)) {
        char invalid[32];
        int8_t invalidLength = sizeof invalid;
        UErrorCode ignored = U_ZERO_ERROR;
        ucnv_getInvalidChars(converter.get(), invalid, &invalidLength, &ignored);
        badOffset = static_cast<std::size_t>(source - bytes.data()) - static_cast<std::size_t>(invalidLength);
        return false;
    }
    text.resize(static_cast<std::size_t>(target - reinterpret_cast<UChar*>(text.data())));
    return true;
}

// Decodes the bytes after a byte-order mark of `bomLength` bytes.
DecodedText DecodeAs(std::string_view bytes, Encoding encoding, std::size_t bomLength,
                     const std::filesystem::path& source)
{
    DecodedText decoded{{}, encoding};
    std::size_t badOffset = 0;
    const std::string_view content = bytes.substr(bomLength);
    const bool decodedAll = encoding == Encoding::Gbk ? DecodeGbk(content, decoded.text, badOffset)
                                                      : DecodeWithIcu(content, encoding, decoded.text, badOffset);
    if (!decodedAll)
        throw DecodeError(source, EncodingName(encoding), bomLength + badOffset);
    return decoded;
}

bool HasHighByte(std::string_view bytes)
{
    return std::any_of(bytes.begin(), bytes.end(),
                       [](char byte) { return static_cast<unsigned char>(byte) > 0x7F; });
}

bool InRange(unsigned char byte, unsigned low, unsigned high)
{
    return byte >= low && byte <= high;
}

// Whether the bytes are well-formed UTF-8: shortest forms only, no encoded
// surrogates, nothing beyond U+10FFFF. Checked without decoding.
bool IsUtf8(std::string_view bytes)
{
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t size = bytes.size();
    for (std::size_t i = 0; i < size;) {
        const unsigned char lead = s[i];
        if (lead < 0x80) {
            ++i;
            continue;
        }
        std::size_t length = 0;
        unsigned low = 0x80, high = 0xBF;
        if (InRange(lead, 0xC2, 0xDF)) {
            length = 2;
        } else if (InRange(lead, 0xE0, 0xEF)) {
            length = 3;
            low = lead == 0xE0 ? 0xA0 : 0x80;
            high = lead == 0xED ? 0x9F : 0xBF;
        } else if (InRange(lead, 0xF0, 0xF4)) {
            length = 4;
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF;
        } else {
            return false;
        }
        if (size - i < length || !InRange(s[i + 1], low, high))
            return false;
        for (std::size_t k = 2; k < length; ++k) {
            if (!InRange(s[i + k], 0x80, 0xBF))
                return false;
        }
        i += length;
    }
    return true;
}

// 1-based line and column of a code-unit position. LF, CR LF and a lone CR
// each end a line.
std::pair<std::size_t, std::size_t> LineAndColumn(std::u16string_view text, std::size_t position)
{
    std::size_t line = 1;
    std::size_t lineStart = 0;
    for (std::size_t i = 0; i < position; ++i) {
        const bool lineEnd = text[i] == u'\n' || (text[i] == u'\r' && (i + 1 >= text.size() || text[i + 1] != u'\n'));
        if (lineEnd) {
            ++line;
            lineStart = i + 1;
        }
    }
    return {line, position - lineStart + 1};
}

[[noreturn]] void ThrowEncodeError(std::u16string_view text, std::size_t position, Encoding encoding,
                                   const std::filesystem::path& target)
{
    UChar32 codePoint = 0;
    U16_GET(text.data(), 0, position, text.size(), codePoint);
    const auto [line, column] = LineAndColumn(text, position);
    throw EncodeError(target, EncodingName(encoding), static_cast<char32_t>(codePoint), position,
                      line, column);
}

void EncodeWithIcu(std::u16string_view text, Encoding encoding, std::string& bytes,
                   const std::filesystem::path& target)
{
    const std::size_t start = bytes.size();
    bytes.resize(start + 3 * text.size() + 1);
    ConverterPtr converter = OpenConverter(encoding);
    const auto* begin = reinterpret_cast<const UChar*>(text.data());
    const UChar* source = begin;
    char* out = bytes.data() + start;
    UErrorCode status = U_ZERO_ERROR;
    ucnv_fromUnicode(converter.get(), &out, bytes.data() + bytes.size(), &source, begin + text.size(), nullptr,
                     true, &status);
    if (U_FAILURE(status)) {
        UChar invalid[8];
        int8_t invalidLength = 8;
        UErrorCode ignored = U_ZERO_ERROR;
        ucnv_getInvalidUChars(converter.get(), invalid, &invalidLength, &ignored);
        ThrowEncodeError(text, static_cast<std::size_t>(source - begin) - static_cast<std::size_t>(invalidLength),
                         encoding, target);
    }
    bytes.resize(static_cast<std::size_t>(out - bytes.data()));
}

}  // namespace

std::u16string DecodeBytes(std::string_view bytes, Encoding encoding,
                           const std::filesystem::path& source)
{
    return DecodeAs(bytes, encoding, 0, source).text;
}

DecodedText DecodeText(std::string_view bytes, const std::filesystem::path& source)
{
    for (const Encoding marked : {Encoding::Utf8Bom, Encoding::Utf16LE, Encoding::Utf16BE}) {
        if (bytes.starts_with(ByteOrderMark(marked)))
            return DecodeAs(bytes, marked, ByteOrderMark(marked).size(), source);
    }
    if (HasHighByte(bytes) && IsUtf8(bytes))
        return DecodeAs(bytes, Encoding::Utf8, 0, source);
    return DecodeAs(bytes, Encoding::Gbk, 0, source);
}

std::string EncodeText(std::u16string_view text, Encoding encoding,
                       const std::filesystem::path& target)
{
    std::string bytes(ByteOrderMark(encoding));
    if (encoding != Encoding::Gbk) {
        EncodeWithIcu(text, encoding, bytes, target);
        return bytes;
    }
    const std::size_t unencodable = EncodeGbk(text, bytes);
    if (unencodable != std::u16string_view::npos)
        ThrowEncodeError(text, unencodable, encoding, target);
    return bytes;
}

}  // namespace tavrel
