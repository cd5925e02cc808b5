// Arbitrary tables and text through F2J and J2F, compared with a plain linear
// search. Input:
// one byte each for the lengths of the Traditional and the Simplified table
// in code units, then UTF-16LE code units: the Traditional table, the
// Simplified table and the text, each cut to what is there.

#include "engine/converter.h"
#include "tests/fuzz/fuzz_check.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tavrel::fuzz {
namespace {

// A unit found first at position p of `searched` becomes the unit at p of
// `target`, or is dropped when `target` is shorter than that; a unit not
// found stays.
std::u16string ConvertBySearch(std::u16string_view searched, std::u16string_view target, std::u16string_view text)
{
    std::u16string result;
    for (const char16_t unit : text) {
        const std::size_t position = searched.find(unit);
        if (position == std::u16string_view::npos)
            result += unit;
        else if (position < target.size())
            result += target[position];
    }
    return result;
}

std::u16string TakeUnits(const std::uint8_t*& data, const std::uint8_t* end, std::size_t count)
{
    std::u16string units;
    for (; count > 0 && end - data >= 2; --count, data += 2)
        units += static_cast<char16_t>(data[0] | (data[1] << 8));
    return units;
}

// One converter for the whole run: building one costs more than most inputs,
// and SetTables must leave nothing of the tables it replaces.
Converter g_converter;

}  // namespace
}  // namespace tavrel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace tavrel;
    if (size < 2)
        return 0;
    const std::uint8_t* next = data + 2;
    const std::uint8_t* end = data + size;
    const std::u16string tableF = fuzz::TakeUnits(next, end, data[0]);
    const std::u16string tableJ = fuzz::TakeUnits(next, end, data[1]);
    const std::u16string text = fuzz::TakeUnits(next, end, size);
    fuzz::g_converter.SetTables(tableF, tableJ);
    fuzz::Require(fuzz::g_converter.F2J(text) == fuzz::ConvertBySearch(tableF, tableJ, text) &&
                      fuzz::g_converter.J2F(text) == fuzz::ConvertBySearch(tableJ, tableF, text),
                  "each direction converts through the first occurrence in its source table");
    return 0;
}
