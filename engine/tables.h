#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace tavrel {

// The two table files, beside the program: Traditional characters in
// systemF.txt, the Simplified ones in the same order in systemJ.txt.
inline constexpr const char* kTableFileF = "systemF.txt";
inline constexpr const char* kTableFileJ = "systemJ.txt";

// Where the first line of a table file's bytes ends: at the first CR, which
// in UTF-16 files is a whole code unit and elsewhere a single byte (no
// multibyte character of the other encodings holds 0x0D); npos while the
// bytes hold none. A lone LF is part of the line. The search starts at byte
// `from`, for bytes that arrive piece by piece.
std::size_t FirstLineEnd(std::string_view bytes, std::size_t from = 0);

// The first line of a table file's bytes (all of them when they hold no CR),
// decoded in the file's encoding. Throws DecodeError naming `file`, and
// TableError for a file without a single byte.
std::u16string TableLine(std::string_view bytes, const std::filesystem::path& file);

}  // namespace tavrel
