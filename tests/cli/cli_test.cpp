#include "engine/app_dir.h"
#include "tests/support/row_name.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

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
    return test::RunProgram(ApplicationDirectory() / "tavrel-convert", arguments, input);
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

// Traditional text from software translations, in Big5.
const std::u16string kTraditional =
    u"檔案(&F)\r\n開啟舊檔(&O)...\r\n儲存檔案(&S)\r\n另存新檔(&A)...\r\n"
    u"無法開啟檔案，請確認檔案是否存在。\r\n"
    u"這個程式會把繁體中文轉換為簡體中文，轉換完成後請檢查結果。\r\n"
    u"說明(&H)\r\n關於本軟體(&B)...\r\n結束(&X)\r\n";

// The encoding read is said on standard error, and the one written when it
// differs: a Big5 file's Simplified result does not fit Big5 and goes to GBK.
TEST(CliTest, SaysWhichEncodingsItReadAndWrote)
{
    TempDir dir;
    WriteBytes(dir / "big5.txt", test::IcuEncoded("windows-950-2000", kTraditional));
    ProgramResult result = Convert({"-s", (dir / "big5.txt").string(), (dir / "out.txt").string()});
    EXPECT_NE(result.err.find("按 Big5 读取，按 GBK 写出"), std::string::npos) << result.err;
    const std::string expected = test::IcuEncoded("windows-936-2000", u"档案(&F)\r\n开启旧档(&O)...\r\n");
    EXPECT_EQ(ReadBytes(dir / "out.txt").substr(0, expected.size()), expected);
    // The same through a pipe, which is decided from what arrives.
    result = test::RunProgram("/bin/sh", {"-c", "cat \"$0\" | \"$1\" -s", (dir / "big5.txt").string(),
                                          (ApplicationDirectory() / "tavrel-convert").string()});
    EXPECT_EQ(result.out.substr(0, expected.size()), expected);
    EXPECT_NE(result.err.find("按 Big5 读取，按 GBK 写出"), std::string::npos) << result.err;
    result = Convert({"-t", (dir / "big5.txt").string(), "-"});
    EXPECT_NE(result.err.find("按 Big5 读取\n"), std::string::npos) << result.err;
    EXPECT_EQ(result.out, test::IcuEncoded("windows-950-2000", kTraditional));
    result = Convert({"-s", "--encoding=utf-8", "--output-encoding", "utf-16le"}, "中國");
    EXPECT_EQ(result.out, std::string("\xFF\xFE\x2D\x4E\xFD\x56", 6));
    EXPECT_NE(result.err.find("按 UTF-8 读取，按 UTF-16LE 写出"), std::string::npos) << result.err;
}

// Guards against replacing a chosen file before it is read, whatever name
// reaches it: the same name twice, or a link.
TEST(CliTest, BatchKeepsAChosenFileThatAnOutputReplaces)
{
    TempDir dir;
    WriteBytes(dir / "a.txt", Gbk("國"));
    WriteBytes(dir / "简体a.txt", Gbk("爲"));
    fs::create_symlink(dir / "简体a.txt", dir / "alias.txt");
    for (const char* second : {"简体a.txt", "alias.txt"}) {
        const ProgramResult result =
            Convert({"-s", "--batch", (dir / "a.txt").string(), (dir / second).string(), (dir / second).string()});
        EXPECT_EQ(result.exitStatus, 0) << result.err;
        EXPECT_EQ(ReadBytes(dir / ("简体" + std::string(second))), Gbk("为")) << second;
        EXPECT_EQ(ReadBytes(dir / "简体a.txt"), Gbk("国"));
        WriteBytes(dir / "简体a.txt", Gbk("爲"));
    }
}

