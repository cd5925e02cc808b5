#include "engine/phrase_starts.h"

#include "engine/byte_image.h"

#include <algorithm>

namespace tavrel {

namespace {

bool ThreeBytes(char16_t unit)
{
    return unit >= 0x800 && (unit < 0xD800 || unit > 0xDFFF);
}

void Set(std::uint64_t* bits, std::uint32_t bit)
{
    bits[bit >> 6] |= std::uint64_t{1} << (bit & 63);
}

}  // namespace

PhraseStarts::PhraseStarts(const std::vector<PhraseTrie::Key>& keys)
{
    if (keys.empty() || !std::all_of(keys.begin(), keys.end(), [](const PhraseTrie::Key& key) {
            return ThreeBytes(key.units[0]);
        }))
        return;
    bits_.assign(((std::size_t{1} << kBits) + 0x10000) / 64, 0);
    std::uint64_t* const lone = bits_.data() + (std::size_t{1} << kBits) / 64;
    for (const PhraseTrie::Key& key : keys) {
        const std::u16string_view units = key.units;
        if (units.size() == 2 && ThreeBytes(units[1]))
            Set(bits_.data(), PairBit(units[0], units[1]));
        else if (units.size() > 2 && ThreeBytes(units[1]) && ThreeBytes(units[2]))
            Set(bits_.data(), TripleBit(units[0], units[1], units[2]));
        else
            Set(lone, units[0]);
    }
}

PhraseStarts::Gatherer::Gatherer(const PhraseStarts& filter, std::uint32_t* starts)
    : pairs_(filter.bits_.data()), lone_(pairs_ + (std::size_t{1} << kBits) / 64), end_(starts)
{
}

void PhraseStarts::Save(std::string& bytes) const
{
    image::Append(bytes, bits_);
}

bool PhraseStarts::Load(std::string_view& bytes)
{
    return image::Take(bytes, bits_) &&
           (bits_.empty() || bits_.size() == ((std::size_t{1} << kBits) + 0x10000) / 64);
}

}  // namespace tavrel
