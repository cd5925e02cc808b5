#pragma once

#include "engine/encoding.h"

#include <memory>
#include <optional>
#include <string_view>

namespace tavrel {

// Decides the encoding of a whole input from its bytes, fed in order in
// blocks of any size (a block may cut a character), in bounded memory:
//  1. a byte-order mark decides first; without one, UTF-16 when its first
//     bytes say so clearly (Utf16Evidence in detect_parts.h);
//  2. well-formed UTF-8 with a byte above 0x7F is UTF-8, unless it reads as
//     a short GBK text (GbkLookalike in detect_parts.h); pure ASCII is GBK;
//     UTF-8 but for a few bad bytes (Utf8Tally) is UTF-8 too, the bad bytes
//     an error when decoded;
//  3. otherwise Big5 when the whole input is strict Big5 (code page 950) and
//     its first non-ASCII characters read as Big5 are clearly more plausible
//     Chinese text than read as GBK (ReadingCosts in detect_parts.h, with a
//     margin in favour of GBK); GBK when not;
//  4. GBK input holding a four-byte GB18030 sequence is GB18030.
class EncodingDetector {
public:
    EncodingDetector();
    ~EncodingDetector();
    EncodingDetector(const EncodingDetector&) = delete;
    EncodingDetector& operator=(const EncodingDetector&) = delete;

    // Feeds the next bytes. Returns false once the answer can no longer
    // change, so the caller may stop reading - with one exception: a GBK
    // answer still turns into GB18030 if a four-byte sequence comes later.
    // A caller that stops early must watch for those itself; one that feeds
    // on has them found here.
    bool Feed(std::string_view bytes);

    // The encoding of the input fed so far. With `complete` false the input
    // was cut short (a stream whose end has not arrived): an incomplete last
    // character is then no evidence against an encoding.
    Encoding Result(bool complete = true) const;

    // The other reading, when the bytes read almost as well in it as in
    // Result's: a Big5 text about as plausible as its GBK reading, short GBK
    // text whose bytes are also UTF-8, or UTF-8 whose GBK reading holds a
    // common word. Nothing when the answer is clear.
    std::optional<Encoding> Alternative(bool complete = true) const;

    // Whether the bytes hold NUL bytes that make them no text of an 8-bit
    // encoding, yet not clearly UTF-16 either: the user must say.
    bool Unclear(bool complete = true) const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

// The encoding of a whole input, by the rules of EncodingDetector.
Encoding DetectEncoding(std::string_view bytes);

}  // namespace tavrel
