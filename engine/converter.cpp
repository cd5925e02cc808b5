#include "engine/converter.h"

#include "engine/phrases.h"

#include <cstdint>

namespace tavrel {

namespace {

constexpr std::size_t kCodeUnits = 0x10000;

}  // namespace

UnitMap::UnitMap(std::u16string_view searched, std::u16string_view target)
    : target_(kCodeUnits), dropped_(kCodeUnits, false)
{
    for (std::size_t unit = 0; unit < kCodeUnits; ++unit)
        target_[unit] = static_cast<char16_t>(unit);
    std::vector<bool> seen(kCodeUnits, false);
    for (std::size_t position = 0; position < searched.size(); ++position) {
        const char16_t unit = searched[position];
        if (seen[unit])
            continue;
        seen[unit] = true;
        if (position < target.size()) {
            target_[unit] = target[position];
        } else {
            dropped_[unit] = true;
            dropsAny_ = true;
        }
    }
}

bool UnitMap::KeepsRange(char16_t first, char16_t last) const
{
    for (std::size_t unit = first; unit <= last; ++unit) {
        if (target_[unit] != unit || dropped_[unit])
            return false;
    }
    return true;
}

void UnitMap::Apply(std::u16string& text) const
{
    if (!dropsAny_) {
        for (char16_t& unit : text)
            unit = target_[unit];
        return;
    }
    std::size_t length = 0;
    for (const char16_t unit : text) {
        if (!dropped_[unit])
            text[length++] = target_[unit];
    }
    text.resize(length);
}

void Converter::SetTables(std::u16string tableF, std::u16string tableJ)
{
    std::lock_guard lock(mapsMutex_);
    tableF_ = std::move(tableF);
    tableJ_ = std::move(tableJ);
    f2jBuilt_ = false;
    j2fBuilt_ = false;
}

const UnitMap& Converter::Map(Direction direction) const
{
    std::lock_guard lock(mapsMutex_);
    const bool f2j = direction == Direction::F2J;
    bool& built = f2j ? f2jBuilt_ : j2fBuilt_;
    UnitMap& map = f2j ? f2j_ : j2f_;
    if (!built) {
        map = f2j ? UnitMap(tableF_, tableJ_) : UnitMap(tableJ_, tableF_);
        built = true;
    }
    return map;
}

void Converter::SetPhrases(Direction direction, std::shared_ptr<const PhraseMatcher> phrases)
{
    (direction == Direction::F2J ? f2jPhrases_ : j2fPhrases_) = std::move(phrases);
}

const PhraseMatcher* Converter::Phrases(Direction direction) const
{
    return (direction == Direction::F2J ? f2jPhrases_ : j2fPhrases_).get();
}

std::u16string Converter::F2J(std::u16string_view text) const
{
    return Convert(Direction::F2J, text);
}

std::u16string Converter::J2F(std::u16string_view text) const
{
    return Convert(Direction::J2F, text);
}

std::u16string Converter::Convert(Direction direction, std::u16string_view text) const
{
    if (const PhraseMatcher* phrases = Phrases(direction)) {
        std::u16string result;
        phrases->Convert(text, Map(direction), result);
        return result;
    }
    std::u16string result(text);
    Map(direction).Apply(result);
    return result;
}

}  // namespace tavrel
