// Detection, decoding and encoding on arbitrary bytes: whatever decodes
// encodes back to exactly the same bytes, and whatever does not is a
// DecodeError pointing inside the input. Any other exception is a crash.
// Big5 is the one exception: a few of its byte pairs come back as another.

#include "engine/codec.h"
#include "tests/support/text_codec.h"
#include "engine/errors.h"
#include "tests/fuzz/fuzz_check.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace tavrel::fuzz {
namespace {

// Windows code page 950 decodes each first pair of these to the character the
// second pair stands for, and encodes that character as the second pair. A
// Big5 file holding one of the first pairs is written back with the second.
constexpr std::pair<std::string_view, std::string_view> kBig5Duplicates[] = {
    {"\xA2\xA4", "\xF9\xF9"}, {"\xA2\xA5", "\xF9\xE9"}, {"\xA2\xA6", "\xF9\xEA"}, {"\xA2\xA7", "\xF9\xEB"},
    {"\xA2\xCC", "\xA4\x51"}, {"\xA2\xCE", "\xA4\xCA"}, {"\xF9\xFA", "\xA2\x7E"}, {"\xF9\xFB", "\xA2\xA1"},
    {"\xF9\xFC", "\xA2\xA2"}, {"\xF9\xFD", "\xA2\xA3"},
};

// The bytes encoding the decoded text gives back: the input itself, but in
// Big5 with every duplicate pair replaced by the one the encoder writes.
std::string Expected(std::string_view bytes, Encoding encoding)
{
    std::string expected(ByteOrderMark(encoding));
    if (encoding != Encoding::Big5)
        return expected.append(bytes);
    for (std::size_t i = 0; i < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        const std::size_t length = lead >= 0x81 && lead <= 0xFE ? 2 : 1;
        std::string_view character = bytes.substr(i, length);
        for (const auto& [duplicate, written] : kBig5Duplicates)
            character = character == duplicate ? written : character;
        expected.append(character);
        i += length;
    }
    return expected;
}

// Decoding as `declared`, or as detected, either gives text that encodes back
// to the expected bytes (of the input after its byte-order mark, if detection
// read one) or throws a DecodeError inside the input.
void Check(std::string_view bytes, std::optional<Encoding> declared)
{
    try {
        const DecodedText decoded = declared ? DecodedText{test::DecodeBytes(bytes, *declared, "in.txt"), *declared}
                                             : DecodeText(bytes, "in.txt");
        const std::string_view content = bytes.substr(declared ? 0 : ByteOrderMark(decoded.encoding).size());
        Require(test::EncodeText(decoded.text, decoded.encoding, "out.txt") == Expected(content, decoded.encoding),
                "encoding the decoded text back gives the bytes");
    } catch (const DecodeError& error) {
        const std::string message = error.what();
        const std::size_t at = message.find("字节偏移 ") + std::string("字节偏移 ").size();
        Require(std::stoull(message.substr(at)) < bytes.size(), "a decode error's offset is inside the input");
    }
}

}  // namespace
}  // namespace tavrel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace tavrel;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    fuzz::Check(bytes, std::nullopt);
    for (const Encoding encoding : AllEncodings())
        fuzz::Check(bytes, encoding);
    return 0;
}
