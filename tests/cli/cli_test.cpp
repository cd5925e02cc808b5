#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

#include "tests/support/row_name.h"

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

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

TEST(CliTest, ConvertsStandardInputKeepingItsEncoding)
{
    ProgramResult gbk = Convert({"-s"}, Gbk("中國爲\r\n"));
    EXPECT_EQ(gbk.exitStatus, 0) << gbk.err;
    EXPECT_EQ(gbk.out, Gbk("中国为\r\n"));

    ProgramResult utf8 = Convert({"--to-traditional", "-"}, "\xEF\xBB\xBF中国");
    EXPECT_EQ(utf8.exitStatus, 0) << utf8.err;
    EXPECT_EQ(utf8.out, "\xEF\xBB\xBF中國");
}

TEST(CliTest, ConvertsFileToFile)
{
    TempDir dir;
    WriteBytes(dir / "in.txt", "中国");
    ProgramResult result = Convert({"-t", (dir / "in.txt").string(), (dir / "out.txt").string()});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(ReadBytes(dir / "out.txt"), "中國");
}

TEST(CliTest, BatchWritesPrefixedFilesAndReportsTheCount)
{
    TempDir dir;
    WriteBytes(dir / "a.txt", Gbk("中國"));
    WriteBytes(dir / "b.txt", "中國");
    ProgramResult result = Convert({"-s", "--batch", (dir / "a.txt").string(), (dir / "b.txt").string()});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.out, "2个所选文件已经成功转换！\n");
    EXPECT_EQ(ReadBytes(dir / "简体a.txt"), Gbk("中国"));
    EXPECT_EQ(ReadBytes(dir / "简体b.txt"), "中国");
}

TEST(CliTest, TablesComeFromTheGivenDirectory)
{
    TempDir dir;
    WriteBytes(dir / "systemF.txt", "ab");
    WriteBytes(dir / "systemJ.txt", "xy");
    ProgramResult result = Convert({"-s", "--tables", dir.path().string()}, "abc");
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.out, "xyc");
}

struct FailureCase {
    const char* name;
    friend void PrintTo(const FailureCase& row, std::ostream* out) { *out << row.name; }
    std::vector<std::string> arguments;
    std::string input;
    int exitStatus;
    std::string message;
};

class CliFailureTest : public testing::TestWithParam<FailureCase> {};

TEST_P(CliFailureTest, ExitsWithStatusAndMessage)
{
    const FailureCase& c = GetParam();
    ProgramResult result = Convert(c.arguments, c.input);
    EXPECT_EQ(result.exitStatus, c.exitStatus);
    EXPECT_TRUE(Contains(result.err, c.message)) << result.err;
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
        FailureCase{"TablesWithoutDirectory", {"-s", "--tables"}, "", 2, "--tables"},
        FailureCase{"MissingInput", {"-s", "/nonexistent/in.txt"}, "", 1, "/nonexistent/in.txt"},
        FailureCase{"MissingTables", {"-s", "--tables", "/nonexistent"}, "", 1, "/nonexistent/systemF.txt"},
        FailureCase{"InvalidBytes", {"-s"}, "ab\x81\x7F", 1, "字节偏移 2"},
        FailureCase{"FullOutput", {"-s", "-", "/dev/full"}, "abc", 1, "/dev/full"}),
    test::RowName());

TEST(CliTest, FailedOutputLeavesNoFile)
{
    TempDir dir;
    ProgramResult result = Convert({"-s", "-", (dir / "out.txt").string()}, "\x81");
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_FALSE(fs::exists(dir / "out.txt"));
}

// A table may turn a GBK character into one GBK cannot hold; the output must
// then fail instead of losing the character.
TEST(CliTest, UnencodableResultFailsAndCreatesNoFile)
{
    TempDir dir;
    WriteBytes(dir / "systemF.txt", "a");
    WriteBytes(dir / "systemJ.txt", "\xEF\xBB\xBF\xE2\x80\x8B");
    ProgramResult result =
        Convert({"-s", "--tables", dir.path().string(), "-", (dir / "out.txt").string()}, "xa");
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_TRUE(Contains(result.err, "第 1 行第 2 个字符 U+200B")) << result.err;
    EXPECT_FALSE(fs::exists(dir / "out.txt"));
}

TEST(CliTest, HelpAndVersion)
{
    EXPECT_EQ(Convert({"--version"}).out, "Tavrel 3.00.0008\n");
    const ProgramResult help = Convert({"--help"});
    EXPECT_EQ(help.exitStatus, 0);
    EXPECT_TRUE(Contains(help.out, "--batch"));
}

}  // namespace
}  // namespace tavrel
