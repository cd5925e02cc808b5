#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;
using tavrel::test::ReadBytes;
using tavrel::test::RunProgram;
using tavrel::test::TempDir;

class InstallTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        prefix = new TempDir;
        const auto result = RunProgram(TAVREL_CMAKE, {"--install", TAVREL_BUILD_DIR, "--prefix", prefix->path().string()});
        ASSERT_EQ(result.exitStatus, 0) << result.out << result.err;
    }

    static void TearDownTestSuite()
    {
        delete prefix;
        prefix = nullptr;
    }

    static fs::path Installed(const std::string& path) { return prefix->path() / path; }

    static TempDir* prefix;
};

TempDir* InstallTest::prefix = nullptr;

TEST_F(InstallTest, ProgramsAndTablesShareTheApplicationDirectory)
{
    for (const char* program : {"tavrel", "tavrel-convert"}) {
        const fs::path file = Installed(std::string("lib/tavrel/") + program);
        EXPECT_TRUE(fs::is_regular_file(file)) << file;
        EXPECT_NE(fs::status(file).permissions() & fs::perms::owner_exec, fs::perms::none) << file;
    }
    for (const char* table : {"systemF.txt", "systemJ.txt"})
        EXPECT_EQ(ReadBytes(Installed(std::string("lib/tavrel/") + table)), ReadBytes(fs::path(TAVREL_SOURCE_DIR) / "data" / table));
}

// Relative links keep working when the installed tree is moved or packaged.
TEST_F(InstallTest, BinHoldsRelativeLinksToThePrograms)
{
    for (const std::string program : {"tavrel", "tavrel-convert"}) {
        const fs::path link = Installed("bin/" + program);
        ASSERT_TRUE(fs::is_symlink(link)) << link;
        EXPECT_TRUE(fs::read_symlink(link).is_relative());
        EXPECT_EQ(fs::canonical(link), fs::canonical(Installed("lib/tavrel/" + program)));
    }
}

TEST_F(InstallTest, LinkedConverterFindsItsTables)
{
    const auto result = RunProgram(Installed("bin/tavrel-convert"), {"-s"}, "中國");
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.out, "中国");
}

TEST_F(InstallTest, DesktopEntryAndHicolorIcons)
{
    EXPECT_EQ(ReadBytes(Installed("share/applications/tavrel.desktop")),
              ReadBytes(fs::path(TAVREL_SOURCE_DIR) / "packaging/linux/tavrel.desktop"));
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        const std::string name = std::to_string(size) + "x" + std::to_string(size);
        const QImage icon(QString::fromStdString(Installed("share/icons/hicolor/" + name + "/apps/tavrel.png").string()));
        EXPECT_EQ(icon.size(), QSize(size, size)) << name;
    }
}

}  // namespace
