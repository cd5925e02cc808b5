#include "engine/converter.h"
#include "tests/support/row_name.h"

#include <gtest/gtest.h>

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
        ConversionCase{"EmptyTableFDropsWhatTableJHolds", u"", u"国中", Direction::J2F, u"中a国人", u"a人"},
        ConversionCase{"EmptyTableFLeavesTraditionalAlone", u"", u"国中", Direction::F2J, u"中國", u"中國"},
        ConversionCase{"TableMayHoldLineFeed", u"\n", u"|", Direction::F2J, u"a\r\nb", u"a\r|b"},
        ConversionCase{"SurrogatesOneByOne", u"\xD840", u"\xD841", Direction::F2J, u"\xD840\xDC00", u"\xD841\xDC00"}),
    test::RowName());

}  // namespace
}  // namespace tavrel
