#include "engine/errors.h"
#include "files/text_file.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <csignal>
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

TEST(TextFileTest, EmptyFileIsEmptyText)
{
    TempDir dir;
    WriteBytes(dir / "empty.txt", "");
    const TextFile file = ReadTextFile(dir / "empty.txt");
    EXPECT_TRUE(file.text.empty());
    EXPECT_EQ(file.encoding, Encoding::Gbk);
}

TEST(TextFileTest, WritesExactlyTheTextInEachEncoding)
{
    TempDir dir;
    const struct {
        Encoding encoding;
        std::string bytes;
    } cases[] = {
        {Encoding::Gbk, Gbk("中國")},
        {Encoding::Utf8, "中國"},
        {Encoding::Utf8Bom, "\xEF\xBB\xBF中國"},
        {Encoding::Utf16LE, std::string("\xFF\xFE\x2D\x4E\x0B\x57", 6)},
        {Encoding::Utf16BE, std::string("\xFE\xFF\x4E\x2D\x57\x0B", 6)},
    };
    for (const auto& c : cases) {
        WriteTextFile(dir / "out.txt", u"中國", c.encoding);
        EXPECT_EQ(ReadBytes(dir / "out.txt"), c.bytes) << EncodingName(c.encoding);
        const TextFile back = ReadTextFile(dir / "out.txt");
        EXPECT_EQ(back.text, u"中國");
        EXPECT_EQ(back.encoding, c.encoding);
    }
    EXPECT_EQ(EntriesIn(dir.path()), 1u);
}

TEST(TextFileTest, MissingFileNamesPathAndReason)
{
    TempDir dir;
    try {
        ReadTextFile(dir / "missing.txt");
        FAIL() << "no error";
    } catch (const FileError& error) {
        EXPECT_EQ(error.operation(), FileError::Operation::Read);
        EXPECT_NE(std::string(error.what()).find((dir / "missing.txt").string()), std::string::npos);
        EXPECT_EQ(error.reason(), "No such file or directory");
    }
}

// Each failing write must leave the old target as it was and no temporary
// file behind.
TEST(TextFileTest, FailedWritesLeaveTheTargetIntact)
{
    TempDir dir;
    WriteBytes(dir / "keep.txt", "old");
    fs::create_directory(dir / "folder");

    EXPECT_THROW(WriteTextFile(dir / "keep.txt", u"a\x200B", Encoding::Gbk), EncodeError);
    EXPECT_THROW(WriteTextFile(dir / "folder", u"new"), FileError);
    EXPECT_THROW(WriteTextFile(dir / "no-such-dir" / "x.txt", u"new"), FileError);

    EXPECT_EQ(ReadBytes(dir / "keep.txt"), "old");
    EXPECT_TRUE(fs::is_directory(dir / "folder"));
    EXPECT_EQ(EntriesIn(dir.path()), 2u);
}

// Guards the replace-after-success rule: a write that runs out of room
// midway must not cost the user the file they had.
TEST(TextFileTest, WriteThatRunsOutOfRoomKeepsTheOldFile)
{
    TempDir dir;
    WriteBytes(dir / "keep.txt", "old");
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit original{};
    getrlimit(RLIMIT_FSIZE, &original);
    rlimit small = original;
    small.rlim_cur = 4096;
    setrlimit(RLIMIT_FSIZE, &small);
    std::u16string large(100000, u'中');
    try {
        WriteTextFile(dir / "keep.txt", large);
        ADD_FAILURE() << "no error";
    } catch (const FileError& error) {
        EXPECT_EQ(error.operation(), FileError::Operation::Write);
    }
    setrlimit(RLIMIT_FSIZE, &original);
    EXPECT_EQ(ReadBytes(dir / "keep.txt"), "old");
    EXPECT_EQ(EntriesIn(dir.path()), 1u);
}

TEST(TextFileTest, FullDeviceIsAnErrorNotSuccess)
{
    try {
        WriteTextFile("/dev/full", u"中國");
        FAIL() << "no error";
    } catch (const FileError& error) {
        EXPECT_EQ(error.reason(), "No space left on device");
    }
    EXPECT_FALSE(fs::is_regular_file("/dev/full"));
}

TEST(TextFileTest, ReplacingKeepsLinksAndPermissions)
{
    TempDir dir;
    WriteBytes(dir / "real.txt", "old");
    fs::permissions(dir / "real.txt", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink(dir / "real.txt", dir / "link.txt");
    WriteTextFile(dir / "link.txt", u"new");
    EXPECT_TRUE(fs::is_symlink(dir / "link.txt"));
    EXPECT_EQ(ReadBytes(dir / "real.txt"), "new");
    EXPECT_EQ(fs::status(dir / "real.txt").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

}  // namespace
}  // namespace tavrel
