#include "engine/converter.h"
#include "tests/support/row_name.h"

#include <gtest/gtest.h>

#include <random>

namespace tavrel {
namespace {

struct ConversionCase {
    const char* name;
    std::u16string tableF, tableJ;
    Direction direction;
    std::u16string input, expected;
    friend void PrintTo(const ConversionCase& row, std::ostream* out) { *out << row.name; }
};

class ConversionTest : public testing::TestWithParam<ConversionCase> {};

TEST_P(ConversionTest, ConvertsAsTheTablesSay)
{
    const ConversionCase& c = GetParam();
    Converter converter;
    converter.SetTables(c.tableF, c.tableJ);
    EXPECT_EQ(converter.Convert(c.direction, c.input), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ConversionTest,
    testing::Values(
        ConversionCase{"EmptyInput", u"國", u"国", Direction::F2J, u"", u""},
        ConversionCase{"ToSimplifiedOthersPassThrough", u"國", u"国", Direction::F2J, u"a\r\n中國。", u"a\r\n中国。"},
        ConversionCase{"ToTraditional", u"國", u"国", Direction::J2F, u"中国", u"中國"},
        ConversionCase{"FirstOccurrenceWins", u"123456789國國", u"123456789国X", Direction::F2J, u"國", u"国"},
        ConversionCase{"EmptyTableFDropsWhatTableJHolds", u"", u"国中", Direction::J2F, u"中国人", u"人"},
        ConversionCase{"EmptyTableFLeavesTraditionalAlone", u"", u"国中", Direction::F2J, u"中國", u"中國"},
        ConversionCase{"TableMayHoldLineFeed", u"\n", u"|", Direction::F2J, u"a\r\nb", u"a\r|b"},
        ConversionCase{"SurrogatesOneByOne", u"\xD840", u"\xD841", Direction::F2J, u"\xD840\xDC00",
                       u"\xD841\xDC00"}),
    test::RowName());

// The maps must give exactly what a first-occurrence linear search gives,
// duplicates and unequal lengths included.
TEST(ConverterTest, AgreesWithLinearSearchOnRandomTables)
{
    const auto linear = [](std::u16string_view searched, std::u16string_view target, std::u16string_view text) {
        std::u16string result;
        for (const char16_t unit : text) {
            const std::size_t at = searched.find(unit);
            if (at == std::u16string_view::npos || at < target.size())
                result += at == std::u16string_view::npos ? unit : target[at];
        }
        return result;
    };
    std::mt19937 random(20261206);
    const auto randomText = [&] {
        std::u16string text(random() % 40, u'\0');
        for (char16_t& unit : text)
            unit = static_cast<char16_t>(0x4E00 + random() % 32);
        return text;
    };
    for (int round = 0; round < 200; ++round) {
        const std::u16string tableF = randomText(), tableJ = randomText(), text = randomText();
        Converter converter;
        converter.SetTables(tableF, tableJ);
        ASSERT_EQ(converter.F2J(text), linear(tableF, tableJ, text)) << "round " << round;
        ASSERT_EQ(converter.J2F(text), linear(tableJ, tableF, text)) << "round " << round;
    }
}

}  // namespace
}  // namespace tavrel
