#include "engine/utf8_check.h"

#include "engine/ascii.h"

#include <algorithm>
#include <cstring>

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define TAVREL_HAVE_AVX2 1
#include <immintrin.h>
#endif

namespace tavrel {

namespace {

bool InRange(unsigned char byte, unsigned char low, unsigned char high)
{
    return byte >= low && byte <= high;
}

#ifdef TAVREL_HAVE_AVX2

// Error bits of the lookup tables: each names one way a pair of bytes (the
// byte before and the byte itself) breaks UTF-8.
constexpr std::uint8_t kTooShort = 1 << 0;     // lead, then no continuation
constexpr std::uint8_t kTooLong = 1 << 1;      // ASCII, then a continuation
constexpr std::uint8_t kOverlong3 = 1 << 2;    // E0 80..9F
constexpr std::uint8_t kTooLarge = 1 << 3;     // F4 90..BF, F5..FF
constexpr std::uint8_t kSurrogate = 1 << 4;    // ED A0..BF
constexpr std::uint8_t kOverlong2 = 1 << 5;    // C0, C1
constexpr std::uint8_t kTooLarge1000 = 1 << 6; // F5..FF 80..8F
constexpr std::uint8_t kOverlong4 = 1 << 6;    // F0 80..8F
constexpr std::uint8_t kTwoConts = 1 << 7;     // two continuations in a row
constexpr std::uint8_t kCarry = kTooShort | kTooLong | kTwoConts;

// Error bits by the high and low nibble of the byte before, and by the high
// nibble of the byte itself; a pair is bad where all three share a bit.
constexpr std::uint8_t kByte1High[16] = {
    kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong,
    kTwoConts, kTwoConts, kTwoConts, kTwoConts,
    kTooShort | kOverlong2,
    kTooShort,
    kTooShort | kOverlong3 | kSurrogate,
    kTooShort | kTooLarge | kTooLarge1000 | kOverlong4};
constexpr std::uint8_t kByte1Low[16] = {
    kCarry | kOverlong3 | kOverlong2 | kOverlong4,
    kCarry | kOverlong2,
    kCarry,
    kCarry,
    kCarry | kTooLarge,
    kCarry | kTooLarge | kTooLarge1000,
    kCarry | kTooLarge | kTooLarge1000,
    kCarry | kTooLarge | kTooLarge1000,
    kCarry | kTooLarge | kTooLarge1000,
    kCarry | kTooLarge | kTooLarge1000,
    kCarry | kTooLarge | kTooLarge1000,
    kCarry | kTooLarge | kTooLarge1000,
    kCarry | kTooLarge | kTooLarge1000,
    kCarry | kTooLarge | kTooLarge1000 | kSurrogate,
    kCarry | kTooLarge | kTooLarge1000,
    kCarry | kTooLarge | kTooLarge1000};
constexpr std::uint8_t kByte2High[16] = {
    kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort,
    kTooLong | kOverlong2 | kTwoConts | kOverlong3 | kTooLarge1000 | kOverlong4,
    kTooLong | kOverlong2 | kTwoConts | kOverlong3 | kTooLarge,
    kTooLong | kOverlong2 | kTwoConts | kSurrogate | kTooLarge,
    kTooLong | kOverlong2 | kTwoConts | kSurrogate | kTooLarge,
    kTooShort, kTooShort, kTooShort, kTooShort};

__attribute__((target("avx2"))) __m256i Table(const std::uint8_t (&t)[16])
{
    const __m128i half = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t));
    return _mm256_broadcastsi128_si256(half);
}

// The input shifted right by N bytes across the chunk boundary, the bytes of
// `previous` filling in at the start.
template <int N>
__attribute__((target("avx2"))) __m256i Before(__m256i input, __m256i previous)
{
    return _mm256_alignr_epi8(input, _mm256_permute2x128_si256(previous, input, 0x21), 16 - N);
}

