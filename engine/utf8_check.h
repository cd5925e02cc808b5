#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tavrel {

// How the bytes checked so far read as UTF-8: well-formed and complete,
// well-formed but ending inside a character, or not UTF-8 at all.
enum class Utf8Status { Valid, Truncated, Invalid };

// Checks that bytes fed in order, in blocks of any size, are well-formed
// UTF-8: shortest forms only, no encoded surrogates, nothing beyond U+10FFFF.
// The AVX2 method classifies 32 bytes at a time through nibble lookup tables
// (Keiser and Lemire's algorithm); the scalar method walks the bytes one
// character at a time and is the reference the AVX2 one is tested against.
class Utf8Validator {
public:
    enum class Method { Scalar, Avx2 };

    // Whether this processor can run the AVX2 method.
    static bool Avx2Available();

    Utf8Validator();  // the fastest method this processor has
    explicit Utf8Validator(Method method);

    // Checks the next bytes. Returns false once the input is invalid.
    bool Feed(std::string_view bytes);
    Utf8Status Status() const;

private:
    void FeedScalar(std::string_view bytes);
    void FeedAvx2(std::string_view bytes);

    Method method_;
    bool invalid_ = false;
    bool truncated_ = false;
    // Scalar: continuation bytes still owed, and the range the next one must
    // fall in (narrower after E0, ED, F0 and F4).
    int owed_ = 0;
    unsigned char low_ = 0x80;
    unsigned char high_ = 0xBF;
    // AVX2: the last full 32-byte chunk checked, and the bytes after it that
    // do not yet fill a chunk.
    alignas(32) unsigned char previous_[32] = {};
    alignas(32) unsigned char pending_[32] = {};
    std::size_t pendingSize_ = 0;
};

}  // namespace tavrel
