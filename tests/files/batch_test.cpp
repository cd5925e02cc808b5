#include "engine/errors.h"
#include "files/batch.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

namespace tavrel {
namespace {

namespace fs = std::filesystem;
using test::Gbk;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

class BatchTest : public testing::Test {
protected:
    BatchTest() { converter_.SetTables(u"國爲", u"国为"); }

    Converter converter_;
    TempDir dir_;
};

TEST_F(BatchTest, ConvertsEachFileBesideItWithThePrefix)
{
    WriteBytes(dir_ / "a.txt", Gbk("中國"));
    WriteBytes(dir_ / "b.txt", "爲\r\n");
    WriteBytes(dir_ / "c.txt", "");
    const BatchResult result =
        ConvertBatch(converter_, Direction::F2J, {dir_ / "a.txt", dir_ / "b.txt", dir_ / "c.txt"});
    EXPECT_EQ(result.converted, 3u);
    EXPECT_FALSE(result.cancelled);
    EXPECT_EQ(ReadBytes(dir_ / "简体a.txt"), Gbk("中国"));
    EXPECT_EQ(ReadBytes(dir_ / "简体b.txt"), "为\r\n");
    EXPECT_EQ(ReadBytes(dir_ / "简体c.txt"), "");
}

TEST_F(BatchTest, PrefixesNameTwiceAndRunsTwice)
{
    WriteBytes(dir_ / "繁体a.txt", Gbk("国"));
    for (int run = 0; run < 2; ++run)
        ConvertBatch(converter_, Direction::J2F, {dir_ / "繁体a.txt"});
    EXPECT_EQ(ReadBytes(dir_ / "繁体繁体a.txt"), Gbk("國"));
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

TEST_F(BatchTest, DirectoryEndingWithSeparatorWorks)
{
    WriteBytes(dir_ / "a.txt", Gbk("國"));
    const fs::path input = dir_.path().string() + "/" + "/a.txt";
    ConvertBatch(converter_, Direction::F2J, {input});
    EXPECT_EQ(ReadBytes(dir_ / "简体a.txt"), Gbk("国"));
}

TEST_F(BatchTest, FailureStopsWithTheCountAndKeepsEarlierOutputs)
{
    WriteBytes(dir_ / "a.txt", Gbk("國"));
    WriteBytes(dir_ / "bad.txt", "\x81\x7F");
    WriteBytes(dir_ / "c.txt", Gbk("國"));
    try {
        ConvertBatch(converter_, Direction::F2J, {dir_ / "a.txt", dir_ / "bad.txt", dir_ / "c.txt"});
        FAIL() << "no error";
    } catch (const BatchError& error) {
        EXPECT_EQ(error.converted(), 1u);
        EXPECT_EQ(error.file(), dir_ / "bad.txt");
        EXPECT_NE(std::string(error.what()).find("已有 1 个文件成功转换"), std::string::npos);
    }
    EXPECT_EQ(ReadBytes(dir_ / "简体a.txt"), Gbk("国"));
    EXPECT_FALSE(fs::exists(dir_ / "简体bad.txt"));
    EXPECT_FALSE(fs::exists(dir_ / "简体c.txt"));
}

TEST_F(BatchTest, ObserverCanCancelBeforeTheNextFile)
{
    WriteBytes(dir_ / "a.txt", "a");
    WriteBytes(dir_ / "b.txt", "b");
    std::vector<std::size_t> seen;
    const BatchResult result =
        ConvertBatch(converter_, Direction::F2J, {dir_ / "a.txt", dir_ / "b.txt"}, [&](const BatchStep& step) {
            seen.push_back(step.index);
            return step.index == 0;
        });
    EXPECT_EQ(seen, (std::vector<std::size_t>{0, 1}));
    EXPECT_TRUE(result.cancelled);
    EXPECT_EQ(result.converted, 1u);
    EXPECT_FALSE(fs::exists(dir_ / "简体b.txt"));
}

}  // namespace
}  // namespace tavrel
