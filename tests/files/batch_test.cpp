#include "files/batch.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

namespace tavrel {
namespace {

namespace fs = std::filesystem;
using namespace test;

// Each file's conversion goes beside it, in its encoding. Guards against
// overwriting a chosen file before it is read: 简体a.txt is both a chosen
// file and the output of a.txt.
TEST(BatchTest, WritesBesideEachFileInItsEncoding)
{
    TempDir dir;
    Converter converter;
    converter.SetTables(u"國爲", u"国为");
    WriteBytes(dir / "a.txt", Gbk("中國"));
    WriteBytes(dir / "简体a.txt", Gbk("爲"));
    WriteBytes(dir / "繁体b.txt", "\xEF\xBB\xBF爲\r\n");
    const fs::path separatorTwice = dir.path().string() + "//c.txt";
    WriteBytes(separatorTwice, "");
    const std::vector<fs::path> files{dir / "a.txt", dir / "简体a.txt", dir / "繁体b.txt", separatorTwice};
    EXPECT_EQ(ConvertBatch(converter, Direction::F2J, BesideEachFile(files, Direction::F2J)).converted, 4u);
    EXPECT_EQ(ReadBytes(dir / "简体a.txt"), Gbk("中国"));
    EXPECT_EQ(ReadBytes(dir / "简体简体a.txt"), Gbk("为"));
    EXPECT_EQ(ReadBytes(dir / "简体繁体b.txt"), "\xEF\xBB\xBF为\r\n");
    EXPECT_TRUE(fs::exists(dir / "简体c.txt"));
}

// Guards the commits that overlap the next files: the files before a failing
// one are in place, whole and counted, none after it is; an input that an
// earlier output creates is read once that output is in place.
TEST(BatchTest, FailureKeepsTheFilesBeforeItInPlaceAndNoneAfter)
{
    TempDir dir;
    Converter converter;
    converter.SetTables(u"國", u"国");
    WriteBytes(dir / "a.txt", Gbk("國"));
    WriteBytes(dir / "b.txt", "\x81");
    WriteBytes(dir / "c.txt", Gbk("國"));
    try {
        ConvertBatch(converter, Direction::F2J,
                     BesideEachFile({dir / "a.txt", dir / "简体a.txt", dir / "b.txt", dir / "c.txt"}, Direction::F2J));
        ADD_FAILURE() << "b.txt converted";
    } catch (const BatchError& error) {
        EXPECT_TRUE(std::string(error.what()).ends_with("已有 2 个文件成功转换。")) << error.what();
    }
    EXPECT_EQ(ReadBytes(dir / "简体a.txt"), Gbk("国"));
    EXPECT_EQ(ReadBytes(dir / "简体简体a.txt"), Gbk("国"));
    EXPECT_FALSE(fs::exists(dir / "简体b.txt"));
    EXPECT_FALSE(fs::exists(dir / "简体c.txt"));
}

// Guards cancelling: the batch stops before writing anything more, and says
// so the way a failure does, with the count.
TEST(BatchTest, CancelledBatchWritesNothingMore)
{
    TempDir dir;
    WriteBytes(dir / "a.txt", "a");
    Progress progress;
    progress.Cancel();
    try {
        ConvertBatch(Converter(), Direction::F2J, BesideEachFile({dir / "a.txt"}, Direction::F2J), {}, &progress);
        ADD_FAILURE() << "not cancelled";
    } catch (const BatchError& error) {
        EXPECT_TRUE(error.WasCancelled());
        EXPECT_STREQ(error.what(), "转换已取消，目标文件保持原样。\n在此之前已有 0 个文件成功转换。");
    }
    EXPECT_EQ(EntryCount(dir.path()), 1);
}

}  // namespace
}  // namespace tavrel
