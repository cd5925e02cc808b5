#include "engine/codec.h"

#include "engine/block_codec.h"
#include "engine/detect.h"
#include "engine/errors.h"

namespace tavrel {

namespace {

constexpr std::size_t npos = std::string_view::npos;

}  // namespace

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

}  // namespace tavrel
