#pragma once

#include <cstdint>

namespace tavrel {

// How unlikely a character is in Chinese text, in quarter bits
// (4 * -log2 of its probability), from how often it occurs in Simplified and
// Traditional text alike (data/char_frequency.tsv). ASCII costs nothing, so
// that only the characters that two readings of the same bytes disagree on
// count; a character never seen costs kUnseenCost.
std::uint32_t CharacterCost(char32_t c);

// More than any character seen: a little above one occurrence in the larger
// half of the counted text.
inline constexpr std::uint32_t kUnseenCost = 100;

}  // namespace tavrel
