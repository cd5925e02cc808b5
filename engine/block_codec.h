#pragma once

#include "engine/encoding.h"

#include <string>
#include <string_view>

namespace tavrel {

// Codecs for a block of bytes that holds whole characters and no byte-order
// mark, in any of the encodings. All of them are strict.

// Replaces `text` with the decoded bytes; returns the offset of the first
// invalid or truncated sequence, or npos.
std::size_t DecodeBlock(std::string_view bytes, Encoding encoding, std::u16string& text);

// Appends the encoded text to `bytes`; returns the index of the first unit
// the encoding cannot hold, or npos.
std::size_t EncodeBlock(std::u16string_view text, Encoding encoding, std::string& bytes);

// The length of the longest prefix of `bytes` (which start at a character
// boundary) that ends at a character boundary too, so that the rest can be
// carried into the next block.
std::size_t CharacterBoundary(std::string_view bytes, Encoding encoding);

// Whether `bytes` start with a four-byte GB18030 sequence (81-FE 30-39 81-FE
// 30-39) that GB18030 maps. GBK has no such sequence, whatever the alignment:
// a digit after a byte above 0x80 is a character of its own there.
bool StartsWithFourByteGb18030(std::string_view bytes);

// The length of the character `bytes` start with, at least 1 and at most
// bytes.size(), judged by its structure alone.
std::size_t CharacterLength(std::string_view bytes, Encoding encoding);

}  // namespace tavrel
