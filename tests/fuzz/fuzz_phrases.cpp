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
#include <iterator>
#include <memory>
#include <string>
#include <string_view>

namespace tavrel::fuzz {
namespace {

constexpr std::string_view kAlphabet[] = {"头", "发", "后", "长", "一", "只", "手", "台",
                                          "a", ".", "\n", " ", "é", "\U00020000", "髮", "後"};

// The UTF-8 of up to `count` characters, one for each byte taken.
std::string Take(const std::uint8_t*& data, const std::uint8_t* end, std::size_t count)
{
    std::string bytes;
    for (; count > 0 && data < end; --count)
        bytes += kAlphabet[*data++ % std::size(kAlphabet)];
    return bytes;
}

}  // namespace
}  // namespace tavrel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace tavrel;
    if (size < 2)
        return 0;
    const std::string before(BlockConverter::kFusedMinimum + (data[0] & 63), '.');
    const std::uint8_t* next = data + 2;
    const std::uint8_t* const end = data + size;
    auto phrases = std::make_shared<PhraseMatcher>();
    for (unsigned count = data[1] & 7; count > 0 && next < end; --count) {
        const std::uint8_t lengths = *next++;
        // The source first: its bytes come before the target's.
        const std::string source = fuzz::Take(next, end, 1 + (lengths & 3));
        phrases->Add(source, fuzz::Take(next, end, lengths >> 2 & 7));
    }
    const std::string bytes = before + fuzz::Take(next, end, size);
    std::u16string text;
    DecodeUtf8(bytes, text);
    Converter converter;
    converter.SetTables(u"發後", u"发后");
    converter.SetPhrases(Direction::J2F, phrases);
    ByteBuffer out;
    const BlockFailure failure =
        BlockConverter(converter, Direction::J2F, Encoding::Utf8, Encoding::Utf8).Convert(bytes, out);
    std::string expected;
    EncodeUtf8(converter.J2F(text), expected);
    fuzz::Require(failure.kind == BlockFailure::Kind::None && out.View() == expected,
                  "UTF-8 to UTF-8 gives the decoded text's conversion");
    return 0;
}
