// Phrases from UTF-8 to UTF-8 through the block converter (the in-place
// pass with its filter of phrase starts, or the one-pass loop) compared with
// the conversion of the decoded text. The dictionary and the text are made
// of a few characters: Chinese ones the tables map and ones they do not,
// ASCII, a line end, a two-byte and a four-byte one. Input: a byte for the
// ASCII before the text (its low six bits, past the fused path's minimum,
// so that the text starts anywhere in a 64-byte window), a byte for the
// number of phrases (its low three bits), for each a byte with the lengths
// of its source (1 to 4) and target (0 to 7) in characters and a byte a
// character, then the text, a byte a character.

#include "engine/block_converter.h"
#include "engine/converter.h"
#include "engine/phrases.h"
#include "engine/utf.h"
#include "tests/fuzz/fuzz_check.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace tavrel::fuzz {
namespace {

constexpr std::u32string_view kAlphabet = U"头发后长一只手台a.\n é\U00020000髮後";

std::u16string Take(const std::uint8_t*& data, const std::uint8_t* end, std::size_t count)
{
    std::u32string characters;
    for (; count > 0 && data < end; --count)
        characters += kAlphabet[*data++ % kAlphabet.size()];
    std::u16string units;
    for (const char32_t c : characters) {
        if (c < 0x10000) {
            units += static_cast<char16_t>(c);
        } else {
            units += static_cast<char16_t>(0xD7C0 + (c >> 10));
            units += static_cast<char16_t>(0xDC00 | (c & 0x3FF));
        }
    }
    return units;
}

std::string Utf8(std::u16string_view units)
{
    std::string bytes;
    EncodeUtf8(units, bytes);
    return bytes;
}

}  // namespace
}  // namespace tavrel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace tavrel;
    if (size < 2)
        return 0;
    const std::u16string before(BlockConverter::kFusedMinimum + (data[0] & 63), u'.');
    const std::uint8_t* next = data + 2;
    const std::uint8_t* const end = data + size;
    auto phrases = std::make_shared<PhraseMatcher>();
    for (unsigned count = data[1] & 7; count > 0 && next < end; --count) {
        const std::uint8_t lengths = *next++;
        const std::u16string source = fuzz::Take(next, end, 1 + (lengths & 3));
        const std::u16string target = fuzz::Take(next, end, lengths >> 2 & 7);
        phrases->Add(fuzz::Utf8(source), fuzz::Utf8(target));
    }
    const std::u16string text = before + fuzz::Take(next, end, size);
    Converter converter;
    converter.SetTables(u"發後", u"发后");
    converter.SetPhrases(Direction::J2F, phrases);
    ByteBuffer out;
    const BlockFailure failure =
        BlockConverter(converter, Direction::J2F, Encoding::Utf8, Encoding::Utf8).Convert(fuzz::Utf8(text), out);
    fuzz::Require(failure.kind == BlockFailure::Kind::None && out.View() == fuzz::Utf8(converter.J2F(text)),
                  "UTF-8 to UTF-8 gives the decoded text's conversion");
    return 0;
}
