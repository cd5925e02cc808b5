#include "engine/detect_parts.h"

#include "engine/ascii.h"
#include "engine/block_codec.h"
#include "engine/char_frequency.h"
#include "engine/gbk.h"

#include <algorithm>
#include <optional>
#include <cstdint>
#include <cstring>

namespace tavrel {

namespace {

bool IsLetterOrDigit(unsigned char byte)
{
    return (byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z');
}

// The one character that a one- or two-byte sequence decodes to with the
// converter, or nothing.
std::optional<char32_t> DecodeOne(UConverter* converter, const char* bytes, int32_t size)
{
    ucnv_reset(converter);
    UChar out[2];
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = ucnv_toUChars(converter, out, 2, bytes, size, &status);
    if (U_FAILURE(status) || length != 1)
        return std::nullopt;
    return out[0];
}

}  // namespace

GbkLookalike::GbkLookalike() : gbk_(OpenStrictConverter("windows-936-2000")) {}

void GbkLookalike::Feed(std::string_view bytes)
{
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t size = bytes.size();
    for (std::size_t i = 0; i < size && alive_;) {
        const unsigned char byte = s[i++];
        if (lead_ != 0) {
            Pair(lead_, byte);
        } else if (byte >= 0x80) {
            // Only two-byte characters (leads C2-DF) can pass.
            lead_ = byte;
            alive_ = byte >= 0xC2 && byte <= 0xDF;
        } else {
            Ascii(byte);
            // Within a run of ASCII only its last byte matters to what follows.
            std::size_t end = i;
            while (end + 8 <= size && AllAscii8(s + end))
                end += 8;
            while (end < size && s[end] < 0x80)
                ++end;
            if (end > i)
                Ascii(s[end - 1]);
            i = end;
        }
    }
}

void GbkLookalike::FeedAscii(std::string_view ascii)
{
    if (!ascii.empty() && alive_ && lead_ == 0) {
        Ascii(static_cast<unsigned char>(ascii.front()));
        Ascii(static_cast<unsigned char>(ascii.back()));
    } else {
        Feed(ascii);
    }
}

bool GbkLookalike::ReadsAsGbk() const
{
    if (!alive_ || characters_ == 0)
        return false;
    if (control_)
        return true;
    return !lone_ && run_ != 1 && words_ > 0 && 2 * words_ >= pairs_;
}

void GbkLookalike::Ascii(unsigned char byte)
{
    const bool word = IsLetterOrDigit(byte);
    if (run_ == 1)
        lone_ = true;
    if (run_ > 0 && word)
        alive_ = false;
    run_ = 0;
    afterWord_ = word;
}

void GbkLookalike::Pair(unsigned char lead, unsigned char trail)
{
    lead_ = 0;
    const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
    const std::optional<char32_t> decoded = DecodeOne(gbk_.get(), pair, 2);
    if (afterWord_ || !decoded) {
        alive_ = false;
        return;
    }
    control_ = control_ || (lead == 0xC2 && trail < 0xA0);
    if (run_ > 0) {
        ++pairs_;
        words_ += IsCommonWord(previous_, *decoded) ? 1 : 0;
    }
    previous_ = *decoded;
    ++run_;
    if (++characters_ >= kJudged && !ReadsAsGbk())
        alive_ = false;
}

void Utf8Tally::FeedValid(std::string_view bytes)
{
    // Well-formed bytes first finish a character cut by the block before.
    if (owed_ > 0) {
        const std::size_t finishing = std::min<std::size_t>(static_cast<std::size_t>(owed_), bytes.size());
        owed_ -= static_cast<int>(finishing);
        bytes.remove_prefix(finishing);
        if (owed_ > 0)
            return;
        good_ += weight_;
    }
    std::size_t leads = 0, longLeads = 0;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        leads += byte >= 0xC0;
        longLeads += byte >= 0xE0;
    }
    good_ += leads + 3 * longLeads;
    // A character cut by the end of the block is finished by the next.
    owed_ = 0;
    weight_ = 0;
    const std::size_t size = bytes.size();
    for (std::size_t back = 1; back <= std::min<std::size_t>(3, size); ++back) {
        const auto byte = static_cast<unsigned char>(bytes[size - back]);
        if (byte < 0x80 || byte >= 0xC0) {
            const int length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
            owed_ = std::max(0, length - static_cast<int>(back));
            weight_ = owed_ == 0 ? 0 : length == 2 ? 1 : 4;
            break;
        }
    }
    // It counts once finished.
    good_ -= weight_;
    low_ = 0x80;
    high_ = 0xBF;
}

void Utf8Tally::Feed(std::string_view bytes)
{
    for (std::size_t i = 0; i < bytes.size() && !Hopeless(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (owed_ == 0) {
            Start(byte);
        } else if (byte >= low_ && byte <= high_) {
            low_ = 0x80;
            high_ = 0xBF;
            if (--owed_ == 0)
                good_ += weight_;
        } else {
            ++bad_;
            owed_ = 0;
            Start(byte);
        }
    }
}

void Utf8Tally::Start(unsigned char byte)
{
    low_ = 0x80;
    high_ = 0xBF;
    if (byte < 0x80)
        return;
    if (byte >= 0xC2 && byte <= 0xDF) {
        owed_ = 1;
    } else if (byte >= 0xE0 && byte <= 0xEF) {
        owed_ = 2;
        low_ = byte == 0xE0 ? 0xA0 : 0x80;
        high_ = byte == 0xED ? 0x9F : 0xBF;
    } else if (byte >= 0xF0 && byte <= 0xF4) {
        owed_ = 3;
        low_ = byte == 0xF0 ? 0x90 : 0x80;
        high_ = byte == 0xF4 ? 0x8F : 0xBF;
    } else {
        ++bad_;
        return;
    }
    weight_ = owed_ == 1 ? 1 : 4;
}

// The validator found the input broken even when the break fell where this
// tally could not see it (between two blocks): at least one.
std::size_t Utf8Tally::Bad(bool complete) const
{
    return std::max<std::size_t>(bad_ + (complete && owed_ > 0 ? 1 : 0), 1);
}

bool Utf8Tally::MostlyUtf8(bool complete) const
{
    return Bad(complete) <= kFewBad && good_ >= kRatio * Bad(complete);
}


void FourByteScan::Feed(std::string_view bytes)
{
    if (found_)
        return;
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t size = bytes.size();
    unsigned char joint[6];
    const std::size_t fromBlock = std::min<std::size_t>(size, 3);
    std::memcpy(joint, carry_, carrySize_);
    std::memcpy(joint + carrySize_, s, fromBlock);
    Scan(joint, carrySize_ + fromBlock);
    Scan(s, size);
    const std::size_t kept = std::min<std::size_t>(carrySize_ + fromBlock, 3);
    if (size >= 3) {
        std::memcpy(carry_, s + size - 3, 3);
    } else {
        std::memmove(carry_, joint + carrySize_ + fromBlock - kept, kept);
    }
    carrySize_ = size >= 3 ? 3 : kept;
}

// Only a digit after a lead byte is worth ICU's look: the scan passes over
// all other text without a call.
void FourByteScan::Scan(const unsigned char* s, std::size_t size)
{
    const auto digit = [](unsigned char byte) { return static_cast<unsigned char>(byte - 0x30) <= 9; };
    for (std::size_t i = 0; i + 4 <= size; ++i) {
        if (digit(s[i + 1]) && s[i] >= 0x81 && digit(s[i + 3]) &&
            StartsWithFourByteGb18030({reinterpret_cast<const char*>(s + i), 4})) {
            found_ = true;
            return;
        }
    }
}

void GbkCheck::Feed(std::string_view bytes)
{
    invalid_ = invalid_ || !WalkGbk(bytes, lead_);
}

Big5Check::Big5Check() : converter_(OpenStrictConverter("windows-950-2000")) {}

void Big5Check::Feed(std::string_view bytes)
{
    const char* source = bytes.data();
    const char* const end = source + bytes.size();
    UErrorCode status = U_BUFFER_OVERFLOW_ERROR;
    while (!invalid_ && status == U_BUFFER_OVERFLOW_ERROR) {
        UChar text[4096];
        UChar* target = text;
        status = U_ZERO_ERROR;
        ucnv_toUnicode(converter_.get(), &target, text + 4096, &source, end, nullptr, false, &status);
        invalid_ = U_FAILURE(status) && status != U_BUFFER_OVERFLOW_ERROR;
    }
}

bool Big5Check::Valid(bool complete) const
{
    UErrorCode status = U_ZERO_ERROR;
    return !invalid_ && (!complete || ucnv_toUCountPending(converter_.get(), &status) == 0);
}

namespace {

// The cost of the character that a one- or two-byte sequence decodes to with
// the converter, or kUnseenCost when it does not decode to one character. A
// sequence that converts leaves the converter as it found it; one that fails
// resets it.
std::uint32_t DecodedCost(UConverter* converter, const char* bytes, int32_t size)
{
    UChar out[2];
    UChar* target = out;
    const char* source = bytes;
    UErrorCode status = U_ZERO_ERROR;
    ucnv_toUnicode(converter, &target, out + 2, &source, bytes + size, nullptr, true, &status);
    if (U_FAILURE(status)) {
        ucnv_resetToUnicode(converter);
        return kUnseenCost;
    }
    return target - out == 1 ? CharacterCost(out[0]) : kUnseenCost;
}

// The same for GBK through the engine's own tables of the same code page,
// many times cheaper than a call into ICU per character.
std::uint32_t GbkCost(const char* bytes, std::size_t size)
{
    std::u16string text;
    std::size_t bad = 0;
    if (!DecodeGbk({bytes, size}, text, bad) || text.size() != 1)
        return kUnseenCost;
    return CharacterCost(text[0]);
}

}  // namespace

ReadingCosts::ReadingCosts()
    : big5Converter_(OpenStrictConverter("windows-950-2000"))
{
}

void ReadingCosts::Feed(std::string_view bytes)
{
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t size = bytes.size();
    for (std::size_t i = 0; i < size && !Full(); ++i) {
        const unsigned char byte = s[i];
        if (lead_ != 0) {
            Score(lead_, byte);
            lead_ = 0;
        } else if (byte >= 0x81 && byte != 0xFF) {
            lead_ = byte;
        } else if (byte >= 0x80) {
            Score(byte, 0);
        }
    }
}

void ReadingCosts::Score(unsigned char lead, unsigned char trail)
{
    const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
    const int32_t size = trail == 0 ? 1 : 2;
    const std::uint32_t gbk = GbkCost(pair, static_cast<std::size_t>(size));
    const std::uint32_t big5 = DecodedCost(big5Converter_.get(), pair, size);
    gbk_ += gbk;
    big5_ += big5;
    gbkUnseen_ = gbkUnseen_ || gbk == kUnseenCost;
    big5Unseen_ = big5Unseen_ || big5 == kUnseenCost;
    ++scored_;
}

void Utf16Evidence::Feed(std::string_view bytes)
{
    const std::string_view taken = bytes.substr(0, kWindow - head_.size());
    for (std::size_t at = taken.find('\0'); at != std::string_view::npos; at = taken.find('\0', at + 1))
        ++((head_.size() + at) % 2 ? nulOdd_ : nulEven_);
    head_.append(taken);
}

Utf16Evidence::Verdict Utf16Evidence::Judge(bool complete, bool utf8Valid) const
{
    // No text in an 8-bit encoding holds a NUL byte: with one, only the two
    // byte orders of UTF-16 are left to choose from, or neither.
    if (nulEven_ + nulOdd_ > 0)
        return ByPlausibility(complete, false);
    return utf8Valid ? Verdict::None : ByPlausibility(complete, true);
}

bool Utf16Evidence::Valid(bool bigEndian, bool complete) const
{
    const Encoding encoding = bigEndian ? Encoding::Utf16BE : Encoding::Utf16LE;
    const bool cut = !complete || head_.size() == kWindow;
    if (!cut && head_.size() % 2 != 0)
        return false;
    std::u16string text;
    const std::string_view whole = cut ? std::string_view(head_).substr(0, CharacterBoundary(head_, encoding))
                                       : std::string_view(head_);
    return !whole.empty() && DecodeBlock(whole, encoding, text) == std::string_view::npos;
}

namespace {

// What a reading of some bytes costs: its characters' costs, ASCII included
// at kAsciiCost (in text that ought to be Chinese, ASCII is what a wrong
// reading of two-byte characters makes), and how many of its characters are
// ASCII or known Chinese ones. Nothing when the bytes do not decode.
struct ReadingCost {
    std::uint64_t cost = 0;
    std::size_t known = 0;
    std::size_t characters = 0;
};

constexpr std::uint32_t kAsciiCost = 40;

// The bytes without a character cut at their end, walked from the start.
std::string_view WholeCharacters(std::string_view bytes, Encoding encoding)
{
    std::size_t end = 0;
    while (end < bytes.size()) {
        const std::size_t length = CharacterLength(bytes.substr(end), encoding);
        if (end + length > bytes.size() || (length < 2 && static_cast<unsigned char>(bytes[end]) >= 0x81 &&
                                           !IsUtf16(encoding) &&
                                           end + 1 == bytes.size()))
            break;
        end += length;
    }
    return bytes.substr(0, end);
}

std::optional<ReadingCost> CostOf(std::string_view bytes, Encoding encoding, bool cut)
{
    std::u16string text;
    if (DecodeBlock(cut ? WholeCharacters(bytes, encoding) : bytes, encoding, text) != std::string_view::npos)
        return std::nullopt;
    ReadingCost reading;
    for (const char16_t unit : text) {
        const std::uint32_t cost = unit < 0x80 ? kAsciiCost : CharacterCost(unit);
        reading.cost += cost;
        reading.known += unit < 0x80 || cost < kUnseenCost;
        ++reading.characters;
    }
    return reading;
}

}  // namespace

Utf16Evidence::Verdict Utf16Evidence::ByPlausibility(bool complete, bool eightBitPossible) const
{
    const bool cut = !complete || Full();
    std::uint64_t best = UINT64_MAX;
    for (const Encoding other : {Encoding::Gbk, Encoding::Big5}) {
        const std::optional<ReadingCost> reading = eightBitPossible ? CostOf(head_, other, cut) : std::nullopt;
        if (reading)
            best = std::min(best, reading->cost);
    }
    std::optional<ReadingCost> readings[2];
    for (const bool bigEndian : {false, true}) {
        if (Valid(bigEndian, complete))
            readings[bigEndian] = CostOf(head_, bigEndian ? Encoding::Utf16BE : Encoding::Utf16LE, cut);
    }
    for (const bool bigEndian : {false, true}) {
        const std::optional<ReadingCost>& reading = readings[bigEndian];
        const std::optional<ReadingCost>& swapped = readings[!bigEndian];
        // Seven in ten characters ASCII or known Chinese ones, and a third
        // cheaper than any other reading, the other byte order's included.
        // Without NUL bytes and with no reading in GBK or Big5 at all (GBK
        // with a stray byte, say), four characters at least.
        const std::size_t least = eightBitPossible && best == UINT64_MAX ? 4 : 1;
        const std::uint64_t rival = swapped ? std::min(best, swapped->cost) : best;
        if (reading && reading->characters >= least && 10 * reading->known >= 7 * reading->characters &&
            (rival == UINT64_MAX || 3 * reading->cost < 2 * rival))
            return bigEndian ? Verdict::BigEndian : Verdict::LittleEndian;
    }
    return eightBitPossible ? Verdict::None : Verdict::Unclear;
}

}  // namespace tavrel
