#pragma once

#include "engine/phrase_trie.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tavrel {

// Where in UTF-8 text a phrase may start, told by the characters there
// alone, so that the trie is walked only where one may: a bit for the first
// two units of each phrase of two, for the first three of each longer one,
// and for the first unit of any other. A phrase's characters of three bytes
// in UTF-8 (all but ASCII, a few alphabets and those beyond the BMP) are
// what the bits are taken from; when some phrase starts with another kind
// of character the filter is not used.
class PhraseStarts {
public:
    PhraseStarts() = default;
    explicit PhraseStarts(const std::vector<PhraseTrie::Key>& keys);

    // Whether every phrase starts with a character of three bytes.
    bool Usable() const { return !bits_.empty(); }

    // Gathers the offsets of the characters of a text where a phrase may
    // start, in order, from its three-byte characters given in order; most
    // of the others are left out. Each character is told once the two after
    // it are known: the offsets that pass are written without a branch,
    // which text that is now one kind of character, now another, would take
    // wrongly at almost every change.
    class Gatherer {
    public:
        // Writes from `starts` on, which has room for one offset more than
        // the characters to come.
        Gatherer(const PhraseStarts& filter, std::uint32_t* starts);

        void See(std::size_t offset, char16_t code)
        {
            const unsigned follows = older_ + 3 == newer_, followed = newer_ + 3 == offset;
            *end_ = static_cast<std::uint32_t>(older_);
            end_ += Test(lone_, olderCode_) |
                    (follows & (Test(pairs_, PairBit(olderCode_, newerCode_)) |
                                (followed & Test(pairs_, TripleBit(olderCode_, newerCode_, code)))));
            older_ = newer_;
            olderCode_ = newerCode_;
            newer_ = offset;
            newerCode_ = code;
        }

        // Tells the last two characters; returns the end of the offsets.
        std::uint32_t* Finish()
        {
            *end_ = static_cast<std::uint32_t>(older_);
            end_ += Test(lone_, olderCode_) | ((older_ + 3 == newer_) & Test(pairs_, PairBit(olderCode_, newerCode_)));
            *end_ = static_cast<std::uint32_t>(newer_);
            end_ += Test(lone_, newerCode_);
            return end_;
        }

    private:
        const std::uint64_t* pairs_;
        const std::uint64_t* lone_;
        std::uint32_t* end_;
        // The two characters before the current one, not yet told; at first
        // none, which no test passes.
        std::uint64_t older_ = kNone, newer_ = kNone + 32;
        char16_t olderCode_ = 0, newerCode_ = 0;
    };

    void Save(std::string& bytes) const;
    // Replaces the filter with one Save wrote at the front of `bytes`,
    // moving past it; false when the bytes are not such a filter.
    bool Load(std::string_view& bytes);

private:
    static constexpr unsigned kBits = 21;
    // The words of the pairs' and triples' bits, and of all the bits.
    static constexpr std::size_t kPairWords = (std::size_t{1} << kBits) / 64;
    static constexpr std::size_t kWords = kPairWords + 0x10000 / 64;
    static constexpr std::uint64_t kNone = ~std::uint64_t{0} - 64;

    static std::uint32_t PairBit(char16_t first, char16_t second)
    {
        return static_cast<std::uint32_t>((std::uint64_t{first} << 16 | second) * 0x9E3779B97F4A7C15ull >>
                                          (64 - kBits));
    }
    static std::uint32_t TripleBit(char16_t first, char16_t second, char16_t third)
    {
        return static_cast<std::uint32_t>((std::uint64_t{first} << 32 | std::uint64_t{second} << 16 | third) *
                                              0xD6E8FEB86659FD93ull >>
                                          (64 - kBits));
    }
    static unsigned Test(const std::uint64_t* bits, std::uint32_t bit)
    {
        return static_cast<unsigned>(bits[bit >> 6] >> (bit & 63)) & 1;
    }

    // 2^kBits bits for pairs and triples, then 2^16 for lone first units.
    std::vector<std::uint64_t> bits_;
};

}  // namespace tavrel
