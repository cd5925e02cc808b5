#include "engine/phrase_trie.h"

#include "engine/byte_image.h"

#include <algorithm>

namespace tavrel {

// Places the nodes a level at a time, so that the first levels, which every
// walk goes through, lie together at the front: each node's children at the
// first base where every one of their slots is free, found through a list of
// the free slots. Free slots left far behind the end are given up, so that a
// search never runs over the whole array: a few stay empty.
class PhraseTrie::Builder {
public:
    Builder(PhraseTrie& trie, const std::vector<Key>& keys) : trie_(trie), keys_(keys) {}

    void AssignCodes();
    void PlaceAll();
    void Trim();

private:
    struct Child {
        std::uint32_t node;  // its slot, once placed
        std::uint32_t first, last;  // its keys, all longer than its depth
        std::uint16_t code;
    };
    static constexpr std::size_t kWindow = 4096;

    // Places the children of `parent` (at `depth`), adding them to `next`.
    void Place(const Child& parent, std::size_t depth, std::vector<Child>& next);
    void Grow(std::size_t size);
    void Take(std::uint32_t slot);
    std::uint32_t FindBase();
    bool Fits(std::uint32_t base);

    PhraseTrie& trie_;
    const std::vector<Key>& keys_;
    std::vector<Child> children_;  // of the node being placed
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
    const auto old = static_cast<std::uint32_t>(trie_.checks_.size());
    trie_.nodes_.resize(size);
    trie_.checks_.resize(size, kFree);
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

bool PhraseTrie::Builder::Fits(std::uint32_t base)
{
    if (trie_.checks_.size() <= base + maxCode_)
        Grow(std::max<std::size_t>(base + maxCode_ + 1, trie_.checks_.size() * 3 / 2));
    return std::all_of(children_.begin(), children_.end(),
                       [&](const Child& child) { return trie_.checks_[base + child.code] == kFree; });
}

std::uint32_t PhraseTrie::Builder::FindBase()
{
    while (nextFree_[0] != 0 && nextFree_[0] + kWindow < end_)
        Take(nextFree_[0]);
    const std::uint16_t lowest =
        std::min_element(children_.begin(), children_.end(), [](const Child& a, const Child& b) {
            return a.code < b.code;
        })->code;
    // The slot of the child with the lowest code runs over the free slots.
    for (std::uint32_t slot = nextFree_[0];; slot = nextFree_[slot]) {
        if (slot == 0) {
            slot = static_cast<std::uint32_t>(trie_.checks_.size());
            Grow(trie_.checks_.size() * 3 / 2);
        }
        if (slot >= lowest && Fits(slot - lowest))
            return slot - lowest;
    }
}

void PhraseTrie::Builder::Place(const Child& parent, std::size_t depth, std::vector<Child>& next)
{
    children_.clear();
    for (std::uint32_t k = parent.first; k < parent.last;) {
        const char16_t unit = keys_[k].units[depth];
        const std::uint32_t from = k;
        while (k < parent.last && keys_[k].units[depth] == unit)
            ++k;
        children_.push_back({0, from, k, trie_.codes_[unit]});
    }
    const std::uint32_t base = FindBase();
    trie_.nodes_[parent.node].base = base;
    for (Child& child : children_) {
        child.node = base + child.code;
        trie_.checks_[child.node] = parent.node;
        Take(child.node);
        end_ = std::max<std::size_t>(end_, child.node + 1);
        if (keys_[child.first].units.size() == depth + 1)
            trie_.nodes_[child.node].value = keys_[child.first++].value;
        if (child.first < child.last)
            next.push_back(child);
    }
}

void PhraseTrie::Builder::PlaceAll()
{
    std::vector<Child> level{{kRoot, 0, static_cast<std::uint32_t>(keys_.size()), 0}};
    std::vector<Child> next;
    for (std::size_t depth = 0; !level.empty(); ++depth) {
        for (const Child& parent : level)
            Place(parent, depth, next);
        level.swap(next);
        next.clear();
    }
}

// Only what a base plus a code can reach is kept.
void PhraseTrie::Builder::Trim()
{
    trie_.nodes_.resize(end_ + maxCode_);
    trie_.checks_.resize(end_ + maxCode_);
}

PhraseTrie::PhraseTrie() : codes_(0x10000, 0), nodes_(1), checks_(1, kFree) {}

PhraseTrie::PhraseTrie(const std::vector<Key>& keys) : PhraseTrie()
{
    if (keys.empty())
        return;
    Builder builder(*this, keys);
    builder.AssignCodes();
    builder.PlaceAll();
    builder.Trim();
}

void PhraseTrie::Save(std::string& bytes) const
{
    image::Append(bytes, codes_);
    image::Append(bytes, nodes_);
    image::Append(bytes, checks_);
}

bool PhraseTrie::Load(std::string_view& bytes, std::uint32_t values)
{
    if (!image::Take(bytes, codes_) || !image::Take(bytes, nodes_) || !image::Take(bytes, checks_) ||
        codes_.size() != 0x10000 || nodes_.empty() || nodes_.size() != checks_.size())
        return false;
    const std::uint64_t maxCode = *std::max_element(codes_.begin(), codes_.end());
    return std::all_of(nodes_.begin(), nodes_.end(), [&](const Node& node) {
        return node.base + maxCode < nodes_.size() && node.value <= values;
    });
}

}  // namespace tavrel
