#include "engine/block_codec.h"
#include "engine/block_converter.h"
#include "engine/codec.h"
#include "engine/converter.h"
#include "engine/errors.h"
#include "engine/phrases.h"
#include "engine/tables.h"
#include "engine/utf.h"
#include "files/platform.h"
#include "files/table_files.h"
#include "tests/support/text_codec.h"
#include "tests/support/row_name.h"
#include "tests/support/temp_dir.h"

#include <gmock/gmock.h>

#include <cerrno>
#include <optional>
#include <random>
#include <stdexcept>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace tavrel {
namespace {

using test::DecodeBytes;
using test::EncodeText;

using test::Gbk;
namespace fs = std::filesystem;

const std::u16string kBig5Text = u"開啟舊檔(&O)...\r\n無法開啟檔案，請確認檔案是否存在。\r\n說明(&H)\r\n";

struct DecodeCase {
    const char* name;
    std::string bytes;
    Encoding encoding;
    std::u16string text;
    std::optional<std::size_t> badByte = std::nullopt;  // where decoding fails, if it does
    bool declared = false;  // decoded as `encoding` instead of detected
    friend void PrintTo(const DecodeCase& row, std::ostream* out) { *out << row.name; }
};

class DecodeTest : public testing::TestWithParam<DecodeCase> {};

// Text that encodes back to the same bytes, or an error naming the encoding
// and the offset of the first bad byte (that it names the file, the table
// file tests show).
TEST_P(DecodeTest, DecodesStrictly)
{
    const DecodeCase& c = GetParam();
    try {
        const DecodedText decoded = c.declared ? DecodedText{DecodeBytes(c.bytes, c.encoding, "in.txt"), c.encoding}
                                               : DecodeText(c.bytes, "in.txt");
        EXPECT_FALSE(c.badByte) << "decoded without error";
        EXPECT_EQ(decoded.encoding, c.encoding);
        EXPECT_EQ(decoded.text, c.text);
        EXPECT_EQ(EncodeText(decoded.text, decoded.encoding, "out.txt"), c.bytes);
    } catch (const DecodeError& error) {
        ASSERT_TRUE(c.badByte) << error.what();
        EXPECT_THAT(error.what(), testing::HasSubstr("字节偏移 " + std::to_string(*c.badByte) + " 处不是有效的 " +
                                                     EncodingName(c.encoding) + " 字节序列"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, DecodeTest,
    testing::Values(
        DecodeCase{"EmptyIsGbk", "", Encoding::Gbk, u""},
        DecodeCase{"Gb18030FourByte", "\xD6\xD0\x81\x30\x84\x36\x95\x32\x82\x36", Encoding::Gb18030, u"中¥𠀀"},
        DecodeCase{"Gb18030TruncatedAtEnd", "\x81\x30\x84\x36\xD6", Encoding::Gb18030, u"", 4},
        DecodeCase{"Big5", test::IcuEncoded("windows-950-2000", kBig5Text), Encoding::Big5, kBig5Text},
        DecodeCase{"Big5UnmappedTrail", "\xA4\xA4\xA4\x80", Encoding::Big5, u"", 2, true},
        DecodeCase{"Utf8WithoutMark", "中\xE2\x80\x8B😀\n", Encoding::Utf8, u"中\x200B\xD83D\xDE00\n"},
        DecodeCase{"Utf8WithMark", "\xEF\xBB\xBF中國", Encoding::Utf8Bom, u"中國"},
        DecodeCase{"Utf8MarkThenOverlong", "\xEF\xBB\xBF" "ab\xC0\x80", Encoding::Utf8Bom, u"", 5},
        DecodeCase{"Utf8MarkThenEncodedSurrogate", "\xEF\xBB\xBF\xED\xA0\x80", Encoding::Utf8Bom, u"", 3},
        DecodeCase{"Utf8MarkThenOverlongThreeBytes", "\xEF\xBB\xBF" "a\xE0\x80\x80", Encoding::Utf8Bom, u"", 4},
        DecodeCase{"Utf16LittleEndian", std::string("\xFF\xFE\x2D\x4E\x0A\x00", 6), Encoding::Utf16LE, u"中\n"},
        DecodeCase{"Utf16BigEndian", std::string("\xFE\xFF\x4E\x2D\x00\x0A", 6), Encoding::Utf16BE, u"中\n"},
        DecodeCase{"Utf16OddLength", std::string("\xFF\xFE\x2D\x4E\x0A", 5), Encoding::Utf16LE, u"", 4},
        DecodeCase{"Utf16UnpairedSurrogate", std::string("\xFF\xFE\x00\xD8\x41\x00", 6), Encoding::Utf16LE, u"", 2}),
    test::RowName());

struct UnencodableCase {
    const char* name;
    std::u16string text;
    Encoding encoding;
    char32_t codePoint;
    std::size_t line, column;
    friend void PrintTo(const UnencodableCase& row, std::ostream* out) { *out << row.name; }
};

class UnencodableTest : public testing::TestWithParam<UnencodableCase> {};

// Each must fail, naming the character and where it is, instead of vanishing
// from the file as a default-ignorable one does through ICU's stop callback.
// The message itself, character included, the file conversion tests check whole.
TEST_P(UnencodableTest, NamesTheCharacterAndWhereItIs)
{
    const UnencodableCase& c = GetParam();
    try {
        EncodeText(c.text, c.encoding, "/tmp/out.txt");
        FAIL() << "encoded without error";
    } catch (const EncodeError& error) {
        EXPECT_THAT(error.what(), testing::HasSubstr("第 " + std::to_string(c.line) + " 行第 " +
                                                     std::to_string(c.column) + " 个字符 " +
                                                     CodePointName(c.codePoint) + " 无法用"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Strict, UnencodableTest,
    testing::Values(
        UnencodableCase{"ByteOrderMarkCharacterBeforeSimplifiedInBig5", u"中\n\xFEFF国", Encoding::Big5, 0xFEFF, 2, 1},
        UnencodableCase{"EmojiOnLineTwoAfterCrLf", u"a\r\nb😀", Encoding::Gbk, 0x1F600, 2, 2},
        UnencodableCase{"LoneSurrogateInUtf8", u"a\xD800" u"b", Encoding::Utf8, 0xD800, 1, 2},
        UnencodableCase{"LoneSurrogateInGb18030", u"a\xD800", Encoding::Gb18030, 0xD800, 1, 2},
        UnencodableCase{"LoneSurrogateInUtf16", u"\xDC00", Encoding::Utf16BE, 0xDC00, 1, 1}),
    test::RowName());

// What `f` returns, or nothing when it throws (a codec error or ICU's refusal).
auto Try(auto f) -> std::optional<decltype(f())>
{
    try {
        return f();
    } catch (const std::runtime_error&) {
        return std::nullopt;
    }
}

// The codec's generated tables must agree with ICU's windows-936-2000 on
// every BMP code unit. Every one- and two-byte sequence that decodes must
// decode to one unit that encodes back to it, and there must be as many as
// ICU decodes (24,070): together, no room for a decoding unlike ICU's.
TEST(GbkTest, AgreesWithIcuEverywhere)
{
    for (char32_t unit = 0; unit < 0x10000; ++unit) {
        const std::u16string text(1, static_cast<char16_t>(unit));
        ASSERT_EQ(Try([&] { return EncodeText(text, Encoding::Gbk, "gbk"); }),
                  Try([&] { return test::IcuEncoded("windows-936-2000", text); }))
            << "U+" << std::hex << static_cast<unsigned>(unit);
    }
    std::size_t valid = 0;
    const auto roundTrips = [&](const std::string& bytes) {
        const auto text = Try([&] { return DecodeBytes(bytes, Encoding::Gbk, "gbk"); });
        valid += text.has_value();
        return !text || (text->size() == 1 && EncodeText(*text, Encoding::Gbk, "gbk") == bytes);
    };
    for (int first = 0; first < 0x100; ++first) {
        ASSERT_TRUE(roundTrips(std::string(1, static_cast<char>(first)))) << first;
        for (int second = 0; first >= 0x81 && first <= 0xFE && second < 0x100; ++second)
            ASSERT_TRUE(roundTrips({static_cast<char>(first), static_cast<char>(second)})) << first << " " << second;
    }
    EXPECT_EQ(valid, 24070u);
}

// The converter, and the table files it loads.

// The first occurrence in the source table wins and characters in neither
// pass through; an empty table drops what the other holds; surrogates map
// one unit at a time. Each SetTables replaces the tables before it.
TEST(ConverterTest, ConvertsAsTheTablesSay)
{
    Converter converter;
    converter.SetTables(u"123456789國國", u"123456789国X");
    EXPECT_EQ(converter.F2J(u"a\r\n中國。"), u"a\r\n中国。");
    converter.SetTables(u"", u"国中");
    EXPECT_EQ(converter.J2F(u"中a国人"), u"a人");
    converter.SetTables(u"\xD840", u"\xD841");
    EXPECT_EQ(converter.F2J(u"\xD840\xDC00"), u"\xD841\xDC00");
}

struct TableFileCase {
    const char* name;
    std::optional<std::string> bytesF, bytesJ;  // nullopt: no such file
    std::u16string expectedF, expectedJ;
    const char *failingFile = nullptr, *reason = nullptr;  // when loading fails: the file the error names, and why
    friend void PrintTo(const TableFileCase& row, std::ostream* out) { *out << row.name; }
};

class TableFileTest : public testing::TestWithParam<TableFileCase> {};

// The system's reason for a missing file.
#ifdef _WIN32
const std::string kNoSuchFile = platform::ErrorText(2);  // ERROR_FILE_NOT_FOUND
#else
const std::string kNoSuchFile = platform::ErrorText(ENOENT);
#endif

// A failure leaves the tables as they were: empty.
TEST_P(TableFileTest, LoadsTheFirstLinesOrNamesTheFailingFile)
{
    const TableFileCase& c = GetParam();
    test::TempDir dir;
    if (c.bytesF)
        test::WriteBytes(dir / kTableFileF, *c.bytesF);
    if (c.bytesJ)
        test::WriteBytes(dir / kTableFileJ, *c.bytesJ);
    Converter converter;
    try {
        LoadTables(converter, dir.path());
        EXPECT_EQ(c.failingFile, nullptr) << "no error";
    } catch (const Error& error) {
        ASSERT_NE(c.failingFile, nullptr) << error.what();
        EXPECT_EQ(error.File(), dir / c.failingFile);
        EXPECT_THAT(error.what(), testing::HasSubstr("“" + (dir / c.failingFile).string() + "”"));
        EXPECT_THAT(error.what(), testing::HasSubstr(c.reason));
    }
    EXPECT_EQ(converter.TableF(), c.expectedF);
    EXPECT_EQ(converter.TableJ(), c.expectedJ);
}

INSTANTIATE_TEST_SUITE_P(
    Files, TableFileTest,
    testing::Values(
        TableFileCase{"CrLfOrLoneCrEndsTheLine", Gbk("國\r\n中"), Gbk("国\r中"), u"國", u"国"},
        TableFileCase{"LoneLfIsAnEntry", Gbk("國\n中"), Gbk("国\n中"), u"國\n中", u"国\n中"},
        TableFileCase{"EmptyFirstLinesAreEmptyTables", "\r\n" + Gbk("國"), "\r", u"", u""},
        TableFileCase{"CtrlZAndSpacesAreEntries", "\x1A a", "b \x1A", u"\x1A a", u"b \x1A"},
        TableFileCase{"BadBytesAfterTheFirstLineAreIgnored", Gbk("國") + "\r\n\x81", Gbk("国"), u"國", u"国"},
        TableFileCase{"Utf8AndUtf16", "\xEF\xBB\xBF國\r\n", std::string("\xFE\xFF\x56\xFD\x00\x0D", 6), u"國", u"国"},
        TableFileCase{"BothMissingStopsAtTraditional", {}, {}, u"", u"", kTableFileF, kNoSuchFile.c_str()},
        TableFileCase{"SimplifiedMissing", Gbk("國"), {}, u"", u"", kTableFileJ, kNoSuchFile.c_str()},
        TableFileCase{"EmptyFileHoldsNoLine", "", Gbk("国"), u"", u"", kTableFileF, "没有任何一行"},
        TableFileCase{"InvalidBytesGiveTheirOffset", Gbk("國國") + "\x81\x7F", Gbk("国"), u"", u"", kTableFileF,
                      "字节偏移 4"}),
    test::RowName());

// A table file that is no regular file is refused at once, naming it: a pipe
// would hang the program, a link to /dev/zero would fill its memory.
TEST(TableFileTest, OnlyRegularFilesAreRead)
{
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no named pipe in a folder and no /dev/zero";
#else
    test::TempDir dir;
    ASSERT_EQ(mkfifo((dir / kTableFileF).c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", dir / kTableFileJ);
    for (const char* name : {kTableFileF, kTableFileJ}) {
        EXPECT_THAT([&] { ReadTableLine(dir / name); },
                    testing::ThrowsMessage<FileError>(testing::HasSubstr((dir / name).string() + "”：不是普通文件")));
    }
#endif
}

// The tests run from the build's program directory, beside the shipped
// tables; both are read because one table is empty (國 then maps through the
// shipped pair, not the one set), and then no more.
TEST(LoadTablesTest, ReadsTheShippedTablesOnlyWhenATableIsEmpty)
{
    Converter converter;
    converter.SetTables(u"國", u"");
    LoadTables(converter);
    EXPECT_EQ(converter.F2J(u"中國"), u"中国");
    EXPECT_NO_THROW(LoadTables(converter, "/nonexistent-directory"));
}

// The fused block conversion beside the codecs it must agree with.

struct FusedCase {
    const char* name;
    Encoding encoding;
    const char16_t *tableF, *tableJ;  // empty: the shipped tables
    bool strayBytes;
    friend void PrintTo(const FusedCase& row, std::ostream* out) { *out << row.name; }
};

class FusedTest : public testing::TestWithParam<FusedCase> {};

// The fused paths must give exactly what decoding, converting and encoding
// give: the same bytes, or a failure (where a fused path fails, the plain one
// takes over and places it). On every character GBK has, and on random text:
// Chinese, ASCII, any BMP unit, a character beyond it with a line end and the
// tables' first characters, with a stray byte now and then if the row asks;
// each whole, then cut at a character boundary near lengths that end inside
// or at the edge of a 64-byte window.
TEST_P(FusedTest, GivesWhatThePlainPathGives)
{
    const FusedCase& row = GetParam();
    Converter converter;
    converter.SetTables(row.tableF, row.tableJ);
    LoadTables(converter);  // the shipped tables, when the row gives none
    // Every GBK character; random text; the same without the characters
    // beyond the BMP, which no table changes.
    std::string texts[3];
    const std::u16string mapped = *row.tableF ? row.tableF : u"國爲";
    std::mt19937 random(7);
    for (int i = 0; i < 4000; ++i) {
        const auto kind = random() % 10;
        const auto unit = static_cast<char16_t>(kind < 4 ? 0x4E00 + random() % 0x51A6
                                                : kind < 6 ? 0x20 + random() % 0x5F
                                                           : random());
        const std::u16string piece = kind < 8 ? std::u16string(1, unit) : kind == 8 ? u"\U0001F600\r\n" : mapped;
        for (int t = 1; t < 3; ++t) {
            if ((t == 1 || kind != 8) && EncodeBlock(piece, row.encoding, texts[t]) == std::u16string_view::npos &&
                row.strayBytes && i % 997 == 0)
                texts[t] += '\x81';
        }
    }
    for (char16_t unit = 0; row.encoding == Encoding::Gbk && unit < 0xFFFF; ++unit)
        EncodeBlock(std::u16string_view(&unit, 1), Encoding::Gbk, texts[0]);
    for (const Direction direction : {Direction::F2J, Direction::J2F}) {
        const BlockConverter blocks(converter, direction, row.encoding, row.encoding);
        for (const std::string& whole : texts) {
            for (const std::size_t length : {whole.size(), std::size_t{63}, std::size_t{64}, std::size_t{65},
                                             std::size_t{129}, std::size_t{5000}}) {
                const std::string_view text =
                    std::string_view(whole).substr(0, CharacterBoundary(std::string_view(whole).substr(0, length),
                                                                        row.encoding));
                ByteBuffer fused, plain;
                const BlockFailure::Kind failure = blocks.ConvertPlain(text, plain).kind;
                ASSERT_EQ(blocks.Convert(text, fused).kind, failure) << length;
                if (failure == BlockFailure::Kind::None) {
                    EXPECT_EQ(fused.View(), plain.View()) << length;
                }
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, FusedTest,
    testing::Values(FusedCase{"GbkShippedTables", Encoding::Gbk, u"", u"", true},
                    FusedCase{"GbkShippedTablesNoStrayBytes", Encoding::Gbk, u"", u"", false},
                    FusedCase{"GbkDroppingAndUnencodable", Encoding::Gbk, u"國爲a\u00E9", u"国\u00E9", false},
                    FusedCase{"Utf8ShippedTables", Encoding::Utf8, u"", u"", true},
                    FusedCase{"Utf8ShippedTablesNoStrayBytes", Encoding::Utf8, u"", u"", false},
                    FusedCase{"Utf8TwoByteCharacterMapped", Encoding::Utf8, u"\u00E9國", u"\u00EA国", false},
                    FusedCase{"Utf8Dropping", Encoding::Utf8, u"國爲", u"国", false},
                    FusedCase{"Utf8SurrogatesMappedAndDropped", Encoding::Utf8, u"\xD83D國a爲", u"\xD83E国b", false},
                    FusedCase{"Utf16LEShippedTables", Encoding::Utf16LE, u"", u"", false},
                    FusedCase{"Utf16BEDropping", Encoding::Utf16BE, u"國爲", u"国", false},
                    FusedCase{"Utf16LELowSurrogateToHigh", Encoding::Utf16LE, u"\xDE00", u"\xD800", false}),
    test::RowName());

// A block is all the converter may read: one ending in a lead byte fails
// there, though the byte after it in memory would complete a character.
TEST(FusedTest, ABlockEndingInALeadByteFailsThere)
{
    Converter converter;
    LoadTables(converter);
    std::string bytes;
    while (bytes.size() < 2 * BlockConverter::kFusedMinimum)
        bytes += Gbk("國語 ok, ");
    bytes += "\xB0\xA1";  // 啊, cut by the block's end
    const std::string_view block(bytes.data(), bytes.size() - 1);
    const BlockConverter blocks(converter, Direction::F2J, Encoding::Gbk, Encoding::Gbk);
    ByteBuffer out;
    const BlockFailure failure = blocks.Convert(block, out);
    EXPECT_EQ(failure.kind, BlockFailure::Kind::Decode);
    EXPECT_EQ(failure.offset, block.size() - 1);
}

// Phrases before the tables.

struct PhraseCase {
    const char* name;
    const char* phrases;  // dictionary lines
    std::u16string text, converted;
    friend void PrintTo(const PhraseCase& row, std::ostream* out) { *out << row.name; }
};

class PhraseTest : public testing::TestWithParam<PhraseCase> {};

std::u16string Repeat(std::u16string_view text, std::size_t times)
{
    std::u16string repeated;
    while (times-- > 0)
        repeated += text;
    return repeated;
}

// At each position the longest phrase decides the units it covers; the
// tables convert the rest, and no phrase reaches over a line end. The block
// converter gives the same, in an encoding that has every result, and from
// UTF-8 to UTF-8 in one pass, after enough ASCII to take that path: once
// with the text at the start of a 64-byte window and once two bytes before
// the end of one, so that its first two characters fall into two windows.
TEST_P(PhraseTest, LongestPhraseFirstThenTheTables)
{
    const PhraseCase& row = GetParam();
    Converter converter;
    converter.SetTables(u"發後", u"发后");
    auto phrases = std::make_shared<PhraseMatcher>();
    ASSERT_EQ(AddPhraseLines(*phrases, row.phrases), 0u);
    converter.SetPhrases(Direction::J2F, phrases);
    EXPECT_EQ(converter.J2F(row.text), row.converted);
    const std::u16string ascii(BlockConverter::kFusedMinimum, u'.');
    for (const auto& [output, before] : {std::pair{Encoding::Utf16BE, std::u16string()},
                                         {Encoding::Utf8, ascii},
                                         {Encoding::Utf8, ascii + std::u16string(62, u'.')}}) {
        ByteBuffer out;
        ASSERT_EQ(BlockConverter(converter, Direction::J2F, Encoding::Utf8, output)
                      .Convert(EncodeText(before + row.text, Encoding::Utf8, "in"), out)
                      .kind,
                  BlockFailure::Kind::None);
        std::string expected;
        EncodeBlock(before + row.converted, output, expected);
        EXPECT_EQ(out.View(), expected) << EncodingName(output);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Phrases, PhraseTest,
    testing::Values(
        PhraseCase{"LongerOverTheShorterInside", "头发\t頭髮\n头发长\t頭髮長\n", u"头发长头发", u"頭髮長頭髮"},
        PhraseCase{"TablesOutsidePhrases", "头发\t頭髮\n", u"发展后头发", u"發展後頭髮"},
        PhraseCase{"NoneAcrossALineEnd", "头发\t頭髮\n", u"头\n发头\r\n发", u"头\n發头\r\n發"},
        PhraseCase{"LaterLineReplacesAndMarkCommentsSkipped", "\xEF\xBB\xBF# x\t y\n头发\t頭發\r\n\n头发\t頭髮\n",
                   u"头发", u"頭髮"},
        PhraseCase{"BeyondTheBmpAndLongerResult", "\U00020000发\t\U00020001髮X\n", u"\U00020000发发",
                   u"\U00020001髮X發"},
        PhraseCase{"AsciiStartingSixBytesForOne", "a\t頭髮\n", std::u16string(4096, u'a') + u"b",
                   Repeat(u"頭髮", 4096) + u"b"},
        PhraseCase{"ThreeWhoseFirstTwoAreNone", "一只手\t一隻手\n", u"一只一只手", u"一只一隻手"},
        PhraseCase{"OneCharacterAndOneWithAsciiSecond", "头\t頭\n发a\t髮A\n", u"头发a发头", u"頭髮A發頭"},
        PhraseCase{"ResultOfAnotherLengthMidway", "头发\t頭髮\n发展\t發展中\n", u"头发发展头发后",
                   u"頭髮發展中頭髮後"}),
    test::RowName());

// With no phrase the result is the tables' exactly, dropped characters included.
TEST(PhraseTest, EmptyDictionaryGivesTheTablesResult)
{
    Converter plain, phrased;
    for (Converter* converter : {&plain, &phrased})
        converter->SetTables(u"發後國", u"发后");
    phrased.SetPhrases(Direction::J2F, std::make_shared<PhraseMatcher>());
    phrased.SetPhrases(Direction::F2J, std::make_shared<PhraseMatcher>());
    EXPECT_EQ(phrased.J2F(u"头发后\n中國"), plain.J2F(u"头发后\n中國"));
    EXPECT_EQ(phrased.F2J(u"頭發後\n中國"), plain.F2J(u"頭發後\n中國"));
    EXPECT_EQ(phrased.F2J(u"中國"), u"中");
}

// A saved dictionary loads into the same conversions. Bytes changed
// anywhere load into none, or into one whose conversions stay inside its
// arrays and buffers (AddressSanitizer checks that).
TEST(PhraseTest, SavedDictionaryLoadsAndDamagedOnesStayInside)
{
    PhraseMatcher built;
    AddPhraseLines(built, "头发\t頭髮\n头发长\t頭髮長\n发\t髮髮髮\n");
    const std::string saved = built.Save();
    const UnitMap map(u"发后", u"發後");
    const Utf8Transcoder characters(map);
    const std::string text = "头发长头发后发\n" + std::string(64, '.');
    const auto convert = [&](const PhraseMatcher& phrases) {
        std::u16string units;
        phrases.Convert(u"头发长头发后发", map, units);
        std::string bytes(phrases.MaxUtf8Output(text.size()), '\0');
        const char* end = phrases.ConvertUtf8(text, characters, bytes.data());
        return std::pair{units, end ? bytes.substr(0, static_cast<std::size_t>(end - bytes.data())) : ""};
    };
    PhraseMatcher loaded;
    ASSERT_TRUE(loaded.Load(saved));
    EXPECT_EQ(convert(loaded), convert(built));
    EXPECT_FALSE(PhraseMatcher().Load(saved.substr(0, saved.size() - 1)));
    // Every byte but the middle's, which are the filter of phrase starts and
    // most of the codes of units in no phrase: the head holds the targets,
    // the tail the trie's nodes and what follows them.
    for (std::size_t at = 0; at < saved.size(); at = at == 256 ? saved.size() - 2048 : at + 1) {
        std::string damaged = saved;
        damaged[at] = static_cast<char>(damaged[at] ^ 0xA5);
        PhraseMatcher phrases;
        if (phrases.Load(damaged))
            convert(phrases);
    }
}

TEST(PhraseTest, BadDictionaryLineIsNamed)
{
    PhraseMatcher phrases;
    EXPECT_EQ(AddPhraseLines(phrases, "a\tb\nno tab\n"), 2u);
    EXPECT_EQ(AddPhraseLines(phrases, "\tb\n"), 1u);
    EXPECT_EQ(AddPhraseLines(phrases, "a\t\xFF\n"), 1u);
}

struct LineBoundaryCase {
    const char* name;
    Encoding encoding;
    std::string bytes;
    std::size_t boundary;
    friend void PrintTo(const LineBoundaryCase& row, std::ostream* out) { *out << row.name; }
};

class LineBoundaryTest : public testing::TestWithParam<LineBoundaryCase> {};

// With phrases a block ends after its last line end: a byte 0x0A that is
// half of a UTF-16 unit is none. Without one it waits for more, up to
// kMaxLineCarry bytes, and then ends at a character.
TEST_P(LineBoundaryTest, BlocksEndAfterALineEnd)
{
    const LineBoundaryCase& row = GetParam();
    Converter converter;
    converter.SetPhrases(Direction::J2F, std::make_shared<PhraseMatcher>());
    EXPECT_EQ(BlockConverter(converter, Direction::J2F, row.encoding, row.encoding).Boundary(row.bytes), row.boundary);
}

INSTANTIATE_TEST_SUITE_P(
    Phrases, LineBoundaryTest,
    testing::Values(
        LineBoundaryCase{"Gbk", Encoding::Gbk, Gbk("头\n发\n头发"), 6},
        LineBoundaryCase{"Utf8NoLineEndYet", Encoding::Utf8, "头发头发", 0},
        LineBoundaryCase{"Utf8LongLineAtACharacter", Encoding::Utf8, std::string(65537, 'a') + "头\xE5", 65540},
        LineBoundaryCase{"Utf8LineEndTooFarBack", Encoding::Utf8, "\n" + std::string(65537, 'a'), 65538},
        LineBoundaryCase{"Utf16LEHalfUnitIsNoLineEnd", Encoding::Utf16LE, std::string("\x0A\x00\x0A\x4E\x0A", 5), 2},
        LineBoundaryCase{"Utf16BE", Encoding::Utf16BE, std::string("\x4E\x0A\x00\x0A\x00\x0A\x4E\x0A", 8), 6}),
    test::RowName());

// A phrase's result the output cannot hold fails at the phrase's first
// character, naming the character of the result.
TEST(PhraseTest, UnencodableResultNamesItsPhrase)
{
    Converter converter;
    auto phrases = std::make_shared<PhraseMatcher>();
    AddPhraseLines(*phrases, "头发\t頭\U0001F600\n");
    converter.SetPhrases(Direction::J2F, phrases);
    ByteBuffer out;
    const BlockFailure failure =
        BlockConverter(converter, Direction::J2F, Encoding::Utf8, Encoding::Gbk).Convert("ab头头发", out);
    EXPECT_EQ(failure.kind, BlockFailure::Kind::Encode);
    EXPECT_EQ(failure.offset, 5u);
    EXPECT_EQ(failure.codePoint, 0x1F600u);
}

}  // namespace
}  // namespace tavrel
