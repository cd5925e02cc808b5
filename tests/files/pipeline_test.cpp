#include "files/pipeline.h"
#include "tests/support/row_name.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

namespace tavrel {
namespace {

using namespace test;

struct StringSink : ByteSink {
    void Write(std::string_view bytes) override { written += bytes; }
    std::string written;
};

struct SplitCase {
    const char* name;
    std::string bytes;
    Encoding input, output;
    std::string expected;  // the output, or where the conversion fails
};

// The output of converting `row` in blocks of `blockSize` bytes on `workers`
// threads, or why it failed.
std::string Convert(const SplitCase& row, std::size_t blockSize, std::size_t workers)
{
    Converter converter;
    converter.SetTables(u"國爲\U0001F600", u"国为\x200B");
    TempDir dir;
    WriteBytes(dir / "in.txt", row.bytes);
    InputFile file(dir / "in.txt");
    StringSink sink;
    PipelineSettings settings;
    settings.outputName = "out.txt";
    settings.input = row.input;
    settings.output = row.output;
    settings.blockSize = blockSize;
    settings.workers = workers;
    try {
        RunPipeline(converter, settings, file, sink);
        return sink.written;
    } catch (const Error& error) {
        const std::string message = error.what();
        return message.substr(message.find("：") + 3);
    }
}

class SplitTest : public testing::TestWithParam<SplitCase> {};

// Whatever the block size and the number of threads, the output and the
// failure are those of converting the whole input at once.
TEST_P(SplitTest, EveryBlockSizeAndThreadCountGivesTheSame)
{
    for (const std::size_t blockSize : {1, 2, 3, 5, 8, 4096}) {
        for (const std::size_t workers : {1, 2, 3}) {
            SCOPED_TRACE(testing::Message() << "block " << blockSize << ", threads " << workers);
            EXPECT_EQ(Convert(GetParam(), blockSize, workers), GetParam().expected);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, SplitTest,
    testing::Values(
        SplitCase{"EmptyFile", "", Encoding::Gbk, Encoding::Gbk, ""},
        SplitCase{"CrLfAndLoneCrEndOneLineEach", "a\r\nb\rc國😀", Encoding::Utf8, Encoding::Gbk,
                  "第 3 行第 3 个字符 U+200B 无法用 GBK 编码表示"},
        SplitCase{"BadByteLastOfItsBlock", Gbk("中國") + "\x81\x7F" + Gbk("國"), Encoding::Gbk, Encoding::Gbk,
                  "字节偏移 4 处不是有效的 GBK 字节序列"},
        SplitCase{"TruncatedAtTheEnd", Gbk("中國") + "\xD6", Encoding::Gbk, Encoding::Gbk,
                  "字节偏移 4 处不是有效的 GBK 字节序列"},
        // A GBK file with a four-byte GB18030 sequence is read and written
        // as GB18030 from any block on.
        SplitCase{"FourByteSequenceMakesGb18030", Gbk("國爲國\r\n") + "\x95\x32\x82\x36" + Gbk("國"), Encoding::Gbk,
                  Encoding::Gbk, Gbk("国为国\r\n") + "\x95\x32\x82\x36" + Gbk("国")},
        SplitCase{"BadByteAfterAFourByteSequence", Gbk("國") + "\x95\x32\x82\x36" + Gbk("國\r\n") + "\x80",
                  Encoding::Gbk, Encoding::Gbk, "字节偏移 10 处不是有效的 GB18030 字节序列"},
        SplitCase{"SurrogatePairsAcrossBlocks", std::string("\x3D\xD8\x00\xDE\x0B\x57", 6), Encoding::Utf16LE,
                  Encoding::Utf16LE, "\x0B\x20\xFD\x56"}),
    RowName());

}  // namespace
}  // namespace tavrel
