#include "engine/char_frequency.h"

#include <algorithm>
#include <array>
#include <cstddef>
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

// The cost of every BMP code point, laid out at compile time: one load per
// character instead of a search.
constexpr auto kCostOfUnit = [] {
    std::array<std::uint8_t, 0x10000> costs{};
    for (std::size_t c = 0x80; c < costs.size(); ++c)
        costs[c] = static_cast<std::uint8_t>(kUnseenCost);
    for (const Entry& entry : kCosts)
        costs[entry.code] = entry.cost;
    return costs;
}();

}  // namespace

std::uint32_t CharacterCost(char32_t c)
{
    return c < kCostOfUnit.size() ? kCostOfUnit[c] : kUnseenCost;
}

bool IsCommonWord(char32_t first, char32_t second)
{
    if (first > 0xFFFF || second > 0xFFFF)
        return false;
    const Pair key{static_cast<char16_t>(first), static_cast<char16_t>(second)};
    return std::binary_search(std::begin(kPairs), std::end(kPairs), key);
}

}  // namespace tavrel
