#include "engine/utf8_check.h"
#include "tests/support/row_name.h"

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

std::vector<Method> Methods()
{
    if (Utf8Validator::Avx2Available())
        return {Method::Scalar, Method::Avx2};
    return {Method::Scalar};
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
    for (const Method method : Methods()) {
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
                    Utf8Case{"ThreeByte", "\xE4\xB8\xAD", Utf8Status::Valid},
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

// Mostly well-formed text with a few bytes broken, so that both verdicts and
// every error kind turn up.
std::string RandomText(std::mt19937& random)
{
    static constexpr char32_t kPicks[] = {U'a', U' ', U'\n', U'é', U'ß', U'中', U'文', U'\u0800', U'\uD7FF',
                                          U'\uE000', U'\uFFFF', U'😀', U'\U00010000', U'\U0010FFFF'};
    std::string text;
    const std::size_t characters = random() % 60;
    for (std::size_t i = 0; i < characters; ++i) {
        const char32_t c = kPicks[random() % std::size(kPicks)];
        if (c < 0x80) {
            text += static_cast<char>(c);
        } else if (c < 0x800) {
            text += {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
        } else if (c < 0x10000) {
            text += {static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
                     static_cast<char>(0x80 | (c & 0x3F))};
        } else {
            text += {static_cast<char>(0xF0 | (c >> 18)), static_cast<char>(0x80 | ((c >> 12) & 0x3F)),
                     static_cast<char>(0x80 | ((c >> 6) & 0x3F)), static_cast<char>(0x80 | (c & 0x3F))};
        }
    }
    for (std::size_t broken = random() % 3; broken > 0 && !text.empty(); --broken)
        text[random() % text.size()] = static_cast<char>(random());
    if (random() % 4 == 0 && !text.empty())
        text.resize(random() % text.size());
    return text;
}

TEST(Utf8ValidatorTest, Avx2AgreesWithScalarOnRandomInput)
{
    if (!Utf8Validator::Avx2Available())
        GTEST_SKIP() << "no AVX2 on this processor";
    std::mt19937 random(20240607);
    for (int round = 0; round < 20000; ++round) {
        const std::string text = RandomText(random);
        const std::size_t split = text.empty() ? 0 : random() % (text.size() + 1);
        ASSERT_EQ(Check(Method::Avx2, text, split), Check(Method::Scalar, text, split))
            << "round " << round << " split " << split;
    }
}

}  // namespace
}  // namespace tavrel
