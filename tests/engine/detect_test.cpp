#include "engine/detect.h"
#include "engine/utf8_check.h"
#include "tests/support/row_name.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

namespace tavrel {
namespace {

using test::IcuEncoded;

const std::u16string kSimplified =
    u"本程序把简体中文转换为繁体中文，也可以反过来转换。\r\n"
    u"选择一个文件以后，按“转换”按钮，结果保存在原文件旁边。\r\n";
const std::u16string kTraditional =
    u"無法開啟檔案，請確認檔案是否存在。\r\n"
    u"這個程式會把繁體中文轉換為簡體中文，轉換完成後請檢查結果。\r\n"
    u"說明(&H)\r\n關於本軟體(&B)...\r\n結束(&X)\r\n";

struct DetectCase {
    const char* name;
    std::string bytes;
    Encoding encoding;
    bool wantsMore = true;  // after the first 16 KiB, fed as one block
    std::optional<Encoding> whileOpen = std::nullopt;  // the answer then, when not `encoding`
    friend void PrintTo(const DetectCase& row, std::ostream* out) { *out << row.name; }
};

std::vector<DetectCase> Samples()
{
    std::string gbkPast8000Bytes;
    while (gbkPast8000Bytes.size() < 8100)
        gbkPast8000Bytes += IcuEncoded("windows-936-2000", kSimplified);
    const std::string big5 = IcuEncoded("windows-950-2000", kTraditional);
    return {
        {"AsciiIsGbk", "plain ASCII, 42\r\n", Encoding::Gbk},
        {"GbkPast8000BytesStops", gbkPast8000Bytes, Encoding::Gbk, false},
        {"GbkLuluLooksLikeUtf8", "\xC2\xBD\xC2\xB7", Encoding::Gbk},  // 陆路
        {"GbkOneCharacterWhoseBig5ReadingIsCommoner", "\xC0\xC9 ", Encoding::Gbk},  // 郎, in Big5 些
        // Guards the detector's "no charset matches" status, which used to escape as an exception.
        {"GbkCutCharacterMatchesNoCharset", "\xD6\xD0\xD6", Encoding::Gbk},
        // 聽聲: well-formed UTF-8 (U+00A0 U+0095), but no text holds a C1 control.
        {"GbkTingShengHasAControl", "\xC2\xA0\xC2\x95", Encoding::Gbk},
        // 谢谢, 农奴: common words; a Cyrillic line, «», ±½ and αβ read as GBK are not.
        {"GbkXiexieLooksLikeUtf8", "\xD0\xBB\xD0\xBB\n", Encoding::Gbk},
        {"GbkNongnuLooksLikeUtf8", "\xC5\xA9\xC5\xAB", Encoding::Gbk},
        {"Utf8CyrillicWords", "дело,год,вид\n", Encoding::Utf8},
        {"Utf8Guillemets", "«»\n", Encoding::Utf8},
        {"Utf8PlusMinusHalf", "±½", Encoding::Utf8},
        {"Utf8AlphaBeta", "αβ", Encoding::Utf8},
        // A stray byte in UTF-8 is an error in UTF-8, not a reason to read GBK.
        {"Utf8WithStrayByte", "無法開啟檔案\xFF\n", Encoding::Utf8},
        {"GbkLookalikeNextToLetterIsUtf8", "a\xD0\xBB\xD0\xBB", Encoding::Utf8},
        {"GbkLookalikeSingleIsUtf8", "\xD0\xBB.", Encoding::Utf8},
        {"GbkLookalikeRunThenSingleAtTheEndIsUtf8", "\xD0\xBB\xD0\xBB.\xD0\xBB", Encoding::Utf8},
        {"Gb18030AfterUtf8LookingStart", "\xC2\xBD\xC2\xB7\x81\x30\x84\x36", Encoding::Gb18030},
        {"Big5Paragraph", big5, Encoding::Big5},
        // Short texts that ICU's charset detector took for GBK: the Big5
        // reading's characters are the more plausible Chinese.
        {"Big5ShortSentence", IcuEncoded("windows-950-2000", u"頭髮很長"), Encoding::Big5},
        {"Big5TwoCharactersHair", IcuEncoded("windows-950-2000", u"頭髮"), Encoding::Big5},
        {"Big5TwoCharactersFile", IcuEncoded("windows-950-2000", u"檔案"), Encoding::Big5},
        {"Big5SentenceWithPunctuation", IcuEncoded("windows-950-2000", u"請稍候。"), Encoding::Big5},
        {"GbkTraditionalTwoCharacters", IcuEncoded("windows-936-2000", u"頭髮"), Encoding::Gbk},
        {"GbkTraditionalSentence", IcuEncoded("windows-936-2000", u"頭髮很長"), Encoding::Gbk},
        {"GbkSimplifiedTwoCharacters", IcuEncoded("windows-936-2000", u"简体"), Encoding::Gbk},
        {"GbkXiexie", IcuEncoded("windows-936-2000", u"谢谢"), Encoding::Gbk},
        // Read as Big5, 波浪 is 疏檢, a little more plausible: GBK's margin keeps it.
        {"GbkBolangWithinTheMarginOfItsBig5Reading", IcuEncoded("windows-936-2000", u"波浪"), Encoding::Gbk},
        {"Utf8Paragraph", IcuEncoded("UTF-8", kSimplified), Encoding::Utf8},
        // A complete input cut inside its last character (the Big5 one inside 束,
        // before "(&X)\r\n") is not of that encoding.
        {"Utf8CutAtTheEndIsUtf8WithAnError", IcuEncoded("UTF-8", kSimplified).substr(0, 4), Encoding::Utf8},
        // GBK whose bytes are UTF-8 but for a cut last character, and read as text.
        {"GbkLikeUtf8CutAtTheEnd", "\xD6\xD0\xE5\xB4", Encoding::Gbk},
        // One character of UTF-8 and a stray byte: GBK fails on it, or reads
        // a private-use character; UTF-8 names the stray byte.
        {"Utf8CharacterThenStrayByte", "\xE6\x9B\xB8\xFF\n", Encoding::Utf8},
        {"Utf8CharacterThenStrayByteReadableAsGbk", "a\xE6\x9B\xB8" "b\xFF\n", Encoding::Utf8},
        {"Utf8LineWithTwoStrayBytes", "\xFF" + IcuEncoded("UTF-8", u"說明(&H)\r\n關於本軟體(&B)") + "\xFF", Encoding::Utf8},
        {"Big5CutAtTheEndIsGbk", big5.substr(0, big5.size() - 7), Encoding::Gbk, true, Encoding::Big5},
        // UTF-16 without a mark: by its NUL bytes, or by its characters alone.
        {"Utf16LEWithoutMarkLine", IcuEncoded("UTF-16LE", u"無法開啟檔案。\n"), Encoding::Utf16LE},
        {"Utf16BEWithoutMarkChineseOnly", IcuEncoded("UTF-16BE", u"这个程序会把繁体中文转换为简体中文"),
         Encoding::Utf16BE},
        // Marks are read alike; which mark is which, the decoding tests show.
        {"Utf8BomParagraph", "\xEF\xBB\xBF" + IcuEncoded("UTF-8", kTraditional), Encoding::Utf8Bom, false},
    };
}

class DetectTest : public testing::TestWithParam<DetectCase> {};

// The first block guards the caller's early stop: once Feed says so, the
// rest need not be read, and the answer so far holds. The splits guard the
// state carried across blocks: cut characters, the look-alike runs, the
// four-byte scan and the Big5 converter.
TEST_P(DetectTest, FirstBlockWholeInputAndEverySplitIntoTwoBlocks)
{
    const std::string& bytes = GetParam().bytes;
    EncodingDetector firstBlock;
    EXPECT_EQ(firstBlock.Feed(std::string_view(bytes).substr(0, 16384)), GetParam().wantsMore);
    EXPECT_EQ(firstBlock.Result(false), GetParam().whileOpen.value_or(GetParam().encoding));
    EXPECT_EQ(DetectEncoding(bytes), GetParam().encoding);
    for (std::size_t split = 0; split <= bytes.size(); ++split) {
        // Every split near the ends, and at a spread of alignments between.
        if (split >= 64 && bytes.size() - split >= 64 && split % 61 != 0)
            continue;
        EncodingDetector detector;
        detector.Feed(std::string_view(bytes).substr(0, split));
        detector.Feed(std::string_view(bytes).substr(split));
        ASSERT_EQ(detector.Result(), GetParam().encoding) << "split at " << split;
    }
}

INSTANTIATE_TEST_SUITE_P(Samples, DetectTest, testing::ValuesIn(Samples()), test::RowName());

// The UTF-8 validator behind detection's second rule, scalar and AVX2.
using Method = Utf8Validator::Method;

Utf8Status Check(Method method, std::string_view bytes, std::size_t split)
{
    Utf8Validator validator(method);
    validator.Feed(bytes.substr(0, split));
    validator.Feed(bytes.substr(split));
    return validator.Status();
}

struct Utf8Case {
    const char* name;
    std::string bytes;
    Utf8Status status;
    friend void PrintTo(const Utf8Case& row, std::ostream* out) { *out << row.name; }
};

class Utf8StatusTest : public testing::TestWithParam<Utf8Case> {};

// Each case after every amount of ASCII up to past a 32-byte chunk, followed
// by more ASCII when complete, fed in two blocks split anywhere.
TEST_P(Utf8StatusTest, AtEveryOffsetAndSplit)
{
    const std::vector<Method> methods =
        Utf8Validator::Avx2Available() ? std::vector{Method::Scalar, Method::Avx2} : std::vector{Method::Scalar};
    for (const Method method : methods) {
        for (std::size_t offset = 0; offset <= 40; ++offset) {
            std::string bytes = std::string(offset, 'a') + GetParam().bytes;
            if (GetParam().status != Utf8Status::Truncated)
                bytes += std::string(offset % 7, 'z');
            for (std::size_t split = 0; split <= bytes.size(); ++split)
                ASSERT_EQ(Check(method, bytes, split), GetParam().status)
                    << "method " << static_cast<int>(method) << " offset " << offset << " split " << split;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Utf8, Utf8StatusTest,
    testing::Values(Utf8Case{"Empty", "", Utf8Status::Valid},
                    Utf8Case{"TwoByte", "\xC3\xA9", Utf8Status::Valid},
                    Utf8Case{"LastCodePoint", "\xF4\x8F\xBF\xBF", Utf8Status::Valid},
                    Utf8Case{"LastBeforeSurrogates", "\xED\x9F\xBF", Utf8Status::Valid},
                    Utf8Case{"OverlongTwoByte", "\xC1\xBF", Utf8Status::Invalid},
                    Utf8Case{"OverlongThreeByte", "\xE0\x9F\xBF", Utf8Status::Invalid},
                    Utf8Case{"OverlongFourByte", "\xF0\x8F\xBF\xBF", Utf8Status::Invalid},
                    Utf8Case{"EncodedSurrogate", "\xED\xA0\x80", Utf8Status::Invalid},
                    Utf8Case{"BeyondLastCodePoint", "\xF4\x90\x80\x80", Utf8Status::Invalid},
                    Utf8Case{"LeadF5", "\xF5\x80\x80\x80", Utf8Status::Invalid},
                    Utf8Case{"ContinuationTooMany", "\xE4\xB8\xAD\xAD", Utf8Status::Invalid},
                    Utf8Case{"LeadThenAscii", "\xE4\xB8" "a", Utf8Status::Invalid},
                    Utf8Case{"LeadThenLead", "\xC3\xC3\xA9", Utf8Status::Invalid},
                    Utf8Case{"CutTwoByte", "\xC3", Utf8Status::Truncated},
                    Utf8Case{"CutThreeByte", "\xE4\xB8", Utf8Status::Truncated},
                    Utf8Case{"CutFourByte", "\xF0\x9F\x98", Utf8Status::Truncated},
                    Utf8Case{"CutAfterErrorIsInvalid", "\x80\xF0\x9F", Utf8Status::Invalid}),
    test::RowName());

// On mostly well-formed text with a few bytes broken, so that both verdicts
// and every error kind turn up.
TEST(Utf8ValidatorTest, Avx2AgreesWithScalarOnRandomInput)
{
    if (!Utf8Validator::Avx2Available())
        GTEST_SKIP() << "no AVX2 on this processor";
    static constexpr std::u16string_view kPicks[] = {u"a", u" ", u"\n", u"é", u"ß", u"中", u"文", u"\u0800", u"\uD7FF",
                                                     u"\uE000", u"\uFFFF", u"😀", u"\U00010000", u"\U0010FFFF"};
    std::mt19937 random(20240607);
    for (int round = 0; round < 20000; ++round) {
        std::u16string text;
        for (std::size_t characters = random() % 60; characters > 0; --characters)
            text += kPicks[random() % std::size(kPicks)];
        std::string bytes = test::IcuEncoded("UTF-8", text);
        for (std::size_t broken = random() % 3; broken > 0 && !bytes.empty(); --broken)
            bytes[random() % bytes.size()] = static_cast<char>(random());
        if (random() % 4 == 0 && !bytes.empty())
            bytes.resize(random() % bytes.size());
        const std::size_t split = random() % (bytes.size() + 1);
        ASSERT_EQ(Check(Method::Avx2, bytes, split), Check(Method::Scalar, bytes, split))
            << "round " << round << " split " << split;
    }
}

}  // namespace
}  // namespace tavrel
