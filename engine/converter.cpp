#include "engine/converter.h"

#include "engine/app_dir.h"
#include "engine/codec.h"
#include "engine/errors.h"
#include "engine/file_bytes.h"

#include <cstdint>

namespace tavrel {

namespace {

constexpr std::size_t kCodeUnits = 0x10000;

// The bytes of the first line: up to the first CR, which in UTF-16 files is a
// whole code unit and elsewhere a single byte (GBK and UTF-8 never use 0x0D
// inside a multibyte character).
std::string_view FirstLineBytes(std::string_view bytes)
{
    const bool littleEndian = bytes.starts_with("\xFF\xFE");
    if (littleEndian || bytes.starts_with("\xFE\xFF")) {
        const std::string_view cr = littleEndian ? std::string_view("\x0D\x00", 2) : std::string_view("\x00\x0D", 2);
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
            if (bytes.substr(i, 2) == cr)
                return bytes.substr(0, i);
        }
        return bytes;
    }
    return bytes.substr(0, bytes.find('\r'));
}

}  // namespace

std::u16string ReadTableLine(const std::filesystem::path& file)
{
    const std::string bytes = ReadFileBytes(file);
    if (bytes.empty())
        throw TableError(file);
    return DecodeText(FirstLineBytes(bytes), file).text;
}

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

Converter::Converter() : f2j_({}, {}), j2f_({}, {})
{
}

void Converter::LoadTables()
{
    LoadTables(ApplicationDirectory());
}

void Converter::LoadTables(const std::filesystem::path& directory)
{
    if (!tableF_.empty() && !tableJ_.empty())
        return;
    std::u16string tableF = ReadTableLine(directory / kTableFileF);
    std::u16string tableJ = ReadTableLine(directory / kTableFileJ);
    SetTables(std::move(tableF), std::move(tableJ));
}

void Converter::SetTables(std::u16string tableF, std::u16string tableJ)
{
    tableF_ = std::move(tableF);
    tableJ_ = std::move(tableJ);
    f2j_ = UnitMap(tableF_, tableJ_);
    j2f_ = UnitMap(tableJ_, tableF_);
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
    std::u16string result(text);
    ConvertInPlace(direction, result);
    return result;
}

void Converter::ConvertInPlace(Direction direction, std::u16string& text) const
{
    const UnitMap& map = Map(direction);
    if (!map.DropsAny()) {
        for (char16_t& unit : text)
            unit = map[unit];
        return;
    }
    std::size_t length = 0;
    for (const char16_t unit : text) {
        if (!map.Drops(unit))
            text[length++] = map[unit];
    }
    text.resize(length);
}

}  // namespace tavrel
