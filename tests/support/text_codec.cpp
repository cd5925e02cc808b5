#include "tests/support/text_codec.h"

#include "engine/block_codec.h"
#include "engine/errors.h"
#include "engine/text_position.h"

#include <unicode/utf16.h>

namespace tavrel::test {

std::u16string DecodeBytes(std::string_view bytes, Encoding encoding, const std::filesystem::path& source)
{
    std::u16string text;
    const std::size_t badOffset = DecodeBlock(bytes, encoding, text);
    if (badOffset != std::string_view::npos)
        throw DecodeError(source, EncodingName(encoding), badOffset);
    return text;
}

std::string EncodeText(std::u16string_view text, Encoding encoding, const std::filesystem::path& target)
{
    std::string bytes(ByteOrderMark(encoding));
    const std::size_t badUnit = EncodeBlock(text, encoding, bytes);
    if (badUnit == std::u16string_view::npos)
        return bytes;
    UChar32 codePoint = 0;
    U16_GET(text.data(), 0, badUnit, text.size(), codePoint);
    TextPosition position;
    position.Advance(text.substr(0, badUnit));
    throw EncodeError(target, EncodingName(encoding), static_cast<char32_t>(codePoint), position.Line(),
                      position.Column());
}

}  // namespace tavrel::test
