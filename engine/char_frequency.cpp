#include "engine/char_frequency.h"

#include <algorithm>
#include <iterator>

namespace tavrel {

namespace {

struct Entry {
    char16_t code;
    std::uint8_t cost;
};

#define TAVREL_COST(code, cost) {code, cost},
#define TAVREL_PAIR(first, second)
// Sorted by code point.
constexpr Entry kCosts[] = {
#include "char_frequency.inc"
};
#undef TAVREL_COST
#undef TAVREL_PAIR

struct Pair {
    char16_t first, second;
    bool operator<(const Pair& other) const
    {
        return first != other.first ? first < other.first : second < other.second;
    }
};

#define TAVREL_COST(code, cost)
#define TAVREL_PAIR(first, second) {first, second},
// Sorted by first character, then second.
constexpr Pair kPairs[] = {
#include "char_frequency.inc"
};
#undef TAVREL_COST
#undef TAVREL_PAIR

}  // namespace

std::uint32_t CharacterCost(char32_t c)
{
    if (c < 0x80)
        return 0;
    const auto* found = std::lower_bound(std::begin(kCosts), std::end(kCosts), c,
                                         [](const Entry& entry, char32_t code) { return entry.code < code; });
    return found != std::end(kCosts) && found->code == c ? found->cost : kUnseenCost;
}

bool IsCommonWord(char32_t first, char32_t second)
{
    if (first > 0xFFFF || second > 0xFFFF)
        return false;
    const Pair key{static_cast<char16_t>(first), static_cast<char16_t>(second)};
    return std::binary_search(std::begin(kPairs), std::end(kPairs), key);
}

}  // namespace tavrel
