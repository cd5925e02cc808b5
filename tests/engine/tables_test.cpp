#include "engine/converter.h"
#include "engine/errors.h"
#include "tests/support/temp_dir.h"

#include "tests/support/row_name.h"

#include <gtest/gtest.h>

namespace tavrel {
namespace {

using test::Gbk;
using test::TempDir;
using test::U16;
using test::WriteBytes;

struct TableFileCase {
    const char* name;
    friend void PrintTo(const TableFileCase& row, std::ostream* out) { *out << row.name; }
    std::string bytesF;
    std::string bytesJ;
    std::u16string expectedF;
    std::u16string expectedJ;
};

class TableFileTest : public testing::TestWithParam<TableFileCase> {};

TEST_P(TableFileTest, LoadsTheFirstLine)
{
    const TableFileCase& c = GetParam();
    TempDir dir;
    WriteBytes(dir / "systemF.txt", c.bytesF);
    WriteBytes(dir / "systemJ.txt", c.bytesJ);
    Converter converter;
    converter.LoadTables(dir.path());
    EXPECT_EQ(converter.TableF(), c.expectedF);
    EXPECT_EQ(converter.TableJ(), c.expectedJ);
}

INSTANTIATE_TEST_SUITE_P(
    Format, TableFileTest,
    testing::Values(
        TableFileCase{"GbkWithoutLineEnd", Gbk("國爲"), Gbk("国为"), u"國爲", u"国为"},
        TableFileCase{"StopsAtFirstCrLf", Gbk("國\r\n中"), Gbk("国\r\n中"), u"國", u"国"},
        TableFileCase{"LoneCrEndsTheLine", Gbk("國\r中"), Gbk("国\r中"), u"國", u"国"},
        TableFileCase{"LoneLfIsAnEntry", Gbk("國\n中"), Gbk("国\n中"), u"國\n中", u"国\n中"},
        TableFileCase{"EmptyFirstLineIsAnEmptyTable", "\r\n" + Gbk("國"), Gbk("国"), u"", u"国"},
        TableFileCase{"BothTablesEmpty", "\r\n", "\r", u"", u""},
        TableFileCase{"UnequalLengthsLoadAsTheyAre", Gbk("國爲後"), Gbk("国"), u"國爲後", u"国"},
        TableFileCase{"SpacesAndPunctuationAreEntries", Gbk(" ，"), Gbk("_,"), u" ，", u"_,"},
        TableFileCase{"CtrlZIsAnOrdinaryEntry", "\x1A" "a", "b\x1A", u"\x1A" u"a", u"b\x1A"},
        TableFileCase{"BadBytesAfterTheFirstLineAreIgnored", Gbk("國") + "\r\n\xFF", Gbk("国"), u"國", u"国"},
        TableFileCase{"Utf8WithByteOrderMark", "\xEF\xBB\xBF" "國\r\n", "国", u"國", u"国"},
        TableFileCase{"Utf16LittleEndian", std::string("\xFF\xFE\x0B\x57\x0D\x00\x0A\x00", 8),
                      std::string("\xFE\xFF\x56\xFD", 4), u"國", u"国"}),
    test::RowName());

TEST(LoadTablesTest, MissingTraditionalTableNamesItsPath)
{
    TempDir dir;
    Converter converter;
    try {
        converter.LoadTables(dir.path());
        FAIL() << "no error";
    } catch (const FileError& error) {
        EXPECT_EQ(error.file(), dir.path() / "systemF.txt");
        EXPECT_NE(std::string(error.what()).find((dir.path() / "systemF.txt").string()), std::string::npos);
        EXPECT_NE(std::string(error.what()).find("No such file or directory"), std::string::npos);
    }
}

TEST(LoadTablesTest, MissingSimplifiedTableIsReportedAfterTheTraditionalOneIsRead)
{
    TempDir dir;
    WriteBytes(dir / "systemF.txt", Gbk("國"));
    Converter converter;
    try {
        converter.LoadTables(dir.path());
        FAIL() << "no error";
    } catch (const FileError& error) {
        EXPECT_EQ(error.file(), dir.path() / "systemJ.txt");
    }
}

TEST(LoadTablesTest, EmptyFileHoldsNoLine)
{
    TempDir dir;
    WriteBytes(dir / "systemF.txt", "");
    WriteBytes(dir / "systemJ.txt", Gbk("国"));
    Converter converter;
    EXPECT_THROW(converter.LoadTables(dir.path()), TableError);
}

TEST(LoadTablesTest, InvalidBytesInTheFirstLineGiveTheirOffset)
{
    TempDir dir;
    WriteBytes(dir / "systemF.txt", Gbk("國國") + "\x81\x7F");
    WriteBytes(dir / "systemJ.txt", Gbk("国"));
    Converter converter;
    try {
        converter.LoadTables(dir.path());
        FAIL() << "no error";
    } catch (const DecodeError& error) {
        EXPECT_EQ(error.file(), dir.path() / "systemF.txt");
        EXPECT_EQ(error.byteOffset(), 4u);
    }
}

TEST(LoadTablesTest, ReadsNothingWhenBothTablesAreFilled)
{
    Converter converter;
    converter.SetTables(u"國", u"国");
    EXPECT_NO_THROW(converter.LoadTables("/nonexistent-directory"));
    EXPECT_EQ(converter.TableF(), u"國");
}

TEST(LoadTablesTest, ReadsBothFilesWhenOnlyOneTableIsEmpty)
{
    TempDir dir;
    WriteBytes(dir / "systemF.txt", Gbk("爲國"));
    WriteBytes(dir / "systemJ.txt", Gbk("为国"));
    Converter converter;
    converter.SetTables(u"國", u"");
    converter.LoadTables(dir.path());
    EXPECT_EQ(converter.TableF(), u"爲國");
    EXPECT_EQ(converter.TableJ(), u"为国");
}

// The test program lives in the build's program directory, beside the
// shipped tables, so the default location must find them.
TEST(LoadTablesTest, FindsTheShippedTablesBesideTheExecutable)
{
    Converter converter;
    converter.LoadTables();
    EXPECT_EQ(converter.TableF().size(), converter.TableJ().size());
    EXPECT_EQ(converter.F2J(u"中國"), u"中国");
    EXPECT_EQ(converter.J2F(u"中国"), u"中國");
}

}  // namespace
}  // namespace tavrel
