#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tavrel {

enum class Direction {
    F2J,  // Traditional to Simplified
    J2F,  // Simplified to Traditional
};

inline constexpr const char* kTableFileF = "systemF.txt";
inline constexpr const char* kTableFileJ = "systemJ.txt";

// The two aligned character tables and the character-by-character conversion
// they define. The code unit at position p of TableF() (Traditional) pairs with
// the one at position p of TableJ() (Simplified). A character converts through
// its first occurrence in the searched table; when the other table is too short
// to have that position, the character is dropped. Characters in no table pass
// through unchanged. Every UTF-16 code unit is converted by itself.
class Converter {
public:
    Converter();

    // Reads systemF.txt, then systemJ.txt, from the application directory,
    // unless both tables already hold something. Throws FileError, DecodeError
    // or TableError naming the file; a failing systemF.txt stops before
    // systemJ.txt is read.
    void LoadTables();
    void LoadTables(const std::filesystem::path& directory);

    // Replaces both tables, for callers that have them in memory.
    void SetTables(std::u16string tableF, std::u16string tableJ);

    const std::u16string& TableF() const { return tableF_; }
    const std::u16string& TableJ() const { return tableJ_; }

    std::u16string F2J(std::u16string_view text) const;
    std::u16string J2F(std::u16string_view text) const;
    std::u16string Convert(Direction direction, std::u16string_view text) const;

    // Converts `text` itself, for callers that no longer need the original:
    // saves allocating and touching a second buffer as large as the text.
    void ConvertInPlace(Direction direction, std::u16string& text) const;

private:
    // For each code unit: the unit it becomes, with a flag for the units that
    // are dropped because the target table is too short.
    struct Lookup {
        std::vector<char16_t> target;
        std::vector<bool> dropped;
        bool dropsAny = false;
    };

    static Lookup BuildLookup(std::u16string_view searched, std::u16string_view target);
    static void Apply(const Lookup& lookup, std::u16string& text);
    void RebuildLookups();

    std::u16string tableF_;
    std::u16string tableJ_;
    Lookup f2j_;
    Lookup j2f_;
};

// The first line of a table file: everything before the first CR, decoded.
// A lone LF is part of the line. Throws TableError for an empty file.
std::u16string ReadTableLine(const std::filesystem::path& file);

}  // namespace tavrel
