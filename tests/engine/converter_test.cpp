#include "engine/converter.h"
#include "tests/support/temp_dir.h"

#include "tests/support/row_name.h"

#include <gtest/gtest.h>

#include <random>

namespace tavrel {
namespace {

using test::U16;

struct ConversionCase {
    const char* name;
    friend void PrintTo(const ConversionCase& row, std::ostream* out) { *out << row.name; }
    std::u16string tableF;
    std::u16string tableJ;
    Direction direction;
    std::u16string input;
    std::u16string expected;
};

class ConversionTest : public testing::TestWithParam<ConversionCase> {};

TEST_P(ConversionTest, ConvertsAsTheTablesSay)
{
    const ConversionCase& c = GetParam();
    Converter converter;
    converter.SetTables(c.tableF, c.tableJ);
    EXPECT_EQ(converter.Convert(c.direction, c.input), c.expected);
}

const std::u16string kNine = u"123456789";

INSTANTIATE_TEST_SUITE_P(
    Rules, ConversionTest,
    testing::Values(
        ConversionCase{"EmptyInputToSimplified", u"國", u"国", Direction::F2J, u"", u""},
        ConversionCase{"EmptyInputWithEmptyTables", u"", u"", Direction::J2F, u"", u""},
        ConversionCase{"ExampleToSimplified", u"國", u"国", Direction::F2J, u"中國", u"中国"},
        ConversionCase{"ExampleToTraditional", u"國", u"国", Direction::J2F, u"中国", u"中國"},
        ConversionCase{"UnknownCharactersAndLineEndsPassThrough", u"國", u"国", Direction::F2J,
                       u"a 1,\r\n中。", u"a 1,\r\n中。"},
        ConversionCase{"FirstOccurrenceAtTenBeatsEleven", kNine + u"國國", kNine + u"国X", Direction::F2J,
                       u"國", u"国"},
        ConversionCase{"FirstOccurrenceInTargetDirection", u"為爲", u"为为", Direction::J2F, u"为", u"為"},
        ConversionCase{"LaterDuplicatesStillConvert", u"為爲", u"为为", Direction::F2J, u"爲為", u"为为"},
        ConversionCase{"EmptyTableFDropsEverythingTableJHolds", u"", u"国中", Direction::J2F, u"中国人",
                       u"人"},
        ConversionCase{"EmptyTableFLeavesTraditionalUnchanged", u"", u"国中", Direction::F2J, u"中國",
                       u"中國"},
        ConversionCase{"ShorterTargetDropsOnlyBeyondItsEnd", u"甲乙丙", u"ab", Direction::F2J, u"丙甲乙丙",
                       u"ab"},
        ConversionCase{"TableMayHoldLineFeed", u"\n", u"|", Direction::F2J, u"a\r\nb", u"a\r|b"},
        ConversionCase{"SurrogatesAreLookedUpOneByOne", u"\xD840", u"\xD841", Direction::F2J,
                       u"\xD840\xDC00", u"\xD841\xDC00"}),
    test::RowName());

// The maps must give exactly what a first-occurrence linear search gives,
// duplicates and unequal lengths included.
std::u16string LinearSearchConvert(std::u16string_view searched, std::u16string_view target,
                                   std::u16string_view text)
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

TEST(ConverterTest, AgreesWithLinearSearchOnRandomTables)
{
    std::mt19937 random(20261206);
    std::uniform_int_distribution<int> unit(0x4E00, 0x4E20);
    std::uniform_int_distribution<int> length(0, 40);
    for (int round = 0; round < 200; ++round) {
        std::u16string tableF, tableJ, text;
        for (int i = length(random); i > 0; --i)
            tableF += static_cast<char16_t>(unit(random));
        for (int i = length(random); i > 0; --i)
            tableJ += static_cast<char16_t>(unit(random));
        for (int i = length(random); i > 0; --i)
            text += static_cast<char16_t>(unit(random));
        Converter converter;
        converter.SetTables(tableF, tableJ);
        ASSERT_EQ(converter.F2J(text), LinearSearchConvert(tableF, tableJ, text)) << "round " << round;
        ASSERT_EQ(converter.J2F(text), LinearSearchConvert(tableJ, tableF, text)) << "round " << round;
    }
}

// Guards against a 16-bit length: a million code units convert in full.
TEST(ConverterTest, ConvertsAMillionCodeUnits)
{
    Converter converter;
    converter.SetTables(u"國", u"国");
    std::u16string text;
    for (int i = 0; i < 500000; ++i)
        text += u"國a";
    const std::u16string result = converter.F2J(text);
    ASSERT_EQ(result.size(), 1000000u);
    EXPECT_EQ(result.substr(0, 4), u"国a国a");
    EXPECT_EQ(result.substr(999996), u"国a国a");
}

// Guards against a 16-bit table position: an entry past 32767 still works.
TEST(ConverterTest, UsesEntriesBeyondPosition32767)
{
    std::u16string tableF(40000, u'x'), tableJ(40000, u'y');
    tableF[39999] = u'國';
    tableJ[39999] = u'国';
    Converter converter;
    converter.SetTables(tableF, tableJ);
    EXPECT_EQ(converter.F2J(u"中國"), u"中国");
    EXPECT_EQ(converter.J2F(u"中国"), u"中國");
}

}  // namespace
}  // namespace tavrel
