#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

namespace {

// The script compiles, and the compiled resources hold the Chinese (PRC)
// string block with the version, file name and web address, and every image
// of the icon file.
TEST(WindowsResourceTest, CompiledScriptHoldsTheVersionStringsAndTheIcon)
{
    const tavrel::test::TempDir dir;
    const auto result = tavrel::test::RunProgram(TAVREL_WINDRES, {"--preprocessor=cpp", "-i", TAVREL_RESOURCE_SCRIPT,
                                                                  "-O", "res", "-o", (dir / "tavrel.res").string()});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    const std::string res = tavrel::test::ReadBytes(dir / "tavrel.res");
    for (const std::string text : {"080404B0", "3.00.0008", "Tavrel.exe", TAVREL_WEB_ADDRESS}) {
        std::string utf16le;
        for (const char c : text)
            utf16le += {c, '\0'};
        EXPECT_NE(res.find(utf16le), std::string::npos) << text;
    }
    // An icon file: a 6-byte header with the count at 4, then 16 bytes per
    // image with its size at 8 and its offset at 12.
    const std::string ico = tavrel::test::ReadBytes(TAVREL_SOURCE_DIR "/packaging/windows/tavrel.ico");
    const auto byte = [&](std::size_t at) { return std::size_t{static_cast<unsigned char>(ico.at(at))}; };
    const auto u32 = [&](std::size_t at) {
        return byte(at) | byte(at + 1) << 8 | byte(at + 2) << 16 | byte(at + 3) << 24;
    };
    for (std::size_t entry = 6; entry < 6 + 16 * byte(4); entry += 16)
        EXPECT_NE(res.find(ico.substr(u32(entry + 12), u32(entry + 8))), std::string::npos) << "image at " << entry;
}

}  // namespace
