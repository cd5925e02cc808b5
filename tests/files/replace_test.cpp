#include "files/replace.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

#include <gmock/gmock.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavrel {
namespace {

namespace fs = std::filesystem;
using namespace test;
using testing::HasSubstr;

constexpr unsigned kNobody = 65534;

// Writes "new text" through a Replacement in two blocks; true when it went
// straight into the target.
bool WriteNewText(const fs::path& path)
{
    Replacement replacement(path);
    replacement.Write("new ");
    replacement.Write("text");
    replacement.Commit();
    return replacement.InPlace();
}

// A new file's mode follows the umask, also at the end of a chain of relative
// links to a file that does not exist yet, each followed from its own folder.
TEST(ReplacementTest, DanglingRelativeLinksCreateTheirFile)
{
    TempDir dir;
    fs::create_directory(dir / "sub");
    fs::create_symlink("made.txt", dir / "sub" / "second");
    fs::create_symlink("sub/second", dir / "first");
    const mode_t mask = umask(027);
    EXPECT_FALSE(WriteNewText(dir / "first"));
    umask(mask);
    EXPECT_EQ(ReadBytes(dir / "sub" / "made.txt"), "new text");
    EXPECT_EQ(fs::status(dir / "sub" / "made.txt").permissions(), fs::perms{0640});
}

// A file with several names is written in place, so that every name sees the
// new text, and cut to its new length. Guards shell-like output too: a name of
// an open descriptor appends to what was already written through it, instead
// of replacing the file behind it.
TEST(ReplacementTest, FilesWithOtherNamesAreWrittenInPlace)
{
    TempDir dir;
    WriteBytes(dir / "a.txt", "old text, longer");
    fs::create_hard_link(dir / "a.txt", dir / "b.txt");
    EXPECT_TRUE(WriteNewText(dir / "a.txt"));
    EXPECT_EQ(ReadBytes(dir / "b.txt"), "new text");
    WriteBytes(dir / "log.txt", "head, ");
    const int fd = open((dir / "log.txt").c_str(), O_WRONLY | O_APPEND);
    EXPECT_TRUE(WriteNewText("/dev/fd/" + std::to_string(fd)));
    EXPECT_EQ(ReadBytes(dir / "log.txt"), "head, new text");
    EXPECT_NE(fcntl(fd, F_GETFD), -1) << "the descriptor stays open";
    close(fd);
}

// Guards the staging file: a program killed midway, even by a signal it
// cannot catch, leaves the target and nothing beside it.
TEST(ReplacementTest, KilledMidwayLeavesNothing)
{
    for (const auto& [name, signal] : {std::pair{"SIGTERM", SIGTERM}, std::pair{"SIGKILL", SIGKILL}}) {
        TempDir dir;
        WriteBytes(dir / "target.txt", "old");
        EXPECT_EQ(RunProgram(TAVREL_REPLACE_DRIVER, {(dir / "target.txt").string(), "01", "23", name, "45"}).signal,
                  signal);
        EXPECT_EQ(ReadBytes(dir / "target.txt"), "old");
        EXPECT_EQ(EntryCount(dir.path()), 1) << name;
    }
}

// Parameterized by the function that fails, as the shim calls it; it fails with EIO.
class InjectedFailureTest : public testing::TestWithParam<const char*> {};

// Guards every step of a replacement: whichever call fails, the old file stays
// byte for byte, no temporary file is left, and the message says why. Once no
// call fails, the new file takes the old one's place with its mode and, where
// allowed, its owner.
TEST_P(InjectedFailureTest, EveryFailingCallLeavesTheOldFile)
{
    const char* function = GetParam();
#if defined(__has_feature)
#if __has_feature(thread_sanitizer)
    // ThreadSanitizer answers fstat itself, below any preloaded library.
    if (std::string_view(function) == "fstat")
        GTEST_SKIP() << "fstat cannot be made to fail under ThreadSanitizer";
#endif
#endif
    TempDir dir;
    const fs::path target = dir / "target.txt";
    WriteBytes(target, "old content");
    chmod(target.c_str(), 0604);
    EXPECT_EQ(chown(target.c_str(), kNobody, kNobody) == 0, geteuid() == 0);
    int call = 1;
    for (; call < 20; ++call) {
        const ProgramResult result = RunProgram(
            TAVREL_REPLACE_DRIVER, {target.string(), "new ", "con", "tent"}, {},
            {"LD_PRELOAD=" TAVREL_FAIL_SHIM, "TAVREL_FAIL_FOLDER=" + dir.path().string(),
             std::string("TAVREL_FAIL_FUNCTION=") + function, "TAVREL_FAIL_CALL=" + std::to_string(call)});
        if (result.err.find("fail_shim:") == std::string::npos)
            break;
        SCOPED_TRACE("call " + std::to_string(call));
        EXPECT_EQ(ReadBytes(target), "old content");
        EXPECT_EQ(EntryCount(dir.path()), 1);
        EXPECT_THAT(result.err, HasSubstr("无法写入文件“" + target.string() + "”：" + std::strerror(EIO)));
    }
    EXPECT_GT(call, 1) << function << " was never called";
    struct stat attributes {};
    stat(target.c_str(), &attributes);
    EXPECT_EQ(ReadBytes(target), "new content");
    EXPECT_EQ(attributes.st_mode & 07777, 0604u);
    EXPECT_EQ(attributes.st_uid, geteuid() == 0 ? kNobody : geteuid());
}

INSTANTIATE_TEST_SUITE_P(Calls, InjectedFailureTest,
                         testing::Values("open", "fstat", "write", "fsync", "fchmod", "fchown", "close", "link", "rename"),
                         [](const auto& row) { return std::string(row.param); });

// Guards what an ordinary user meets: a read-only file is refused, a folder
// that refuses new files still lets its writable files be written in place,
// and the message names the real cause.
TEST(ReplacementTest, WritesAsAnOrdinaryUser)
{
    if (geteuid() != 0 || access("/usr/bin/setpriv", X_OK) != 0)
        GTEST_SKIP() << "needs root and setpriv to run as another user";
    TempDir dir;  // only root may add files here
    const fs::path readOnly = dir / "own" / "t.txt";
    const fs::path writable = dir / "t.txt";
    fs::create_directory(dir / "own");
    WriteBytes(readOnly, "old");
    WriteBytes(writable, "old and longer");
    for (const fs::path& path : {readOnly, writable, readOnly.parent_path()})
        EXPECT_EQ(chown(path.c_str(), kNobody, kNobody), 0);
    chmod(readOnly.c_str(), 0444);
    // The driver prints a message exactly when it fails.
    const auto writeAsNobody = [](const fs::path& target) {
        return RunProgram("/usr/bin/setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups",
                                               TAVREL_REPLACE_DRIVER, target.string(), "new"})
            .err;
    };
    EXPECT_THAT(writeAsNobody(readOnly), HasSubstr("无法写入文件“" + readOnly.string() + "”：Permission denied"));
    EXPECT_EQ(ReadBytes(readOnly), "old");
    EXPECT_EQ(writeAsNobody(writable), "");
    EXPECT_EQ(ReadBytes(writable), "new");
    EXPECT_THAT(writeAsNobody(dir / "new.txt"),
                HasSubstr("无法在文件夹“" + dir.path().string() + "”中创建文件“new.txt”：Permission denied"));
    EXPECT_EQ(EntryCount(dir.path()), 2) << "neither the new file nor a temporary file";
}

}  // namespace
}  // namespace tavrel
