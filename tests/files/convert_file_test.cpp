#include "engine/errors.h"
#include "files/convert_file.h"
#include "tests/support/row_name.h"
#include "tests/support/temp_dir.h"

#include <gmock/gmock.h>

namespace tavrel {
namespace {

namespace fs = std::filesystem;
using namespace test;

struct FailureCase {
    const char* name;
    std::string input;
    EncodingChoice choice;
    const char* target;  // in the test's folder, which holds keep.txt and folder/
    std::string message;
};

class ConvertFileFailureTest : public testing::TestWithParam<FailureCase> {};

// Guards the replace-after-success rule: every failure names its cause and
// leaves the old target and no temporary file.
TEST_P(ConvertFileFailureTest, LeavesTheTargetAsItWas)
{
    const FailureCase& row = GetParam();
    TempDir dir;
    WriteBytes(dir / "in.txt", row.input);
    WriteBytes(dir / "keep.txt", "old");
    fs::create_directory(dir / "folder");
    EXPECT_THAT([&] { ConvertTextFile(Converter(), Direction::F2J, dir / "in.txt", dir / row.target, row.choice); },
                testing::ThrowsMessage<Error>(testing::HasSubstr(row.message)));
    EXPECT_EQ(ReadBytes(dir / "keep.txt"), "old");
    EXPECT_EQ(EntryCount(dir.path()), 3);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, ConvertFileFailureTest,
    testing::Values(
        FailureCase{"BadByteNamesItsOffset", Gbk("國國") + "\x81\x7F", {}, "keep.txt",
                    "字节偏移 4 处不是有效的 GBK 字节序列"},
        FailureCase{"UnencodableCharacterNamesLineAndColumn", "a\r\n\xE2\x80\x8B", {std::nullopt, Encoding::Gbk},
                    "keep.txt", "第 2 行第 1 个字符 U+200B 无法用 GBK 编码表示"},
        FailureCase{"FolderInTheTargetsPlace", "a", {}, "folder", "Is a directory"}),
    RowName());

// Saving over the input works, also when it has a second name and is
// therefore written in place with a longer result: it is read before it is
// overwritten.
TEST(ConvertFileTest, SavesOverItsOwnInput)
{
    TempDir dir;
    Converter converter;
    converter.SetTables(u"國", u"国");
    const auto lines = [](const char* character) {
        std::string text;
        for (int i = 0; i < 4000000; ++i)
            text += i % 50 ? character : "\n";
        return text;
    };
    WriteBytes(dir / "in.txt", Gbk(lines("國")));
    fs::create_hard_link(dir / "in.txt", dir / "other.txt");
    ConvertTextFile(converter, Direction::F2J, dir / "in.txt", dir / "in.txt", {std::nullopt, Encoding::Utf8});
    EXPECT_EQ(ReadBytes(dir / "other.txt"), lines("国"));
}

}  // namespace
}  // namespace tavrel
