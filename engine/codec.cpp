#include "engine/codec.h"

#include "engine/detect.h"
#include "engine/errors.h"
#include "engine/gbk.h"
#include "engine/icu_converter.h"

#include <unicode/utf16.h>

namespace tavrel {

namespace {

// ICU's name of an encoding; GBK has a codec of its own.
const char* IcuName(Encoding encoding)
{
    switch (encoding) {
    case Encoding::Gb18030:
        return "gb18030";
    case Encoding::Big5:
        return "windows-950-2000";
    case Encoding::Utf16LE:
        return "UTF-16LE";
    case Encoding::Utf16BE:
        return "UTF-16BE";
    default:
        return "UTF-8";
    }
}

// Decodes `bytes` through ICU; on a bad sequence returns false and its offset.
bool DecodeWithIcu(std::string_view bytes, Encoding encoding, std::u16string& text, std::size_t& badOffset)
{
    ConverterPtr converter = OpenStrictConverter(IcuName(encoding));
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
    bytes.resize(start + 4 * text.size() + 1);  // GB18030 takes up to four bytes a code unit
    ConverterPtr converter = OpenStrictConverter(IcuName(encoding));
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
    const Encoding encoding = DetectEncoding(bytes);
    return DecodeAs(bytes, encoding, ByteOrderMark(encoding).size(), source);
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
