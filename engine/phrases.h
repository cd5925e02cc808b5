#pragma once

#include "engine/converter.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tavrel {

// A phrase dictionary for one direction: at each position of a text the
// longest phrase that starts there decides the code units it covers (forward
// longest match, no word boundary needed); the units no phrase covers go
// through the character map. Built once, then only read, so that several
// threads may share it.
class PhraseMatcher {
public:
    // Phrases longer than this many UTF-16 code units are refused.
    static constexpr std::size_t kMaxLength = 64;

    // Adds a phrase, or replaces the target of one already there; false
    // for an empty or too long source.
    bool Add(std::u16string source, std::u16string target);
    bool Empty() const { return phrases_.empty(); }
    std::size_t Size() const { return phrases_.size(); }

    // The conversion of `text`, appended to `out`.
    void Convert(std::u16string_view text, const UnitMap& map, std::u16string& out) const;

    // The index in `text` of the first unit of the phrase or character whose
    // result holds unit `unit` of Convert's result.
    std::size_t SourceOf(std::u16string_view text, const UnitMap& map, std::size_t unit) const;

private:
    // The length of the longest phrase at `at` (0 for none) and its target.
    std::size_t Match(std::u16string_view text, std::size_t at, const std::u16string*& target) const;

    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::u16string_view text) const { return std::hash<std::u16string_view>{}(text); }
    };
    std::unordered_map<std::u16string, std::u16string, Hash, std::equal_to<>> phrases_;
    // For each first unit, bit n - 1 set when a phrase of n units starts with it.
    std::vector<std::uint64_t> lengths_ = std::vector<std::uint64_t>(0x10000, 0);
};

// Adds the phrases of a dictionary file's content: UTF-8 lines of
// "source<TAB>target"; empty lines and lines starting with # are skipped.
// Returns the number (from 1) of the first line that is none of these, or 0.
std::size_t AddPhraseLines(PhraseMatcher& phrases, std::string_view utf8);

}  // namespace tavrel
