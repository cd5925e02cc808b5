#include "engine/char_frequency.h"

#include <array>
#include <cstddef>

namespace tavrel {

namespace {

struct Entry {
    char16_t code;
    std::uint8_t cost;
};

// Sorted by code point.
constexpr Entry kCosts[] = {
#include "char_frequency.inc"
};

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

}  // namespace tavrel
