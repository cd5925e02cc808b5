#pragma once

#include "engine/converter.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

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

namespace tavrel {

// Which phrase dictionaries a phrase-aware conversion reads.
struct PhraseChoice {
    std::string region;       // "", "tw" or "hk"
    bool vocabulary = false;  // the region's words (Taiwan's without a region)
};

// The phrase dictionary files of a direction, in the order they are read:
// phrases-s2t.txt (Simplified to Traditional) or phrases-t2s.txt, then
// phrases-s2t-REGION.txt, then vocabulary-s2t-REGION.txt; a later file's
// phrase replaces an earlier one's.
std::vector<std::string> PhraseFileNames(Direction direction, const PhraseChoice& choice);

// Reads those files from the program's folder (or from `directory`) into
// the converter's phrases for `direction`. Throws FileError for a file that
// cannot be read or holds a line that is no "source<TAB>target" in UTF-8.
void LoadPhrases(Converter& converter, Direction direction, const PhraseChoice& choice);
void LoadPhrases(Converter& converter, Direction direction, const PhraseChoice& choice,
                 const std::filesystem::path& directory);

}  // namespace tavrel
