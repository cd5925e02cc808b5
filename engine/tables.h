#pragma once

#include "engine/converter.h"

#include <filesystem>
#include <string>

namespace tavrel {

// The two table files, beside the program: Traditional characters in
// systemF.txt, the Simplified ones in the same order in systemJ.txt.
inline constexpr const char* kTableFileF = "systemF.txt";
inline constexpr const char* kTableFileJ = "systemJ.txt";

// The first line of a table file: everything before the first CR, decoded
// in the file's encoding. A lone LF is part of the line. Throws FileError or
// DecodeError naming the file, and TableError for an empty file.
std::u16string ReadTableLine(const std::filesystem::path& file);

// Reads systemF.txt, then systemJ.txt, from the program's folder (or from
// `directory`) into the converter, unless both tables already hold
// something. Throws as ReadTableLine; a failing systemF.txt stops before
// systemJ.txt is read, and a failure leaves the tables as they were.
void LoadTables(Converter& converter);
void LoadTables(Converter& converter, const std::filesystem::path& directory);

}  // namespace tavrel
