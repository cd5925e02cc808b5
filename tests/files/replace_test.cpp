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

}  // namespace
}  // namespace tavrel
