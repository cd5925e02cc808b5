#pragma once

#include <unicode/ucnv.h>

#include <memory>

namespace tavrel {

struct ConverterCloser {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

// Opens ICU's converter of that name set to stop at the first unmappable or
// illegal sequence in either direction, leaving ICU's error code set.
// Throws std::runtime_error when ICU lacks the converter.
ConverterPtr OpenStrictConverter(const char* name);

}  // namespace tavrel
