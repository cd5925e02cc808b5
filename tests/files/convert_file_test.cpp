#include "engine/errors.h"
#include "files/convert_file.h"
#include "tests/support/row_name.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <functional>

#include <sys/resource.h>

namespace tavrel {
namespace {

namespace fs = std::filesystem;
using test::Gbk;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

std::size_t EntriesIn(const fs::path& dir)
{
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

// Lets a process write at most `bytes` bytes to any file while it lives.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &original_);
        rlimit limited = original_;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &original_); }

private:
    rlimit original_{};
};

struct FailureCase {
    const char* name;
    std::string input;
    EncodingChoice choice;
    std::function<fs::path(const TempDir&)> target;  // prepares and names the output
    std::string message;
    friend void PrintTo(const FailureCase& row, std::ostream* out) { *out << row.name; }
};

class ConvertFileFailureTest : public testing::TestWithParam<FailureCase> {};

// Guards the replace-after-success rule: every failure, including running
// out of room midway, names its cause and leaves the old target and no
// temporary file.
TEST_P(ConvertFileFailureTest, LeavesTheTargetAsItWas)
{
    const FailureCase& row = GetParam();
    TempDir dir;
    Converter converter;
    converter.SetTables(u"國", u"国");
    WriteBytes(dir / "in.txt", row.input);
    WriteBytes(dir / "keep.txt", "old");
    const fs::path target = row.target(dir);
    const std::size_t entries = EntriesIn(dir.path());
    try {
        const FileSizeLimit limit(4096);
        ConvertTextFile(converter, Direction::F2J, dir / "in.txt", target, row.choice);
        ADD_FAILURE() << "converted without error";
    } catch (const Error& error) {
        EXPECT_NE(std::string(error.what()).find(row.message), std::string::npos) << error.what();
    }
    EXPECT_EQ(ReadBytes(dir / "keep.txt"), "old");
    EXPECT_EQ(EntriesIn(dir.path()), entries);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, ConvertFileFailureTest,
    testing::Values(
        FailureCase{"BadByteNamesItsOffset", Gbk("國國") + "\x81\x7F", {}, [](const TempDir& d) { return d / "keep.txt"; },
                    "字节偏移 4 处不是有效的 GBK 字节序列"},
        FailureCase{"UnencodableCharacterNamesLineAndColumn", "a\r\n\xE2\x80\x8B", {std::nullopt, Encoding::Gbk},
                    [](const TempDir& d) { return d / "keep.txt"; }, "第 2 行第 1 个字符 U+200B 无法用 GBK 编码表示"},
        FailureCase{"FolderInTheTargetsPlace", "a", {}, [](const TempDir& d) {
                        fs::create_directory(d / "folder");
                        return d / "folder";
                    },
                    "Is a directory"},
        FailureCase{"MissingFolder", "a", {}, [](const TempDir& d) { return d / "no-such-folder" / "x.txt"; },
                    "No such file or directory"},
        FailureCase{"RunsOutOfRoomMidway", std::string(1 << 20, 'a'), {},
                    [](const TempDir& d) { return d / "keep.txt"; }, "File too large"},
        FailureCase{"FullDevice", "a", {}, [](const TempDir&) { return fs::path("/dev/full"); },
                    "No space left on device"}),
    test::RowName());

// Saving over the input works, also when it has a second name and is
// therefore written in place with a longer result: it is read before it is
// overwritten.
TEST(ConvertFileTest, SavesOverItsOwnInput)
{
    TempDir dir;
    Converter converter;
    converter.SetTables(u"國", u"国");
    std::string chinese;
    for (int i = 0; i < 4000000; ++i)
        chinese += i % 50 ? "國" : "\n";
    WriteBytes(dir / "in.txt", Gbk(chinese));
    fs::create_hard_link(dir / "in.txt", dir / "other.txt");
    const ConversionResult result =
        ConvertTextFile(converter, Direction::F2J, dir / "in.txt", dir / "in.txt", {std::nullopt, Encoding::Utf8});
    EXPECT_EQ(result.read, Encoding::Gbk);
    std::string simplified = chinese;
    for (std::size_t at = 0; (at = simplified.find("國", at)) != std::string::npos;)
        simplified.replace(at, 3, "国");
    EXPECT_EQ(ReadBytes(dir / "other.txt"), simplified);
    EXPECT_TRUE(fs::is_character_file("/dev/full"));
}

}  // namespace
}  // namespace tavrel
