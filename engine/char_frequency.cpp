#include "engine/char_frequency.h"

#include <algorithm>
#include <iterator>

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

}  // namespace

std::uint32_t CharacterCost(char32_t c)
{
    if (c < 0x80)
        return 0;
    const auto* found = std::lower_bound(std::begin(kCosts), std::end(kCosts), c,
                                         [](const Entry& entry, char32_t code) { return entry.code < code; });
    return found != std::end(kCosts) && found->code == c ? found->cost : kUnseenCost;
}

}  // namespace tavrel
