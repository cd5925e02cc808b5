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

bool IsWord(unsigned char byte)
{
    return (byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
           byte == ' ';
}

}  // namespace

void GbkLookalike::Feed(std::string_view bytes)
{
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t size = bytes.size();
    for (std::size_t i = 0; i < size && alive_;) {
        const unsigned char byte = s[i++];
        if (lead_ != 0) {
            Pair(byte);
        } else if (byte >= 0x80) {
            // Only two-byte characters (leads C2-DF, all within B0-F7) can pass.
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
    return alive_ && !(previous_ == Kind::NonAscii && run_ < 2);
}

void GbkLookalike::Ascii(unsigned char byte)
{
    const Kind kind = IsWord(byte) ? Kind::Word : Kind::OtherAscii;
    if (previous_ == Kind::NonAscii && (run_ < 2 || kind == Kind::Word))
        alive_ = false;
    previous_ = kind;
}

void GbkLookalike::Pair(unsigned char trail)
{
    lead_ = 0;
    if (trail < 0xA1 || trail > 0xBF || previous_ == Kind::Word) {
        alive_ = false;
        return;
    }
    run_ = previous_ == Kind::NonAscii ? run_ + 1 : 1;
    previous_ = Kind::NonAscii;
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

void FourByteScan::Scan(const unsigned char* s, std::size_t size)
{
    for (std::size_t i = 0; i + 4 <= size && !found_; ++i) {
        found_ = StartsWithFourByteGb18030({reinterpret_cast<const char*>(s + i), 4});
    }
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
    gbk_ += GbkCost(pair, static_cast<std::size_t>(size));
    big5_ += DecodedCost(big5Converter_.get(), pair, size);
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
                                           encoding != Encoding::Utf16LE && encoding != Encoding::Utf16BE &&
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