// Output follows input: a line comes out while standard input is still open.
TEST(CliTest, StandardInputIsConvertedAsItArrives)
{
    int toProgram[2], fromProgram[2];
    ASSERT_EQ(pipe(toProgram), 0);
    ASSERT_EQ(pipe(fromProgram), 0);
    const std::string program = (ApplicationDirectory() / "tavrel-convert").string();
    const pid_t child = fork();
    if (child == 0) {
        dup2(toProgram[0], 0);
        dup2(fromProgram[1], 1);
        close(toProgram[1]);
        close(fromProgram[0]);
        execl(program.c_str(), program.c_str(), "-s", nullptr);
        _exit(127);
    }
    close(toProgram[0]);
    close(fromProgram[1]);
    ASSERT_EQ(write(toProgram[1], "中國\n", 7), 7);
    std::string output;
    pollfd ready{fromProgram[0], POLLIN, 0};
    char buffer[64];
    while (output.size() < 7 && poll(&ready, 1, 60000) == 1) {
        const ssize_t got = read(fromProgram[0], buffer, sizeof buffer);
        if (got <= 0)
            break;
        output.append(buffer, static_cast<std::size_t>(got));
    }
    EXPECT_EQ(output, "中国\n");
    close(toProgram[1]);
    close(fromProgram[0]);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

// Under a GBK locale the whole message is GBK, the system's reason included.
TEST(CliTest, MessagesFollowTheLocalesEncoding)
{
    TempDir locales;
    if (test::RunProgram("/usr/bin/localedef", {"-i", "zh_CN", "-f", "GBK", (locales / "zh_CN.GBK").string()}).exitStatus != 0)
        GTEST_SKIP() << "localedef cannot make zh_CN.GBK here";
    const ProgramResult result = test::RunProgram(ApplicationDirectory() / "tavrel-convert", {"-s", "/nonexistent.txt"}, "",
                                                  {"LOCPATH=" + locales.path().string(), "LC_ALL=zh_CN.GBK"});
    EXPECT_EQ(result.err, test::IcuEncoded("windows-936-2000", u"tavrel-convert：无法读取文件“/nonexistent.txt”：没有那个文件或目录\n"));
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

// Every failure ends in a message and its status, never in an abort.
TEST_P(CliFailureTest, ExitsWithStatusAndMessage)
{
    const FailureCase& c = GetParam();
    TempDir dir;
    const bool shell = !c.arguments.empty() && c.arguments.front() == "-c";
    std::vector<std::string> arguments = c.arguments;
    if (shell)
        arguments = {"-c", "cd " + dir.path().string() + " && " + c.arguments[1],
                     (ApplicationDirectory() / "tavrel-convert").string()};
    const ProgramResult result = shell ? test::RunProgram("/bin/sh", arguments, c.input) : Convert(arguments, c.input);
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
        FailureCase{"EmptyTablesFolder", {"-s", "--tables", ""}, "", 2, "--tables 需要一个目录"},
        FailureCase{"UnknownEncoding", {"-s", "--encoding=latin1"}, "", 2, "不认识编码“latin1”"},
        FailureCase{"EmptyBatchName", {"-s", "--batch", ""}, "", 1, "无法读取文件“”：No such file"},
        FailureCase{"DeletedCurrentFolder", {"-c", "mkdir gone && cd gone && rmdir ../gone && exec \"$0\" -s --batch a.txt"},
                    "", 1, "“a.txt”：No such file"},
        FailureCase{"MissingInput", {"-s", "/nonexistent/in.txt"}, "", 1, "“/nonexistent/in.txt”：No such file"},
        FailureCase{"MissingTables", {"-s", "--tables", "/nonexistent"}, "", 1, "“/nonexistent/systemF.txt”"},
        FailureCase{"InvalidBytes", {"-s"}, "ab\x81\x7F", 1, "字节偏移 2"},
        FailureCase{"FullOutput", {"-s", "-", "/dev/full"}, "abc", 1, "“/dev/full”：No space left"}),
    test::RowName());

}  // namespace
}  // namespace tavrel
