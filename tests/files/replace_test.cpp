#include "engine/errors.h"
#include "files/replace.h"
#include "tests/support/row_name.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <functional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavrel {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::RunProgram;
using test::TempDir;
using test::WriteBytes;

std::vector<std::string> Entries(const fs::path& dir)
{
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

struct FailureRow {
    std::string name;
    const char* function;
    int errorNumber;
};

class InjectedFailureTest : public testing::TestWithParam<FailureRow> {};

// Guards every step of a replacement: whichever call fails, the old file stays
// byte for byte, no temporary file is left, and the message says why.
TEST_P(InjectedFailureTest, EveryFailingCallLeavesTheOldFile)
{
    const FailureRow& row = GetParam();
    TempDir dir;
    const fs::path target = dir / "target.txt";
    int reached = 0;
    for (int call = 1; call < 20; ++call) {
        WriteBytes(target, "old content");
        const test::ProgramResult result = RunProgram(
            TAVREL_REPLACE_DRIVER, {target.string(), "new content", "3"}, {},
            {"LD_PRELOAD=" TAVREL_FAIL_SHIM, "TAVREL_FAIL_FOLDER=" + dir.path().string(),
             std::string("TAVREL_FAIL_FUNCTION=") + row.function, "TAVREL_FAIL_CALL=" + std::to_string(call),
             "TAVREL_FAIL_ERRNO=" + std::to_string(row.errorNumber)});
        if (result.err.find("fail_shim:") == std::string::npos) {
            EXPECT_EQ(result.exitStatus, 0) << result.err;
            break;
        }
        reached = call;
        SCOPED_TRACE("call " + std::to_string(call));
        EXPECT_EQ(result.exitStatus, 1);
        EXPECT_EQ(ReadBytes(target), "old content");
        EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"target.txt"});
        EXPECT_NE(result.err.find("无法写入文件“" + target.string() + "”：" + std::strerror(row.errorNumber)),
                  std::string::npos)
            << result.err;
    }
    EXPECT_GT(reached, 0) << row.function << " was never called";
}

INSTANTIATE_TEST_SUITE_P(Calls, InjectedFailureTest,
                         testing::Values(FailureRow{"Open", "open", EIO}, FailureRow{"Write", "write", ENOSPC},
                                         FailureRow{"Fsync", "fsync", EIO}, FailureRow{"Fchmod", "fchmod", EIO},
                                         FailureRow{"Fchown", "fchown", EIO}, FailureRow{"Close", "close", EDQUOT},
                                         FailureRow{"Rename", "rename", EXDEV}),
                         test::RowName());

constexpr unsigned kNobody = 65534;

unsigned ModeOf(const fs::path& path)
{
    struct stat info {};
    stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

struct BehaviourRow {
    std::string name;
    std::function<fs::path(const TempDir&)> prepare;  // gives the path to write
    bool inPlace;
    std::function<void(const TempDir&)> check;
};

class ReplacementBehaviourTest : public testing::TestWithParam<BehaviourRow> {};

TEST_P(ReplacementBehaviourTest, WritesWhereACarefulEditorWould)
{
    const BehaviourRow& row = GetParam();
    TempDir dir;
    const mode_t originalMask = umask(027);
    const fs::path path = row.prepare(dir);
    {
        Replacement replacement(path);
        replacement.Write("new ");
        replacement.Write("text");
        replacement.Commit();
        EXPECT_EQ(replacement.InPlace(), row.inPlace);
        EXPECT_EQ(replacement.Identity().has_value(), row.inPlace);
    }
    umask(originalMask);
    row.check(dir);
}

INSTANTIATE_TEST_SUITE_P(
    Targets, ReplacementBehaviourTest,
    testing::Values(
        BehaviourRow{"NewFileModeFollowsUmask", [](const TempDir& dir) { return dir / "new.txt"; }, false,
                     [](const TempDir& dir) {
                         EXPECT_EQ(ReadBytes(dir / "new.txt"), "new text");
                         EXPECT_EQ(ModeOf(dir / "new.txt"), 0640u);
                     }},
        BehaviourRow{"ReplacementKeepsModeAndOwner",
                     [](const TempDir& dir) {
                         WriteBytes(dir / "old.txt", "old");
                         chmod((dir / "old.txt").c_str(), 0604);
                         EXPECT_EQ(chown((dir / "old.txt").c_str(), kNobody, kNobody) == 0, geteuid() == 0);
                         return dir / "old.txt";
                     },
                     false,
                     [](const TempDir& dir) {
                         struct stat attributes {};
                         stat((dir / "old.txt").c_str(), &attributes);
                         EXPECT_EQ(ReadBytes(dir / "old.txt"), "new text");
                         EXPECT_EQ(attributes.st_mode & 07777, 0604u);
                         EXPECT_EQ(attributes.st_uid, geteuid() == 0 ? kNobody : geteuid());
                         EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"old.txt"});
                     }},
        BehaviourRow{"HardLinkedTargetWrittenInPlace",
                     [](const TempDir& dir) {
                         WriteBytes(dir / "a.txt", "old text, longer");
                         fs::create_hard_link(dir / "a.txt", dir / "b.txt");
                         return dir / "a.txt";
                     },
                     true,
                     [](const TempDir& dir) {
                         EXPECT_EQ(ReadBytes(dir / "a.txt"), "new text");
                         EXPECT_EQ(ReadBytes(dir / "b.txt"), "new text");
                         EXPECT_EQ(IdentityOf(dir / "a.txt"), IdentityOf(dir / "b.txt"));
                     }},
        BehaviourRow{"DanglingLinkCreatesItsFile",
                     [](const TempDir& dir) {
                         fs::create_directory(dir / "sub");
                         fs::create_symlink("made.txt", dir / "sub" / "second");
                         fs::create_symlink("sub/second", dir / "first");
                         return dir / "first";
                     },
                     false,
                     [](const TempDir& dir) {
                         EXPECT_TRUE(fs::is_symlink(dir / "first"));
                         EXPECT_TRUE(fs::is_symlink(dir / "sub" / "second"));
                         EXPECT_EQ(ReadBytes(dir / "sub" / "made.txt"), "new text");
                         EXPECT_EQ(ModeOf(dir / "sub" / "made.txt"), 0640u);
                     }}),
    test::RowName());

