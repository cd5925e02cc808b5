#pragma once

#include "engine/icu_converter.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tavrel {

// The scans EncodingDetector runs over its input, each fed in order in blocks
// of any size.

// Whether well-formed UTF-8 reads as a short GBK text instead, by evidence
// from both readings. Only bytes whose every non-ASCII character is a
// two-byte UTF-8 one (leads C2-DF) that also decodes as one GBK character
// qualify, none standing next to an ASCII letter or digit (accented Latin
// does). They read as GBK when the UTF-8 reading holds a C1 control
// (U+0080-U+009F, which no text holds), or when no character stands alone and
// at least half of the neighbouring characters of the GBK reading form common
// words of everyday text (IsCommonWord): 谢谢, 陆路 and 农奴 do, while Cyrillic,
// Greek or symbols read as GBK do not. In doubt they stay UTF-8.
class GbkLookalike {
public:
    // Past this many characters without winning, the GBK reading is given up.
    static constexpr std::size_t kJudged = 256;

    GbkLookalike();
    void Feed(std::string_view bytes);
    // Feeds bytes known to be all ASCII, of which only the first and last count.
    void FeedAscii(std::string_view ascii);
    // Judged on the complete characters fed; a cut last one is ignored.
    bool ReadsAsGbk() const;
    // Whether the GBK reading has some evidence, yet not enough: a close call.
    bool Close() const { return alive_ && words_ > 0 && !ReadsAsGbk(); }
    // False once no further bytes can make it read as GBK.
    bool Alive() const { return alive_; }

private:
    void Ascii(unsigned char byte);
    void Pair(unsigned char lead, unsigned char trail);

    ConverterPtr gbk_;
    bool alive_ = true;
    bool control_ = false;    // a C1 control in the UTF-8 reading
    bool lone_ = false;       // a character with ASCII on both sides
    bool afterWord_ = false;  // the last byte was an ASCII letter or digit
    char32_t previous_ = 0;   // the GBK reading's last character of the current run
    std::size_t run_ = 0;     // characters in the current run
    std::size_t characters_ = 0;
    std::size_t pairs_ = 0;   // neighbouring characters in runs
    std::size_t words_ = 0;   // of them, common words
    unsigned char lead_ = 0;  // a two-byte character's lead whose trail is still to come
};

// How much of the input is well-formed multi-byte UTF-8 and how many byte
// sequences are not, so that UTF-8 with a few bad bytes (a stray byte, a cut
// character) is told from GBK or Big5, whose text breaks UTF-8 every few
// characters. A two-byte character weighs 1, a longer one 4: GBK and Big5
// pairs often happen to form a two-byte one, rarely a longer one. Bytes the
// validator found well-formed are tallied by counting lead bytes; the rest
// are walked one character at a time until the bad ones are too many.
class Utf8Tally {
public:
    // At most this many bad sequences, each outweighed kRatio times.
    static constexpr std::size_t kFewBad = 8;
    static constexpr std::size_t kRatio = 8;

    // Bytes known to be well-formed UTF-8 so far.
    void FeedValid(std::string_view bytes);
    void Feed(std::string_view bytes);
    // With `complete`, a cut last character counts as bad.
    bool MostlyUtf8(bool complete) const;
    // Whether the bad sequences are too many for any more bytes to help.
    bool Hopeless() const { return bad_ > kFewBad; }
    // Whether so much well-formed UTF-8 came with no bad sequence that no
    // later bytes can make the input another encoding's: later bad ones are
    // UTF-8 errors.
    bool Sure() const { return bad_ == 0 && good_ >= kSure; }
    // Whether one bad sequence broke otherwise well-formed multi-byte UTF-8:
    // a stray byte, or a cut last character.
    bool OneSlip(bool complete) const { return Bad(complete) == 1 && good_ > 0; }
    // Whether the well-formed part is more than a line or two: 16 Chinese
    // characters.
    bool Long() const { return good_ >= kLong; }

private:
    // Weighted as good_ is: 256 Chinese characters.
    static constexpr std::size_t kSure = 1024;
    static constexpr std::size_t kLong = 64;

    std::size_t Bad(bool complete) const;
    void Start(unsigned char byte);

    std::size_t good_ = 0;
    std::size_t bad_ = 0;
    int owed_ = 0;  // continuation bytes still owed, within low_..high_ for the next
    std::size_t weight_ = 0;
    unsigned char low_ = 0x80;
    unsigned char high_ = 0xBF;
};

