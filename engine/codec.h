#pragma once

#include "engine/encoding.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace tavrel {

struct DecodedText {
    std::u16string text;
    Encoding encoding = Encoding::Gbk;
};

// Decides the encoding from the bytes (DetectEncoding) and decodes them
// strictly. Throws DecodeError naming `source` and the offset of the first
// bad byte.
DecodedText DecodeText(std::string_view bytes, const std::filesystem::path& source);

}  // namespace tavrel
