#pragma once

#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace tavrel {

class PhraseMatcher;

enum class Direction {
    F2J,  // Traditional to Simplified
    J2F,  // Simplified to Traditional
};

// What every UTF-16 code unit becomes in one direction: the unit at the same
// position of the other table, itself when the searched table lacks it, or
// nothing when the other table is too short to have that position.
class UnitMap {
public:
    // An empty map, to be assigned a built one before use.
    UnitMap() = default;
    UnitMap(std::u16string_view searched, std::u16string_view target);

    char16_t operator[](char16_t unit) const { return target_[unit]; }
    bool Drops(char16_t unit) const { return dropped_[unit]; }
    bool DropsAny() const { return dropsAny_; }
    // Whether every unit from `first` to `last` becomes itself.
    bool KeepsRange(char16_t first, char16_t last) const;
    // Converts `text` itself, dropping what the map drops.
    void Apply(std::u16string& text) const;
    const char16_t* Data() const { return target_.data(); }

private:
    std::vector<char16_t> target_;
    std::vector<bool> dropped_;
    bool dropsAny_ = false;
};

// The two aligned character tables and the character-by-character conversion
// they define. The code unit at position p of TableF() (Traditional) pairs with
// the one at position p of TableJ() (Simplified). A character converts through
// its first occurrence in the searched table; when the other table is too short
// to have that position, the character is dropped. Characters in no table pass
// through unchanged. Every UTF-16 code unit is converted by itself. The map
// of a direction is built the first time that direction is asked for, so a
// job pays only for the direction it converts.
class Converter {
public:
    Converter() = default;
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Replaces both tables (see LoadTables in tables.h for the files).
    void SetTables(std::u16string tableF, std::u16string tableJ);

    const std::u16string& TableF() const { return tableF_; }
    const std::u16string& TableJ() const { return tableJ_; }

    std::u16string F2J(std::u16string_view text) const;
    std::u16string J2F(std::u16string_view text) const;

    // Safe to call from several threads at once.
    const UnitMap& Map(Direction direction) const;

    // Phrases that decide, before the map, the characters they cover in
    // one direction (none by default: character by character). Set before
    // converting.
    void SetPhrases(Direction direction, std::shared_ptr<const PhraseMatcher> phrases);
    const PhraseMatcher* Phrases(Direction direction) const;

private:
    std::u16string Convert(Direction direction, std::u16string_view text) const;

    std::u16string tableF_;
    std::u16string tableJ_;
    mutable std::mutex mapsMutex_;  // building the maps
    mutable UnitMap f2j_;
    mutable UnitMap j2f_;
    mutable bool f2jBuilt_ = false;
    mutable bool j2fBuilt_ = false;
    std::shared_ptr<const PhraseMatcher> f2jPhrases_;
    std::shared_ptr<const PhraseMatcher> j2fPhrases_;
};


}  // namespace tavrel
