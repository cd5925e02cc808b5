#include "engine/detect.h"

#include "engine/ascii.h"

#include "engine/detect_parts.h"
#include "engine/utf8_check.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

namespace tavrel {

namespace {

// The first bytes kept, enough for any byte-order mark.
constexpr std::size_t kHead = 3;
// A large block is checked in slices, so that a verdict early in it spares
// the rest.
constexpr std::size_t kSlice = 64 * 1024;
// How much more plausible (in CharacterCost's quarter bits) the Big5 reading
// must be than the GBK one for Big5 to win, 256 times as probable: GBK is the
// system's code page, so when both readings are about as good, it wins.
constexpr std::uint32_t kGbkMargin = 32;
constexpr std::uint32_t kOneCharacterMargin = 48;

}  // namespace

struct EncodingDetector::State {
    std::string head;  // the first kHead bytes
    Utf8Validator utf8;
    Utf8Tally tally;  // walked one character at a time only once utf8 fails
    bool highByte = false;
    GbkLookalike lookalike;
    ReadingCosts costs;
    Utf16Evidence utf16;
    Big5Check big5;      // fed until the bytes are no longer Big5
    GbkCheck gbk;        // fed while UTF-8 might still explain the bytes
    FourByteScan fourByte;  // only once UTF-8 is ruled out
    char last[3] = {};      // the bytes before the current slice
    std::size_t lastSize = 0;
    // Whether the answer can no longer change, but for GBK turning GB18030:
    // later slices then go only through the four-byte scan.
    bool settled = false;