// Per-byte error bits of a 32-byte chunk given the chunk before it; a set bit
// at position i blames byte i (and the bytes it follows).
__attribute__((target("avx2"))) __m256i ChunkErrors(__m256i input, __m256i previous)
{
    const __m256i nibble = _mm256_set1_epi8(0x0F);
    const __m256i prev1 = Before<1>(input, previous);
    const __m256i byte1High = _mm256_shuffle_epi8(Table(kByte1High), _mm256_and_si256(_mm256_srli_epi16(prev1, 4), nibble));
    const __m256i byte1Low = _mm256_shuffle_epi8(Table(kByte1Low), _mm256_and_si256(prev1, nibble));
    const __m256i byte2High = _mm256_shuffle_epi8(Table(kByte2High), _mm256_and_si256(_mm256_srli_epi16(input, 4), nibble));
    const __m256i special = _mm256_and_si256(_mm256_and_si256(byte1High, byte1Low), byte2High);

    // Bytes two after an E0..EF lead or three after an F0..FF lead must be
    // continuations; the tables above only see pairs.
    const __m256i third = _mm256_subs_epu8(Before<2>(input, previous), _mm256_set1_epi8(static_cast<char>(0xE0 - 0x80)));
    const __m256i fourth = _mm256_subs_epu8(Before<3>(input, previous), _mm256_set1_epi8(static_cast<char>(0xF0 - 0x80)));
    const __m256i mustContinue = _mm256_and_si256(_mm256_or_si256(third, fourth), _mm256_set1_epi8(static_cast<char>(0x80)));
    return _mm256_xor_si256(mustContinue, special);
}

__attribute__((target("avx2"))) bool AnyBits(__m256i v)
{
    return !_mm256_testz_si256(v, v);
}

// Checks whole chunks; returns the error bits of them all.
__attribute__((target("avx2"))) __m256i CheckChunks(const unsigned char* s, std::size_t chunks, __m256i& previous)
{
    __m256i errors = _mm256_setzero_si256();
    for (std::size_t i = 0; i < chunks; ++i) {
        const __m256i input = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + 32 * i));
        // An all-ASCII chunk is fine unless the chunk before ended inside a
        // character, which the full check of the next bytes then reports.
        if (_mm256_movemask_epi8(input) == 0 && _mm256_movemask_epi8(previous) == 0) {
            previous = input;
            continue;
        }
        errors = _mm256_or_si256(errors, ChunkErrors(input, previous));
        previous = input;
    }
    return errors;
}

// Error bits of the pending bytes padded with ASCII NULs: bits on the real
// bytes are errors, bits only on the padding mean the input ends inside a
// character.
__attribute__((target("avx2"))) void CheckPending(const unsigned char* pending, std::size_t size,
                                                  __m256i previous, bool& invalid, bool& truncated)
{
    alignas(32) unsigned char padded[32] = {};
    std::memcpy(padded, pending, size);
    const __m256i errors = ChunkErrors(_mm256_load_si256(reinterpret_cast<const __m256i*>(padded)), previous);
    const __m256i nonZero = _mm256_xor_si256(_mm256_cmpeq_epi8(errors, _mm256_setzero_si256()), _mm256_set1_epi8(-1));
    const auto blamed = static_cast<std::uint32_t>(_mm256_movemask_epi8(nonZero));
    const std::uint32_t realBytes = size == 32 ? 0xFFFFFFFFu : (1u << size) - 1;
    invalid = invalid || (blamed & realBytes) != 0;
    truncated = (blamed & ~realBytes) != 0;
}

// The tables blame a byte that can never start a character (C0, C1, F5-FF)
// only on the byte after it, so at the very end it passes for a cut lead.
bool EndsInImpossibleLead(const unsigned char (&previous)[32], const unsigned char* pending, std::size_t size)
{
    for (std::size_t back = 1; back <= 3; ++back) {
        const unsigned char byte = back <= size ? pending[size - back] : previous[32 - (back - size)];
        if (byte == 0xC0 || byte == 0xC1 || byte >= 0xF5)
            return true;
    }
    return false;
}

