#pragma once

#include "engine/converter.h"

#include <filesystem>
#include <string>

namespace tavrel {

// The first line of a table file (see TableLine), read no further than its
// end. Throws FileError for a file that cannot be read, is not a regular
// file, or whose first line is longer than any table could be; DecodeError
// and TableError as TableLine does.
std::u16string ReadTableLine(const std::filesystem::path& file);

// Reads systemF.txt, then systemJ.txt, from the program's folder (or from
// `directory`) into the converter, unless both tables already hold
// something. A failing systemF.txt stops before systemJ.txt is read, and a
// failure leaves the tables as they were.
void LoadTables(Converter& converter);
void LoadTables(Converter& converter, const std::filesystem::path& directory);

}  // namespace tavrel
