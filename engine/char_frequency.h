#pragma once

#include <cstdint>

namespace tavrel {

// How unlikely a character is in Chinese text, in quarter bits
// (4 * -log2 of its probability), from how often it occurs in Simplified and
// Traditional text alike (data/char_frequency.tsv). ASCII costs nothing, so
// that only the characters that two readings of the same bytes disagree on
// count; a character never seen costs kUnseenCost.
std::uint32_t CharacterCost(char32_t c);

// Whether the two characters form a common word of everyday text, among the
// words whose characters' GBK bytes are each also a two-byte UTF-8 character
// (the only ones GbkLookalike asks about).
bool IsCommonWord(char32_t first, char32_t second);

// More than any character seen: a little above one occurrence in the larger
// half of the counted text.
inline constexpr std::uint32_t kUnseenCost = 100;

}  // namespace tavrel
