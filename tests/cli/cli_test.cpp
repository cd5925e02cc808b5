#include "tests/support/row_name.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

namespace tavrel {
namespace {

namespace fs = std::filesystem;
using test::Gbk;
using test::ProgramResult;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

ProgramResult Convert(const std::vector<std::string>& arguments, const std::string& input = {})
{
    return test::RunProgram(test::ProgramDirectory() / "tavrel-convert", arguments, input);
}

TEST(CliTest, ConvertsStreamsAndFilesKeepingTheirEncoding)
{
    EXPECT_EQ(Convert({"-s"}, Gbk("中國爲\r\n")).out, Gbk("中国为\r\n"));
    EXPECT_EQ(Convert({"--to-traditional", "-"}, "\xEF\xBB\xBF中国").out, "\xEF\xBB\xBF中國");
    TempDir dir;
    WriteBytes(dir / "in.txt", "中国");
    const ProgramResult result = Convert({"-t", (dir / "in.txt").string(), (dir / "out.txt").string()});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(ReadBytes(dir / "out.txt"), "中國");
    EXPECT_EQ(Convert({"--version"}).out, "Tavrel 3.00.0008\n");
}

TEST(CliTest, BatchWritesPrefixedFilesAndReportsTheCount)
{
    TempDir dir;
    WriteBytes(dir / "a.txt", Gbk("中國"));
    WriteBytes(dir / "b.txt", "中國");
    const ProgramResult result = Convert({"-s", "--batch", (dir / "a.txt").string(), (dir / "b.txt").string()});
    EXPECT_EQ(result.out, "2个所选文件已经成功转换！\n");
    EXPECT_EQ(ReadBytes(dir / "简体a.txt"), Gbk("中国"));
    EXPECT_EQ(ReadBytes(dir / "简体b.txt"), "中国");
}

// A table may turn a character into one the output's encoding cannot hold:
// that must fail, naming it, and leave no file instead of a damaged one.
TEST(CliTest, TablesFromADirectoryAndUnencodableResults)
{
    TempDir dir;
    WriteBytes(dir / "systemF.txt", "ab");
    WriteBytes(dir / "systemJ.txt", "\xEF\xBB\xBFx\xE2\x80\x8B");
    EXPECT_EQ(Convert({"-s", "--tables", dir.path().string()}, "\xEF\xBB\xBF" "cab").out, "\xEF\xBB\xBF" "cx\xE2\x80\x8B");
    const ProgramResult result = Convert({"-s", "--tables", dir.path().string(), "-", (dir / "out.txt").string()}, "ab");
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_NE(result.err.find("第 1 行第 2 个字符 U+200B"), std::string::npos) << result.err;
    EXPECT_FALSE(fs::exists(dir / "out.txt"));
}

struct FailureCase {
    const char* name;
    std::vector<std::string> arguments;
    std::string input;
    int exitStatus;
    std::string message;
    friend void PrintTo(const FailureCase& row, std::ostream* out) { *out << row.name; }
};

class CliFailureTest : public testing::TestWithParam<FailureCase> {};

TEST_P(CliFailureTest, ExitsWithStatusAndMessage)
{
    const FailureCase& c = GetParam();
    const ProgramResult result = Convert(c.arguments, c.input);
    EXPECT_EQ(result.exitStatus, c.exitStatus);
    EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    EXPECT_EQ(result.out, "");
}

INSTANTIATE_TEST_SUITE_P(
    Failures, CliFailureTest,
    testing::Values(
        FailureCase{"NoDirection", {}, "", 2, "用法"},
        FailureCase{"BothDirections", {"-s", "-t"}, "", 2, "用法"},
        FailureCase{"UnknownOption", {"-s", "--fast"}, "", 2, "未知选项：--fast"},
        FailureCase{"TooManyFiles", {"-s", "a", "b", "c"}, "", 2, "参数过多"},
        FailureCase{"BatchWithoutFiles", {"-s", "--batch"}, "", 2, "--batch"},
        FailureCase{"MissingInput", {"-s", "/nonexistent/in.txt"}, "", 1, "“/nonexistent/in.txt”：No such file"},
        FailureCase{"MissingTables", {"-s", "--tables", "/nonexistent"}, "", 1, "“/nonexistent/systemF.txt”"},
        FailureCase{"InvalidBytes", {"-s"}, "ab\x81\x7F", 1, "字节偏移 2"},
        FailureCase{"FullOutput", {"-s", "-", "/dev/full"}, "abc", 1, "“/dev/full”：No space left"}),
    test::RowName());

}  // namespace
}  // namespace tavrel
