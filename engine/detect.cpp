#include "engine/detect.h"

#include "engine/ascii.h"

#include "engine/detect_parts.h"
#include "engine/utf8_check.h"

#include <unicode/ucsdet.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>

namespace tavrel {

namespace {

// ICU's charset detector reads no further than this.
constexpr std::size_t kDetectorWindow = 8000;
// A large block is checked in slices, so that a verdict early in it spares
// the rest.
constexpr std::size_t kSlice = 64 * 1024;

struct DetectorCloser {
    void operator()(UCharsetDetector* detector) const { ucsdet_close(detector); }
};

// Whether ICU's detector, on the first bytes of the input, is more confident
// of Big5 than of GB18030 (a charset it does not list counts as 0).
bool DetectorPrefersBig5(std::string_view head)
{
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UCharsetDetector, DetectorCloser> detector(ucsdet_open(&status));
    ucsdet_setText(detector.get(), head.data(), static_cast<int32_t>(head.size()), &status);
    int32_t found = 0;
    const UCharsetMatch** matches = ucsdet_detectAll(detector.get(), &found, &status);
    // ICU tells of bytes that match no charset at all by this error.
    if (status == U_INVALID_CHAR_FOUND)
        return false;
    if (U_FAILURE(status))
        throw std::runtime_error(std::string("ICU charset detection failed: ") + u_errorName(status));
    int32_t big5 = 0, gb18030 = 0;
    for (int32_t i = 0; i < found; ++i) {
        const std::string_view name = ucsdet_getName(matches[i], &status);
        const int32_t confidence = ucsdet_getConfidence(matches[i], &status);
        if (name == "Big5")
            big5 = std::max(big5, confidence);
        else if (name == "GB18030")
            gb18030 = std::max(gb18030, confidence);
    }
    return big5 > gb18030;
}

}  // namespace

struct EncodingDetector::State {
    std::string head;  // the first kDetectorWindow bytes
    Utf8Validator utf8;
    bool highByte = false;
    GbkLookalike lookalike;
    std::optional<bool> big5Preferred;  // ICU's verdict, once head is full
    std::optional<Big5Check> big5;      // only while Big5 is preferred
    FourByteScan fourByte;              // only once UTF-8 is ruled out
    char last[3] = {};                  // the bytes before the current slice
    std::size_t lastSize = 0;

    void FeedSlice(std::string_view slice);
    void RememberLast(std::string_view slice);
    std::optional<Encoding> Marked() const;
    bool Big5Valid(bool complete) const;
};

EncodingDetector::EncodingDetector() : state_(std::make_unique<State>()) {}

EncodingDetector::~EncodingDetector() = default;

bool EncodingDetector::Feed(std::string_view bytes)
{
    for (std::size_t at = 0; at < bytes.size(); at += kSlice)
        state_->FeedSlice(bytes.substr(at, kSlice));
    if (state_->Marked())
        return false;
    if (state_->utf8.Status() != Utf8Status::Invalid || !state_->big5Preferred)
        return true;
    return *state_->big5Preferred && state_->big5->Valid(false);
}

void EncodingDetector::State::FeedSlice(std::string_view slice)
{
    const std::size_t toHead = std::min(slice.size(), kDetectorWindow - head.size());
    head.append(slice.substr(0, toHead));
    if (Marked())
        return;
    if (utf8.Status() != Utf8Status::Invalid) {
        if (!highByte || lookalike.Alive()) {
            const bool sliceHigh = !IsAscii(slice);
            highByte = highByte || sliceHigh;
            if (sliceHigh)
                lookalike.Feed(slice);
            else
                lookalike.FeedAscii(slice);
        }
        if (!utf8.Feed(slice)) {
            // Well-formed UTF-8 holds no four-byte GB18030 sequence, but one
            // may end in the byte that broke it.
            fourByte.Feed({last, lastSize});
            fourByte.Feed(slice);
        }
    } else {
        fourByte.Feed(slice);
    }
    if (big5Preferred) {
        if (big5 && big5->Valid(false))
            big5->Feed(slice);
    } else if (head.size() == kDetectorWindow) {
        big5Preferred = DetectorPrefersBig5(head);
        if (*big5Preferred) {
            big5.emplace();
            big5->Feed(head);
            big5->Feed(slice.substr(toHead));
        }
    }
    RememberLast(slice);
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

bool EncodingDetector::State::Big5Valid(bool complete) const
{
    if (big5)
        return big5->Valid(complete);
    Big5Check check;
    check.Feed(head);
    return check.Valid(complete);
}

Encoding EncodingDetector::Result(bool complete) const
{
    const State& state = *state_;
    if (const std::optional<Encoding> marked = state.Marked())
        return *marked;
    const Utf8Status utf8 = state.utf8.Status();
    if (utf8 == Utf8Status::Valid || (utf8 == Utf8Status::Truncated && !complete))
        return state.highByte && !state.lookalike.ReadsAsGbk() ? Encoding::Utf8 : Encoding::Gbk;
    const bool big5Preferred = state.big5Preferred ? *state.big5Preferred : DetectorPrefersBig5(state.head);
    if (big5Preferred && state.Big5Valid(complete))
        return Encoding::Big5;
    return state.fourByte.Found() ? Encoding::Gb18030 : Encoding::Gbk;
}

Encoding DetectEncoding(std::string_view bytes)
{
    EncodingDetector detector;
    detector.Feed(bytes);
    return detector.Result();
}

}  // namespace tavrel
