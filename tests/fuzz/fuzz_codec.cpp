// Detection, decoding and encoding on arbitrary bytes: whatever decodes
// encodes back to exactly the same bytes, and whatever does not is a
// DecodeError pointing inside the input. Any other exception is a crash.

#include "engine/codec.h"
#include "engine/errors.h"
#include "tests/fuzz/fuzz_check.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tavrel::fuzz {
namespace {

void CheckDetected(std::string_view bytes)
{
    DecodedText decoded;
    try {
        decoded = DecodeText(bytes, "in.txt");
    } catch (const DecodeError& error) {
        Require(error.byteOffset() < bytes.size(), "DecodeText: error offset inside the input");
        return;
    }
    Require(EncodeText(decoded.text, decoded.encoding, "out.txt") == bytes,
            "DecodeText: encoding back gives the same bytes");
}

void CheckEncoding(std::string_view bytes, Encoding encoding)
{
    std::u16string text;
    try {
        text = DecodeBytes(bytes, encoding, "in.txt");
    } catch (const DecodeError& error) {
        Require(error.byteOffset() < bytes.size(), "DecodeBytes: error offset inside the input");
        return;
    }
    const std::string expected = std::string(ByteOrderMark(encoding)) + std::string(bytes);
    Require(EncodeText(text, encoding, "out.txt") == expected, "DecodeBytes: encoding back gives the same bytes");
}

}  // namespace
}  // namespace tavrel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    tavrel::fuzz::CheckDetected(bytes);
    for (const tavrel::Encoding encoding : tavrel::AllEncodings())
        tavrel::fuzz::CheckEncoding(bytes, encoding);
    return 0;
}
