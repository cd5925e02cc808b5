#pragma once

#include "engine/converter.h"
#include "engine/encoding.h"

#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string_view>

namespace tavrel {

class PhraseMatcher;

class GbkTranscoder;
class Utf8Transcoder;
class Utf16Transcoder;

// Output of a block, reused from block to block without clearing.
class ByteBuffer {
public:
    // Room for `size` bytes from Data() on; what was there may be lost.
    char* Reserve(std::size_t size);
    char* Data() { return data_.get(); }
    std::string_view View() const { return {data_.get(), size_}; }
    void SetSize(std::size_t size) { size_ = size; }

private:
    std::unique_ptr<char[]> data_;
    std::size_t capacity_ = 0;
    std::size_t size_ = 0;
};

// Why a block did not convert, and where in the block.
struct BlockFailure {
    enum class Kind { None, Decode, Encode };
    Kind kind = Kind::None;
    std::size_t offset = 0;  // of the bad input sequence, or of the input character whose result failed
    char32_t codePoint = 0;  // Encode: the character the output encoding cannot hold
};

// Converts blocks of text from one encoding into another through a
// converter's direction. Blocks hold whole characters and no byte-order mark.
// GBK, UTF-8 and UTF-16 to themselves take a fused path (one lookup per
// character) through a table built at the first block of kFusedMinimum
// bytes or more, so that small jobs do not pay for it; everything else,
// smaller blocks before that, and any character the fused path cannot
// handle, go through decoding, the converter and encoding, with the same
// result. With the converter's phrases for the direction, UTF-8 to UTF-8
// takes a fused path too (see PhraseMatcher::ConvertUtf8), every other pair
// the plain path, phrases first; blocks end after a line
// end (see Boundary), so that no phrase is cut. Safe to use from several
// threads at once.
class BlockConverter {
public:
    // Below this many bytes a block is cheaper to convert than the fused table is to build.
    static constexpr std::size_t kFusedMinimum = 4096;

    BlockConverter(const Converter& converter, Direction direction, Encoding input, Encoding output);
    ~BlockConverter();
    BlockConverter(const BlockConverter&) = delete;
    BlockConverter& operator=(const BlockConverter&) = delete;

    Encoding Input() const { return input_; }
    Encoding Output() const { return output_; }

    // Replaces `out`'s content with the conversion of `bytes`. On a failure
    // `out` holds nothing of use.
    BlockFailure Convert(std::string_view bytes, ByteBuffer& out) const;

    // The same through decoding, the converter and encoding alone.
    BlockFailure ConvertPlain(std::string_view bytes, ByteBuffer& out) const;

    // How much of `bytes` (from a character boundary on) can be converted
    // now; the rest belongs to the next block. With phrases: up to the last
    // line end, unless more than kMaxLineCarry bytes follow it (a very long
    // line is cut at a character), or 0 while no line end came and fewer
    // than kMaxLineCarry bytes did.
    static constexpr std::size_t kMaxLineCarry = 65536;
    std::size_t Boundary(std::string_view bytes) const;

private:
    void BuildFused() const;
    BlockFailure LocateEncodeFailure(std::string_view bytes, std::u16string_view converted,
                                     std::size_t failedUnit) const;
    BlockFailure LocatePhraseFailure(std::string_view bytes, std::u16string_view text, std::u16string_view converted,
                                     std::size_t failedUnit) const;
    // The byte offset of the input character whose units (decoded, or
    // decoded and mapped) hold unit `unit`, decoding character by character.
    std::size_t OffsetOfUnit(std::string_view bytes, std::size_t unit, bool mapped) const;

    const UnitMap& map_;
    const PhraseMatcher* phrases_;
    Encoding input_;
    Encoding output_;
    mutable std::once_flag fusedBuilt_;
    mutable std::atomic<bool> fusedReady_ = false;
    mutable std::unique_ptr<GbkTranscoder> gbk_;
    mutable std::unique_ptr<Utf8Transcoder> utf8_;
    mutable std::unique_ptr<Utf16Transcoder> utf16_;
};

}  // namespace tavrel
