#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;
using tavrel::test::ReadBytes;

// A real install into a fresh prefix: programs and tables together, relative
// links in bin (so the tree can be moved), the desktop entry, the icons and
// the licences. The Debian package's test lists the other files installed.
TEST(InstallTest, InstalledTreeWorksThroughItsLinks)
{
    const tavrel::test::TempDir prefix;
    const auto install =
        tavrel::test::RunProgram(TAVREL_CMAKE, {"--install", TAVREL_BUILD_DIR, "--prefix", prefix.path().string()});
    ASSERT_EQ(install.exitStatus, 0) << install.out << install.err;
    for (const std::string program : {"tavrel", "tavrel-convert"}) {
        const fs::path link = prefix / ("bin/" + program);
        ASSERT_TRUE(fs::is_symlink(link)) << link;
        EXPECT_TRUE(fs::read_symlink(link).is_relative()) << link;
        EXPECT_EQ(fs::canonical(link), fs::canonical(prefix / ("lib/tavrel/" + program)));
    }
    for (const std::string table : {"systemF.txt", "systemJ.txt"})
        EXPECT_EQ(ReadBytes(prefix / ("lib/tavrel/" + table)), ReadBytes(fs::path(TAVREL_SOURCE_DIR) / "data" / table));
    const auto converted = tavrel::test::RunProgram(prefix / "bin/tavrel-convert", {"-s"}, "中國");
    EXPECT_EQ(converted.exitStatus, 0) << converted.err;
    EXPECT_EQ(converted.out, "中国");
    // The messages' catalogues are found from the installed program's folder.
    const auto traditional =
        tavrel::test::RunProgram(prefix / "bin/tavrel-convert", {"-x"}, "", {"LC_ALL=zh_TW.UTF-8", "LANGUAGE="});
    EXPECT_EQ(traditional.err.substr(0, traditional.err.find('\n')), "tavrel-convert：未知選項：-x");
    // English manual pages where man looks under LANG=C, and their Chinese translations.
    for (const std::string page : {"man1/tavrel.1.gz", "man1/tavrel-convert.1.gz", "zh_CN/man1/tavrel-convert.1.gz",
                                   "zh_TW/man1/tavrel-convert.1.gz"})
        EXPECT_TRUE(fs::is_regular_file(prefix / "share/man" / page)) << page;

    const std::string desktopEntry = std::string(TAVREL_APP_ID) + ".desktop";
    EXPECT_EQ(ReadBytes(prefix / "share/applications" / desktopEntry),
              ReadBytes(fs::path(TAVREL_SOURCE_DIR) / "packaging/linux" / desktopEntry));
    for (const std::string license : {"LICENSE", "LICENSE.OpenCC", "NOTICE"})
        EXPECT_TRUE(fs::is_regular_file(prefix / "share/doc/tavrel" / license)) << license;
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        const std::string square = std::to_string(size) + "x" + std::to_string(size);
        const fs::path icon = prefix / ("share/icons/hicolor/" + square + "/apps/tavrel.png");
        EXPECT_EQ(QImage(QString::fromStdString(icon.string())).size(), QSize(size, size)) << icon;
    }
}

}  // namespace
