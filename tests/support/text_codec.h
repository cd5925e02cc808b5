#pragma once

#include "engine/encoding.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace tavrel::test {

// Decodes bytes that carry no byte-order mark in the given encoding,
// strictly; throws DecodeError naming `source` and the offset.
std::u16string DecodeBytes(std::string_view bytes, Encoding encoding, const std::filesystem::path& source);

// Encodes strictly, with the byte-order mark the encoding calls for; throws
// EncodeError naming `target`, the first character the encoding cannot hold
// and its line and column.
std::string EncodeText(std::u16string_view text, Encoding encoding, const std::filesystem::path& target);

}  // namespace tavrel::test
