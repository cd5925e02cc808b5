#pragma once

#include "engine/converter.h"
#include "engine/phrase_starts.h"
#include "engine/phrase_trie.h"

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace tavrel {

class Utf8Transcoder;

// A phrase dictionary for one direction: at each position of a text the
// longest phrase that starts there decides the code units it covers (forward
// longest match, no word boundary needed); the units no phrase covers go
// through the character map. Phrases are added first; the trie they are
// looked up in is built at the first conversion, once (or loaded from what
// Save wrote), after which the dictionary is only read, so that several
// threads may share it.
class PhraseMatcher {
public:
    // Phrases longer than this many UTF-16 code units are refused.
    static constexpr std::size_t kMaxLength = 64;

    // Adds a phrase given in UTF-8, or replaces the target of one already
    // there; false for an empty or too long source, or ill-formed UTF-8.
    // Phrases are added before the first conversion.
    bool Add(std::string_view source, std::string_view target);

    // The conversion of `text`, appended to `out`.
    void Convert(std::u16string_view text, const UnitMap& map, std::u16string& out) const;

    // The index in `text` of the first unit of the phrase or character whose
    // result holds unit `unit` of Convert's result.
    std::size_t SourceOf(std::u16string_view text, const UnitMap& map, std::size_t unit) const;

    // The same conversion from UTF-8 to UTF-8, the characters outside
    // phrases through `characters` (built for the same map): converted in
    // place, the phrases put over them where the filter of phrase starts
    // says one may start, or, when that cannot be, matched at every
    // character as the bytes are decoded. Writes
    // from `out` on, which has room for MaxUtf8Output(bytes.size()) bytes,
    // and returns the end; nullptr when some character needs the plain path,
    // or the phrases' results more room than that.
    char* ConvertUtf8(std::string_view bytes, const Utf8Transcoder& characters, char* out) const;
    std::size_t MaxUtf8Output(std::size_t inputSize) const;

    // The built dictionary as bytes, for a cache on the same machine.
    std::string Save() const;
    // Takes the dictionary Save wrote instead of building one from what was
    // added; false when the bytes are not such a dictionary or this one was
    // built already. Whatever the bytes, conversions stay inside the arrays
    // and their output buffers.
    bool Load(std::string_view bytes);

private:
    struct Target {
        std::uint32_t begin, size;          // in units
        std::uint32_t utf8Begin, utf8Size;  // in utf8
    };
    struct Compiled {
        PhraseTrie trie;
        std::vector<Target> targets;  // a key's value is its index + 1
        std::u16string units;
        std::string utf8;
        bool asciiStarts = false;  // some phrase starts with an ASCII unit
        std::size_t expansion = 3;  // output bytes per input byte made room for, 3 to 8
        PhraseStarts starts;  // where a phrase may start, for UTF-8 to UTF-8
    };

    const Compiled& Built() const;
    std::vector<std::uint32_t> SortedBySource() const;
    Compiled Build() const;
    // The length of the longest phrase at `at` (0 for none) and its target.
    static std::size_t Match(const Compiled& built, std::u16string_view text, std::size_t at, const Target*& target);
    // Converts `bytes` at `out` when each character keeps its length, the
    // phrases as long as each has its source's length: returns where the
    // first of another length starts, the end, or the start when none can
    // be converted so.
    static const unsigned char* PatchUtf8(const Compiled& built, std::string_view bytes,
                                          const Utf8Transcoder& characters, char* out);

    // What was added: sources and targets one after the other.
    std::u16string added_;
    struct Added {
        std::uint32_t begin;
        std::uint32_t sourceSize, targetSize;
    };
    std::vector<Added> phrases_;
    mutable std::once_flag built_;
    mutable Compiled compiled_;
};

// Adds the phrases of a dictionary file's content: UTF-8 lines of
// "source<TAB>target"; empty lines and lines starting with # are skipped.
// Returns the number (from 1) of the first line that is none of these, or 0.
std::size_t AddPhraseLines(PhraseMatcher& phrases, std::string_view utf8);

}  // namespace tavrel