    void FeedSlice(std::string_view slice);
    bool Settles() const;
    void RememberLast(std::string_view slice);
    std::optional<Encoding> Marked() const;
    // One character is little evidence: it must read far better in Big5.
    std::uint32_t Margin() const { return costs.Scored() > 1 ? kGbkMargin : kOneCharacterMargin; }
    bool Big5ReadsBetter() const { return costs.Gbk() > costs.Big5() + Margin(); }
    // Whether UTF-8 with a few bad bytes is UTF-8 all the same, failing at
    // the first: well-formed UTF-8 outweighing the bad bytes many times over
    // in a longer text; or, when neither GBK nor Big5 reads the bytes as text
    // (failing on them, or reading a character no text uses), a shorter text
    // with that weight, or with one slip.
    bool Utf8WithErrors(bool complete) const
    {
        if (fourByte.Found())
            return false;
        const bool mostly = tally.MostlyUtf8(complete);
        if (mostly && tally.Long())
            return true;
        const bool gbkReads = gbk.Valid(complete) && !costs.GbkHoldsUnseen();
        const bool big5Reads = big5.Valid(complete) && !costs.Big5HoldsUnseen();
        return !gbkReads && !big5Reads && (mostly || tally.OneSlip(complete));
    }
    // Whether the bytes are UTF-8 so far: an input that has not ended may
    // end inside a character.
    bool Utf8Valid(bool complete) const
    {
        return utf8.Status() == Utf8Status::Valid || (utf8.Status() == Utf8Status::Truncated && !complete);
    }
};

EncodingDetector::EncodingDetector() : state_(std::make_unique<State>()) {}

EncodingDetector::~EncodingDetector() = default;

bool EncodingDetector::Feed(std::string_view bytes)
{
    for (std::size_t at = 0; at < bytes.size(); at += kSlice)
        state_->FeedSlice(bytes.substr(at, kSlice));
    return !state_->settled;
}

bool EncodingDetector::State::Settles() const
{
    if (Marked())
        return true;
    if (utf8.Status() == Utf8Status::Valid && utf16.Full() && tally.Sure())
        return true;
    if (utf8.Status() != Utf8Status::Invalid || !costs.Full() || !utf16.Full() || !tally.Hopeless())
        return false;
    // Once scored, a GBK answer stays; a Big5 one holds only while the rest
    // is Big5 too.
    return !(big5.Valid(false) && Big5ReadsBetter());
}

void EncodingDetector::State::FeedSlice(std::string_view slice)
{
    if (settled) {
        // Only a four-byte GB18030 sequence can still change a GBK answer.
        if (utf8.Status() == Utf8Status::Invalid)
            fourByte.Feed(slice);
        return;
    }
    head.append(slice.substr(0, std::min(slice.size(), kHead - head.size())));
    if (Marked()) {
        settled = true;
        return;
    }
    if (!utf16.Full())
        utf16.Feed(slice);
    const bool sliceHigh = !IsAscii(slice);
    if (utf8.Status() != Utf8Status::Invalid) {
        if (!highByte || lookalike.Alive()) {
            highByte = highByte || sliceHigh;
            if (sliceHigh)
                lookalike.Feed(slice);
            else
                lookalike.FeedAscii(slice);
        }
        if (!utf8.Feed(slice)) {
            tally.Feed(slice);
            // Well-formed UTF-8 holds no four-byte GB18030 sequence, but one
            // may end in the byte that broke it.
            fourByte.Feed({last, lastSize});
            fourByte.Feed(slice);
        } else {
            tally.FeedValid(slice);
        }
    } else {
        if (!tally.Hopeless())
            tally.Feed(slice);
        fourByte.Feed(slice);
    }
    // ASCII after ASCII is Big5 and scores nothing: skipped, so that a large
    // ASCII file is not run through the Big5 converter.
    const bool afterLead = lastSize > 0 && static_cast<unsigned char>(last[lastSize - 1]) >= 0x80;
    if (sliceHigh || afterLead) {
        if (big5.Valid(false))
            big5.Feed(slice);
        costs.Feed(slice);
    }
    if (!tally.Hopeless())
        gbk.Feed(slice);
    RememberLast(slice);
    settled = Settles();
}

void EncodingDetector::State::RememberLast(std::string_view slice)
{
    std::string joined(last, lastSize);
    joined.append(slice.substr(slice.size() - std::min<std::size_t>(slice.size(), sizeof last)));
    lastSize = std::min(joined.size(), sizeof last);
    std::memcpy(last, joined.data() + joined.size() - lastSize, lastSize);
}

std::optional<Encoding> EncodingDetector::State::Marked() const
{
    for (const Encoding marked : {Encoding::Utf8Bom, Encoding::Utf16LE, Encoding::Utf16BE}) {
        if (head.starts_with(ByteOrderMark(marked)))
            return marked;
    }
    return std::nullopt;
}

Encoding EncodingDetector::Result(bool complete) const
{
    const State& state = *state_;
    if (const std::optional<Encoding> marked = state.Marked())
        return *marked;
    const bool utf8Valid = state.Utf8Valid(complete);
    // UTF-8 but for a few bad bytes: UTF-8, its bad bytes an error there.
    const bool utf8Mostly = !utf8Valid && state.Utf8WithErrors(complete);
    switch (state.utf16.Judge(complete, utf8Valid || utf8Mostly)) {
    case Utf16Evidence::Verdict::LittleEndian:
        return Encoding::Utf16LE;
    case Utf16Evidence::Verdict::BigEndian:
        return Encoding::Utf16BE;
    case Utf16Evidence::Verdict::None:
    case Utf16Evidence::Verdict::Unclear:
        break;
    }
    if (utf8Valid)
        return state.highByte && !state.lookalike.ReadsAsGbk() ? Encoding::Utf8 : Encoding::Gbk;
    if (utf8Mostly)
        return Encoding::Utf8;
    if (state.big5.Valid(complete) && state.Big5ReadsBetter())
        return Encoding::Big5;
    if (state.fourByte.Found())
        return Encoding::Gb18030;
    return Encoding::Gbk;
}

bool EncodingDetector::Unclear(bool complete) const
{
    const State& state = *state_;
    const bool utf8Valid = state.Utf8Valid(complete) || state.Utf8WithErrors(complete);
    return !state.Marked() && state.utf16.Judge(complete, utf8Valid) == Utf16Evidence::Verdict::Unclear;
}

std::optional<Encoding> EncodingDetector::Alternative(bool complete) const
{
    const State& state = *state_;
    const Encoding result = Result(complete);
    if (result == Encoding::Gbk && state.highByte && state.utf8.Status() == Utf8Status::Valid)
        return Encoding::Utf8;
    if (result == Encoding::Utf8 && state.Utf8Valid(complete) && state.lookalike.Close())
        return Encoding::Gbk;
    if (result != Encoding::Gbk && result != Encoding::Big5)
        return std::nullopt;
    if (!state.big5.Valid(complete) || state.utf8.Status() != Utf8Status::Invalid)
        return std::nullopt;
    // Within the margin either way of where the choice falls.
    const std::int64_t lead = std::int64_t{state.costs.Gbk()} - state.costs.Big5() - state.Margin();
    if (lead < -std::int64_t{kGbkMargin} || lead > std::int64_t{kGbkMargin})
        return std::nullopt;
    return result == Encoding::Gbk ? Encoding::Big5 : Encoding::Gbk;
}

Encoding DetectEncoding(std::string_view bytes)
{
    EncodingDetector detector;
    detector.Feed(bytes);
    return detector.Result();
}

}  // namespace tavrel
