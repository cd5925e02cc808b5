#include "engine/utf8_check.h"
#include "tests/support/row_name.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace tavrel {
namespace {

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
    const Utf8Case& c = GetParam();
    const std::vector<Method> methods =
        Utf8Validator::Avx2Available() ? std::vector{Method::Scalar, Method::Avx2} : std::vector{Method::Scalar};
    for (const Method method : methods) {
        for (std::size_t offset = 0; offset <= 40; ++offset) {
            std::string bytes = std::string(offset, 'a') + c.bytes;
            if (c.status != Utf8Status::Truncated)
                bytes += std::string(offset % 7, 'z');
            for (std::size_t split = 0; split <= bytes.size(); ++split)
                ASSERT_EQ(Check(method, bytes, split), c.status)
                    << "method " << static_cast<int>(method) << " offset " << offset << " split " << split;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Utf8, Utf8StatusTest,
    testing::Values(Utf8Case{"Empty", "", Utf8Status::Valid},
                    Utf8Case{"TwoByte", "\xC3\xA9", Utf8Status::Valid},
                    Utf8Case{"FourByte", "\xF0\x9F\x98\x80", Utf8Status::Valid},
                    Utf8Case{"LastCodePoint", "\xF4\x8F\xBF\xBF", Utf8Status::Valid},
                    Utf8Case{"LastBeforeSurrogates", "\xED\x9F\xBF", Utf8Status::Valid},
                    Utf8Case{"OverlongTwoByte", "\xC1\xBF", Utf8Status::Invalid},
                    Utf8Case{"OverlongThreeByte", "\xE0\x9F\xBF", Utf8Status::Invalid},
                    Utf8Case{"OverlongFourByte", "\xF0\x8F\xBF\xBF", Utf8Status::Invalid},
                    Utf8Case{"EncodedSurrogate", "\xED\xA0\x80", Utf8Status::Invalid},
                    Utf8Case{"BeyondLastCodePoint", "\xF4\x90\x80\x80", Utf8Status::Invalid},
                    Utf8Case{"LeadF5", "\xF5\x80\x80\x80", Utf8Status::Invalid},
                    Utf8Case{"ByteFF", "\xFF", Utf8Status::Invalid},
                    Utf8Case{"LoneContinuation", "\x80", Utf8Status::Invalid},
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
