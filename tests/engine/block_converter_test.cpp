#include "engine/block_codec.h"
#include "engine/block_converter.h"
#include "engine/tables.h"
#include "tests/support/row_name.h"

#include <gtest/gtest.h>

#include <random>

namespace tavrel {
namespace {

// Random text in `encoding`, with a stray byte now and then if asked.
std::string RandomText(Encoding encoding, std::mt19937& random, bool strayBytes)
{
    std::string bytes;
    for (int i = 0; i < 4000; ++i) {
        const auto kind = random() % 10;
        std::u16string piece(1, static_cast<char16_t>(random()));  // any BMP unit
        if (kind < 4)
            piece[0] = static_cast<char16_t>(0x4E00 + random() % 0x51A6);  // Chinese
        else if (kind < 6)
            piece[0] = static_cast<char16_t>(0x20 + random() % 0x5F);  // printable ASCII
        else if (kind == 8)
            piece = u"\U0001F600\r\n";
        else if (kind == 9)
            piece = u"國爲";
        if (EncodeBlock(piece, encoding, bytes) == std::u16string_view::npos && strayBytes && i % 997 == 0)
            bytes += '\x81';
    }
    return bytes;
}

struct FusedCase {
    const char* name;
    Encoding encoding;
    const char16_t *tableF, *tableJ;  // nullptr: the shipped tables
    bool strayBytes;
    friend void PrintTo(const FusedCase& row, std::ostream* out) { *out << row.name; }
};

class FusedTest : public testing::TestWithParam<FusedCase> {};

// The fused paths must give exactly what decoding, converting and encoding
// give: the same bytes, or the same failure at the same place.
TEST_P(FusedTest, GivesWhatThePlainPathGives)
{
    const FusedCase& row = GetParam();
    Converter converter;
    if (row.tableF)
        converter.SetTables(row.tableF, row.tableJ);
    else
        LoadTables(converter);
    std::mt19937 random(7);
    std::string texts[] = {std::string(), RandomText(row.encoding, random, row.strayBytes)};
    for (char16_t unit = 0; row.encoding == Encoding::Gbk && unit < 0xFFFF; ++unit)
        EncodeBlock(std::u16string_view(&unit, 1), Encoding::Gbk, texts[0]);  // every character GBK has
    for (const Direction direction : {Direction::F2J, Direction::J2F}) {
        const BlockConverter blocks(converter, direction, row.encoding, row.encoding);
        for (const std::string& text : texts) {
            ByteBuffer fused, plain;
            const BlockFailure fusedFailure = blocks.Convert(text, fused);
            const BlockFailure plainFailure = blocks.ConvertPlain(text, plain);
            ASSERT_EQ(fusedFailure.kind, plainFailure.kind);
            EXPECT_EQ(fusedFailure.offset, plainFailure.offset);
            if (plainFailure.kind == BlockFailure::Kind::None) {
                EXPECT_EQ(fused.View(), plain.View());
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, FusedTest,
    testing::Values(FusedCase{"GbkShippedTables", Encoding::Gbk, nullptr, nullptr, true},
                    FusedCase{"GbkDroppingAndUnencodable", Encoding::Gbk, u"國爲a\u00E9", u"国\u00E9", false},
                    FusedCase{"Utf8ShippedTables", Encoding::Utf8, nullptr, nullptr, true},
                    FusedCase{"Utf8SurrogatesMappedAndDropped", Encoding::Utf8, u"\xD83D國a爲", u"\xD83E国b", false},
                    FusedCase{"Utf16LEShippedTables", Encoding::Utf16LE, nullptr, nullptr, false},
                    FusedCase{"Utf16BEDropping", Encoding::Utf16BE, u"國爲", u"国", false},
                    FusedCase{"Utf16LESurrogatesMapped", Encoding::Utf16LE, u"\xDE00", u"\xDE01", false}),
    test::RowName());

}  // namespace
}  // namespace tavrel
