#include "engine/detect.h"

#include "engine/utf.h"

#include <algorithm>

namespace tavrel {

bool EncodingDetector::Feed(std::string_view bytes)
{
    bytes_ += bytes;
    return true;
}

Encoding EncodingDetector::Result(bool) const
{
    return DetectEncoding(bytes_);
}

Encoding DetectEncoding(std::string_view bytes)
{
    for (const Encoding marked : {Encoding::Utf8Bom, Encoding::Utf16LE, Encoding::Utf16BE}) {
        if (bytes.starts_with(ByteOrderMark(marked)))
            return marked;
    }
    std::u16string text;
    const bool high = std::any_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) > 0x7F; });
    return high && DecodeUtf8(bytes, text) == std::string_view::npos ? Encoding::Utf8 : Encoding::Gbk;
}

}  // namespace tavrel
