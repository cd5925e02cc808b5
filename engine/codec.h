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

// Decodes bytes that carry no byte-order mark in the given encoding, strictly.
std::u16string DecodeBytes(std::string_view bytes, Encoding encoding,
                           const std::filesystem::path& source);

// Encodes strictly, with the byte-order mark the encoding calls for. Throws
// EncodeError naming `target` and the first character the encoding cannot hold.
std::string EncodeText(std::u16string_view text, Encoding encoding,
                       const std::filesystem::path& target);

}  // namespace tavrel
