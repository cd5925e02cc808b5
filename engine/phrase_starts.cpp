#include "engine/phrase_starts.h"

#include "engine/byte_image.h"
#include "engine/utf.h"

#include <algorithm>

namespace tavrel {

namespace {

void Set(std::uint64_t* bits, std::uint32_t bit)
{
    bits[bit >> 6] |= std::uint64_t{1} << (bit & 63);
}

}  // namespace

PhraseStarts::PhraseStarts(const std::vector<PhraseTrie::Key>& keys)
{
    if (keys.empty() || !std::all_of(keys.begin(), keys.end(), [](const PhraseTrie::Key& key) {
            return IsThreeByteUnit(key.units[0]);
        }))
        return;
    bits_.assign(kWords, 0);
    std::uint64_t* const lone = bits_.data() + kPairWords;
    for (const PhraseTrie::Key& key : keys) {
        const std::u16string_view units = key.units;
        if (units.size() == 2 && IsThreeByteUnit(units[1]))
            Set(bits_.data(), PairBit(units[0], units[1]));
        else if (units.size() > 2 && IsThreeByteUnit(units[1]) && IsThreeByteUnit(units[2]))
            Set(bits_.data(), TripleBit(units[0], units[1], units[2]));
        else
            Set(lone, units[0]);
    }
}

PhraseStarts::Gatherer::Gatherer(const PhraseStarts& filter, std::uint32_t* starts)
    : pairs_(filter.bits_.data()), lone_(pairs_ + kPairWords), end_(starts)
{
}

void PhraseStarts::Save(std::string& bytes) const
{
    image::Append(bytes, bits_);
}

bool PhraseStarts::Load(std::string_view& bytes)
{
    return image::Take(bytes, bits_) && (bits_.empty() || bits_.size() == kWords);
}

}  // namespace tavrel
