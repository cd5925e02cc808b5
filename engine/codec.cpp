#include "engine/codec.h"

#include "engine/block_codec.h"
#include "engine/detect.h"
#include "engine/errors.h"
#include "engine/text_position.h"

#include <unicode/utf16.h>

namespace tavrel {

namespace {

constexpr std::size_t npos = std::string_view::npos;

}  // namespace

std::u16string DecodeBytes(std::string_view bytes, Encoding encoding, const std::filesystem::path& source)
{
    std::u16string text;
    const std::size_t badOffset = DecodeBlock(bytes, encoding, text);
    if (badOffset != npos)
        throw DecodeError(source, EncodingName(encoding), badOffset);
    return text;
}

DecodedText DecodeText(std::string_view bytes, const std::filesystem::path& source)
{
    const Encoding encoding = DetectEncoding(bytes);
    const std::size_t markLength = ByteOrderMark(encoding).size();
    std::u16string text;
    const std::size_t badOffset = DecodeBlock(bytes.substr(markLength), encoding, text);
    if (badOffset != npos)
        throw DecodeError(source, EncodingName(encoding), markLength + badOffset);
    return {std::move(text), encoding};
}

std::string EncodeText(std::u16string_view text, Encoding encoding, const std::filesystem::path& target)
{
    std::string bytes(ByteOrderMark(encoding));
    const std::size_t badUnit = EncodeBlock(text, encoding, bytes);
    if (badUnit == npos)
        return bytes;
    UChar32 codePoint = 0;
    U16_GET(text.data(), 0, badUnit, text.size(), codePoint);
    TextPosition position;
    position.Advance(text.substr(0, badUnit));
    throw EncodeError(target, EncodingName(encoding), static_cast<char32_t>(codePoint), position.Line(),
                      position.Column());
}

}  // namespace tavrel
