#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tavrel {

// A double-array trie over UTF-16 code units: the child of a node for a unit
// is found in one step, at the node's base plus the unit's code, and belongs
// to the node when its check names the node. A walk through a text stops at
// the first unit no key continues with. Units get their codes by how often
// they occur in the keys, most often first, so that a node's children lie
// close together and the array stays small.
class PhraseTrie {
public:
    struct Key {
        std::u16string_view units;  // not empty
        std::uint32_t value;        // not 0
    };

    static constexpr std::uint32_t kRoot = 0;

    // A trie with no key.
    PhraseTrie();
    // From keys sorted in unit order, each key once.
    explicit PhraseTrie(const std::vector<Key>& keys);

    // The child of `node` for `unit`, or kRoot for none: the root is no
    // node's child.
    std::uint32_t Child(std::uint32_t node, char16_t unit) const
    {
        const std::uint32_t next = nodes_[node].base + codes_[unit];
        return checks_[next] == node ? next : kRoot;
    }

    // The value of the key that ends at `node`, or 0.
    std::uint32_t Value(std::uint32_t node) const { return nodes_[node].value; }

    // Appends the trie as bytes.
    void Save(std::string& bytes) const;
    // Replaces the trie with one Save wrote at the front of `bytes`, moving
    // past it; false, leaving the trie in no state to use, when the bytes
    // are not such a trie with values up to `values`: no walk then leaves
    // the arrays.
    bool Load(std::string_view& bytes, std::uint32_t values);

private:
    static constexpr std::uint32_t kFree = 0xFFFFFFFF;
    struct Node {
        std::uint32_t base = 0;
        std::uint32_t value = 0;
    };
    class Builder;

    // Code 0 for a unit in no key: base + 0 is never a node's child.
    std::vector<std::uint16_t> codes_;
    // Every base plus every code is inside both. The checks, which a walk
    // reads at every step, apart: more of them stay in the cache.
    std::vector<Node> nodes_;
    std::vector<std::uint32_t> checks_;
};

}  // namespace tavrel