__attribute__((target("avx2"))) void FeedChunks(std::string_view bytes, unsigned char (&previousBytes)[32],
                                                unsigned char (&pending)[32], std::size_t& pendingSize,
                                                bool& invalid, bool& truncated)
{
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t size = bytes.size();
    __m256i previous = _mm256_load_si256(reinterpret_cast<const __m256i*>(previousBytes));
    __m256i errors = _mm256_setzero_si256();
    if (pendingSize > 0) {
        const std::size_t take = std::min(32 - pendingSize, size);
        std::memcpy(pending + pendingSize, s, take);
        pendingSize += take;
        s += take;
        size -= take;
        if (pendingSize == 32) {
            errors = CheckChunks(pending, 1, previous);
            pendingSize = 0;
        }
    }
    const std::size_t chunks = size / 32;
    errors = _mm256_or_si256(errors, CheckChunks(s, chunks, previous));
    std::memcpy(pending + pendingSize, s + 32 * chunks, size - 32 * chunks);
    pendingSize += size - 32 * chunks;
    _mm256_store_si256(reinterpret_cast<__m256i*>(previousBytes), previous);
    invalid = invalid || AnyBits(errors);
    CheckPending(pending, pendingSize, previous, invalid, truncated);
    invalid = invalid || (truncated && EndsInImpossibleLead(previousBytes, pending, pendingSize));
}

#endif

}  // namespace

bool Utf8Validator::Avx2Available()
{
#ifdef TAVREL_HAVE_AVX2
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

Utf8Validator::Utf8Validator() : Utf8Validator(Avx2Available() ? Method::Avx2 : Method::Scalar) {}

Utf8Validator::Utf8Validator(Method method) : method_(method) {}

bool Utf8Validator::Feed(std::string_view bytes)
{
    if (invalid_)
        return false;
    if (method_ == Method::Avx2)
        FeedAvx2(bytes);
    else
        FeedScalar(bytes);
    return !invalid_;
}

Utf8Status Utf8Validator::Status() const
{
    if (invalid_)
        return Utf8Status::Invalid;
    return truncated_ ? Utf8Status::Truncated : Utf8Status::Valid;
}

void Utf8Validator::FeedScalar(std::string_view bytes)
{
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t size = bytes.size();
    std::size_t i = 0;
    while (i < size) {
        const unsigned char byte = s[i];
        if (owed_ > 0) {
            if (!InRange(byte, low_, high_)) {
                invalid_ = true;
                return;
            }
            --owed_;
            low_ = 0x80;
            high_ = 0xBF;
            ++i;
            continue;
        }
        if (byte < 0x80) {
            ++i;
            while (i + 8 <= size && AllAscii8(s + i))
                i += 8;
            continue;
        }
        if (InRange(byte, 0xC2, 0xDF)) {
            owed_ = 1;
        } else if (InRange(byte, 0xE0, 0xEF)) {
            owed_ = 2;
            low_ = byte == 0xE0 ? 0xA0 : 0x80;
            high_ = byte == 0xED ? 0x9F : 0xBF;
        } else if (InRange(byte, 0xF0, 0xF4)) {
            owed_ = 3;
            low_ = byte == 0xF0 ? 0x90 : 0x80;
            high_ = byte == 0xF4 ? 0x8F : 0xBF;
        } else {
            invalid_ = true;
            return;
        }
        ++i;
    }
    truncated_ = owed_ > 0;
}

void Utf8Validator::FeedAvx2(std::string_view bytes)
{
#ifdef TAVREL_HAVE_AVX2
    FeedChunks(bytes, previous_, pending_, pendingSize_, invalid_, truncated_);
#else
    FeedScalar(bytes);
#endif
}

}  // namespace tavrel
