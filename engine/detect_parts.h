#pragma once

#include "engine/icu_converter.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tavrel {

// The scans EncodingDetector runs over its input, each fed in order in blocks
// of any size.

// Whether well-formed UTF-8 reads like a short GBK text instead: every
// non-ASCII character is a two-byte one whose bytes also form a GB2312
// Chinese character (B0-F7, A1-FE), none stands next to an ASCII letter, digit
// or space, and they come in runs of two or more. Such bytes are GBK; changelogs
// and licences with é, ü, ©, § or ° fail it.
class GbkLookalike {
public:
    void Feed(std::string_view bytes);
    // Feeds bytes known to be all ASCII, of which only the first and last count.
    void FeedAscii(std::string_view ascii);
    // Judged on the complete characters fed; a cut last one is ignored.
    bool ReadsAsGbk() const;
    // False once no further bytes can make it read as GBK.
    bool Alive() const { return alive_; }

private:
    enum class Kind { Start, Word, OtherAscii, NonAscii };
    void Ascii(unsigned char byte);
    void Pair(unsigned char trail);

    bool alive_ = true;
    Kind previous_ = Kind::Start;
    std::size_t run_ = 0;  // non-ASCII characters in the current run
    unsigned char lead_ = 0;  // a two-byte character's lead whose trail is still to come
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

private:
    void Score(unsigned char lead, unsigned char trail);

    ConverterPtr big5Converter_;
    std::uint32_t gbk_ = 0;
    std::uint32_t big5_ = 0;
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
