#pragma once

#include "engine/codec.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace tavrel {

// A text file's content and the encoding it was stored in, so that a converted
// text can be written back the same way.
using TextFile = DecodedText;

// Reads and decodes a whole file. An empty file gives empty text. Throws
// FileError or DecodeError naming the file.
TextFile ReadTextFile(const std::filesystem::path& path);

// Writes exactly `text`, with no line end added, in `encoding`, through a
// Replacement (files/replace.h): normally a temporary file beside the target
// replaces it only once the whole write has succeeded, so that on any failure
// the old target is untouched and no temporary file is left. Throws
// EncodeError or FileError naming the file.
void WriteTextFile(const std::filesystem::path& path, std::u16string_view text,
                   Encoding encoding = Encoding::Gbk);

// Writes bytes with the same guarantees as WriteTextFile.
void ReplaceFileContent(const std::filesystem::path& path, std::string_view bytes);

}  // namespace tavrel
