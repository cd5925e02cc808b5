#include "engine/errors.h"
#include "files/text_file.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace tavrel {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

std::size_t EntriesIn(const fs::path& dir)
{
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

TEST(TextFileTest, ReadsWholeFilesAndWritesExactlyTheText)
{
    TempDir dir;
    WriteBytes(dir / "empty.txt", "");
    EXPECT_EQ(ReadTextFile(dir / "empty.txt").text, u"");
    WriteTextFile(dir / "out.txt", u"中國", Encoding::Utf16LE);
    EXPECT_EQ(ReadBytes(dir / "out.txt"), std::string("\xFF\xFE\x2D\x4E\x0B\x57", 6));
    const TextFile back = ReadTextFile(dir / "out.txt");
    EXPECT_EQ(back.text, u"中國");
    EXPECT_EQ(back.encoding, Encoding::Utf16LE);
    // Guards the temporary name: a target named as long as allowed still writes.
    WriteTextFile(dir / std::string(255, 'n'), u"x");
    EXPECT_EQ(ReadBytes(dir / std::string(255, 'n')), "x");
    try {
        ReadTextFile(dir / "missing.txt");
        ADD_FAILURE() << "no error";
    } catch (const FileError& error) {
        EXPECT_EQ(std::string(error.what()), "无法读取文件“" + (dir / "missing.txt").string() + "”：No such file or directory");
    }
}

// Guards the replace-after-success rule: every failing write, including one
// that runs out of room midway, leaves the old file and no temporary file.
TEST(TextFileTest, FailedWritesLeaveTheTargetIntact)
{
    TempDir dir;
    WriteBytes(dir / "keep.txt", "old");
    fs::create_directory(dir / "folder");
    EXPECT_THROW(WriteTextFile(dir / "keep.txt", u"a\x200B", Encoding::Gbk), EncodeError);
    EXPECT_THROW(WriteTextFile(dir / "folder", u"new"), FileError);
    EXPECT_THROW(WriteTextFile(dir / "no-such-dir" / "x.txt", u"new"), FileError);

    std::signal(SIGXFSZ, SIG_IGN);
    rlimit original{};
    getrlimit(RLIMIT_FSIZE, &original);
    rlimit small = original;
    small.rlim_cur = 4096;
    setrlimit(RLIMIT_FSIZE, &small);
    EXPECT_THROW(WriteTextFile(dir / "keep.txt", std::u16string(100000, u'中')), FileError);
    setrlimit(RLIMIT_FSIZE, &original);

    EXPECT_EQ(ReadBytes(dir / "keep.txt"), "old");
    EXPECT_TRUE(fs::is_directory(dir / "folder"));
    EXPECT_EQ(EntriesIn(dir.path()), 2u);
}

TEST(TextFileTest, FullDeviceIsAnErrorNotSuccess)
{
    try {
        WriteTextFile("/dev/full", u"中國");
        FAIL() << "no error";
    } catch (const FileError& error) {
        EXPECT_EQ(error.Reason(), "No space left on device");
    }
    EXPECT_FALSE(fs::is_regular_file("/dev/full"));
}

}  // namespace
}  // namespace tavrel
