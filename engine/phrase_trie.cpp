#include "engine/phrase_trie.h"

#include <algorithm>

namespace tavrel {

// Places the nodes depth first: each node's children at the first base
// where every one of their slots is free, found through a list of the free
// slots. Free slots left far behind the end are given up, so that a search
// never runs over the whole array: a few stay empty.
class PhraseTrie::Builder {
public:
    Builder(PhraseTrie& trie, const std::vector<Key>& keys) : trie_(trie), keys_(keys) {}

    void AssignCodes();
    void Place(std::uint32_t node, std::size_t first, std::size_t last, std::size_t depth);
    void Trim();

private:
    struct Child {
        std::uint16_t code;
        std::size_t first, last;  // its keys
    };
    static constexpr std::size_t kWindow = 4096;

    void Grow(std::size_t size);
    void Take(std::uint32_t slot);
    std::uint32_t FindBase(std::size_t firstChild);
    bool Fits(std::uint32_t base, std::size_t firstChild);

    PhraseTrie& trie_;
    const std::vector<Key>& keys_;
    std::vector<Child> children_;  // of the nodes being placed, a stack
    std::uint32_t maxCode_ = 0;
    std::size_t end_ = 1;  // past the last slot taken
    // The free slots in order, both ways; slot 0, the root's, ends the list.
    std::vector<std::uint32_t> nextFree_{0}, previousFree_{0};
};

void PhraseTrie::Builder::AssignCodes()
{
    std::vector<std::uint32_t> counts(0x10000, 0);
    std::size_t units = 0;
    for (const Key& key : keys_) {
        units += key.units.size();
        for (const char16_t unit : key.units)
            ++counts[unit];
    }
    std::vector<char16_t> used;
    for (std::size_t unit = 0; unit < counts.size(); ++unit) {
        if (counts[unit] > 0)
            used.push_back(static_cast<char16_t>(unit));
    }
    std::stable_sort(used.begin(), used.end(), [&](char16_t a, char16_t b) { return counts[a] > counts[b]; });
    for (const char16_t unit : used)
        trie_.codes_[unit] = static_cast<std::uint16_t>(++maxCode_);
    // A node for each unit of the keys at most, and some room to place them.
    Grow(units + units / 4 + 2 * (maxCode_ + 1));
}

void PhraseTrie::Builder::Grow(std::size_t size)
{
    const auto old = static_cast<std::uint32_t>(trie_.nodes_.size());
    trie_.nodes_.resize(size);
    nextFree_.resize(size);
    previousFree_.resize(size);
    for (std::uint32_t slot = old; slot < size; ++slot) {
        const std::uint32_t last = previousFree_[0];
        nextFree_[last] = slot;
        previousFree_[slot] = last;
        nextFree_[slot] = 0;
        previousFree_[0] = slot;
    }
}

void PhraseTrie::Builder::Take(std::uint32_t slot)
{
    nextFree_[previousFree_[slot]] = nextFree_[slot];
    previousFree_[nextFree_[slot]] = previousFree_[slot];
}

bool PhraseTrie::Builder::Fits(std::uint32_t base, std::size_t firstChild)
{
    if (trie_.nodes_.size() <= base + maxCode_)
        Grow(std::max<std::size_t>(base + maxCode_ + 1, trie_.nodes_.size() * 3 / 2));
    for (std::size_t k = firstChild; k < children_.size(); ++k) {
        if (trie_.nodes_[base + children_[k].code].check != kFree)
            return false;
    }
    return true;
}

std::uint32_t PhraseTrie::Builder::FindBase(std::size_t firstChild)
{
    while (nextFree_[0] != 0 && nextFree_[0] + kWindow < end_)
        Take(nextFree_[0]);
    const std::uint16_t lowest =
        std::min_element(children_.begin() + static_cast<std::ptrdiff_t>(firstChild), children_.end(),
                         [](const Child& a, const Child& b) { return a.code < b.code; })
            ->code;
    // The slot of the child with the lowest code runs over the free slots.
    for (std::uint32_t slot = nextFree_[0];; slot = nextFree_[slot]) {
        if (slot == 0) {
            slot = static_cast<std::uint32_t>(trie_.nodes_.size());
            Grow(trie_.nodes_.size() * 3 / 2);
        }
        if (slot >= lowest && Fits(slot - lowest, firstChild))
            return slot - lowest;
    }
}

void PhraseTrie::Builder::Place(std::uint32_t node, std::size_t first, std::size_t last, std::size_t depth)
{
    if (keys_[first].units.size() == depth)
        trie_.nodes_[node].value = keys_[first++].value;
    if (first == last)
        return;
    const std::size_t firstChild = children_.size();
    for (std::size_t k = first; k < last;) {
        const char16_t unit = keys_[k].units[depth];
        const std::size_t from = k;
        while (k < last && keys_[k].units[depth] == unit)
            ++k;
        children_.push_back({trie_.codes_[unit], from, k});
    }
    const std::uint32_t base = FindBase(firstChild);
    trie_.nodes_[node].base = base;
    for (std::size_t k = firstChild; k < children_.size(); ++k) {
        const std::uint32_t slot = base + children_[k].code;
        trie_.nodes_[slot].check = node;
        Take(slot);
        end_ = std::max<std::size_t>(end_, slot + 1);
    }
    for (std::size_t k = firstChild; k < children_.size(); ++k) {
        const Child child = children_[k];
        Place(base + child.code, child.first, child.last, depth + 1);
    }
    children_.resize(firstChild);
}

// Only what a base plus a code can reach is kept.
void PhraseTrie::Builder::Trim()
{
    trie_.nodes_.resize(end_ + maxCode_);
}

PhraseTrie::PhraseTrie() : codes_(0x10000, 0), nodes_(1) {}

PhraseTrie::PhraseTrie(const std::vector<Key>& keys) : PhraseTrie()
{
    if (keys.empty())
        return;
    Builder builder(*this, keys);
    builder.AssignCodes();
    builder.Place(kRoot, 0, keys.size(), 0);
    builder.Trim();
}

}  // namespace tavrel
