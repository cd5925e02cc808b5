#include "files/platform.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

namespace tavrel {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::WriteBytes;

// Guards 64-bit offsets (mingw-w64's off_t is 32-bit unless asked for more):
// a file grown past 4 GiB keeps its size, and bytes written there read back
// from there, not from the offset's low 32 bits, where other bytes wait. The
// file is sparse on Linux and under Wine, so the test takes no disk space.
TEST(PlatformTest, OffsetsPastFourGibibytes)
{
    constexpr std::uint64_t kFar = (std::uint64_t{5} << 30) + 3;
    platform::File file = platform::CreateScratch("scratch");
    platform::Truncate(file, kFar + 4, "scratch");
    platform::WriteAt(file, kFar, "tail", "scratch");
    platform::WriteAt(file, kFar & 0xFFFFFFFF, "head", "scratch");
    EXPECT_EQ(platform::Inspect(file, "scratch").size, kFar + 4);
    char bytes[4] = {};
    ASSERT_EQ(platform::ReadAt(file, kFar, bytes, sizeof bytes, "scratch"), sizeof bytes);
    EXPECT_EQ(std::string_view(bytes, sizeof bytes), "tail");
}

// Guards file identity, which tells a batch's existing result from its
// input: two files differ, two names of one file agree.
TEST(PlatformTest, IdentitiesTellFilesApart)
{
    TempDir dir;
    WriteBytes(dir / "繁體.txt", "a");
    WriteBytes(dir / "简体.txt", "b");
    fs::create_hard_link(dir / "繁體.txt", dir / "link.txt");
    const auto identity = [&](const char* name) { return platform::InspectPath(dir / name).value().identity; };
    EXPECT_NE(identity("繁體.txt"), identity("简体.txt"));
    EXPECT_EQ(identity("繁體.txt"), identity("link.txt"));
}

}  // namespace
}  // namespace tavrel
