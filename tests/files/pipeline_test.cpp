#include "engine/codec.h"
#include "engine/tables.h"
#include "files/pipeline.h"
#include "tests/support/row_name.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <random>

namespace tavrel {
namespace {

using test::Gbk;

class StringSink : public ByteSink {
public:
    void Write(std::string_view bytes) override { bytes_ += bytes; }
    std::string bytes_;
};

struct Outcome {
    PipelineResult result;
    std::string output;
};

Outcome Convert(const Converter& converter, const std::string& bytes, Encoding input, Encoding output,
            std::size_t blockSize, std::size_t workers)
{
    test::TempDir dir;
    test::WriteBytes(dir / "in.txt", bytes);
    InputFile file(dir / "in.txt");
    PipelineSettings settings;
    settings.input = input;
    settings.output = output;
    settings.blockSize = blockSize;
    settings.workers = workers;
    StringSink sink;
    const PipelineResult result = RunPipeline(converter, settings, file, sink);
    return {result, sink.bytes_};
}

struct SplitCase {
    const char* name;
    std::string bytes;
    Encoding input, output;
    const char* expected;  // the converted text, or nullptr when it fails
    BlockFailure::Kind failure;
    std::uint64_t offset;
    std::size_t line, column;
    friend void PrintTo(const SplitCase& row, std::ostream* out) { *out << row.name; }
};

class SplitTest : public testing::TestWithParam<SplitCase> {};

// Whatever the block size and the number of threads, the output and the
// failure are those of converting the whole input at once.
TEST_P(SplitTest, EveryBlockSizeAndThreadCountGivesTheSame)
{
    const SplitCase& row = GetParam();
    Converter converter;
    converter.SetTables(u"國爲\U0001F600", u"国为\x200B");
    for (const std::size_t blockSize : {1, 2, 3, 5, 8, 4096}) {
        for (const std::size_t workers : {1, 2, 3}) {
            SCOPED_TRACE(testing::Message() << "block " << blockSize << ", threads " << workers);
            const Outcome run = Convert(converter, row.bytes, row.input, row.output, blockSize, workers);
            EXPECT_EQ(run.result.failure, row.failure);
            if (row.expected) {
                EXPECT_EQ(run.output, row.expected);
                continue;
            }
            EXPECT_EQ(run.result.offset, row.offset);
            EXPECT_EQ(run.result.line, row.line);
            EXPECT_EQ(run.result.column, row.column);
        }
    }
}

using Kind = BlockFailure::Kind;

INSTANTIATE_TEST_SUITE_P(
    Blocks, SplitTest,
    testing::Values(
        SplitCase{"EmptyFile", "", Encoding::Gbk, Encoding::Gbk, "", Kind::None, 0, 0, 0},
        SplitCase{"TwoByteCharactersAcrossBlocks", Gbk("中國爲中國"), Encoding::Gbk, Encoding::Utf8, "中国为中国",
                  Kind::None, 0, 0, 0},
        SplitCase{"CrLfAcrossBlocksCountsOneLine", "a\r\nb\r\n😀", Encoding::Utf8, Encoding::Gbk, nullptr,
                  Kind::Encode, 6, 3, 1},
        SplitCase{"LoneCrEndsALine", "ab\rc\xE5\x9C\x8B😀", Encoding::Utf8, Encoding::Gbk, nullptr, Kind::Encode,
                  7, 2, 3},
        SplitCase{"BadByteLastOfItsBlock", Gbk("中國") + "\x81\x7F" + Gbk("國"), Encoding::Gbk, Encoding::Gbk,
                  nullptr, Kind::Decode, 4, 0, 0},
        SplitCase{"TruncatedAtTheEnd", Gbk("中國") + "\xD6", Encoding::Gbk, Encoding::Gbk, nullptr, Kind::Decode, 4,
                  0, 0},
        SplitCase{"FourByteSequenceMakesGb18030", Gbk("國") + "\x95\x32\x82\x36" + Gbk("國\r\n") + "\x80",
                  Encoding::Gbk, Encoding::Gbk, nullptr, Kind::Decode, 10, 0, 0},
        SplitCase{"SurrogatePairsAcrossBlocks", std::string("\x3D\xD8\x00\xDE\x0B\x57", 6), Encoding::Utf16LE,
                  Encoding::Utf16LE, "\x0B\x20\xFD\x56", Kind::None, 0, 0, 0}),
    test::RowName());

// A GBK file with a four-byte GB18030 sequence is GB18030 throughout: read and
// written with GB18030, from any block on.
TEST(PipelineTest, FourByteSequenceSwitchesToGb18030)
{
    Converter converter;
    converter.SetTables(u"國", u"国");
    const std::string bytes = Gbk("國國國國國國\r\n") + "\x95\x32\x82\x36" + Gbk("國");
    for (const std::size_t blockSize : {2, 4096}) {
        const Outcome run = Convert(converter, bytes, Encoding::Gbk, Encoding::Gbk, blockSize, 2);
        EXPECT_EQ(run.result.failure, Kind::None);
        EXPECT_EQ(run.result.input, Encoding::Gb18030);
        EXPECT_EQ(run.result.output, Encoding::Gb18030);
        EXPECT_EQ(run.output, Gbk("国国国国国国\r\n") + "\x95\x32\x82\x36" + Gbk("国"));
    }
}

// Random text in small blocks on several threads, byte for byte as one block.
TEST(PipelineTest, ParallelBlocksMatchOneBlock)
{
    Converter converter;
    LoadTables(converter);
    std::mt19937 random(11);
    std::uniform_int_distribution<std::size_t> pick(0, converter.TableF().size() - 1);
    std::u16string text;
    for (int i = 0; i < 20000; ++i)
        text += i % 40 == 39 ? u'\n' : converter.TableF()[pick(random)];
    const std::string bytes = EncodeText(text, Encoding::Utf8, "in.txt");
    const Outcome whole = Convert(converter, bytes, Encoding::Utf8, Encoding::Utf8, bytes.size() + 1, 1);
    ASSERT_EQ(whole.output, EncodeText(converter.F2J(text), Encoding::Utf8, "out.txt"));
    for (const std::size_t blockSize : {7, 100, 1000})
        EXPECT_EQ(Convert(converter, bytes, Encoding::Utf8, Encoding::Utf8, blockSize, 3).output, whole.output);
}

}  // namespace
}  // namespace tavrel