// Finds a four-byte GB18030 sequence (81-FE 30-39 81-FE 30-39) that ICU's
// gb18030 converter decodes. Such a pattern cannot occur anywhere in valid
// GBK, whatever the alignment: a digit after a byte above 0x80 must be a
// character of its own, and the lead after it cannot take a digit as trail.
class FourByteScan {
public:
    void Feed(std::string_view bytes);
    bool Found() const { return found_; }

private:
    void Scan(const unsigned char* s, std::size_t size);

    bool found_ = false;
    unsigned char carry_[3] = {};  // the last bytes fed, for a sequence cut by a block
    std::size_t carrySize_ = 0;
};

// Whether the bytes are strict Big5 (ICU's windows-950-2000): any unmappable
// or illegal sequence makes them invalid.
class Big5Check {
public:
    Big5Check();
    void Feed(std::string_view bytes);
    // With `complete` false a cut last character does not count against it.
    bool Valid(bool complete) const;

private:
    ConverterPtr converter_;
    bool invalid_ = false;
};

// Whether the bytes are GBK, through the code page's own tables.
class GbkCheck {
public:
    void Feed(std::string_view bytes);
    // With `complete` false a cut last character does not count against it.
    bool Valid(bool complete) const { return !invalid_ && (!complete || lead_ == 0); }

private:
    bool invalid_ = false;
    unsigned char lead_ = 0;  // of a character whose trail is still to come
};

// How plausible the first non-ASCII characters are as Chinese text when the
// bytes are read as GBK and when read as Big5: the sum of CharacterCost of
// each reading's characters (lower is more plausible). Bytes from 81 to FE
// start a two-byte character in both encodings, and every other byte is
// ASCII (or GBK's one-byte euro sign), so both readings of bytes that are
// valid Big5 hold the same number of characters. A pair that a reading
// cannot decode costs kUnseenCost in it. Only the first kScored non-ASCII
// characters count, which bounds the work and memory on a large input.
class ReadingCosts {
public:
    static constexpr std::size_t kScored = 2048;

    ReadingCosts();
    void Feed(std::string_view bytes);
    std::uint32_t Gbk() const { return gbk_; }
    std::uint32_t Big5() const { return big5_; }
    // Whether kScored characters are scored, so that no more bytes change it.
    bool Full() const { return scored_ == kScored; }
    std::size_t Scored() const { return scored_; }
    // Whether a reading holds a character no text was seen to use (a
    // private-use one, say): bytes of another encoding.
    bool GbkHoldsUnseen() const { return gbkUnseen_; }
    bool Big5HoldsUnseen() const { return big5Unseen_; }

private:
    void Score(unsigned char lead, unsigned char trail);

    ConverterPtr big5Converter_;
    std::uint32_t gbk_ = 0;
    std::uint32_t big5_ = 0;
    bool gbkUnseen_ = false;
    bool big5Unseen_ = false;
    std::size_t scored_ = 0;
    unsigned char lead_ = 0;  // a two-byte character's lead whose trail is still to come
};

// Whether bytes without a byte-order mark are UTF-16, judged on their first
// kWindow bytes by how plausible their readings are as text: mostly ASCII and
// known Chinese characters, and far cheaper (CharacterCost) than the other
// readings. Bytes with a NUL, which no text in an 8-bit encoding holds, are
// UTF-16 in one byte order or the other, or text it cannot tell; bytes
// without one are UTF-16 only when they are no UTF-8 and their UTF-16
// reading beats their GBK and Big5 readings too.
class Utf16Evidence {
public:
    static constexpr std::size_t kWindow = 4096;
    enum class Verdict { None, LittleEndian, BigEndian, Unclear };

    void Feed(std::string_view bytes);
    bool Full() const { return head_.size() == kWindow; }
    // With `complete` false the input may go on past what was fed.
    Verdict Judge(bool complete, bool utf8Valid) const;

private:
    bool Valid(bool bigEndian, bool complete) const;
    Verdict ByPlausibility(bool complete, bool eightBitPossible) const;

    std::string head_;
    std::size_t nulEven_ = 0;  // NUL bytes at even and odd offsets
    std::size_t nulOdd_ = 0;
};

}  // namespace tavrel
