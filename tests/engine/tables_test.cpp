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
using test::TempDir;
using test::WriteBytes;

struct TableFileCase {
    const char* name;
    std::string bytesF, bytesJ;
    std::u16string expectedF, expectedJ;
    friend void PrintTo(const TableFileCase& row, std::ostream* out) { *out << row.name; }
};

class TableFileTest : public testing::TestWithParam<TableFileCase> {};

TEST_P(TableFileTest, LoadsTheFirstLine)
{
    const TableFileCase& c = GetParam();
    TempDir dir;
    WriteBytes(dir / "systemF.txt", c.bytesF);
    WriteBytes(dir / "systemJ.txt", c.bytesJ);
    Converter converter;
    LoadTables(converter, dir.path());
    EXPECT_EQ(converter.TableF(), c.expectedF);
    EXPECT_EQ(converter.TableJ(), c.expectedJ);
}

INSTANTIATE_TEST_SUITE_P(
    Format, TableFileTest,
    testing::Values(
        TableFileCase{"GbkWithoutLineEnd", Gbk("國爲後"), Gbk("国"), u"國爲後", u"国"},
        TableFileCase{"StopsAtFirstCrLf", Gbk("國\r\n中"), Gbk("国\r\n中"), u"國", u"国"},
        TableFileCase{"LoneCrEndsTheLine", Gbk("國\r中"), Gbk("国\r中"), u"國", u"国"},
        TableFileCase{"LoneLfIsAnEntry", Gbk("國\n中"), Gbk("国\n中"), u"國\n中", u"国\n中"},
        TableFileCase{"EmptyFirstLinesAreEmptyTables", "\r\n" + Gbk("國"), "\r", u"", u""},
        TableFileCase{"CtrlZAndSpacesAreEntries", "\x1A a", "b \x1A", u"\x1A a", u"b \x1A"},
        TableFileCase{"BadBytesAfterTheFirstLineAreIgnored", Gbk("國") + "\r\n\x81", Gbk("国"), u"國", u"国"},
        TableFileCase{"Utf8AndUtf16", "\xEF\xBB\xBF國\r\n", std::string("\xFE\xFF\x56\xFD\x00\x0D", 6), u"國",
                      u"国"}),
    test::RowName());

struct LoadFailureCase {
    const char* name;
    std::optional<std::string> bytesF, bytesJ;
    const char* failingFile;
    const char* message;
    friend void PrintTo(const LoadFailureCase& row, std::ostream* out) { *out << row.name; }
};

class LoadFailureTest : public testing::TestWithParam<LoadFailureCase> {};

TEST_P(LoadFailureTest, NamesTheFileAndTheReason)
{
    const LoadFailureCase& c = GetParam();
    TempDir dir;
    if (c.bytesF)
        WriteBytes(dir / "systemF.txt", *c.bytesF);
    if (c.bytesJ)
        WriteBytes(dir / "systemJ.txt", *c.bytesJ);
    Converter converter;
    try {
        LoadTables(converter, dir.path());
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(error.File(), dir / c.failingFile);
        const std::string message = error.what();
        EXPECT_NE(message.find("“" + (dir / c.failingFile).string() + "”"), std::string::npos) << message;
        EXPECT_NE(message.find(c.message), std::string::npos) << message;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Failures, LoadFailureTest,
    testing::Values(
        LoadFailureCase{"BothMissingStopsAtTraditional", {}, {}, "systemF.txt", "No such file or directory"},
        LoadFailureCase{"SimplifiedMissing", Gbk("國"), {}, "systemJ.txt", "No such file or directory"},
        LoadFailureCase{"EmptyFileHoldsNoLine", "", Gbk("国"), "systemF.txt", "没有任何一行"},
        LoadFailureCase{"InvalidBytesGiveTheirOffset", Gbk("國國") + "\x81\x7F", Gbk("国"), "systemF.txt",
                        "字节偏移 4"}),
    test::RowName());

TEST(LoadTablesTest, ReadsOnlyWhenATableIsEmpty)
{
    TempDir dir;
    WriteBytes(dir / "systemF.txt", Gbk("爲國"));
    WriteBytes(dir / "systemJ.txt", Gbk("为国"));
    Converter converter;
    converter.SetTables(u"國", u"");
    LoadTables(converter, dir.path());
    EXPECT_EQ(converter.TableJ(), u"为国");
    EXPECT_NO_THROW(LoadTables(converter, "/nonexistent-directory"));
}

// The tests run from the build's program directory, beside the shipped tables.
TEST(LoadTablesTest, FindsTheShippedTablesBesideTheExecutable)
{
    Converter converter;
    LoadTables(converter);
    EXPECT_EQ(converter.F2J(u"中國"), u"中国");
    EXPECT_EQ(converter.J2F(u"中国"), u"中國");
}

}  // namespace
}  // namespace tavrel
