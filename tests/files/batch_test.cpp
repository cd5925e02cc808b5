#include "files/batch.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

namespace tavrel {
namespace {

namespace fs = std::filesystem;
using namespace test;

class BatchTest : public testing::Test {
protected:
    BatchTest() { converter_.SetTables(u"國爲", u"国为"); }

    Converter converter_;
    TempDir dir_;
};

TEST_F(BatchTest, WritesBesideEachFileInItsEncoding)
{
    WriteBytes(dir_ / "a.txt", Gbk("中國"));
    WriteBytes(dir_ / "繁体b.txt", "\xEF\xBB\xBF爲\r\n");
    const fs::path separatorTwice = dir_.path().string() + "//c.txt";
    WriteBytes(separatorTwice, "");
    for (int run = 0; run < 2; ++run) {
        const BatchResult result =
            ConvertBatch(converter_, Direction::F2J, {dir_ / "a.txt", dir_ / "繁体b.txt", separatorTwice});
        EXPECT_EQ(result.converted, 3u);
    }
    EXPECT_EQ(ReadBytes(dir_ / "简体a.txt"), Gbk("中国"));
    EXPECT_EQ(ReadBytes(dir_ / "简体繁体b.txt"), "\xEF\xBB\xBF为\r\n");
    EXPECT_TRUE(fs::exists(dir_ / "简体c.txt"));
    EXPECT_EQ(BatchOutputPath(dir_ / "a.txt", Direction::J2F), dir_ / "繁体a.txt");
}

// Guards against overwriting a chosen file before it is read: 简体a.txt is
// both a chosen file and the output of a.txt.
TEST_F(BatchTest, ChosenFileIsReadBeforeAnotherOutputReplacesIt)
{
    WriteBytes(dir_ / "a.txt", Gbk("國"));
    WriteBytes(dir_ / "简体a.txt", Gbk("爲"));
    ConvertBatch(converter_, Direction::F2J, {dir_ / "a.txt", dir_ / "简体a.txt"});
    EXPECT_EQ(ReadBytes(dir_ / "简体a.txt"), Gbk("国"));
    EXPECT_EQ(ReadBytes(dir_ / "简体简体a.txt"), Gbk("为"));
}

// Guards cancelling: the batch stops before writing anything more, and says so.
TEST_F(BatchTest, CancelledBatchWritesNothingMore)
{
    WriteBytes(dir_ / "a.txt", "a");
    FileProgress progress;
    progress.cancel = true;
    const BatchResult result = ConvertBatch(converter_, Direction::F2J, {dir_ / "a.txt"}, {}, &progress);
    EXPECT_TRUE(result.cancelled);
    EXPECT_EQ(result.converted, 0u);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_.path()), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace tavrel
