#include "engine/block_converter.h"

#include "engine/block_codec.h"
#include "engine/gbk.h"
#include "engine/phrases.h"
#include "engine/utf.h"

#include <unicode/utf16.h>

#include <algorithm>

namespace tavrel {

namespace {

constexpr std::size_t npos = std::string_view::npos;

bool IsUtf8(Encoding encoding)
{
    return encoding == Encoding::Utf8 || encoding == Encoding::Utf8Bom;
}

}  // namespace

char* ByteBuffer::Reserve(std::size_t size)
{
    if (size > capacity_) {
        data_.reset(new char[size]);
        capacity_ = size;
    }
    return data_.get();
}

BlockConverter::BlockConverter(const Converter& converter, Direction direction, Encoding input, Encoding output)
    : map_(converter.Map(direction)), phrases_(converter.Phrases(direction)), input_(input), output_(output)
{
}

BlockConverter::~BlockConverter() = default;

void BlockConverter::BuildFused() const
{
    if (IsUtf8(input_) && IsUtf8(output_))
        utf8_ = std::make_unique<Utf8Transcoder>(map_);
    else if (!phrases_ && input_ == Encoding::Gbk && output_ == Encoding::Gbk)
        gbk_ = std::make_unique<GbkTranscoder>(map_);
    else if (!phrases_ && input_ == output_ && IsUtf16(input_) && Utf16Transcoder::Applies(map_))
        utf16_ = std::make_unique<Utf16Transcoder>(map_, input_ == Encoding::Utf16BE);
    fusedReady_ = true;
}

BlockFailure BlockConverter::Convert(std::string_view bytes, ByteBuffer& out) const
{
    if (bytes.size() < kFusedMinimum && !fusedReady_)
        return ConvertPlain(bytes, out);
    std::call_once(fusedBuilt_, [this] { BuildFused(); });
    char* end = nullptr;
    if (phrases_)
        end = utf8_ ? phrases_->ConvertUtf8(bytes, *utf8_, out.Reserve(phrases_->MaxUtf8Output(bytes.size())))
                    : nullptr;
    else if (gbk_)
        end = gbk_->Convert(bytes, out.Reserve(GbkTranscoder::MaxOutput(bytes.size())));
    else if (utf8_)
        end = utf8_->Convert(bytes, out.Reserve(Utf8Transcoder::MaxOutput(bytes.size())));
    else if (utf16_)
        end = utf16_->Convert(bytes, out.Reserve(Utf16Transcoder::MaxOutput(bytes.size())));
    if (!end)
        return ConvertPlain(bytes, out);
    out.SetSize(static_cast<std::size_t>(end - out.Data()));
    return {};
}

BlockFailure BlockConverter::ConvertPlain(std::string_view bytes, ByteBuffer& out) const
{
    std::u16string text;
    const std::size_t badByte = DecodeBlock(bytes, input_, text);
    if (badByte != npos)
        return {BlockFailure::Kind::Decode, badByte, 0};
    std::string encoded;
    if (phrases_) {
        std::u16string converted;
        phrases_->Convert(text, map_, converted);
        const std::size_t badUnit = EncodeBlock(converted, output_, encoded);
        if (badUnit != npos)
            return LocatePhraseFailure(bytes, text, converted, badUnit);
    } else {
        map_.Apply(text);
        const std::size_t badUnit = EncodeBlock(text, output_, encoded);
        if (badUnit != npos)
            return LocateEncodeFailure(bytes, text, badUnit);
    }
    // std::copy, not memcpy: an empty buffer gives no storage, and memcpy
    // must not get a null pointer even for no bytes.
    std::copy(encoded.begin(), encoded.end(), out.Reserve(encoded.size()));
    out.SetSize(encoded.size());
    return {};
}

namespace {

BlockFailure EncodeFailure(std::u16string_view converted, std::size_t failedUnit, std::size_t offset)
{
    UChar32 codePoint = 0;
    U16_GET(converted.data(), 0, failedUnit, converted.size(), codePoint);
    return {BlockFailure::Kind::Encode, offset, static_cast<char32_t>(codePoint)};
}

}  // namespace

std::size_t BlockConverter::OffsetOfUnit(std::string_view bytes, std::size_t unit, bool mapped) const
{
    std::size_t units = 0;
    std::size_t offset = 0;
    std::u16string character;
    while (offset < bytes.size()) {
        const std::size_t length = CharacterLength(bytes.substr(offset), input_);
        DecodeBlock(bytes.substr(offset, length), input_, character);
        if (mapped)
            map_.Apply(character);
        units += character.size();
        if (units > unit)
            break;
        offset += length;
    }
    return offset;
}

// Finds the input character whose result holds the unit that failed, by
// converting the block again character by character and counting units.
BlockFailure BlockConverter::LocateEncodeFailure(std::string_view bytes, std::u16string_view converted,
                                                 std::size_t failedUnit) const
{
    return EncodeFailure(converted, failedUnit, OffsetOfUnit(bytes, failedUnit, true));
}

// The same with phrases: the decoded unit whose phrase or character gave
// the failed unit, then its byte offset.
BlockFailure BlockConverter::LocatePhraseFailure(std::string_view bytes, std::u16string_view text,
                                                 std::u16string_view converted, std::size_t failedUnit) const
{
    const std::size_t sourceUnit = phrases_->SourceOf(text, map_, failedUnit);
    return EncodeFailure(converted, failedUnit, OffsetOfUnit(bytes, sourceUnit, false));
}

std::size_t BlockConverter::Boundary(std::string_view bytes) const
{
    if (!phrases_)
        return CharacterBoundary(bytes, input_);
    std::size_t lineEnd = 0;
    if (IsUtf16(input_)) {
        // A whole unit 0x000A at an even offset.
        const char first = input_ == Encoding::Utf16LE ? '\n' : '\0';
        const char second = input_ == Encoding::Utf16LE ? '\0' : '\n';
        for (std::size_t at = bytes.size() & ~std::size_t{1}; at >= 2 && lineEnd == 0; at -= 2) {
            if (bytes[at - 2] == first && bytes[at - 1] == second)
                lineEnd = at;
        }
    } else {
        // No multi-byte character of these encodings holds the byte 0x0A.
        const std::size_t found = bytes.rfind('\n');
        lineEnd = found == npos ? 0 : found + 1;
    }
    if (lineEnd > 0 && bytes.size() - lineEnd <= kMaxLineCarry)
        return lineEnd;
    if (lineEnd == 0 && bytes.size() <= kMaxLineCarry)
        return 0;
    return CharacterBoundary(bytes, input_);
}

}  // namespace tavrel
