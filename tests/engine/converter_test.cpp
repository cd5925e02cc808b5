#include "engine/converter.h"
#include "engine/errors.h"
#include "engine/tables.h"
#include "tests/support/row_name.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <optional>

namespace tavrel {
namespace {

using test::Gbk;

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
        ConversionCase{"FirstOccurrenceWinsOthersPassThrough", u"123456789國國", u"123456789国X", Direction::F2J,
                       u"a\r\n中國。", u"a\r\n中国。"},
        ConversionCase{"EmptyTableFDropsWhatTableJHolds", u"", u"国中", Direction::J2F, u"中a国人", u"a人"},
        ConversionCase{"SurrogatesOneByOne", u"\xD840", u"\xD841", Direction::F2J, u"\xD840\xDC00", u"\xD841\xDC00"}),
    test::RowName());

struct TableFileCase {
    const char* name;
    std::optional<std::string> bytesF, bytesJ;  // nullopt: no such file
    std::u16string expectedF, expectedJ;
    const char *failingFile = nullptr, *reason = nullptr;  // when loading fails: the file the error names, and why
    friend void PrintTo(const TableFileCase& row, std::ostream* out) { *out << row.name; }
};

class TableFileTest : public testing::TestWithParam<TableFileCase> {};

// A failure leaves the tables as they were: empty.
TEST_P(TableFileTest, LoadsTheFirstLinesOrNamesTheFailingFile)
{
    const TableFileCase& c = GetParam();
    test::TempDir dir;
    if (c.bytesF)
        test::WriteBytes(dir / kTableFileF, *c.bytesF);
    if (c.bytesJ)
        test::WriteBytes(dir / kTableFileJ, *c.bytesJ);
    Converter converter;
    try {
        LoadTables(converter, dir.path());
        EXPECT_EQ(c.failingFile, nullptr) << "no error";
    } catch (const Error& error) {
        ASSERT_NE(c.failingFile, nullptr) << error.what();
        EXPECT_EQ(error.File(), dir / c.failingFile);
        const std::string message = error.what();
        EXPECT_NE(message.find("“" + (dir / c.failingFile).string() + "”"), std::string::npos) << message;
        EXPECT_NE(message.find(c.reason), std::string::npos) << message;
    }
    EXPECT_EQ(converter.TableF(), c.expectedF);
    EXPECT_EQ(converter.TableJ(), c.expectedJ);
}

INSTANTIATE_TEST_SUITE_P(
    Files, TableFileTest,
    testing::Values(
        TableFileCase{"CrLfOrLoneCrEndsTheLine", Gbk("國\r\n中"), Gbk("国\r中"), u"國", u"国"},
        TableFileCase{"LoneLfIsAnEntry", Gbk("國\n中"), Gbk("国\n中"), u"國\n中", u"国\n中"},
        TableFileCase{"EmptyFirstLinesAreEmptyTables", "\r\n" + Gbk("國"), "\r", u"", u""},
        TableFileCase{"CtrlZAndSpacesAreEntries", "\x1A a", "b \x1A", u"\x1A a", u"b \x1A"},
        TableFileCase{"BadBytesAfterTheFirstLineAreIgnored", Gbk("國") + "\r\n\x81", Gbk("国"), u"國", u"国"},
        TableFileCase{"Utf8AndUtf16", "\xEF\xBB\xBF國\r\n", std::string("\xFE\xFF\x56\xFD\x00\x0D", 6), u"國",
                      u"国"},
        TableFileCase{"BothMissingStopsAtTraditional", {}, {}, u"", u"", kTableFileF, "No such file or directory"},
        TableFileCase{"SimplifiedMissing", Gbk("國"), {}, u"", u"", kTableFileJ, "No such file or directory"},
        TableFileCase{"EmptyFileHoldsNoLine", "", Gbk("国"), u"", u"", kTableFileF, "没有任何一行"},
        TableFileCase{"InvalidBytesGiveTheirOffset", Gbk("國國") + "\x81\x7F", Gbk("国"), u"", u"", kTableFileF,
                      "字节偏移 4"}),
    test::RowName());

// The tests run from the build's program directory, beside the shipped
// tables; those are read because one table is empty, and then no more.
TEST(LoadTablesTest, ReadsTheShippedTablesOnlyWhenATableIsEmpty)
{
    Converter converter;
    converter.SetTables(u"國", u"");
    LoadTables(converter);
    EXPECT_EQ(converter.F2J(u"中國"), u"中国");
    EXPECT_EQ(converter.J2F(u"中国"), u"中國");
    EXPECT_NO_THROW(LoadTables(converter, "/nonexistent-directory"));
}

}  // namespace
}  // namespace tavrel