// Guards shell-like output: a name of an open descriptor appends to what was
// already written through it, instead of replacing the file behind it.
TEST(ReplacementStreamTest, OpenDescriptorIsWrittenNotReplaced)
{
    TempDir dir;
    for (const std::string prefix : {"/dev/fd/", "/proc/self/fd/"}) {
        WriteBytes(dir / "log.txt", "head ");
        const int fd = open((dir / "log.txt").c_str(), O_WRONLY | O_APPEND);
        ASSERT_GE(fd, 0);
        {
            Replacement replacement(prefix + std::to_string(fd));
            replacement.Write("new");
            replacement.Commit();
            EXPECT_TRUE(replacement.InPlace());
        }
        EXPECT_EQ(ReadBytes(dir / "log.txt"), "head new") << prefix;
        EXPECT_NE(fcntl(fd, F_GETFD), -1) << "the descriptor stays open";
        close(fd);
    }
}

// Guards the signal cleanup: a program killed midway leaves no temporary file.
TEST(ReplacementSignalTest, TerminationRemovesTheTemporaryFile)
{
    TempDir dir;
    WriteBytes(dir / "target.txt", "old");
    const test::ProgramResult result =
        RunProgram(TAVREL_REPLACE_DRIVER, {(dir / "target.txt").string(), "0123456789", "5", "2"});
    EXPECT_EQ(result.signal, SIGTERM) << result.err;
    EXPECT_EQ(ReadBytes(dir / "target.txt"), "old");
    EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"target.txt"});
}

struct UnprivilegedRow {
    std::string name;
    std::function<fs::path(const fs::path& dir)> prepare;  // as root; gives the target
    int exitStatus;
    std::function<std::string(const fs::path& target)> message;
    std::optional<std::string> content;  // nothing: the target must not exist
};

class UnprivilegedTest : public testing::TestWithParam<UnprivilegedRow> {};

// Guards what an ordinary user meets: a read-only file is refused, a folder
// that refuses new files still lets its writable files be written, and the
// message names the real cause.
TEST_P(UnprivilegedTest, WritesAsAnOrdinaryUser)
{
    const UnprivilegedRow& row = GetParam();
    if (geteuid() != 0 || access("/usr/bin/setpriv", X_OK) != 0)
        GTEST_SKIP() << "needs root and setpriv to run as another user";
    TempDir dir;
    const fs::path target = row.prepare(dir.path());
    const std::optional<FileId> before = IdentityOf(target);
    const std::vector<std::string> entries = Entries(target.parent_path());
    const test::ProgramResult result =
        RunProgram("/usr/bin/setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups", TAVREL_REPLACE_DRIVER,
                                        target.string(), "new"});
    EXPECT_EQ(result.exitStatus, row.exitStatus) << result.err;
    EXPECT_NE(result.err.find(row.message(target)), std::string::npos) << result.err;
    EXPECT_EQ(fs::exists(target), row.content.has_value());
    if (row.content) {
        EXPECT_EQ(ReadBytes(target), *row.content);
    }
    EXPECT_EQ(IdentityOf(target), before);
    EXPECT_EQ(Entries(target.parent_path()), entries);
}

fs::path OwnedByNobody(const fs::path& path, unsigned mode)
{
    chown(path.c_str(), kNobody, kNobody);
    chmod(path.c_str(), mode);
    return path;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UnprivilegedTest,
    testing::Values(
        UnprivilegedRow{"ReadOnlyTargetIsRefused",
                        [](const fs::path& dir) {
                            fs::create_directory(dir / "own");
                            OwnedByNobody(dir / "own", 0755);
                            WriteBytes(dir / "own" / "t.txt", "old");
                            return OwnedByNobody(dir / "own" / "t.txt", 0444);
                        },
                        1,
                        [](const fs::path& target) {
                            return "无法写入文件“" + target.string() + "”：Permission denied";
                        },
                        "old"},
        UnprivilegedRow{"LockedFolderWritesTargetInPlace",
                        [](const fs::path& dir) {
                            WriteBytes(dir / "t.txt", "old and longer");
                            return OwnedByNobody(dir / "t.txt", 0644);
                        },
                        0, [](const fs::path&) { return ""; }, "new"},
        UnprivilegedRow{"LockedFolderRefusesNewFile", [](const fs::path& dir) { return dir / "new.txt"; }, 1,
                        [](const fs::path& target) {
                            return "无法在文件夹“" + target.parent_path().string() +
                                   "”中创建文件“new.txt”：Permission denied";
                        },
                        std::nullopt}),
    test::RowName());

}  // namespace
}  // namespace tavrel
